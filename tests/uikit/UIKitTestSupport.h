#pragma once
// A small screen built the way the share screen is (a scroll view over a dock, stacks of
// labels, fields and controls wired to the controller with target-action), which records every
// event its controls and delegates send; and a fixture that shows it in a window.
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/concurrency/MainQueue.h"
#include "platform/foundation/Text.h"
#include "platform/uikit/UIActivityIndicatorView.h"
#include "platform/uikit/UIBarButtonItem.h"
#include "platform/uikit/UIButton.h"
#include "platform/uikit/UIDriver.h"
#include "platform/uikit/UIImageView.h"
#include "platform/uikit/UILabel.h"
#include "platform/uikit/UIProgressView.h"
#include "platform/uikit/UIScrollView.h"
#include "platform/uikit/UISegmentedControl.h"
#include "platform/uikit/UIStackView.h"
#include "platform/uikit/UISwitch.h"
#include "platform/uikit/UITextField.h"
#include "platform/uikit/UITextView.h"
#include "platform/uikit/UIViewController.h"
#include "platform/uikit/UIWindow.h"

namespace uikit_test {

using namespace platform;

// A label with inner margins, made the way the platform lets a label subclass make one.
class BadgeLabel : public UILabel {
public:
    UIEdgeInsets insets{3, 7, 3, 7};
    UIEdgeInsets textDrawingInsets() const override { return insets; }
    CGSize intrinsicContentSize() const override {
        const CGSize base = UILabel::intrinsicContentSize();
        return {base.width + insets.left + insets.right, base.height + insets.top + insets.bottom};
    }
};

class SampleScreen : public UIViewController, public UITextFieldDelegate, public UITextViewDelegate {
public:
    std::vector<std::string> log;
    bool refuseDigits = false;

    std::shared_ptr<UIScrollView> scrollView = UIScrollView::make();
    std::shared_ptr<UIStackView> contentStack = UIStackView::vertical(10);
    std::shared_ptr<UILabel> titleLabel = UILabel::make();
    std::shared_ptr<UISegmentedControl> modeControl = UISegmentedControl::make({"Single", "Multi"});
    std::shared_ptr<UIButton> serverButton = UIButton::make(UIButtonConfiguration::tinted());
    std::shared_ptr<UIControl> serverRow = UIControl::make();
    std::shared_ptr<UITextField> kindField = UITextField::make("e.g. clipboard");
    std::shared_ptr<UITextField> destFolderField = UITextField::make("server root");
    std::shared_ptr<UITextView> commandView = UITextView::make();
    std::shared_ptr<UISwitch> returnResultSwitch = UISwitch::make(true);
    std::shared_ptr<UILabel> hiddenNote = UILabel::make("Only when expanded");
    std::shared_ptr<UIStackView> dock = UIStackView::vertical(10);
    std::shared_ptr<UIActivityIndicatorView> spinner = UIActivityIndicatorView::make();
    std::shared_ptr<UIProgressView> progress = UIProgressView::make();
    std::shared_ptr<UIButton> cancelButton = UIButton::make();
    std::shared_ptr<UIButton> sendButton = UIButton::make();

    void draftFieldChanged(UIControl& sender) { log.push_back("changed " + sender.role); }
    void fieldEnded(UIControl& sender) { log.push_back("ended " + sender.role); }
    void sendTapped() { log.push_back("send"); }
    void cancelTapped() { log.push_back("cancel"); }
    void rowTapped() { log.push_back("row"); }
    void modeChanged() { log.push_back("mode " + std::to_string(modeControl->selectedSegmentIndex)); }
    void returnResultChanged() { log.push_back(std::string("returnResult ") + (returnResultSwitch->on ? "on" : "off")); }
    void dismissKeyboard() {
        log.push_back("done");
        view()->endEditing(true);
    }

    bool textFieldShouldBeginEditing(UITextField& f) override {
        log.push_back("shouldBegin " + f.role);
        return true;
    }
    void textFieldDidBeginEditing(UITextField& f) override { log.push_back("didBegin " + f.role); }
    bool textFieldShouldEndEditing(UITextField& f) override {
        log.push_back("shouldEnd " + f.role);
        return true;
    }
    void textFieldDidEndEditing(UITextField& f) override { log.push_back("didEnd " + f.role); }
    bool textFieldShouldChangeCharacters(UITextField& f, NSRange r, const std::string& s) override {
        log.push_back("shouldChange " + f.role + " " + std::to_string(r.location) + "+" + std::to_string(r.length) +
                      " \"" + s + "\"");
        return !(refuseDigits && !s.empty() && s[0] >= '0' && s[0] <= '9');
    }
    bool textFieldShouldReturn(UITextField& f) override {
        log.push_back("return " + f.role);
        f.resignFirstResponder();
        return true;
    }
    void textViewDidBeginEditing(UITextView& t) override { log.push_back("didBegin " + t.role); }
    void textViewDidEndEditing(UITextView& t) override { log.push_back("didEnd " + t.role); }
    void textViewDidChange(UITextView& t) override { log.push_back("textViewDidChange \"" + t.text + "\""); }

