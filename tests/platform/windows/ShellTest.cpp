// The shell utilities with the real registry, processes and dialogs: the
// document type's registration, the single-instance guard across two
// processes, the profiled file dialog driven by a robot, column widths,
// paths and version strings.
#include "appkit/Controls.h"
#include "appkit/WinApp.h"
#include "shell/ListColumnWidths.h"
#include "shell/ProfiledFileDialog.h"
#include "shell/ShellUtilities.h"
#include "shell/SingleInstanceGuard.h"

#include "support/WindowsTestSupport.h"

#include <gtest/gtest.h>

#include <dlgs.h>

#include <string>

namespace {

std::string ClassesValue(const std::string& key)
{
    char value[1024] = {};
    LONG size = sizeof(value);
    if (::RegQueryValueA(HKEY_CLASSES_ROOT, key.c_str(), value, &size) != ERROR_SUCCESS) {
        return "<missing>";
    }
    return value;
}

// Starts this program as a second instance and pumps messages (the first
// instance's window answers the second one's calls) until it ends.
DWORD RunSecondInstance(const std::string& name)
{
    std::string command = "\"" + GetProgramPath() + "\" --second-instance \"" + name + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &process)) {
        return 100;
    }
    const DWORD start = ::GetTickCount();
    while (::MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, 100, QS_ALLINPUT) != WAIT_OBJECT_0 &&
           ::GetTickCount() - start < 30000) {
        PumpMessages();
    }
    DWORD code = 101;
    ::GetExitCodeProcess(process.hProcess, &code);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    PumpMessages(100);
    return code;
}

class CPlainWindow : public CWnd {
public:
    bool Make(const char* title)
    {
        const std::string cls = RegisterWndClass(0, nullptr, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
        return CreateEx(0, cls.c_str(), title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{40, 40, 340, 240}, nullptr, 0);
    }
};

}  // namespace

TEST(Shell, DocumentTypeRegistration)
{
    const std::string program = GetProgramPath();
    ::RegDeleteTreeA(HKEY_CLASSES_ROOT, "TevTest.Document");
    SetRegistryValue(".tevt", "Other.Document");
    ASSERT_TRUE(RegisterDocumentType(".tevt", "TevTest.Document", "Tev Test Document", 1));
    const std::string exe = CommandLinePath(program);
    EXPECT_EQ(ClassesValue("TevTest.Document"), "Tev Test Document");
    EXPECT_EQ(ClassesValue("TevTest.Document\\shell\\open\\ddeexec"), "[open(\"%1\")]");
    EXPECT_EQ(ClassesValue("TevTest.Document\\shell\\open\\command"), exe + " \"%1\"");
    const std::string icon = ClassesValue("TevTest.Document\\DefaultIcon");
    EXPECT_EQ(icon.substr(icon.size() - 2), ",1");
    // An extension that named another type is taken over.
    EXPECT_EQ(ClassesValue(".tevt"), "TevTest.Document");
    // Registering again keeps everything.
    ASSERT_TRUE(RegisterDocumentType(".tevt", "TevTest.Document", "Tev Test Document", 1));
    EXPECT_EQ(ClassesValue(".tevt"), "TevTest.Document");

    // No icon of that index: nothing is written.
    ::RegDeleteTreeA(HKEY_CLASSES_ROOT, "TevNone.Document");
    EXPECT_FALSE(RegisterDocumentType(".tevn", "TevNone.Document", "None", 9));
    EXPECT_EQ(ClassesValue("TevNone.Document"), "<missing>");
    EXPECT_EQ(ClassesValue(".tevn"), "<missing>");

    // A path with a blank that has no short form goes into quotes.
    EXPECT_EQ(CommandLinePath("C:\\No Such Folder\\Edit.exe"), "\"C:\\No Such Folder\\Edit.exe\"");
    EXPECT_EQ(CommandLinePath("C:\\NoSuchFolder\\Edit.exe"), "C:\\NoSuchFolder\\Edit.exe");
    ::RegDeleteTreeA(HKEY_CLASSES_ROOT, "TevTest.Document");
    ::RegDeleteTreeA(HKEY_CLASSES_ROOT, ".tevt");
}

