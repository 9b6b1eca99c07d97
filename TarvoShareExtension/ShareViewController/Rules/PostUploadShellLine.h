#pragma once
// A draft's post-upload recipe turned into the one bash script the server runs after the upload
// (the shell line) and the environment that goes with it. Pure functions on texts and records.
//
// The four values of one uploaded file: file (its remote path as the upload returned it), dir
// (its parent folder), stem (archiveStem of the file) and extract (dir + "/" + stem, or the
// stem alone in the root). Templates may name them as "{file}", "{dir}", "{stem}" and
// "{extract}".
#include <map>
#include <string>
#include <string_view>

#include "Shared/ServerProfile.h"
#include "TarvoShareExtension/ShareViewController/Model/Draft.h"

namespace tarvo::share {

// The pieces of the path but the last, joined with "/"; "" with fewer than two pieces
// ("/srv/app.zip" gives "srv").
std::string parentFolder(std::string_view path);

// The folder a file is extracted into: folder + "/" + stem, or the stem alone.
std::string extractPathFor(std::string_view folder, std::string_view stem);

// The template's first line (normalizeWorkingDirectoryPath), with the four values inserted
// as they are, in the order file, dir, stem, extract; trimmed.
std::string renderPathTemplate(std::string_view pathTemplate, std::string_view file, std::string_view dir,
                               std::string_view stem, std::string_view extract);

// The command with CR LF and CR made LF and trimmed (inner lines stay), the four values
// inserted shell-quoted, in the order file, dir, stem, extract.
std::string renderDeployCommand(std::string_view commandTemplate, std::string_view file, std::string_view dir,
                                std::string_view stem, std::string_view extract);

// Where the recipe runs: the folder for uploadFolder; the extract path for extractedFolder when
// the action unzips (else the folder); the rendered custom path for custom, falling back like
// extractedFolder when it is empty.
std::string resolvePostUploadWorkingDirectory(const Draft& draft, PostUploadAction action, std::string_view folder,
                                              std::string_view extractPath, std::string_view file,
                                              std::string_view stem);

// The bash script: "set -e", the artifact line, the four unzip lines when the action unzips, a
// change into the working directory (else the folder, else none), "pwd", and for an action that
// runs a command the rendered command or, when it is empty, the block that finds the one script
// to run. Lines joined with "\n", none after the last.
std::string buildPostUploadShellLine(PostUploadAction action, std::string_view remotePath, std::string_view folder,
                                     std::string_view extractPath, std::string_view workingDirectory,
                                     std::string_view command);

// The block that runs when a recipe has no command: in the current folder, the single "*.sh"
// script runs (directly when executable, else with bash) and gives its exit status; several
// scripts, several folders or nothing at all print why and end with status 64; a single
// folder is entered and searched again.
const std::string& autoResolveShellBlock();

// The server's LLM endpoint (trimmed, when not empty) as "TARVO_LLM_ENDPOINT" and
// "OLLAMA_HOST", its model as "TARVO_LLM_MODEL" and "OLLAMA_MODEL".
std::map<std::string, std::string> postUploadEnvironment(const ServerProfile& server);

}  // namespace tarvo::share