    std::shared_ptr<UIToolbar> makeKeyboardToolbar() {
        auto done = UIBarButtonItem::system(UIBarButtonItem::SystemItem::done);
        done->addTarget(self(), "dismissKeyboard", &SampleScreen::dismissKeyboard, UIControlEvents::touchUpInside);
        auto bar = UIToolbar::make({UIBarButtonItem::flexibleSpace(), done});
        bar->sizeToFit();
        return bar;
    }

    std::shared_ptr<SampleScreen> self() { return std::static_pointer_cast<SampleScreen>(shared_from_this()); }

protected:
    void viewDidLoad() override {
        auto root = view();
        root->backgroundColor = UIColor::systemGroupedBackground();
        scrollView->role = "scrollView";
        scrollView->alwaysBounceVertical = true;
        scrollView->keyboardDismissMode = UIScrollView::KeyboardDismissMode::interactive;
        dock->role = "actionDock";
        dock->edgesInSuperview = {8, 16, 8, 16};
        dock->isLayoutMarginsRelativeArrangement = true;
        dock->layoutMargins = UIEdgeInsets::all(12);
        dock->backgroundColor = UIColor::blend(UIColor::systemBlue(), 0.1, UIColor::secondarySystemGroupedBackground());
        dock->cornerRadius = 18;
        dock->borderWidth = 1;
        dock->borderColor = UIColor::systemBlue().withAlphaComponent(0.28);
        root->addSubview(scrollView);
        root->addSubview(dock);
        contentStack->role = "contentStack";
        contentStack->edgesInSuperview = {14, 16, 14, 16};
        scrollView->addSubview(contentStack);

        titleLabel->role = "titleLabel";
        titleLabel->text = "site → a";
        titleLabel->font = UIFont::systemFont(21, UIFont::Weight::bold);
        titleLabel->numberOfLines = 2;

        modeControl->role = "serverModeControl";
        modeControl->selectedSegmentIndex = 0;
        modeControl->addTarget(self(), "modeChanged", &SampleScreen::modeChanged, UIControlEvents::valueChanged);

        serverButton->role = "serverButton";
        serverButton->configuration->title = "Server A";
        serverButton->configuration->image = "chevron.down";
        serverButton->configuration->imagePlacement = UIButtonConfiguration::ImagePlacement::trailing;
        serverButton->showsMenuAsPrimaryAction = true;

        serverRow->role = "serverRow:a";
        serverRow->accessibilityIdentifier = "a";
        serverRow->backgroundColor = UIColor::systemBlue().withAlphaComponent(0.10);
        serverRow->cornerRadius = 14;
        auto name = UILabel::make("Server A");
        name->font = UIFont::systemFont(14, UIFont::Weight::semibold);
        auto badge = std::make_shared<BadgeLabel>();
        badge->role = "scriptCountBadge";
        badge->text = "2";
        badge->font = UIFont::systemFont(10, UIFont::Weight::bold);
        badge->textColor = UIColor::systemBlue();
        badge->backgroundColor = UIColor::systemBlue().withAlphaComponent(0.14);
        badge->cornerRadius = 8;
        badge->horizontalHuggingPriority = 1000;
        auto context = UILabel::make("/uploads · Failed · exit 2");
        context->font = UIFont::monospacedSystemFont(11, UIFont::Weight::regular);
        context->textColor = UIColor::systemRed();
        auto column = UIStackView::vertical(3, {UIStackView::horizontal(6, {name, badge, UIView::make()}), context});
        column->userInteractionEnabled = false;
        column->edgesInSuperview = UIEdgeInsets::all(8);
        serverRow->addSubview(column);
        serverRow->addTarget(self(), "rowTapped", &SampleScreen::rowTapped, UIControlEvents::touchUpInside);

        for (auto* f : {kindField.get(), destFolderField.get()}) {
            f->borderStyle = UITextField::BorderStyle::roundedRect;
            f->backgroundColor = UIColor::secondarySystemGroupedBackground();
            f->autocorrectionType = UITextAutocorrectionType::no;
            f->autocapitalizationType = UITextAutocapitalizationType::none;
            f->clearButtonMode = UITextField::ViewMode::whileEditing;
            f->returnKeyType = UIReturnKeyType::done;
            f->delegate = self();
            f->inputAccessoryView = makeKeyboardToolbar();
            f->addTarget(self(), "draftFieldChanged", &SampleScreen::draftFieldChanged, UIControlEvents::editingChanged);
            f->addTarget(self(), "fieldEnded", &SampleScreen::fieldEnded, UIControlEvents::editingDidEnd);
        }
        kindField->role = "kindField";
        destFolderField->role = "destFolderField";

        commandView->role = "deployCommandTextView";
        commandView->font = UIFont::monospacedSystemFont(13, UIFont::Weight::regular);
        commandView->textContainerInset = {8, 6, 8, 6};
        commandView->minimumHeight = 76;
        commandView->delegate = self();
        commandView->inputAccessoryView = makeKeyboardToolbar();

        returnResultSwitch->role = "returnResultSwitch";
        returnResultSwitch->addTarget(self(), "returnResultChanged", &SampleScreen::returnResultChanged,
                                      UIControlEvents::valueChanged);
        auto toggleLabel = UILabel::make("Return result");
        auto toggleRow = UIStackView::horizontal(12, {toggleLabel, UIView::make(), returnResultSwitch});
        toggleRow->alignment = UIStackView::Alignment::center;

        hiddenNote->role = "hiddenNote";
        hiddenNote->hidden = true;

        contentStack->addArrangedSubview(titleLabel);
        contentStack->addArrangedSubview(modeControl);
        contentStack->addArrangedSubview(serverButton);
        contentStack->addArrangedSubview(serverRow);
        contentStack->addArrangedSubview(kindField);
        contentStack->addArrangedSubview(destFolderField);
        contentStack->addArrangedSubview(commandView);
        contentStack->addArrangedSubview(toggleRow);
        contentStack->addArrangedSubview(hiddenNote);

        spinner->role = "spinner";
        progress->role = "uploadProgressView";
        progress->setProgress(0.25);
        cancelButton->role = "cancelButton";
        cancelButton->setTitle("Cancel", UIControlState::normal);
        cancelButton->addTarget(self(), "cancelTapped", &SampleScreen::cancelTapped, UIControlEvents::touchUpInside);
        sendButton->role = "sendButton";
        sendButton->setTitle("Upload → Server A", UIControlState::normal);
        sendButton->setTitleColor(UIColor::white(), UIControlState::normal);
        sendButton->backgroundColor = UIColor::systemBlue();
        sendButton->addTarget(self(), "sendTapped", &SampleScreen::sendTapped, UIControlEvents::touchUpInside);
        auto buttons = UIStackView::horizontal(10, {cancelButton, sendButton});
        buttons->distribution = UIStackView::Distribution::fillEqually;
        buttons->minimumHeight = 48;
        dock->addArrangedSubview(UIStackView::horizontal(10, {spinner, UILabel::make("Ready")}));
        dock->addArrangedSubview(progress);
        dock->addArrangedSubview(buttons);
    }
};

class ScreenTest : public ::testing::Test {
protected:
    void SetUp() override { window.setRootViewController(screen); }

