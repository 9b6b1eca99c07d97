#include "TarvoShareExtension/ShareViewController/Presentation/RecipeMenuRules.h"

#include <algorithm>

#include "Shared/SubstrateRoute.h"
#include "platform/foundation/Text.h"

namespace tarvo::share {

namespace text = platform::text;

std::string recipeTitle(PostUploadAction action) {
    switch (action) {
        case PostUploadAction::none: return "None";
        case PostUploadAction::unzip: return "Unzip";
        case PostUploadAction::run: return "Run";
        case PostUploadAction::unzipThenRun: return "Unzip + Run";
    }
    return "None";
}

std::string runFolderTitle(PostUploadWorkingDirectory folder) {
    switch (folder) {
        case PostUploadWorkingDirectory::uploadFolder: return "Upload folder";
        case PostUploadWorkingDirectory::extractedFolder: return "Extracted folder";
        case PostUploadWorkingDirectory::custom: return "Custom path";
    }
    return "Upload folder";
}

PostUploadWorkingDirectory effectiveRunFolder(PostUploadAction recipe, PostUploadWorkingDirectory folder) {
    if (folder == PostUploadWorkingDirectory::extractedFolder && !needsUnzip(recipe)) {
        return PostUploadWorkingDirectory::uploadFolder;
    }
    return folder;
}

std::vector<PostUploadWorkingDirectory> offeredRunFolders(PostUploadAction recipe) {
    std::vector<PostUploadWorkingDirectory> out{PostUploadWorkingDirectory::uploadFolder};
    if (needsUnzip(recipe)) out.push_back(PostUploadWorkingDirectory::extractedFolder);
    out.push_back(PostUploadWorkingDirectory::custom);
    return out;
}

PostUploadWorkingDirectory runFolderAfterRecipeChoice(PostUploadAction previous, PostUploadAction chosen,
                                                      PostUploadWorkingDirectory current) {
    if (chosen != previous) {
        return needsUnzip(chosen) ? PostUploadWorkingDirectory::extractedFolder
                                  : PostUploadWorkingDirectory::uploadFolder;
    }
    return effectiveRunFolder(chosen, current);
}

std::vector<std::string> suggestionTokens(std::string_view storedText) {
    std::vector<std::string> out;
    for (const auto& raw : SubstrateRoute::tokenize(storedText)) {
        std::string token = text::trimmed(raw);
        if (token.empty() || std::find(out.begin(), out.end(), token) != out.end()) continue;
        out.push_back(std::move(token));
    }
    return out;
}

std::optional<std::string> routeTextWithToken(std::string_view fieldText, std::string_view token, bool replace) {
    const std::string trimmed = text::trimmed(token);
    if (trimmed.empty()) return std::nullopt;
    std::vector<std::string> list = replace ? std::vector<std::string>() : SubstrateRoute::tokenize(fieldText);
    if (std::find(list.begin(), list.end(), trimmed) == list.end()) list.push_back(trimmed);
    std::string out;
    for (const auto& t : list) {
        if (!out.empty()) out += ", ";
        out += t;
    }
    return out;
}

}  // namespace tarvo::share
