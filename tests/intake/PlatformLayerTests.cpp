// The platform pieces the intake stands on: type identifiers, item providers, the extension
// request, the directory walk, file handles and mapped reads, and JPEG encoding.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <future>
#include <thread>
#include <turbojpeg.h>

#include "IntakeTestSupport.h"
#include "platform/extension/NSExtensionContext.h"
#include "platform/extension/UTType.h"
#include "platform/filesystem/DirectoryEnumerator.h"
#include "platform/filesystem/FileHandle.h"
#include "platform/filesystem/FileSystemError.h"
#include "platform/filesystem/MappedFile.h"
#include "platform/foundation/Text.h"

using namespace intake_test;
using platform::NSItemProvider;
using platform::ProviderData;
using platform::ProviderItem;
using platform::UTType;

namespace {

TEST(UTTypeTable, ConformanceExtensionsAndMimeTypes) {
    EXPECT_TRUE(UTType::jpeg().conforms(UTType::image()));
    EXPECT_TRUE(UTType::jpeg().conforms(UTType::data()));
    EXPECT_TRUE(UTType::jpeg().conforms(UTType::item()));
    EXPECT_FALSE(UTType::image().conforms(UTType::jpeg()));
    EXPECT_TRUE(UTType::folder().conforms(UTType::item()));
    EXPECT_FALSE(UTType::folder().conforms(UTType::data()));
    EXPECT_TRUE(UTType::fileURL().conforms(UTType::url()));
    EXPECT_TRUE(UTType::utf8PlainText().conforms(UTType::plainText()));
    EXPECT_TRUE(UTType::heic().conforms(UTType::image()));
    EXPECT_TRUE(UTType::identifierConforms("COM.PKWARE.ZIP-ARCHIVE", "public.zip-archive"));
    EXPECT_TRUE(UTType::identifierConforms("org.unknown", "ORG.UNKNOWN"));
    EXPECT_FALSE(UTType::identifierConforms("org.unknown", "public.item"));

    struct Case {
        const char* ext;
        const char* identifier;
        const char* mime;
    };
    for (const Case& c : std::vector<Case>{{"jpg", "public.jpeg", "image/jpeg"},
                                           {"JPEG", "public.jpeg", "image/jpeg"},
                                           {"png", "public.png", "image/png"},
                                           {"pdf", "com.adobe.pdf", "application/pdf"},
                                           {"zip", "public.zip-archive", "application/zip"},
                                           {"txt", "public.plain-text", "text/plain"},
                                           {"sh", "public.shell-script", "application/x-sh"},
                                           {"mov", "com.apple.quicktime-movie", "video/quicktime"}}) {
        auto t = UTType::fromFilenameExtension(c.ext);
        ASSERT_TRUE(t) << c.ext;
        EXPECT_EQ(t->identifier(), c.identifier);
        EXPECT_EQ(t->preferredMIMEType(), c.mime);
    }
    EXPECT_FALSE(UTType::fromFilenameExtension("nope"));
    EXPECT_FALSE(UTType::fromFilenameExtension(""));
    EXPECT_FALSE(UTType::fromFilenameExtension("png", UTType::text()));
    EXPECT_EQ(UTType::jpeg().preferredFilenameExtension(), "jpeg");
    EXPECT_EQ(UTType::image().preferredFilenameExtension(), std::nullopt);
    EXPECT_FALSE(UTType::fromIdentifier("dyn.ah62d4rv4ge8"));
}

class ItemProviderTest : public IntakeTest {
protected:
    template <class T, class Start>
    T wait(Start start) {
        std::promise<T> promise;
        auto future = promise.get_future();
        start(std::move(promise));
        EXPECT_EQ(future.wait_for(std::chrono::seconds(10)), std::future_status::ready);
        return future.get();
    }
};

TEST_F(ItemProviderTest, TypesAndConformance) {
    auto p = NSItemProvider::make();
    p->registerItem("public.png", ProviderItem(std::string("a")));
    p->registerDataRepresentation("public.png", ProviderData{1});
    p->registerItem("public.url", ProviderItem(std::string("b")));
    EXPECT_EQ(p->registeredTypeIdentifiers(), (std::vector<std::string>{"public.png", "public.url"}));
    EXPECT_TRUE(p->hasItemConformingToTypeIdentifier("public.image"));
    EXPECT_TRUE(p->hasItemConformingToTypeIdentifier("PUBLIC.DATA"));
    EXPECT_FALSE(p->hasItemConformingToTypeIdentifier("public.movie"));
    EXPECT_FALSE(p->canLoadObject(NSItemProvider::ObjectClass::image));
    EXPECT_TRUE(NSItemProvider::withImage(nullptr)->canLoadObject(NSItemProvider::ObjectClass::image));
    EXPECT_EQ(NSItemProvider::contentsOf(in("missing")), nullptr);
}

TEST_F(ItemProviderTest, AHandedFileExistsOnlyDuringTheCallback) {
    writeFile(in("a.txt"), "contents");
    auto p = NSItemProvider::contentsOf(in("a.txt"));
    auto [path, contents] = wait<std::pair<std::string, std::string>>([&](auto promise) {
        auto shared = std::make_shared<decltype(promise)>(std::move(promise));
        p->loadFileRepresentation("public.data", [shared](std::optional<platform::URL> url, std::exception_ptr e) {
            if (e || !url) {
                shared->set_value({"", ""});
                return;
            }
            shared->set_value({url->path(), readFile(url->path())});
        });
    });
    EXPECT_EQ(contents, "contents");
    EXPECT_NE(path, in("a.txt")) << "a copy is handed over, never the original";
    // The copy is removed right after the callback, on the provider's own thread.
    tarvo_test::testQueue().runUntil([&] { return listNames(outDir()).empty(); }, std::chrono::seconds(5));
    EXPECT_FALSE(fs::exists(path));
    EXPECT_TRUE(listNames(outDir()).empty());
    EXPECT_EQ(readFile(in("a.txt")), "contents");
}

TEST_F(ItemProviderTest, FileAndDataRepresentationsServeEachOther) {
    writeFile(in("b.bin"), "file bytes");
    auto fileOnly = NSItemProvider::contentsOf(in("b.bin"));
    auto data = wait<ProviderData>([&](auto promise) {
        auto shared = std::make_shared<decltype(promise)>(std::move(promise));
        fileOnly->loadDataRepresentation("public.data", [shared](std::optional<ProviderData> d, std::exception_ptr) {
            shared->set_value(d.value_or(ProviderData{}));
        });
    });
    EXPECT_EQ(std::string(data.begin(), data.end()), "file bytes");

    auto dataOnly = NSItemProvider::make();
    dataOnly->setSuggestedName("photo");
    dataOnly->registerDataRepresentation("public.jpeg", ProviderData{'j', 'p', 'g'});
    auto seen = wait<std::pair<std::string, std::string>>([&](auto promise) {
        auto shared = std::make_shared<decltype(promise)>(std::move(promise));
        dataOnly->loadFileRepresentation("public.image", [shared](std::optional<platform::URL> url, std::exception_ptr) {
            shared->set_value(url ? std::pair{url->lastPathComponent(), readFile(url->path())} : std::pair{std::string(), std::string()});
        });
    });
    EXPECT_EQ(seen.first, "photo.jpeg");
    EXPECT_EQ(seen.second, "jpg");

    // A long suggested name is shortened for the file system on a character boundary: the
    // handed file's name becomes the name the item travels under.
    std::string longName;
    for (int i = 0; i < 100; ++i) longName += "\xe2\x82\xac";  // 300 bytes of three-byte characters
    dataOnly->setSuggestedName(longName);
    auto cut = wait<std::string>([&](auto promise) {
        auto shared = std::make_shared<decltype(promise)>(std::move(promise));
        dataOnly->loadFileRepresentation("public.image", [shared](std::optional<platform::URL> url, std::exception_ptr) {
            shared->set_value(url ? url->lastPathComponent() : std::string());
        });
    });
    EXPECT_TRUE(platform::text::isValidUTF8(cut)) << "cut inside a character";
    EXPECT_LE(cut.size(), 255u);
    EXPECT_TRUE(cut.ends_with("\xe2\x82\xac.jpeg"));
}

TEST(ExtensionContext, TheFirstEndingWins) {
    platform::NSExtensionContext context;
    std::vector<platform::NSExtensionContext::RequestState> seen;
    context.setOutcomeHandler([&](const auto& outcome) { seen.push_back(outcome.state); });
    EXPECT_FALSE(context.respondsToSelector("sourceApplicationBundleIdentifier"));
    context.cancelRequest(platform::NSError("ShareExtension", 0, "Cancelled."));
    bool expired = false;
    context.completeRequest({}, [&](bool e) { expired = e; });
    EXPECT_TRUE(expired) << "a second ending is refused";
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], platform::NSExtensionContext::RequestState::cancelled);
    EXPECT_EQ(context.outcome().cancellationError->localizedDescription, "Cancelled.");
}

