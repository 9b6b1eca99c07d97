// Frames laid out by the batch writer decode back to exactly the messages given, whatever the
// staging buffer's size cuts, and a stop never leaves half a frame on the wire.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/net/detail/ClientFrames.h"

namespace {

using platform::net_detail::ClientFrameStager;
using platform::net_detail::MaskKey;
using platform::net_detail::MaskKeySource;

struct Decoded {
    bool text = false;
    std::string payload;
    MaskKey key{};
};

// A server's reading of client frames (RFC 6455): FIN set, masked, one frame per message.
std::vector<Decoded> decode(const std::string& wire) {
    std::vector<Decoded> out;
    std::size_t at = 0;
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(wire.at(i)); };
    while (at < wire.size()) {
        const unsigned char b0 = byte(at), b1 = byte(at + 1);
        EXPECT_EQ(b0 & 0xf0, 0x80) << "FIN, no reserved bits";
        EXPECT_TRUE(b1 & 0x80) << "masked";
        std::uint64_t len = b1 & 0x7f;
        at += 2;
        const int extra = len == 126 ? 2 : len == 127 ? 8 : 0;
        if (extra) {
            len = 0;
            for (int i = 0; i < extra; ++i) len = (len << 8) | byte(at++);
            EXPECT_TRUE(extra == 2 ? len >= 126 : len > 0xffff) << "shortest length form";
        }
        Decoded d;
        d.text = (b0 & 0x0f) == 1;
        for (auto& k : d.key) k = byte(at++);
        if (at + len > wire.size()) {
            ADD_FAILURE() << "frame cut short";
            return out;
        }
        for (std::uint64_t i = 0; i < len; ++i) d.payload.push_back(static_cast<char>(byte(at + i) ^ d.key[i % 4]));
        at += len;
        out.push_back(std::move(d));
    }
    return out;
}

std::string pattern(std::size_t n, unsigned seed) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 131 + seed * 7 + (i >> 8)) & 0xff);
    return s;
}

// Runs the stager to the end, optionally stopping once `stopAt` bytes of the whole stream are
// out (as the writer does between two socket writes).
std::string stage(const std::vector<std::string>& payloads, std::size_t capacity, std::size_t stopAt = SIZE_MAX) {
    MaskKeySource keys;
    std::vector<ClientFrameStager::Message> messages;
    for (std::size_t i = 0; i < payloads.size(); ++i) messages.push_back({payloads[i], i % 3 != 2});
    std::vector<unsigned char> buffer(capacity);
    ClientFrameStager stager(std::move(messages), buffer.data(), capacity, keys);
    std::string wire;
    while (stager.fill()) {
        std::size_t size = stager.size();
        if (!stager.stopped() && wire.size() + size > stopAt) size = stager.stopAfterCurrent(stopAt - wire.size());
        wire.append(reinterpret_cast<const char*>(stager.data()), size);
    }
    return wire;
}

TEST(ClientFrames, EveryLengthFormAndEveryCutDecodesToTheMessagesGiven) {
    const std::vector<std::string> payloads = {pattern(0, 1),     pattern(125, 2),   pattern(126, 3),
                                               pattern(65535, 4), pattern(65536, 5), pattern(44, 6),
                                               pattern(300001, 7), pattern(7, 8)};
    // 64 bytes splits nearly every frame, header included in none; the larger ones cut frames at
    // every phase of the key.
    for (const std::size_t capacity : {64u, 1001u, 4096u, 1u << 20}) {
        SCOPED_TRACE(capacity);
        const auto frames = decode(stage(payloads, capacity));
        ASSERT_EQ(frames.size(), payloads.size());
        for (std::size_t i = 0; i < payloads.size(); ++i) {
            EXPECT_EQ(frames[i].payload, payloads[i]) << i;
            EXPECT_EQ(frames[i].text, i % 3 != 2) << i;
        }
        EXPECT_NE(frames[0].key, frames[1].key) << "each frame draws its own key";
    }
}

TEST(ClientFrames, AStopFinishesTheFrameUnderWayAndStartsNoOther) {
    const std::vector<std::string> payloads = {pattern(1000, 1), pattern(5000, 2), pattern(1000, 3)};
    const std::size_t firstEnd = 4 + 4 + 1000;         // 2 + 2 length + 4 key
    const std::size_t secondEnd = firstEnd + 8 + 5000;
    struct Case {
        std::size_t capacity;
        std::size_t stopAt;
        std::size_t frames;
    };
    const Case cases[] = {
        {1u << 20, 0, 0},          // nothing out yet: nothing goes
        {1u << 20, 10, 1},         // inside the first frame
        {1u << 20, firstEnd, 1},   // exactly between two frames
        {1u << 20, firstEnd + 1, 2},
        {2048, firstEnd + 1, 2},   // the second frame runs over several buffers
        {2048, 2048, 2},           // a stop at a buffer's end, mid-frame
        {2048, secondEnd, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.capacity << " stop at " << c.stopAt);
        const std::string wire = stage(payloads, c.capacity, c.stopAt);
        const auto frames = decode(wire);
        ASSERT_EQ(frames.size(), c.frames);
        for (std::size_t i = 0; i < frames.size(); ++i) EXPECT_EQ(frames[i].payload, payloads[i]);
    }
}

TEST(ClientFrames, MaskingInPiecesAtAnyOffsetEqualsMaskingWhole) {
    const std::string payload = pattern(203, 9);
    const MaskKey key{0x12, 0x34, 0x56, 0x78};
    std::string whole(payload.size(), '\0');
    platform::net_detail::maskCopy(reinterpret_cast<unsigned char*>(whole.data()),
                                   reinterpret_cast<const unsigned char*>(payload.data()), payload.size(), key, 0);
    for (std::size_t i = 0; i < payload.size(); ++i)
        ASSERT_EQ(static_cast<unsigned char>(whole[i]), static_cast<unsigned char>(payload[i]) ^ key[i % 4]) << i;
    for (const std::size_t cut : {1u, 3u, 8u, 37u, 101u}) {
        std::string pieces(payload.size(), '\0');
        for (std::size_t at = 0; at < payload.size(); at += cut) {
            const std::size_t n = std::min(cut, payload.size() - at);
            platform::net_detail::maskCopy(reinterpret_cast<unsigned char*>(pieces.data()) + at,
                                           reinterpret_cast<const unsigned char*>(payload.data()) + at, n, key, at);
        }
        EXPECT_EQ(pieces, whole) << cut;
    }
}

// Keys a server could foresee would defeat masking: each source draws its own, and a source
// keeps drawing new ones past its block of pre-drawn keys.
TEST(ClientFrames, MaskKeysDifferBetweenConnectionsAndAcrossRefills) {
    auto draw = [](MaskKeySource& keys, int n) {
        std::string out;
        for (int i = 0; i < n; ++i) {
            const MaskKey k = keys.next();
            out.append(reinterpret_cast<const char*>(k.data()), k.size());
        }
        return out;
    };
    MaskKeySource a, b;
    const std::string firstBlock = draw(a, 256), secondBlock = draw(a, 256);
    EXPECT_NE(firstBlock, draw(b, 256));
    EXPECT_NE(firstBlock, secondBlock);
    EXPECT_NE(secondBlock, std::string(secondBlock.size(), secondBlock[0]));
}

}  // namespace
