// The path dialog: the path box's entries and rows, shortcut targets, the bar's
// requests, the checks of Finish with their messages, layout and the modal run.
#include "win/WinPathDialog.h"

#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <cwctype>
#include <string>

#include "raw/RawFolderScan.h"
#include "raw/RawHandle.h"
#include "raw/RawPath.h"
#include "raw/RawShell.h"
#include "win/WinBitmap.h"
#include "win/WinInfoDialog.h"
#include "win/WinToolkit.h"

namespace WinLayer {

using namespace RawLayer;

namespace {

const RawLocaleRecord kCommonLabels[] = {
    {"FinishButton", "Finish"},     {"CancelButton", "Cancel"}, {"CheckAllButton", "Check\nAll"},
    {"UncheckAllButton", "Clear\nAll"}, {"HiddenButton", "Hidden"}, {"OpenSide", "open"},
    {"HintSide", "hint"},           {"InputTextPrompt", "Input text ?"}, {nullptr, nullptr},
};

const RawLocaleRecord kMessageLabels[] = {
    {"ExpandExtension", "You want expand extension ?"},
    {"SpecifyFolder", "Must specify the folder !"},
    {"SpecifyFile", "Must specify the file !"},
    {"Overwrite", "Overwrite on this file ?"},
    {"SpecifyExist", "Must specify the exist path !"},
    {"CreateFolder", "Create specified folder ?"},
    {"SpecifyValid", "Must specifiy the file on valid path !"},
    {"ErrorCreate", "Error occured on creating folders !"},
    {nullptr, nullptr},
};

const RawLabelTable kCommonLabelTable("CommonDialog", kCommonLabels);
const RawLabelTable kMessageLabelTable("PathBox", kMessageLabels);

// The buttons and icon each message is shown with.
struct MessageLook {
    const char* key;
    const WinButtonSet& (*buttons)();
    uint16_t icon;
};
const MessageLook kMessageLooks[] = {
    {"ExpandExtension", WinInfoDialog::YesNoButtons, WinInfoDialog::kQuestionIcon},
    {"SpecifyFolder", WinInfoDialog::OkButtons, WinInfoDialog::kWarningIcon},
    {"SpecifyFile", WinInfoDialog::OkButtons, WinInfoDialog::kWarningIcon},
    {"Overwrite", WinInfoDialog::OkCancelButtons, WinInfoDialog::kQuestionIcon},
    {"SpecifyExist", WinInfoDialog::OkButtons, WinInfoDialog::kWarningIcon},
    {"CreateFolder", WinInfoDialog::OkCancelButtons, WinInfoDialog::kQuestionIcon},
    {"SpecifyValid", WinInfoDialog::OkButtons, WinInfoDialog::kWarningIcon},
    {"ErrorCreate", WinInfoDialog::OkButtons, WinInfoDialog::kWarningIcon},
};

// The buttons in column order, with their label keys and codes.
struct ButtonPlan {
    const char* label;
    uint16_t code;
    bool toggle;
};
const ButtonPlan kButtons[] = {
    {"FinishButton", WinPathDialog::kFinishCode, false},
    {"CancelButton", WinPathDialog::kCancelCode, false},
    {"HiddenButton", WinPathDialog::kHiddenCode, true},
    {"OpenSide", WinPathDialog::kOpenCode, false},
};

constexpr uint32_t kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_CLIPCHILDREN;
constexpr SIZE kInitialClient{560, 420};
constexpr SIZE kMinimumClient{360, 220};
constexpr int32_t kMinButtonWidth = 80;
constexpr int32_t kRowPadding = 6;
constexpr int32_t kTextGap = 3;
constexpr UINT kNameFormat = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;  // 0x824

// ---------------------------------------------------------------- paths

// A path cut into its root and elements.
struct PathChain {
    std::wstring rootName;  // "C:" or "\\server\share"
    std::wstring rootPath;  // "C:\" or "\\server\share"
    bool network = false;
    std::vector<std::wstring> elements;
};

std::vector<std::wstring> SplitElements(const std::wstring& text) {
    std::vector<std::wstring> parts;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t end = std::min(text.find(L'\\', start), text.size());
        if (end > start) parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// False for a path without a drive or network root.
bool SplitPath(const RawString& path, PathChain& chain) {
    std::wstring text = PlainPath(path).ToWide();
    std::replace(text.begin(), text.end(), L'/', L'\\');
    if (text.size() > 2 && text[0] == L'\\' && text[1] == L'\\') {
        std::vector<std::wstring> parts = SplitElements(text.substr(2));
        if (parts.empty()) return false;
        const size_t rootParts = std::min<size_t>(parts.size(), 2);
        chain.network = true;
        chain.rootName = L"\\\\" + parts[0] + (rootParts == 2 ? L"\\" + parts[1] : L"");
        chain.rootPath = chain.rootName;
        chain.elements.assign(parts.begin() + static_cast<ptrdiff_t>(rootParts), parts.end());
        return true;
    }
    if (text.size() < 2 || text[1] != L':' || !std::iswalpha(text[0])) return false;
    chain.rootName = {static_cast<wchar_t>(std::towupper(text[0])), L':'};
    chain.rootPath = chain.rootName + L"\\";
    chain.elements = SplitElements(text.substr(2));
    return true;
}

bool EndsWithShortcut(const RawString& name) {
    static const RawString kShortcut(".lnk");
    const int32_t n = name.Length();
    return n >= 4 && name.EqualNoCase({n - 4, n}, kShortcut, kAll);
}

class ItemFiller {
public:
    ItemFiller(WinPathBoxItemList& items, uint16_t options, WinPathListing* listing)
        : items_(items), options_(options & (kPathShowHidden | kPathFileMode | kPathListFiles)), listing_(listing) {}

    int32_t Add(const RawString& name, const RawString& path, int32_t level, int32_t kind) {
        items_.Append(WinPathBoxItem{name, path, level, kind});
        return items_.Count() - 1;
    }

    // The elements below the root, then the deepest existing folder's entries.
    int32_t AddChain(const PathChain& chain, int32_t rootIndex) {
        int32_t cursor = rootIndex;
        RawString folder = RawString::FromWide(chain.rootPath.c_str());
        const bool rootExists = IsFolder(folder);
        bool existing = rootExists;
        int32_t level = 1, folderLevel = 1;
        RawString walked = folder;
        for (const std::wstring& element : chain.elements) {
            const RawString name = RawString::FromWide(element.c_str());
            walked = JoinPath(walked, name);
            existing = existing && IsFolder(walked);
            cursor = Add(name, walked, ++level, existing ? kPathKindElement : kPathKindMissing);
            if (existing) {
                folder = walked;
                folderLevel = level;
            }
        }
        if (rootExists) AddEntries(folder, folderLevel + 1);
        return cursor;
    }

private:
    struct Found {
        RawString name;
        RawString path;
        bool folder;
        std::u16string key;  // folded once, not at every comparison
    };

    void AddEntries(const RawString& folder, int32_t level) {
        WinPathListing fresh;
        WinPathListing& listing = listing_ ? *listing_ : fresh;
        if (!listing.valid || !(listing.folder == folder) || listing.options != options_) {
            listing = {true, folder, options_, Read(folder)};
        }
        for (const WinPathBoxItem& entry : listing.entries) Add(entry.name, entry.path, level, entry.kind);
    }

    std::vector<WinPathBoxItem> Read(const RawString& folder) const {
        uint8_t flags = RawFolderScan::SkipDots;
        if (!(options_ & kPathShowHidden)) flags |= RawFolderScan::SkipHidden;
        if (!(options_ & (kPathFileMode | kPathListFiles))) flags |= RawFolderScan::FoldersOnly;
        std::vector<Found> found;
        RawFolderScan scan(folder);
        while (scan.Next(flags)) {
            const RawFindFileData& data = scan.Data();
            found.push_back({data.name, data.path, data.IsFolder(), FoldedPath(data.name)});
        }
        std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
            return a.folder != b.folder ? a.folder : a.key < b.key;
        });
        std::vector<WinPathBoxItem> entries;
        entries.reserve(found.size());
        for (const Found& f : found) {
            const int32_t kind = f.folder                   ? kPathKindFolder
                                 : EndsWithShortcut(f.name) ? kPathKindShortcut
                                                            : kPathKindFile;
            entries.push_back({f.name, f.path, 0, kind});
        }
        return entries;
    }

