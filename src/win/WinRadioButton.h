// Segmented choice controls: a row of segments, one per item, of which one
// is selected. The radio control chooses on button-down, the selector on
// button-up (and takes a choice by label through WM_COPYDATA).
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "raw/RawString.h"
#include "win/WinButton.h"
#include "win/WinOwnerDrawn.h"

namespace WinLayer {

struct WinRadioItem {
    RawLayer::RawString label;
    int32_t value = 0;
};

// Segments share the client width equally; plain arithmetic.
RECT SegmentRect(const RECT& client, int32_t index, int32_t count);
// The segment under a client point, or -1 outside every segment.
int32_t SegmentAt(const RECT& client, int32_t count, POINT point);

class WinRadioButtonBody : public WinOwnerDrawn {
public:
    WinRadioButtonBody();

    void AddItem(const RawLayer::RawString& label, int32_t value);
    void ClearItems();
    int32_t Count() const { return static_cast<int32_t>(items_.size()); }
    const WinRadioItem& Item(int32_t index) const { return items_[static_cast<size_t>(index)]; }
    int32_t Selected() const { return selected_; }
    // The value of the selected item (the last one chosen).
    int32_t Value() const { return value_; }
    bool IsPressed() const { return pressed_; }
    // Selects without notifying (a value set from outside); false when
    // there is no such item.
    bool Select(int32_t index);
    bool SelectValue(int32_t value);

    // The corner and edge mask of a segment (WinButtonDraw::Shape bits).
    virtual uint16_t SegmentShape(int32_t index, int32_t count) const = 0;

    int32_t HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Code 0 while no segment is held down chooses the selected segment.
    int32_t OnCommand(uint16_t code) override;
    // Every label side by side in equal segments.
    void Measure(RECT& rect) override;
    // The segments, their labels and the focus on the selected one.
    void Paint(const DRAWITEMSTRUCT& item) override;

    uint16_t notifyCode = 0;

protected:
    // Selects, makes the value current, redraws and posts the notification.
    void Choose(int32_t index);
    int32_t HitSegment(LPARAM lParam) const;
    // The label of one segment, with the radio control's marker.
    virtual void DrawSegmentLabel(HDC dc, const RECT& rect, int32_t index, bool selected);
    virtual int32_t MarkerSpace() const { return 0; }

    int32_t pressedIndex_ = -1;
    bool pressed_ = false;

private:
    std::vector<WinRadioItem> items_;
    int32_t selected_ = -1;
    int32_t value_ = 0;
};

// Chooses the segment under the pointer at once, on button-down.
class WinRadioButton : public WinRadioButtonBody {
public:
    uint16_t SegmentShape(int32_t index, int32_t count) const override;
    int32_t HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    void DrawSegmentLabel(HDC dc, const RECT& rect, int32_t index, bool selected) override;
    int32_t MarkerSpace() const override;
};

// Presses a segment on button-down and chooses it on button-up.
class WinSelectorButton : public WinRadioButtonBody {
public:
    uint16_t SegmentShape(int32_t index, int32_t count) const override;
    int32_t HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
};

}  // namespace WinLayer
