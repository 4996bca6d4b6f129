// The IAccessible object of the toolkit's controls and the sources of the
// toolkit's own kinds of control.
#include "win/WinAccessible.h"

#include <oleacc.h>

#include <algorithm>
#include <atomic>
#include <utility>

#include "raw/RawHandle.h"
#include "win/WinButton.h"
#include "win/WinEditBox.h"
#include "win/WinListBox.h"
#include "win/WinRadioButton.h"
#include "win/WinView.h"

using RawLayer::RawString;

namespace WinLayer {

namespace {

// __uuidof takes the GUID from the header: mingw's liboleacc.a exports a code
// stub under the name IID_IAccessible, which wins over libuuid's GUID when it
// is linked first, and every query for the interface would then fail.
const IID& kIidAccessible = __uuidof(IAccessible);

BSTR ToBstr(const RawString& text) {
    const std::wstring wide = text.ToWide();
    return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

// The child a VARIANT names: VT_I4 (or VT_EMPTY for the object itself).
bool ChildOf(const VARIANT& v, int32_t& child) {
    if (v.vt == VT_EMPTY) {
        child = CHILDID_SELF;
        return true;
    }
    if (v.vt != VT_I4) return false;
    child = v.lVal;
    return true;
}

void SetChildVariant(VARIANT* out, int32_t child) {
    VariantInit(out);
    out->vt = VT_I4;
    out->lVal = child;
}

// The selection of a list as a client enumerates it.
class SelectionEnum final : public IEnumVARIANT {
public:
    SelectionEnum(std::vector<int32_t> children, ULONG at) : children_(std::move(children)), at_(at) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IEnumVARIANT) {
            *out = static_cast<IEnumVARIANT*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* out, ULONG* fetched) override {
        if (!out) return E_POINTER;
        ULONG n = 0;
        for (; n < count && at_ < children_.size(); ++n, ++at_) SetChildVariant(&out[n], children_[at_]);
        if (fetched) *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
        const ULONG left = static_cast<ULONG>(children_.size()) - at_;
        at_ += std::min(count, left);
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() override {
        at_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** out) override {
        if (!out) return E_POINTER;
        *out = new SelectionEnum(children_, at_);
        return S_OK;
    }

private:
    std::atomic<ULONG> references_{1};
    std::vector<int32_t> children_;
    ULONG at_;
};

// One object per WM_GETOBJECT; it keeps only the window and the link, and
// asks the source afresh at every call.
class AccessibleObject final : public IAccessible {
public:
    AccessibleObject(HWND window, std::shared_ptr<WinAccessibleSource::Link> link)
        : window_(window), link_(std::move(link)) {}

    // ---- IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == kIidAccessible) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

    // ---- IDispatch: clients of IAccessible call its methods directly.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info) *info = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    // ---- IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (!Source()) return CO_E_OBJNOTCONNECTED;
        return AccessibleObjectFromWindow(window_, static_cast<DWORD>(OBJID_WINDOW), IID_IDispatch,
                                          reinterpret_cast<void**>(out));
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* out) override {
        if (!out) return E_POINTER;
        WinAccessibleSource* source = Source();
        if (!source) return CO_E_OBJNOTCONNECTED;
        *out = source->ChildCount();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        int32_t id = 0;
        const HRESULT valid = Check(child, id);
        if (FAILED(valid)) return valid;
        // Rows and segments are simple elements, answered by their parent.
        return id == CHILDID_SELF ? E_INVALIDARG : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* out) override {
        return Text(child, out, [](WinAccessibleSource& s, int32_t id) { return s.Name(id); });
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* out) override {
        return Text(child, out, [](WinAccessibleSource& s, int32_t id) { return s.Value(id); });
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* out) override {
        return Text(child, out, [](WinAccessibleSource& s, int32_t id) { return s.Description(id); });
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* out) override {
        if (!out) return E_POINTER;
        VariantInit(out);
        int32_t id = 0;
        const HRESULT valid = Check(child, id);
        if (FAILED(valid)) return valid;
        out->vt = VT_I4;
        out->lVal = Source()->Role(id);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* out) override {
        if (!out) return E_POINTER;
        VariantInit(out);
        int32_t id = 0;
        const HRESULT valid = Check(child, id);
        if (FAILED(valid)) return valid;
        uint32_t state = Source()->State(id);
        if (id == CHILDID_SELF) {
            if (!IsWindowVisible(window_)) state |= STATE_SYSTEM_INVISIBLE;
            if (!IsWindowEnabled(window_)) state |= STATE_SYSTEM_UNAVAILABLE;
            else state |= STATE_SYSTEM_FOCUSABLE;
            if (GetFocus() == window_) state |= STATE_SYSTEM_FOCUSED;
        }
        out->vt = VT_I4;
        out->lVal = static_cast<LONG>(state);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR* out) override {
        if (out) *out = nullptr;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, long* topic) override {
        if (file) *file = nullptr;
        if (topic) *topic = 0;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        int32_t id = 0;
        const HRESULT valid = Check(child, id);
        if (FAILED(valid)) return valid;
        const RawString key = id == CHILDID_SELF ? Source()->shortcut : RawString();
        if (key.IsEmpty()) return S_FALSE;
        *out = ToBstr(key);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* out) override {
        if (!out) return E_POINTER;
        VariantInit(out);
        WinAccessibleSource* source = Source();
        if (!source) return CO_E_OBJNOTCONNECTED;
        if (GetFocus() != window_) return S_FALSE;
        const int32_t focused = source->FocusedChild();
        SetChildVariant(out, focused > 0 ? focused : CHILDID_SELF);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* out) override {
        if (!out) return E_POINTER;
        VariantInit(out);
        WinAccessibleSource* source = Source();
        if (!source) return CO_E_OBJNOTCONNECTED;
        std::vector<int32_t> selected = source->SelectedChildren();
        if (selected.empty()) return S_FALSE;
        if (selected.size() == 1) {
            SetChildVariant(out, selected.front());
            return S_OK;
        }
        out->vt = VT_UNKNOWN;
        out->punkVal = new SelectionEnum(std::move(selected), 0);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* out) override {
        return Text(child, out, [](WinAccessibleSource& s, int32_t id) { return s.DefaultAction(id); });
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
        int32_t id = 0;
        const HRESULT valid = Check(child, id);
        if (FAILED(valid)) return valid;
        return Source()->Select(id, flags) ? S_OK : DISP_E_MEMBERNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override {
        if (!left || !top || !width || !height) return E_POINTER;
        *left = *top = *width = *height = 0;
        int32_t id = 0;
        const HRESULT valid = Check(child, id);
        if (FAILED(valid)) return valid;
        RECT r{};
        if (id == CHILDID_SELF) GetClientRect(window_, &r);
        else if (!Source()->ChildRect(id, r)) return S_FALSE;
        MapWindowPoints(window_, nullptr, reinterpret_cast<POINT*>(&r), 2);
        *left = r.left;
        *top = r.top;
        *width = r.right - r.left;
        *height = r.bottom - r.top;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* out) override {
        if (!out) return E_POINTER;
        VariantInit(out);
        int32_t id = 0;
        const HRESULT valid = Check(start, id);
        if (FAILED(valid)) return valid;
        const int32_t count = Source()->ChildCount();
        int32_t to = 0;
        if (id == CHILDID_SELF) {
            if (direction == NAVDIR_FIRSTCHILD) to = count > 0 ? 1 : 0;
            else if (direction == NAVDIR_LASTCHILD) to = count;
            // Among its siblings the control is one window among others: the
            // platform's object of the window knows them.
            else return Delegate(direction, start, out);
        } else if (direction == NAVDIR_NEXT || direction == NAVDIR_DOWN) {
            to = id < count ? id + 1 : 0;
        } else if (direction == NAVDIR_PREVIOUS || direction == NAVDIR_UP) {
            to = id - 1;
        } else if (direction == NAVDIR_FIRSTCHILD || direction == NAVDIR_LASTCHILD) {
            return E_INVALIDARG;
        }
        if (to <= 0) return S_FALSE;
        SetChildVariant(out, to);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* out) override {
        if (!out) return E_POINTER;
        VariantInit(out);
        WinAccessibleSource* source = Source();
        if (!source) return CO_E_OBJNOTCONNECTED;
        POINT point{x, y};
        ScreenToClient(window_, &point);
        RECT client;
        GetClientRect(window_, &client);
        if (!PtInRect(&client, point)) return S_FALSE;
        const int32_t child = source->ChildAt(point);
        SetChildVariant(out, child > 0 ? child : CHILDID_SELF);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        int32_t id = 0;
        const HRESULT valid = Check(child, id);
        if (FAILED(valid)) return valid;
        return Source()->DoDefaultAction(id) ? S_OK : DISP_E_MEMBERNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return DISP_E_MEMBERNOTFOUND; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
        int32_t id = 0;
        const HRESULT valid = Check(child, id);
        if (FAILED(valid)) return valid;
        const RawString text = RawString::FromWide(value ? value : L"");
        return Source()->SetValue(id, text) ? S_OK : DISP_E_MEMBERNOTFOUND;
    }

private:
    WinAccessibleSource* Source() const {
        return IsWindow(window_) ? link_->source : nullptr;
    }
    // S_OK with the child's number, or the error a client gets.
    HRESULT Check(const VARIANT& child, int32_t& id) {
        WinAccessibleSource* source = Source();
        if (!source) return CO_E_OBJNOTCONNECTED;
        if (!ChildOf(child, id) || id < 0 || id > source->ChildCount()) return E_INVALIDARG;
        return S_OK;
    }
    template <class Get>
    HRESULT Text(const VARIANT& child, BSTR* out, Get&& get) {
        if (!out) return E_POINTER;
        *out = nullptr;
        int32_t id = 0;
        const HRESULT valid = Check(child, id);
        if (FAILED(valid)) return valid;
        const RawString text = get(*Source(), id);
        if (text.IsEmpty()) return S_FALSE;
        *out = ToBstr(text);
        return S_OK;
    }
    HRESULT Delegate(long direction, const VARIANT& start, VARIANT* out) {
        IAccessible* standard = nullptr;
        if (FAILED(CreateStdAccessibleObject(window_, OBJID_CLIENT, kIidAccessible,
                                             reinterpret_cast<void**>(&standard))))
            return S_FALSE;
        const HRESULT result = standard->accNavigate(direction, start, out);
        standard->Release();
        return result;
    }

    std::atomic<ULONG> references_{1};
    HWND window_;
    std::shared_ptr<WinAccessibleSource::Link> link_;
};

}  // namespace

// ---------------------------------------------------------------- the source

WinAccessibleSource::WinAccessibleSource(WinView& view) : WinViewHook(view), link_(std::make_shared<Link>()) {
    link_->source = this;
}

WinAccessibleSource::~WinAccessibleSource() { link_->source = nullptr; }

int32_t WinAccessibleSource::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    WinView* view = View();
    if (!view) return kNotHandled;
    if (message == WM_SETFOCUS) {
        const int32_t child = FocusedChild();
        Announce(EVENT_OBJECT_FOCUS, child > 0 ? child : CHILDID_SELF);
    } else if (message == WM_COMMAND && lParam == 0 && LOWORD(wParam) == view->ControlId()) {
        OnOwnNotification(HIWORD(wParam));
    }
    return kNotHandled;
}

void WinAccessibleSource::Announce(DWORD event, int32_t child) {
    WinView* view = View();
    if (view && view->HasWindow() && child >= 0) NotifyWinEvent(event, view->Window(), OBJID_CLIENT, child);
}

bool WinAccessibleSource::Select(int32_t, long) { return false; }

bool AnswerGetObject(WinView& view, WPARAM wParam, LPARAM lParam, LRESULT& answer) {
    if (static_cast<LONG>(lParam) != OBJID_CLIENT || !view.HasWindow()) return false;
    WinAccessibleSource* source = view.AccessibleSource();
    if (!source) return false;
    auto* object = new AccessibleObject(view.Window(), source->SharedLink());
    answer = LresultFromObject(kIidAccessible, wParam, object);
    // LresultFromObject took its own reference when it succeeded; a failure
    // (an HRESULT, negative) leaves the answer to the default procedure.
    object->Release();
    return answer > 0;
}

namespace {
// -1 until first asked.
std::atomic<int> highContrast{-1};
}  // namespace

bool WinHighContrast() {
    if (highContrast.load(std::memory_order_relaxed) < 0) RefreshHighContrast();
    return highContrast.load(std::memory_order_relaxed) > 0;
}

void RefreshHighContrast() {
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof(contrast);
    SetHighContrast(SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
                    (contrast.dwFlags & HCF_HIGHCONTRASTON));
}

void SetHighContrast(bool on) { highContrast.store(on ? 1 : 0, std::memory_order_relaxed); }

RawString AccessibleName(const RawString& label) {
    const std::wstring text = label.ToWide();
    std::wstring name;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&' && i + 1 < text.size()) ++i;
        else if (text[i] == L'&') continue;
        name.push_back(text[i]);
    }
    return RawString::FromWide(name.c_str());
}

