// Feeds arbitrary bytes to the client as the reply of the server's directory listing (and of its
// file status), with a status picked by the first byte. Either the reply decodes, only for a 2xx,
// or it fails with the failure its status calls for. A listing that decodes goes through the
// folder picker's rules as a person would meet them: its folders filtered by a search taken from
// the reply itself, with and without hidden names, in every order, and each row's subtitle.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "TarvoShareExtension/Remote/DirListResponse.h"
#include "TarvoShareExtension/Remote/RemoteReply.h"
#include "TarvoShareExtension/ShareViewController/Picker/FolderListing.h"
#include "TarvoShareExtension/ShareViewController/Picker/FolderSubtitle.h"
#include "TarvoShareExtension/ShareViewController/Picker/RemoteFolderPath.h"
#include "fuzz/HttpReplyCheck.h"
#include "platform/foundation/Text.h"

namespace {

using namespace tarvo;
using fuzzing::require;

void checkOrder(const std::vector<Entry>& dirs, const std::vector<std::size_t>& rows, share::FolderSortMode mode) {
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const Entry& a = dirs[rows[i - 1]];
        const Entry& b = dirs[rows[i]];
        if (mode == share::FolderSortMode::sizeLargest) require(a.size >= b.size);
        if (mode == share::FolderSortMode::modifiedNewest) require(a.mtime >= b.mtime);
    }
}

void checkListing(const DirListResponse& listing, std::uint8_t selector) {
    for (const auto& entry : listing.entries) require(entry.id() == entry.type + ":" + entry.name);
    const std::vector<Entry> dirs = share::directoriesOf(listing.entries);
    for (const auto& dir : dirs) require(dir.type == "dir");
    const share::FolderListing folders(dirs);
    const std::string base = share::normalizeFolderInput(listing.path);

    // A search a person could type: a piece of a folder's name, or of nothing.
    std::string search;
    if (!dirs.empty()) {
        const std::string& name = dirs[selector % dirs.size()].name;
        search = platform::text::prefixGraphemes(name, 1 + selector % 3);
    }
    for (const std::string& query : {std::string(), search}) {
        for (bool showHidden : {false, true}) {
            for (share::FolderSortMode mode : share::kFolderSortModes) {
                const auto rows = folders.visible(base, query, showHidden, mode);
                std::vector<std::size_t> seen = rows;
                std::sort(seen.begin(), seen.end());
                require(std::adjacent_find(seen.begin(), seen.end()) == seen.end());
                for (std::size_t row : rows) require(row < dirs.size());
                checkOrder(dirs, rows, mode);
                if (query.empty() && showHidden) require(rows.size() == dirs.size());
            }
        }
    }
    const double now = 1.7e9 + selector * 1.0e7;
    const share::FolderDateWriter writeDate = [](double seconds) { return std::to_string(seconds); };
    for (const auto& dir : dirs) {
        const std::string subtitle = share::folderSubtitle(share::childPath(base, dir.name), dir, now, writeDate);
        require(platform::text::isValidUTF8(subtitle) && !subtitle.empty() && subtitle.front() == '/');
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const HTTPResponse response = fuzzing::reply(data[0], data + 2, size - 2);
    const bool success = response.status >= 200 && response.status <= 299;
    try {
        const DirListResponse listing = decodeReply<DirListResponse>(response);
        require(success);
        checkListing(listing, data[1]);
    } catch (const RemoteFailure& failure) {
        fuzzing::requireFailureFits(failure, response.status);
    }
    try {
        const FileStatResponse stat = decodeReply<FileStatResponse>(response);
        require(success);
        require(FileStatResponse::fromJson(platform::parseJson(std::string(response.data.begin(), response.data.end()))) ==
                stat);
    } catch (const RemoteFailure& failure) {
        fuzzing::requireFailureFits(failure, response.status);
    }
    return 0;
}
