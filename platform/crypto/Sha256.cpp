#include "platform/crypto/Sha256.h"

#include <stdexcept>

#include <openssl/evp.h>

namespace platform {

namespace {
EVP_MD_CTX* asCtx(void* p) { return static_cast<EVP_MD_CTX*>(p); }
}  // namespace

SHA256::SHA256() : ctx_(EVP_MD_CTX_new()) {
    if (!ctx_ || EVP_DigestInit_ex(asCtx(ctx_), EVP_sha256(), nullptr) != 1) {
        EVP_MD_CTX_free(asCtx(ctx_));
        throw std::runtime_error("SHA-256 is not available");
    }
}

SHA256::~SHA256() { EVP_MD_CTX_free(asCtx(ctx_)); }

void SHA256::update(const void* data, std::size_t size) {
    if (size == 0) return;
    EVP_DigestUpdate(asCtx(ctx_), data, size);
}

std::array<std::uint8_t, 32> SHA256::finalize() {
    std::array<std::uint8_t, 32> out{};
    unsigned int len = 0;
    EVP_DigestFinal_ex(asCtx(ctx_), out.data(), &len);
    // Ready for a fresh message, so one object can hash several in turn.
    EVP_DigestInit_ex(asCtx(ctx_), EVP_sha256(), nullptr);
    return out;
}

std::string SHA256::finalizeHex() {
    auto digest = finalize();
    return hexEncode(digest.data(), digest.size());
}

std::string SHA256::hexDigest(std::string_view bytes) {
    SHA256 h;
    h.update(bytes);
    return h.finalizeHex();
}

std::string hexEncode(const std::uint8_t* bytes, std::size_t size) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.resize(size * 2);
    for (std::size_t i = 0; i < size; ++i) {
        out[2 * i] = kHex[bytes[i] >> 4];
        out[2 * i + 1] = kHex[bytes[i] & 15];
    }
    return out;
}

}  // namespace platform
