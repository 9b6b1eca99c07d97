#pragma once
// A segmented control: titled segments, at most one selected (-1: none). Choosing a segment
// that is not selected selects it and sends value-changed; choosing the selected one sends
// nothing. Changing segments or the selection from code sends nothing.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/uikit/UIControl.h"

namespace platform {

class UISegmentedControl : public UIControl {
public:
    static std::shared_ptr<UISegmentedControl> make(std::vector<std::string> titles = {});
    std::string_view kindName() const override { return "SegmentedControl"; }

    int selectedSegmentIndex = -1;
    std::optional<UIColor> selectedSegmentTintColor;

    std::size_t numberOfSegments() const { return segments_.size(); }
    void insertSegment(std::string title, std::size_t index, bool animated = false);
    void removeAllSegments();
    std::string titleForSegment(std::size_t index) const;
    void setEnabled(bool enabled, std::size_t segment);
    bool isEnabled(std::size_t segment) const;
    std::optional<std::string> selectedTitle() const;

    // What a person's tap on a segment does.
    void chooseSegment(std::size_t index);

    double nominalHeight(double) const override { return 32; }
    double nominalWidth() const override;

private:
    struct Segment {
        std::string title;
        bool enabled = true;
    };
    std::vector<Segment> segments_;
};

}  // namespace platform
