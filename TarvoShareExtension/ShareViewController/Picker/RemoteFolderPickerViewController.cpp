#include "TarvoShareExtension/ShareViewController/Picker/RemoteFolderPickerViewController.h"

#include "TarvoShareExtension/ShareViewController/Rules/PostUploadShellLine.h"
#include "TarvoShareExtension/ShareViewController/Picker/RemoteFolderPath.h"
#include "platform/concurrency/Cancellation.h"
#include "platform/foundation/ErrorInfo.h"
#include "platform/foundation/Text.h"
#include "platform/uikit/UIAlertController.h"
#include "platform/uikit/UIRefreshControl.h"

namespace tarvo {

using namespace platform;
using share::FolderSortMode;

std::shared_ptr<RemoteFolderPickerViewController> RemoteFolderPickerViewController::make(
    RemoteAPI api, std::string initialPath, std::string serverLabel, std::shared_ptr<UserDefaults> defaults,
    std::function<void(std::string)> onPick, World world) {
    return std::make_shared<RemoteFolderPickerViewController>(std::move(api), std::move(initialPath),
                                                              std::move(serverLabel), std::move(defaults),
                                                              std::move(onPick), std::move(world));
}

RemoteFolderPickerViewController::RemoteFolderPickerViewController(RemoteAPI api, std::string initialPath,
                                                                   std::string serverLabel,
                                                                   std::shared_ptr<UserDefaults> defaults,
                                                                   std::function<void(std::string)> onPick,
                                                                   World world)
    : UITableViewController(UITableView::Style::insetGrouped),
      api(std::move(api)),
      serverLabel(std::move(serverLabel)),
      defaults(std::move(defaults)),
      onPick(std::move(onPick)),
      searchController(UISearchController::make()),
      // Canonical like every other path the picker holds, so a field holding "a//b/" or
      // "./a" opens the folder its listing will name.
      currentPath(share::normalizeFolderInput(initialPath)),
      world_(std::move(world)),
      listedPath_(currentPath) {}

RemoteFolderPickerViewController::~RemoteFolderPickerViewController() {
    if (loadTask) loadTask->cancel();
    if (createTask) createTask->cancel();
}

std::weak_ptr<RemoteFolderPickerViewController> RemoteFolderPickerViewController::weakSelf() {
    return std::static_pointer_cast<RemoteFolderPickerViewController>(shared_from_this());
}

void RemoteFolderPickerViewController::viewDidLoad() {
    auto self = std::static_pointer_cast<RemoteFolderPickerViewController>(shared_from_this());
    auto table = tableView();
    table->registerCell("dir");

    auto refresh = UIRefreshControl::make();
    refresh->addTarget(self, "refreshPulled", &RemoteFolderPickerViewController::refreshPulled,
                       UIControlEvents::valueChanged);
    setRefreshControl(refresh);

    searchController->searchResultsUpdater = std::static_pointer_cast<UISearchResultsUpdating>(self);
    searchController->obscuresBackgroundDuringPresentation = false;
    searchController->searchBar()->placeholder = "Search folders";
    searchController->searchBar()->role = std::string(kSearchFieldRole);
    navigationItem().setSearchController(searchController);
    navigationItem().hidesSearchBarWhenScrolling = false;
    definesPresentationContext = true;

    auto cancel = UIBarButtonItem::system(UIBarButtonItem::SystemItem::cancel);
    cancel->role = std::string(kCancelRole);
    cancel->addTarget(self, "cancelTapped", &RemoteFolderPickerViewController::cancelTapped,
                      UIControlEvents::touchUpInside);
    useHereButton_ = UIBarButtonItem::titled("Use Here", UIBarButtonItem::Style::done);
    useHereButton_->role = std::string(kUseHereRole);
    useHereButton_->addTarget(self, "useHereTapped", &RemoteFolderPickerViewController::useHereTapped,
                              UIControlEvents::touchUpInside);
    addButton_ = UIBarButtonItem::system(UIBarButtonItem::SystemItem::add);
    addButton_->role = std::string(kNewFolderRole);
    addButton_->addTarget(self, "newFolderTapped", &RemoteFolderPickerViewController::newFolderTapped,
                          UIControlEvents::touchUpInside);
    navigationItem().setLeftBarButtonItems({cancel});
    navigationItem().setRightBarButtonItems({useHereButton_, addButton_, sortButtonItem()});

    navigationItem().prompt = serverLabel;
    navigationItem().title = share::displayedFolderPath(currentPath);
    loadCurrentPath();
}

// ---- Listing

void RemoteFolderPickerViewController::loadCurrentPath() {
    if (loadTask) loadTask->cancel();
    navigationItem().prompt = kLoadingPrompt;
    navigationItem().title = share::displayedFolderPath(currentPath);
    replaceTask(loadTask, startTask(world_.mainQueue.executor(), weakSelf(),
                                    [](std::shared_ptr<RemoteFolderPickerViewController> self) -> Async<void> {
                                        const std::string path = self->currentPath;
                                        std::optional<DirListResponse> reply;
                                        std::string failure;
                                        try {
                                            reply = co_await self->api.list(path);
                                        } catch (const std::exception& e) {
                                            failure = describeError(e);
                                        }
                                        if (co_await isCancelled()) co_return;
                                        if (auto refresh = self->refreshControl()) refresh->endRefreshing();
                                        self->navigationItem().prompt = self->serverLabel;
                                        if (reply) {
                                            self->listing_ = share::FolderListing(share::directoriesOf(std::move(reply->entries)));
                                            self->listedPath_ = path;
                                            self->navigationItem().title = share::displayedFolderPath(path);
                                            self->reloadTable();
                                            co_return;
                                        }
                                        // A refresh or Retry that fails leaves the folder's rows
                                        // as they were. The rows of another folder belong to
                                        // no folder the title names: only the failed folder's
                                        // parent row stays.
                                        if (path != self->listedPath_) {
                                            self->listing_ = share::FolderListing();
                                            self->listedPath_ = path;
                                            self->reloadTable();
                                        }
                                        self->presentLoadError(failure);
                                    }));
}

void RemoteFolderPickerViewController::presentLoadError(const std::string& message) {
    auto alert = UIAlertController::make("Folder Load Failed", message);
    alert->addAction(UIAlertAction::make("OK", UIAlertAction::Style::cancel));
    std::weak_ptr<RemoteFolderPickerViewController> weak = weakSelf();
    alert->addAction(UIAlertAction::make("Retry", UIAlertAction::Style::defaultStyle, [weak](UIAlertAction&) {
        if (auto self = weak.lock()) self->loadCurrentPath();
    }));
    present(alert, true);
}

FolderSortMode RemoteFolderPickerViewController::sortMode() const {
    return share::folderSortModeFromStored(defaults ? defaults->string(share::kFolderSortModeKey) : std::nullopt);
}

std::vector<Entry> RemoteFolderPickerViewController::visibleDirs() const {
    const bool showHidden = defaults && defaults->boolValue(kHiddenFilesKey);
    return listing_.visibleEntries(listedPath_, searchText, showHidden, sortMode());
}

const std::vector<std::string_view>& RemoteFolderPickerViewController::controlRoles() {
    static const std::vector<std::string_view> all{kSearchFieldRole, kCancelRole, kUseHereRole, kNewFolderRole, kSortRole};
    return all;
}

const std::shared_ptr<UIBarButtonItem>& RemoteFolderPickerViewController::sortButtonItem() {
    if (!sortButtonItem_) {
        sortButtonItem_ = UIBarButtonItem::symbol("arrow.up.arrow.down.circle", UIBarButtonItem::Style::plain);
        sortButtonItem_->role = std::string(kSortRole);
        sortButtonItem_->accessibilityLabel = "Sort folders";
        sortButtonItem_->menu = makeSortMenu();
    }
    return sortButtonItem_;
}

std::shared_ptr<UIMenu> RemoteFolderPickerViewController::makeSortMenu() {
    const FolderSortMode current = sortMode();
    std::vector<UIMenuElement> children;
    std::weak_ptr<RemoteFolderPickerViewController> weak = weakSelf();
    for (FolderSortMode mode : share::kFolderSortModes) {
        children.emplace_back(UIAction::make(
            std::string(share::menuTitle(mode)),
            [weak, mode] {
                if (auto self = weak.lock()) self->chooseSortMode(mode);
            },
            std::string(share::menuImage(mode)), mode == current ? UIAction::State::on : UIAction::State::off));
    }
    return UIMenu::make("Sort folders", std::move(children));
}

void RemoteFolderPickerViewController::chooseSortMode(FolderSortMode mode) {
    if (defaults) defaults->set(share::kFolderSortModeKey, PropertyList(std::string(share::rawValue(mode))));
    sortButtonItem()->menu = makeSortMenu();
    reloadTable();
}

void RemoteFolderPickerViewController::reloadTable() { tableView()->reloadData(); }

// ---- Actions

void RemoteFolderPickerViewController::cancelTapped() { dismiss(true); }

void RemoteFolderPickerViewController::useHereTapped() {
    if (onPick) onPick(currentPath);
    dismiss(true);
}

void RemoteFolderPickerViewController::refreshPulled() { loadCurrentPath(); }

void RemoteFolderPickerViewController::updateSearchResults(UISearchController& controller) {
    searchText = text::trimmed(controller.searchBar()->text);
    reloadTable();
}

void RemoteFolderPickerViewController::newFolderTapped() {
    auto alert = UIAlertController::make("New Folder", share::displayedFolderPath(currentPath));
    alert->addTextField([](UITextField& field) {
        field.placeholder = "Folder name";
        field.autocorrectionType = UITextAutocorrectionType::no;
        field.autocapitalizationType = UITextAutocapitalizationType::none;
        field.clearButtonMode = UITextField::ViewMode::whileEditing;
    });
    alert->addAction(UIAlertAction::make("Cancel", UIAlertAction::Style::cancel));
    std::weak_ptr<RemoteFolderPickerViewController> weak = weakSelf();
    std::weak_ptr<UIAlertController> weakAlert = alert;
    alert->addAction(UIAlertAction::make("Create", UIAlertAction::Style::defaultStyle, [weak, weakAlert](UIAlertAction&) {
        auto self = weak.lock();
        if (!self) return;
        std::string name;
        if (auto a = weakAlert.lock(); a && !a->textFields().empty()) name = a->textFields().front()->text;
        self->createFolder(name);
    }));
    present(alert, true);
}

void RemoteFolderPickerViewController::createFolder(const std::string& name) {
    const std::string n = share::normalizeFolderInput(name);
    if (n.empty()) {
        auto alert = UIAlertController::make("Invalid Folder", "Enter a folder name.");
        alert->addAction(UIAlertAction::make("OK", UIAlertAction::Style::cancel));
        present(alert, true);
        return;
    }
    const std::string target = share::childPath(currentPath, n);
    navigationItem().prompt = kCreatingPrompt;
    setRightItemsEnabled(false);
    replaceTask(createTask, startTask(world_.mainQueue.executor(), weakSelf(),
                                      [target](std::shared_ptr<RemoteFolderPickerViewController> self) -> Async<void> {
                                          bool created = false;
                                          std::string failure;
                                          try {
                                              co_await self->api.createDirectory(target);
                                              created = true;
                                          } catch (const std::exception& e) {
                                              failure = describeError(e);
                                          }
                                          if (co_await isCancelled()) co_return;
                                          self->setRightItemsEnabled(true);
                                          if (created) {
                                              self->currentPath = target;
                                              self->searchText.clear();
                                              self->searchController->searchBar()->text.clear();
                                              self->loadCurrentPath();
                                              co_return;
                                          }
                                          self->navigationItem().prompt = self->serverLabel;
                                          auto alert = UIAlertController::make("Folder Create Failed", failure);
                                          alert->addAction(UIAlertAction::make("OK", UIAlertAction::Style::cancel));
                                          self->present(alert, true);
                                      }));
}

void RemoteFolderPickerViewController::setRightItemsEnabled(bool enabled) {
    for (const auto& item : navigationItem().rightBarButtonItems()) {
        if (item) item->enabled = enabled;
    }
}

// ---- Table

int RemoteFolderPickerViewController::numberOfRows(UITableView&, int) {
    const bool showHidden = defaults && defaults->boolValue(kHiddenFilesKey);
    shownRows_ = listing_.visible(listedPath_, searchText, showHidden, sortMode());
    shownParentRow_ = !listedPath_.empty();
    return static_cast<int>(shownRows_.size()) + (shownParentRow_ ? 1 : 0);
}

std::shared_ptr<UITableViewCell> RemoteFolderPickerViewController::cellForRow(UITableView& table, IndexPath indexPath) {
    auto cell = table.dequeueReusableCell("dir", indexPath);
    auto content = cell->defaultContentConfiguration();
    const int offset = shownParentRow_ ? 1 : 0;
    if (shownParentRow_ && indexPath.row == 0) {
        content.image = "arrow.up.left";
        content.text = "..";
        content.secondaryText = share::displayedFolderPath(share::parentFolder(listedPath_));
    } else {
        const auto at = static_cast<std::size_t>(indexPath.row - offset);
        if (indexPath.row < offset || at >= shownRows_.size()) return cell;
        const Entry& entry = dirs()[shownRows_[at]];
        content.image = "folder";
        content.text = entry.name;
        content.secondaryText =
            share::folderSubtitle(share::childPath(listedPath_, entry.name), entry, world_.clock.now(), world_.writeDate);
    }
    cell->contentConfiguration = std::move(content);
    cell->accessoryType = UITableViewCell::AccessoryType::disclosureIndicator;
    return cell;
}

void RemoteFolderPickerViewController::didSelectRow(UITableView& table, IndexPath indexPath) {
    table.deselectRow(indexPath, true);
    const int offset = shownParentRow_ ? 1 : 0;
    if (shownParentRow_ && indexPath.row == 0) {
        currentPath = share::parentFolder(listedPath_);
    } else {
        const auto at = static_cast<std::size_t>(indexPath.row - offset);
        if (indexPath.row < offset || at >= shownRows_.size()) return;
        currentPath = share::childPath(listedPath_, dirs()[shownRows_[at]].name);
    }
    // The search stays, so the next folder's rows are filtered by it too.
    loadCurrentPath();
}

}  // namespace tarvo