    WinPathBoxItemList& items_;
    uint16_t options_;
    WinPathListing* listing_;
};

// ---------------------------------------------------------------- shell links

// IShellLinkW::GetPath cuts the target to the buffer without saying so
// (learn.microsoft.com, IShellLinkW::GetPath): a result that fills the buffer
// may be cut, so the buffer grows until the target is shorter than it.
std::wstring LinkPath(IShellLinkW* link) {
    for (int cch = 1024; cch <= 0x20000; cch *= 2) {
        std::wstring buffer(static_cast<size_t>(cch), L'\0');
        WIN32_FIND_DATAW data{};
        if (FAILED(link->GetPath(buffer.data(), cch, &data, SLGP_RAWPATH))) return {};
        const size_t length = wcsnlen(buffer.c_str(), buffer.size());
        if (length + 1 < static_cast<size_t>(cch)) return buffer.substr(0, length);
    }
    return {};
}

// The item list's path, for links that carry no path text of their own.
std::wstring LinkListPath(IShellLinkW* link) {
    PIDLIST_ABSOLUTE list = nullptr;
    if (FAILED(link->GetIDList(&list)) || !list) return {};
    std::wstring buffer(0x8000, L'\0');
    const bool got = SHGetPathFromIDListEx(list, buffer.data(), static_cast<DWORD>(buffer.size()), GPFIDL_DEFAULT);
    CoTaskMemFree(list);
    return got ? buffer.substr(0, wcsnlen(buffer.c_str(), buffer.size())) : std::wstring();
}

// ---------------------------------------------------------------- entry icons

std::span<const uint16_t>& EntryIconIds() {
    static std::span<const uint16_t> ids;
    return ids;
}

// The process-wide pool of the entries' icons, at the system's icon size,
// filled from the program's icons on first use.
WinBitmapPool& EntryIconPool() {
    struct Pool : WinBitmapPool {
        Pool() : WinBitmapPool(GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)) {
            LoadIconFrames(*this, WinToolkit::Instance().InstanceHandle(), EntryIconIds());
        }
    };
    static Pool pool;  // destroyed at exit
    return pool;
}

}  // namespace

