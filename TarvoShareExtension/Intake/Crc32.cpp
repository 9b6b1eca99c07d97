#include "TarvoShareExtension/Intake/Crc32.h"

#include <array>
#include <bit>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define TARVO_CRC32_CLMUL 1
#endif

namespace tarvo {
namespace {

static_assert(std::endian::native == std::endian::little, "the table path reads words little-endian");

using Tables = std::array<std::array<std::uint32_t, 256>, 16>;

constexpr Tables makeTables() {
    Tables t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
        t[0][i] = c;
    }
    for (std::size_t k = 1; k < 16; ++k)
        for (std::size_t i = 0; i < 256; ++i) t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
    return t;
}

constexpr Tables kTables = makeTables();

inline std::uint32_t load32(const std::uint8_t* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

// state is the running (uncomplemented) register.
std::uint32_t tablesUpdate(std::uint32_t state, const std::uint8_t* p, std::size_t n) {
    const auto& T = kTables;
    while (n >= 16) {
        std::uint32_t a = load32(p) ^ state;
        std::uint32_t b = load32(p + 4);
        std::uint32_t c = load32(p + 8);
        std::uint32_t d = load32(p + 12);
        state = T[15][a & 0xFF] ^ T[14][(a >> 8) & 0xFF] ^ T[13][(a >> 16) & 0xFF] ^ T[12][a >> 24] ^
                T[11][b & 0xFF] ^ T[10][(b >> 8) & 0xFF] ^ T[9][(b >> 16) & 0xFF] ^ T[8][b >> 24] ^
                T[7][c & 0xFF] ^ T[6][(c >> 8) & 0xFF] ^ T[5][(c >> 16) & 0xFF] ^ T[4][c >> 24] ^
                T[3][d & 0xFF] ^ T[2][(d >> 8) & 0xFF] ^ T[1][(d >> 16) & 0xFF] ^ T[0][d >> 24];
        p += 16;
        n -= 16;
    }
    while (n--) state = (state >> 8) ^ T[0][(state ^ *p++) & 0xFF];
    return state;
}

#ifdef TARVO_CRC32_CLMUL
// Folding with carry-less multiplication (Gopal et al., "Fast CRC Computation for Generic
// Polynomials Using PCLMULQDQ Instruction"), constants for the bit-reflected polynomial
// 0x104C11DB7. Needs n >= 64 and n a multiple of 16; state is the running register.
__attribute__((target("pclmul,sse4.1"))) std::uint32_t clmulUpdate(std::uint32_t state,
                                                                    const std::uint8_t* p,
                                                                    std::size_t n) {
    const __m128i k1k2 = _mm_set_epi64x(0x01c6e41596LL, 0x0154442bd4LL);
    const __m128i k3k4 = _mm_set_epi64x(0x00ccaa009eLL, 0x01751997d0LL);
    const __m128i k5k0 = _mm_set_epi64x(0, 0x0163cd6124LL);
    const __m128i poly = _mm_set_epi64x(0x01f7011641LL, 0x01db710641LL);
    const __m128i mask32 = _mm_setr_epi32(~0, 0, ~0, 0);

    __m128i x1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 0x00));
    __m128i x2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 0x10));
    __m128i x3 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 0x20));
    __m128i x4 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 0x30));
    x1 = _mm_xor_si128(x1, _mm_cvtsi32_si128(static_cast<int>(state)));
    p += 64;
    n -= 64;

    __m128i k = k1k2;
    while (n >= 64) {
        __m128i x5 = _mm_clmulepi64_si128(x1, k, 0x00);
        __m128i x6 = _mm_clmulepi64_si128(x2, k, 0x00);
        __m128i x7 = _mm_clmulepi64_si128(x3, k, 0x00);
        __m128i x8 = _mm_clmulepi64_si128(x4, k, 0x00);
        x1 = _mm_clmulepi64_si128(x1, k, 0x11);
        x2 = _mm_clmulepi64_si128(x2, k, 0x11);
        x3 = _mm_clmulepi64_si128(x3, k, 0x11);
        x4 = _mm_clmulepi64_si128(x4, k, 0x11);
        x1 = _mm_xor_si128(_mm_xor_si128(x1, x5), _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 0x00)));
        x2 = _mm_xor_si128(_mm_xor_si128(x2, x6), _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 0x10)));
        x3 = _mm_xor_si128(_mm_xor_si128(x3, x7), _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 0x20)));
        x4 = _mm_xor_si128(_mm_xor_si128(x4, x8), _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 0x30)));
        p += 64;
        n -= 64;
    }

    // Fold the four lanes into one.
    k = k3k4;
    __m128i x5 = _mm_clmulepi64_si128(x1, k, 0x00);
    x1 = _mm_clmulepi64_si128(x1, k, 0x11);
    x1 = _mm_xor_si128(_mm_xor_si128(x1, x2), x5);
    x5 = _mm_clmulepi64_si128(x1, k, 0x00);
    x1 = _mm_clmulepi64_si128(x1, k, 0x11);
    x1 = _mm_xor_si128(_mm_xor_si128(x1, x3), x5);
    x5 = _mm_clmulepi64_si128(x1, k, 0x00);
    x1 = _mm_clmulepi64_si128(x1, k, 0x11);
    x1 = _mm_xor_si128(_mm_xor_si128(x1, x4), x5);

    while (n >= 16) {
        x5 = _mm_clmulepi64_si128(x1, k, 0x00);
        x1 = _mm_clmulepi64_si128(x1, k, 0x11);
        x1 = _mm_xor_si128(_mm_xor_si128(x1, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p))), x5);
        p += 16;
        n -= 16;
    }

    // 128 bits to 64.
    x2 = _mm_clmulepi64_si128(x1, k, 0x10);
    x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), x2);
    x2 = _mm_srli_si128(x1, 4);
    x1 = _mm_and_si128(x1, mask32);
    x1 = _mm_clmulepi64_si128(x1, k5k0, 0x00);
    x1 = _mm_xor_si128(x1, x2);

    // Barrett reduction to 32 bits.
    x2 = _mm_and_si128(x1, mask32);
    x2 = _mm_clmulepi64_si128(x2, poly, 0x10);
    x2 = _mm_and_si128(x2, mask32);
    x2 = _mm_clmulepi64_si128(x2, poly, 0x00);
    x1 = _mm_xor_si128(x1, x2);
    return static_cast<std::uint32_t>(_mm_extract_epi32(x1, 1));
}

