#include "TarvoShareExtension/ShareViewController/Picker/FolderSortMode.h"

#include "platform/foundation/Text.h"

namespace tarvo::share {

std::string_view rawValue(FolderSortMode mode) {
    switch (mode) {
        case FolderSortMode::name: return "name";
        case FolderSortMode::modifiedNewest: return "modifiedNewest";
        case FolderSortMode::sizeLargest: return "sizeLargest";
    }
    return "name";
}

std::string_view menuTitle(FolderSortMode mode) {
    switch (mode) {
        case FolderSortMode::name: return "Name";
        case FolderSortMode::modifiedNewest: return "Latest modified";
        case FolderSortMode::sizeLargest: return "Largest";
    }
    return "Name";
}

std::string_view menuImage(FolderSortMode mode) {
    switch (mode) {
        case FolderSortMode::name: return "textformat.abc";
        case FolderSortMode::modifiedNewest: return "clock.arrow.circlepath";
        case FolderSortMode::sizeLargest: return "arrow.down.right.and.arrow.up.left";
    }
    return "textformat.abc";
}

FolderSortMode folderSortModeFromStored(const std::optional<std::string>& stored) {
    const std::string value = platform::text::trimmed(stored.value_or(""));
    for (FolderSortMode mode : kFolderSortModes) {
        if (value == rawValue(mode)) return mode;
    }
    return FolderSortMode::name;
}

}  // namespace tarvo::share
