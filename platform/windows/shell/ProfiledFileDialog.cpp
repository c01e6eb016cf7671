#include "shell/ProfiledFileDialog.h"

#include "appkit/WinApp.h"
#include "shell/ShellUtilities.h"

#include <dlgs.h>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {
constexpr size_t kFileBufferSize = MAX_PATH * 4;

bool EndsWithLnk(const std::string& path)
{
    if (path.size() < 4) {
        return false;
    }
    std::string tail = path.substr(path.size() - 4);
    for (char& c : tail) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return tail == ".lnk";
}
}  // namespace

CProfiledFileDialog::CProfiledFileDialog(bool open, const std::string& defaultExtension, const std::string& fileName,
                                         DWORD flags, const std::string& filter, CWnd* parent)
    : m_open(open), m_fileBuffer(kFileBufferSize, '\0'), m_filter(filter), m_defaultExtension(defaultExtension)
{
    // '|' separates the filter's texts; the system wants zeros.
    for (char& c : m_filter) {
        if (c == '|') {
            c = '\0';
        }
    }
    m_filter.push_back('\0');
    std::strncpy(m_fileBuffer.data(), fileName.c_str(), kFileBufferSize - 1);

    // The older, shorter structure for the systems that predate the longer one.
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    const bool longForm = ::GetVersionExA(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT && info.dwMajorVersion > 4;
#pragma GCC diagnostic pop
    m_ofn.lStructSize = longForm ? sizeof(OPENFILENAMEA) : OPENFILENAME_SIZE_VERSION_400A;
    HWND owner = parent != nullptr ? parent->GetSafeHwnd() : nullptr;
    if (owner == nullptr && GetApp() != nullptr && GetApp()->GetMainWnd() != nullptr) {
        owner = GetApp()->GetMainWnd()->GetSafeHwnd();
    }
    m_ofn.hwndOwner = owner;
    m_ofn.hInstance = CWinApp::GetResourceInstance();
    m_ofn.lpstrFilter = filter.empty() ? nullptr : m_filter.c_str();
    m_ofn.nFilterIndex = 0;
    m_ofn.lpstrFile = m_fileBuffer.data();
    m_ofn.nMaxFile = static_cast<DWORD>(kFileBufferSize);
    m_ofn.lpstrDefExt = m_defaultExtension.empty() ? nullptr : m_defaultExtension.c_str();
    m_ofn.Flags = flags | OFN_EXPLORER | OFN_ENABLEHOOK | OFN_ENABLESIZING;
    m_ofn.lpfnHook = &CProfiledFileDialog::HookProc;
    m_ofn.lCustData = reinterpret_cast<LPARAM>(this);
}

CProfiledFileDialog::~CProfiledFileDialog()
{
    // The dialog's windows belong to the system; never destroy them here.
    m_hWnd = nullptr;
}

void CProfiledFileDialog::SetDirectoryProfile(const std::string& section, const std::string& key, const std::string& def)
{
    m_directorySection = section;
    m_directoryKey = key;
    m_directory = GetApp() != nullptr ? GetApp()->GetProfileString(section, key, def) : def;
    m_initialDirectory = m_directory;
    m_ofn.lpstrInitialDir = m_initialDirectory.c_str();
}

void CProfiledFileDialog::SetFileNameProfile(const std::string& section, const std::string& key, const std::string& def)
{
    m_fileNameSection = section;
    m_fileNameKey = key;
    const std::string name = GetApp() != nullptr ? GetApp()->GetProfileString(section, key, def) : def;
    std::fill(m_fileBuffer.begin(), m_fileBuffer.end(), '\0');
    std::strncpy(m_fileBuffer.data(), name.c_str(), kFileBufferSize - 1);
    m_lastFileName = name;
}

void CProfiledFileDialog::SetFilterIndexProfile(const std::string& section, const std::string& key, int def)
{
    m_filterSection = section;
    m_filterKey = key;
    m_ofn.nFilterIndex = static_cast<DWORD>(GetApp() != nullptr ? GetApp()->GetProfileInt(section, key, def) : def);
}

INT_PTR CProfiledFileDialog::DoModal()
{
    const BOOL ok = m_open ? ::GetOpenFileNameA(&m_ofn) : ::GetSaveFileNameA(&m_ofn);
    m_hookWindow = nullptr;
    const INT_PTR result = ok ? IDOK : IDCANCEL;
    CWinApp* app = GetApp();
    if (app != nullptr) {
        if (!m_directorySection.empty() && !m_directoryKey.empty()) {
            app->WriteProfileString(m_directorySection, m_directoryKey, m_directory);
        }
        if (!m_fileNameSection.empty() && !m_fileNameKey.empty() && result == IDOK) {
            app->WriteProfileString(m_fileNameSection, m_fileNameKey, GetFileName());
        }
        if (!m_filterSection.empty() && !m_filterKey.empty()) {
            app->WriteProfileInt(m_filterSection, m_filterKey, static_cast<int>(m_ofn.nFilterIndex));
        }
    }
    return result;
}

std::string CProfiledFileDialog::GetFileName() const
{
    const CSplitPath parts = SplitPath(GetPathName());
    return parts.fileName + parts.extension;
}

HWND CProfiledFileDialog::DialogWindow() const
{
    return m_hookWindow != nullptr ? ::GetParent(m_hookWindow) : nullptr;
}

std::string CProfiledFileDialog::CurrentFilePath() const
{
    char path[MAX_PATH + 1] = {};
    ::SendMessageA(DialogWindow(), CDM_GETFILEPATH, MAX_PATH, reinterpret_cast<LPARAM>(path));
    return path;
}

bool CProfiledFileDialog::ShortcutToFolderSelected() const
{
    const std::string path = CurrentFilePath();
    if (!EndsWithLnk(path)) {
        return false;
    }
    const std::string target = ResolveShortcut(path.substr(0, path.size() - 4));
    const DWORD attributes = ::GetFileAttributesA(target.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void CProfiledFileDialog::SetBackFileName()
{
    if (GetWindowsVersion() < 4) {
        ::SendMessageA(DialogWindow(), CDM_SETCONTROLTEXT, cmb13, reinterpret_cast<LPARAM>(m_lastFileName.c_str()));
        ::SendMessageA(DialogWindow(), CDM_SETCONTROLTEXT, edt1, reinterpret_cast<LPARAM>(m_lastFileName.c_str()));
    }
}

void CProfiledFileDialog::OnFolderChange()
{
    char folder[MAX_PATH + 1] = {};
    ::SendMessageA(DialogWindow(), CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(folder));
    m_directory = folder;
    const std::string title = std::string(m_open ? "Open" : "Save As") + " - " + AddTrailingBackslash(m_directory, true);
    ::SetWindowTextA(DialogWindow(), title.c_str());
    if (!m_open && ShortcutToFolderSelected()) {
        SetBackFileName();
    }
}

void CProfiledFileDialog::OnSelectionChange()
{
    if (m_open) {
        return;
    }
    if (ShortcutToFolderSelected()) {
        SetBackFileName();
        return;
    }
    char name[MAX_PATH + 1] = {};
    ::SendMessageA(DialogWindow(), CDM_GETSPEC, MAX_PATH, reinterpret_cast<LPARAM>(name));
    m_lastFileName = name;
}

UINT_PTR CALLBACK CProfiledFileDialog::HookProc(HWND hook, UINT msg, WPARAM, LPARAM lParam)
{
    if (msg == WM_INITDIALOG) {
        const auto* ofn = reinterpret_cast<const OPENFILENAMEA*>(lParam);
        auto* dialog = reinterpret_cast<CProfiledFileDialog*>(ofn->lCustData);
        dialog->m_hookWindow = hook;
        ::SetWindowLongPtrA(hook, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(dialog));
        return 0;
    }
    if (msg == WM_NOTIFY) {
        auto* dialog = reinterpret_cast<CProfiledFileDialog*>(::GetWindowLongPtrA(hook, GWLP_USERDATA));
        const auto* notify = reinterpret_cast<const OFNOTIFYA*>(lParam);
        if (dialog != nullptr && notify != nullptr) {
            if (notify->hdr.code == CDN_FOLDERCHANGE) {
                dialog->OnFolderChange();
            } else if (notify->hdr.code == CDN_SELCHANGE) {
                dialog->OnSelectionChange();
            }
        }
    }
    return 0;
}
