// Shared items to temporary files: each kind of provider in the probing order, the image
// fallbacks, the eight intake errors, and the loaders' exactly-once completion.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <future>
#include <thread>

#include "IntakeTestSupport.h"
#include "TarvoShareExtension/Intake/ItemMaterializer.h"
#include "TarvoShareExtension/Intake/ShareIntakeError.h"
#include "TarvoShareExtension/Intake/ZipListingReader.h"
#include "platform/foundation/Text.h"
#include "platform/foundation/Uuid.h"

using namespace intake_test;
using platform::NSItemProvider;
using platform::ProviderData;
using platform::ProviderItem;
using platform::URL;
using tarvo::TempItem;

namespace {

class ItemMaterializerTest : public IntakeTest {
protected:
    TempItem materialize(std::shared_ptr<NSItemProvider> p) { return runTask(tarvo::materializeToTempFile(std::move(p), outDir())); }

    // The "ShareExtension" code a failing operation ends with (-1: other error, -2: no error).
    template <class T>
    std::int64_t codeOf(platform::Async<T> op) {
        try {
            runTask(std::move(op));
        } catch (const platform::NSError& e) {
            if (e.domain() != "ShareExtension") return -1;
            EXPECT_EQ(e.localizedDescription(), tarvo::shareIntakeErrorText(static_cast<tarvo::ShareIntakeErrorCode>(e.code())));
            return e.code();
        } catch (...) {
            return -1;
        }
        return -2;
    }

    // The temporary file's own name.
    static std::string diskName(const TempItem& item) { return fs::path(item.url.path()).filename().string(); }

    // Only the expected outputs are in the temporary directory (no provider leftovers).
    // The provider removes a handed-over copy on its own thread just after the callback, so
    // allow it a moment.
    void expectOutputs(std::size_t count) {
        tarvo_test::testQueue().runUntil([&] { return listNames(outDir()).size() == count; }, std::chrono::seconds(5));
        EXPECT_EQ(listNames(outDir()).size(), count);
    }
};

std::shared_ptr<platform::UIImage> checkerboard(int w, int h) {
    std::vector<std::uint8_t> px(static_cast<std::size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            auto* p = &px[(static_cast<std::size_t>(y) * w + x) * 4];
            const std::uint8_t v = ((x / 4 + y / 4) % 2) ? 230 : 20;
            p[0] = v;
            p[1] = static_cast<std::uint8_t>(x * 8);
            p[2] = static_cast<std::uint8_t>(y * 8);
            p[3] = 255;
        }
    return platform::UIImage::make(w, h, std::move(px));
}

TEST_F(ItemMaterializerTest, AFolderBecomesOneZipArchive) {
    writeFile(in("My Project/run.sh"), "#!/bin/sh\n");
    writeFile(in("My Project/src/a.c"), "int main;");
    auto item = materialize(NSItemProvider::contentsOf(in("My Project")));
    EXPECT_EQ(item.filename, "My Project.zip");
    EXPECT_EQ(item.contentType, "application/zip");
    EXPECT_EQ(tarvo::listZipEntries(item.url, 10).size(), 2u);
    expectOutputs(1);
}

TEST_F(ItemMaterializerTest, AFolderHandedOverOnlyForTheCallbackIsCopiedInTime) {
    // No URL item: the folder comes as a file representation, a copy that the provider
    // deletes as soon as the callback returns.
    writeFile(in("Handed/inside.txt"), "inside");
    auto p = NSItemProvider::make();
    p->registerFileRepresentation("public.folder", in("Handed"));
    auto item = materialize(p);
    EXPECT_EQ(item.filename, "Handed.zip");
    auto entries = tarvo::listZipEntries(item.url, 10);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].path, "inside.txt");
    expectOutputs(1);
}

