#pragma once
// Byte counts as people read them, in the platform's "file" style:
//   0 -> "Zero KB"; 1 -> "1 byte"; 2..999 -> "N bytes";
//   from 1,000 up, decimal units (1 KB = 1,000 bytes) KB, MB, GB, TB, PB, EB, with no fraction
//   digit for KB, one for MB and two from GB up, rounded to nearest (halves away from zero),
//   trailing zeros of the fraction dropped: 1,500 -> "2 KB", 1,250,000 -> "1.3 MB",
//   1,000,000 -> "1 MB", 3,456,789,012 -> "3.46 GB". A value that rounds up to 1,000 of its
//   unit is shown in the next unit (999,999 -> "1 MB"). Negative counts get a leading "-".
// The "memory" style is the same with binary units (1 KB = 1,024 bytes).
#include <cstdint>
#include <string>

namespace platform {

class ByteCountFormatter {
public:
    enum class CountStyle { file, memory };
    static std::string string(std::int64_t byteCount, CountStyle countStyle);
};

}  // namespace platform
