#pragma once
// The progress service: a small modeless dialog with a caption line and a
// bar, shown above the disabled main window while a long operation runs.
// Begins nest; only the outermost level shows, moves and hides the bar.
// The Windows headers without the macros that would rename the framework's
// operations; first, before any framework header.
#include "appkit/Win32.h"

#include "core/TevServices.h"

#include <windows.h>

#include <memory>
#include <string>

class CModalHold;

class CProgressBar : public CTevProgressBar {
public:
    explicit CProgressBar(unsigned templateId);
    ~CProgressBar() override;

    // Kind 1 "Now, getting data.", kind 4 "Updating.", any other no text.
    void BeginWithKind(int32_t range, int32_t kind, bool cancellable) override;
    void Begin(int32_t range, const std::string& text, bool cancellable) override;
    void End() override;
    void SetPos(int32_t position) override;
    void SetText(const std::string& text) override;
    bool IsCancelled() override;

    int32_t GetLevel() const { return m_level; }
    HWND GetDialog() const { return m_dialog; }
    // The string-table id of a kind's caption; 0 for none.
    static unsigned TextIdForKind(int32_t kind);
    // Dispatches every waiting message numbered below the private range, the
    // dialog's keyboard handling first. A quit message is put back for the
    // message loop. False when it met one.
    bool PumpMessages();

private:
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    void OnCancel();
    static HWND MainWindow();

    unsigned m_templateId;
    HWND m_dialog = nullptr;
    // The main window takes no input while the operation runs.
    std::unique_ptr<CModalHold> m_hold;
    int32_t m_level = 0;
    bool m_cancelled = false;
};
