#include "midi/MidiErrorBox.h"

#include "appkit/AppMessageBox.h"

#include <algorithm>
#include <utility>
#include <vector>

void CMidiFailureSource::EndReport(bool shown)
{
    // Set before the report ends, so that the worker's next report finds it.
    if (!shown)
        m_reportAgain.store(true);
    m_reporting.store(false);
}

namespace {

// The gate: the open box, what it shows, and what waits to be shown after it.
class CMidiErrorBoxes {
public:
    void Show(const std::string& text, const MidiFailureSourcePtr& source, bool report);

private:
    struct SFailure {
        MidiFailureSourcePtr source;
        std::string text;
        bool report = false;

        bool IsSame(const SFailure& other) const { return source == other.source && text == other.text; }
    };
    using CFailures = std::vector<SFailure>;

    // Ends the reports of failures whose box has closed.
    static void End(CFailures& failures, bool shown);
    static std::string Text(const CFailures& failures);
    // On every way out of the open box, also an exception: the gate opens
    // again, and reports no box was opened for are reported again.
    void Reopen();

    bool m_open = false;
    CFailures m_shown;
    CFailures m_waiting;
    // Reports that came while a box about the same failure was already open.
    CFailures m_folded;
};

void CMidiErrorBoxes::Show(const std::string& text, const MidiFailureSourcePtr& source, bool report)
{
    SFailure failure{source, text, report};
    auto same = [&failure](const SFailure& other) { return other.IsSame(failure); };
    if (m_open) {
        if (std::any_of(m_shown.begin(), m_shown.end(), same)) {
            if (report)
                m_folded.push_back(std::move(failure));
        } else if (auto waiting = std::find_if(m_waiting.begin(), m_waiting.end(), same); waiting != m_waiting.end()) {
            waiting->report = waiting->report || report;
        } else {
            m_waiting.push_back(std::move(failure));
        }
        return;
    }
    m_open = true;
    struct SReopen {
        CMidiErrorBoxes& boxes;
        ~SReopen() { boxes.Reopen(); }
    } reopen{*this};
    m_shown.push_back(std::move(failure));
    while (!m_shown.empty()) {
        ShowMessageBox(Text(m_shown), MB_OK | MB_ICONEXCLAMATION);
        End(m_shown, true);
        End(m_folded, false);
        m_shown = std::exchange(m_waiting, {});
    }
}

void CMidiErrorBoxes::End(CFailures& failures, bool shown)
{
    for (const SFailure& failure : failures)
        if (failure.report && failure.source)
            failure.source->EndReport(shown);
    failures.clear();
}

std::string CMidiErrorBoxes::Text(const CFailures& failures)
{
    // Devices share their texts; each is given once.
    std::vector<std::string> lines;
    for (const SFailure& failure : failures)
        if (std::find(lines.begin(), lines.end(), failure.text) == lines.end())
            lines.push_back(failure.text);
    std::string text;
    for (const std::string& line : lines)
        text += (text.empty() ? "" : "\n") + line;
    return text;
}

void CMidiErrorBoxes::Reopen()
{
    End(m_shown, false);
    End(m_waiting, false);
    End(m_folded, false);
    m_open = false;
}

} // namespace

void ShowMidiErrorBox(const std::string& text, const MidiFailureSourcePtr& source, bool report)
{
    static CMidiErrorBoxes boxes;
    boxes.Show(text, source, report);
}
