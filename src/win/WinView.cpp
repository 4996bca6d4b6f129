// Views: text accessors, the base message handler, dispatch to hooks, font
// inheritance, measuring and the view lists.
#include "win/WinView.h"

#include <commctrl.h>

#include <string>

#include "raw/RawGdiHandle.h"
#include "win/WinAccessible.h"
#include "win/WinToolkit.h"
#include "win/WinViewHook.h"

namespace WinLayer {

using namespace RawLayer;

// ---------------------------------------------------------------- view lists

void WinViewList::Adopt(WinView& view) {
    RawLock lock(lock_);
    view.Property().controlId = nextId_++;
    view.adoptedBy_ = this;
    list_.Adopt(&view);
}

bool WinViewList::Remove(WinView& view) {
    RawLock lock(lock_);
    for (auto p = list_.begin(); p != list_.end(); ++p) {
        if (&*p == &view) {
            list_.Detach(p);
            view.adoptedBy_ = nullptr;
            return true;
        }
    }
    return false;
}

bool WinViewList::Contains(const WinView& view) {
    RawLock lock(lock_);
    for (const WinView& v : list_)
        if (&v == &view) return true;
    return false;
}

void WinViewList::Clear() {
    RawLock lock(lock_);
    for (WinView& v : list_) v.adoptedBy_ = nullptr;
    list_.Clear();
}

WinView* WinViewList::FindByWindow(HWND window) {
    RawLock lock(lock_);
    if (!window) return nullptr;
    for (WinView& v : list_)
        if (v.Window() == window) return &v;
    return nullptr;
}

WinView* WinViewList::FindById(int32_t controlId) {
    RawLock lock(lock_);
    for (WinView& v : list_)
        if (v.ControlId() == controlId) return &v;
    return nullptr;
}

std::vector<WinView*> WinViewList::Snapshot() {
    RawLock lock(lock_);
    std::vector<WinView*> views;
    views.reserve(list_.Count());
    for (WinView& v : list_) views.push_back(&v);
    return views;
}

int32_t WinViewList::Count() {
    RawLock lock(lock_);
    return list_.Count();
}

WinViewList& DialogList() {
    static WinViewList* list = new WinViewList(WinViewList::kFirstDialogId);  // lives to the end
    return *list;
}

// ---------------------------------------------------------------- view

WinView::WinView() { property_.text = RawString(WinToolkit::Instance().TextKind()); }

WinView::~WinView() {
    for (WinViewHook& hook : hooks_) hook.view_ = nullptr;
    // A view that goes before its window must not be reached through it again.
    if (HasWindow() && property_.kind == WinViewProperty::kSubclassed)
        RemoveWindowSubclass(Window(), WinSubclassProc, static_cast<UINT_PTR>(property_.controlId));
    if (adoptedBy_) adoptedBy_->Remove(*this);
}

RawString WinView::GetText() { return RawString(property_.text, WinToolkit::Instance().TextKind()); }

void WinView::ClearText() {
    property_.text = RawString(property_.text.Kind());
    ++property_.revision;
}

void WinView::SetText(const RawString& text) {
    property_.text = text;
    ++property_.revision;
}

void WinView::AssignText(const RawString& text) {
    property_.text.Assign(text);
    ++property_.revision;
}

int32_t WinView::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            return OnCommand(HIWORD(wParam));
        case kMsgMenuCommand:
            return OnMenuCommand(static_cast<uint32_t>(wParam), static_cast<uint32_t>(lParam));
        case WM_MEASUREITEM:
            if (wParam != 0) return kNotHandled;
            return OnMeasureMenuItem(0, reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)) ? 1 : kNotHandled;
        case WM_DRAWITEM:
            if (wParam != 0) return kNotHandled;
            return OnDrawMenuItem(0, reinterpret_cast<DRAWITEMSTRUCT*>(lParam)) ? 1 : kNotHandled;
        case WM_KEYDOWN:
            if (wParam == VK_TAB) {
                if (parent_ && parent_->HasWindow()) {
                    const bool backwards = GetKeyState(VK_SHIFT) < 0;
                    SendMessageW(parent_->Window(), kMsgFocusNext, static_cast<WPARAM>(ControlId()),
                                 backwards ? kFocusBackward : kFocusForward);
                }
                return 0;
            }
            if (wParam == VK_ESCAPE) {
                if (HasWindow())
                    PostMessageW(Window(), WM_COMMAND, MAKEWPARAM(ControlId(), kNotifyCancel), 0);
                return 0;
            }
            return kNotHandled;
        case WM_ENABLE:
        case WM_SHOWWINDOW:
            if (!wParam) HandOffFocus();
            return kNotHandled;
        default:
            return kNotHandled;
    }
}

void WinView::HandOffFocus() {
    // EnableWindow takes the focus from a window it disables (SetFocus(NULL))
    // and ShowWindow leaves it on a hidden child: either way keys would reach
    // no control until a click. Posted, so that the state change is complete
    // when the parent looks for the next control.
    const HWND focus = GetFocus();
    if (focus && focus != Window()) return;
    if (!parent_ || !parent_->HasWindow()) return;
    if (!focus && GetActiveWindow() != GetAncestor(parent_->Window(), GA_ROOT)) return;
    PostMessageW(parent_->Window(), kMsgFocusNext, static_cast<WPARAM>(ControlId()), kFocusHandOff);
}

int32_t WinView::OnCommand(uint16_t code) { return parent_ ? parent_->OnChildCommand(this, code) : kNotTaken; }

