#include "platform/filesystem/FileSystemError.h"

#include <cerrno>
#include <cstring>

namespace platform {
namespace {

std::string errnoText(int err) {
    char buf[256];
    // GNU strerror_r may return a static string instead of filling buf.
    const char* text = strerror_r(err, buf, sizeof buf);
    return text ? std::string(text) : std::string("Unknown error ") + std::to_string(err);
}

std::string lastComponent(const std::string& path) {
    auto end = path.find_last_not_of('/');
    if (end == std::string::npos) return path;
    auto start = path.find_last_of('/', end);
    return path.substr(start == std::string::npos ? 0 : start + 1,
                       end - (start == std::string::npos ? 0 : start + 1) + 1);
}

}  // namespace

FileSystemError::FileSystemError(ErrorInfo info, int posixCode, std::string filePath)
    : NSError(std::move(info)), posixCode_(posixCode), filePath_(std::move(filePath)) {}

FileSystemError posixError(int err, const std::string& path) {
    return FileSystemError(
        ErrorInfo{kPOSIXErrorDomain, err, "The operation couldn't be completed. " + errnoText(err)},
        err, path);
}

FileSystemError fileReadError(int err, const std::string& path) {
    const std::string name = "\"" + lastComponent(path) + "\"";
    int code = kFileReadUnknownError;
    std::string text;
    switch (err) {
        case ENOENT:
        case ENOTDIR:
            code = kFileReadNoSuchFileError;
            text = "The file " + name + " couldn't be opened because there is no such file.";
            break;
        case EACCES:
        case EPERM:
            code = kFileReadNoPermissionError;
            text = "The file " + name +
                   " couldn't be opened because you don't have permission to view it.";
            break;
        case ENAMETOOLONG:
            code = kFileReadInvalidFileNameError;
            text = "The file name " + name + " is invalid.";
            break;
        default:
            text = "The file " + name + " couldn't be opened. (" + errnoText(err) + ")";
    }
    return FileSystemError(ErrorInfo{kCocoaErrorDomain, code, text}, err, path);
}

FileSystemError fileWriteError(int err, const std::string& path) {
    const std::string name = "\"" + lastComponent(path) + "\"";
    int code = kFileWriteUnknownError;
    std::string text;
    switch (err) {
        case ENOENT:
        case ENOTDIR:
            code = kFileNoSuchFileError;
            text = "The folder for " + name + " doesn't exist.";
            break;
        case EACCES:
        case EPERM:
        case EROFS:
            code = kFileWriteNoPermissionError;
            text = "You don't have permission to save the file " + name + ".";
            break;
        case EEXIST:
            code = kFileWriteFileExistsError;
            text = "The file " + name + " couldn't be saved because a file with the same name already exists.";
            break;
        case ENOSPC:
        case EDQUOT:
            code = kFileWriteOutOfSpaceError;
            text = "The file " + name + " couldn't be saved because there isn't enough space.";
            break;
        case ENAMETOOLONG:
            code = kFileWriteInvalidFileNameError;
            text = "The file name " + name + " is invalid.";
            break;
        default:
            text = "The file " + name + " couldn't be saved. (" + errnoText(err) + ")";
    }
    return FileSystemError(ErrorInfo{kCocoaErrorDomain, code, text}, err, path);
}

bool isResourceExhaustion(const NSError& error) {
    const auto* fsError = dynamic_cast<const FileSystemError*>(&error);
    if (!fsError) return false;
    const int err = fsError->posixCode();
    return err == EMFILE || err == ENFILE || err == ENOMEM;
}

}  // namespace platform