// ---------------------------------------------------------------- entries

WinPathPlaces WinPathPlaces::Current() {
    constexpr int32_t kDesktop = 16, kDocuments = 5;  // CSIDL_DESKTOP, CSIDL_PERSONAL
    return {GetLogicalDrives(), SpecialFolder(kDesktop), SpecialFolder(kDocuments)};
}

int32_t FillPathBoxItems(const RawString& path, uint16_t options, const WinPathPlaces& places,
                         const RawString& linkBack, WinPathBoxItemList& items, WinPathListing* listing) {
    items.Clear();
    ItemFiller filler(items, options, listing);
    if (!places.desktop.IsEmpty()) filler.Add(kDesktopName, places.desktop, 0, kPathKindFolder);
    if (!places.documents.IsEmpty()) filler.Add(kDocumentName, places.documents, 0, kPathKindFolder);
    if (!linkBack.IsEmpty()) filler.Add(kLinkBackName, linkBack, 0, kPathKindShortcut);
    PathChain chain;
    const bool rooted = SplitPath(path, chain);
    filler.Add(kDrivesName, RawString(), 0, kPathKindHeading);
    const RawString rootName = RawString::FromWide(chain.rootName.c_str());
    const RawString rootPath = RawString::FromWide(chain.rootPath.c_str());
    if (rooted && chain.network) return filler.AddChain(chain, filler.Add(rootName, rootPath, 1, kPathKindNetwork));
    int32_t cursor = kNoRow;
    bool placed = false;
    for (int32_t k = 0; k < 26; ++k) {
        if (!(places.drives & (1u << k))) continue;
        const wchar_t letter[3] = {static_cast<wchar_t>(L'A' + k), L':', 0};
        const int32_t index = filler.Add(RawString::FromWide(letter), JoinPath(RawString::FromWide(letter), ""),
                                         1, kPathKindDrive);
        if (rooted && !placed && chain.rootName[0] == letter[0]) {
            placed = true;
            cursor = filler.AddChain(chain, index);
        }
    }
    if (rooted && !placed) cursor = filler.AddChain(chain, filler.Add(rootName, rootPath, 1, kPathKindDrive));
    return cursor;
}

