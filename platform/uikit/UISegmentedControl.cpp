#include "platform/uikit/UISegmentedControl.h"

#include <algorithm>

#include "platform/foundation/Text.h"

namespace platform {

std::shared_ptr<UISegmentedControl> UISegmentedControl::make(std::vector<std::string> titles) {
    auto c = std::make_shared<UISegmentedControl>();
    for (auto& t : titles) c->insertSegment(std::move(t), c->numberOfSegments());
    return c;
}

void UISegmentedControl::insertSegment(std::string title, std::size_t index, bool) {
    index = std::min(index, segments_.size());
    segments_.insert(segments_.begin() + static_cast<std::ptrdiff_t>(index), Segment{std::move(title), true});
    if (selectedSegmentIndex >= static_cast<int>(index)) ++selectedSegmentIndex;
}

void UISegmentedControl::removeAllSegments() {
    segments_.clear();
    selectedSegmentIndex = -1;
}

std::string UISegmentedControl::titleForSegment(std::size_t index) const {
    return index < segments_.size() ? segments_[index].title : std::string();
}

void UISegmentedControl::setEnabled(bool value, std::size_t segment) {
    if (segment < segments_.size()) segments_[segment].enabled = value;
}

bool UISegmentedControl::isEnabled(std::size_t segment) const {
    return segment < segments_.size() && segments_[segment].enabled;
}

std::optional<std::string> UISegmentedControl::selectedTitle() const {
    if (selectedSegmentIndex < 0 || static_cast<std::size_t>(selectedSegmentIndex) >= segments_.size()) {
        return std::nullopt;
    }
    return segments_[static_cast<std::size_t>(selectedSegmentIndex)].title;
}

void UISegmentedControl::chooseSegment(std::size_t index) {
    if (index >= segments_.size() || static_cast<int>(index) == selectedSegmentIndex) return;
    selectedSegmentIndex = static_cast<int>(index);
    sendActions(UIControlEvents::valueChanged);
}

double UISegmentedControl::nominalWidth() const {
    double w = 0;
    for (const auto& s : segments_) w += static_cast<double>(text::graphemeCount(s.title)) * 7 + 20;
    return w;
}

}  // namespace platform
