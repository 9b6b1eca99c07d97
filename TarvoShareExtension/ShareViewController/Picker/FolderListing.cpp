#include "TarvoShareExtension/ShareViewController/Picker/FolderListing.h"

#include <algorithm>
#include <numeric>

#include "TarvoShareExtension/ShareViewController/Picker/RemoteFolderPath.h"
#include "platform/foundation/Text.h"
#include "platform/foundation/TextNormalization.h"

namespace tarvo::share {

namespace text = platform::text;

namespace {

bool isASCII(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The default lower-casing; ASCII, most names, without a trip through ICU.
std::string lower(std::string_view s) {
    if (!isASCII(s)) return text::lowercased(s);
    std::string out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

}  // namespace

std::vector<Entry> directoriesOf(std::vector<Entry> entries) {
    entries.erase(std::remove_if(entries.begin(), entries.end(), [](const Entry& e) { return e.type != "dir"; }),
                  entries.end());
    return entries;
}

FolderListing::FolderListing(std::vector<Entry> dirs) : dirs_(std::move(dirs)) {
    lowerNames_.reserve(dirs_.size());
    sortKeys_.reserve(dirs_.size());
    hidden_.reserve(dirs_.size());
    for (const Entry& e : dirs_) {
        lowerNames_.push_back(lower(e.name));
        // UTF-8 byte order is Unicode scalar order.
        sortKeys_.push_back(text::canonicallyComposed(lowerNames_.back()));
        hidden_.push_back(text::hasPrefix(text::trimmed(e.name), ".") ? 1 : 0);
    }
}

const std::vector<std::size_t>& FolderListing::order(FolderSortMode mode) const {
    auto& slot = orders_[static_cast<int>(mode)];
    if (slot) return *slot;
    std::vector<std::size_t> idx(dirs_.size());
    std::iota(idx.begin(), idx.end(), std::size_t{0});
    std::stable_sort(idx.begin(), idx.end(), [&](std::size_t a, std::size_t b) {
        const Entry& x = dirs_[a];
        const Entry& y = dirs_[b];
        if (mode == FolderSortMode::sizeLargest && x.size != y.size) return x.size > y.size;
        if (mode == FolderSortMode::modifiedNewest && x.mtime != y.mtime) return x.mtime > y.mtime;
        return sortKeys_[a] < sortKeys_[b];
    });
    slot = std::move(idx);
    return *slot;
}

const std::vector<std::string>& FolderListing::lowerPaths(std::string_view base) const {
    if (pathsBase_ && *pathsBase_ == base) return lowerPaths_;
    lowerPaths_.clear();
    lowerPaths_.reserve(dirs_.size());
    for (const Entry& e : dirs_) lowerPaths_.push_back(lower(childPath(base, e.name)));
    pathsBase_ = std::string(base);
    return lowerPaths_;
}

std::vector<std::size_t> FolderListing::visible(std::string_view base, std::string_view searchText, bool showHidden,
                                                FolderSortMode mode) const {
    const std::string query = lower(searchText);
    const std::vector<std::string>* paths = query.empty() ? nullptr : &lowerPaths(base);
    const std::vector<std::size_t>* candidates = &order(mode);
    std::optional<LastQuery> narrowing;
    if (last_ && !query.empty() && !last_->query.empty() && last_->base == base && last_->showHidden == showHidden &&
        last_->mode == mode && query.find(last_->query) != std::string::npos) {
        narrowing = std::move(last_);
        candidates = &narrowing->rows;
    }
    std::vector<std::size_t> out;
    for (std::size_t i : *candidates) {
        if (!showHidden && hidden_[i]) continue;
        if (paths && lowerNames_[i].find(query) == std::string::npos &&
            (*paths)[i].find(query) == std::string::npos) {
            continue;
        }
        out.push_back(i);
    }
    last_ = LastQuery{std::string(base), query, showHidden, mode, out};
    return out;
}

std::vector<Entry> FolderListing::visibleEntries(std::string_view base, std::string_view searchText, bool showHidden,
                                                 FolderSortMode mode) const {
    std::vector<Entry> out;
    for (std::size_t i : visible(base, searchText, showHidden, mode)) out.push_back(dirs_[i]);
    return out;
}

}  // namespace tarvo::share
