// Menus, alerts and a table screen presented in a form sheet, driven as a person would.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/concurrency/Task.h"
#include "platform/uikit/AlertChoice.h"
#include "platform/uikit/ScreenRenderer.h"
#include "tests/uikit/UIKitTestSupport.h"

namespace uikit_test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

class MenuTest : public ScreenTest {
protected:
    void SetUp() override {
        ScreenTest::SetUp();
        auto pick = [this](std::string what) { return [this, what] { chosen.push_back(what); }; };
        auto checked = UIAction::make("Server A", pick("A"), std::nullopt, UIAction::State::on);
        auto disabled = UIAction::make("No suggestions yet", pick("none"));
        disabled->disabled = true;
        auto wipe = UIAction::make("Clear field", pick("clear"));
        wipe->destructive = true;
        screen->serverButton->menu = UIMenu::make(
            "Server", {checked, UIAction::make("Server B", pick("B")),
                       UIMenu::make("Replace with", {UIAction::make("inbox", pick("replace inbox"))}, true),
                       UIMenu::make("Add", {UIAction::make("inbox", pick("add inbox"))}, true),
                       UIMenu::make("More", {UIAction::make("Server C", pick("C")), disabled}), wipe});
    }
    std::vector<std::string> chosen;
};

TEST_F(MenuTest, ATapOpensAPrimaryActionMenuAndChoosingRunsTheItemOnce) {
    driver.tap("serverButton");
    ASSERT_TRUE(window.openedMenu());
    EXPECT_EQ(window.openedMenu()->menu, screen->serverButton->menu);
    const std::string dump = driver.dump();
    EXPECT_THAT(dump, HasSubstr("  menu \"Server\" from Button #serverButton\n"
                                "    Action \"Server A\" on\n"
                                "    Action \"Server B\"\n"
                                "    Section \"Replace with\"\n"
                                "      Action \"inbox\"\n"
                                "    Section \"Add\"\n"
                                "      Action \"inbox\"\n"
                                "    Submenu \"More\"\n"
                                "      Action \"Server C\"\n"
                                "      Action \"No suggestions yet\" disabled\n"
                                "    Action \"Clear field\" destructive\n"));
    driver.chooseMenuItem("serverButton", {"Server B"});
    driver.chooseMenuItem("serverButton", {"More", "Server C"});
    driver.chooseMenuItem("serverButton", {"Add", "inbox"});  // a section's title picks between equal titles
    EXPECT_THAT(chosen, ElementsAre("B", "C", "add inbox"));
    EXPECT_FALSE(window.openedMenu());
    EXPECT_TRUE(screen->log.empty());  // the button sent no touch-up-inside

    driver.tap("serverButton");
    driver.tap("sendButton");  // a tap elsewhere closes the menu
    EXPECT_FALSE(window.openedMenu());
}

TEST_F(MenuTest, MenuPathsThatReachNoActionFail) {
    struct Case {
        std::vector<std::string> path;
        const char* problem;
    } cases[] = {
        {{"Server Z"}, "menu \"Server\" has no item \"Server Z\"; it offers \"Server A\", \"Server B\", \"inbox\", \"inbox\", \"More\", \"Clear field\""},
        {{"inbox"}, "menu \"Server\" has 2 items \"inbox\""},
        {{"More"}, "\"More\" in menu \"Server\" opens a submenu; name an item in it"},
        {{"Server A", "x"}, "\"Server A\" in menu \"Server\" is an action, not a submenu"},
        {{"More", "No suggestions yet"}, "menu item \"No suggestions yet\" is disabled"},
    };
    for (const auto& c : cases) {
        EXPECT_THAT(driverProblem([&] { driver.chooseMenuItem("serverButton", c.path); }), HasSubstr(c.problem));
    }
    EXPECT_THAT(driverProblem([&] { driver.chooseMenuItem("sendButton", {"x"}); }), HasSubstr("has no menu"));
    screen->serverButton->enabled = false;
    EXPECT_THAT(driverProblem([&] { driver.chooseMenuItem("serverButton", {"Server B"}); }), HasSubstr("disabled"));
    EXPECT_TRUE(chosen.empty());
}

