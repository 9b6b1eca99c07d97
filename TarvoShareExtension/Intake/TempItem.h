#pragma once
// One shared item turned into a file of the extension's temporary directory.
#include <string>

#include "platform/foundation/Url.h"

namespace tarvo {

struct TempItem {
    platform::URL url;        // where the temporary file lies
    std::string filename;     // the name the item travels under (not necessarily the file's own)
    std::string contentType;  // a MIME type
    bool operator==(const TempItem&) const = default;
};

}  // namespace tarvo
