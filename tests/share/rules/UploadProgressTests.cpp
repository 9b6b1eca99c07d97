// Progress texts of an upload: fractions, detail and status lines, with counts and byte totals
// out of range or unknown.
#include <gtest/gtest.h>

#include <climits>

#include "TarvoShareExtension/ShareViewController/Rules/UploadProgressRenderState.h"

namespace tarvo::share {
namespace {

std::optional<TransferProgress> bytes(std::int64_t done, std::optional<std::int64_t> total) {
    TransferProgress p;
    p.doneBytes = done;
    p.totalBytes = total;
    return p;
}

TEST(UploadProgressRenderState, ItemsFilesAndOverallPercent) {
    struct Case {
        const char* name;
        long long index, count;
        std::optional<std::string> filename;
        std::optional<TransferProgress> progress;
        float fraction;
        std::string detail, status;
    };
    const std::vector<Case> cases = {
        {"first of three, nothing sent", 0, 3, std::nullopt, std::nullopt, 0.0f, "Overall 0% · item 1/3",
         "Uploading 1/3…"},
        {"a quarter of the second of four", 1, 4, " app.zip\n", bytes(50, 200), 0.3125f,
         "Overall 31% · item 2/4 · file 25% · 50 bytes / 200 bytes · app.zip", "Uploading 2/4…"},
        {"no total: no file percent", 0, 1, "a", bytes(50, std::nullopt), 0.0f, "Overall 0% · item 1/1 · 50 bytes · a",
         "Uploading 1/1…"},
        {"more done than the total", 0, 2, std::nullopt, bytes(300, 200), 0.5f,
         "Overall 50% · item 1/2 · file 100% · 300 bytes / 200 bytes", "Uploading 1/2…"},
        {"negative bytes", 1, 2, std::nullopt, bytes(-5, 200), 0.5f,
         "Overall 50% · item 2/2 · file 0% · -5 bytes / 200 bytes", "Uploading 2/2…"},
        {"index beyond the count", 5, 3, std::nullopt, std::nullopt, 1.0f, "Overall 100% · item 3/3",
         "Uploading 3/3…"},
        {"a count of zero counts as one", 0, 0, "  ", bytes(1, 2), 0.5f,
         "Overall 50% · item 1/1 · file 50% · 1 byte / 2 bytes", "Uploading 1/1…"},
        {"a negative index", -2, 3, std::nullopt, std::nullopt, 0.0f, "Overall 0% · item 1/3", "Uploading 1/3…"},
        // Shares that binary floating point cannot hold exactly still show their whole percent.
        {"29 of 100 bytes", 0, 1, std::nullopt, bytes(29, 100), 0.29f,
         "Overall 29% · item 1/1 · file 29% · 29 bytes / 100 bytes", "Uploading 1/1…"},
        {"item 29 of 100 begins", 28, 100, std::nullopt, bytes(1, 100), 0.2801f,
         "Overall 28% · item 29/100 · file 1% · 1 byte / 100 bytes", "Uploading 29/100…"},
        {"the last byte of item 29 of 100", 28, 100, std::nullopt, bytes(100, 100), 0.29f,
         "Overall 29% · item 29/100 · file 100% · 100 bytes / 100 bytes", "Uploading 29/100…"},
        {"one byte short of the whole", LLONG_MAX - 1, LLONG_MAX, std::nullopt,
         bytes(LLONG_MAX - 1, LLONG_MAX), 1.0f,
         "Overall 99% · item " + std::to_string(LLONG_MAX) + "/" + std::to_string(LLONG_MAX) +
             " · file 100% · " + TransferProgress{TransferDirection::upload, LLONG_MAX - 1, LLONG_MAX}.detailText(),
         "Uploading " + std::to_string(LLONG_MAX) + "/" + std::to_string(LLONG_MAX) + "…"},
        {"extreme counts", LLONG_MAX, LLONG_MAX, std::nullopt, std::nullopt, 1.0f,
         "Overall 100% · item " + std::to_string(LLONG_MAX) + "/" + std::to_string(LLONG_MAX),
         "Uploading " + std::to_string(LLONG_MAX) + "/" + std::to_string(LLONG_MAX) + "…"},
    };
    for (const auto& c : cases) {
        const UploadProgressRenderState state = makeUploadProgressState(c.index, c.count, c.filename, c.progress);
        EXPECT_FLOAT_EQ(state.fraction, c.fraction) << c.name;
        EXPECT_EQ(state.detail, c.detail) << c.name;
        EXPECT_EQ(state.status, c.status) << c.name;
    }
    // A zero total contributes nothing to the item's share and shows no file percent.
    const auto zero = makeUploadProgressState(0, 2, std::nullopt, bytes(10, 0));
    EXPECT_EQ(zero.fraction, 0.0f);
    EXPECT_EQ(zero.detail.find("file"), std::string::npos) << zero.detail;
}

TEST(UploadProgressRenderState, VerifiedItems) {
    struct Case {
        long long done, count;
        std::optional<std::string> filename;
        float fraction;
        std::string detail, status;
    };
    const std::vector<Case> cases = {
        {2, 3, std::nullopt, 2.0f / 3.0f, "Overall 66% · uploaded + verified 2/3", "Uploaded 2/3…"},
        {5, 3, "x.zip", 1.0f, "Overall 100% · uploaded + verified 3/3 · x.zip", "Uploaded 3/3…"},
        {-1, 0, " y ", 0.0f, "Overall 0% · uploaded + verified 0/1 · y", "Uploaded 0/1…"},
        {29, 100, std::nullopt, 0.29f, "Overall 29% · uploaded + verified 29/100", "Uploaded 29/100…"},
        {57, 100, std::nullopt, 0.57f, "Overall 57% · uploaded + verified 57/100", "Uploaded 57/100…"},
    };
    for (const auto& c : cases) {
        const UploadProgressRenderState state = uploadCompletionState(c.done, c.count, c.filename);
        EXPECT_FLOAT_EQ(state.fraction, c.fraction) << c.detail;
        EXPECT_EQ(state.detail, c.detail);
        EXPECT_EQ(state.status, c.status);
    }
    EXPECT_EQ(kPreparingUploadDetail, "Preparing upload…");
}

}  // namespace
}  // namespace tarvo::share
