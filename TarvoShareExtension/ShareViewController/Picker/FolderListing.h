#pragma once
// One folder's sub-folders as the picker shows them: which of the listed directories are shown
// (hidden names, the search) and in what order (the sort mode).
//
// The rules: a name that, trimmed, begins with "." is hidden unless hidden files are shown; a
// non-empty search keeps an entry when its lower-cased name, or else the lower-cased path of
// the entry inside the folder (childPath), contains the lower-cased search text; the order is
// stable (ties keep the server's order): larger size first (sizeLargest) or larger mtime first
// (modifiedNewest), and otherwise, and for ties, the lower-cased names in Unicode scalar order
// after canonical composition. Lower-casing is the locale-independent default mapping.
//
// Built once per listing so that a keystroke of the search costs one substring test per entry:
// the lower-cased names, the comparison keys and each mode's order are worked out ahead (the
// order of a filtered subset is the full order restricted to it, since the sort is stable).
// A search that extends the one before (another character typed) only looks among the rows
// that one kept: whatever contains the longer text contains the shorter one.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "TarvoShareExtension/Remote/DirListResponse.h"
#include "TarvoShareExtension/ShareViewController/Picker/FolderSortMode.h"

namespace tarvo::share {

// Only the entries whose type is exactly "dir", in the server's order.
std::vector<Entry> directoriesOf(std::vector<Entry> entries);

class FolderListing {
public:
    FolderListing() = default;
    explicit FolderListing(std::vector<Entry> dirs);

    const std::vector<Entry>& dirs() const { return dirs_; }
    bool empty() const { return dirs_.empty(); }

    // Indices into dirs() of the entries shown, in display order. base is the folder the
    // entries are taken to lie in (the picker's current path) for the path search.
    std::vector<std::size_t> visible(std::string_view base, std::string_view searchText, bool showHidden,
                                     FolderSortMode mode) const;
    // The same as entries.
    std::vector<Entry> visibleEntries(std::string_view base, std::string_view searchText, bool showHidden,
                                      FolderSortMode mode) const;

private:
    const std::vector<std::size_t>& order(FolderSortMode mode) const;
    const std::vector<std::string>& lowerPaths(std::string_view base) const;

    std::vector<Entry> dirs_;
    std::vector<std::string> lowerNames_;
    std::vector<std::string> sortKeys_;
    std::vector<char> hidden_;
    mutable std::optional<std::vector<std::size_t>> orders_[3];
    mutable std::optional<std::string> pathsBase_;
    mutable std::vector<std::string> lowerPaths_;
    // The last answer and what it was asked with.
    struct LastQuery {
        std::string base;
        std::string query;  // lower-cased
        bool showHidden = false;
        FolderSortMode mode = FolderSortMode::name;
        std::vector<std::size_t> rows;
    };
    mutable std::optional<LastQuery> last_;
};

}  // namespace tarvo::share