// ---------------------------------------------------------------- edit box

WinEditAccessible::WinEditAccessible(WinEditBox& box, const RawString& label)
    : WinAccessibleSource(box), name(label), box_(box) {}

long WinEditAccessible::Role(int32_t) { return ROLE_SYSTEM_TEXT; }
RawString WinEditAccessible::Name(int32_t) { return name; }
RawString WinEditAccessible::Value(int32_t) { return box_.EditText(); }

bool WinEditAccessible::SetValue(int32_t, const RawString& value) {
    if (box_.IsReadOnly()) return false;
    box_.SelectAll();
    box_.InsertText(value);
    return true;
}

uint32_t WinEditAccessible::State(int32_t) { return box_.IsReadOnly() ? STATE_SYSTEM_READONLY : 0; }

void WinEditAccessible::OnOwnNotification(uint16_t code) {
    if (code == kNotifyTextChanged) Announce(EVENT_OBJECT_VALUECHANGE, CHILDID_SELF);
}

// ---------------------------------------------------------------- buttons

WinButtonAccessible::WinButtonAccessible(WinButton& button, const RawString& label)
    : WinAccessibleSource(button), name(label), action(RawString::FromWide(L"Press")), button_(button) {}

long WinButtonAccessible::Role(int32_t) { return ROLE_SYSTEM_PUSHBUTTON; }

