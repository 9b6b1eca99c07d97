// tarvo-notify: delivers one push through the notification service the way the platform does,
// and prints what the user would see.
//
//   tarvo-notify [REQUEST.json]     (standard input when no file is given)
//
// The request is {"title", "subtitle", "body", "userInfo"}, every key optional. The result is
// one JSON object {"title", "subtitle", "body", "sound"} on standard output, where "sound" is
// "default", "none" or "named:<file>". Sounds come from the program's resource folder beside
// the executable, or from $TARVO_SOUNDS_DIR. Bad input: a message on standard error, exit 2.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>
#include <string_view>

#include "TarvoNotificationExtension/NotificationService.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Json.h"
#include "platform/foundation/Paths.h"
#include "platform/usernotifications/UNNotificationServiceExtension.h"

namespace {

constexpr const char* kProgram = "tarvo-notify";
// Far above any push payload the relay can send (a few kilobytes).
constexpr std::size_t kMaxInputBytes = 1 << 20;

struct InputError {
    std::string message;
};

std::string readAll(std::FILE* file, const std::string& name) {
    std::string data;
    char buf[65536];
    for (;;) {
        std::size_t n = std::fread(buf, 1, sizeof buf, file);
        data.append(buf, n);
        if (data.size() > kMaxInputBytes) {
            throw InputError{name + " is larger than " + std::to_string(kMaxInputBytes) + " bytes"};
        }
        if (n < sizeof buf) break;
    }
    if (std::ferror(file)) throw InputError{"cannot read " + name};
    return data;
}

std::string readInput(int argc, char** argv) {
    if (argc < 2) return readAll(stdin, "standard input");
    const std::string path = argv[1];
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) throw InputError{"cannot open " + path};
    try {
        std::string data = readAll(file, path);
        std::fclose(file);
        return data;
    } catch (...) {
        std::fclose(file);
        throw;
    }
}

const char* jsonTypeName(const platform::Json& v) {
    return v.is_object() ? "an object" : v.is_array() ? "an array" : v.is_string() ? "text"
         : v.is_boolean() ? "a boolean" : v.is_number() ? "a number" : "null";
}

platform::UNNotificationRequest parseRequest(const std::string& text) {
    auto parsed = platform::tryParseJson(text);
    if (!parsed) throw InputError{"the request is not valid JSON"};
    if (!parsed->is_object()) {
        throw InputError{std::string("the request must be a JSON object, not ") + jsonTypeName(*parsed)};
    }
    platform::UNMutableNotificationContent content;
    for (auto it = parsed->begin(); it != parsed->end(); ++it) {
        const std::string& key = it.key();
        const platform::Json& value = it.value();
        if (key == "title" || key == "subtitle" || key == "body") {
            if (!value.is_string()) {
                throw InputError{"\"" + key + "\" must be text, not " + jsonTypeName(value)};
            }
            std::string s = value.get<std::string>();
            if (key == "title") content.setTitle(std::move(s));
            else if (key == "subtitle") content.setSubtitle(std::move(s));
            else content.setBody(std::move(s));
        } else if (key == "userInfo") {
            if (!value.is_object()) {
                throw InputError{std::string("\"userInfo\" must be a JSON object, not ") + jsonTypeName(value)};
            }
            content.setUserInfo(value);
        } else {
            throw InputError{"unknown key \"" + key + "\" (expected title, subtitle, body, userInfo)"};
        }
    }
    return platform::UNNotificationRequest("tarvo-notify", content);
}

constexpr const char* kUsage = "usage: tarvo-notify [REQUEST.json]   (reads standard input without a file)\n";

constexpr const char* kHelp =
    "\n"
    "Delivers one push through the notification service and prints what the person would see.\n"
    "\n"
    "The request is a JSON object {\"title\", \"subtitle\", \"body\", \"userInfo\"}, every key\n"
    "optional, read from REQUEST.json or, without it, from standard input. The result is one\n"
    "JSON object {\"title\", \"subtitle\", \"body\", \"sound\"}, where \"sound\" is \"default\", \"none\"\n"
    "or \"named:FILE\". The sound settings come from the app group under $TARVO_HOME; the sounds\n"
    "from tarvo-notify.resources/ beside the program, or $TARVO_SOUNDS_DIR.\n"
    "\n"
    "Exit status: 0 delivered, 2 bad usage or a request that cannot be read, 1 anything else.\n";

}  // namespace

int main(int argc, char** argv) {
    platform::paths::setProgramName(kProgram);
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage << kHelp;
            return std::cout.flush() ? 0 : 1;
        }
        if (arg.size() > 1 && arg.front() == '-') {
            std::cerr << kProgram << ": unknown option: " << arg << "\n" << kUsage;
            return 2;
        }
    }
    if (argc > 2) {
        std::cerr << kUsage;
        return 2;
    }
    try {
        const auto request = parseRequest(readInput(argc, argv));

        if (const char* sounds = std::getenv("TARVO_SOUNDS_DIR"); sounds && *sounds) {
            platform::Bundle::main().setResourceDirectory(sounds);
        }

        tarvo::NotificationService service;
        const auto delivery = platform::deliverNotification(service, request);
        const auto& content = delivery.content;

        platform::Json out = platform::Json::object();
        out["title"] = content.title();
        out["subtitle"] = content.subtitle();
        out["body"] = content.body();
        out["sound"] = content.sound() ? content.sound()->description() : std::string("none");
        std::cout << platform::encodeCompact(out) << "\n";
        std::cout.flush();
        return std::cout ? 0 : 1;
    } catch (const InputError& e) {
        std::cerr << kProgram << ": " << e.message << "\n";
        return 2;
    } catch (const std::exception& e) {
        std::cerr << kProgram << ": " << e.what() << "\n";
        return 1;
    }
}