    MainQueue queue;
    UIWindow window{queue};
    std::shared_ptr<SampleScreen> screen = std::make_shared<SampleScreen>();
    UIDriver driver{window};
};

// Runs f and returns the problem of the UIDriverError it throws ("" when it throws none).
template <class F>
std::string driverProblem(F&& f) {
    try {
        f();
    } catch (const UIDriverError& e) {
        return e.problem();
    }
    return "";
}

}  // namespace uikit_test

#include "platform/uikit/UIAlertController.h"
#include "platform/uikit/UINavigationController.h"
#include "platform/uikit/UISearchController.h"
#include "platform/uikit/UITableView.h"

namespace uikit_test {

// A list of folders with a navigation bar, search and pull to refresh, built the way the folder
// picker is; it records what reaches it.
class FolderList : public UITableViewController, public UISearchResultsUpdating {
public:
    FolderList() : UITableViewController(UITableView::Style::insetGrouped) {}

    std::vector<std::string> folders{"apps", "uploads", "Website"};
    std::string path = "uploads";
    std::string searchText;
    std::vector<std::string> log;
    std::shared_ptr<UISearchController> searchController = UISearchController::make();
    std::shared_ptr<UIBarButtonItem> useHere = UIBarButtonItem::titled("Use Here", UIBarButtonItem::Style::done);
    std::shared_ptr<UIBarButtonItem> add = UIBarButtonItem::system(UIBarButtonItem::SystemItem::add);
    std::shared_ptr<UIBarButtonItem> sort = UIBarButtonItem::symbol("arrow.up.arrow.down.circle");

