// The run gate: the worker, the wait that keeps the window painted and
// judges its input, and the progress text.
#include "app/GuiRunGate.h"

#include <string>
#include <utility>

#include "app/GuiViewNotice.h"
#include "raw/RawLabelStore.h"
#include "raw/RawThread.h"

namespace AppLayer {

using RawLayer::RawString;

namespace {

// Work that ends sooner than this is not shown as progress.
constexpr ULONGLONG kProgressAfterMs = 500;
constexpr DWORD kProgressStepMs = 30;
// Non-client mouse messages: the title bar's buttons, moving and sizing.
constexpr UINT kNonClientMouseFirst = WM_NCMOUSEMOVE;
constexpr UINT kNonClientMouseLast = 0x00AD;  // WM_NCXBUTTONDBLCLK

// Keyed by the work's name; "%1" is the count done, "%2" all.
const RawLayer::RawLocaleRecord kProgressLabels[] = {
    {"Reading", "Reading %1 of %2"},
    {"Renaming", "Renaming %1 of %2"},
    {"Undoing", "Undoing %1 of %2"},
    {"Refused", "Clicks and keys are ignored until it ends; Esc or \"Stop !\" stops it."},
    {"Stopping", "Stopping after the current item."},
    {nullptr, nullptr},
};
const RawLayer::RawLabelTable kProgressTable("Progress", kProgressLabels);
// Between the count and what became of the input.
constexpr char kProgressGap[] = "   ";

RawString Label(const char* key) { return RawLayer::RawLabelStore::Instance().RegisterLabels(kProgressTable).Get(key); }

// Keys, the pointer in the client areas, the pointer on the frames.
const std::pair<UINT, UINT> kInputRanges[] = {
    {WM_KEYFIRST, WM_KEYLAST}, {WM_MOUSEFIRST, WM_MOUSELAST}, {kNonClientMouseFirst, kNonClientMouseLast}};

}  // namespace

RawString GroupedNumber(int64_t value) {
    const std::string digits = std::to_string(value < 0 ? -value : value);
    std::string text = value < 0 ? "-" : "";
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) text += ',';
        text += digits[i];
    }
    return RawString(text);
}

class GuiRunGate::Worker : public RawLayer::RawThreadUnit {
public:
    explicit Worker(const std::function<void()>& body) : body_(body) {}
    void Run() override { body_(); }

private:
    const std::function<void()>& body_;
};

GuiRunGate::GuiRunGate() = default;
GuiRunGate::~GuiRunGate() = default;

bool GuiRunGate::Run(const char* what, int32_t all, const std::function<void(Work&)>& body) {
    // One piece of work at a time: nothing that starts work reaches here
    // while input is held back, but a second one would own the list too.
    if (running_) return false;
    done_ = 0;
    Work work{done_, {}};
    running_ = true;
    stopAsked_ = false;
    refused_ = 0;
    all_ = all;
    pattern_ = Label(what);
    const std::function<void()> run = [&] { body(work); };
    Worker worker(run);
    work.stopRequested = [&worker] { return worker.StopRequested(); };
    // From here to the end the view paints only the progress, never the
    // list, which the worker changes.
    if (showProgress) showProgress(false);
    // Nothing is painted before the progress shows: work that ends sooner
    // never shows "Stop !", yet a click on it stops the work meanwhile too.
    if (showStop) showStop(true);
    if (worker.Start()) {
        Pump(worker);
        worker.Wait();
    } else {
        // No thread to be had: the work runs here, unstoppable but done.
        run();
    }
    const bool stopped = worker.StopRequested();
    running_ = false;
    pattern_ = RawString();
    if (showStop) showStop(false);
    if (showProgress) showProgress(false);
    if (passAsked_) {
        passAsked_ = false;
        if (runPass) runPass();
    }
    return !stopped;
}

void GuiRunGate::Pump(Worker& worker) {
    const ULONGLONG started = GetTickCount64();
    int32_t shownDone = -1;
    int32_t shownRefused = 0;
    bool shownStop = false;
    while (!worker.IsFinished()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, kProgressStepMs, QS_PAINT | QS_SENDMESSAGE | QS_INPUT);
        MSG msg;
        // Sent messages are answered by any peek; input is taken out of the
        // queue here, so that nothing of it is replayed against the window
        // the work leaves behind.
        for (const auto& [first, last] : kInputRanges) {
            while (PeekMessageW(&msg, nullptr, first, last, PM_REMOVE)) {
                switch (Judge(msg)) {
                    case Verdict::Stop:
                        RequestStop();
                        worker.RequestStop();
                        break;
                    case Verdict::Refuse:
                        ++refused_;
                        break;
                    case Verdict::Ignore:
                        break;
                }
            }
        }
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        if (GetTickCount64() - started < kProgressAfterMs) continue;
        const int32_t now = done_.load();
        if (now != shownDone || refused_ != shownRefused || stopAsked_ != shownStop) {
            shownDone = now;
            shownRefused = refused_;
            shownStop = stopAsked_;
            if (showProgress) showProgress(true);
        }
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT)) DispatchMessageW(&msg);
    }
}

void GuiRunGate::RequestStop() {
    if (running_) stopAsked_ = true;
}

GuiRunGate::Verdict GuiRunGate::Judge(const MSG& message) const {
    switch (message.message) {
        case WM_KEYDOWN:
            return message.wParam == VK_ESCAPE ? Verdict::Stop : Verdict::Refuse;
        case WM_SYSKEYDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_XBUTTONDOWN:
        case WM_MOUSEWHEEL:
        case WM_MOUSEHWHEEL:
        case WM_NCLBUTTONDOWN:
        case WM_NCRBUTTONDOWN:
        case WM_NCMBUTTONDOWN:
            return Verdict::Refuse;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: {
            const HWND stop = running_ && stopButton ? stopButton() : nullptr;
            return stop && message.hwnd == stop ? Verdict::Stop : Verdict::Refuse;
        }
        default:
            return Verdict::Ignore;
    }
}

RawString GuiRunGate::ProgressText() const {
    if (!running_) return RawString();
    RawString text = FilledLabel(pattern_, GroupedNumber(done_.load()), GroupedNumber(all_));
    const char* more = stopAsked_ ? "Stopping" : refused_ > 0 ? "Refused" : nullptr;
    if (more) text.Append(RawString(kProgressGap), Label(more));
    return text;
}

}  // namespace AppLayer
