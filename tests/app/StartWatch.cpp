// Watches a program's start from another process of the same Wine prefix,
// for tools/run-kappa.sh. Seen from X, a message box, the splash and the
// main window carry the same title; here they are told apart by what they
// are: the main window has the menu, a box or dialog is of class #32770.
//
//   start-watch.exe PROGRAM.exe SECONDS
//
// Waits up to SECONDS for the program of that file name and says what
// became of its start, exiting with
//   0  its main window is up and takes input, and for a second no splash,
//      progress window, box or dialog has been up: the start is over;
//   1  a box or dialog is up at start, over the main window or instead of
//      it; its text is printed;
//   2  no main window showed: the program ended, never ran or showed none
//      in time;
//   3  the main window showed but the start did not end in time.
#include "ProgramDriver.h"

#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

DWORD ProcessIdByName(const std::string& name)
{
    DWORD found = 0;
    const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return 0;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32First(snapshot, &entry); more && !found; more = ::Process32Next(snapshot, &entry))
        if (::lstrcmpiA(entry.szExeFile, name.c_str()) == 0)
            found = entry.th32ProcessID;
    ::CloseHandle(snapshot);
    return found;
}

// The lines of a box's text, each indented, without carriage returns.
void PrintBox(const SBox& box)
{
    std::string line = "  ";
    for (char c : box.text) {
        if (c == '\r')
            continue;
        line += c;
        if (c == '\n') {
            std::fputs(line.c_str(), stdout);
            line = "  ";
        }
    }
    if (line != "  ")
        std::printf("%s\n", line.c_str());
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: start-watch.exe PROGRAM.exe SECONDS\n");
        return 2;
    }
    const std::string name = argv[1];
    const DWORD timeoutMs = static_cast<DWORD>(std::atoi(argv[2])) * 1000;
    const DWORD settleMs = 1000;
    const DWORD start = ::GetTickCount();
    DWORD processId = 0;
    HANDLE process = nullptr;
    HWND main = nullptr;
    DWORD settledSince = 0;
    bool settled = false;
    while (::GetTickCount() - start < timeoutMs) {
        if (!process) {
            processId = ProcessIdByName(name);
            process = processId ? ::OpenProcess(SYNCHRONIZE, FALSE, processId) : nullptr;
        }
        if (process && ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0) {
            std::printf("%s ended before its main window showed\n", name.c_str());
            return 2;
        }
        if (process) {
            // A dialog is taken for a box only on a second look: the
            // progress window going away has lost its bar before it goes.
            const std::vector<SBox> boxes = BoxesUpOf(processId);
            if (!boxes.empty()) {
                std::printf("a box is up at start%s:\n", MainWindowOf(processId) ? " over the main window" : "");
                for (const SBox& box : boxes)
                    PrintBox(box);
                return 1;
            }
            // Over when the main window takes input and neither a progress
            // window nor the splash (the window without a caption that
            // carries the main window's title) is up.
            main = MainWindowOf(processId);
            bool over = main && ::IsWindowEnabled(main);
            for (HWND window : TopWindowsOf(processId)) {
                const bool caption = (::GetWindowLongA(window, GWL_STYLE) & WS_CAPTION) == WS_CAPTION;
                const bool splash = !caption && main && WindowText(window) == WindowText(main);
                over = over && !IsProgressWindow(window) && !splash;
            }
            if (over && !settled)
                settledSince = ::GetTickCount();
            settled = over;
            if (settled && ::GetTickCount() - settledSince >= settleMs) {
                std::printf("main window is up\n");
                return 0;
            }
        }
        ::Sleep(50);
    }
    if (!main)
        std::printf("%s showed no main window within %s s\n", name.c_str(), argv[2]);
    else
        std::printf("the start of %s did not end within %s s\n", name.c_str(), argv[2]);
    return main ? 3 : 2;
}
