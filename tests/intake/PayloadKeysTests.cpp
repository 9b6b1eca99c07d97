// Type key, bias key, path component, archive stem and digest.
#include <gtest/gtest.h>

#include "TarvoShareExtension/Intake/PayloadKeys.h"
#include "TarvoShareExtension/Intake/ShareInputItems.h"

namespace {

using platform::NSItemProvider;
using platform::ProviderItem;

std::shared_ptr<NSItemProvider> provider(std::vector<std::string> types, std::optional<std::string> name = std::nullopt) {
    auto p = NSItemProvider::make();
    for (auto& t : types) p->registerItem(t, ProviderItem(std::string("x")));
    p->setSuggestedName(std::move(name));
    return p;
}

TEST(PayloadKeys, CategoryOfOneItem) {
    struct Case {
        std::vector<std::string> types;
        std::optional<std::string> name;
        const char* category;
    };
    for (const Case& c : std::vector<Case>{
             {{"public.data"}, "project.zip", "zip"},
             {{"public.data"}, "  BUILD.ZIP \n", "zip"},
             {{"Public.Zip-Archive"}, std::nullopt, "zip"},
             {{"com.pkware.zip-archive"}, "archive", "zip"},
             {{"public.jpeg"}, "photo.jpg", "image"},
             {{"public.url", "public.png"}, std::nullopt, "image"},  // image is tested before url
             {{"com.apple.quicktime-movie"}, "clip.mov", "video"},
             {{"public.mp3"}, std::nullopt, "audio"},
             {{"com.adobe.pdf"}, "doc.pdf", "pdf"},
             {{"public.url"}, std::nullopt, "url"},
             {{"public.file-url"}, std::nullopt, "url"},
             {{"public.utf8-plain-text"}, std::nullopt, "text"},
             {{"public.shell-script"}, "build.sh", "text"},
             {{"public.data"}, "blob.bin", "file"},
             {{"org.example.unknown"}, std::nullopt, "file"},
             {{}, std::nullopt, "file"},
         }) {
        EXPECT_EQ(tarvo::fileTypeCategory(*provider(c.types, c.name)), c.category)
            << (c.types.empty() ? "" : c.types[0]) << " " << c.name.value_or("-");
    }
}

TEST(PayloadKeys, TypeKeyOfThePayload) {
    auto photo = [] { return provider({"public.jpeg"}); };
    auto zip = [] { return provider({"public.data"}, "a.zip"); };
    EXPECT_EQ(tarvo::fileTypeKey({}), "file");
    EXPECT_EQ(tarvo::fileTypeKey({zip()}), "zip");
    EXPECT_EQ(tarvo::fileTypeKey({zip(), zip()}), "zip");
    EXPECT_EQ(tarvo::fileTypeKey({photo(), photo(), photo()}), "image");
    EXPECT_EQ(tarvo::fileTypeKey({photo(), provider({"public.mpeg-4"})}), "mixed");
    EXPECT_EQ(tarvo::fileTypeCategories({zip(), photo(), nullptr}), (std::vector<std::string>{"zip", "image", "file"}));
}

TEST(PayloadKeys, BiasKey) {
    EXPECT_EQ(tarvo::makeBiasKey("text", std::nullopt), "text");
    EXPECT_EQ(tarvo::makeBiasKey("text", std::string("   ")), "text");
    EXPECT_EQ(tarvo::makeBiasKey(" image \n", std::string("\tcom.apple.mobileslideshow ")), "image@com.apple.mobileslideshow");
    EXPECT_EQ(tarvo::makeBiasKey("zip", std::string("com.example.app")), "zip@com.example.app");
}

TEST(PayloadKeys, PathComponentAndArchiveStem) {
    struct Case {
        std::string in, out;
    };
    for (const Case& c : std::vector<Case>{
             {"a/b/c", "a-b-c"},
             {".", "artifact"},
             {"..", "artifact"},
             {"   ", "artifact"},
             {"", "artifact"},
             {std::string("na\0me", 5), "name"},
             {"my project", "my project"},
             {" .hidden ", ".hidden"},
             {"back\\slash:colon", "back\\slash:colon"},
             {std::string("/\0/", 3), "--"},
         }) {
        EXPECT_EQ(tarvo::sanitizePathComponent(c.in), c.out) << c.in;
    }
    for (const Case& c : std::vector<Case>{
             {"/var/uploads/2024/release.zip", "release"},
             {"release.tar.gz", "release.tar"},
             {"Makefile", "Makefile"},
             {"   .zip", "artifact"},
             {".bashrc", ".bashrc"},
             {"dir/sub/", "sub"},
             {"", "artifact"},
             {"with space .zip", "with space"},
         }) {
        EXPECT_EQ(tarvo::archiveStem(c.in), c.out) << c.in;
    }
}

TEST(PayloadKeys, Sha256Hex) {
    EXPECT_EQ(tarvo::shareSHA256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(tarvo::shareSHA256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

TEST(ShareInputItems, CollectsAttachmentsOfExtensionItemsInOrder) {
    struct Other : platform::NSObject {};
    platform::NSExtensionContext context;
    auto a = provider({"public.jpeg"}), b = provider({"public.png"}), c = provider({"public.url"});
    auto first = std::make_shared<platform::NSExtensionItem>();
    first->attachments = std::vector{a, b};
    auto bare = std::make_shared<platform::NSExtensionItem>();  // no attachment list
    auto second = std::make_shared<platform::NSExtensionItem>();
    second->attachments = std::vector{c};
    context.inputItems = {first, std::make_shared<Other>(), bare, second};
    auto providers = tarvo::collectProviders(&context);
    ASSERT_EQ(providers.size(), 3u);
    EXPECT_EQ(providers[0], a);
    EXPECT_EQ(providers[1], b);
    EXPECT_EQ(providers[2], c);
    EXPECT_TRUE(tarvo::collectProviders(nullptr).empty());
}

TEST(ShareInputItems, SourceBundleIdentifierOnlyWhenOffered) {
    EXPECT_EQ(tarvo::sourceApplicationBundleIdentifierBestEffort(nullptr), std::nullopt);
    platform::NSExtensionContext context;
    EXPECT_EQ(tarvo::sourceApplicationBundleIdentifierBestEffort(&context), std::nullopt);
    const char* key = "sourceApplicationBundleIdentifier";
    context.setValueForKey(key, platform::PropertyList(std::int64_t{42}));
    EXPECT_EQ(tarvo::sourceApplicationBundleIdentifierBestEffort(&context), std::nullopt);
    context.setValueForKey(key, platform::PropertyList("   "));
    EXPECT_EQ(tarvo::sourceApplicationBundleIdentifierBestEffort(&context), std::nullopt);
    context.setValueForKey(key, platform::PropertyList(" com.apple.mobilesafari\n"));
    EXPECT_EQ(tarvo::sourceApplicationBundleIdentifierBestEffort(&context), "com.apple.mobilesafari");
}

}  // namespace