TEST(Shell, SecondInstanceRestoresTheFirstWindowAndEnds)
{
    const std::string name = "TevGuardTest " + std::to_string(::GetCurrentProcessId());
    CWinApp app(name);
    CPlainWindow main;
    ASSERT_TRUE(main.Make("First instance"));
    {
        CSingleInstanceGuard loading(name);
        ASSERT_TRUE(loading.IsValid());
        ASSERT_TRUE(loading.IsFirstInstance());
        // While the first instance still loads, the handle is 0: the second
        // start ends and activates nothing.
        EXPECT_EQ(RunSecondInstance(name), 2u);
        app.SetMainWnd(&main);
    }  // the first instance has started: its main window is stored

    ::ShowWindow(main.m_hWnd, SW_MINIMIZE);
    PumpMessages(100);
    ASSERT_TRUE(main.IsIconic());
    EXPECT_EQ(RunSecondInstance(name), 0u);
    EXPECT_FALSE(main.IsIconic());

    // This process's own second guard sees the first one too.
    CSingleInstanceGuard again(name);
    EXPECT_FALSE(again.IsFirstInstance());
    EXPECT_EQ(again.GetFirstWindow(), main.m_hWnd);
    app.SetMainWnd(nullptr);
    main.DestroyWindow();
}

TEST(Shell, FileDialogRemembersTheFolderLastShownEvenWhenCancelled)
{
    CWinApp app("TevFileDialogTest");
    app.SetRegistryKey("TevTests");
    const std::string folder = TestFolder() + "filedialog";
    const std::string inner = folder + "\\inner";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    ::CreateDirectoryA(inner.c_str(), nullptr);
    app.WriteProfileString("Script", "InitialDirectory", folder);
    app.WriteProfileInt("Script", "InitialFilterIndex", 2);

    std::string firstTitle;
    std::string secondTitle;
    {
        CProfiledFileDialog dialog(true, "", "", OFN_HIDEREADONLY | OFN_FILEMUSTEXIST,
                                   "Tev Script Files(*.xml)|*.xml|All Files(*.*)|*.*||");
        dialog.SetDirectoryProfile("Script", "InitialDirectory", "C:\\");
        dialog.SetFileNameProfile("Script", "InitialFileName", "");
        dialog.SetFilterIndexProfile("Script", "InitialFilterIndex", 0);
        EXPECT_EQ(dialog.GetOpenFileName().nFilterIndex, 2u);
        CRobot robot;
        // Opened in the remembered folder; go into the inner folder, then cancel.
        robot.Then("#32770", "Open - ", [&](HWND window) {
            char title[512] = {};
            ::GetWindowTextA(window, title, sizeof(title));
            firstTitle = title;
            ::SendMessageA(window, CDM_SETCONTROLTEXT, cmb13, reinterpret_cast<LPARAM>("inner"));
            CRobot::PressButton(window, IDOK);
        });
        robot.Then("#32770", "Open - " + inner, [&](HWND window) {
            char title[512] = {};
            ::GetWindowTextA(window, title, sizeof(title));
            secondTitle = title;
            CRobot::PressButton(window, IDCANCEL);
        });
        robot.Start();
        EXPECT_EQ(dialog.DoModal(), IDCANCEL);
        EXPECT_TRUE(robot.Finish());
    }
    EXPECT_EQ(firstTitle, "Open - " + folder + "\\");
    EXPECT_EQ(secondTitle, "Open - " + inner + "\\");
    EXPECT_EQ(app.GetProfileString("Script", "InitialDirectory", ""), inner);
    EXPECT_EQ(app.GetProfileInt("Script", "InitialFilterIndex", 0), 2);
    // Cancelled: no file name is remembered.
    EXPECT_EQ(app.GetProfileString("Script", "InitialFileName", "<none>"), "<none>");
    ::RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\TevTests");
}