RawString ResolveShortcut(const RawString& shortcut) {
    const RawComScope com;
    RawComRef<IShellLinkW> link;
    RawComRef<IPersistFile> file;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.Put())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, file.Put())))
        return RawString();
    if (FAILED(file->Load(WideLongPath(shortcut).c_str(), STGM_READ)) &&
        FAILED(file->Load(PlainPath(shortcut).ToWide().c_str(), STGM_READ)))
        return RawString();
    std::wstring target = LinkPath(link.Get());
    if (target.empty()) target = LinkListPath(link.Get());
    return RawString::FromWide(target.c_str());
}

RawString ExpandedPath(const RawString& path, const RawString& extension) {
    const RawString name = FileName(path);
    const RawRange own = name.ExtensionRange();
    if (extension.IsEmpty() || own.begin < own.end || name.IsEmpty()) return RawString();
    // One dot between name and extension, whoever brings it: "report." and
    // ".txt" make "report.txt" as "report" and "txt" do.
    const bool nameDot = name.UnitAt(name.Length() - 1) == '.';
    const bool extensionDot = extension.UnitAt(0) == '.';
    RawString candidate(path, RawCodeKind::Utf8);
    if (!nameDot && !extensionDot) candidate.Append(".");
    candidate.AppendRange(extension, {nameDot && extensionDot ? 1 : 0, extension.Length()});
    return candidate;
}

WinPathLayout LayoutPathDialog(SIZE client, int32_t margin, int32_t barHeight, SIZE button, int32_t buttonCount) {
    WinPathLayout layout;
    const int32_t m = margin;
    const int32_t buttonLeft = std::max<int32_t>(m, client.cx - m - button.cx);
    const int32_t right = std::max<int32_t>(m, buttonLeft - m);
    layout.bar = {m, m, right, m + barHeight};
    layout.box = {m, layout.bar.bottom + m, right, std::max<int32_t>(layout.bar.bottom + m, client.cy - m)};
    // Finish and Cancel at the top, the others after a gap of one button.
    int32_t top = m;
    for (int32_t i = 0; i < buttonCount; ++i) {
        if (i == 2) top += button.cy;
        layout.buttons.push_back({buttonLeft, top, buttonLeft + button.cx, top + button.cy});
        top += button.cy + m;
    }
    return layout;
}

// ---------------------------------------------------------------- path bar

int32_t WinPathBar::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KEYDOWN && Parent() && Parent()->HasWindow()) {
        switch (wParam) {
            case VK_UP:
            case VK_DOWN:
            case VK_PRIOR:
            case VK_NEXT:
                SendMessageW(Parent()->Window(), kMsgPathRequest, kPathRequestKey, static_cast<LPARAM>(wParam));
                return 0;
            default:
                break;
        }
    }
    if (message == kMsgPathRequest && wParam == kPathRequestPut && lParam) {
        TakePath(*reinterpret_cast<const RawString*>(lParam));
        return 0;
    }
    return WinEditBox::HandleMessage(message, wParam, lParam);
}

void WinPathBar::TakePath(const RawString& path) {
    SetText(path);
    const int32_t length = EditText().Length();
    const RawRange name = FileNameRange(EditText());
    Select(std::min(name.begin, length), length);
}