TEST_F(MenuTest, AMenuThatIsNotThePrimaryActionLeavesTapsToTheButton) {
    screen->serverButton->showsMenuAsPrimaryAction = false;
    screen->serverButton->addAction(UIAction::make("tap", [this] { chosen.push_back("tap"); }),
                                    UIControlEvents::touchUpInside);
    driver.tap("serverButton");
    EXPECT_FALSE(window.openedMenu());
    driver.chooseMenuItem("serverButton", {"Server B"});  // a long press still opens it
    EXPECT_THAT(chosen, ElementsAre("tap", "B"));
}

TEST_F(ScreenTest, AlertsAreAnsweredFirstAndTheirHandlerRunsAfterDismissal) {
    std::vector<std::string> log;
    auto alert = UIAlertController::make("Deploy now?", "Runs the recipe on Server A");
    alert->addTextField([](UITextField& f) { f.placeholder = "Note"; });
    auto disabled = UIAlertAction::make("Later", UIAlertAction::Style::defaultStyle);
    disabled->enabled = false;
    alert->addAction(UIAlertAction::make("Cancel", UIAlertAction::Style::cancel, [&](UIAlertAction&) { log.push_back("cancel"); }));
    alert->addAction(disabled);
    std::weak_ptr<UIAlertController> weak = alert;
    alert->addAction(UIAlertAction::make("Deploy", UIAlertAction::Style::defaultStyle, [&](UIAlertAction&) {
        auto a = weak.lock();
        log.push_back("deploy \"" + a->textFields()[0]->text + "\" presented=" +
                      (screen->presentedViewController() ? "yes" : "no"));
    }));
    screen->present(alert, true);
    EXPECT_EQ(window.topViewController(), alert);

    // The screen beneath cannot be reached; texts are looked up in the alert first.
    EXPECT_THAT(driverProblem([&] { driver.tap("sendButton"); }),
                HasSubstr("\"sendButton\" is beneath the presented Alert \"Deploy now?\""));
    EXPECT_EQ(driver.find("Cancel"), alert->actions()[0]);
    EXPECT_THAT(driverProblem([&] { driver.answerAlert("Later"); }), HasSubstr("the alert's button \"Later\" is disabled"));
    EXPECT_THAT(driverProblem([&] { driver.answerAlert("OK"); }),
                HasSubstr("the alert has no button \"OK\"; it has \"Cancel\", \"Later\", \"Deploy\""));
    EXPECT_THAT(driverProblem([&] { driver.fillAlertField(2, "x"); }), HasSubstr("no text field 2; it has 1"));

    // A second presentation on a busy controller is refused, as the platform refuses it.
    screen->present(UIAlertController::make("Second", ""), true);
    EXPECT_EQ(window.topViewController(), alert);
    ASSERT_EQ(window.warnings().size(), 1u);
    EXPECT_THAT(window.warnings()[0], HasSubstr("which is already presenting Alert"));

    driver.fillAlertField(1, "first");
    driver.fillAlertField(1, "ship it");
    EXPECT_THAT(driver.dump(), HasSubstr("  presented Alert \"Deploy now?\" message=\"Runs the recipe on Server A\"\n"));
    driver.answerAlert("Deploy");
    EXPECT_THAT(log, ElementsAre("deploy \"ship it\" presented=no"));
    EXPECT_EQ(window.topViewController(), screen);
    EXPECT_EQ(window.firstResponder(), nullptr);  // the alert's field left with the alert
    EXPECT_THAT(driverProblem([&] { driver.answerAlert("Deploy"); }), HasSubstr("no alert is presented"));
    driver.tap("sendButton");
    EXPECT_THAT(screen->log, ElementsAre("send"));
}

