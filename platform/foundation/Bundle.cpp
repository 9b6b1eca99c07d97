#include "platform/foundation/Bundle.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/foundation/Paths.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

std::string infoFilePath() {
    if (const char* p = std::getenv("TARVO_BUNDLE_INFO"); p && *p) return p;
    return paths::executableDirectory() + "/" + paths::programName() + ".info.json";
}

Json readInfo() {
    std::ifstream in(infoFilePath(), std::ios::binary);
    if (!in) return Json::object();
    std::ostringstream buffer;
    buffer << in.rdbuf();
    auto parsed = tryParseJson(buffer.str());
    if (!parsed || !parsed->is_object()) return Json::object();
    return std::move(*parsed);
}

}  // namespace

Bundle::Bundle() : info_(readInfo()) {}

Bundle& Bundle::main() {
    static Bundle bundle;
    return bundle;
}

std::optional<std::string> Bundle::bundleIdentifier() const {
    auto it = info_.find("CFBundleIdentifier");
    if (it == info_.end() || !it->is_string()) return std::nullopt;
    return it->get<std::string>();
}

std::string Bundle::resourceDirectory() const {
    if (!resourceDir_.empty()) return resourceDir_;
    if (const char* p = std::getenv("TARVO_RESOURCES_DIR"); p && *p) return p;
    return paths::executableDirectory() + "/" + paths::programName() + ".resources";
}

std::optional<std::string> Bundle::pathForResource(std::string_view name, std::string_view ext) const {
    std::string file(name);
    if (!ext.empty()) {
        file += '.';
        file += ext;
    }
    if (name.empty() || !paths::isSafeFileName(name) || !paths::isSafeFileName(file)) return std::nullopt;
    std::string path = resourceDirectory() + "/" + file;
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return std::nullopt;
    return path;
}

void Bundle::setInfoDictionaryForTesting(Json info) { info_ = std::move(info); }

void Bundle::setResourceDirectory(std::string dir) { resourceDir_ = std::move(dir); }

void Bundle::reload() { info_ = readInfo(); }

}  // namespace platform
