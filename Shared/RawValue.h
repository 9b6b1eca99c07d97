#pragma once
// String-valued enumerations: rawValue(e) gives a case's text (declared next to each
// enumeration), fromRawValue<E>(text) the case of a text (nullopt for any other text, compared
// exactly), allCases<E>() every case in declaration order.
#include <optional>
#include <string_view>

namespace tarvo {

template <class E>
std::optional<E> fromRawValue(std::string_view raw);

// Specialised next to each enumeration with a static constexpr array `allCases`.
template <class E>
struct EnumCases;

template <class E>
constexpr const auto& allCases() {
    return EnumCases<E>::allCases;
}

}  // namespace tarvo
