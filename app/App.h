#pragma once
// The application object: guards against a second instance, loads the
// script and brings the program up (with a reload loop when that fails),
// shows pending error codes at idle time, serves the menu commands, and
// takes everything down again in order at exit.
// The Windows headers without the macros that would rename the framework's
// operations; first, before any framework header.
#include "appkit/Win32.h"

#include "appkit/WinApp.h"

#include <windows.h>

#include <memory>
#include <string>

class CModalWindowStack;
class CMidiSetup;
class CSplashWindow;

class CApp : public CWinApp {
public:
    CApp();
    ~CApp() override;

    bool InitInstance() override;
    int ExitInstance() override;
    bool OnIdle(long count) override;
    // The window stack has its say: a modal panel's window is in front, and
    // only the top level takes input.
    HWND GetFrontWindow() const override;
    bool WantsEnabled(HWND window) const override;
    void UpdateWindowStates(HWND leave = nullptr) override;

    // One attempt to load the script at the script path and bring the
    // program up; every failure has been shown when it returns false.
    bool LoadScript();
    // Lets the user choose another script; true with a new script path.
    bool SelectScriptFile();
    // Appends the "S&kin" pop-up to the "&Setup" menu.
    void BuildSkinMenu();

    // Menu commands, routed here from the main frame. Each of the sixteen
    // skin ids has a command and an update; later ids have neither and are
    // greyed.
    void OnAppExit();
    void OnSetupMidi();
    void OnAbout();
    void OnManual();
    void OnSelectSkin(unsigned id);
    void OnUpdateSelectSkin(CCmdUI& item);

    // The main frame's window is being destroyed: it stops being the main
    // window, and the message loop (only once it runs) ends.
    void OnMainWindowDestroyed(CWnd* frame);

    // Drive and folder of the program file, ending with a backslash.
    static std::string GetModuleDirectory();

    CModalWindowStack& GetWindowStack() { return *m_windowStack; }
    CMidiSetup& GetMidiSetup() { return *m_midiSetup; }
    const std::string& GetScriptPath() const { return m_scriptPath; }
    void SetScriptPath(const std::string& path) { m_scriptPath = path; }
    bool IsEditionStarted() const { return m_editionStarted; }

private:
    // Shows the collected messages of this attempt and the shell's line.
    void ReportLoadFailure(const char* line);
    // The read at start-up when the devices are there, else code 3.
    void ReadDeviceAtStart();

    std::string m_scriptPath;
    std::unique_ptr<CModalWindowStack> m_windowStack;
    std::unique_ptr<CMidiSetup> m_midiSetup;
    CSplashWindow* m_splash = nullptr;
    bool m_messageLoopRunning = false;
    bool m_editionStarted = false;
};

// The application object, or null before it exists.
CApp* TevGetApp();
