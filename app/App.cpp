#include "App.h"

#include "Dialogs.h"
#include "EditionLink.h"
#include "Frames.h"
#include "ProgressBar.h"
#include "Services.h"
#include "resource.h"

#include "appkit/AppMessageBox.h"
#include "core/TevHelpers.h"
#include "core/TevManager.h"
#include "core/TevSystem.h"
#include "midi/MidiSetup.h"
#include "shell/ProfiledFileDialog.h"
#include "shell/ShellUtilities.h"
#include "shell/SingleInstanceGuard.h"
#include "graphics/StateBitmap.h"
#include "ModalWindowStack.h"
#include "PopupMenu.h"
#include "TipBar.h"
#include "WindowsSystem.h"

#include <shellapi.h>

#include <fstream>

namespace {

CApp* g_app = nullptr;

constexpr const char* kRegistryCompany = "Dravik";
constexpr const char* kScriptFolder = "Script\\";

// The framework's clock, sleep and wait cursor.
CWindowsSystem g_system;

} // namespace

CApp* TevGetApp()
{
    return g_app;
}

CApp::CApp()
    : CWinApp(LoadResourceString(IDS_APP_TITLE)), m_windowStack(std::make_unique<CModalWindowStack>()),
      m_midiSetup(std::make_unique<CMidiSetup>())
{
    g_app = this;
    AddCommand(ID_APP_EXIT, [this] { OnAppExit(); });
    AddCommand(ID_SETUP_MIDI, [this] { OnSetupMidi(); });
    AddCommand(ID_APP_ABOUT, [this] { OnAbout(); });
    AddCommand(ID_HELP_MANUAL, [this] { OnManual(); });
    AddCommandRange(ID_SKIN_FIRST, ID_SKIN_LAST, [this](UINT id) { OnSelectSkin(id); });
    AddUpdateCommandRange(ID_SKIN_FIRST, ID_SKIN_LAST, [this](CCmdUI& item) { OnUpdateSelectSkin(item); });
}

CApp::~CApp()
{
    if (g_app == this)
        g_app = nullptr;
}

HWND CApp::GetFrontWindow() const
{
    const CWnd* modal = m_windowStack->GetTopModal();
    return modal != nullptr && modal->GetSafeHwnd() != nullptr ? modal->GetSafeHwnd() : CWinApp::GetFrontWindow();
}

bool CApp::WantsEnabled(HWND window) const
{
    return m_windowStack->Contains(window) ? m_windowStack->WantsEnabled(window) : CWinApp::WantsEnabled(window);
}

void CApp::UpdateWindowStates(HWND leave)
{
    m_windowStack->Update(leave);
    CWinApp::UpdateWindowStates(leave);
}

std::string CApp::GetModuleDirectory()
{
    static const std::string directory = [] {
        char path[MAX_PATH] = {};
        ::GetModuleFileNameA(nullptr, path, MAX_PATH);
        const CSplitPath parts = SplitPath(path);
        return parts.drive + parts.directory;
    }();
    return directory;
}

bool CApp::InitInstance()
{
    TevSetSystem(&g_system);
    // The guard has shown why when it cannot work; a second instance has
    // brought the first one's window forward.
    CSingleInstanceGuard guard(GetAppName());
    if (!guard.IsValid() || !guard.IsFirstInstance())
        return false;

    SetRegistryKey(kRegistryCompany);
    // A type that can't be registered is not worth a message.
    RegisterDocumentType(TevEdition::DocumentExtension(), TevEdition::DocumentTypeId(),
                         TevEdition::DocumentDescription(), 1);
    m_scriptPath = GetModuleDirectory() + kScriptFolder + TevEdition::ScriptName();

    bool loaded = LoadScript();
    while (!loaded) {
        if (ShowMessageBox("Try to reload script again?", MB_YESNO | MB_ICONQUESTION) != IDYES)
            return false;
        m_midiSetup->CloseDevices();
        CTevManager::Instance().Destroy();
        // Cancelling the dialog tries the same script again.
        SelectScriptFile();
        loaded = LoadScript();
    }
    // The user may close the main window while the start still runs (from a
    // box the start shows, or during the read): there is nothing left to run
    // a message loop for, and the exit order still has to be done.
    if (GetMainWnd() == nullptr)
        return false;
    m_messageLoopRunning = true;
    return true;
}

void CApp::ReportLoadFailure(const char* line)
{
    std::string text;
    if (auto* collected = dynamic_cast<CTevTextOutStringStream*>(CTevManager::Instance().GetErrorOut()))
        text = collected->str();
    ShowMessageBox(text + line);
}

