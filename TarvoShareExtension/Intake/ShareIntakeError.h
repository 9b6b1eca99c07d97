#pragma once
// The share controller's user-facing failures: errors in the domain "ShareExtension" with a
// small integer code and a fixed text. Item intake uses 1 to 8, the folder archive 21 to 27.
#include <cstdint>

#include "platform/foundation/ErrorInfo.h"

namespace tarvo {

inline constexpr const char* kShareExtensionErrorDomain = "ShareExtension";

enum class ShareIntakeErrorCode : std::int64_t {
    unsupportedItemType = 1,
    missingFileRepresentationURL = 2,
    expectedURLItem = 3,
    expectedStringItem = 4,
    textNotUTF8 = 5,
    missingDataRepresentation = 6,
    expectedImage = 7,
    jpegEncodingFailed = 8,
    folderNotEnumerable = 21,
    memberTooLarge = 22,
    tooManyMembers = 23,
    archiveTooLargeAtMember = 24,
    archiveTooLargeAtDirectory = 25,
    archiveTooLargeAtEnd = 26,
    memberChangedWhileArchiving = 27,
};

// The fixed text of each code.
const char* shareIntakeErrorText(ShareIntakeErrorCode code);
// The "ShareExtension" error of that code, with its text as the localized description.
platform::NSError shareIntakeError(ShareIntakeErrorCode code);

}  // namespace tarvo
