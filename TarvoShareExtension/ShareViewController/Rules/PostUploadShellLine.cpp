#include "TarvoShareExtension/ShareViewController/Rules/PostUploadShellLine.h"

#include <vector>

#include "TarvoShareExtension/ArtifactPathPieces.h"
#include "TarvoShareExtension/ShareViewController/Model/RecipeText.h"
#include "platform/foundation/Text.h"

namespace tarvo::share {

namespace text = platform::text;

std::string parentFolder(std::string_view path) {
    std::vector<std::string> pieces = artifactPathPieces(path);
    if (pieces.size() < 2) return "";
    pieces.pop_back();
    return artifactJoinPieces(pieces);
}

std::string extractPathFor(std::string_view folder, std::string_view stem) {
    if (folder.empty()) return std::string(stem);
    return std::string(folder) + "/" + std::string(stem);
}

std::string renderPathTemplate(std::string_view pathTemplate, std::string_view file, std::string_view dir,
                               std::string_view stem, std::string_view extract) {
    std::string out = normalizeWorkingDirectoryPath(pathTemplate);
    out = text::replacingOccurrences(out, "{file}", file);
    out = text::replacingOccurrences(out, "{dir}", dir);
    out = text::replacingOccurrences(out, "{stem}", stem);
    out = text::replacingOccurrences(out, "{extract}", extract);
    return text::trimmed(out);
}

std::string renderDeployCommand(std::string_view commandTemplate, std::string_view file, std::string_view dir,
                                std::string_view stem, std::string_view extract) {
    std::string out = normalizedCommand(commandTemplate);
    if (out.empty()) return out;
    out = text::replacingOccurrences(out, "{file}", shellQuoted(file));
    out = text::replacingOccurrences(out, "{dir}", shellQuoted(dir));
    out = text::replacingOccurrences(out, "{stem}", shellQuoted(stem));
    out = text::replacingOccurrences(out, "{extract}", shellQuoted(extract));
    return out;
}

std::string resolvePostUploadWorkingDirectory(const Draft& draft, PostUploadAction action, std::string_view folder,
                                              std::string_view extractPath, std::string_view file,
                                              std::string_view stem) {
    const std::string extractedOrFolder(needsUnzip(action) ? extractPath : folder);
    switch (draft.deployWorkingDirectory) {
        case PostUploadWorkingDirectory::uploadFolder:
            return std::string(folder);
        case PostUploadWorkingDirectory::extractedFolder:
            return extractedOrFolder;
        case PostUploadWorkingDirectory::custom: {
            const std::string custom = normalizeWorkingDirectoryPath(draft.deployCustomWorkingDirectory);
            if (custom.empty()) return extractedOrFolder;
            return renderPathTemplate(custom, file, folder, stem, extractPath);
        }
    }
    return std::string(folder);
}

const std::string& autoResolveShellBlock() {
    static const std::string block =
        "_tarvo_run_single_shell_script_here() {\n"
        "  _candidates=$(find . -maxdepth 1 -type f -name '*.sh' | sort)\n"
        "  _count=$(printf '%s\\n' \"$_candidates\" | sed '/^$/d' | wc -l | tr -d ' ')\n"
        "  if [ \"$_count\" -eq 1 ]; then\n"
        "    _script=$(printf '%s\\n' \"$_candidates\" | sed -n '1p')\n"
        "    echo \"Tarvo auto-resolved shell script: $_script\"\n"
        "    if [ -x \"$_script\" ]; then\n"
        "      \"$_script\"\n"
        "    else\n"
        "      bash \"$_script\"\n"
        "    fi\n"
        "    return $?\n"
        "  fi\n"
        "  if [ \"$_count\" -gt 1 ]; then\n"
        "    echo 'Tarvo found multiple shell scripts. Choose one explicitly in the share sheet:'\n"
        "    printf '%s\\n' \"$_candidates\"\n"
        "    return 64\n"
        "  fi\n"
        "  _dirs=$(find . -mindepth 1 -maxdepth 1 -type d | sort)\n"
        "  _dir_count=$(printf '%s\\n' \"$_dirs\" | sed '/^$/d' | wc -l | tr -d ' ')\n"
        "  if [ \"$_dir_count\" -eq 1 ]; then\n"
        "    _dir=$(printf '%s\\n' \"$_dirs\" | sed -n '1p')\n"
        "    echo \"Tarvo found one nested folder: $_dir\"\n"
        "    cd -- \"$_dir\"\n"
        "    _tarvo_run_single_shell_script_here\n"
        "    return $?\n"
        "  fi\n"
        "  if [ \"$_dir_count\" -gt 1 ]; then\n"
        "    echo 'Tarvo found no shell script at this level and multiple folders. Choose the working folder explicitly:'\n"
        "    printf '%s\\n' \"$_dirs\"\n"
        "    return 64\n"
        "  fi\n"
        "  echo 'Tarvo found no shell script to run. Type a command or choose a detected script.'\n"
        "  return 64\n"
        "}\n"
        "_tarvo_run_single_shell_script_here";
    return block;
}

std::string buildPostUploadShellLine(PostUploadAction action, std::string_view remotePath, std::string_view folder,
                                     std::string_view extractPath, std::string_view workingDirectory,
                                     std::string_view command) {
    std::vector<std::string> lines = {
        "set -e",
        "echo 'Tarvo recipe started'",
        "echo 'artifact: ' " + shellQuoted(remotePath),
    };
    if (needsUnzip(action)) {
        lines.push_back("rm -rf -- " + shellQuoted(extractPath));
        lines.push_back("mkdir -p -- " + shellQuoted(extractPath));
        lines.push_back("unzip -o -- " + shellQuoted(remotePath) + " -d " + shellQuoted(extractPath));
        lines.push_back("echo 'extracted: ' " + shellQuoted(extractPath));
    }
    if (const std::string directory = text::trimmed(workingDirectory); !directory.empty()) {
        lines.push_back("cd -- " + shellQuoted(directory));
    } else if (!folder.empty()) {
        lines.push_back("cd -- " + shellQuoted(folder));
    }
    lines.push_back("echo 'working directory:'");
    lines.push_back("pwd");
    if (runsCommand(action)) {
        const std::string rendered = text::trimmed(command);
        lines.push_back(rendered.empty() ? autoResolveShellBlock() : rendered);
    }
    std::string out;
    for (const auto& line : lines) {
        if (!out.empty()) out += '\n';
        out += line;
    }
    return out;
}

std::map<std::string, std::string> postUploadEnvironment(const ServerProfile& server) {
    std::map<std::string, std::string> env;
    if (const std::string endpoint = text::trimmed(server.llmEndpointURLString); !endpoint.empty()) {
        env["TARVO_LLM_ENDPOINT"] = endpoint;
        env["OLLAMA_HOST"] = endpoint;
    }
    if (const std::string model = text::trimmed(server.llmModel); !model.empty()) {
        env["TARVO_LLM_MODEL"] = model;
        env["OLLAMA_MODEL"] = model;
    }
    return env;
}

}  // namespace tarvo::share
