// tarvo-defaults: reads and writes the defaults stores the Tarvo programs share.
//
//   tarvo-defaults read SUITE [KEY]
//   tarvo-defaults write SUITE KEY [--string|--int|--double|--bool|--json] VALUE
//   tarvo-defaults write SUITE KEY --data FILE
//   tarvo-defaults delete SUITE KEY
//
// SUITE is an app-group suite name, or "standard:PROGRAM" for a program's standard store.
// Exit status: 0 done, 1 missing key or a store/file that cannot be used, 2 bad arguments.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/foundation/Json.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/PropertyList.h"
#include "platform/foundation/Text.h"
#include "platform/foundation/UserDefaults.h"

namespace {

using platform::PropertyList;
using platform::UserDefaults;

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

constexpr const char* kUsage =
    "usage: tarvo-defaults read SUITE [KEY]\n"
    "       tarvo-defaults write SUITE KEY [--string|--int|--double|--bool|--json] VALUE\n"
    "       tarvo-defaults write SUITE KEY --data FILE\n"
    "       tarvo-defaults delete SUITE KEY\n"
    "SUITE is an app-group suite name, or standard:PROGRAM for a program's standard store.\n";

struct UsageError {
    std::string message;
};

struct Failure {
    std::string message;
};

enum class ValueType { string, integer, real, boolean, json, data };

struct Arguments {
    std::vector<std::string> positional;
    std::optional<ValueType> type;
    std::string dataFile;
    bool help = false;
};

Arguments parseArguments(int argc, char** argv) {
    Arguments args;
    bool optionsEnded = false;
    auto setType = [&](ValueType t) {
        if (args.type) throw UsageError{"only one value type may be given"};
        args.type = t;
    };
    for (int i = 1; i < argc; ++i) {
        std::string_view a = argv[i];
        // "-5" and "-.5" are values (negative numbers), not options.
        const bool looksNegative = a.size() >= 2 && a[0] == '-' && ((a[1] >= '0' && a[1] <= '9') || a[1] == '.');
        if (optionsEnded || a.size() < 2 || a[0] != '-' || looksNegative) {
            args.positional.emplace_back(a);
        } else if (a == "--") {
            optionsEnded = true;
        } else if (a == "--help" || a == "-h") {
            args.help = true;
        } else if (a == "--string") {
            setType(ValueType::string);
        } else if (a == "--int") {
            setType(ValueType::integer);
        } else if (a == "--double") {
            setType(ValueType::real);
        } else if (a == "--bool") {
            setType(ValueType::boolean);
        } else if (a == "--json") {
            setType(ValueType::json);
        } else if (a == "--data") {
            setType(ValueType::data);
            if (i + 1 >= argc) throw UsageError{"--data needs a file"};
            args.dataFile = argv[++i];
        } else {
            throw UsageError{"unknown option " + std::string(a)};
        }
    }
    return args;
}

std::shared_ptr<UserDefaults> openStore(const std::string& suite) {
    constexpr std::string_view kStandardPrefix = "standard:";
    std::string path;
    if (platform::text::hasPrefix(suite, kStandardPrefix)) {
        std::string program = suite.substr(kStandardPrefix.size());
        if (!platform::paths::isSafeFileName(program)) throw UsageError{"invalid program name \"" + program + "\""};
        path = platform::paths::standardDatabasePath(program);
    } else {
        if (!platform::paths::isSafeFileName(suite)) throw UsageError{"invalid suite name \"" + suite + "\""};
        path = platform::paths::suiteDatabasePath(suite);
    }
    std::shared_ptr<UserDefaults> store = UserDefaults::atPath(path);
    if (!store) {
        const auto problem = UserDefaults::openingProblem(path);
        throw Failure{"cannot open the defaults store " + suite + " (" + path + "): " + problem.value_or("cannot be created")};
    }
    return store;
}

template <class T>
std::optional<T> parseNumber(std::string_view s) {
    T v{};
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || ec != std::errc() || ptr != s.data() + s.size()) return std::nullopt;
    return v;
}

PropertyList readDataFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw Failure{"cannot read " + path};
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw Failure{"cannot read " + path};
    return PropertyList(PropertyList::Data(bytes.begin(), bytes.end()));
}

