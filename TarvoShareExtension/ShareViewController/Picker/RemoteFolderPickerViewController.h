#pragma once
// The remote folder picker: a table screen, shown in a navigation controller of its own over the
// share screen, that walks the folders of one server from the folder the destination field
// names, filters them by a search, sorts them, creates folders, and hands the chosen folder
// back through onPick. Everything runs on the main queue; the server is reached only through
// the RemoteAPI value it was given.
//
// Paths are canonical (RemoteFolderPath.h). At most one listing and one creation run at a time:
// each start cancels the one before, and a task checks for cancellation after its wait, so an
// outdated reply never reaches the screen. A running task keeps the picker alive until it ends;
// releasing the picker cancels both.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "TarvoShareExtension/Remote/RemoteAPI.h"
#include "TarvoShareExtension/ShareViewController/Picker/FolderListing.h"
#include "TarvoShareExtension/ShareViewController/Picker/FolderSortMode.h"
#include "TarvoShareExtension/ShareViewController/Picker/FolderSubtitle.h"
#include "platform/concurrency/MainQueue.h"
#include "platform/concurrency/Task.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/uikit/UIBarButtonItem.h"
#include "platform/uikit/UIMenu.h"
#include "platform/uikit/UISearchController.h"
#include "platform/uikit/UITableView.h"

namespace tarvo {

class RemoteFolderPickerViewController : public platform::UITableViewController,
                                         public platform::UISearchResultsUpdating {
public:
    using SortMode = share::FolderSortMode;

    // What the picker runs with besides the server: the main queue its tasks run on, the wall
    // clock for the ages of folders, and how a date older than a month is written.
    struct World {
        platform::MainQueue& mainQueue;
        platform::Clock clock;
        share::FolderDateWriter writeDate;
    };

    // Prompts and texts of the screen.
    static constexpr const char* kLoadingPrompt = "Loading\u2026";
    static constexpr const char* kCreatingPrompt = "Creating\u2026";
    static constexpr const char* kHiddenFilesKey = "files.display.showHiddenFiles";
    // The roles of the picker's controls, as steps and help texts name them.
    static constexpr std::string_view kSearchFieldRole = "pickerSearchField";
    static constexpr std::string_view kCancelRole = "pickerCancelButton";
    static constexpr std::string_view kUseHereRole = "useHereButton";
    static constexpr std::string_view kNewFolderRole = "newFolderButton";
    static constexpr std::string_view kSortRole = "sortButtonItem";
    static const std::vector<std::string_view>& controlRoles();

    // initialPath is made canonical. onPick receives the chosen folder's canonical path.
    static std::shared_ptr<RemoteFolderPickerViewController> make(RemoteAPI api, std::string initialPath,
                                                                  std::string serverLabel,
                                                                  std::shared_ptr<platform::UserDefaults> defaults,
                                                                  std::function<void(std::string)> onPick, World world);
    RemoteFolderPickerViewController(RemoteAPI api, std::string initialPath, std::string serverLabel,
                                     std::shared_ptr<platform::UserDefaults> defaults,
                                     std::function<void(std::string)> onPick, World world);
    ~RemoteFolderPickerViewController() override;

    std::string_view kindName() const override { return "RemoteFolderPicker"; }

    // ---- State
    RemoteAPI api;
    const std::string serverLabel;
    std::shared_ptr<platform::UserDefaults> defaults;
    std::function<void(std::string)> onPick;
    const std::shared_ptr<platform::UISearchController> searchController;
    std::string currentPath;
    std::string searchText;
    std::optional<platform::TaskHandle<>> loadTask;
    std::optional<platform::TaskHandle<>> createTask;

    // The directories of the listing on screen, in the server's order (none after a failed
    // listing of another folder).
    const std::vector<Entry>& dirs() const { return listing_.dirs(); }

    // ---- Listing, filtering and sorting
    void loadCurrentPath();
    void presentLoadError(const std::string& message);
    // The entries shown, in display order, from the settings as they are now.
    std::vector<Entry> visibleDirs() const;
    SortMode sortMode() const;
    // Made on first use, then kept.
    const std::shared_ptr<platform::UIBarButtonItem>& sortButtonItem();
    std::shared_ptr<platform::UIMenu> makeSortMenu();

    // ---- Navigation buttons and actions
    void cancelTapped();
    void useHereTapped();
    void newFolderTapped();
    void refreshPulled();
    void createFolder(const std::string& name);
    void setRightItemsEnabled(bool enabled);
    void updateSearchResults(platform::UISearchController& controller) override;

    // ---- Table
    int numberOfRows(platform::UITableView& table, int section) override;
    std::shared_ptr<platform::UITableViewCell> cellForRow(platform::UITableView& table,
                                                          platform::IndexPath indexPath) override;
    void didSelectRow(platform::UITableView& table, platform::IndexPath indexPath) override;

protected:
    void viewDidLoad() override;

private:
    std::weak_ptr<RemoteFolderPickerViewController> weakSelf();
    void chooseSortMode(SortMode mode);
    void reloadTable();

    World world_;
    share::FolderListing listing_;
    // The folder of the listing on screen. It differs from currentPath while a listing of
    // another folder loads: the rows on screen, their taps, subtitles and the search's paths
    // all belong to it until that listing arrives.
    std::string listedPath_;
    // The rows of the last reload (indices into dirs()), so that a tap opens the folder the
    // person saw.
    std::vector<std::size_t> shownRows_;
    // Whether that reload put a parent row (of listedPath_) first.
    bool shownParentRow_ = false;
    std::shared_ptr<platform::UIBarButtonItem> sortButtonItem_;
    std::shared_ptr<platform::UIBarButtonItem> useHereButton_;
    std::shared_ptr<platform::UIBarButtonItem> addButton_;
};

}  // namespace tarvo
