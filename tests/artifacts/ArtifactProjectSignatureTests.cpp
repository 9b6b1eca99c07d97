#include <algorithm>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TarvoShareExtension/ArtifactProjectSignature.h"
#include "tests/artifacts/ArtifactTestSupport.h"

namespace tarvo {
namespace {

using testing::entry;
using Paths = std::vector<std::string>;

constexpr const char* kEmptyDigest = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";

std::vector<ArtifactArchiveEntry> swiftProject(const std::string& root, char separator = '/') {
    auto p = [&](std::string rest) {
        std::string path = root + "/" + rest;
        std::replace(path.begin(), path.end(), '/', separator);
        return path;
    };
    return {entry(p("src/main.c"), 0x1234, 10), entry(p("Package.swift"), 0xffffffff, 20),
            entry(p("scripts/build.sh"), 0xabcd, 42)};
}

TEST(ArtifactProjectSignature, SingleRootListingGivesHandComputedDigests) {
    ArtifactProjectSignature s = ArtifactProjectSignature::make(swiftProject("Proj"));

    EXPECT_EQ(s.normalizedPaths, (Paths{"Package.swift", "scripts/build.sh", "src/main.c"}));
    EXPECT_EQ(s.markers, (Paths{"package.swift"}));
    EXPECT_EQ(s.scriptFingerprints, (std::map<std::string, std::string>{{"scripts/build.sh", "0000abcd:42"}}));
    // SHA-256 of "package.swift\nscripts/build.sh\nsrc/main.c"; the last-three-pieces shapes
    // are the same lines, so the path digest equals it here.
    EXPECT_EQ(s.exactDigest, "85f02cb7f17503f229fb701136aae0c07c255492df4c583600b5b1ae4bd210f1");
    EXPECT_EQ(s.pathDigest, "85f02cb7f17503f229fb701136aae0c07c255492df4c583600b5b1ae4bd210f1");
    // SHA-256 of "scripts/build.sh|0000abcd:42".
    EXPECT_EQ(s.contentDigest, "289bcad0a168c45a39ef337d7f02853f6de62c38e84c55399e27b4b8da7f731f");
}

TEST(ArtifactProjectSignature, PathShapeKeepsTheLastThreePieces) {
    ArtifactProjectSignature s = ArtifactProjectSignature::make({entry("a/b/c/d/e.sh", 1, 2)});
    EXPECT_EQ(s.normalizedPaths, (Paths{"b/c/d/e.sh"}));
    EXPECT_EQ(s.exactDigest, "1a6333786f986d25cbbddf1cb2ca5175fe8a23fff6304ac5c829562049f9536e");  // "b/c/d/e.sh"
    EXPECT_EQ(s.pathDigest, "9e5c8db0c5284bf8f3825c9f621a56d5851a37e39c13fde487b8e918fafa14f0");   // "c/d/e.sh"
}

TEST(ArtifactProjectSignature, RootNameOrderAndSeparatorsDoNotMatter) {
    ArtifactProjectSignature reference = ArtifactProjectSignature::make(swiftProject("Proj"));

    std::vector<ArtifactArchiveEntry> renamed = swiftProject("tool-1.2.0");
    std::vector<ArtifactArchiveEntry> shuffled = swiftProject("Proj");
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(7));
    std::reverse(shuffled.begin(), shuffled.end());
    std::vector<ArtifactArchiveEntry> backslashed = swiftProject("Proj", '\\');
    // Folder entries, Finder's resource forks and VCS data add nothing.
    std::vector<ArtifactArchiveEntry> noisy = swiftProject("Proj");
    noisy.push_back(entry("Proj/"));
    noisy.push_back(entry("Proj/scripts/"));
    noisy.push_back(entry("__MACOSX/Proj/._Package.swift", 9, 9));
    noisy.push_back(entry("Proj/.git/config", 9, 9));
    noisy.push_back(entry("Proj/web/node_modules/x/index.js", 9, 9));

