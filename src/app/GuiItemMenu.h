// The item menu: what the right button offers on the view box's selection,
// enabled by the rules over that selection, each command one item-list
// operation followed by the view's redraw.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>

#include "app/GuiLayout.h"
#include "job/JobFileList.h"
#include "raw/RawString.h"

namespace AppLayer {

class GuiViewBox;

class GuiItemMenu {
public:
    GuiItemMenu(GuiViewBox& box, JobLayer::JobFileList& list);

    // Asks for a path to add (true: chosen); the path dialog when empty.
    std::function<bool(RawLayer::RawString& path)> choosePath;
    // The rules over the selection as it is now.
    GuiItemMenuRules Rules();
    // Opens the menu at a screen point for the clicked row (-1: none); its
    // command acts on the selection of that moment.
    void Show(POINT point, int32_t row);
    // Runs a command on the rows of the last selection snapshot; cursorRow is
    // the row the menu was opened for.
    void RunCommand(GuiItemCommand command, int32_t cursorRow);
    // The command the open menu returned, with the row it was opened for.
    void OnCommand(uint32_t command, uint32_t tag);
    // The owner-drawn entries; false for anything that is not one of them.
    bool Measure(MEASUREITEMSTRUCT* item);
    bool Draw(DRAWITEMSTRUCT* item);
    bool IsOpen() const { return open_; }

private:
    static constexpr uint32_t kCommands = 10;

    void SetFolders(bool open, bool recursive);
    void SetChecks(bool check);
    void ExcludeOrRemove(bool remove);
    void AppendByDialog();
    static HFONT Font();

    GuiViewBox& box_;
    JobLayer::JobFileList& list_;
    RawLayer::RawString texts_[kCommands];  // the labels, by command - 1
    RawLayer::RawString lastAppended_;      // the path dialog starts there next time
    bool open_ = false;
};

}  // namespace AppLayer