TEST_F(ItemMaterializerTest, AFileURLIsCopiedUnderAUUIDWithTheLowercasedExtension) {
    writeFile(in("REPORT.PDF"), "%PDF-1.4");
    auto item = materialize(NSItemProvider::withItem(URL::fileURL(in("REPORT.PDF")), "public.file-url"));
    EXPECT_EQ(item.filename, "REPORT.PDF");
    EXPECT_EQ(item.contentType, "application/pdf");
    EXPECT_TRUE(platform::isUUIDString(diskName(item).substr(0, 36)));
    EXPECT_EQ(diskName(item).substr(36), ".pdf");
    EXPECT_EQ(readFile(item.url.path()), "%PDF-1.4");

    writeFile(in("Makefile"), "all:");
    item = materialize(NSItemProvider::withItem(URL::fileURL(in("Makefile")), "public.file-url"));
    EXPECT_EQ(diskName(item).size(), 36u) << "no extension, no dot";
    EXPECT_EQ(item.contentType, "application/octet-stream");

    // A file URL naming a folder becomes its archive.
    writeFile(in("dir/x"), "x");
    item = materialize(NSItemProvider::withItem(URL::fileURL(in("dir"), true), "public.file-url"));
    EXPECT_EQ(item.filename, "dir.zip");
    expectOutputs(3);
}

TEST_F(ItemMaterializerTest, AFileURLNamingAPipeFailsWithoutWaitingForAWriter) {
    fs::create_directories(in(""));
    const std::string pipe = in("pipe.txt");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    auto copy = std::async(std::launch::async, [&] {
        try {
            tarvo::copySecurityScopedToTemp(URL::fileURL(pipe), outDir());
            return false;
        } catch (const platform::NSError&) {
            return true;
        }
    });
    if (copy.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        ADD_FAILURE() << "opening the pipe waited for a writer";
        int fd = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK);  // lets the stuck open return
        if (fd >= 0) ::close(fd);
    }
    EXPECT_TRUE(copy.get()) << "a pipe is not a file to copy";
    expectOutputs(0);
}

