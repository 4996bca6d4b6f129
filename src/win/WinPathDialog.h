// The toolkit's file and folder chooser: a path bar to type in, a path box of
// special places, drives and folder contents, and the checks of Finish.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "raw/RawLabelStore.h"
#include "raw/RawList.h"
#include "raw/RawString.h"
#include "win/WinButton.h"
#include "win/WinDialog.h"
#include "win/WinEditBox.h"
#include "win/WinListBox.h"

namespace WinLayer {

enum WinPathOption : uint16_t {
    kPathFolderMode = 1,
    kPathFileMode = 2,
    kPathMustExist = 4,
    kPathShowHidden = 8,
    kPathConfirmOverwrite = 16,
    kPathAskCreate = 32,
    kPathCreate = 64,
    kPathListFiles = 128,  // files are listed to pick, as in file mode, in any mode
};

// Requests of message 0x8005 (wParam) between the bar, the box and the dialog.
enum WinPathRequest : uint32_t {
    kPathRequestCancel = 0,
    kPathRequestFinish = 1,
    kPathRequestChanged = 2,   // the bar's text changed: refill the box
    kPathRequestTakeOver = 3,  // the box's cursor entry goes to the bar
    kPathRequestShortcut = 4,  // follow or leave a shortcut
    kPathRequestKey = 5,       // lParam: a navigation key for the box
    kPathRequestPut = 6,       // lParam: const RawString* for the bar
};

// What an entry of the path box stands for; also its icon frame.
enum WinPathKind : int32_t {
    kPathKindHeading = 0,
    kPathKindDrive = 1,
    kPathKindNetwork = 2,
    kPathKindElement = 3,  // an element of the path that is an existing folder
    kPathKindMissing = 4,  // an element of the path that is not
    kPathKindFolder = 5,
    kPathKindFile = 6,
    kPathKindShortcut = 7,
};

struct WinPathBoxItem {
    RawLayer::RawString name;
    RawLayer::RawString path;
    int32_t level = 0;
    int32_t kind = kPathKindHeading;
};
class WinPathBoxItemListAllocator : public RawLayer::RawListAllocator<WinPathBoxItem> {};
using WinPathBoxItemList = RawLayer::RawListR<WinPathBoxItemListAllocator, WinPathBoxItem>;

// The machine around a path: its drives and special places.
struct WinPathPlaces {
    uint32_t drives = 0;  // GetLogicalDrives: bit k is drive A + k
    RawLayer::RawString desktop;
    RawLayer::RawString documents;
    static WinPathPlaces Current();
};

// The names of the box's fixed entries.
inline constexpr const char* kDesktopName = "[Desktop]";
inline constexpr const char* kDocumentName = "[MyDocument]";
inline constexpr const char* kDrivesName = "[Drives]";
inline constexpr const char* kLinkBackName = "[LinkBackword]";

// The entries of one folder as last read, kept so that typing a name in it
// does not read the folder again at every key.
struct WinPathListing {
    bool valid = false;
    RawLayer::RawString folder;
    uint16_t options = 0;  // the options the entries were read with
    std::vector<WinPathBoxItem> entries;
};

// Fills items for the path: the special places, "[LinkBackword]" when
// linkBack names a followed shortcut, "[Drives]" with the drives (the chain
// of the path's elements and the entries of its deepest existing folder below
// its drive) or the network root with that chain. The index of the path's
// own entry, -1 when the path has none. A listing of the same folder read
// with the same options is used instead of reading it; a new one is kept there.
int32_t FillPathBoxItems(const RawLayer::RawString& path, uint16_t options, const WinPathPlaces& places,
                         const RawLayer::RawString& linkBack, WinPathBoxItemList& items,
                         WinPathListing* listing = nullptr);

// The target of a shortcut file, whole however long; empty when it cannot be read.
RawLayer::RawString ResolveShortcut(const RawLayer::RawString& shortcut);

// The candidate of extension expansion: path "." extension, with no second
// dot when the extension brings its own; empty when the name has an
// extension or there is no default extension.
RawLayer::RawString ExpandedPath(const RawLayer::RawString& path, const RawLayer::RawString& extension);

// Where the dialog's children go, in client coordinates.
struct WinPathLayout {
    RECT bar{};
    RECT box{};
    std::vector<RECT> buttons;
};
// The bar on top and the box below it on the left, the buttons in a column
// on the right, margin around and between.
WinPathLayout LayoutPathDialog(SIZE client, int32_t margin, int32_t barHeight, SIZE button, int32_t buttonCount);

// The path being typed; its keys and changes become requests to the dialog.
class WinPathBar : public WinEditBox {
public:
    int32_t HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    // The path as the whole text, the name after its folder selected.
    void TakePath(const RawLayer::RawString& path);

protected:
    void Notify(uint16_t code) override;
};

class WinPathBox : public WinListBoxR<WinPathBoxItem> {
public:
    static constexpr COLORREF kBandLine = 0xA0A0A0;
    static constexpr COLORREF kCursorActive = 0xFFD0C0;
    static constexpr COLORREF kCursor = 0xFFE3D8;
    static constexpr int32_t kBandHeight = 6;
    static constexpr int32_t kIndent = 7;