TEST(Shell, ListColumnWidthsRoundTripAndShortListsFitTheirHeaders)
{
    CWinApp app("TevColumnsTest");
    app.SetRegistryKey("TevTests");
    CPlainWindow parent;
    ASSERT_TRUE(parent.Make("Columns"));
    CListCtrl list;
    ASSERT_TRUE(list.CreateEx(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT, RECT{0, 0, 280, 150}, &parent,
                              4114));
    list.InsertColumn(0, "No.");
    list.InsertColumn(1, "A rather long column heading");
    list.InsertColumn(2, "Name");
    list.SetColumnWidth(0, 40);
    list.SetColumnWidth(1, 120);
    list.SetColumnWidth(2, 77);
    CListColumnWidths widths(list, "WriteEntityDialogListCtrl", "ColumnWidth");
    widths.Save();
    EXPECT_EQ(app.GetProfileString("WriteEntityDialogListCtrl", "ColumnWidth", ""), "40,120,77");

    list.SetColumnWidth(0, 5);
    list.SetColumnWidth(1, 5);
    list.SetColumnWidth(2, 5);
    widths.Load();
    EXPECT_EQ(list.GetColumnWidth(0), 40);
    EXPECT_EQ(list.GetColumnWidth(1), 120);
    EXPECT_EQ(list.GetColumnWidth(2), 77);

    // A shorter stored list: the rest fit their headers.
    app.WriteProfileString("WriteEntityDialogListCtrl", "ColumnWidth", "33");
    list.SetColumnWidth(1, 5);
    widths.Load();
    EXPECT_EQ(list.GetColumnWidth(0), 33);
    EXPECT_GT(list.GetColumnWidth(1), 60);
    parent.DestroyWindow();
    ::RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\TevTests");
}

TEST(Shell, PathsVersionsAndShortcuts)
{
    const struct {
        const char* path;
        CSplitPath parts;
    } splits[] = {
        {"D:\\panel\\KappaEditScript.xml", {"D:", "\\panel\\", "KappaEditScript", ".xml"}},
        {"D:\\panel\\", {"D:", "\\panel\\", "", ""}},
        {"name.tar.gz", {"", "", "name.tar", ".gz"}},
        {"C:file", {"C:", "", "file", ""}},
    };
    for (const auto& split : splits) {
        const CSplitPath parts = SplitPath(split.path);
        EXPECT_EQ(parts.drive, split.parts.drive) << split.path;
        EXPECT_EQ(parts.directory, split.parts.directory) << split.path;
        EXPECT_EQ(parts.fileName, split.parts.fileName) << split.path;
        EXPECT_EQ(parts.extension, split.parts.extension) << split.path;
    }
    const struct {
        const char* directory;
        bool add;
        const char* result;
    } slashes[] = {
        {"C:\\a", true, "C:\\a\\"}, {"C:\\a\\", true, "C:\\a\\"}, {"C:\\a\\", false, "C:\\a"},
        {"C:\\", false, "C:\\"},    {"C:\\a", false, "C:\\a"},
    };
    for (const auto& slash : slashes) {
        EXPECT_EQ(AddTrailingBackslash(slash.directory, slash.add), slash.result) << slash.directory;
    }
    const struct {
        DWORD major;
        DWORD minor;
        int version;
    } versions[] = {{3, 51, 0}, {4, 0, 2}, {4, 10, 3}, {4, 90, 4}, {5, 0, 5}, {5, 1, 6}, {5, 2, -1}, {10, 0, -1}};
    for (const auto& version : versions) {
        EXPECT_EQ(WindowsVersionOf(version.major, version.minor), version.version) << version.major << "." << version.minor;
    }

    EXPECT_EQ(GetVersionString("FileDescription"), "Tev Test Program");
    EXPECT_EQ(GetVersionString("FileVersion"), "1.20");
    EXPECT_EQ(GetVersionString("ProductVersion"), "1, 2, 0, 1");
    EXPECT_EQ(GetVersionString("LegalCopyright"), "");

    // A file that exists is itself; one without file or shortcut too.
    const std::string program = GetProgramPath();
    EXPECT_EQ(ResolveShortcut(program), program);
    EXPECT_EQ(ResolveShortcut(TestFolder() + "no-such-file"), TestFolder() + "no-such-file");
}
