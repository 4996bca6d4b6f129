// Work in progress: a run, an undo or the reading of dropped folders on a
// worker thread, the window kept painted meanwhile, its progress text, and
// the rule of what the window may do until the work ends.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "raw/RawString.h"

namespace AppLayer {

// Digits in groups of three: "1,204".
RawLayer::RawString GroupedNumber(int64_t value);

class GuiRunGate {
public:
    // What one input message may do while work runs.
    enum class Verdict { Stop, Refuse, Ignore };
    // The body's side: count each item done, ask between two items
    // whether to go on.
    struct Work {
        std::atomic<int32_t>& done;
        std::function<bool()> stopRequested;
    };

    GuiRunGate();
    ~GuiRunGate();
    GuiRunGate(const GuiRunGate&) = delete;
    GuiRunGate& operator=(const GuiRunGate&) = delete;

    // Runs body on a worker while this thread answers sent messages and
    // paints; input is judged and never replayed later. what names the
    // progress label ("Reading", "Renaming", "Undoing"), all the items.
    // True when the body ran to its end, false when it was asked to stop.
    bool Run(const char* what, int32_t all, const std::function<void(Work&)>& body);
    bool Running() const { return running_; }
    void RequestStop();
    bool StopRequested() const { return stopAsked_; }
    // Items the work has done so far; any thread may ask.
    int32_t Done() const { return done_.load(); }

    // Esc and a click on the stop button stop; other clicks and keys are
    // refused (and said so); moves and releases are no one's concern.
    Verdict Judge(const MSG& message) const;
    // "Renaming 1,204 of 5,000", and what became of the input meanwhile;
    // empty while no work runs.
    RawLayer::RawString ProgressText() const;
    // A pass asked for while work runs: it runs once the work has ended.
    void PassLater() { passAsked_ = true; }

    // Whether the log folder holds a run that can be taken back, as the
    // last run or undo left it (the title menu reads no folder to know).
    bool undoable = false;

    // Set where the gate is made.
    // The window whose click stops the work.
    std::function<HWND()> stopButton;
    // The view shows the progress text again; paintNow paints at once.
    std::function<void(bool paintNow)> showProgress;
    // true: "Start !" reads "Stop !"; false: the work ended.
    std::function<void(bool stoppable)> showStop;
    // The pass that was asked for meanwhile.
    std::function<void()> runPass;

private:
    class Worker;
    void Pump(Worker& worker);

    bool running_ = false;
    bool passAsked_ = false;
    std::atomic<bool> stopAsked_{false};
    int32_t refused_ = 0;
    int32_t all_ = 0;
    RawLayer::RawString pattern_;
    std::atomic<int32_t> done_{0};
};

}  // namespace AppLayer