void WinPathBar::Notify(uint16_t code) {
    WinPathRequest request;
    switch (code) {
        case kNotifyExecute: request = kPathRequestFinish; break;
        case kNotifyCancel: request = kPathRequestCancel; break;
        case kNotifyTextChanged: request = kPathRequestChanged; break;
        default: return WinEditBox::Notify(code);
    }
    // Posted: the edit that caused it is still under way.
    if (Parent() && Parent()->HasWindow()) PostMessageW(Parent()->Window(), kMsgPathRequest, request, 0);
}

// ---------------------------------------------------------------- path box

WinPathBox::WinPathBox() { Property().exStyle |= WS_EX_CLIENTEDGE | WS_EX_ACCEPTFILES; }

int32_t WinPathBox::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    // The dialog takes a drop wherever it lands.
    if (message == WM_DROPFILES && Parent() && Parent()->HasWindow())
        return static_cast<int32_t>(SendMessageW(Parent()->Window(), message, wParam, lParam));
    // Rows span the view: a new width measures them anew at the next flush.
    if (message == WM_SIZE)
        for (WinListBoxItemUnit& unit : items) unit.flags &= ~WinListBoxItemUnit::kMeasured;
    return WinListBoxR<WinPathBoxItem>::HandleMessage(message, wParam, lParam);
}

void WinPathBox::Fill(const RawString& path, uint16_t pathOptions, bool typed) {
    filling_ = true;
    ResetItems();
    // Anything but typing reads the folder anew: it may have changed meanwhile.
    if (!typed) listing_.valid = false;
    const int32_t cursor =
        FillPathBoxItems(path, pathOptions, WinPathPlaces::Current(), linkBack, entries_, &listing_);
    for (WinPathBoxItem& entry : entries_) AppendRow(&entry);
    filledFor = path;
    if (HasWindow()) Relayout();
    SetCursor(cursor);
    Invalidate();
    filling_ = false;
}

void WinPathBox::MeasureItem(HDC, const RECT& bounds, int32_t index, WinListBoxItemUnit& item, RECT& rect) {
    // Rows span the view: the box does not scroll sideways, so names are not
    // measured; a long one is cut at the right edge.
    const WinPathBoxItem* entry = DataOf(item);
    const bool band = entry && entry->kind == kPathKindHeading && index > 0;
    rect = {0, 0, bounds.right - bounds.left, line.cy + kRowPadding + (band ? kBandHeight : 0)};
}

void WinPathBox::DrawItem(HDC dc, const RECT& rect, int32_t index, WinListBoxItemUnit& item) {
    const WinPathBoxItem* entry = index >= 0 ? DataOf(item) : nullptr;
    if (!entry) return;
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    RECT row = rect;
    if (entry->kind == kPathKindHeading && index > 0) {
        FillSolid(dc, {row.left, row.top, row.right, row.top + kBandHeight}, window);
        const int32_t middle = row.top + kBandHeight / 2;
        FillSolid(dc, {row.left, middle, row.right, middle + 1}, kBandLine);
        row.top += kBandHeight;
    }
    // The cursor row shows whether the keys act on it.
    const COLORREF back = index == Cursor() ? (HasFocus() ? kCursorActive : kCursor) : window;
    FillSolid(dc, row, back);
    const int32_t side = row.bottom - row.top;
    const RECT icon{row.left + 2 + kIndent * entry->level, row.top, row.left + 2 + kIndent * entry->level + side,
                    row.bottom};
    WinBitmapPool& icons = EntryIconPool();
    if (entry->kind < icons.FrameCount()) icons.Draw(entry->kind, dc, icon);
    RECT text{icon.right + kTextGap, row.top, row.right, row.bottom};
    const RawTextColourScope colour(dc, GetSysColor(COLOR_WINDOWTEXT));
    const std::wstring name = entry->name.ToWide();
    DrawTextW(dc, name.c_str(), static_cast<int>(name.size()), &text, kNameFormat);
}

void WinPathBox::SendRequest(WinPathRequest request, LPARAM lParam) {
    if (Parent() && Parent()->HasWindow()) SendMessageW(Parent()->Window(), kMsgPathRequest, request, lParam);
}