    for (const auto& listing : {renamed, shuffled, backslashed, noisy}) {
        EXPECT_EQ(ArtifactProjectSignature::make(listing), reference);
    }
}

TEST(ArtifactProjectSignature, LooseTopLevelFilesHaveNoRoot) {
    ArtifactProjectSignature s = ArtifactProjectSignature::make({entry("README.md", 1, 1), entry("build.sh", 2, 3)});
    EXPECT_EQ(s.normalizedPaths, (Paths{"README.md", "build.sh"}));
    EXPECT_EQ(s.scriptFingerprints.at("build.sh"), "00000002:3");
    EXPECT_TRUE(s.markers.empty());
}

TEST(ArtifactProjectSignature, TreeWithoutScriptsHasTheEmptyContentDigest) {
    ArtifactProjectSignature s = ArtifactProjectSignature::make({entry("Proj/Dockerfile"), entry("Proj/app.py")});
    EXPECT_TRUE(s.scriptFingerprints.empty());
    EXPECT_EQ(s.contentDigest, kEmptyDigest);

    ArtifactProjectSignature empty = ArtifactProjectSignature::make({entry("Proj/"), entry(".git/HEAD")});
    EXPECT_TRUE(empty.normalizedPaths.empty());
    EXPECT_EQ(empty.exactDigest, kEmptyDigest);
    EXPECT_EQ(empty.pathDigest, kEmptyDigest);
    EXPECT_EQ(empty.contentDigest, kEmptyDigest);
}

TEST(ArtifactProjectSignature, FirstEntryOfOneStablePathKeepsItsFingerprint) {
    ArtifactProjectSignature s = ArtifactProjectSignature::make({entry("a\\b.sh", 1, 10), entry("a/b.sh", 2, 20)});
    EXPECT_EQ(s.normalizedPaths, (Paths{"b.sh"}));
    EXPECT_EQ(s.scriptFingerprints, (std::map<std::string, std::string>{{"b.sh", "00000001:10"}}));
}

TEST(ArtifactProjectSignature, RootSpelledInDifferentCaseIsOneRoot) {
    ArtifactProjectSignature s = ArtifactProjectSignature::make({entry("Proj/a.sh", 1, 1), entry("PROJ/b.sh", 2, 2)});
    EXPECT_EQ(s.normalizedPaths, (Paths{"a.sh", "b.sh"}));
    EXPECT_EQ(s.scriptFingerprints.size(), 2u);

    // Non-ASCII roots are cut by characters, not bytes.
    ArtifactProjectSignature accented =
        ArtifactProjectSignature::make({entry("Prôjet/build.sh", 1, 1), entry("PRÔJET/x.c", 2, 2)});
    EXPECT_EQ(accented.normalizedPaths, (Paths{"build.sh", "x.c"}));
}

TEST(ArtifactProjectSignature, MarkersAreLowercaseAndFollowTheirRules) {
    ArtifactProjectSignature s = ArtifactProjectSignature::make({
        entry("Proj/Dockerfile"),
        entry("Proj/App.xcodeproj/project.pbxproj"),
        entry("Proj/scripts/deploy.sh"),
        entry("Proj/tools/Scripts/Deploy.sh"),
        entry("Proj/sub/TarvoServer/main.swift"),
        entry("Proj/web/package.json"),
        entry("Proj/readme.md"),
    });
    EXPECT_EQ(s.markers, (Paths{"app.xcodeproj/project.pbxproj", "dockerfile", "package.json", "scripts/deploy.sh",
                                "tarvoserver"}));

    // A top-level folder of that name is not the server marker; only a deeper one is.
    ArtifactProjectSignature top =
        ArtifactProjectSignature::make({entry("Proj/tarvoserver/main.swift"), entry("Proj/readme.md")});
    EXPECT_TRUE(top.markers.empty());
}

TEST(ArtifactProjectSignature, StablePathTable) {
    struct Case {
        const char* raw;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"Proj/src/main.c", "Proj/src/main.c"},
        {"Proj\\src\\main.c", "Proj/src/main.c"},
        {"  /Proj//src/main.c \n", "Proj/src/main.c"},
        {"Proj/./a/../b.txt", "Proj/a/b.txt"},
        {"Proj/", std::nullopt},
        {"Proj\\sub\\", "Proj/sub"},  // only a literal "/" marks a folder entry
        {"Proj/.git/config", std::nullopt},
        {"Proj/node_modules/x/index.js", std::nullopt},
        {"src/NODE_MODULES/x.js", std::nullopt},
        {"Pods/a", std::nullopt},
        {"__MACOSX/._x", std::nullopt},
        {"Proj/.build/debug/x", std::nullopt},
        {"Proj/DerivedData/x", std::nullopt},
        {"Proj/vendor/lib.php", std::nullopt},
        {"Proj/.swiftpm/x", std::nullopt},
        {"", std::nullopt},
        {"///", std::nullopt},
        {"./..", std::nullopt},
        {"Proj/.gitignore", "Proj/.gitignore"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ArtifactProjectSignature::normalizeStablePath(c.raw), c.expected) << c.raw;
    }
}