RawString WinButtonAccessible::Name(int32_t) { return name.IsEmpty() ? AccessibleName(button_.GetText()) : name; }

uint32_t WinButtonAccessible::State(int32_t) {
    uint32_t state = 0;
    if (button_.IsToggle() && button_.IsChecked()) state |= STATE_SYSTEM_PRESSED;
    if (button_.Property().style & BS_DEFPUSHBUTTON) state |= STATE_SYSTEM_DEFAULT;
    return state;
}

RawString WinButtonAccessible::DefaultAction(int32_t) { return action; }

bool WinButtonAccessible::DoDefaultAction(int32_t) {
    if (!button_.HasWindow() || !IsWindowEnabled(button_.Window())) return false;
    // Code 0 on the button's own window is its click, posted so that the
    // client does not wait for what the click starts.
    PostMessageW(button_.Window(), WM_COMMAND, MAKEWPARAM(button_.ControlId(), 0), 0);
    return true;
}

// ---------------------------------------------------------------- selectors

WinSelectorAccessible::WinSelectorAccessible(WinRadioButtonBody& selector, const RawString& label)
    : WinAccessibleSource(selector), name(label), action(RawString::FromWide(L"Check")), selector_(selector) {}

long WinSelectorAccessible::Role(int32_t child) {
    return child == CHILDID_SELF ? ROLE_SYSTEM_GROUPING : ROLE_SYSTEM_RADIOBUTTON;
}