int32_t WinPathBox::OnCommand(uint16_t code) {
    if (code == kNotifySelection) {
        // A fill puts the cursor on the typed path: the bar keeps what was typed.
        if (!filling_) SendRequest(kPathRequestTakeOver, 0);
        return 0;
    }
    const WinPathBoxItem* entry = CursorEntry();
    if (code == kNotifyExecute && entry && entry->kind == kPathKindShortcut) {
        SendRequest(kPathRequestShortcut, Cursor());
        return 0;
    }
    return WinListBoxR<WinPathBoxItem>::OnCommand(code);
}

// ---------------------------------------------------------------- dialog

void WinPathDialog::SetEntryIcons(std::span<const uint16_t> iconIds) { EntryIconIds() = iconIds; }

bool WinPathDialog::Choose(WinView* owner, const RECT& ownerRect, const RawString& title, RawString& path,
                           uint16_t pathOptions, const RawString& defaultExtension) {
    WinPathDialog dialog(title, path, pathOptions, defaultExtension);
    dialog.Place(ownerRect);
    if (dialog.DoModal(owner) != 1) return false;
    path = dialog.Path();
    return true;
}

WinPathDialog::WinPathDialog(const RawString& title, const RawString& path, uint16_t pathOptions,
                             const RawString& defaultExtension)
    : path_(path),
      options_(pathOptions),
      defaultExtension_(defaultExtension),
      labels_(RawLabelStore::Instance().RegisterLabels(kCommonLabelTable)),
      messages_(RawLabelStore::Instance().RegisterLabels(kMessageLabelTable)) {
    Property().className = "Class_PathDialog";
    Property().kind = 1;
    Property().style = kDialogStyle;
    Property().exStyle = WS_EX_DLGMODALFRAME | WS_EX_ACCEPTFILES;
    bigIcon = 130;
    smallIcon = 131;
    SetText(title);
    minimumClient = {0, 0, kMinimumClient.cx, kMinimumClient.cy};
    bar_.SetText(path);
    bar_.editOptions |= WinEditBoxBasic::kEditTabMovesFocus;
    for (const ButtonPlan& plan : kButtons) {
        auto button = std::make_unique<WinButton>();
        button->SetText(labels_.Get(plan.label));
        button->notifyCode = plan.code;
        if (plan.toggle) button->buttonStyle |= 0x1000;
        button->Property().style |= WS_TABSTOP;
        buttons_.push_back(std::move(button));
    }
    buttons_[2]->SetChecked((pathOptions & kPathShowHidden) != 0);
}

void WinPathDialog::Place(const RECT& ownerRect) {
    RECT window{0, 0, kInitialClient.cx, kInitialClient.cy};
    AdjustWindowRectEx(&window, Property().style, FALSE, Property().exStyle);
    placement = CentredOverOwner({Width(window), Height(window)}, ownerRect);
}

void WinPathDialog::OnCreated() {
    bar_.Fit();
    barHeight_ = bar_.fittedHeight + 6;
    AddChild(bar_);
    AddChild(box_);
    for (const auto& button : buttons_) AddChild(*button);
    Arrange();
    box_.Fill(path_, options_);
    if (bar_.HasWindow()) {
        SetFocus(bar_.Window());
        bar_.TakePath(path_);
    }
}

void WinPathDialog::Arrange() {
    if (!HasWindow()) return;
    RECT area;
    GetClientRect(Window(), &area);
    SIZE button{kMinButtonWidth, 0};
    for (const auto& b : buttons_) {
        b->Fit();
        button.cx = std::max<int32_t>(button.cx, b->fittedWidth);
        button.cy = std::max<int32_t>(button.cy, b->fittedHeight);
    }
    const int32_t margin = 2 * WinToolkit::Instance().margin;
    const WinPathLayout layout = LayoutPathDialog({Width(area), Height(area)}, margin, barHeight_, button,
                                                  static_cast<int32_t>(buttons_.size()));
    auto move = [](WinView& view, const RECT& r) {
        view.placement = r;
        if (view.HasWindow()) MoveWindow(view.Window(), r.left, r.top, Width(r), Height(r), TRUE);
    };
    move(bar_, layout.bar);
    move(box_, layout.box);
    for (size_t i = 0; i < buttons_.size(); ++i) move(*buttons_[i], layout.buttons[i]);
}

