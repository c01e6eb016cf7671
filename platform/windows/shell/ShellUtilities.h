// Small Windows utilities of the shell: the document type's registration,
// the operating-system version, path operations, shortcuts and the
// program's version strings.
#pragma once

#include "appkit/Win32.h"

#include <string>

// Registers the document type under HKEY_CLASSES_ROOT: description, default
// icon (the program's icon of the index), the open command and the
// extension's type. False, with nothing written, when the program file has
// no icon of the index; false at the first value that cannot be written.
bool RegisterDocumentType(const std::string& extension, const std::string& typeId,
                          const std::string& description, int iconIndex);
// Sets the unnamed string value of the key below HKEY_CLASSES_ROOT.
bool SetRegistryValue(const std::string& key, const std::string& value);
// The program's path as it goes into the shell's open command: its short
// form (or the long path when there is none), in quotes when it holds a blank.
std::string CommandLinePath(const std::string& path);

// 0 for 3.x, 2 for 4.0, 3 for 4.10, 4 for 4.90, 5 for 5.0, 6 for 5.1, -1 for
// any other version.
int GetWindowsVersion();
int WindowsVersionOf(DWORD major, DWORD minor);

struct CSplitPath {
    std::string drive;      // "C:" or empty
    std::string directory;  // with its trailing backslash
    std::string fileName;   // without the extension
    std::string extension;  // with its dot
};
CSplitPath SplitPath(const std::string& path);

// add: appends "\" unless there is one. Not add: removes a final "\" unless
// the text ends with ":\" (a drive root).
std::string AddTrailingBackslash(const std::string& directory, bool add);

// The file itself when it exists; else the target of "<file>.lnk" when that
// shortcut exists and resolves; else the file name unchanged.
std::string ResolveShortcut(const std::string& fileName);

// A string of the program file's version resource in its first language,
// e.g. "FileVersion"; empty when there is none.
std::string GetVersionString(const std::string& key);

// The program file's full path.
std::string GetProgramPath();
