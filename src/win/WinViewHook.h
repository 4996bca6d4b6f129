// Message hooks attached to a view, and the two the toolkit brings: the
// system-menu hook and the pointer enter/hover/leave hook.
#pragma once

#include <windows.h>

#include <cstdint>

namespace WinLayer {

class WinView;

// Offered every message of its view after the view's own handler, in the
// order hooks were attached; constructing a hook attaches it.
class WinViewHook {
public:
    explicit WinViewHook(WinView& view);
    virtual ~WinViewHook();
    WinViewHook(const WinViewHook&) = delete;
    WinViewHook& operator=(const WinViewHook&) = delete;

    // kNotHandled declines.
    virtual int32_t HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // Null once the view has gone.
    WinView* View() const { return view_; }

private:
    friend class WinView;
    WinView* view_;
};

// Lets the application fill, update and execute a dialog's system menu; the
// default processing of a system command still takes place.
class WinTMenuExecution : public WinViewHook {
public:
    explicit WinTMenuExecution(WinView& view) : WinViewHook(view) {}
    int32_t HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    virtual void BuildMenu(HMENU menu) = 0;
    virtual void UpdateMenu(HMENU menu) = 0;
    virtual void Execute(uint32_t command) = 0;
    HMENU SystemMenu() const { return systemMenu_; }

private:
    HMENU systemMenu_ = nullptr;
};

// A pointer position with the key-state word of its message.
struct WinPoint {
    uint32_t keys = 0;
    int16_t x = 0;
    int16_t y = 0;
};
WinPoint PointOf(WPARAM wParam, LPARAM lParam);

// Reports the pointer entering, resting on (after hoverTime) and leaving a view.
class WinEnterControl : public WinViewHook {
public:
    explicit WinEnterControl(WinView& view) : WinViewHook(view) {}
    int32_t HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    virtual void OnEnter(const WinPoint&) {}
    virtual void OnLeave(const WinPoint&) {}
    // The result keeps (true) or ends hover tracking through OnHoverMove.
    virtual bool OnHover(const WinPoint&) { return false; }
    virtual bool OnHoverMove(const WinPoint&) { return false; }

    bool pointerInside = false;
    bool hoverActive = false;
    bool trackHover = false;
    uint32_t hoverTime = 500;

private:
    void Track(uint32_t flags);
};

}  // namespace WinLayer