TEST_F(ItemMaterializerTest, ProbesTheTypesInTheFixedOrder) {
    writeFile(in("folder/x.txt"), "x");
    writeFile(in("plain.txt"), "plain");
    writeFile(in("second.txt"), "second");
    auto failingFile = [](NSItemProvider& p, const std::string& type) {
        p.registerFileRepresentation(type, [](NSItemProvider::FileCompletion done) {
            done(std::nullopt, std::make_exception_ptr(platform::NSError("Elsewhere", 5, "gone")));
        });
    };
    struct Case {
        const char* name;
        std::function<void(NSItemProvider&)> build;
        std::string filename;
    };
    const std::vector<Case> cases = {
        {"folder before file URL",
         [&](NSItemProvider& p) {
             p.registerItem("public.file-url", ProviderItem(URL::fileURL(in("plain.txt"))));
             p.registerItem("public.folder", ProviderItem(URL::fileURL(in("folder"), true)));
         },
         "folder.zip"},
        {"file URL before image",
         [&](NSItemProvider& p) {
             p.registerDataRepresentation("public.png", ProviderData{1});
             p.registerItem("public.file-url", ProviderItem(URL::fileURL(in("plain.txt"))));
         },
         "plain.txt"},
        {"image before link",
         [&](NSItemProvider& p) {
             p.setSuggestedName("shot");
             p.registerItem("public.url", ProviderItem(*URL::parse("https://example.com/")));
             failingFile(p, "public.png");
             p.registerDataRepresentation("public.png", ProviderData{1});
         },
         "shot.png"},
        {"data after a failing item representation",
         [&](NSItemProvider& p) {
             failingFile(p, "public.directory");  // an item, but not data
             p.registerFileRepresentation("public.plain-text", in("second.txt"));
         },
         "second.txt"},
        {"link before text",
         [&](NSItemProvider& p) {
             p.registerItem("public.plain-text", ProviderItem(std::string("words")));
             p.registerItem("public.url", ProviderItem(*URL::parse("https://example.com/")));
         },
         "link.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto p = NSItemProvider::make();
        c.build(*p);
        EXPECT_EQ(materialize(p).filename, c.filename);
    }
}

TEST_F(ItemMaterializerTest, AFileURLItemThatIsNotAURLFailsWith3) {
    EXPECT_EQ(codeOf(tarvo::materializeToTempFile(NSItemProvider::withItem(std::string("/tmp/x"), "public.file-url"), outDir())), 3);
    // A copy failure propagates unchanged.
    try {
        materialize(NSItemProvider::withItem(URL::fileURL(in("missing.txt")), "public.file-url"));
        ADD_FAILURE();
    } catch (const platform::NSError& e) {
        EXPECT_EQ(e.domain(), platform::kCocoaErrorDomain);
        EXPECT_EQ(e.code(), 260);
    }
}

TEST_F(ItemMaterializerTest, FilesSharedByContentGoThroughTheItemStep) {
    writeFile(in("notes.md"), "# notes");
    writeFile(in("blob.weird"), "???");
    auto md = materialize(NSItemProvider::contentsOf(in("notes.md")));
    EXPECT_EQ(md.filename, "notes.md");
    EXPECT_EQ(md.contentType, "text/markdown");
    auto blob = materialize(NSItemProvider::contentsOf(in("blob.weird")));
    EXPECT_EQ(blob.filename, "blob.weird");
    EXPECT_EQ(blob.contentType, "application/octet-stream");
    EXPECT_EQ(readFile(blob.url.path()), "???");
    // The same file shared twice: two files, one name.
    auto again = materialize(NSItemProvider::contentsOf(in("notes.md")));
    EXPECT_EQ(again.filename, md.filename);
    EXPECT_NE(again.url, md.url);
    expectOutputs(3);
}

TEST_F(ItemMaterializerTest, ImagesPreferTheFileThenTheRawDataThenAJPEGOfTheObject) {
    writeFile(in("pic.png"), "\x89PNG fake");
    auto file = materialize(NSItemProvider::contentsOf(in("pic.png")));
    EXPECT_EQ(file.filename, "pic.png");
    EXPECT_EQ(file.contentType, "image/png");

    struct Case {
        std::optional<std::string> suggested;
        std::string type;
        std::string filename, contentType;
    };
    for (const Case& c : std::vector<Case>{
             {"holiday", "public.jpeg", "holiday.jpeg", "image/jpeg"},
             {"holiday.png", "public.jpeg", "holiday.png", "image/jpeg"},  // a dot anywhere keeps the name
             {"   ", "public.heic", "image.heic", "image/heic"},
             {std::nullopt, "public.image", "image.img", "application/octet-stream"},
         }) {
        // The file representation fails, so the raw data is written.
        auto p = NSItemProvider::make();
        p->registerFileRepresentation(c.type, [](NSItemProvider::FileCompletion done) {
            done(std::nullopt, std::make_exception_ptr(platform::NSError("Elsewhere", 1, "no file")));
        });
        p->registerDataRepresentation(c.type, ProviderData{1, 2, 3});
        p->setSuggestedName(c.suggested);
        auto item = materialize(p);
        EXPECT_EQ(item.filename, c.filename);
        EXPECT_EQ(item.contentType, c.contentType);
        EXPECT_EQ(readFile(item.url.path()), std::string("\x01\x02\x03"));
        EXPECT_EQ(diskName(item).substr(36), "_" + c.filename);
    }

    auto image = checkerboard(32, 24);
    auto object = materialize(NSItemProvider::withImage(image));
    EXPECT_EQ(object.filename, "image.jpg");
    EXPECT_EQ(object.contentType, "image/jpeg");
    const auto expected = image->jpegData(0.92);
    ASSERT_TRUE(expected);
    EXPECT_EQ(readFile(object.url.path()), std::string(expected->begin(), expected->end()));
    EXPECT_NE(*expected, *image->jpegData(0.5)) << "the quality must matter";
    expectOutputs(6);
}

TEST_F(ItemMaterializerTest, PickBestTypeIdentifierOrder) {
    auto p = NSItemProvider::make();
    p->registerItem("com.example.thing", ProviderItem(std::string("x")));
    p->registerItem("public.tiff", ProviderItem(std::string("x")));
    p->registerItem("public.png", ProviderItem(std::string("x")));
    using platform::UTType;
    const std::vector<UTType> preferred = {UTType::jpeg(), UTType::png(), UTType::tiff()};
    EXPECT_EQ(tarvo::pickBestTypeIdentifier(*p, preferred, "fallback"), "public.png");
    EXPECT_EQ(tarvo::pickBestTypeIdentifier(*p, {UTType::jpeg()}, "fallback"), "public.tiff");
    auto q = NSItemProvider::make();
    q->registerItem("Public.GIF-not-known", ProviderItem(std::string("x")));
    q->registerItem("COM.COMPUSERVE.GIF", ProviderItem(std::string("x")));
    EXPECT_EQ(tarvo::pickBestTypeIdentifier(*q, {UTType::jpeg()}, "fallback"), "COM.COMPUSERVE.GIF");
    EXPECT_EQ(tarvo::pickBestTypeIdentifier(*NSItemProvider::make(), preferred, "fallback"), "fallback");
}

TEST_F(ItemMaterializerTest, LinksAndTextBecomeUTF8Files) {
    auto link = materialize(NSItemProvider::withItem(*URL::parse("https://example.com/a%20b?q=1"), "public.url"));
    EXPECT_EQ(link.filename, "link.txt");
    EXPECT_EQ(link.contentType, "text/plain; charset=utf-8");
    EXPECT_EQ(readFile(link.url.path()), URL::parse("https://example.com/a%20b?q=1")->absoluteString());

    const std::string text = "h\xc3\xa9llo\nno newline added";
    auto note = materialize(NSItemProvider::withItem(text, "public.plain-text"));
    EXPECT_EQ(note.filename, "note.txt");
    EXPECT_EQ(note.contentType, "text/plain; charset=utf-8");
    EXPECT_EQ(readFile(note.url.path()), text);
    EXPECT_EQ(diskName(note).substr(36), "_note.txt");

    // A text item that is not a string, and text that is not UTF-8.
    EXPECT_EQ(codeOf(tarvo::materializeToTempFile(NSItemProvider::withItem(URL::fileURL("/x"), "public.plain-text"), outDir())), 4);
    EXPECT_EQ(codeOf(tarvo::materializeToTempFile(NSItemProvider::withItem(std::string("bad \xff byte"), "public.plain-text"), outDir())), 5);
    // A link item that is a string is not taken as text.
    EXPECT_EQ(codeOf(tarvo::materializeToTempFile(NSItemProvider::withItem(std::string("https://x"), "public.url"), outDir())), 3);
    expectOutputs(2);
}

TEST_F(ItemMaterializerTest, AFailingImageFallsThroughToTheLaterSteps) {
    auto p = NSItemProvider::make();
    p->registerObject("public.image", [](NSItemProvider::ItemCompletion done) { done(std::string("not an image"), nullptr); });
    p->registerItem("public.url", ProviderItem(*URL::parse("https://example.com/")));
    auto item = materialize(p);
    EXPECT_EQ(item.filename, "link.txt");
    EXPECT_EQ(codeOf(tarvo::materializeImageToTempFile(p, outDir())), 7);
}

TEST_F(ItemMaterializerTest, TheLastResortTriesTheFirstRegisteredType) {
    writeFile(in("custom.thing"), "custom");
    auto p = NSItemProvider::make();
    p->registerFileRepresentation("org.example.custom", in("custom.thing"));
    auto item = materialize(p);
    EXPECT_EQ(item.filename, "custom.thing");
    EXPECT_EQ(readFile(item.url.path()), "custom");

    EXPECT_EQ(codeOf(tarvo::materializeToTempFile(NSItemProvider::make(), outDir())), 1);
    EXPECT_EQ(codeOf(tarvo::materializeToTempFile(nullptr, outDir())), 1);
    auto failing = NSItemProvider::make();
    failing->registerFileRepresentation("org.example.custom", [](NSItemProvider::FileCompletion done) {
        done(std::nullopt, std::make_exception_ptr(platform::NSError("Elsewhere", 9, "no")));
    });
    EXPECT_EQ(codeOf(tarvo::materializeToTempFile(failing, outDir())), 1);
}

TEST_F(ItemMaterializerTest, LoadersReportMissingValuesAndPassPlatformErrorsOn) {
    auto silentFile = NSItemProvider::make();
    silentFile->registerFileRepresentation("public.data", [](NSItemProvider::FileCompletion done) { done(std::nullopt, nullptr); });
    EXPECT_EQ(codeOf(tarvo::loadFileRepresentation(silentFile, "public.data", outDir())), 2);

    auto silentData = NSItemProvider::make();
    silentData->registerDataRepresentation("public.data", [](NSItemProvider::DataCompletion done) { done(std::nullopt, nullptr); });
    EXPECT_EQ(codeOf(tarvo::loadDataRepresentation(silentData, "public.data")), 6);

    EXPECT_EQ(codeOf(tarvo::loadUIImageAsJPEGData(NSItemProvider::withImage(nullptr))), 7);
    EXPECT_EQ(codeOf(tarvo::loadUIImageAsJPEGData(NSItemProvider::withImage(platform::UIImage::make(0, 0, {})))), 8);

    auto erring = NSItemProvider::make();
    erring->registerFileRepresentation("public.data", [](NSItemProvider::FileCompletion done) {
        done(std::nullopt, std::make_exception_ptr(platform::NSError("SomeDomain", 77, "platform says no")));
    });
    try {
        runTask(tarvo::loadFileRepresentation(erring, "public.data", outDir()));
        ADD_FAILURE();
    } catch (const platform::NSError& e) {
        EXPECT_EQ(e.domain(), "SomeDomain");
        EXPECT_EQ(e.code(), 77);
        EXPECT_EQ(e.localizedDescription(), "platform says no");
    }
    // Nothing registered for the type: the provider's own error.
    try {
        runTask(tarvo::loadDataRepresentation(NSItemProvider::make(), "public.data"));
        ADD_FAILURE();
    } catch (const platform::NSError& e) {
        EXPECT_EQ(e.domain(), platform::kItemProviderErrorDomain);
    }
}

TEST_F(ItemMaterializerTest, ALoaderCompletesOnceAndNeverHangs) {
    auto twice = NSItemProvider::make();
    twice->registerDataRepresentation("public.data", [](NSItemProvider::DataCompletion done) {
        done(ProviderData{1}, nullptr);
        done(ProviderData{2}, nullptr);
        done(std::nullopt, std::make_exception_ptr(platform::NSError("X", 1, "late")));
    });
    EXPECT_EQ(runTask(tarvo::loadDataRepresentation(twice, "public.data")), ProviderData{1});

    auto dropped = NSItemProvider::make();
    dropped->registerDataRepresentation("public.data", [](NSItemProvider::DataCompletion) {});
    EXPECT_THROW(runTask(tarvo::loadDataRepresentation(dropped, "public.data")), platform::NSError);

    // Completed later, from another thread: only once the load has asked for the item.
    std::promise<void> go;
    std::atomic<bool> asked{false};
    auto later = NSItemProvider::make();
    later->registerItem("public.plain-text",
                        [&asked, waiting = go.get_future().share()](NSItemProvider::ItemCompletion done) {
                            std::thread([done, waiting] {
                                waiting.wait();
                                done(std::string("late text"), nullptr);
                            }).detach();
                            asked = true;
                        });
    platform::MainQueue& queue = tarvo_test::testQueue();
    auto task = platform::startTask(queue.executor(),
                                    [later] { return tarvo::loadItemString(later, "public.plain-text"); });
    ASSERT_TRUE(queue.runUntil([&] { return asked.load(); }, tarvo_test::kTaskLimit));
    go.set_value();
    EXPECT_EQ(runTask(queue, task), "late text");
}

TEST_F(ItemMaterializerTest, OnDiskNamesAreSafeWhileTravellingNamesStayExact) {
    const std::string hostile = "../../etc/passwd";
    auto text = tarvo::writeTextToTemp("x", hostile, "text/plain", outDir());
    EXPECT_EQ(text.filename, hostile);
    EXPECT_EQ(fs::path(text.url.path()).parent_path().string(), outDir());
    EXPECT_EQ(diskName(text).substr(36), "_..-..-etc-passwd");

    const std::string withNul("a\0b.txt", 7);
    auto data = tarvo::writeDataToTemp(std::vector<std::uint8_t>{1}, withNul, "application/octet-stream", outDir());
    EXPECT_EQ(data.filename, withNul);
    EXPECT_EQ(diskName(data).substr(36), "_ab.txt");

    std::string longName;
    for (int i = 0; i < 100; ++i) longName += "\xc3\xa9";  // 200 bytes of two-byte characters
    longName += "-and-more-and-more-and-more.tar.gz";
    auto cut = tarvo::writeDataToTemp(std::vector<std::uint8_t>{1}, longName, "application/gzip", outDir());
    EXPECT_EQ(cut.filename, longName);
    EXPECT_LE(diskName(cut).size(), 255u);
    EXPECT_TRUE(platform::text::isValidUTF8(diskName(cut))) << "cut inside a character";
    EXPECT_TRUE(diskName(cut).ends_with(".gz"));

    auto blank = tarvo::writeDataToTemp(std::vector<std::uint8_t>{}, "  \n", "application/octet-stream", outDir());
    EXPECT_EQ(blank.filename, "shared.bin");
    EXPECT_EQ(readFile(blank.url.path()), "");
    auto spaced = tarvo::writeDataToTemp(std::vector<std::uint8_t>{}, " padded ", "x/y", outDir());
    EXPECT_EQ(spaced.filename, " padded ") << "a non-blank name is used untrimmed";
}

}  // namespace
