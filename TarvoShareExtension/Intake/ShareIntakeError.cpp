#include "TarvoShareExtension/Intake/ShareIntakeError.h"

namespace tarvo {

const char* shareIntakeErrorText(ShareIntakeErrorCode code) {
    switch (code) {
        case ShareIntakeErrorCode::unsupportedItemType: return "Unsupported item type.";
        case ShareIntakeErrorCode::missingFileRepresentationURL: return "Missing file representation URL.";
        case ShareIntakeErrorCode::expectedURLItem: return "Expected URL item.";
        case ShareIntakeErrorCode::expectedStringItem: return "Expected String item.";
        case ShareIntakeErrorCode::textNotUTF8: return "Failed to encode text as UTF-8.";
        case ShareIntakeErrorCode::missingDataRepresentation: return "Missing data representation.";
        case ShareIntakeErrorCode::expectedImage: return "Expected UIImage.";
        case ShareIntakeErrorCode::jpegEncodingFailed: return "Failed to encode JPEG.";
        case ShareIntakeErrorCode::folderNotEnumerable: return "The shared folder could not be enumerated.";
        case ShareIntakeErrorCode::memberTooLarge:
            return "A file in the shared folder is too large for this ZIP transport.";
        case ShareIntakeErrorCode::tooManyMembers:
            return "The shared folder contains too many files for this ZIP transport.";
        case ShareIntakeErrorCode::archiveTooLargeAtMember:
        case ShareIntakeErrorCode::archiveTooLargeAtDirectory:
        case ShareIntakeErrorCode::archiveTooLargeAtEnd:
            return "The generated ZIP exceeds the supported transport size.";
        case ShareIntakeErrorCode::memberChangedWhileArchiving:
            return "A file in the shared folder changed while it was being archived.";
    }
    return "Unsupported item type.";
}

platform::NSError shareIntakeError(ShareIntakeErrorCode code) {
    return platform::NSError(kShareExtensionErrorDomain, static_cast<std::int64_t>(code),
                             shareIntakeErrorText(code));
}

}  // namespace tarvo