TEST(ArtifactProjectSignature, CommonRootAndStripTable) {
    struct Case {
        Paths paths;
        std::optional<std::string> root;
        Paths stripped;
    };
    const Case cases[] = {
        {{"App/x", "app/y"}, "App", {"x", "y"}},
        {{}, std::nullopt, {}},
        {{"README.md", "build.sh"}, std::nullopt, {"README.md", "build.sh"}},
        {{"Proj"}, std::nullopt, {"Proj"}},
        {{"A/x", "B/y"}, std::nullopt, {"A/x", "B/y"}},
        // A file named like the root stays whole; duplicates stay.
        {{"Proj/b", "Proj", "Proj/a", "proj/a"}, "Proj", {"Proj", "a", "a", "b"}},
        // The cut counts characters: "/" with a combining mark is one character.
        {{"Proj/\u0301x.sh", "Proj/y"}, "Proj", {"x.sh", "y"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ArtifactProjectSignature::commonArchiveRoot(c.paths), c.root);
        EXPECT_EQ(ArtifactProjectSignature::stripSingleArchiveRoot(c.paths), c.stripped);
    }
}

TEST(ArtifactProjectSignature, FingerprintFormat) {
    EXPECT_EQ(artifactEntryFingerprint(0xABCD, 42), "0000abcd:42");
    EXPECT_EQ(artifactEntryFingerprint(0xffffffffu, 18446744073709551615ull), "ffffffff:18446744073709551615");
    EXPECT_EQ(artifactEntryFingerprint(0, 0), "00000000:0");
}

TEST(ArtifactProjectSignature, JsonRoundTripAndStrictDecoding) {
    ArtifactProjectSignature s = ArtifactProjectSignature::make(swiftProject("Proj"));
    platform::Json json = s.toJson();
    EXPECT_EQ(ArtifactProjectSignature::fromJson(json), s);
    EXPECT_EQ(json["scriptFingerprints"]["scripts/build.sh"], "0000abcd:42");

    for (const char* key : {"exactDigest", "pathDigest", "contentDigest", "normalizedPaths", "markers",
                            "scriptFingerprints"}) {
        platform::Json missing = json;
        missing.erase(key);
        EXPECT_THROW(ArtifactProjectSignature::fromJson(missing), platform::DecodingError) << key;
    }
    platform::Json wrong = json;
    wrong["markers"] = platform::Json::array({1});
    EXPECT_THROW(ArtifactProjectSignature::fromJson(wrong), platform::DecodingError);
    wrong = json;
    wrong["scriptFingerprints"] = platform::Json::array();
    EXPECT_THROW(ArtifactProjectSignature::fromJson(wrong), platform::DecodingError);
    EXPECT_THROW(ArtifactProjectSignature::fromJson(platform::Json::array()), platform::DecodingError);
}

}  // namespace
}  // namespace tarvo