RawString WinSelectorAccessible::Name(int32_t child) {
    // Segment labels are drawn as they are: an "&" in one is a letter.
    return child == CHILDID_SELF ? name : selector_.Item(child - 1).label;
}

RawString WinSelectorAccessible::Value(int32_t child) {
    const int32_t selected = selector_.Selected();
    if (child != CHILDID_SELF || selected < 0) return {};
    return selector_.Item(selected).label;
}

uint32_t WinSelectorAccessible::State(int32_t child) {
    if (child == CHILDID_SELF) return 0;
    uint32_t state = STATE_SYSTEM_FOCUSABLE;
    if (selector_.Selected() == child - 1) {
        state |= STATE_SYSTEM_CHECKED;
        if (selector_.HasWindow() && GetFocus() == selector_.Window()) state |= STATE_SYSTEM_FOCUSED;
    }
    if (selector_.HasWindow() && !IsWindowEnabled(selector_.Window())) state |= STATE_SYSTEM_UNAVAILABLE;
    return state;
}

RawString WinSelectorAccessible::DefaultAction(int32_t child) { return child == CHILDID_SELF ? RawString() : action; }

bool WinSelectorAccessible::DoDefaultAction(int32_t child) {
    if (child == CHILDID_SELF || !selector_.HasWindow() || !IsWindowEnabled(selector_.Window())) return false;
    if (!selector_.Select(child - 1)) return false;
    if (selector_.notifyCode)
        PostMessageW(selector_.Window(), WM_COMMAND, MAKEWPARAM(selector_.ControlId(), selector_.notifyCode), 0);
    return true;
}

