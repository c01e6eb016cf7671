// The application object: one per process. Runs the message loop with idle
// processing and keeps the registry profile.
#pragma once

#include "appkit/CmdTarget.h"

#include "appkit/Win32.h"

#include <string>

class CWnd;

class CWinApp : public CCmdTarget {
public:
    // appName names the program in message boxes and in the profile's key;
    // empty: the program file's name without its extension.
    explicit CWinApp(const std::string& appName = std::string());
    ~CWinApp() override;
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Start-up; false ends the program (Run is not entered).
    virtual bool InitInstance();
    // Clean-up; the result is the process's exit code (the base: WM_QUIT's code).
    virtual int ExitInstance();
    // Called while the queue is empty, with a count that restarts after any
    // message except paint, the system timer (0x118) and a mouse move to the
    // same point; called again while it returns true. The base refreshes the
    // main window's commands (count 0) and frees temporary objects (count 1).
    virtual bool OnIdle(long count);
    // Called for every message before it is dispatched; true = handled. The
    // base offers it to the target window and its parents up to the main window.
    virtual bool PreTranslateMessage(MSG* msg);
    // The message loop; returns ExitInstance()'s result after WM_QUIT.
    int Run();
    // One message: get, pre-translate, dispatch. False on WM_QUIT.
    bool PumpMessage();

    // A message after which idle processing restarts.
    static bool IsIdleMessage(const MSG* msg);

    CWnd* GetMainWnd() const { return m_mainWnd; }
    void SetMainWnd(CWnd* wnd) { m_mainWnd = wnd; }

    // The window the user works in, which a box without an owner belongs
    // to; the base: the main window (null without one).
    virtual HWND GetFrontWindow() const;
    // The window a box or a dialog without an owner belongs to: the front
    // window, or a dialog or progress window in front of it that holds it;
    // never a pop-up that only shows something (the value tip), which can
    // hold nothing.
    HWND GetModalOwner() const;
    // Whether the window should take input now; the base: no modal loop
    // holds it (CModalHold).
    virtual bool WantsEnabled(HWND window) const;
    // Enables or disables the application's own windows as WantsEnabled
    // says, all but `leave`; the base: the main window.
    virtual void UpdateWindowStates(HWND leave = nullptr);

    // The profile lives in HKCU\Software\<company>\<app name>\<section>;
    // without a company, in HKCU\Software\<app name>\<section>.
    void SetRegistryKey(const std::string& company);
    const std::string& GetRegistryKey() const { return m_company; }
    std::string GetProfileString(const std::string& section, const std::string& entry,
                                 const std::string& def);
    int GetProfileInt(const std::string& section, const std::string& entry, int def);
    bool WriteProfileString(const std::string& section, const std::string& entry,
                            const std::string& value);  // REG_SZ
    bool WriteProfileInt(const std::string& section, const std::string& entry, int value);  // REG_DWORD
    // The key HKCU\Software\<company>\<app name> (the caller closes it), or null.
    HKEY OpenAppKey(bool create);

    HINSTANCE GetInstance() const { return m_instance; }
    void SetInstance(HINSTANCE instance) { m_instance = instance; }
    const std::string& GetAppName() const { return m_appName; }
    void SetAppName(const std::string& name) { m_appName = name; }
    int GetCmdShow() const { return m_cmdShow; }
    void SetCmdShow(int cmdShow) { m_cmdShow = cmdShow; }

    // The instance that holds the resources (the program's module).
    static HINSTANCE GetResourceInstance();

    HICON LoadIcon(UINT id) const;
    HCURSOR LoadStandardCursor(LPCSTR id) const;
    // A string of the string table; empty if missing.
    std::string LoadString(UINT id) const;

private:
    HKEY OpenSectionKey(const std::string& section, bool create);

    HINSTANCE m_instance = nullptr;
    std::string m_appName;
    std::string m_company;
    CWnd* m_mainWnd = nullptr;
    int m_cmdShow = SW_SHOWNORMAL;
    bool m_idleRestart = false;
    int m_exitCode = 0;
};

// The application object of the process, or null.
CWinApp* GetApp();

// Where the activation goes as a modal loop ends: `owner` when it takes
// input, else the window a new box would belong to when that one does; null
// when neither does.
HWND ActivationTarget(HWND owner);

// The program's entry: call from WinMain. Runs InitInstance, then the
// message loop (or ExitInstance when start-up fails); returns the exit code.
int AppWinMain(HINSTANCE instance, int cmdShow);
