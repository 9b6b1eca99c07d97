#pragma once
// The CRC-32 of the zip format: reflected polynomial 0xEDB88320, initial value 0xFFFFFFFF,
// complemented at the end. Runs on carry-less multiplication where the processor has it,
// otherwise on slicing-by-16 tables; both give the same value as the plain bitwise rule.
#include <cstddef>
#include <cstdint>

namespace tarvo {

class Crc32 {
public:
    void update(const void* data, std::size_t size);
    // The checksum of everything passed to update() so far.
    std::uint32_t value() const noexcept { return ~state_; }
    void reset() noexcept { state_ = 0xFFFFFFFFu; }

    static std::uint32_t of(const void* data, std::size_t size);

private:
    std::uint32_t state_ = 0xFFFFFFFFu;
};

// Continues a checksum: crc32Update(crc32Update(0, a), b) == checksum of a followed by b.
std::uint32_t crc32Update(std::uint32_t crc, const void* data, std::size_t size);

// The portable path alone (tests compare the two paths).
std::uint32_t crc32UpdateTables(std::uint32_t crc, const void* data, std::size_t size);
// Whether update() uses carry-less multiplication on this processor.
bool crc32UsesCarrylessMultiply();

}  // namespace tarvo