bool detectClmul() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
}

const bool kHasClmul = detectClmul();
#endif

std::uint32_t updateState(std::uint32_t state, const std::uint8_t* p, std::size_t n) {
#ifdef TARVO_CRC32_CLMUL
    if (kHasClmul && n >= 64) {
        const std::size_t chunk = n & ~std::size_t{15};
        state = clmulUpdate(state, p, chunk);
        p += chunk;
        n -= chunk;
    }
#endif
    return tablesUpdate(state, p, n);
}

}  // namespace

void Crc32::update(const void* data, std::size_t size) {
    if (size == 0) return;
    state_ = updateState(state_, static_cast<const std::uint8_t*>(data), size);
}

std::uint32_t Crc32::of(const void* data, std::size_t size) { return crc32Update(0, data, size); }

std::uint32_t crc32Update(std::uint32_t crc, const void* data, std::size_t size) {
    if (size == 0) return crc;
    return ~updateState(~crc, static_cast<const std::uint8_t*>(data), size);
}

std::uint32_t crc32UpdateTables(std::uint32_t crc, const void* data, std::size_t size) {
    if (size == 0) return crc;
    return ~tablesUpdate(~crc, static_cast<const std::uint8_t*>(data), size);
}

bool crc32UsesCarrylessMultiply() {
#ifdef TARVO_CRC32_CLMUL
    return kHasClmul;
#else
    return false;
#endif
}

}  // namespace tarvo