TEST(DirectoryWalk, NeverFollowsLinksAndVisitsEverythingOnce) {
    TempDir d;
    writeFile(d / "b/inner.txt", "i");
    writeFile(d / "a.txt", "a");
    writeFile(d / ".hidden/x", "x");
    fs::create_symlink(d / "b", d / "link-to-b");
    fs::create_symlink(d.path(), d / "b/loop");
    auto e = platform::DirectoryEnumerator::make(d.path());
    ASSERT_TRUE(e);
    std::vector<std::string> seen;
    while (auto entry = e->nextObject()) {
        std::string rel = entry->path.substr(d.path().size() + 1);
        if (entry->isSymbolicLink) rel += "@";
        else if (entry->isDirectory) rel += "/";
        else if (entry->isRegularFile) rel += " " + std::to_string(entry->fileSize);
        seen.push_back(rel);
    }
    EXPECT_EQ(seen, (std::vector<std::string>{".hidden/", ".hidden/x 1", "a.txt 1", "b/", "b/inner.txt 1", "b/loop@", "link-to-b@"}));
    EXPECT_EQ(platform::DirectoryEnumerator::make(d / "a.txt"), nullptr);
    EXPECT_EQ(platform::DirectoryEnumerator::make(d / "missing"), nullptr);
}

