#pragma once
// The orders of the folder picker's rows, remembered for the whole app group under
// "share.folderSortMode" by their raw values.
#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace tarvo::share {

enum class FolderSortMode { name, modifiedNewest, sizeLargest };

// In the order of the sort menu.
inline constexpr std::array<FolderSortMode, 3> kFolderSortModes{FolderSortMode::name, FolderSortMode::modifiedNewest,
                                                                FolderSortMode::sizeLargest};

inline constexpr const char* kFolderSortModeKey = "share.folderSortMode";

std::string_view rawValue(FolderSortMode mode);
std::string_view menuTitle(FolderSortMode mode);
// A system symbol name.
std::string_view menuImage(FolderSortMode mode);

// The stored text, trimmed, matched exactly against the raw values; anything else (nothing
// stored, an empty or unknown text) sorts by name.
FolderSortMode folderSortModeFromStored(const std::optional<std::string>& stored);

}  // namespace tarvo::share
