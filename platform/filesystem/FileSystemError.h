#pragma once
// File-system failures the way the platform reports them: an NSError whose domain is either
// NSPOSIXErrorDomain (code = errno) or NSCocoaErrorDomain (the file error codes), which also
// carries the errno and the path it concerns (the platform's file-path key).
#include <string>

#include "platform/foundation/ErrorInfo.h"

namespace platform {

// NSCocoaErrorDomain file codes used here.
inline constexpr int kFileNoSuchFileError = 4;
inline constexpr int kFileReadUnknownError = 256;
inline constexpr int kFileReadNoPermissionError = 257;
inline constexpr int kFileReadInvalidFileNameError = 258;
inline constexpr int kFileReadNoSuchFileError = 260;
inline constexpr int kFileWriteUnknownError = 512;
inline constexpr int kFileWriteNoPermissionError = 513;
inline constexpr int kFileWriteInvalidFileNameError = 514;
inline constexpr int kFileWriteFileExistsError = 516;
inline constexpr int kFileWriteOutOfSpaceError = 640;

class FileSystemError : public NSError {
public:
    FileSystemError(ErrorInfo info, int posixCode, std::string filePath);
    int posixCode() const noexcept { return posixCode_; }
    const std::string& filePath() const noexcept { return filePath_; }

private:
    int posixCode_;
    std::string filePath_;
};

// NSPOSIXErrorDomain, code = err.
FileSystemError posixError(int err, const std::string& path);
// NSCocoaErrorDomain with the file code that err maps to for a read or a write.
FileSystemError fileReadError(int err, const std::string& path);
FileSystemError fileWriteError(int err, const std::string& path);

// True when the failure says the process or system ran out of descriptors or memory, rather
// than anything about the file itself.
bool isResourceExhaustion(const NSError& error);

}  // namespace platform
