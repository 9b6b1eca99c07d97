// Views and controls on their own: the target-action table, colour tokens, the tree and its
// stacks, and the nominal geometry that focus scrolling reads.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/uikit/UIKitTestSupport.h"

namespace uikit_test {
namespace {

using ::testing::ElementsAre;

struct Target {
    std::vector<std::string> calls;
    void first() { calls.push_back("first"); }
    void second() { calls.push_back("second"); }
};

TEST(TargetActionTable, KeepsOneCopyOfEachTargetActionEventAndSkipsGoneTargets) {
    auto control = UIControl::make();
    auto a = std::make_shared<Target>();
    auto b = std::make_shared<Target>();
    const auto touch = UIControlEvents::touchUpInside;
    const auto changed = UIControlEvents::valueChanged;

    control->addTarget(a, "first", &Target::first, touch);
    control->addTarget(a, "first", &Target::first, touch);            // duplicate: ignored
    control->addTarget(a, "first", &Target::first, touch | changed);  // adds only the new event
    control->addTarget(a, "second", &Target::second, touch);         // another action
    control->addTarget(b, "first", &Target::first, touch);           // another target
    EXPECT_THAT(control->actionNames(touch), ElementsAre("first", "second", "first"));
    EXPECT_EQ(control->targetActionCount(changed), 1u);

    control->sendActions(touch);
    EXPECT_THAT(a->calls, ElementsAre("first", "second"));
    EXPECT_THAT(b->calls, ElementsAre("first"));

    b.reset();  // a target that is gone is skipped and no longer counts
    EXPECT_EQ(control->targetActionCount(touch), 2u);
    control->removeTarget(a.get(), "second", UIControlEvents::allEvents);
    control->removeTarget(nullptr, {}, changed);
    EXPECT_THAT(control->actionNames(UIControlEvents::allEvents), ElementsAre("first"));
    control->removeAllTargets();
    EXPECT_EQ(control->targetActionCount(), 0u);
}

TEST(TargetActionTable, AHandlerThatRebuildsTheScreenFinishesTheEvent) {
    auto stack = UIStackView::vertical();
    auto button = UIButton::make();
    stack->addArrangedSubview(button);
    int calls = 0;
    button->addAction(UIAction::make("rebuild", [&] {
                          ++calls;
                          stack->removeAllArrangedSubviews();  // drops the last owner of the button
                      }),
                      UIControlEvents::touchUpInside);
    button->addAction(UIAction::make("after", [&] { ++calls; }), UIControlEvents::touchUpInside);
    auto* raw = button.get();
    button.reset();
    raw->tapped();
    EXPECT_EQ(calls, 2);
    EXPECT_TRUE(stack->subviews().empty());
}

TEST(UIColorTokens, ResolveOnlyWhenDrawnInTheAppearanceAsked) {
    using S = UIUserInterfaceStyle;
    const auto blue = UIColor::systemBlue();
    const auto base = UIColor::secondarySystemGroupedBackground();
    struct Case {
        UIColor color;
        const char* token;
        const char* light;
        const char* dark;
    } cases[] = {
        {blue, "systemBlue", "rgba(0, 122, 255, 1)", "rgba(10, 132, 255, 1)"},
        {UIColor::secondaryLabel().withAlphaComponent(0.1), "secondaryLabel@0.1", "rgba(60, 60, 67, 0.1)",
         "rgba(235, 235, 245, 0.1)"},
        {UIColor::rgba(1, 0.5, 0, 0.5), "rgba(1,0.5,0,0.5)", "rgba(255, 128, 0, 0.5)", "rgba(255, 128, 0, 0.5)"},
        // A blend mixes red, green and blue by the amount and is opaque; 0 is the base, 1 the tint.
        {UIColor::blend(blue, 0.5, base), "blend(systemBlue,0.5,secondarySystemGroupedBackground)",
         "rgba(128, 189, 255, 1)", "rgba(19, 80, 143, 1)"},
        {UIColor::blend(blue.withAlphaComponent(0.2), 0, base), "blend(systemBlue@0.2,0,secondarySystemGroupedBackground)",
         "rgba(255, 255, 255, 1)", "rgba(28, 28, 30, 1)"},
        {UIColor::blend(blue, 7, base), "blend(systemBlue,1,secondarySystemGroupedBackground)", "rgba(0, 122, 255, 1)",
         "rgba(10, 132, 255, 1)"},
        // A tint without components leaves the base.
        {UIColor::blend(UIColor::patternImage("stripes"), 0.5, base), "blend(pattern(stripes),0.5,secondarySystemGroupedBackground)",
         "rgba(255, 255, 255, 1)", "rgba(28, 28, 30, 1)"},
        {UIColor::patternImage("stripes"), "pattern(stripes)", "transparent", "transparent"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.color.token(), c.token);
        EXPECT_EQ(cssColor(c.color.resolved(S::light)), c.light) << c.token;
        EXPECT_EQ(cssColor(c.color.resolved(S::dark)), c.dark) << c.token;
    }
    EXPECT_EQ(UIColor::blend(blue, 0.09, base), UIColor::blend(UIColor::systemBlue(), 0.09, base));
    EXPECT_NE(UIColor::blend(blue, 0.09, base), UIColor::blend(blue, 0.1, base));
    EXPECT_NE(blue.withAlphaComponent(0.5), blue);
}

TEST(UIViewTree, OwnsDownwardsAndKnowsItsSuperviewWeakly) {
    auto parent = UIStackView::vertical();
    auto child = UILabel::make("x");
    std::weak_ptr<UILabel> weakChild = child;
    parent->addArrangedSubview(child);
    parent->addArrangedSubview(child);  // already there: stays once
    EXPECT_EQ(parent->arrangedSubviews().size(), 1u);
    EXPECT_EQ(child->superview(), parent);

    auto other = UIStackView::horizontal();
    other->addArrangedSubview(child);  // moves: out of the first stack's lists
    EXPECT_TRUE(parent->arrangedSubviews().empty());
    EXPECT_TRUE(parent->subviews().empty());

    other->removeArrangedSubview(*child);  // stays a subview, as on the platform
    EXPECT_EQ(child->superview(), other);
    other->addArrangedSubview(child);
    child.reset();
    other->removeAllArrangedSubviews();
    EXPECT_TRUE(weakChild.expired());

    parent->addSubview(other);
    other->addSubview(parent);  // a cycle is refused
    EXPECT_EQ(parent->superview(), nullptr);
    other.reset();
    EXPECT_EQ(parent->subviews().size(), 1u);  // the parent owns it
}

TEST_F(ScreenTest, NominalGeometryOrdersViewsAndMeasuresPaddedLabels) {
    // Frames follow the stacks: each field lies below the one before it, inside the scroll view.
    const CGRect kind = screen->kindField->convert(screen->kindField->bounds(), screen->scrollView.get());
    const CGRect dest = screen->destFolderField->convert(screen->destFolderField->bounds(), screen->scrollView.get());
    EXPECT_EQ(kind.minX(), 16);
    EXPECT_EQ(kind.size.width, 390 - 32);
    EXPECT_EQ(kind.size.height, 34);
    EXPECT_EQ(dest.minY(), kind.maxY() + 10);
    // The root view is the window's; the dock sits on the bottom safe area.
    EXPECT_EQ(screen->view()->frame(), CGRect(0, 0, 390, 844));
    EXPECT_EQ(screen->dock->convert(screen->dock->bounds(), nullptr).maxY(), 844 - 34 - 8);
    EXPECT_EQ(screen->scrollView->frame().maxY() + 8 + 8, screen->dock->frame().minY() + 8);

    // A padded label is its insets wider and taller than a plain one with the same text.
    auto plain = UILabel::make("12");
    auto padded = std::make_shared<BadgeLabel>();
    padded->text = "12";
    EXPECT_EQ(padded->intrinsicContentSize().width, plain->intrinsicContentSize().width + 14);
    EXPECT_EQ(padded->intrinsicContentSize().height, plain->intrinsicContentSize().height + 6);
}

TEST_F(ScreenTest, ScrollToVisibleMovesTheOffsetAndIsRecorded) {
    screen->scrollView->contentInset.bottom = 300;
    const CGRect field = screen->commandView->convert(screen->commandView->bounds(), screen->scrollView.get());
    screen->scrollView->scrollRectToVisible(field.outsetBy(8, 28), false);
    ASSERT_TRUE(screen->scrollView->lastScrollToVisible());
    EXPECT_EQ(screen->scrollView->lastScrollToVisible()->rect, field.outsetBy(8, 28));
    // Now the rectangle ends at the top of the inset area.
    const double visibleBottom = screen->scrollView->contentOffset.y + screen->scrollView->frame().size.height - 300;
    EXPECT_EQ(visibleBottom, field.maxY() + 28);
    // Converting into the scroll view does not depend on where it scrolled to.
    EXPECT_EQ(screen->commandView->convert(screen->commandView->bounds(), screen->scrollView.get()), field);

    // The caret follows the text's lines and columns.
    screen->commandView->text = "ab\ncd";
    const CGRect caret = screen->commandView->caretRect(4);
    EXPECT_EQ(caret.minX(), 6 + 1 * UIFont::monospacedSystemFont(13, UIFont::Weight::regular).characterWidth());
    EXPECT_EQ(caret.minY(), 8 + UIFont::monospacedSystemFont(13, UIFont::Weight::regular).lineHeight());
}

}  // namespace
}  // namespace uikit_test
