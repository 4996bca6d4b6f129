// The list box at 1,000 and 100,000 rows of one measured height: full and
// incremental layout, one paint, Page Down, End, a click's hit test and
// Ctrl+A, each the median of repeated runs. Paint, scroll step and hit test
// should cost the same at both sizes, and so should a screen reader's
// questions through the list's IAccessible: the child count, one row's name,
// its location and a hit test.
#include <windows.h>

#include <oleacc.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "win/WinAccessible.h"
#include "win/WinDialog.h"
#include "win/WinListBox.h"

using namespace WinLayer;

namespace {

class BenchList : public WinListBox {
public:
    BenchList() {
        listOptions |= kListMultiple;
        placement = {4, 4, 604, 704};
    }
    void MeasureItem(HDC, const RECT&, int32_t, WinListBoxItemUnit&, RECT& rect) override { rect = {0, 0, 560, 18}; }
    void DrawItem(HDC dc, const RECT& rect, int32_t index, WinListBoxItemUnit& item) override {
        FillSolid(dc, rect, item.IsSelected() ? 0xFFD0C0 : 0xFFFFFF);
        wchar_t text[32];
        const int length = swprintf(text, 32, L"Row %06d", index);  // one width at every size
        TextOutW(dc, rect.left + 4, rect.top + 2, text, length);
    }

    class Rows : public WinListAccessible {
    public:
        using WinListAccessible::WinListAccessible;
        RawLayer::RawString RowName(int32_t row) override {
            wchar_t text[32];
            swprintf(text, 32, L"Row %06d", row);
            return RawLayer::RawString::FromWide(text);
        }
    };
    Rows accessible{*this};
    IAccessible* object = nullptr;
};

VARIANT ChildId(long id) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = id;
    return v;
}

class BenchDialog : public WinDialog {
public:
    BenchDialog() {
        Property().className = "VarneloListBoxBench";
        Property().style = WS_OVERLAPPED | WS_CAPTION;
        placement = {20, 20, 640, 760};
        SetText("List box bench");
    }
    ~BenchDialog() override {
        if (HasWindow()) DestroyWindow(Window());
    }
    void OnCreated() override { AddChild(list); }
    BenchList list;
};

double Now() {
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / frequency;
}

// An operation on a list: prepare runs untimed before each timed body.
struct Operation {
    const char* name;
    int batches, calls;
    std::function<void(BenchList&)> prepare, body;
};

// Microseconds per call for both lists, batches taken in turn so that a
// change in the machine's load falls on both alike; the median batch each.
std::pair<double, double> Time(const Operation& op, BenchList& small, BenchList& large) {
    std::vector<double> times[2];
    for (int b = 0; b < op.batches; ++b) {
        for (int which = 0; which < 2; ++which) {
            BenchList& list = which ? large : small;
            double total = 0;
            if (!op.prepare) {
                // Calls too short for a clock reading each are timed together.
                const double start = Now();
                for (int c = 0; c < op.calls; ++c) op.body(list);
                total = Now() - start;
            }
            for (int c = 0; op.prepare && c < op.calls; ++c) {
                op.prepare(list);
                const double start = Now();
                op.body(list);
                total += Now() - start;
            }
            times[which].push_back(total * 1e6 / op.calls);
        }
    }
    for (auto& t : times) std::sort(t.begin(), t.end());
    return {times[0][times[0].size() / 2], times[1][times[1].size() / 2]};
}

int32_t Middle(const BenchList& list) { return list.extent.cy / 2; }

void Fill(BenchList& list, int rows) {
    for (int i = 0; i < rows; ++i) list.AppendItem();
    list.Relayout();
    list.scroll.y = Middle(list);
}

void PaintOnce(BenchList& list) {
    RECT client;
    GetClientRect(list.Window(), &client);
    const HDC dc = GetDC(list.Window());
    list.Paint(dc, client, 0);
    GdiFlush();
    ReleaseDC(list.Window(), dc);
}

}  // namespace

int main() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    BenchDialog smallDialog, largeDialog;
    if (!smallDialog.Create() || !largeDialog.Create()) {
        std::printf("no window: run under a display\n");
        return 1;
    }
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    BenchList& small = smallDialog.list;
    BenchList& large = largeDialog.list;
    Fill(small, 1000);
    Fill(large, 100000);
    for (BenchList* list : {&small, &large})
        AccessibleObjectFromWindow(list->Window(), static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                   reinterpret_cast<void**>(&list->object));
    if (!small.object || !large.object) {
        std::printf("no accessible object\n");
        return 1;
    }
    long child = 0;

    volatile int32_t sink = 0;
    int32_t clicks = 0;
    const Operation operations[] = {
        {"full layout", 9, 1, nullptr, [](BenchList& l) { l.Relayout(); }},
        {"layout, nothing to measure", 9, 1, nullptr, [](BenchList& l) { l.Layout(false); }},
        // The offset back in the middle for every call below that scrolls.
        {"one paint", 31, 5, [](BenchList& l) { l.scroll.y = Middle(l); }, PaintOnce},
        {"Page Down", 31, 20, [](BenchList& l) { l.scroll.y = Middle(l); },
         [](BenchList& l) { l.OnKey(VK_NEXT, false, false); }},
        {"End", 31, 5, [](BenchList& l) { l.SetCursor(0); }, [](BenchList& l) { l.OnKey(VK_END, false, false); }},
        {"click hit test", 31, 20000, nullptr,
         [&](BenchList& l) { sink = sink + l.HitTest({100, (clicks += 37) % l.ViewHeight()}); }},
        {"accChildCount", 31, 2000, nullptr,
         [&](BenchList& l) {
             long count = 0;
             l.object->get_accChildCount(&count);
             sink = sink + count;
         }},
        {"one row's accName", 31, 2000, nullptr,
         [&](BenchList& l) {
             BSTR name = nullptr;
             l.object->get_accName(ChildId(static_cast<long>((child += 7919) % l.ItemCount()) + 2), &name);
             sink = sink + static_cast<int32_t>(SysStringLen(name));
             SysFreeString(name);
         }},
        {"one row's accLocation", 31, 2000, nullptr,
         [&](BenchList& l) {
             long x = 0, y = 0, w = 0, h = 0;
             l.object->accLocation(&x, &y, &w, &h, ChildId(static_cast<long>((child += 7919) % l.ItemCount()) + 2));
             sink = sink + h;
         }},
        {"accHitTest", 31, 2000, nullptr,
         [&](BenchList& l) {
             RECT r;
             GetWindowRect(l.Window(), &r);
             VARIANT hit;
             VariantInit(&hit);
             l.object->accHitTest(r.left + 100, r.top + 4 + (clicks += 37) % l.ViewHeight(), &hit);
             sink = sink + hit.lVal;
         }},
        {"Ctrl+A", 9, 1, [](BenchList& l) { l.SetCursor(0); }, [](BenchList& l) { l.OnKey('A', true, false); }},
    };
    std::printf("List box, rows 18 px high, view %d px (median microseconds per operation)\n", small.ViewHeight());
    std::printf("%-30s %12s %12s %8s\n", "operation", "1,000 rows", "100,000 rows", "ratio");
    for (const Operation& op : operations) {
        const auto [a, b] = Time(op, small, large);
        std::printf("%-30s %12.3f %12.3f %8.2f\n", op.name, a, b, b / a);
    }
    small.object->Release();
    large.object->Release();
    return 0;
}
