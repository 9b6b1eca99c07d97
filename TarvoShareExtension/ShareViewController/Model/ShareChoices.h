#pragma once
// The choices of one send, each stored (in drafts and in the app group's "share.*" keys) and
// compared by its string value: rawValue(choice) gives the text, fromRawValue<E>(text) the
// choice of a text (exact and case-sensitive; any other text gives nothing), allCases<E>()
// every choice in menu order.
#include <array>
#include <optional>
#include <string_view>

#include "Shared/RawValue.h"

namespace tarvo::share {

// Send the items as events to the server's receptionist, or upload them as files.
enum class ShareAction { emit, upload };
// The share goes to one server or to several.
enum class ServerMode { single, multi };
// With several servers: send to all without asking, or ask before each.
enum class MultiDispatchMode { all, oneByOne };
// What the server does with an uploaded file.
enum class PostUploadAction { none, unzip, run, unzipThenRun };
// Where the post-upload command runs.
enum class PostUploadWorkingDirectory { uploadFolder, extractedFolder, custom };

std::string_view rawValue(ShareAction action);
std::string_view rawValue(ServerMode mode);
std::string_view rawValue(MultiDispatchMode mode);
std::string_view rawValue(PostUploadAction action);
std::string_view rawValue(PostUploadWorkingDirectory directory);

// True for unzip and unzipThenRun.
bool needsUnzip(PostUploadAction action);
// True for run and unzipThenRun: the recipe runs a command.
bool runsCommand(PostUploadAction action);

}  // namespace tarvo::share

namespace tarvo {

template <>
std::optional<share::ShareAction> fromRawValue<share::ShareAction>(std::string_view raw);
template <>
std::optional<share::ServerMode> fromRawValue<share::ServerMode>(std::string_view raw);
template <>
std::optional<share::MultiDispatchMode> fromRawValue<share::MultiDispatchMode>(std::string_view raw);
template <>
std::optional<share::PostUploadAction> fromRawValue<share::PostUploadAction>(std::string_view raw);
template <>
std::optional<share::PostUploadWorkingDirectory> fromRawValue<share::PostUploadWorkingDirectory>(
    std::string_view raw);

template <>
struct EnumCases<share::ShareAction> {
    using E = share::ShareAction;
    static constexpr std::array<E, 2> allCases{E::emit, E::upload};
};
template <>
struct EnumCases<share::ServerMode> {
    using E = share::ServerMode;
    static constexpr std::array<E, 2> allCases{E::single, E::multi};
};
template <>
struct EnumCases<share::MultiDispatchMode> {
    using E = share::MultiDispatchMode;
    static constexpr std::array<E, 2> allCases{E::all, E::oneByOne};
};
template <>
struct EnumCases<share::PostUploadAction> {
    using E = share::PostUploadAction;
    static constexpr std::array<E, 4> allCases{E::none, E::unzip, E::run, E::unzipThenRun};
};
template <>
struct EnumCases<share::PostUploadWorkingDirectory> {
    using E = share::PostUploadWorkingDirectory;
    static constexpr std::array<E, 3> allCases{E::uploadFolder, E::extractedFolder, E::custom};
};

}  // namespace tarvo
