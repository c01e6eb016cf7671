#include "shell/ShellUtilities.h"

#include "appkit/WinApp.h"
#include "appkit/Wnd.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <vector>

std::string GetProgramPath()
{
    char path[MAX_PATH + 1] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::string(path, length);
}

bool SetRegistryValue(const std::string& key, const std::string& value)
{
    HKEY handle = nullptr;
    if (::RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                          &handle, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const LONG status = ::RegSetValueExA(handle, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                         static_cast<DWORD>(value.size() + 1));
    ::RegCloseKey(handle);
    return status == ERROR_SUCCESS;
}

std::string CommandLinePath(const std::string& path)
{
    char shortPath[MAX_PATH + 1] = {};
    const DWORD length = ::GetShortPathNameA(path.c_str(), shortPath, MAX_PATH);
    std::string result = length > 0 && length <= MAX_PATH ? std::string(shortPath, length) : path;
    if (result.find(' ') != std::string::npos) {
        result = "\"" + result + "\"";
    }
    return result;
}

bool RegisterDocumentType(const std::string& extension, const std::string& typeId,
                          const std::string& description, int iconIndex)
{
    const std::string program = GetProgramPath();
    const std::string exe = CommandLinePath(program);
    const HICON icon = ::ExtractIconA(CWinApp::GetResourceInstance(), program.c_str(), static_cast<UINT>(iconIndex));
    if (icon == nullptr || icon == reinterpret_cast<HICON>(1)) {
        return false;
    }
    ::DestroyIcon(icon);
    // The icon location takes the plain path; quotes are for the command.
    char shortPath[MAX_PATH + 1] = {};
    const DWORD shortLength = ::GetShortPathNameA(program.c_str(), shortPath, MAX_PATH);
    const std::string iconPath = shortLength > 0 && shortLength <= MAX_PATH ? std::string(shortPath, shortLength) : program;

    if (!SetRegistryValue(typeId, description) ||
        !SetRegistryValue(typeId + "\\DefaultIcon", iconPath + "," + std::to_string(iconIndex)) ||
        !SetRegistryValue(typeId + "\\shell\\open\\ddeexec", "[open(\"%1\")]") ||
        !SetRegistryValue(typeId + "\\shell\\open\\command", exe + " \"%1\"")) {
        return false;
    }
    char current[521] = {};
    LONG size = static_cast<LONG>(sizeof(current) - 1);
    const bool read = ::RegQueryValueA(HKEY_CLASSES_ROOT, extension.c_str(), current, &size) == ERROR_SUCCESS;
    if (read && current[0] != '\0' && typeId == current) {
        return true;
    }
    return SetRegistryValue(extension, typeId);
}

int WindowsVersionOf(DWORD major, DWORD minor)
{
    if (major == 3) {
        return 0;
    }
    if (major == 4) {
        return minor == 0 ? 2 : minor == 10 ? 3 : minor == 90 ? 4 : -1;
    }
    if (major == 5) {
        return minor == 0 ? 5 : minor == 1 ? 6 : -1;
    }
    return -1;
}

int GetWindowsVersion()
{
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!::GetVersionExA(&info)) {
        return -1;
    }
#pragma GCC diagnostic pop
    return WindowsVersionOf(info.dwMajorVersion, info.dwMinorVersion);
}

CSplitPath SplitPath(const std::string& path)
{
    CSplitPath parts;
    size_t start = 0;
    if (path.size() >= 2 && path[1] == ':') {
        parts.drive = path.substr(0, 2);
        start = 2;
    }
    const size_t separator = path.find_last_of("\\/");
    size_t nameStart = start;
    if (separator != std::string::npos && separator >= start) {
        parts.directory = path.substr(start, separator + 1 - start);
        nameStart = separator + 1;
    }
    const std::string name = path.substr(nameStart);
    const size_t dot = name.find_last_of('.');
    if (dot == std::string::npos) {
        parts.fileName = name;
    } else {
        parts.fileName = name.substr(0, dot);
        parts.extension = name.substr(dot);
    }
    return parts;
}

std::string AddTrailingBackslash(const std::string& directory, bool add)
{
    const bool ends = !directory.empty() && directory.back() == '\\';
    if (add) {
        return ends ? directory : directory + "\\";
    }
    if (!ends || (directory.size() >= 2 && directory[directory.size() - 2] == ':')) {
        return directory;
    }
    return directory.substr(0, directory.size() - 1);
}

namespace {
bool FileExists(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
}  // namespace

std::string ResolveShortcut(const std::string& fileName)
{
    if (FileExists(fileName)) {
        return fileName;
    }
    const std::string shortcut = fileName + ".lnk";
    if (!FileExists(shortcut)) {
        return fileName;
    }
    std::string target = fileName;
    const HRESULT init = ::CoInitialize(nullptr);
    IShellLinkA* link = nullptr;
    if (SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                     reinterpret_cast<void**>(&link)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            std::vector<wchar_t> wide(MAX_PATH + 1, L'\0');
            ::MultiByteToWideChar(CP_ACP, 0, shortcut.c_str(), -1, wide.data(), MAX_PATH);
            HWND owner = nullptr;
            if (GetApp() != nullptr && GetApp()->GetMainWnd() != nullptr) {
                owner = GetApp()->GetMainWnd()->GetSafeHwnd();
            }
            if (SUCCEEDED(file->Load(wide.data(), STGM_READ)) &&
                SUCCEEDED(link->Resolve(owner, SLR_NO_UI))) {
                char path[MAX_PATH + 1] = {};
                WIN32_FIND_DATAA data{};
                if (SUCCEEDED(link->GetPath(path, MAX_PATH, &data, 0)) && path[0] != '\0') {
                    target = path;
                }
            }
            file->Release();
        }
        link->Release();
    }
    if (SUCCEEDED(init)) {
        ::CoUninitialize();
    }
    return target;
}

std::string GetVersionString(const std::string& key)
{
    const std::string program = GetProgramPath();
    DWORD handle = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(program.c_str(), &handle);
    if (size == 0) {
        return std::string();
    }
    std::vector<char> block(size);
    if (!::GetFileVersionInfoA(program.c_str(), 0, size, block.data())) {
        return std::string();
    }
    struct Translation {
        WORD language;
        WORD codePage;
    };
    Translation* translation = nullptr;
    UINT length = 0;
    if (!::VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                          &length) ||
        translation == nullptr || length < sizeof(Translation)) {
        return std::string();
    }
    char query[256];
    std::snprintf(query, sizeof(query), "\\StringFileInfo\\%04X%04X\\%s", translation->language,
                  translation->codePage, key.c_str());
    char* value = nullptr;
    if (!::VerQueryValueA(block.data(), query, reinterpret_cast<void**>(&value), &length) || value == nullptr ||
        length == 0) {
        return std::string();
    }
    // The length counts the terminating zero.
    std::string text(value, length);
    const size_t zero = text.find('\0');
    if (zero != std::string::npos) {
        text.erase(zero);
    }
    return text;
}