TEST(DirectoryWalk, UnreadableFoldersGoToTheErrorHandler) {
    TempDir d;
    writeFile(d / "open/a", "a");
    writeFile(d / "shut/b", "b");
    fs::permissions(d.path(), fs::perms::all);
    fs::permissions(d / "open", fs::perms::all);
    fs::permissions(d / "open/a", fs::perms::all);
    fs::permissions(d / "shut", fs::perms::none);
    auto body = [&]() -> int {
        std::vector<std::string> errors, files;
        auto e = platform::DirectoryEnumerator::make(d.path(), [&](const std::string& path, const platform::NSError&) {
            errors.push_back(path);
            return true;
        });
        if (!e) return 10;
        while (auto entry = e->nextObject())
            if (entry->isRegularFile) files.push_back(entry->path);
        if (errors != std::vector<std::string>{d / "shut"}) return 11;
        if (files != std::vector<std::string>{d / "open/a"}) return 12;
        return 0;
    };
    int status;
    if (::geteuid() != 0) {
        status = body();
    } else {
        pid_t pid = ::fork();
        if (pid == 0) {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(90);
            ::_exit(body());
        }
        int raw = 0;
        ::waitpid(pid, &raw, 0);
        status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 91;
    }
    EXPECT_EQ(status, 0);
}