bool CApp::LoadScript()
{
    CSplashWindow splash;
    splash.Create();
    m_splash = &splash;
    struct CSplashEnd {
        CApp& app;
        ~CSplashEnd() { app.m_splash = nullptr; }
    } splashEnd{*this};

    CTevManager& manager = CTevManager::Instance();
    manager.m_resourceManager.SetFactory(std::make_unique<CResourceFactory>());
    manager.m_viewManager.SetViewFactory(std::make_unique<CViewFactory>());
    manager.SetMessageOut(new CTextOutBox());
    manager.SetStatusOut(new CTevTextOutBuffer());
    manager.SetErrorOut(new CTevTextOutStringStream());
    manager.SetDumpOut(new CClipboard());
    manager.SetTipBar(std::make_unique<CTipBar>());
    manager.SetProgressBar(std::make_unique<CProgressBar>(IDD_PROGRESS));
    manager.SetPopupMenu(std::make_unique<CPopupMenu>());
    manager.SetPostCaller(std::make_unique<CFunctionPostCaller>());
    splash.Repaint();

    const CSplitPath parts = SplitPath(m_scriptPath);
    manager.SetFolder(parts.drive + parts.directory);
    SetBitmapFolder(parts.drive + parts.directory);

    {
        std::ifstream script(m_scriptPath, std::ios::binary);
        if (!script) {
            ShowMessageBox("Unable to open script.");
            return false;
        }
        if (!manager.ReadScript(script)) {
            ReportLoadFailure("Unable to read script.\n");
            return false;
        }
        splash.Repaint();
        if (!manager.Create()) {
            ReportLoadFailure("Unable to create.\n");
            return false;
        }
    }
    splash.Repaint();
    if (!manager.m_viewManager.OpenRootPanel("main")) {
        ReportLoadFailure("Unable to open main panel.\n");
        return false;
    }
    if (CWnd* main = GetMainWnd())
        ::SetWindowPos(main->GetSafeHwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    splash.Repaint();

    m_editionStarted = TevEdition::Start(manager.GetStatusOut());
    m_midiSetup->Load();
    BuildSkinMenu();
    splash.Repaint();
    ReadDeviceAtStart();
    return true;
}

void CApp::ReadDeviceAtStart()
{
    CTevManager& manager = CTevManager::Instance();
    if (!TevEdition::IsMidiConnected()) {
        // The program stays up without the initial read.
        if (CTevTextOut* messages = manager.GetMessageOut())
            messages->ReportError(3);
        return;
    }
    {
        CTevBusyGuard busy;
        // A failure has left code 4 with the status sink, shown at idle.
        TevEdition::ReadFromDevice();
    }
    // What was just read is the device's, not a local change. A script
    // without "ms" has nothing to clear.
    if (auto* root = dynamic_cast<CTevRootStruct*>(manager.FindStruct("ms")))
        root->SetChanged(false);
}

bool CApp::OnIdle(long count)
{
    const bool more = CWinApp::OnIdle(count);
    CTevManager& manager = CTevManager::Instance();
    if (CTevTipBar* tipBar = manager.GetTipBar())
        tipBar->Update();
    if (const int32_t code = manager.GetStatusCode()) {
        // Cleared before the box opens: a code set while it is open (by a
        // read that the box's own message loop let run) is shown next time.
        manager.SetStatusCode(0);
        if (CTevTextOut* messages = manager.GetMessageOut())
            messages->ReportError(code);
    }
    return more;
}

int CApp::ExitInstance()
{
    // After a failed start only what the start did is undone.
    if (m_editionStarted) {
        TevEdition::End();
        m_editionStarted = false;
    }
    m_midiSetup->CloseDevices();
    CTevManager::Instance().Destroy();
    TevSetSystem(nullptr);
    return CWinApp::ExitInstance();
}

bool CApp::SelectScriptFile()
{
    CProfiledFileDialog dialog(true, "", "", OFN_HIDEREADONLY | OFN_FILEMUSTEXIST,
                               "Tev Script Files(*.xml)|*.xml|All Files(*.*)|*.*||", nullptr);
    dialog.SetDirectoryProfile("Script", "InitialDirectory", GetModuleDirectory() + "Script");
    dialog.SetFileNameProfile("Script", "InitialFileName", "");
    dialog.SetFilterIndexProfile("Script", "InitialFilterIndex", 0);
    if (dialog.DoModal() != IDOK)
        return false;
    m_scriptPath = dialog.GetPathName();
    return true;
}

void CApp::BuildSkinMenu()
{
    CWnd* main = GetMainWnd();
    HMENU bar = main ? ::GetMenu(main->GetSafeHwnd()) : nullptr;
    if (!bar)
        return;
    const std::vector<std::string> names = TevEdition::GetSkinNames();
    const int count = ::GetMenuItemCount(bar);
    for (int position = 0; position < count; ++position) {
        char text[1025] = {};
        ::GetMenuStringA(bar, static_cast<UINT>(position), text, 1024, MF_BYPOSITION);
        if (std::string(text) != "&Setup")
            continue;
        HMENU setup = ::GetSubMenu(bar, position);
        HMENU skins = ::CreatePopupMenu();
        if (!setup || !skins)
            return;
        for (size_t i = 0; i < names.size(); ++i)
            ::AppendMenuA(skins, MF_STRING, ID_SKIN_FIRST + i, names[i].c_str());
        ::AppendMenuA(setup, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(skins), "S&kin");
        ::DrawMenuBar(main->GetSafeHwnd());
        return;
    }
}

void CApp::OnAppExit()
{
    if (CWnd* main = GetMainWnd())
        main->PostMessage(WM_CLOSE, 0, 0);
}

void CApp::OnUpdateSelectSkin(CCmdUI& item)
{
    item.SetCheck(item.m_nID == ID_SKIN_FIRST + static_cast<unsigned>(TevEdition::GetSkin()) ? 1 : 0);
}

void CApp::OnSelectSkin(unsigned id)
{
    TevEdition::SetSkin(static_cast<int>(id - ID_SKIN_FIRST));
}

void CApp::OnSetupMidi()
{
    CMidiSetupDialog dialog;
    dialog.DoModal();
}

void CApp::OnAbout()
{
    CAboutDialog dialog;
    dialog.DoModal();
}

void CApp::OnManual()
{
    static const std::string manual = GetModuleDirectory() + LoadResourceString(IDS_MANUAL_PATH);
    CWnd* main = GetMainWnd();
    ::ShellExecuteA(main ? main->GetSafeHwnd() : nullptr, "open", manual.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void CApp::OnMainWindowDestroyed(CWnd* frame)
{
    if (GetMainWnd() != frame)
        return;
    SetMainWnd(nullptr);
    // A main frame destroyed during a load attempt must not end the next one.
    if (m_messageLoopRunning)
        ::PostQuitMessage(0);
}
