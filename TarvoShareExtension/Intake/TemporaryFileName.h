#pragma once
// Names of new files in the extension's temporary directory: a fresh UUID, then the name
// the item arrived with, made safe for the file system. The traveling name of an item is kept
// apart (TempItem.filename), so making the on-disk name safe never changes what the user sees.
#include <cstddef>
#include <string>
#include <string_view>

namespace tarvo {

// component with NULs removed and "/" replaced by "-"; then cut, on a UTF-8 character
// boundary, to at most maxBytes bytes, keeping a short final extension where it can.
std::string fitFileNameComponent(std::string_view component, std::size_t maxBytes);

// "<directory>/<UUID><separator><component>", component made safe and cut so the whole name
// fits the file system's name limit; just the UUID when component is empty. The directory is
// the share's temporary folder, which exists.
std::string makeTemporaryFilePath(std::string_view directory, std::string_view separator, std::string_view component);

}  // namespace tarvo