PropertyList makeValue(ValueType type, const std::string& text) {
    switch (type) {
        case ValueType::string:
            // The store holds text as UTF-8; other bytes belong in --data.
            if (!platform::text::isValidUTF8(text)) throw UsageError{"not UTF-8 text (use --data for bytes)"};
            return PropertyList(text);
        case ValueType::integer: {
            auto v = parseNumber<std::int64_t>(text);
            if (!v) throw UsageError{"not an integer: " + text};
            return PropertyList(*v);
        }
        case ValueType::real: {
            auto v = parseNumber<double>(text);
            if (!v || !std::isfinite(*v)) throw UsageError{"not a finite number: " + text};
            return PropertyList(*v);
        }
        case ValueType::boolean: {
            std::string t = platform::text::lowercased(text);
            if (t == "true" || t == "yes" || t == "1") return PropertyList(true);
            if (t == "false" || t == "no" || t == "0") return PropertyList(false);
            throw UsageError{"not a boolean (true/false, yes/no, 1/0): " + text};
        }
        case ValueType::json: {
            auto j = platform::tryParseJson(text);
            if (!j || !(j->is_array() || j->is_object())) throw UsageError{"not a JSON array or object: " + text};
            auto v = PropertyList::fromPlainJson(*j);
            if (!v) throw UsageError{"JSON null cannot be stored: " + text};
            return std::move(*v);
        }
        case ValueType::data: break;
    }
    throw UsageError{"internal: unexpected value type"};
}

void printJson(const platform::Json& j) { std::cout << platform::encodeSorted(j) << '\n'; }

int run(int argc, char** argv) {
    Arguments args = parseArguments(argc, argv);
    if (args.help) {
        std::cout << kUsage;
        return 0;
    }
    const auto& pos = args.positional;
    if (pos.empty()) throw UsageError{"no command given"};
    const std::string& command = pos[0];

    if (command == "read") {
        if (args.type) throw UsageError{"read takes no value type"};
        if (pos.size() < 2 || pos.size() > 3) throw UsageError{"read takes SUITE [KEY]"};
        auto store = openStore(pos[1]);
        if (pos.size() == 2) {
            platform::Json all = platform::Json::object();
            for (const auto& [key, value] : store->dictionaryRepresentation()) all[key] = value.toPlainJson();
            printJson(all);
            return 0;
        }
        auto value = store->object(pos[2]);
        if (!value) throw Failure{"the key \"" + pos[2] + "\" does not exist in " + pos[1]};
        printJson(value->toPlainJson());
        return 0;
    }
    if (command == "write") {
        const ValueType type = args.type.value_or(ValueType::string);
        const std::size_t expected = type == ValueType::data ? 3 : 4;
        if (pos.size() != expected)
            throw UsageError{type == ValueType::data ? "write --data takes SUITE KEY and the file"
                                                     : "write takes SUITE KEY VALUE"};
        PropertyList value = type == ValueType::data ? readDataFile(args.dataFile) : makeValue(type, pos[3]);
        auto store = openStore(pos[1]);
        if (!store->trySet(pos[2], value)) throw Failure{"could not write \"" + pos[2] + "\" to " + pos[1]};
        return 0;
    }
    if (command == "delete") {
        if (args.type) throw UsageError{"delete takes no value type"};
        if (pos.size() != 3) throw UsageError{"delete takes SUITE KEY"};
        auto store = openStore(pos[1]);
        if (!store->object(pos[2])) throw Failure{"the key \"" + pos[2] + "\" does not exist in " + pos[1]};
        if (!store->tryRemoveObject(pos[2])) throw Failure{"could not delete \"" + pos[2] + "\" from " + pos[1]};
        return 0;
    }
    throw UsageError{"unknown command \"" + command + "\""};
}

}  // namespace

int main(int argc, char** argv) {
    platform::paths::setProgramName("tarvo-defaults");
    try {
        return run(argc, argv);
    } catch (const UsageError& e) {
        std::cerr << "tarvo-defaults: " << e.message << '\n' << kUsage;
        return kExitUsage;
    } catch (const Failure& e) {
        std::cerr << "tarvo-defaults: " << e.message << '\n';
        return kExitFailure;
    } catch (const std::exception& e) {
        std::cerr << "tarvo-defaults: " << e.what() << '\n';
        return kExitFailure;
    }
}
