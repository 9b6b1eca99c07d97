// Feeds arbitrary bytes to the client as the reply of the server's directory listing (and of its
// file status), with a status picked by the first byte. Either the reply decodes, only for a 2xx,
// or it fails with the failure its status calls for. A listing that decodes goes through the
// folder picker's rules as a person would meet them: its folders filtered by a search taken from
// the reply itself and typed a character at a time into one listing (whose answers narrow the
// one before), with and without hidden names, in every order, and each row's subtitle.
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
    const std::vector<Entry> dirs = share::directoriesOf(listing.entries);
    for (const auto& dir : dirs) require(dir.type == "dir");
    const share::FolderListing folders(dirs);
    const std::string base = share::normalizeFolderInput(listing.path);

    // A search a person could type: a piece of a folder's name, from one of its characters on,
    // and a character that may match nothing after it.
    std::string search;
    if (!dirs.empty()) {
        const std::string& name = dirs[selector % dirs.size()].name;
        const std::size_t length = platform::text::graphemeCount(name);
        const std::size_t from = length == 0 ? 0 : (selector / 8) % length;
        const std::string tail = name.substr(platform::text::prefixGraphemes(name, from).size());
        search = platform::text::prefixGraphemes(tail, 1 + selector % 5) + (selector % 2 == 0 ? "" : "~");
    }
    const std::size_t typed = platform::text::graphemeCount(search);
    // Every order with and without hidden names, one switch at a time as a person makes them
    // (hidden names, then the order, then hidden names again...), so that an answer kept from
    // before a switch that only one of the two tells apart is never taken as still good.
    bool showHidden = false;
    for (share::FolderSortMode mode : share::kFolderSortModes) {
        for (int pass = 0; pass < 2; ++pass) {
            if (pass == 1) showHidden = !showHidden;
            // Each answer of the one listing, narrowed from the answer before when it can be, is
            // the answer of a fresh listing.
            const auto ask = [&](const std::string& query) {
                const auto rows = folders.visible(base, query, showHidden, mode);
                require(rows == share::FolderListing(dirs).visible(base, query, showHidden, mode));
                std::vector<std::size_t> seen = rows;
                std::sort(seen.begin(), seen.end());
                require(std::adjacent_find(seen.begin(), seen.end()) == seen.end());
                for (std::size_t row : rows) {
                    require(row < dirs.size());
                    if (!showHidden) require(!platform::text::hasPrefix(platform::text::trimmed(dirs[row].name), "."));
                }
                checkOrder(dirs, rows, mode);
                if (query.empty() && showHidden) require(rows.size() == dirs.size());
            };
            // The search as it stands when hidden names or the order are switched, then typed
            // again a character at a time, as the picker's search field sends it.
            ask(search);
            for (std::size_t n = 0; n <= typed; ++n) ask(platform::text::prefixGraphemes(search, n));
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
        // A file's status decodes only from a success, and nothing else leaves it.
        decodeReply<FileStatResponse>(response);
        require(success);
    } catch (const RemoteFailure& failure) {
        fuzzing::requireFailureFits(failure, response.status);
    }
    return 0;
}
