// The system's file dialog that remembers its folder, file name and filter in
// the application's profile, shows the current folder in its title and
// follows shortcuts to folders.
#pragma once

#include "appkit/Wnd.h"

#include <commdlg.h>

#include <string>
#include <vector>

class CProfiledFileDialog : public CWnd {
public:
    // filter: "Text|*.txt|All|*.*||" pairs separated by '|'.
    CProfiledFileDialog(bool open, const std::string& defaultExtension, const std::string& fileName, DWORD flags,
                        const std::string& filter, CWnd* parent = nullptr);
    ~CProfiledFileDialog() override;

    // Each reads the profile at once; the dialog writes the entries back
    // when it ends.
    void SetDirectoryProfile(const std::string& section, const std::string& key, const std::string& def);
    void SetFileNameProfile(const std::string& section, const std::string& key, const std::string& def);
    void SetFilterIndexProfile(const std::string& section, const std::string& key, int def);

    // IDOK or IDCANCEL. The folder and the filter are remembered either way,
    // the file name only after OK.
    INT_PTR DoModal();

    std::string GetPathName() const { return m_fileBuffer.data(); }
    std::string GetFileName() const;
    const std::string& GetDirectory() const { return m_directory; }
    const std::string& GetRememberedFileName() const { return m_lastFileName; }
    OPENFILENAMEA& GetOpenFileName() { return m_ofn; }

    // The dialog's notifications (the explorer-style dialog's parent window
    // is the one with the title and the controls).
    void OnFolderChange();
    void OnSelectionChange();

private:
    static UINT_PTR CALLBACK HookProc(HWND hook, UINT msg, WPARAM wParam, LPARAM lParam);
    HWND DialogWindow() const;
    std::string CurrentFilePath() const;
    void SetBackFileName();
    bool ShortcutToFolderSelected() const;

    bool m_open;
    OPENFILENAMEA m_ofn{};
    std::vector<char> m_fileBuffer;
    std::string m_filter;
    std::string m_defaultExtension;
    std::string m_initialDirectory;
    HWND m_hookWindow = nullptr;

    std::string m_lastFileName;
    std::string m_directorySection;
    std::string m_directoryKey;
    std::string m_directory;
    std::string m_fileNameSection;
    std::string m_fileNameKey;
    std::string m_filterSection;
    std::string m_filterKey;
};
