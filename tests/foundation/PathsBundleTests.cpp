#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/RunTemporaryFolder.h"
#include "tests/support/Files.h"
#include "tests/support/TempHome.h"

namespace paths = platform::paths;
namespace fs = std::filesystem;

namespace {

class PathsTest : public tarvo_test::HomeTest {};

using tarvo_test::ScopedEnv;
using tarvo_test::writeFile;

TEST_F(PathsTest, HomeComesFromTheEnvironment) {
    EXPECT_EQ(paths::tarvoHome(), home_.path());
    EXPECT_EQ(paths::suiteDatabasePath("g"), home_.path() + "/defaults/g.sqlite");
    EXPECT_EQ(paths::standardDatabasePath("tarvo-share"), home_.path() + "/defaults/standard/tarvo-share.sqlite");
    ScopedEnv noHome("TARVO_HOME", nullptr);
    {
        ScopedEnv xdg("XDG_DATA_HOME", "/xdg/data");
        EXPECT_EQ(paths::tarvoHome(), "/xdg/data/tarvo");
    }
    ScopedEnv noXdg("XDG_DATA_HOME", nullptr);
    ScopedEnv home("HOME", "/home/someone");
    EXPECT_EQ(paths::tarvoHome(), "/home/someone/.local/share/tarvo");
}

TEST_F(PathsTest, AppGroupContainersAreCreatedOnFirstUse) {
    auto dir = paths::appGroupContainer("group.com.example.tarvo");
    ASSERT_TRUE(dir);
    EXPECT_EQ(*dir, home_.path() + "/containers/group.com.example.tarvo");
    EXPECT_TRUE(fs::is_directory(*dir));
    EXPECT_EQ(paths::appGroupContainer("group.com.example.tarvo"), dir);
    for (const char* bad : {"", ".", "..", "../escape", "a/b"}) EXPECT_FALSE(paths::appGroupContainer(bad)) << bad;
    EXPECT_FALSE(fs::exists(home_.path() + "/escape"));
}

TEST_F(PathsTest, SafeFileNames) {
    for (const char* ok : {"a", "group.x", ".hidden", "a b", "..."}) EXPECT_TRUE(paths::isSafeFileName(ok)) << ok;
    for (const char* bad : {"", ".", "..", "a/b", "/"}) EXPECT_FALSE(paths::isSafeFileName(bad)) << bad;
    EXPECT_FALSE(paths::isSafeFileName(std::string("a\0b", 3)));
}

TEST_F(PathsTest, ProgramTemporaryDirectory) {
    // The run's own folder under $TMPDIR, not one shared by every run of the program.
    platform::removeRunTemporaryFolder();
    ScopedEnv tmp("TMPDIR", home_.path().c_str());
    paths::setProgramName("tarvo-share");
    const std::string dir = paths::temporaryDirectory();
    EXPECT_EQ(dir.rfind(home_.path() + "/tarvo-" + std::to_string(platform::currentUserID()) + "/run-", 0), 0u) << dir;
    EXPECT_TRUE(fs::is_directory(dir));
    EXPECT_FALSE(fs::exists(home_.path() + "/tarvo-tarvo-share"));
    platform::removeRunTemporaryFolder();
    EXPECT_FALSE(fs::exists(dir));
    paths::setProgramName("tarvo");
    EXPECT_TRUE(fs::is_directory(paths::executableDirectory()));
}

TEST_F(PathsTest, BundleInfoFromTheNamedFile) {
    auto& bundle = platform::Bundle::main();
    const std::string info = home_.path() + "/info.json";
    ScopedEnv env("TARVO_BUNDLE_INFO", info.c_str());

    writeFile(info, R"({"CFBundleIdentifier":"com.example.tarvo.share","APP_GROUP_ID":"group.x"})");
    bundle.reload();
    EXPECT_EQ(bundle.bundleIdentifier(), "com.example.tarvo.share");
    EXPECT_EQ(bundle.infoDictionary()["APP_GROUP_ID"], "group.x");

    writeFile(info, R"({"APP_GROUP_ID":42})");
    bundle.reload();
    EXPECT_TRUE(bundle.infoDictionary()["APP_GROUP_ID"].is_number_integer());
    EXPECT_FALSE(bundle.bundleIdentifier());

    for (const char* bad : {"not json", "[1,2]", ""}) {
        writeFile(info, bad);
        bundle.reload();
        EXPECT_TRUE(bundle.infoDictionary().is_object());
        EXPECT_TRUE(bundle.infoDictionary().empty()) << bad;
    }
    fs::remove(info);
    bundle.reload();
    EXPECT_TRUE(bundle.infoDictionary().empty());

    bundle.setInfoDictionaryForTesting(platform::Json{{"APP_GROUP_ID", "g"}});
    EXPECT_EQ(bundle.infoDictionary()["APP_GROUP_ID"], "g");
    bundle.setInfoDictionaryForTesting(platform::Json::object());
}

TEST_F(PathsTest, BundleResourcesByNameAndExtension) {
    auto& bundle = platform::Bundle::main();
    const std::string dir = home_.path() + "/res";
    writeFile(dir + "/chime.caf", "x");
    writeFile(dir + "/README", "x");
    fs::create_directories(dir + "/folder.caf");
    writeFile(home_.path() + "/secret.caf", "x");
    {
        ScopedEnv env("TARVO_RESOURCES_DIR", dir.c_str());
        EXPECT_EQ(bundle.resourceDirectory(), dir);
        EXPECT_EQ(bundle.pathForResource("chime", "caf"), dir + "/chime.caf");
        EXPECT_EQ(bundle.pathForResource("README", ""), dir + "/README");
        EXPECT_FALSE(bundle.pathForResource("missing", "caf"));
        EXPECT_FALSE(bundle.pathForResource("folder", "caf"));      // not a file
        EXPECT_FALSE(bundle.pathForResource("../secret", "caf"));   // not a single component
        EXPECT_FALSE(bundle.pathForResource("", "caf"));
        EXPECT_FALSE(bundle.pathForResource("chime", "caf/x"));
    }
    bundle.setResourceDirectory(dir);
    EXPECT_EQ(bundle.pathForResource("chime", "caf"), dir + "/chime.caf");
    bundle.setResourceDirectory("");
}

}  // namespace