TEST_F(ScreenTest, ATaskWaitsForTheAlertsAnswerWhileTheQueueCountsAsIdle) {
    std::vector<std::string> log;
    auto ask = [&](std::string title) {
        auto alert = UIAlertController::make(title, "");
        alert->addAction(UIAlertAction::make("Skip", UIAlertAction::Style::cancel));
        alert->addAction(UIAlertAction::make("Deploy", UIAlertAction::Style::defaultStyle,
                                             [&log](UIAlertAction&) { log.push_back("own handler"); }));
        return alert;
    };
    auto task = startTask(queue.executor(), [&]() -> Async<std::vector<std::string>> {
        std::vector<std::string> answers;
        for (const char* title : {"Server A?", "Server B?"}) {
            auto choice = co_await presentAlertAndWaitForChoice(*screen, ask(title), queue);
            answers.push_back(choice.value_or("none"));
        }
        // A presentation that is refused gives no answer instead of waiting for ever.
        screen->present(UIAlertController::make("Busy", ""), true);
        auto refused = co_await presentAlertAndWaitForChoice(*screen, ask("Server C?"), queue);
        answers.push_back(refused.value_or("none"));
        co_return answers;
    });
    driver.runUntilIdle();  // returns with the first question on screen
    EXPECT_THAT(driver.dump(), HasSubstr("presented Alert \"Server A?\""));
    driver.answerAlert("Skip");
    driver.runUntilIdle();
    EXPECT_THAT(driver.dump(), HasSubstr("presented Alert \"Server B?\""));
    driver.answerAlert("Deploy");
    driver.runUntilIdle();
    ASSERT_TRUE(task.isDone());
    EXPECT_THAT(task.result(), ElementsAre("Skip", "Deploy", "none"));
    EXPECT_THAT(log, ElementsAre("own handler"));
}

TEST_F(ScreenTest, TableScreenInAFormSheetListsSearchesRefreshesAndPresentsItsOwnAlert) {
    auto list = presentFolderList(*screen);
    list->sort->role = "sortButtonItem";
    EXPECT_THAT(driver.dump(), HasSubstr("  presented NavigationController formSheet\n"
                                         "    View\n"
                                         "      NavigationBar prompt=\"Server A\" title=\"/uploads\"\n"
                                         "        BarButtonItem \"Cancel\"\n"
                                         "        BarButtonItem #sortButtonItem \"\" image=arrow.up.arrow.down.circle menu=\"Sort folders\" ax=\"Sort folders\"\n"
                                         "        BarButtonItem \"Add\"\n"
                                         "        BarButtonItem \"Use Here\" done\n"
                                         "        SearchBar \"\" placeholder=\"Search folders\"\n"
                                         "      TableView insetGrouped\n"));
    EXPECT_THAT(driver.dump(), HasSubstr("        Cell \"Website\" secondary=\"/uploads/Website\" image=folder disclosure\n"));

    driver.tap("Website");
    driver.tap("..");
    driver.search("WEB");
    EXPECT_EQ(list->tableView()->numberOfRows(0), 2);
    driver.search("");
    driver.pullToRefresh();
    EXPECT_FALSE(list->refreshControl()->isRefreshing());
    driver.tap("Use Here");
    driver.chooseMenuItem("sortButtonItem", {"Largest"});
    EXPECT_THAT(list->log, ElementsAre("select 3", "select 0", "search \"\"", "search \"W\"", "search \"WE\"",
                                       "search \"WEB\"", "search \"\"", "refresh", "useHere uploads"));
    EXPECT_FALSE(list->tableView()->indexPathForSelectedRow());

    // The list's own alert goes over the sheet; then Cancel (the sheet's, not the screen's)
    // dismisses the sheet.
    driver.tap("Add");
    driver.fillAlertField(1, "reports");
    driver.answerAlert("Create");
    EXPECT_EQ(list->log.back(), "create \"reports\" after dismissal");
    EXPECT_EQ(window.topViewController(), list->navigationController());
    driver.tap("Cancel");
    EXPECT_EQ(window.topViewController(), screen);
    EXPECT_TRUE(screen->log.empty());
    EXPECT_THAT(driverProblem([&] { driver.search("x"); }), HasSubstr("the screen on top has no search field"));
    EXPECT_THAT(driverProblem([&] { driver.pullToRefresh(); }), HasSubstr("no list to pull to refresh"));
}

TEST(TableView, DequeuingAnUnregisteredCellIsAProgrammingError) {
    auto table = UITableView::make();
    EXPECT_THROW(table->dequeueReusableCell("dir", {0, 0}), std::logic_error);
}

}  // namespace
}  // namespace uikit_test
