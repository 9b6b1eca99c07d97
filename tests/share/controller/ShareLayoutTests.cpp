// The share screen as built: its sections in order, a rebuild that changes nothing, the Send
// tap, the server button and its menu, the field rows with their accessory rows, and the small
// builders.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>

#include "TarvoShareExtension/ShareViewController/Screen/ShareScreenRoles.h"
#include "platform/uikit/ScreenRenderer.h"
#include "platform/uikit/UIImageView.h"
#include "tests/share/ShareTestEnvironment.h"

namespace share_test {
namespace {

namespace roles = tarvo::share::roles;
using namespace platform;
using tarvo::ShareViewController;
using ::testing::ElementsAre;

// Role of each arranged view ("" for a view without one, then its first label's text).
std::vector<std::string> arrangedRoles(const UIStackView& stack) {
    std::vector<std::string> out;
    for (const auto& v : stack.arrangedSubviews()) {
        if (!v->role.empty()) {
            out.push_back(v->role);
        } else if (const auto* l = dynamic_cast<const UILabel*>(v.get())) {
            out.push_back("\"" + l->text + "\"");
        } else {
            out.push_back(std::string(v->kindName()));
        }
    }
    return out;
}

class ShareLayoutTest : public ::testing::Test {
protected:
    ShareViewController& startWith(int servers) {
        Json list = Json::array();
        const char* names[] = {"Alpha", "Beta", "Gamma"};
        for (int i = 0; i < servers; ++i) list.push_back(env.server(std::string(1, char('a' + i)), names[i]));
        env.setServers(list);
        return *env.start({env.textItem("note")});
    }
    ShareTestEnvironment env;
};

TEST_F(ShareLayoutTest, SectionsStandInOrder) {
    auto& c = startWith(2);
    EXPECT_THAT(arrangedRoles(*c.contentStack),
                ElementsAre("heroHeaderCard", "linkedDeploymentCard", "serversSectionLabel", "serverModeControl",
                            "serverButton", "multiServerStack", "multiDispatchControl", "makeAutomaticButton",
                            "targetSectionLabel", "actionControl", "emitFieldsStack", "uploadFieldsStack",
                            "openOnNextLaunchRow"));
    EXPECT_THAT(arrangedRoles(*c.emitFieldsStack),
                ElementsAre("\"Kind\"", "kindField", "\"Reply-to (comma or space separated)\"", "replyToField",
                            "\"Only agents (optional)\"", "onlyAgentsField"));
    EXPECT_THAT(arrangedRoles(*c.uploadFieldsStack),
                ElementsAre("artifactCard", "smartPlanCard", "VStack", "destinationSuggestionsStack", "\"Recipe\"",
                            "postUploadButton", "\"Execution lifetime\"", "expectedLifetimeControl",
                            "notificationDisclosureButton", "notificationOptionsStack", "advancedUploadOptionsButton",
                            "advancedUploadOptionsStack"));
    EXPECT_THAT(arrangedRoles(*c.advancedUploadOptionsStack),
                ElementsAre("readinessButton", "readinessValueField", "workingDirectoryHelpLabel",
                            "workingDirectoryButton", "customWorkingDirectoryField", "deployCommandHelpLabel", "HStack",
                            "deployCommandTextView", "returnResultRow"));
    EXPECT_TRUE(c.returnResultRow->hidden);
    EXPECT_TRUE(c.returnResultSwitch->on);
    EXPECT_TRUE(c.linkedDeploymentCard->hidden);
    EXPECT_EQ(c.actionControl->titleForSegment(0), "Emit");
    EXPECT_EQ(c.makeAutomaticButton->configuration->title, "Make this automatic");
    // The dock below the form, in the safe area.
    const auto& root = c.view()->subviews();
    ASSERT_EQ(root.size(), 2u);
    EXPECT_EQ(root[0], c.scrollView);
    EXPECT_EQ(root[1]->role, "actionDockCard");
    EXPECT_LT(c.scrollView->frame().maxY(), root[1]->frame().minY());
    EXPECT_EQ(root[1]->frame().maxY(), 844 - 34 - 8);
}

void collectRoles(const UIView& view, std::set<std::string>& out) {
    if (!view.role.empty()) out.insert(view.role);
    for (const auto& child : view.subviews()) collectRoles(*child, out);
}

// Every control the help names for steps is on the screen (shown or hidden), so a step can
// reach it: the controller holds no control that it never places.
TEST_F(ShareLayoutTest, EveryNamedControlIsPlaced) {
    auto& c = startWith(2);
    std::set<std::string> placed;
    collectRoles(*c.view(), placed);
    for (std::string_view r : roles::controlRoles()) EXPECT_TRUE(placed.count(std::string(r))) << r;
}

TEST_F(ShareLayoutTest, ABuildAgainLeavesOneCopyOfEveryChildAndAction) {
    auto& c = startWith(2);
    const std::string before = env.dump();
    c.render();
    c.render();
    // A build starts the scan of the items again; compare once it has published.
    ASSERT_TRUE(env.mainQueue().runUntil([&] { return !c.artifactPreviewTask || c.artifactPreviewTask->isDone(); },
                                         std::chrono::milliseconds(20000)));
    env.runUntilIdle();
    EXPECT_EQ(env.dump(), before);
    using E = UIControlEvents;
    EXPECT_EQ(c.sendButton->actionNames(E::touchUpInside), std::vector<std::string>{"sendTapped"});
    EXPECT_EQ(c.cancelButton->actionNames(E::touchUpInside), std::vector<std::string>{"cancelTapped"});
    EXPECT_EQ(c.kindField->targetActionCount(), 2u) << "autosave and end of editing";
    EXPECT_EQ(c.readinessValueField->actionNames(E::editingChanged), std::vector<std::string>{"readinessValueChanged"});
    EXPECT_EQ(c.serverModeControl->targetActionCount(), 1u);
    EXPECT_EQ(c.returnResultSwitch->targetActionCount(), 1u);
    EXPECT_EQ(c.browseFolderButton->targetActionCount(), 1u);
    EXPECT_EQ(c.uploadProgressStack->arrangedSubviews().size(), 2u);
    EXPECT_EQ(c.openOnNextLaunchRow->arrangedSubviews().size(), 1u);
}

TEST_F(ShareLayoutTest, OneSendTapStartsOneSend) {
    auto& c = startWith(2);
    env.driver().tap(std::string(roles::sendButton));
    EXPECT_TRUE(c.isBusy);
    ASSERT_TRUE(c.sendTask);
    const auto first = *c.sendTask;
    // The queued update runs before the send task's first step.
    ASSERT_TRUE(env.mainQueue().runUntil([&] { return !c.sendButton->enabled; }, std::chrono::milliseconds(5000)));
    EXPECT_EQ(c.statusLabel->text, "Preparing\u2026");
    EXPECT_FALSE(c.sendButton->enabled) << "no second send while busy";
    EXPECT_THAT([&] { env.driver().tap(std::string(roles::sendButton)); },
                ::testing::ThrowsMessage<UIDriverError>(::testing::HasSubstr("it is disabled")));
    EXPECT_EQ(*c.sendTask, first);
    env.runUntilIdle();
}

TEST_F(ShareLayoutTest, ServerButtonAndItsMenu) {
    auto& c = startWith(3);
    EXPECT_EQ(c.serverButton->displayedTitle(), "Alpha");
    ASSERT_TRUE(c.serverButton->menu);
    EXPECT_EQ(c.serverButton->menu->title, "Server");
    std::vector<std::string> titles;
    std::vector<UIAction::State> states;
    for (const auto& element : c.serverButton->menu->children) {
        const auto& action = std::get<std::shared_ptr<UIAction>>(element);
        titles.push_back(action->title);
        states.push_back(action->state);
    }
    EXPECT_THAT(titles, ElementsAre("Alpha", "Beta", "Gamma"));
    EXPECT_THAT(states, ElementsAre(UIAction::State::on, UIAction::State::off, UIAction::State::off));
    env.driver().tap(std::string(roles::serverButton));
    ASSERT_TRUE(env.window().openedMenu());
    EXPECT_EQ(env.window().openedMenu()->menu, c.serverButton->menu);
}

TEST_F(ShareLayoutTest, ServerButtonWithFewServersOrAnUnknownDraftServer) {
    auto& one = startWith(1);
    EXPECT_EQ(one.serverButton->displayedTitle(), "Alpha");
    EXPECT_FALSE(one.serverButton->menu);
    EXPECT_FALSE(one.serverButton->enabled) << "nothing to choose from";

    env.releaseController();
    auto& c = startWith(2);
    env.appGroupDefaults().set("activeServerId", PropertyList(std::string("b")));
    c.draft.serverId = "gone";
    c.render();
    EXPECT_EQ(c.serverButton->displayedTitle(), "Beta") << "the active server's label";
    for (const auto& element : c.serverButton->menu->children) {
        EXPECT_EQ(std::get<std::shared_ptr<UIAction>>(element)->state, UIAction::State::off);
    }
}

TEST_F(ShareLayoutTest, FieldRowsShareOneTreatmentAndEachHasItsAccessoryRow) {
    auto& c = startWith(1);
    const std::pair<UITextField*, const char*> fields[] = {
        {c.kindField.get(), "e.g. clipboard, links, photo, video, voice, media"},
        {c.replyToField.get(), "e.g. inbox, me, agent_x"},
        {c.onlyAgentsField.get(), "e.g. summarize, clipper"},
        {c.readinessValueField.get(), "Text written to the run log"},
        {c.customWorkingDirectoryField.get(), "e.g. {extract}/app or sites/current"},
        {c.destFolderField.get(), "server root, /aa, uploads\u2026"},
    };
    std::set<const UIView*> rows;
    for (const auto& [f, placeholder] : fields) {
        SCOPED_TRACE(f->role);
        EXPECT_EQ(f->placeholder, placeholder);
        EXPECT_EQ(f->borderStyle, UITextField::BorderStyle::roundedRect);
        EXPECT_EQ(f->backgroundColor, UIColor::secondarySystemGroupedBackground());
        EXPECT_EQ(f->autocorrectionType, UITextAutocorrectionType::no);
        EXPECT_EQ(f->autocapitalizationType, UITextAutocapitalizationType::none);
        EXPECT_EQ(f->clearButtonMode, UITextField::ViewMode::whileEditing);
        EXPECT_EQ(f->returnKeyType, UIReturnKeyType::done);
        EXPECT_EQ(f->delegate.lock().get(), static_cast<UITextFieldDelegate*>(&c));
        auto* bar = dynamic_cast<UIToolbar*>(f->inputAccessoryView.get());
        ASSERT_TRUE(bar);
        ASSERT_EQ(bar->items().size(), 2u);
        EXPECT_TRUE(bar->items()[0]->isSpace());
        EXPECT_EQ(bar->items()[1]->displayedTitle(), "Done");
        EXPECT_EQ(bar->items()[1]->style, UIBarButtonItem::Style::done);
        rows.insert(bar);
    }
    rows.insert(c.deployCommandTextView->inputAccessoryView.get());
    EXPECT_EQ(rows.size(), 7u) << "every field and the command view has its own row";

    // The destination row: the field takes the free width and shrinks first.
    EXPECT_EQ(c.destFolderField->horizontalHuggingPriority, 250);
    EXPECT_EQ(c.destFolderField->horizontalCompressionResistance, 250);
    EXPECT_EQ(c.browseFolderButton->horizontalHuggingPriority, 1000);
    EXPECT_EQ(c.browseFolderButton->displayedTitle(), "Change");
    EXPECT_EQ(c.browseFolderButton->displayedImage(), "folder");
    EXPECT_EQ(c.browseFolderButton->actionNames(UIControlEvents::touchUpInside),
              std::vector<std::string>{"browseFolderTapped"});

    // The treatment again replaces the accessory row and changes nothing else.
    UIView* before = c.kindField->inputAccessoryView.get();
    c.configureTextField(*c.kindField, "again");
    EXPECT_NE(c.kindField->inputAccessoryView.get(), before);
    EXPECT_EQ(c.kindField->placeholder, "again");
}

TEST_F(ShareLayoutTest, DoneOnTheAccessoryRowEndsEditingInFieldsAndTheCommandView) {
    auto& c = startWith(1);
    for (const char* target : {"kindField", "destFolderField", "deployCommandTextView"}) {
        if (std::string_view(target) == "destFolderField") {
            // The upload fields and the command show for an upload that runs a command.
            c.draft.action = tarvo::share::ShareAction::upload;
            c.draft.postUploadAction = tarvo::share::PostUploadAction::run;
            c.advancedUploadOptionsExpanded = true;
            c.applyDraftToUI();
        }
        env.driver().typeText(target, "x");
        ASSERT_TRUE(env.window().firstResponder()) << target;
        env.driver().tap("Done");
        EXPECT_FALSE(env.window().firstResponder()) << target;
    }
    EXPECT_EQ(c.deployCommandTextView->text, "x");
}

TEST_F(ShareLayoutTest, SmallBuilders) {
    auto& c = startWith(1);
    auto section = c.makeSectionLabel("Recipe");
    EXPECT_EQ(section->font, UIFont::systemFont(12, UIFont::Weight::bold));
    EXPECT_EQ(section->textColor, UIColor::secondaryLabel());
    auto header = c.makeServerSectionHeader("Others");
    EXPECT_EQ(header->font, UIFont::systemFont(11, UIFont::Weight::bold));
    EXPECT_EQ(header->numberOfLines, 1);

    auto label = UILabel::make("Return result");
    auto toggle = UISwitch::make();
    auto row = std::dynamic_pointer_cast<UIStackView>(c.makeToggleRow(label, toggle));
    ASSERT_TRUE(row);
    EXPECT_EQ(row->arrangedSubviews().size(), 3u);
    EXPECT_EQ(row->arrangedSubviews()[0], label);
    EXPECT_EQ(row->arrangedSubviews()[2], toggle);
    EXPECT_EQ(label->numberOfLines, 2);
    EXPECT_EQ(row->borderColor, UIColor::separator().withAlphaComponent(0.45));

    auto disabled = std::dynamic_pointer_cast<UIStackView>(c.makeDisabledCompactRow("Beta", "Not selected"));
    ASSERT_TRUE(disabled);
    EXPECT_EQ(dynamic_cast<UILabel&>(*disabled->arrangedSubviews()[1]).textColor, UIColor::tertiaryLabel());

    auto count = c.makeScriptCountBadge(12);
    EXPECT_EQ(count->text, "12");
    EXPECT_EQ(count->textColor, UIColor::systemBlue());
    EXPECT_EQ(count->horizontalHuggingPriority, 1000);
    EXPECT_TRUE(dynamic_cast<ShareViewController::PaddingLabel*>(count.get()));
    auto origin = c.makeRecipeOriginBadge("history");
    EXPECT_EQ(origin->font, UIFont::systemFont(9, UIFont::Weight::bold));
    EXPECT_EQ(origin->borderWidth, 0);

    struct BadgeCase {
        int count;
        bool exact;
        const char* symbol;
        const char* label;
    } badges[] = {
        {1, false, "checkmark.circle.fill", "Succeeded here once"},
        {3, true, "checkmark.seal.fill", "Succeeded here 3 times with exact evidence"},
    };
    for (const auto& b : badges) {
        auto badge = std::dynamic_pointer_cast<UIStackView>(c.makeSuccessCountBadge(b.count, b.exact));
        ASSERT_TRUE(badge);
        EXPECT_TRUE(badge->isAccessibilityElement);
        EXPECT_EQ(badge->accessibilityLabel, b.label);
        EXPECT_EQ(dynamic_cast<UIImageView&>(*badge->arrangedSubviews()[0]).image, b.symbol);
        EXPECT_EQ(dynamic_cast<UILabel&>(*badge->arrangedSubviews()[1]).text, std::to_string(b.count));
    }

    tarvo::ArtifactShellCandidate candidate;
    candidate.evidence = {"Succeeded 4 x here"};
    EXPECT_EQ(c.compactSuccessBadge(candidate), "4\u00d7");

    // A padding label is its margins larger than a plain one.
    auto plain = UILabel::make("deploy");
    auto padded = ShareViewController::PaddingLabel::make("deploy");
    EXPECT_EQ(padded->intrinsicContentSize().width, plain->intrinsicContentSize().width + 14);
    EXPECT_EQ(padded->intrinsicContentSize().height, plain->intrinsicContentSize().height + 6);

    // The progress block is the controller's own and never doubles its parts.
    c.makeUploadProgressStack();
    EXPECT_EQ(c.makeUploadProgressStack(), c.uploadProgressStack);
    EXPECT_THAT(c.uploadProgressStack->arrangedSubviews(),
                ElementsAre(std::static_pointer_cast<UIView>(c.uploadProgressView),
                            std::static_pointer_cast<UIView>(c.uploadProgressLabel)));
    EXPECT_TRUE(c.uploadProgressStack->hidden);
}

}  // namespace
}  // namespace share_test