TEST(FileLayer, HandlesReportErrnoAndMappedReadsSeeWholeFiles) {
    TempDir d;
    try {
        platform::FileHandle::forReading(d / "missing");
        ADD_FAILURE();
    } catch (const platform::FileSystemError& e) {
        EXPECT_EQ(e.domain(), platform::kCocoaErrorDomain);
        EXPECT_EQ(e.code(), platform::kFileReadNoSuchFileError);
        EXPECT_EQ(e.posixCode(), ENOENT);
        EXPECT_EQ(e.filePath(), d / "missing");
    }
    fs::create_symlink("/etc/hostname", d / "link");
    EXPECT_THROW(platform::FileHandle::forReading(d / "link", false), platform::FileSystemError);
    auto dir = platform::FileHandle::forReading(d.path());
    char buf[8];
    try {
        platform::posixRead(dir.fileDescriptor(), buf, sizeof buf, d.path());
        ADD_FAILURE();
    } catch (const platform::FileSystemError& e) {
        EXPECT_EQ(e.domain(), platform::kPOSIXErrorDomain);
        EXPECT_EQ(e.code(), EISDIR);
        EXPECT_EQ(e.filePath(), d.path());
    }

    writeFile(d / "data.bin", std::string(100000, 'q'));
    auto mapped = platform::MappedFile::open(d / "data.bin");
    EXPECT_TRUE(mapped.isMapped());
    EXPECT_EQ(mapped.size(), 100000u);
    writeFile(d / "empty", "");
    EXPECT_EQ(platform::MappedFile::open(d / "empty").size(), 0u);
    auto proc = platform::MappedFile::open("/proc/self/status");  // size 0 on disk, not empty
    EXPECT_FALSE(proc.isMapped());
    EXPECT_GT(proc.size(), 0u);
    EXPECT_THROW(platform::MappedFile::open(d.path()), platform::FileSystemError);
}

TEST(FileLayer, CopiesAndAtomicWrites) {
    TempDir d;
    auto& fm = platform::FileManager::defaultManager();
    writeFile(d / "src", std::string(3000000, 's'));
    fm.copyItem(d / "src", d / "dst");
    EXPECT_EQ(readFile(d / "dst"), readFile(d / "src"));
    EXPECT_THROW(fm.copyItem(d / "src", d / "dst"), platform::FileSystemError) << "never overwrites";
    EXPECT_THROW(fm.copyItem(d.path(), d / "dir-copy"), platform::FileSystemError);
    EXPECT_FALSE(fs::exists(d / "dir-copy"));
    fm.copyItem("/proc/self/status", d / "status");
    EXPECT_FALSE(readFile(d / "status").empty());

    fm.writeAtomically(d / "w", std::string_view("one"));
    fm.writeAtomically(d / "w", std::string_view("two"));
    EXPECT_EQ(readFile(d / "w"), "two");
    EXPECT_THROW(fm.writeAtomically(d / "no/such/dir/w", std::string_view("x")), platform::FileSystemError);
    for (const auto& name : listNames(d.path())) EXPECT_FALSE(name.starts_with(".tarvo-write")) << "staging file left";

    EXPECT_EQ(platform::standardizedPath("/a/./b//c/../d/"), "/a/b/d");
    EXPECT_EQ(platform::standardizedPath("/../x"), "/x");
    EXPECT_EQ(platform::standardizedPath("rel/../../y"), "../y");
}

TEST(JPEGImage, EncodesAtTheRequestedQuality) {
    std::vector<std::uint8_t> px(40 * 30 * 4);
    for (std::size_t i = 0; i < px.size(); ++i) px[i] = static_cast<std::uint8_t>(i * 37);
    auto image = platform::UIImage::make(40, 30, px);
    ASSERT_TRUE(image);
    auto high = image->jpegData(0.92);
    auto low = image->jpegData(0.1);
    ASSERT_TRUE(high && low);
    EXPECT_GT(high->size(), low->size());
    tjhandle tj = tjInitDecompress();
    int w = 0, h = 0, sub = 0, cs = 0;
    ASSERT_EQ(tjDecompressHeader3(tj, high->data(), high->size(), &w, &h, &sub, &cs), 0);
    tjDestroy(tj);
    EXPECT_EQ(w, 40);
    EXPECT_EQ(h, 30);
    EXPECT_EQ(platform::UIImage::make(2, 2, {1, 2, 3}), nullptr);
    EXPECT_EQ(platform::UIImage::make(0, 0, {})->jpegData(0.9), std::nullopt);
}

}  // namespace
