#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// Incremental SHA-256 (OpenSSL EVP).
class SHA256 {
public:
    SHA256();
    ~SHA256();
    SHA256(const SHA256&) = delete;
    SHA256& operator=(const SHA256&) = delete;
    void update(const void* data, std::size_t size);
    void update(std::string_view s) { update(s.data(), s.size()); }
    std::array<std::uint8_t, 32> finalize();
    std::string finalizeHex();  // 64 lowercase hex digits

    static std::string hexDigest(std::string_view bytes);

private:
    void* ctx_;
};

std::string hexEncode(const std::uint8_t* bytes, std::size_t size);  // lowercase

}  // namespace platform