int32_t WinView::OnMenuCommand(uint32_t, uint32_t) { return kNotTaken; }
bool WinView::OnMeasureMenuItem(uint32_t, MEASUREITEMSTRUCT*) { return false; }
bool WinView::OnDrawMenuItem(uint32_t, DRAWITEMSTRUCT*) { return false; }
bool WinView::PreTranslateMessage(UINT, WPARAM, LPARAM, POINT*) { return false; }
int32_t WinView::OnChildCommand(WinView*, uint16_t) { return 0; }
bool WinView::AdjustSizeLimits(int32_t&, int32_t&) { return false; }
void WinView::OnStateChange(int32_t, int32_t) {}

WinAccessibleSource* WinView::AccessibleSource() {
    for (WinViewHook& hook : hooks_)
        if (auto* source = dynamic_cast<WinAccessibleSource*>(&hook)) return source;
    return nullptr;
}

int32_t WinView::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    return OfferHooks(message, wParam, lParam, HandleMessage(message, wParam, lParam));
}

int32_t WinView::OfferHooks(UINT message, WPARAM wParam, LPARAM lParam, int32_t ownAnswer) {
    // A hook may detach itself or another while it runs: walk a copy.
    std::vector<WinViewHook*> hooks;
    for (WinViewHook& hook : hooks_) hooks.push_back(&hook);
    for (WinViewHook* hook : hooks) {
        const int32_t answer = hook->HandleMessage(message, wParam, lParam);
        if (answer != kNotHandled) return answer;
    }
    return ownAnswer;
}

HFONT WinView::ResolvedFont() const {
    for (const WinViewProperty* p = &property_; p; p = p->parent)
        if (p->font) return p->font;
    return WinToolkit::Instance().DefaultFont();
}

HWND WinView::ModalWindow() {
    RawLock lock(lock_);
    return modalWindow_;
}

void WinView::SetModalWindow(HWND window) {
    RawLock lock(lock_);
    modalWindow_ = window;
}

void WinView::SetParent(WinView* parent) {
    parent_ = parent;
    property_.parent = parent ? &parent->Property() : nullptr;
}

void WinView::Subclass() {
    if (HasWindow())
        SetWindowSubclass(Window(), WinSubclassProc, static_cast<UINT_PTR>(property_.controlId),
                          reinterpret_cast<DWORD_PTR>(this));
}

LRESULT CALLBACK WinSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                 DWORD_PTR data) {
    WinView* view = reinterpret_cast<WinView*>(data);
    if (message == WM_NCDESTROY) {
        // Removed before the window is gone, as the subclassing documentation asks.
        RemoveWindowSubclass(window, WinSubclassProc, id);
        view->BindWindow(nullptr);
        return DefSubclassProc(window, message, wParam, lParam);
    }
    // The object's reference is an LRESULT, wider than a handler's answer.
    if (LRESULT object = 0; message == WM_GETOBJECT && AnswerGetObject(*view, wParam, lParam, object)) return object;
    const int32_t answer = view->Dispatch(message, wParam, lParam);
    return answer == kNotHandled ? DefSubclassProc(window, message, wParam, lParam) : answer;
}

// ---------------------------------------------------------------- measuring

namespace {

constexpr UINT kSingleLine = DT_NOPREFIX;
constexpr UINT kWrapped = DT_NOPREFIX | DT_WORDBREAK | DT_EDITCONTROL;

UINT LineFlags(uint16_t options) {
    const UINT flags = (options & kTextWrap) ? kWrapped : kSingleLine;
    return (options & kTextAccessKey) ? flags & ~DT_NOPREFIX : flags;
}

// DrawTextExW takes a writable buffer; a copy keeps the caller's text intact.
int DrawWide(HDC dc, std::wstring text, RECT& rect, UINT flags) {
    DRAWTEXTPARAMS params{};
    params.cbSize = sizeof(params);
    return DrawTextExW(dc, text.data(), static_cast<int>(text.size()), &rect, flags, &params);
}

}  // namespace

void WinView::Measure(RECT& rect) {
    rect = {0, 0, 32767, 32767};
    const std::wstring text = property_.text.ToWide();
    RawWindowDc dc(Window());
    RawSelectObject font(dc.Dc(), ResolvedFont());
    // An empty text is measured as one letter, so that it stays one line high.
    DrawWide(dc.Dc(), text.empty() ? std::wstring(L"A") : text, rect, DT_CALCRECT | LineFlags(options));
    if (text.empty()) rect.right = rect.left;
}

void WinView::AdjustRect(RECT& rect) {
    AdjustWindowRectEx(&rect, property_.style, FALSE, property_.exStyle);
    const WinToolkit& toolkit = WinToolkit::Instance();
    if (property_.style & WS_VSCROLL) rect.right += toolkit.VerticalScrollWidth();
    if (property_.style & WS_HSCROLL) rect.bottom += toolkit.HorizontalScrollHeight();
}

void WinView::Fit() {
    RECT rect;
    Measure(rect);
    contentWidth = Width(rect);
    contentHeight = Height(rect);
    rect = GrowByMargins(rect, margins);
    AdjustRect(rect);
    fittedWidth = Width(rect);
    fittedHeight = Height(rect);
}

void DrawTextInRect(HDC dc, const RECT& rect, const RawString& text, uint16_t options) {
    const std::wstring wide = text.ToWide();
    const UINT horizontal = (options & kTextLeft) ? DT_LEFT : (options & kTextRight) ? DT_RIGHT : DT_CENTER;
    const UINT flags = horizontal | LineFlags(options);
    RECT measured = rect;
    DrawWide(dc, wide, measured, flags | DT_CALCRECT);
    RECT target = rect;
    target.top = AlignedTextTop(rect, Height(measured), options);
    DrawWide(dc, wide, target, flags);
}

}  // namespace WinLayer