    WinPathBox();
    int32_t HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Refills the entries for the path and puts the cursor on its own entry;
    // typed: the folder's entries may be those read for the last fill.
    void Fill(const RawLayer::RawString& path, uint16_t pathOptions, bool typed = false);
    WinPathBoxItem* Entry(int32_t index) { return DataAt(index); }
    WinPathBoxItem* CursorEntry() { return DataAt(Cursor()); }
    const WinPathBoxItemList& Entries() const { return entries_; }

    void MeasureItem(HDC dc, const RECT& bounds, int32_t index, WinListBoxItemUnit& item, RECT& rect) override;
    void DrawItem(HDC dc, const RECT& rect, int32_t index, WinListBoxItemUnit& item) override;

    RawLayer::RawString linkBack;  // the shortcut followed last, until left
    RawLayer::RawString filledFor;  // the path of the last fill

    // The list box's own notifications become requests to the dialog.
    int32_t OnCommand(uint16_t code) override;

private:
    void SendRequest(WinPathRequest request, LPARAM lParam);

    WinPathBoxItemList entries_;
    WinPathListing listing_;
    bool filling_ = false;
};

class WinPathDialog : public WinDialog {
public:
    // The buttons' notification codes.
    static constexpr uint16_t kCancelCode = 0x1100;
    static constexpr uint16_t kFinishCode = 0x1101;
    static constexpr uint16_t kOpenCode = 0x1102;
    static constexpr uint16_t kHiddenCode = 0x1103;

    // Answers a "PathBox" message about a path with a button's value (0 when
    // the message was closed otherwise). Replaceable, for tests.
    using Asker = std::function<int32_t(const RawLayer::RawString& key, const RawLayer::RawString& path)>;

    // The program's icon resources for the path box's entries, one per
    // WinPathKind in its order; given once at start, before any path dialog
    // shows. Without them the entries show no icons.
    static void SetEntryIcons(std::span<const uint16_t> iconIds);

    // Runs the dialog modally over owner, placed in relation to ownerRect, starting at path.
    // True when the user finished; path then holds the final value. False when cancelled.
    static bool Choose(WinView* owner, const RECT& ownerRect, const RawLayer::RawString& title,
                       RawLayer::RawString& path, uint16_t pathOptions,
                       const RawLayer::RawString& defaultExtension = {});

    WinPathDialog(const RawLayer::RawString& title, const RawLayer::RawString& path, uint16_t pathOptions,
                  const RawLayer::RawString& defaultExtension = {});
    // Sizes and centres the dialog on the owner's rectangle (the work area without one).
    void Place(const RECT& ownerRect);

    int32_t HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnCreated() override;
    int32_t OnChildCommand(WinView* child, uint16_t code) override;
    void Arrange() override;

    // Checks the path against the options, asking and warning on the way,
    // creates missing folders when asked to, and ends the dialog with 1.
    void Finish();
    // Takes a path as if typed: bar, dialog and box.
    void SetPath(const RawLayer::RawString& path);
    // Acts on an entry of the box: a folder is entered, a file taken and
    // finished, a shortcut followed, "[LinkBackword]" leads back.
    void ExecuteEntry(int32_t index);

    const RawLayer::RawString& Path() const { return path_; }
    uint16_t Options() const { return options_; }
    bool HasEnded() const { return (dialogFlags & kEnded) != 0; }
    WinPathBar& Bar() { return bar_; }
    WinPathBox& Box() { return box_; }
    WinButton& Button(size_t index) { return *buttons_[index]; }

    Asker asker;

private:
    int32_t OnRequest(WPARAM request, LPARAM lParam);
    int32_t OnCopyData(const COPYDATASTRUCT* data);
    void OnDropFiles(HDROP drop);
    void FollowShortcut(const WinPathBoxItem& entry);
    void OpenFolder();
    int32_t Ask(const RawLayer::RawString& key, const RawLayer::RawString& path);
    int32_t ShowMessage(const RawLayer::RawString& key, const RawLayer::RawString& path);
    void PutInBar(const RawLayer::RawString& path);

    RawLayer::RawString path_;
    uint16_t options_;
    RawLayer::RawString defaultExtension_;
    RawLayer::RawLabelStore::Group labels_;
    RawLayer::RawLabelStore::Group messages_;
    WinPathBar bar_;
    WinPathBox box_;
    std::vector<std::unique_ptr<WinButton>> buttons_;
    int32_t barHeight_ = 0;
};

}  // namespace WinLayer
