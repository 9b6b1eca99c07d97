#include "platform/foundation/Base64.h"

#include <array>
#include <bit>
#include <cstring>

namespace platform {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::array<std::int8_t, 256> makeDecodeTable() {
    std::array<std::int8_t, 256> table{};
    for (auto& v : table) v = -1;
    for (int i = 0; i < 64; ++i) table[static_cast<unsigned char>(kAlphabet[i])] = static_cast<std::int8_t>(i);
    return table;
}
constexpr auto kDecode = makeDecodeTable();

// Two characters for each 12-bit value: three input bytes take two look-ups and two stores.
struct PairTable {
    std::array<char, 2 * 4096> chars{};
    constexpr PairTable() {
        for (int i = 0; i < 4096; ++i) {
            chars[2 * i] = kAlphabet[i >> 6];
            chars[2 * i + 1] = kAlphabet[i & 63];
        }
    }
};
constexpr PairTable kPairs;

inline void putPair(char* out, std::uint32_t twelveBits) {
    std::memcpy(out, &kPairs.chars[2 * twelveBits], 2);
}

char* encodeTo(const std::uint8_t* p, std::size_t n, char* out) {
    std::size_t i = 0;
    // Six bytes at a time from one 8-byte load where the input allows it.
    for (; i + 8 <= n; i += 6) {
        std::uint64_t w;
        std::memcpy(&w, p + i, 8);
        if constexpr (std::endian::native == std::endian::little) w = __builtin_bswap64(w);  // first byte on top
        putPair(out, static_cast<std::uint32_t>(w >> 52) & 0xFFF);
        putPair(out + 2, static_cast<std::uint32_t>(w >> 40) & 0xFFF);
        putPair(out + 4, static_cast<std::uint32_t>(w >> 28) & 0xFFF);
        putPair(out + 6, static_cast<std::uint32_t>(w >> 16) & 0xFFF);
        out += 8;
    }
    for (; i + 3 <= n; i += 3) {
        const std::uint32_t v = (std::uint32_t(p[i]) << 16) | (std::uint32_t(p[i + 1]) << 8) | p[i + 2];
        putPair(out, v >> 12);
        putPair(out + 2, v & 0xFFF);
        out += 4;
    }
    if (n - i == 1) {
        const std::uint32_t v = std::uint32_t(p[i]) << 16;
        *out++ = kAlphabet[(v >> 18) & 63];
        *out++ = kAlphabet[(v >> 12) & 63];
        *out++ = '=';
        *out++ = '=';
    } else if (n - i == 2) {
        const std::uint32_t v = (std::uint32_t(p[i]) << 16) | (std::uint32_t(p[i + 1]) << 8);
        *out++ = kAlphabet[(v >> 18) & 63];
        *out++ = kAlphabet[(v >> 12) & 63];
        *out++ = kAlphabet[(v >> 6) & 63];
        *out++ = '=';
    }
    return out;
}

std::string encode(const std::uint8_t* p, std::size_t n) {
    std::string out(base64EncodedSize(n), '\0');
    encodeTo(p, n, out.data());
    return out;
}

}  // namespace

std::string base64Encode(std::string_view bytes) {
    return encode(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

char* base64EncodeTo(const void* data, std::size_t n, char* out) {
    return encodeTo(static_cast<const std::uint8_t*>(data), n, out);
}

std::string base64Encode(const std::vector<std::uint8_t>& bytes) {
    return encode(bytes.data(), bytes.size());
}

std::optional<std::vector<std::uint8_t>> base64Decode(std::string_view text) {
    if (text.size() % 4 != 0) return std::nullopt;
    std::vector<std::uint8_t> out;
    out.reserve(text.size() / 4 * 3);
    for (std::size_t i = 0; i < text.size(); i += 4) {
        const bool last = i + 4 == text.size();
        int vals[4];
        int padding = 0;
        for (int k = 0; k < 4; ++k) {
            char c = text[i + k];
            if (c == '=') {
                // Padding only in the last quantum, only in its last two places, and only
                // followed by more padding.
                if (!last || k < 2) return std::nullopt;
                ++padding;
                vals[k] = 0;
                continue;
            }
            if (padding > 0) return std::nullopt;
            int v = kDecode[static_cast<unsigned char>(c)];
            if (v < 0) return std::nullopt;
            vals[k] = v;
        }
        std::uint32_t v = (std::uint32_t(vals[0]) << 18) | (std::uint32_t(vals[1]) << 12) |
                          (std::uint32_t(vals[2]) << 6) | std::uint32_t(vals[3]);
        out.push_back(static_cast<std::uint8_t>(v >> 16));
        if (padding < 2) out.push_back(static_cast<std::uint8_t>(v >> 8));
        if (padding < 1) out.push_back(static_cast<std::uint8_t>(v));
    }
    return out;
}

}  // namespace platform