int32_t WinPathDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case kMsgPathRequest:
            return OnRequest(wParam, lParam);
        case WM_COPYDATA:
            return OnCopyData(reinterpret_cast<const COPYDATASTRUCT*>(lParam));
        case WM_DROPFILES:
            OnDropFiles(reinterpret_cast<HDROP>(wParam));
            return 0;
        default:
            return WinDialog::HandleMessage(message, wParam, lParam);
    }
}

int32_t WinPathDialog::OnRequest(WPARAM request, LPARAM lParam) {
    switch (request) {
        case kPathRequestCancel:
            End(0);
            break;
        case kPathRequestFinish:
            path_ = bar_.GetText();
            Finish();
            break;
        case kPathRequestChanged: {
            path_ = bar_.GetText();
            // The bar showing what the box handed it is no new path.
            const WinPathBoxItem* entry = box_.CursorEntry();
            if (!(path_ == box_.filledFor) && !(entry && entry->path == path_)) box_.Fill(path_, options_, true);
            break;
        }
        case kPathRequestTakeOver:
            if (const WinPathBoxItem* entry = box_.CursorEntry(); entry && !entry->path.IsEmpty())
                SendMessageW(bar_.Window(), kMsgPathRequest, kPathRequestPut, reinterpret_cast<LPARAM>(&entry->path));
            break;
        case kPathRequestShortcut:
            if (const WinPathBoxItem* entry = box_.Entry(static_cast<int32_t>(lParam))) FollowShortcut(*entry);
            break;
        case kPathRequestKey:
            // The box invalidates itself after a move; its rows stay measured.
            box_.OnKey(static_cast<UINT>(lParam), false, false);
            break;
        case kPathRequestPut:
            if (lParam) PutInBar(*reinterpret_cast<const RawString*>(lParam));
            break;
        default:
            return kNotTaken;
    }
    return 0;
}

int32_t WinPathDialog::OnCopyData(const COPYDATASTRUCT* data) {
    if (!data) return 1;
    if (data->dwData != 0) {
        End(0);
        return 1;
    }
    auto length = static_cast<int32_t>(data->cbData);
    const auto* bytes = static_cast<const char*>(data->lpData);
    while (bytes && length > 0 && bytes[length - 1] == '\0') --length;
    SetPath(bytes ? RawString(bytes, length) : RawString());
    Finish();
    return 1;
}

void WinPathDialog::OnDropFiles(HDROP drop) {
    const RawDropHandle dropped(drop);
    // Wide, whatever the names hold; the first one is the path.
    if (DroppedFileCount(drop) > 0) SetPath(DroppedFile(drop, 0));
}

int32_t WinPathDialog::OnChildCommand(WinView* child, uint16_t code) {
    switch (code) {
        case kCancelCode:
            End(0);
            return 0;
        case kFinishCode:
            path_ = bar_.GetText();
            Finish();
            return 0;
        case kOpenCode:
            OpenFolder();
            return 0;
        case kHiddenCode:
            options_ = static_cast<uint16_t>(buttons_[2]->IsChecked() ? options_ | kPathShowHidden
                                                                       : options_ & ~kPathShowHidden);
            box_.Fill(path_, options_);
            return 0;
        case kNotifyExecute:
            if (child == &box_) ExecuteEntry(box_.Cursor());
            return 0;
        default:
            return WinDialog::OnChildCommand(child, code);
    }
}

void WinPathDialog::SetPath(const RawString& path) {
    path_ = path;
    PutInBar(path);
    box_.Fill(path_, options_);
}

void WinPathDialog::PutInBar(const RawString& path) {
    if (bar_.HasWindow()) bar_.TakePath(path);
    else bar_.SetText(path);
}

