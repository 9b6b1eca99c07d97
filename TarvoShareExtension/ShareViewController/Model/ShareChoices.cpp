#include "TarvoShareExtension/ShareViewController/Model/ShareChoices.h"

namespace tarvo {
namespace share {

std::string_view rawValue(ShareAction action) {
    switch (action) {
        case ShareAction::emit: return "emit";
        case ShareAction::upload: return "upload";
    }
    return "";
}

std::string_view rawValue(ServerMode mode) {
    switch (mode) {
        case ServerMode::single: return "single";
        case ServerMode::multi: return "multi";
    }
    return "";
}

std::string_view rawValue(MultiDispatchMode mode) {
    switch (mode) {
        case MultiDispatchMode::all: return "all";
        case MultiDispatchMode::oneByOne: return "oneByOne";
    }
    return "";
}

std::string_view rawValue(PostUploadAction action) {
    switch (action) {
        case PostUploadAction::none: return "none";
        case PostUploadAction::unzip: return "unzip";
        case PostUploadAction::run: return "run";
        case PostUploadAction::unzipThenRun: return "unzipThenRun";
    }
    return "";
}

std::string_view rawValue(PostUploadWorkingDirectory directory) {
    switch (directory) {
        case PostUploadWorkingDirectory::uploadFolder: return "uploadFolder";
        case PostUploadWorkingDirectory::extractedFolder: return "extractedFolder";
        case PostUploadWorkingDirectory::custom: return "custom";
    }
    return "";
}

bool needsUnzip(PostUploadAction action) {
    return action == PostUploadAction::unzip || action == PostUploadAction::unzipThenRun;
}

bool runsCommand(PostUploadAction action) {
    return action == PostUploadAction::run || action == PostUploadAction::unzipThenRun;
}

}  // namespace share

namespace {

template <class E>
std::optional<E> caseWithRawValue(std::string_view raw) {
    for (E e : allCases<E>()) {
        if (share::rawValue(e) == raw) return e;
    }
    return std::nullopt;
}

}  // namespace

template <>
std::optional<share::ShareAction> fromRawValue<share::ShareAction>(std::string_view raw) {
    return caseWithRawValue<share::ShareAction>(raw);
}
template <>
std::optional<share::ServerMode> fromRawValue<share::ServerMode>(std::string_view raw) {
    return caseWithRawValue<share::ServerMode>(raw);
}
template <>
std::optional<share::MultiDispatchMode> fromRawValue<share::MultiDispatchMode>(std::string_view raw) {
    return caseWithRawValue<share::MultiDispatchMode>(raw);
}
template <>
std::optional<share::PostUploadAction> fromRawValue<share::PostUploadAction>(std::string_view raw) {
    return caseWithRawValue<share::PostUploadAction>(raw);
}
template <>
std::optional<share::PostUploadWorkingDirectory> fromRawValue<share::PostUploadWorkingDirectory>(
    std::string_view raw) {
    return caseWithRawValue<share::PostUploadWorkingDirectory>(raw);
}

}  // namespace tarvo