int32_t WinSelectorAccessible::ChildCount() { return selector_.Count(); }

bool WinSelectorAccessible::ChildRect(int32_t child, RECT& client) {
    if (!selector_.HasWindow()) return false;
    RECT r;
    GetClientRect(selector_.Window(), &r);
    client = SegmentRect(r, child - 1, selector_.Count());
    return true;
}

int32_t WinSelectorAccessible::ChildAt(POINT client) {
    if (!selector_.HasWindow()) return 0;
    RECT r;
    GetClientRect(selector_.Window(), &r);
    return SegmentAt(r, selector_.Count(), client) + 1;
}

int32_t WinSelectorAccessible::FocusedChild() { return selector_.Selected() + 1; }

void WinSelectorAccessible::OnOwnNotification(uint16_t code) {
    if (code != selector_.notifyCode || code == 0) return;
    const int32_t child = selector_.Selected() + 1;
    Announce(EVENT_OBJECT_STATECHANGE, child);
    Announce(EVENT_OBJECT_SELECTION, child);
    if (selector_.HasWindow() && GetFocus() == selector_.Window()) Announce(EVENT_OBJECT_FOCUS, child);
}

// ---------------------------------------------------------------- live text

long WinLiveTextAccessible::Role(int32_t) { return ROLE_SYSTEM_STATICTEXT; }
RawString WinLiveTextAccessible::Name(int32_t) { return View() ? View()->GetText() : RawString(); }
uint32_t WinLiveTextAccessible::State(int32_t) { return STATE_SYSTEM_READONLY; }

