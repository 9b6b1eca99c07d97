#pragma once
// The choices the screen's menus offer and what a choice does to a draft: the post-upload
// recipe and its run folder, the command tokens, and the suggestions of the route fields.
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "TarvoShareExtension/ShareViewController/Model/ShareChoices.h"

namespace tarvo::share {

// "None", "Unzip", "Run", "Unzip + Run".
std::string recipeTitle(PostUploadAction action);
// "Upload folder", "Extracted folder", "Custom path".
std::string runFolderTitle(PostUploadWorkingDirectory folder);
// The folder the recipe runs in: extractedFolder counts as uploadFolder for a recipe that
// does not unzip.
PostUploadWorkingDirectory effectiveRunFolder(PostUploadAction recipe, PostUploadWorkingDirectory folder);
// uploadFolder, extractedFolder (only for a recipe that unzips) and custom.
std::vector<PostUploadWorkingDirectory> offeredRunFolders(PostUploadAction recipe);
// The run folder after a recipe is chosen: a new recipe starts in the extracted folder when it
// unzips, else in the upload folder (a custom folder is replaced too); choosing the same recipe
// keeps the folder, but never an extracted folder without unzipping.
PostUploadWorkingDirectory runFolderAfterRecipeChoice(PostUploadAction previous, PostUploadAction chosen,
                                                      PostUploadWorkingDirectory current);

// The placeholders the post-upload shell line fills in, in the order of the token row.
inline constexpr std::array<std::string_view, 4> kCommandTokens{"{file}", "{dir}", "{stem}", "{extract}"};

// At most this many suggestions in a route field's menu.
inline constexpr std::size_t kMaxSuggestions = 8;
// The distinct route tokens of a stored text, in the order of their first appearance.
std::vector<std::string> suggestionTokens(std::string_view storedText);
// The field's text after choosing a token: its token list (emptied first when replacing) with
// the trimmed token appended unless present, joined with ", ". Nothing for a blank token.
std::optional<std::string> routeTextWithToken(std::string_view fieldText, std::string_view token, bool replace);

}  // namespace tarvo::share
