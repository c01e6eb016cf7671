#pragma once
// The small Windows objects the application installs into the manager at
// every load attempt: the two factories, the message-box and clipboard
// sinks, the deferred-call window, and the reader and dialog factory it
// hands to the edition layer.
// The Windows headers without the macros that would rename the framework's
// operations; first, before any framework header.
#include "appkit/Win32.h"

#include "EditionTypes.h"

#include "appkit/Wnd.h"
#include "core/TevResources.h"
#include "core/TevServices.h"
#include "core/TevTextOut.h"

#include <deque>
#include <functional>
#include <memory>
#include <string>

// The resource manager's factory: bitmaps, text writers and graph drawers
// drawn with GDI.
class CResourceFactory : public ITevResourceFactory {
public:
    std::unique_ptr<CTevStateBitmap> CreateStateBitmap() override;
    std::unique_ptr<CTevTextWriter> CreateTextWriter() override;
    CTevGraphDrawer* CreateGraphDrawer() override;
};

// The view manager's factory: the shell's panels, the windows that show
// open root panels, and the in-place editing pop control for "edit".
class CViewFactory : public TevEdition::CEditionViewFactory {
public:
    std::unique_ptr<CTevRootPanel> CreateRootPanel() override;
    std::unique_ptr<CTevNodePanel> CreateNodePanel() override;
    std::unique_ptr<CTevControl> CreateControl(const CTevElementDefinition& definition) override;
    std::unique_ptr<ITevPanelWindow> CreatePanelWindow(CTevRootPanel& panel) override;
};

// Sink 0: shows a message code in a message box.
class CTextOutBox : public CTevTextOut {
public:
    // Code 3 "MIDI devices aren't set up correctly.", code 4 "Please check
    // the connections.", any other "Undefined error.".
    void ReportError(int32_t code) override;
    // The string-table id of the text shown for the code.
    static unsigned TextIdForCode(int32_t code);
};

// Sink 3: every output replaces the clipboard's text.
class CClipboard : public CTevTextOut {
protected:
    void Output(const std::string& text) override;
};

// Runs posted work from the message loop, one piece per private message,
// in the order it was posted. Work still queued when the window goes is
// dropped without running.
class CFunctionPostCaller : public CWnd, public ITevFunctionPostCaller {
public:
    static constexpr UINT kRunMessage = 0x402;

    CFunctionPostCaller() = default;
    ~CFunctionPostCaller() override;
    // The hidden, disabled window owned by the main window.
    bool Create();
    bool Post(std::function<void()> function) override;
    size_t GetQueuedCount() const { return m_queue.size(); }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    std::deque<std::function<void()>> m_queue;
};

// The edition's reader with the wait pump of the user-interface thread.
class CReader : public TevEdition::CEditionReader {
public:
    explicit CReader(CTevTextOut* statusSink) : TevEdition::CEditionReader(statusSink) {}
    void Reserved() override {}
    // Drops waiting timer messages, dispatches paint messages and the
    // private messages of the MIDI device windows and the post caller, and
    // then sleeps until a message arrives or 1 ms has passed.
    void PumpWhileWaiting() override;
};

// Makes the write dialog for the edition's write command.
class CDialogFactory : public TevEdition::CEditionDialogFactory {
public:
    std::unique_ptr<TevEdition::CEditionWriteDialog> CreateWriteEntityDialog() override;
};

// A string of the program's string table; empty when it has none.
std::string LoadResourceString(unsigned id);