void WinLiveTextAccessible::TextChanged() {
    const HWND window = View() ? View()->Window() : nullptr;
    if (window && window != marked_) {
        marked_ = window;
        // The platform's live-setting property: screen readers read the line
        // out when it changes, politely, after what they are saying. The
        // headers lack its id (and the interface's), so they are written here.
        static const GUID kLiveSetting = {0xc12bcd8e, 0x2a8e, 0x4950, {0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb}};
        static const CLSID kPropServices = {0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
        static const IID kPropServicesIid = {0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};
        constexpr long kPolite = 1;
        RawLayer::RawComRef<IAccPropServices> services;
        if (SUCCEEDED(CoCreateInstance(kPropServices, nullptr, CLSCTX_INPROC_SERVER, kPropServicesIid,
                                       services.Put()))) {
            VARIANT polite;
            VariantInit(&polite);
            polite.vt = VT_I4;
            polite.lVal = kPolite;
            services->SetHwndProp(window, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, kLiveSetting, polite);
        }
    }
    Announce(EVENT_OBJECT_NAMECHANGE, 0);
    Announce(EVENT_OBJECT_LIVEREGIONCHANGED, 0);
}

// ---------------------------------------------------------------- list box

WinListAccessible::WinListAccessible(WinListBox& list) : WinAccessibleSource(list), list_(list) {}

bool WinListAccessible::HeaderShown() { return list_.header.IsUsable(); }

int32_t WinListAccessible::RowOfChild(int32_t child) {
    if (child <= 0) return kNoRow;
    const bool header = HeaderShown();
    if (header && child == 1) return kHeaderRow;
    const size_t at = static_cast<size_t>(child - 1 - (header ? 1 : 0));
    const WinListBoxRowSet rows = list_.Rows();
    return at < rows.usable.size() ? rows.usable[at].index : kNoRow;
}

int32_t WinListAccessible::ChildOfRow(int32_t row) {
    const bool header = HeaderShown();
    if (row == kHeaderRow) return header ? 1 : 0;
    const WinListBoxRowSet rows = list_.Rows();
    // The usable rows' indices rise strictly: a search halves its way there.
    const auto found = std::lower_bound(rows.usable.begin(), rows.usable.end(), row,
                                        [](const WinListBoxUsableRow& r, int32_t index) { return r.index < index; });
    if (found == rows.usable.end() || found->index != row) return 0;
    return static_cast<int32_t>(found - rows.usable.begin()) + 1 + (header ? 1 : 0);
}

long WinListAccessible::Role(int32_t child) {
    if (child == CHILDID_SELF) return ROLE_SYSTEM_LIST;
    return RowOfChild(child) == kHeaderRow ? ROLE_SYSTEM_COLUMNHEADER : ROLE_SYSTEM_LISTITEM;
}

RawString WinListAccessible::Name(int32_t child) { return child == CHILDID_SELF ? listName : RowName(RowOfChild(child)); }

RawString WinListAccessible::Description(int32_t child) {
    return child == CHILDID_SELF ? RawString() : RowDescription(RowOfChild(child));
}

uint32_t WinListAccessible::State(int32_t child) {
    if (child == CHILDID_SELF) return list_.IsMultiple() ? STATE_SYSTEM_MULTISELECTABLE : 0;
    const int32_t row = RowOfChild(child);
    if (row == kHeaderRow) return STATE_SYSTEM_READONLY;
    uint32_t state = STATE_SYSTEM_SELECTABLE | STATE_SYSTEM_FOCUSABLE | RowState(row);
    const WinListBoxItemUnit* unit = list_.ItemAt(row);
    if (unit && unit->IsSelected()) state |= STATE_SYSTEM_SELECTED;
    if (row == list_.Cursor() && list_.HasFocus()) state |= STATE_SYSTEM_FOCUSED;
    RECT r;
    if (!ChildRect(child, r) || r.bottom <= list_.view.top || r.top >= list_.view.bottom) state |= STATE_SYSTEM_OFFSCREEN;
    return state;
}

RawString WinListAccessible::DefaultAction(int32_t child) {
    const int32_t row = RowOfChild(child);
    return row >= 0 ? RowDefaultAction(row) : RawString();
}

bool WinListAccessible::DoDefaultAction(int32_t child) {
    const int32_t row = RowOfChild(child);
    return row >= 0 && DoRowDefaultAction(row);
}

bool WinListAccessible::Select(int32_t child, long flags) {
    const int32_t row = RowOfChild(child);
    if (row < 0) return false;
    if ((flags & SELFLAG_TAKEFOCUS) && list_.HasWindow()) SetFocus(list_.Window());
    if (flags & (SELFLAG_TAKESELECTION | SELFLAG_TAKEFOCUS)) list_.SetCursor(row);
    else if (flags & (SELFLAG_ADDSELECTION | SELFLAG_REMOVESELECTION)) {
        const WinListBoxItemUnit* unit = list_.ItemAt(row);
        const bool selected = unit && unit->IsSelected();
        if (list_.IsMultiple() && selected != ((flags & SELFLAG_ADDSELECTION) != 0)) list_.Toggle(row);
    }
    return true;
}

int32_t WinListAccessible::ChildCount() {
    if (!RowsReadable()) return 0;
    return static_cast<int32_t>(list_.Rows().usable.size()) + (HeaderShown() ? 1 : 0);
}

bool WinListAccessible::ChildRect(int32_t child, RECT& client) {
    const int32_t row = RowOfChild(child);
    const WinListBoxItemUnit* unit = list_.ItemAt(row);
    if (!unit) return false;
    RECT r = unit->rect;
    if (row == kHeaderRow && HeaderIsFixed(list_.listOptions)) {
        OffsetRect(&r, list_.view.left - list_.scroll.x, list_.margins.top - r.top);
    } else {
        OffsetRect(&r, list_.view.left - list_.scroll.x, list_.view.top - list_.scroll.y);
    }
    // Rows are laid out at the logical width and stretched to the client.
    if (list_.logicalWidth > 0 && list_.client.cx > 0) {
        const auto scale = [&](LONG v) {
            return static_cast<LONG>(static_cast<int64_t>(v) * list_.client.cx / list_.logicalWidth);
        };
        r = {scale(r.left), scale(r.top), scale(r.right), scale(r.bottom)};
    }
    client = r;
    return true;
}

int32_t WinListAccessible::ChildAt(POINT client) {
    return RowsReadable() ? ChildOfRow(list_.HitTest(client)) : 0;
}

int32_t WinListAccessible::FocusedChild() { return RowsReadable() ? ChildOfRow(list_.Cursor()) : 0; }

std::vector<int32_t> WinListAccessible::SelectedChildren() {
    std::vector<int32_t> children;
    if (!RowsReadable()) return children;
    const int32_t count = list_.ItemCount();
    // Every selected row lies between the selection's bounds.
    for (int32_t row = std::max(0, list_.selection.low); row <= list_.selection.high && row < count; ++row) {
        const WinListBoxItemUnit* unit = list_.ItemAt(row);
        if (unit && unit->IsSelected())
            if (const int32_t child = ChildOfRow(row)) children.push_back(child);
    }
    return children;
}

void WinListAccessible::OnOwnNotification(uint16_t code) {
    if (code != kNotifySelection) return;
    const int32_t cursor = list_.Cursor();
    const int32_t child = ChildOfRow(cursor);
    if (child <= 0) return;
    if (cursor != lastCursor_ && list_.HasFocus()) Announce(EVENT_OBJECT_FOCUS, child);
    lastCursor_ = cursor;
    const WinListBoxItemUnit* unit = list_.ItemAt(cursor);
    const bool alone = list_.selection.low == cursor && list_.selection.high == cursor;
    if (unit && unit->IsSelected() && alone) Announce(EVENT_OBJECT_SELECTION, child);
    else Announce(EVENT_OBJECT_SELECTIONWITHIN, CHILDID_SELF);
}

}  // namespace WinLayer
