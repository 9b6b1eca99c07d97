#pragma once
// Mixing member hashes into one value, for the std::hash of the shared records.
#include <cstddef>
#include <functional>

namespace tarvo::detail {

template <class T>
void hashCombine(std::size_t& seed, const T& value) {
    seed ^= std::hash<T>{}(value) + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
}

}  // namespace tarvo::detail
