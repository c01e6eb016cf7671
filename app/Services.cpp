#include "Services.h"

#include "Dialogs.h"
#include "Frames.h"
#include "resource.h"

#include "appkit/AppMessageBox.h"
#include "appkit/WinApp.h"
#include "graphics/GraphDrawer.h"
#include "graphics/StateBitmap.h"
#include "graphics/TextWriter.h"
#include "PopEditControl.h"
#include "core/TevManager.h"

#include <windows.h>

#include <cstring>

std::string LoadResourceString(unsigned id)
{
    char buffer[1024];
    const int length = ::LoadStringA(::GetModuleHandleA(nullptr), id, buffer, sizeof buffer);
    return length > 0 ? std::string(buffer, static_cast<size_t>(length)) : std::string();
}

// ---------------------------------------------------------------------------
// Factories
// ---------------------------------------------------------------------------

std::unique_ptr<CTevStateBitmap> CResourceFactory::CreateStateBitmap()
{
    return std::make_unique<CStateBitmap>();
}

std::unique_ptr<CTevTextWriter> CResourceFactory::CreateTextWriter()
{
    return std::make_unique<CTextWriter>();
}

CTevGraphDrawer* CResourceFactory::CreateGraphDrawer()
{
    return new CGraphDrawer();
}

std::unique_ptr<CTevRootPanel> CViewFactory::CreateRootPanel()
{
    return std::make_unique<CRootPanel>();
}

std::unique_ptr<CTevNodePanel> CViewFactory::CreateNodePanel()
{
    return std::make_unique<CNodePanel>();
}

std::unique_ptr<CTevControl> CViewFactory::CreateControl(const CTevElementDefinition& definition)
{
    // Exact comparison: "Edit" or "EDIT" go to the framework's table.
    if (definition.type == "edit")
        return std::make_unique<CPopEditControl>();
    return TevEdition::CEditionViewFactory::CreateControl(definition);
}

std::unique_ptr<ITevPanelWindow> CViewFactory::CreatePanelWindow(CTevRootPanel& panel)
{
    return OpenPanelWindow(panel);
}

// ---------------------------------------------------------------------------
// Sinks
// ---------------------------------------------------------------------------

unsigned CTextOutBox::TextIdForCode(int32_t code)
{
    switch (code) {
    case 3:
        return IDS_MIDI_NOT_SET_UP;
    case 4:
        return IDS_CHECK_CONNECTIONS;
    default:
        return IDS_UNDEFINED_ERROR;
    }
}

void CTextOutBox::ReportError(int32_t code)
{
    ShowMessageBox(LoadResourceString(TextIdForCode(code)), MB_OK | MB_ICONEXCLAMATION);
}

void CClipboard::Output(const std::string& text)
{
    CWnd* main = GetApp() ? GetApp()->GetMainWnd() : nullptr;
    if (!::OpenClipboard(main ? main->GetSafeHwnd() : nullptr))
        return;
    if (::EmptyClipboard()) {
        HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
        if (memory) {
            if (void* bytes = ::GlobalLock(memory)) {
                std::memcpy(bytes, text.c_str(), text.size() + 1);
                ::GlobalUnlock(memory);
                // The clipboard owns the memory once it took it.
                if (!::SetClipboardData(CF_TEXT, memory))
                    ::GlobalFree(memory);
            } else {
                ::GlobalFree(memory);
            }
        }
    }
    ::CloseClipboard();
}

// ---------------------------------------------------------------------------
// CFunctionPostCaller
// ---------------------------------------------------------------------------

CFunctionPostCaller::~CFunctionPostCaller()
{
    // Queued work dies with the queue, unrun.
    m_queue.clear();
    if (m_hWnd)
        ::DestroyWindow(m_hWnd);
}

bool CFunctionPostCaller::Create()
{
    const std::string className = RegisterWndClass(0, nullptr, nullptr, nullptr);
    CWnd* main = GetApp() ? GetApp()->GetMainWnd() : nullptr;
    const RECT empty = {0, 0, 0, 0};
    // Disabled and never shown; owned (not a child) by the main window.
    if (!CreateEx(0, className.c_str(), "", WS_DISABLED | WS_POPUP, empty, main, 0))
        return false;
    return true;
}

bool CFunctionPostCaller::Post(std::function<void()> function)
{
    m_queue.push_back(std::move(function));
    if (m_hWnd)
        PostMessage(kRunMessage, 0, 0);
    return true;
}

LRESULT CFunctionPostCaller::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kRunMessage) {
        if (!m_queue.empty()) {
            // Taken off the queue before it runs: the work may post more.
            std::function<void()> function = std::move(m_queue.front());
            m_queue.pop_front();
            function();
        }
        return 0;
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

// ---------------------------------------------------------------------------
// CReader
// ---------------------------------------------------------------------------

void CReader::PumpWhileWaiting()
{
    MSG message;
    // The views' ticks must not run while a reply is awaited.
    while (::PeekMessageA(&message, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE)) {
    }
    while (::PeekMessageA(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) {
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
    // MIDI input from the device windows, and deferred calls.
    while (::PeekMessageA(&message, nullptr, 0x400, 0x4FF, PM_REMOVE)) {
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
    // Sleep until something is posted or sent to the thread instead of
    // spinning a core for the whole wait.
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_POSTMESSAGE | QS_PAINT | QS_SENDMESSAGE);
}

// ---------------------------------------------------------------------------
// CDialogFactory
// ---------------------------------------------------------------------------

std::unique_ptr<TevEdition::CEditionWriteDialog> CDialogFactory::CreateWriteEntityDialog()
{
    return std::make_unique<CWriteEntityDialog>();
}
