// The post-upload shell line: every recipe with every working-folder kind as exact text, the
// templates, and the block that finds the script to run, executed by bash in real folders.
#include <gtest/gtest.h>

#include <filesystem>

#include "TarvoShareExtension/Intake/PayloadKeys.h"
#include "TarvoShareExtension/ShareViewController/Rules/PostUploadShellLine.h"
#include "tests/share/ShareTestSupport.h"
#include "tests/support/Files.h"
#include "tests/support/TempHome.h"

namespace tarvo::share {
namespace {

namespace fs = std::filesystem;
using share_test::joinLines;
using A = PostUploadAction;
using W = PostUploadWorkingDirectory;

const std::vector<std::string> kHeader = {"set -e", "echo 'Tarvo recipe started'", "echo 'artifact: ' 'drop/app.zip'"};
const std::vector<std::string> kUnzip = {"rm -rf -- 'drop/app'", "mkdir -p -- 'drop/app'",
                                         "unzip -o -- 'drop/app.zip' -d 'drop/app'", "echo 'extracted: ' 'drop/app'"};

std::vector<std::string> concat(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

struct Rendered {
    std::string workingDirectory;
    std::string shellLine;
};

// What the recipe start renders for one draft and one uploaded file.
Rendered render(A action, W directory, const std::string& custom, const std::string& command,
                const std::string& remotePath = "drop/app.zip") {
    Draft draft;
    draft.postUploadAction = action;
    draft.deployWorkingDirectory = directory;
    draft.deployCustomWorkingDirectory = custom;
    draft.deployCommand = command;
    const std::string folder = parentFolder(remotePath);
    const std::string stem = archiveStem(remotePath);
    const std::string extract = extractPathFor(folder, stem);
    Rendered r;
    r.workingDirectory = resolvePostUploadWorkingDirectory(draft, action, folder, extract, remotePath, stem);
    const std::string rendered = renderDeployCommand(command, remotePath, folder, stem, extract);
    r.shellLine = buildPostUploadShellLine(action, remotePath, folder, extract, r.workingDirectory, rendered);
    return r;
}

TEST(PostUploadShellLine, EveryRecipeWithEveryWorkingFolderKind) {
    struct Case {
        const char* name;
        A action;
        W directory;
        std::string custom;
        std::string command;
        std::string workingDirectory;
        std::vector<std::string> lines;
    };
    const std::vector<std::string> tail = {"echo 'working directory:'", "pwd"};
    const std::vector<Case> cases = {
        {"none in the upload folder", A::none, W::uploadFolder, "", "make", "drop",
         concat({kHeader, {"cd -- 'drop'"}, tail})},
        {"none ignores the extracted folder", A::none, W::extractedFolder, "", "", "drop",
         concat({kHeader, {"cd -- 'drop'"}, tail})},
        {"unzip never runs its command", A::unzip, W::extractedFolder, "", "make", "drop/app",
         concat({kHeader, kUnzip, {"cd -- 'drop/app'"}, tail})},
        {"unzip in the upload folder", A::unzip, W::uploadFolder, "", "", "drop",
         concat({kHeader, kUnzip, {"cd -- 'drop'"}, tail})},
        {"run without unzip stays in the upload folder", A::run, W::extractedFolder, "", "./deploy.sh", "drop",
         concat({kHeader, {"cd -- 'drop'"}, tail, {"./deploy.sh"}})},
        {"unzip then run in the extracted folder", A::unzipThenRun, W::extractedFolder, "", "bash './deploy.sh'",
         "drop/app", concat({kHeader, kUnzip, {"cd -- 'drop/app'"}, tail, {"bash './deploy.sh'"}})},
        {"unzip then run in the upload folder", A::unzipThenRun, W::uploadFolder, "", "ls", "drop",
         concat({kHeader, kUnzip, {"cd -- 'drop'"}, tail, {"ls"}})},
        {"custom inside the extracted folder, templates quoted in the command", A::unzipThenRun, W::custom,
         "{extract}/build", "make {file}\r\n  echo {stem} {dir} {extract}  \r\n", "drop/app/build",
         concat({kHeader, kUnzip, {"cd -- 'drop/app/build'"}, tail,
                 {"make 'drop/app.zip'\n  echo 'app' 'drop' 'drop/app'"}})},
        {"custom from the file, first line only", A::unzipThenRun, W::custom, " {file}.d \nsecond line", "true",
         "drop/app.zip.d", concat({kHeader, kUnzip, {"cd -- 'drop/app.zip.d'"}, tail, {"true"}})},
        {"blank custom falls back to the extracted folder", A::unzipThenRun, W::custom, "  \n{extract}/x", "true",
         "drop/app", concat({kHeader, kUnzip, {"cd -- 'drop/app'"}, tail, {"true"}})},
        {"blank custom without unzip falls back to the folder", A::run, W::custom, std::string(1, '\0') + " ", "true", "drop",
         concat({kHeader, {"cd -- 'drop'"}, tail, {"true"}})},
        {"custom outside the upload", A::run, W::custom, "/srv/{stem}/{dir}", "true", "/srv/app/drop",
         concat({kHeader, {"cd -- '/srv/app/drop'"}, tail, {"true"}})},
    };
    for (const auto& c : cases) {
        const Rendered r = render(c.action, c.directory, c.custom, c.command);
        EXPECT_EQ(r.workingDirectory, c.workingDirectory) << c.name;
        EXPECT_EQ(r.shellLine, joinLines(c.lines)) << c.name;
    }
}

TEST(PostUploadShellLine, RootUploadsQuotesAndTheAutomaticBlock) {
    // An upload into the root: no folder, the stem is the extract path, no "cd" at all.
    Rendered root = render(A::run, W::uploadFolder, "", "true", "app.zip");
    EXPECT_EQ(root.workingDirectory, "");
    EXPECT_EQ(root.shellLine, joinLines({"set -e", "echo 'Tarvo recipe started'", "echo 'artifact: ' 'app.zip'",
                                         "echo 'working directory:'", "pwd", "true"}));
    root = render(A::unzipThenRun, W::extractedFolder, "", "true", "app.zip");
    EXPECT_NE(root.shellLine.find("unzip -o -- 'app.zip' -d 'app'\n"), std::string::npos);
    EXPECT_NE(root.shellLine.find("\ncd -- 'app'\n"), std::string::npos);

    // Single quotes in every value are written as '"'"' inside the quotes.
    const Rendered quoted = render(A::unzipThenRun, W::extractedFolder, "", "ls {file}", "it's/it's.zip");
    EXPECT_EQ(quoted.shellLine,
              joinLines({"set -e", "echo 'Tarvo recipe started'", "echo 'artifact: ' 'it'\"'\"'s/it'\"'\"'s.zip'",
                         "rm -rf -- 'it'\"'\"'s/it'\"'\"'s'", "mkdir -p -- 'it'\"'\"'s/it'\"'\"'s'",
                         "unzip -o -- 'it'\"'\"'s/it'\"'\"'s.zip' -d 'it'\"'\"'s/it'\"'\"'s'",
                         "echo 'extracted: ' 'it'\"'\"'s/it'\"'\"'s'", "cd -- 'it'\"'\"'s/it'\"'\"'s'",
                         "echo 'working directory:'", "pwd", "ls 'it'\"'\"'s/it'\"'\"'s.zip'"}));

    // A blank command of a recipe that runs ends with the automatic block, last.
    for (const char* blank : {"", "  \r\n\t "}) {
        const Rendered automatic = render(A::unzipThenRun, W::extractedFolder, "", blank);
        EXPECT_EQ(automatic.shellLine,
                  joinLines(concat({kHeader, kUnzip, {"cd -- 'drop/app'", "echo 'working directory:'", "pwd"},
                                    {autoResolveShellBlock()}})));
    }
    EXPECT_EQ(autoResolveShellBlock().substr(0, 36), "_tarvo_run_single_shell_script_here(");
    EXPECT_EQ(autoResolveShellBlock().substr(autoResolveShellBlock().rfind('\n') + 1),
              "_tarvo_run_single_shell_script_here");
}

TEST(PostUploadShellLine, PathPiecesAndTemplates) {
    const std::vector<std::pair<std::string, std::string>> parents = {
        {"uploads/app/build.zip", "uploads/app"}, {"/srv/app.zip", "srv"}, {"app.zip", ""}, {"", ""},
        {"a//b///c.zip/", "a/b"},                 {"/", ""},
    };
    for (const auto& [path, parent] : parents) EXPECT_EQ(parentFolder(path), parent) << path;

    EXPECT_EQ(renderPathTemplate(std::string(1, '\0') + " {extract}/b{u}ild \r\nnext", "f", "d", "s", "d/s"), "d/s/b{u}ild");
    EXPECT_EQ(renderPathTemplate("{dir}/{stem}/{file}", "d/s.zip", "d", "s", "d/s"), "d/s/d/s.zip");
    // Each value goes in as it is: a value holding a placeholder is replaced again by the later
    // steps, as the order file, dir, stem, extract gives.
    EXPECT_EQ(renderPathTemplate("{file}", "{stem}.zip", "d", "s", "d/s"), "s.zip");
    EXPECT_EQ(renderDeployCommand("", "f", "d", "s", "x"), "");
    EXPECT_EQ(renderDeployCommand(" \r\n ", "f", "d", "s", "x"), "");
    EXPECT_EQ(renderDeployCommand("a\r\rb {dir}", "f", "", "s", "x"), "a\n\nb ''");
}

TEST(PostUploadShellLine, EnvironmentCarriesTheServersModelSettings) {
    ServerProfile server;
    EXPECT_TRUE(postUploadEnvironment(server).empty());
    server.llmEndpointURLString = "  http://gpu:11434 \n";
    EXPECT_EQ(postUploadEnvironment(server), (std::map<std::string, std::string>{
                                                 {"OLLAMA_HOST", "http://gpu:11434"},
                                                 {"TARVO_LLM_ENDPOINT", "http://gpu:11434"}}));
    server.llmEndpointURLString = " ";
    server.llmModel = " qwen2.5 ";
    EXPECT_EQ(postUploadEnvironment(server), (std::map<std::string, std::string>{
                                                 {"OLLAMA_MODEL", "qwen2.5"}, {"TARVO_LLM_MODEL", "qwen2.5"}}));
}

// The automatic block, run by bash as the server runs it, in a folder laid out per case.
class AutomaticBlockRun : public ::testing::Test {
protected:
    tarvo_test::TempDir dir_{"autoblock"};
    fs::path root() const { return fs::canonical(dir_.path()); }

    void script(const std::string& relative, const std::string& body, bool executable = false) {
        tarvo_test::writeFile(root() / relative, "#!/bin/bash\n" + body + "\n");
        if (executable) fs::permissions(root() / relative, fs::perms::owner_exec, fs::perm_options::add);
    }

    tarvo_test::ProcessResult run() {
        const std::string line = buildPostUploadShellLine(A::run, "up/app.zip", "up", "up/app", root().string(), "");
        return share_test::runShellLine(line, root());
    }

    std::string header() const {
        return "Tarvo recipe started\nartifact:  up/app.zip\nworking directory:\n" + root().string() + "\n";
    }
};

TEST_F(AutomaticBlockRun, OneScriptRunsAndGivesItsStatus) {
    script("deploy.sh", "echo \"deploying from $(basename \"$PWD\")\"");
    fs::create_directories(root() / "docs");  // folders do not matter once a script is found
    auto r = run();
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, header() + "Tarvo auto-resolved shell script: ./deploy.sh\ndeploying from " +
                         root().filename().string() + "\n");

    fs::remove(root() / "deploy.sh");
    script("fail.sh", "echo failing; exit 3", true);  // executable: run directly
    r = run();
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.out, header() + "Tarvo auto-resolved shell script: ./fail.sh\nfailing\n");
}

TEST_F(AutomaticBlockRun, SeveralScriptsAreListedWithStatus64) {
    script("b.sh", "echo b");
    script("a.sh", "echo a");
    auto r = run();
    EXPECT_EQ(r.exitCode, 64);
    EXPECT_EQ(r.out, header() + "Tarvo found multiple shell scripts. Choose one explicitly in the share sheet:\n"
                                "./a.sh\n./b.sh\n");
}

TEST_F(AutomaticBlockRun, SingleFoldersAreDescendedUntilAScript) {
    script("app/inner/run.sh", "echo \"ran in $(basename \"$PWD\")\"");
    tarvo_test::writeFile(root() / "app/inner/README", "not a script");
    auto r = run();
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, header() + "Tarvo found one nested folder: ./app\nTarvo found one nested folder: ./inner\n"
                                "Tarvo auto-resolved shell script: ./run.sh\nran in inner\n");
}

TEST_F(AutomaticBlockRun, SeveralFoldersOrNothingEndWithStatus64) {
    fs::create_directories(root() / "web");
    fs::create_directories(root() / "api");
    tarvo_test::writeFile(root() / "notes.txt", "x");
    auto r = run();
    EXPECT_EQ(r.exitCode, 64);
    EXPECT_EQ(r.out, header() + "Tarvo found no shell script at this level and multiple folders. Choose the "
                                "working folder explicitly:\n./api\n./web\n");

    fs::remove_all(root() / "web");
    r = run();  // one empty folder: descended, then nothing
    EXPECT_EQ(r.exitCode, 64);
    EXPECT_EQ(r.out, header() + "Tarvo found one nested folder: ./api\n"
                                "Tarvo found no shell script to run. Type a command or choose a detected script.\n");

    fs::remove_all(root() / "api");
    r = run();
    EXPECT_EQ(r.exitCode, 64);
    EXPECT_EQ(r.out, header() + "Tarvo found no shell script to run. Type a command or choose a detected script.\n");
}

}  // namespace
}  // namespace tarvo::share
