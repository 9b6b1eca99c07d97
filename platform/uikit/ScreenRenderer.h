#pragma once
// The two ways a screen is shown without a phone, as free functions over a const view tree.
//
// textDump: deterministic text for golden tests and for people at a terminal. One line per
// visible view (hidden views and what is inside them are left out), indented two spaces per
// level, in the order the views are laid out. A line starts with the view's kind and role
// ("Button #sendButton"), then what a person reads and what state it is in: texts, titles,
// placeholders, enabled/selected/on, the chosen segment (marked with *), the menu by its
// title, insets of scroll views, and colour tokens where they say something: backgrounds,
// borders and text colours other than the plain system ones (grouped backgrounds, label
// colours, separators), which every card shares. The window's dump adds every presented
// controller, the opened menu and the keyboard's accessory row after the screen.
//
// htmlPage: one self-contained page with the screen drawn twice, in the light and in the dark
// appearance side by side, each at the window's size: stacks become flex boxes with their
// spacings, alignments and margins; colours are resolved for each appearance; a presented
// sheet or alert is drawn over the dimmed screen, an opened menu over everything, and the
// keyboard's frame where it was posted. The browser does the layout.
#include <string>
#include <string_view>

namespace platform {

class UIView;
class UIWindow;

std::string textDump(const UIView& view);
std::string textDump(const UIWindow& window);
std::string htmlPage(const UIWindow& window, std::string_view title);

}  // namespace platform
