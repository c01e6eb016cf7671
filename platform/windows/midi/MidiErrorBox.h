#pragma once
// The boxes about MIDI failures. A box runs a message loop of its own in
// which sends, input and the user go on, so more may fail while it is open:
// one box is open at a time, and what fails meanwhile opens no box over it.
#include <atomic>
#include <memory>
#include <string>

// What one MIDI device's failures share with the boxes that tell them: the
// device's identity, and the state of the reports its worker thread posts.
// It lives on with a box whose message loop deleted the device.
class CMidiFailureSource {
public:
    // Worker thread: a report may go out now, none being on its way to a
    // box or in one; it is marked on its way.
    bool BeginReport() { return !m_reporting.exchange(true); }
    // The report on its way never reached a box.
    void DropReport() { m_reporting.store(false); }
    // Worker thread: the last report was not shown in a box opened after
    // its failure began (it was folded into an older one), so the next
    // failure of its run is reported again.
    bool TakeReportAgain() { return m_reportAgain.exchange(false); }
    // User-interface thread: the box the report went into has closed;
    // shown tells whether that box opened after the report came.
    void EndReport(bool shown);

private:
    std::atomic<bool> m_reporting{false};
    std::atomic<bool> m_reportAgain{false};
};

using MidiFailureSourcePtr = std::shared_ptr<CMidiFailureSource>;

// Shows a box about a failure of source (null: of no device in particular).
// While a box is open, a failure is folded into it when the box is about
// the same failure of the same device; any other is shown once, in one box
// after it. A report (the worker's, of source) counts as taken only when a
// box shows it that opened after it came. User-interface thread only.
void ShowMidiErrorBox(const std::string& text, const MidiFailureSourcePtr& source = nullptr, bool report = false);