void WinPathDialog::ExecuteEntry(int32_t index) {
    const WinPathBoxItem* entry = box_.Entry(index);
    if (!entry) return;
    if (entry->kind == kPathKindShortcut) return FollowShortcut(*entry);
    if (entry->kind == kPathKindFile) {
        SetPath(entry->path);
        return Finish();
    }
    if (entry->path.IsEmpty() || !IsFolder(entry->path)) return;
    SetPath(JoinPath(entry->path, ""));
}

void WinPathDialog::FollowShortcut(const WinPathBoxItem& entry) {
    if (entry.name == kLinkBackName && entry.level == 0) {
        // Back to the shortcut that was followed, in its own folder.
        const RawString back = box_.linkBack;
        box_.linkBack = RawString();
        return SetPath(back);
    }
    const RawString target = ResolveShortcut(entry.path);
    if (target.IsEmpty()) return;
    box_.linkBack = entry.path;
    SetPath(IsFolder(target) ? JoinPath(target, "") : target);
}

void WinPathDialog::OpenFolder() {
    const RawString typed = bar_.GetText();
    RawString folder = IsFolder(typed) ? typed : ParentPath(typed);
    if (folder.IsEmpty() || !IsFolder(folder)) return;
    RawShell shell;
    shell.Launch(folder, "open");
}

int32_t WinPathDialog::Ask(const RawString& key, const RawString& path) {
    return asker ? asker(key, path) : ShowMessage(key, path);
}

int32_t WinPathDialog::ShowMessage(const RawString& key, const RawString& path) {
    for (const MessageLook& look : kMessageLooks) {
        if (!(key == look.key)) continue;
        RawString text = messages_.Get(key);
        text.Append("\r\n", path);
        RECT rect = placement;
        if (HasWindow()) GetWindowRect(Window(), &rect);
        const int32_t answer = WinInfoDialog::Show(this, rect, GetText(), text, look.buttons(), look.icon);
        // The message's end gave the focus to the dialog; typing goes on in the bar.
        if (bar_.HasWindow()) SetFocus(bar_.Window());
        return answer;
    }
    return 0;
}

void WinPathDialog::Finish() {
    if (path_.IsEmpty()) return;
    if (options_ & kPathFileMode) {
        const RawString candidate = ExpandedPath(path_, defaultExtension_);
        // Must exist: a candidate that is not there is not offered.
        if (!candidate.IsEmpty() && !((options_ & kPathMustExist) && !PathExists(candidate))) {
            const int32_t answer = Ask("ExpandExtension", candidate);
            if (answer == 0) return;
            if (answer == 2) {
                path_ = candidate;
                PutInBar(path_);
            }
        }
    }
    const uint32_t attributes = FileAttributes(path_);
    const bool exists = attributes != kNoAttributes;
    const bool folder = exists && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if ((options_ & kPathFolderMode) && exists && !folder) return (void)Ask("SpecifyFolder", path_);
    if ((options_ & kPathFileMode) && folder) return (void)Ask("SpecifyFile", path_);
    if ((options_ & kPathConfirmOverwrite) && exists && !folder && Ask("Overwrite", path_) != 1) return;
    if ((options_ & kPathMustExist) && !exists) return (void)Ask("SpecifyExist", path_);
    RawString folderPart = (options_ & kPathFolderMode) ? path_ : ParentPath(path_);
    if (folderPart.Length() > 3) folderPart = WithoutTrailingSeparator(folderPart);
    if ((options_ & kPathAskCreate) && !exists) {
        if (folderPart.IsEmpty()) return (void)Ask("SpecifyValid", path_);
        if (!IsFolder(folderPart) && Ask("CreateFolder", folderPart) == 0) return;
    }
    if ((options_ & (kPathAskCreate | kPathCreate)) && !folderPart.IsEmpty() && !IsFolder(folderPart) &&
        !EnsureFolder(folderPart))
        return (void)Ask("ErrorCreate", folderPart);
    End(1);
}

}  // namespace WinLayer