    std::vector<std::string> visible() const {
        std::vector<std::string> out;
        for (const auto& f : folders) {
            if (searchText.empty() || text::lowercased(f).find(text::lowercased(searchText)) != std::string::npos) {
                out.push_back(f);
            }
        }
        return out;
    }

    int numberOfRows(UITableView&, int) override { return static_cast<int>(visible().size()) + 1; }
    std::shared_ptr<UITableViewCell> cellForRow(UITableView& table, IndexPath ip) override {
        auto cell = table.dequeueReusableCell("dir", ip);
        auto content = cell->defaultContentConfiguration();
        if (ip.row == 0) {
            content.image = "arrow.up.left";
            content.text = "..";
            content.secondaryText = "/";
        } else {
            content.image = "folder";
            content.text = visible()[static_cast<std::size_t>(ip.row - 1)];
            content.secondaryText = "/" + path + "/" + content.text;
        }
        cell->contentConfiguration = content;
        cell->accessoryType = UITableViewCell::AccessoryType::disclosureIndicator;
        return cell;
    }
    void didSelectRow(UITableView& table, IndexPath ip) override {
        table.deselectRow(ip, true);
        log.push_back("select " + std::to_string(ip.row));
    }
    void updateSearchResults(UISearchController& c) override {
        searchText = c.searchBar()->text;
        log.push_back("search \"" + searchText + "\"");
        tableView()->reloadData();
    }
    void refreshPulled() {
        log.push_back("refresh");
        refreshControl()->endRefreshing();
    }
    void cancelTapped() {
        log.push_back("cancel");
        dismiss(true);
    }
    void useHereTapped() { log.push_back("useHere " + path); }
    void newFolderTapped() {
        auto alert = UIAlertController::make("New Folder", "/" + path);
        alert->addTextField([](UITextField& f) { f.placeholder = "Folder name"; });
        auto self = std::static_pointer_cast<FolderList>(shared_from_this());
        std::weak_ptr<UIAlertController> weakAlert = alert;
        alert->addAction(UIAlertAction::make("Cancel", UIAlertAction::Style::cancel));
        alert->addAction(UIAlertAction::make("Create", UIAlertAction::Style::defaultStyle, [self, weakAlert](UIAlertAction&) {
            auto a = weakAlert.lock();
            self->log.push_back("create \"" + (a ? a->textFields()[0]->text : std::string("?")) + "\" " +
                                (self->presentedViewController() ? "while presenting" : "after dismissal"));
        }));
        present(alert, true);
    }

protected:
    void viewDidLoad() override {
        auto self = std::static_pointer_cast<FolderList>(shared_from_this());
        tableView()->registerCell("dir");
        auto refresh = UIRefreshControl::make();
        refresh->addTarget(self, "refreshPulled", &FolderList::refreshPulled, UIControlEvents::valueChanged);
        setRefreshControl(refresh);
        searchController->searchResultsUpdater = self;
        searchController->obscuresBackgroundDuringPresentation = false;
        searchController->searchBar()->placeholder = "Search folders";
        navigationItem().setSearchController(searchController);
        navigationItem().hidesSearchBarWhenScrolling = false;
        definesPresentationContext = true;
        auto cancel = UIBarButtonItem::system(UIBarButtonItem::SystemItem::cancel);
        cancel->addTarget(self, "cancelTapped", &FolderList::cancelTapped, UIControlEvents::touchUpInside);
        useHere->addTarget(self, "useHereTapped", &FolderList::useHereTapped, UIControlEvents::touchUpInside);
        add->addTarget(self, "newFolderTapped", &FolderList::newFolderTapped, UIControlEvents::touchUpInside);
        sort->accessibilityLabel = "Sort folders";
        sort->menu = UIMenu::make("Sort folders", {UIAction::make("Name", [] {}, "textformat.abc", UIAction::State::on),
                                                   UIAction::make("Largest", [] {}, "arrow.down.right.and.arrow.up.left")});
        navigationItem().setLeftBarButtonItems({cancel});
        navigationItem().setRightBarButtonItems({useHere, add, sort});
        navigationItem().prompt = "Server A";
        navigationItem().title = "/" + path;
    }
};

// Presents the folder list in a form sheet over the sample screen.
inline std::shared_ptr<FolderList> presentFolderList(SampleScreen& screen) {
    auto list = std::make_shared<FolderList>();
    auto nav = UINavigationController::make(list);
    nav->modalPresentationStyle = UIViewController::ModalPresentationStyle::formSheet;
    screen.present(nav, true);
    return list;
}

}  // namespace uikit_test
