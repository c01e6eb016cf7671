// Both programs run end to end under Wine, driven from this process as a
// user would drive them: started from a folder laid out like the shipped
// one, with the stand-in MIDI driver beside them playing the device, their
// windows found, clicked and photographed, their registry and files read.
#include "appkit/Win32.h"

#include "ProgramDriver.h"
#include "resource.h"

#include "graphics/GraphDrawer.h"
#include "graphics/StateBitmap.h"
#include "graphics/TextWriter.h"

#include "controls/TevKnob.h"
#include "core/TevHelpers.h"
#include "controls/TevPopEditControl.h"
#include "core/TevManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct SProgram {
    const char* name;
    const char* title;
    const char* scriptName;
    const char* runFolder;
};

#ifndef TEV_RUN_FOLDER_KAPPA
#error TEV_RUN_FOLDER_KAPPA names the run folder of KappaEdit
#endif

#ifndef TEV_START_WATCH
#error TEV_START_WATCH names the start watch of tools/run-kappa.sh
#endif

const SProgram kKappa = {"KappaEdit", "KappaEdit Controller", "KappaEditScript.xml", TEV_RUN_FOLDER_KAPPA};
const SProgram kSigma = {"SigmaEdit", "SigmaEdit Controller", "SigmaEditScript.xml", TEV_RUN_FOLDER_SIGMA};

// A path of the build as Windows sees it.
std::string WindowsPath(const std::string& unixPath)
{
    std::string path = unixPath;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path.size() > 1 && path[1] == ':' ? path : "Z:" + path;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

bool StartsWith(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

// The first knob of the main panel that is open at start, in client
// coordinates, and the value it shows; read from the program's script
// with the framework itself.
struct SKnob {
    CTevRect rect;
    std::string valuePath;
};

void FindKnob(CTevPanel& panel, SKnob& found)
{
    if (!found.valuePath.empty() || !panel.IsOpen())
        return;
    for (const auto& control : panel.GetChildControls()) {
        auto* knob = dynamic_cast<CTevKnobControl*>(control.get());
        if (knob && knob->GetValue(0) && knob->GetRect().Width() >= 16) {
            found.rect = knob->GetRect();
            found.valuePath = knob->GetValueRef(0)->GetName();
            return;
        }
    }
    for (const auto& child : panel.GetChildPanels())
        FindKnob(*child, found);
}

// The programs' own drawing resources, so that controls get the sizes of
// the real bitmaps.
class CGdiResources : public ITevResourceFactory {
public:
    std::unique_ptr<CTevStateBitmap> CreateStateBitmap() override { return std::make_unique<CStateBitmap>(); }
    std::unique_ptr<CTevTextWriter> CreateTextWriter() override { return std::make_unique<CTextWriter>(); }
    CTevGraphDrawer* CreateGraphDrawer() override { return new CGraphDrawer(); }
};

// The in-place editor of the programs; only its place matters here.
class CPlainEdit : public CTevPopEditControl {
public:
    void OpenPopup() override {}
};

SKnob FirstKnobOfMain(const std::string& scriptPath, std::string& errors)
{
    SKnob found;
    CTevManager& manager = CTevManager::Instance();
    manager.Destroy();
    manager.SetErrorOut(new CTevTextOutStringStream());
    manager.m_resourceManager.SetFactory(std::make_unique<CGdiResources>());
    SetBitmapFolder(scriptPath.substr(0, scriptPath.find_last_of('\\') + 1));
    auto views = std::make_unique<CTevViewFactory>();
    views->RegisterControl("edit", TevCreateControl<CPlainEdit>);
    manager.m_viewManager.SetViewFactory(std::move(views));
    std::ifstream script(scriptPath, std::ios::binary);
    if (manager.ReadScript(script) && manager.Create() && manager.m_viewManager.OpenRootPanel("main"))
        FindKnob(*manager.m_viewManager.FindRootPanel("main"), found);
    if (auto* collected = dynamic_cast<CTevTextOutStringStream*>(manager.GetErrorOut()))
        errors = collected->str();
    manager.Destroy();
    return found;
}

// The program's main window once it is up; null on time-out.
HWND FindMainWindow(DWORD processId, DWORD timeoutMs)
{
    HWND main = nullptr;
    WaitFor([&] { return (main = MainWindowOf(processId)) != nullptr; }, timeoutMs);
    return main;
}

// A dialog counts as a box only when a second look still finds it shown,
// and never without text: the progress window going away, which has lost
// its bar and reads empty, is none.
TEST(ProgramDriver, ADialogIsABoxOnlyWhenASecondLookStillShowsItAndItHasText)
{
    enum EMeanwhile { kStays, kGoes, kHides };
    const struct {
        const char* text;
        EMeanwhile meanwhile;
        bool box;
    } cases[] = {
        {"MIDI devices aren't set up correctly.", kStays, true},
        {"", kStays, false},
        {"MIDI devices aren't set up correctly.", kGoes, false},
        {"MIDI devices aren't set up correctly.", kHides, false},
    };
    const DWORD self = ::GetCurrentProcessId();
    for (const auto& c : cases) {
        HWND dialog = ::CreateWindowExA(0, "#32770", "", WS_POPUP | WS_VISIBLE, 0, 0, 300, 100, nullptr, nullptr,
                                        nullptr, nullptr);
        ASSERT_NE(dialog, nullptr);
        ::CreateWindowExA(0, "Static", c.text, WS_CHILD | WS_VISIBLE, 10, 10, 280, 20, dialog,
                          reinterpret_cast<HMENU>(static_cast<UINT_PTR>(0xFFFF)), nullptr, nullptr);
        const std::vector<SBox> seen = BoxesOf(self);
        if (c.meanwhile == kGoes)
            ::DestroyWindow(dialog);
        else if (c.meanwhile == kHides)
            ::ShowWindow(dialog, SW_HIDE);
        const std::vector<SBox> up = BoxesStillUp(self, seen);
        if (::IsWindow(dialog))
            ::DestroyWindow(dialog);
        ASSERT_EQ(up.size(), c.box ? 1u : 0u) << "\"" << c.text << "\" " << c.meanwhile;
        if (c.box) {
            EXPECT_EQ(up.front().window, dialog);
            EXPECT_EQ(up.front().text, c.text);
        }
    }
}

class CProgramTest : public ::testing::TestWithParam<SProgram> {
protected:
    void SetUp() override
    {
        const SProgram& program = GetParam();
        m_folder = WindowsPath(program.runFolder) + "\\";
        m_control = m_folder + "control\\";
        m_registry = std::string("Software\\Dravik\\") + program.title;
        ::CreateDirectoryA(m_control.c_str(), nullptr);
        ::DeleteFileA((m_control + "log.txt").c_str());
        ::DeleteFileA((m_control + "commands.txt").c_str());
        ::DeleteFileA((m_folder + "Script\\SkinID.txt").c_str());
        ::DeleteFileA((m_folder + "Script\\WindowPosition.txt").c_str());
        ASSERT_TRUE(DeleteRegistryTree(m_registry));
        ::SetEnvironmentVariableA("TEV_STANDIN_CONTROL", m_control.c_str());
    }

    // The first input and output port go to the device the stand-in plays.
    void ConnectModule()
    {
        ASSERT_TRUE(WriteRegistryString(m_registry + "\\MIDIInConnection", "MIDIInDevice0", "Standin Module In"));
        ASSERT_TRUE(WriteRegistryString(m_registry + "\\MIDIOutConnection", "MIDIOutDevice0", "Standin Module Out"));
    }

    std::string Exe() const { return m_folder + GetParam().name + ".exe"; }
    std::string Log() const { return ReadFile(m_control + "log.txt"); }
    void Command(const std::string& line)
    {
        std::ofstream commands(m_control + "commands.txt", std::ios::app | std::ios::binary);
        commands << line << "\n";
    }
    std::string Shot(const std::string& name) const { return m_folder + "..\\" + GetParam().name + "-" + name + ".bmp"; }
    // tools/run-kappa.sh's watch over the program's start: its exit code
    // (-1 when it did not end) and what it printed.
    int WatchStart(std::string& output) const
    {
        const std::string path = m_folder + "..\\" + GetParam().name + "-start-watch.txt";
        SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
        const HANDLE file =
            ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited, CREATE_ALWAYS, 0, nullptr);
        CProgramRun watch;
        const bool started = watch.Start(WindowsPath(TEV_START_WATCH), std::string(GetParam().name) + ".exe 60", file);
        ::CloseHandle(file);
        const int code = started ? watch.WaitForExit(90000) : -1;
        output = ReadFile(path);
        return code;
    }

    // The player's plate sits at the bottom of the main window, as the
    // scripts place it.
    CTevRect Plate() const
    {
        const CTevPoint at = std::string(GetParam().name) == "KappaEdit" ? CTevPoint{10, 480} : CTevPoint{10, 364};
        return {at.x, at.y, at.x + 532, at.y + 144};
    }
    // A click on the plate; READ is at (38, 40).
    void ClickPlate(HWND view, int x, int y) const
    {
        const CTevRect plate = Plate();
        PostMouse(view, WM_LBUTTONDOWN, plate.left + x, plate.top + y, MK_LBUTTON);
        PostMouse(view, WM_LBUTTONUP, plate.left + x, plate.top + y, 0);
    }

    // Data requests the program sent to the device and data sets the
    // device sent back.
    std::vector<std::string> Requests(size_t fromLine = 0) const
    {
        std::vector<std::string> requests;
        const std::vector<std::string> lines = Lines(Log());
        for (size_t i = fromLine; i < lines.size(); ++i)
            if (StartsWith(lines[i], "out 0 F0 41") && lines[i].find(" 11 ", 12) != std::string::npos)
                requests.push_back(lines[i]);
        return requests;
    }
    int CountRequests() const { return static_cast<int>(Requests().size()); }
    int CountAnswers() const
    {
        int count = 0;
        for (const std::string& line : Lines(Log()))
            if (StartsWith(line, "in 0 ") && line.find(" bytes") != std::string::npos)
                ++count;
        return count;
    }

    std::string m_folder;
    std::string m_control;
    std::string m_registry;
};

TEST_P(CProgramTest, StartReadsTheDeviceThenKnobsSkinsThePlayersPlateAboutAndExitWorkAsAUserExpects)
{
    const SProgram& program = GetParam();
    ConnectModule();
    CProgramRun run;
    const DWORD start = ::GetTickCount();
    ASSERT_TRUE(run.Start(Exe()));

    // The splash (a captionless window with the program's name) shows
    // while the script loads and the device is read, the progress dialog
    // during the read; the start is over when the splash has gone.
    bool splashSeen = false;
    bool progressSeen = false;
    HWND main = nullptr;
    DWORD mainShownMs = 0;
    WaitFor(
        [&] {
            bool splash = false;
            for (HWND window : TopWindowsOf(run.GetProcessId())) {
                const bool caption = (::GetWindowLongA(window, GWL_STYLE) & WS_CAPTION) == WS_CAPTION;
                if (WindowText(window) == program.title && !caption)
                    splash = splashSeen = true;
                if (::GetMenu(window) && !main) {
                    main = window;
                    mainShownMs = ::GetTickCount() - start;
                }
                if (IsProgressWindow(window))
                    progressSeen = true;
            }
            return main && !splash && ::IsWindowEnabled(main);
        },
        60000);
    ASSERT_NE(main, nullptr) << Log();
    EXPECT_EQ(WindowText(main), program.title);
    const DWORD readDoneMs = ::GetTickCount() - start;
    EXPECT_TRUE(splashSeen);
    EXPECT_TRUE(progressSeen);
    const std::vector<SBox> boxes = BoxesUpOf(run.GetProcessId());
    EXPECT_TRUE(boxes.empty()) << boxes.front().text;
    const int requests = CountRequests();
    EXPECT_GT(requests, 100);
    EXPECT_EQ(CountAnswers(), requests);
    // The read's time against the wire time of the bytes it moved (ten bits
    // a byte at 31,250 baud).
    long bytes = 0;
    for (const std::string& line : Lines(Log())) {
        if (StartsWith(line, "out 0 F0"))
            bytes += static_cast<long>((line.size() - 5) / 3);
        else if (StartsWith(line, "in 0 ") && line.find(" bytes") != std::string::npos)
            bytes += std::atol(line.c_str() + 5);
    }
    const double wireMs = bytes * 10.0 * 1000.0 / 31250.0;
    const double readMs = static_cast<double>(readDoneMs - mainShownMs);
    std::printf("[ figures ] %s: main window shown after %lu ms; start-up read: %d requests, %ld bytes, %.0f ms "
                "(wire time %.0f ms, ratio %.2f)\n",
                program.name, static_cast<unsigned long>(mainShownMs), requests, bytes, readMs, wireMs,
                wireMs > 0 ? readMs / wireMs : 0.0);

    HWND view = ::GetWindow(main, GW_CHILD);
    ASSERT_NE(view, nullptr);
    std::vector<unsigned char> before;
    ASSERT_TRUE(SaveScreenshot(main, Shot("main"), &before));

    // A knob dragged with the mouse over the top, from its left to its
    // right, sends its changes to the device.
    std::string errors;
    const SKnob knob = FirstKnobOfMain(m_folder + "Script\\" + program.scriptName, errors);
    ASSERT_FALSE(knob.valuePath.empty()) << errors;
    const int cx = (knob.rect.left + knob.rect.right) / 2;
    const int cy = (knob.rect.top + knob.rect.bottom) / 2;
    const int radius = knob.rect.Width() / 2 - 2;
    // From one side (-1 left, 1 right) over the top to the other.
    auto drag = [&](int side) {
        PostMouse(view, WM_LBUTTONDOWN, cx + side * radius, cy, MK_LBUTTON);
        for (int step = 1; step <= 8; ++step) {
            const double angle = 3.14159265 * step / 8;
            PostMouse(view, WM_MOUSEMOVE, cx + side * static_cast<int>(radius * std::cos(angle)),
                      cy - static_cast<int>(radius * std::sin(angle)), MK_LBUTTON);
        }
        PostMouse(view, WM_LBUTTONUP, cx - side * radius, cy, 0);
    };
    const size_t logBefore = Lines(Log()).size();
    drag(-1);
    std::vector<std::string> sent;
    auto collectSent = [&](size_t from) {
        sent.clear();
        const std::vector<std::string> lines = Lines(Log());
        for (size_t i = from; i < lines.size(); ++i)
            if (StartsWith(lines[i], "out 0 F0 41") || StartsWith(lines[i], "out 0 B"))
                sent.push_back(lines[i].substr(6));
        return lines.size();
    };
    EXPECT_TRUE(WaitFor([&] { return collectSent(logBefore) && sent.size() >= 3; }, 5000)) << knob.valuePath;
    ::Sleep(200);
    const size_t logAfterDrag = collectSent(logBefore);
    ASSERT_FALSE(sent.empty()) << knob.valuePath;
    std::vector<unsigned char> turned;
    ASSERT_TRUE(SaveScreenshot(main, Shot("knob-turned"), &turned));
    EXPECT_GT(PixelDifference(before, turned), 0.0);

    // The device sends the first of those values back: the knob turns back
    // on screen, and nothing goes out again.
    const std::string first = sent.front();
    Command((StartsWith(first, "F0") ? "sysex 0 " : "short 0 ") + first);
    ::Sleep(500);
    collectSent(logAfterDrag);
    EXPECT_TRUE(sent.empty()) << sent.front();
    std::vector<unsigned char> turnedBack;
    ASSERT_TRUE(SaveScreenshot(main, Shot("knob-from-device"), &turnedBack));
    EXPECT_GT(PixelDifference(turned, turnedBack), 0.0);

    // The skin menu changes the look.
    const UINT skin = 40001;
    ::PostMessageA(main, WM_COMMAND, skin, 0);
    ::Sleep(300);
    std::vector<unsigned char> skinned;
    ASSERT_TRUE(SaveScreenshot(main, Shot("skin-1"), &skinned));
    EXPECT_GT(PixelDifference(turnedBack, skinned), 0.05);

    // The player's plate, under the new skin: "Read" shows the progress
    // dialog and every request is answered.
    auto idle = [&] {
        for (HWND window : TopWindowsOf(run.GetProcessId()))
            if (IsProgressWindow(window))
                return false;
        return ::IsWindowEnabled(main) != FALSE;
    };
    const CTevRect plate = Plate();
    auto click = [&](int x, int y) { ClickPlate(view, x, y); };
    // Lines the program sent from the given one on.
    auto sentSince = [&](size_t from) {
        std::vector<std::string> sent;
        const std::vector<std::string> lines = Lines(Log());
        for (size_t i = from; i < lines.size(); ++i)
            if (StartsWith(lines[i], "out 0 "))
                sent.push_back(lines[i].substr(6));
        return sent;
    };

    const int requestsBefore = CountRequests();
    const int answersBefore = CountAnswers();
    click(12 + 26, 30 + 10);
    progressSeen = false;
    WaitFor([&] {
        for (HWND window : TopWindowsOf(run.GetProcessId()))
            progressSeen = progressSeen || IsProgressWindow(window);
        return progressSeen;
    }, 10000);
    EXPECT_TRUE(progressSeen);
    ASSERT_TRUE(WaitFor(idle, 60000));
    EXPECT_GE(CountRequests() - requestsBefore, requests);
    EXPECT_EQ(CountAnswers() - answersBefore, CountRequests() - requestsBefore);

    // The knob turned back (its parameter has a control number: the turn
    // goes out as control changes), then "Read": the device kept the turn,
    // so the knob stays where it was left.
    auto knobPixels = [&](const char* name) {
        std::vector<unsigned char> all, region;
        RECT window;
        POINT at{knob.rect.left, knob.rect.top};
        if (!SaveScreenshot(main, Shot(name), &all) || !::GetWindowRect(main, &window) || !::ClientToScreen(view, &at))
            return region;
        const int stride = ((window.right - window.left) * 3 + 3) & ~3;
        for (int y = at.y - window.top; y < at.y - window.top + knob.rect.Height(); ++y) {
            const auto row = all.begin() + (window.bottom - window.top - 1 - y) * stride + (at.x - window.left) * 3;
            region.insert(region.end(), row, row + knob.rect.Width() * 3);
        }
        return region;
    };
    const std::vector<unsigned char> knobRead = knobPixels("knob-read");
    const size_t logBeforeTurn = Lines(Log()).size();
    drag(1);
    EXPECT_TRUE(WaitFor([&] { return collectSent(logBeforeTurn) && sent.size() >= 3; }, 5000)) << knob.valuePath;
    ::Sleep(200);
    collectSent(logBeforeTurn);
    ASSERT_FALSE(sent.empty());
    EXPECT_TRUE(StartsWith(sent.back(), "B")) << sent.back();
    const std::vector<unsigned char> knobLeft = knobPixels("knob-left");
    EXPECT_GT(PixelDifference(knobRead, knobLeft), 0.0);
    const int answersBeforeRead = CountAnswers();
    click(12 + 26, 30 + 10);
    ASSERT_TRUE(WaitFor([&] { return CountAnswers() - answersBeforeRead >= requests && idle(); }, 60000));
    ::Sleep(200);
    EXPECT_EQ(PixelDifference(knobLeft, knobPixels("knob-left-read")), 0.0) << knob.valuePath;

    // "Write": the list of user patches; three rows down from the current
    // one, then OK. The device gets 57 00 k at the write address and the
    // patch's name is asked for again.
    size_t mark = Lines(Log()).size();
    click(68 + 26, 30 + 10);
    HWND dialog = FindDialog(run.GetProcessId(), 10000);
    ASSERT_NE(dialog, nullptr);
    HWND list = ::GetDlgItem(dialog, IDC_WRITE_LIST);
    ASSERT_NE(list, nullptr);
    for (int row = 0; row < 3; ++row) {
        ::PostMessageA(list, WM_KEYDOWN, VK_DOWN, 0);
        ::PostMessageA(list, WM_KEYUP, VK_DOWN, 0xC0000001);
    }
    ::Sleep(300);
    PressButton(dialog, IDOK);
    ASSERT_TRUE(WaitFor(idle, 20000));
    int written = -1;
    bool nameAsked = false;
    WaitFor([&] {
        for (const std::string& line : sentSince(mark)) {
            const size_t at = line.find(" 12 10 02 00 00 57 00 ");
            if (at != std::string::npos)
                written = static_cast<int>(std::strtol(line.c_str() + at + 22, nullptr, 16));
            else if (written >= 0 && line.find(FormatString(" 11 10 01 %02X 00 ", written)) != std::string::npos)
                nameAsked = true;
        }
        return nameAsked;
    }, 10000);
    EXPECT_GE(written, 3) << Log();
    EXPECT_TRUE(nameAsked) << Log();

    // The patch buttons each select a patch on the device; the number shown
    // changes.
    std::vector<unsigned char> shown;
    ASSERT_TRUE(SaveScreenshot(main, Shot("player-written"), &shown));
    for (int x : {204 + 10, 180 + 10}) {
        mark = Lines(Log()).size();
        click(x, 30 + 10);
        EXPECT_TRUE(WaitFor([&] { return !sentSince(mark).empty(); }, 5000)) << x;
        ::Sleep(200);
        std::vector<unsigned char> stepped;
        ASSERT_TRUE(SaveScreenshot(main, Shot(x > 200 ? "player-next" : "player-previous"), &stepped));
        EXPECT_GT(PixelDifference(shown, stepped), 0.0);
        shown = stepped;
    }

    // A note: the first C held, then released, on the receive channel.
    mark = Lines(Log()).size();
    PostMouse(view, WM_LBUTTONDOWN, plate.left + 72 + 3, plate.top + 62 + 10, MK_LBUTTON);
    EXPECT_TRUE(WaitFor([&] { return !sentSince(mark).empty(); }, 5000));
    // The key is drawn held once the window has repainted.
    std::vector<unsigned char> held;
    EXPECT_TRUE(WaitFor(
        [&] { return SaveScreenshot(main, Shot("player-note"), &held) && PixelDifference(shown, held) > 0.0; }, 2000));
    PostMouse(view, WM_LBUTTONUP, plate.left + 72 + 3, plate.top + 62 + 10, 0);
    EXPECT_TRUE(WaitFor([&] { return sentSince(mark).size() >= 2; }, 5000));
    EXPECT_EQ(sentSince(mark), (std::vector<std::string>{"90 24 64", "80 24 64"}));

    // Held again, and a dialog opens over the window before the button is
    // up: the note ends with it, and the later release plays nothing.
    mark = Lines(Log()).size();
    PostMouse(view, WM_LBUTTONDOWN, plate.left + 72 + 3, plate.top + 62 + 10, MK_LBUTTON);
    EXPECT_TRUE(WaitFor([&] { return !sentSince(mark).empty(); }, 5000));
    // About shows the version.
    ::PostMessageA(main, WM_COMMAND, ID_APP_ABOUT, 0);
    HWND about = FindDialog(run.GetProcessId(), 5000);
    EXPECT_TRUE(WaitFor([&] { return sentSince(mark).size() >= 2; }, 5000));
    EXPECT_EQ(sentSince(mark), (std::vector<std::string>{"90 24 64", "80 24 64"}));
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(WindowText(about), std::string("About ") + program.title);
    EXPECT_NE(DialogTexts(about).find("Version 1.20"), std::string::npos) << DialogTexts(about);
    EXPECT_FALSE(::IsWindowEnabled(main));
    PressButton(about, IDOK);
    EXPECT_TRUE(WaitFor([&] { return ::IsWindowEnabled(main) != FALSE; }, 5000));
    PostMouse(view, WM_MOUSEMOVE, plate.left + 72 + 20, plate.top + 62 + 10, 0);
    PostMouse(view, WM_LBUTTONUP, plate.left + 72 + 20, plate.top + 62 + 10, 0);
    ::Sleep(300);
    EXPECT_EQ(sentSince(mark).size(), 2u);

    // A second start brings the first window forward and ends at once.
    ::ShowWindow(main, SW_MINIMIZE);
    CProgramRun second;
    ASSERT_TRUE(second.Start(Exe()));
    EXPECT_EQ(second.WaitForExit(20000), 0);
    EXPECT_TRUE(WaitFor([&] { return !::IsIconic(main); }, 5000));

    // Exit: the device gets the system reset before its ports close, and the
    // skin is saved before the window positions.
    ::PostMessageA(main, WM_COMMAND, ID_APP_EXIT, 0);
    EXPECT_EQ(run.WaitForExit(20000), 0);
    const std::vector<std::string> log = Lines(Log());
    size_t lastData = 0;
    size_t closeOut = 0;
    for (size_t i = 0; i < log.size(); ++i) {
        if (StartsWith(log[i], "out 0 F0 41"))
            lastData = i;
        if (StartsWith(log[i], "close out 0"))
            closeOut = i;
    }
    EXPECT_GT(closeOut, lastData);
    EXPECT_EQ(ReadFile(m_folder + "Script\\SkinID.txt"), "1");
    WIN32_FILE_ATTRIBUTE_DATA skinFile = {};
    WIN32_FILE_ATTRIBUTE_DATA positionFile = {};
    ASSERT_TRUE(::GetFileAttributesExA((m_folder + "Script\\SkinID.txt").c_str(), GetFileExInfoStandard, &skinFile));
    ASSERT_TRUE(::GetFileAttributesExA((m_folder + "Script\\WindowPosition.txt").c_str(), GetFileExInfoStandard,
                                       &positionFile));
    EXPECT_LE(::CompareFileTime(&skinFile.ftLastWriteTime, &positionFile.ftLastWriteTime), 0);
    EXPECT_NE(ReadFile(m_folder + "Script\\WindowPosition.txt").find("main"), std::string::npos);
}

// The input driver starts refusing buffers during READ: the box about it
// belongs to the progress window, and once it is answered the read goes on
// with the main window still disabled; a READ clicked then does nothing.
TEST_P(CProgramTest, ABoxDuringReadLeavesTheMainWindowDisabledAndASecondReadDoesNothing)
{
    ConnectModule();
    CProgramRun run;
    ASSERT_TRUE(run.Start(Exe()));
    std::string watched;
    EXPECT_EQ(WatchStart(watched), 0) << watched;
    HWND progress = nullptr;
    HWND box = nullptr;
    auto look = [&] {
        const std::vector<SBox> boxes = BoxesUpOf(run.GetProcessId());
        box = boxes.empty() ? nullptr : boxes.front().window;
        progress = nullptr;
        for (HWND window : TopWindowsOf(run.GetProcessId(), "#32770"))
            if (IsProgressWindow(window))
                progress = window;
    };
    HWND main = FindMainWindow(run.GetProcessId(), 60000);
    ASSERT_NE(main, nullptr);
    // The start-up read is over.
    ASSERT_TRUE(WaitFor(
        [&] {
            look();
            return !progress && !box && ::IsWindowEnabled(main) && CountRequests() > 0 &&
                   CountAnswers() == CountRequests();
        },
        60000))
        << Log();
    HWND view = ::GetWindow(main, GW_CHILD);

    const size_t mark = Lines(Log()).size();
    Command("fail midiInAddBuffer -1");
    ASSERT_TRUE(WaitFor([&] { return Log().find("done: fail midiInAddBuffer -1") != std::string::npos; }, 5000));
    ClickPlate(view, 38, 40);
    ASSERT_TRUE(WaitFor([&] { return look(), progress && box; }, 20000)) << Log();
    EXPECT_EQ(::GetWindow(box, GW_OWNER), progress);
    PressButton(box, IDOK);
    ::Sleep(300);
    EXPECT_TRUE(::IsWindowVisible(progress));
    EXPECT_FALSE(::IsWindowEnabled(main));
    EXPECT_EQ(::GetForegroundWindow(), progress);
    ClickPlate(view, 38, 40);
    ::Sleep(300);
    Command("fail clear");
    // The read ends by itself; later boxes are answered.
    ASSERT_TRUE(WaitFor(
        [&] {
            look();
            if (box)
                PressButton(box, IDOK);
            return !progress && !box && ::IsWindowEnabled(main);
        },
        30000));
    const std::vector<std::string> requests = Requests(mark);
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(std::count(requests.begin(), requests.end(), requests.front()), 1) << requests.front();

    ::PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(run.WaitForExit(20000), 0);
}

TEST_P(CProgramTest, WithoutDevicesItSaysSoAndTheSetUpDialogBindsThemInTheRegistry)
{
    CProgramRun run;
    ASSERT_TRUE(run.Start(Exe()));
    std::string watched;
    EXPECT_EQ(WatchStart(watched), 1) << watched;
    EXPECT_NE(watched.find("MIDI devices aren't set up correctly."), std::string::npos) << watched;
    HWND box = FindDialog(run.GetProcessId(), 30000);
    ASSERT_NE(box, nullptr);
    EXPECT_NE(DialogTexts(box).find("MIDI devices aren't set up correctly."), std::string::npos) << DialogTexts(box);
    PressButton(box, IDOK);
    HWND main = FindMainWindow(run.GetProcessId(), 10000);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(WaitFor([&] { return TopWindowsOf(run.GetProcessId(), "#32770").empty(); }, 5000));
    ::Sleep(300);
    EXPECT_TRUE(TopWindowsOf(run.GetProcessId(), "#32770").empty());

    ::PostMessageA(main, WM_COMMAND, ID_SETUP_MIDI, 0);
    HWND setup = FindDialog(run.GetProcessId(), 5000);
    ASSERT_NE(setup, nullptr);
    EXPECT_EQ(WindowText(setup), "Set Up MIDI Devices");
    HWND channels = ::GetDlgItem(setup, IDC_SETUP_RECEIVE_CH);
    EXPECT_EQ(::SendMessageA(channels, CB_GETCOUNT, 0, 0), 16);
    // The module's devices come first in the lists, in the driver's order.
    for (int combo : {IDC_SETUP_INPUT, IDC_SETUP_OUTPUT}) {
        HWND list = ::GetDlgItem(setup, combo);
        ::SendMessageA(list, CB_SETCURSEL, 0, 0);
        ::SendMessageA(setup, WM_COMMAND, MAKEWPARAM(combo, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    }
    ::SendMessageA(channels, CB_SETCURSEL, 15, 0);
    const size_t logBefore = Lines(Log()).size();
    PressButton(setup, IDOK);
    ASSERT_TRUE(WaitFor([&] { return TopWindowsOf(run.GetProcessId(), "#32770").empty(); }, 5000));
    EXPECT_EQ(ReadRegistryString(m_registry + "\\MIDIInConnection", "MIDIInDevice0"), "Standin Module In");
    EXPECT_EQ(ReadRegistryString(m_registry + "\\MIDIOutConnection", "MIDIOutDevice0"), "Standin Module Out");
    // Receive channel 16 goes to the device at once (the parameter holds 15).
    EXPECT_TRUE(WaitFor(
        [&] {
            const std::vector<std::string> lines = Lines(Log());
            for (size_t i = logBefore; i < lines.size(); ++i)
                if (StartsWith(lines[i], "out 0 F0 41") && lines[i].size() > 14 &&
                    lines[i].compare(lines[i].size() - 8, 3, "0F ") == 0)
                    return true;
            return false;
        },
        5000))
        << Log();

    // A box while the dialog is open belongs to it: neither window takes
    // input under it, and the dialog does again after it.
    ::PostMessageA(main, WM_COMMAND, ID_SETUP_MIDI, 0);
    setup = FindDialog(run.GetProcessId(), 5000);
    ASSERT_NE(setup, nullptr);
    box = nullptr;
    auto boxOver = [&] {
        for (HWND window : TopWindowsOf(run.GetProcessId(), "#32770"))
            if (window != setup)
                box = window;
        return box != nullptr;
    };
    for (const char* command : {"fail midiInAddBuffer -1", "sysexfill 0 16"}) {
        Command(command);
        ASSERT_TRUE(WaitFor([&] { return Log().find(std::string("done: ") + command) != std::string::npos; }, 5000));
    }
    ASSERT_TRUE(WaitFor(boxOver, 10000)) << Log();
    EXPECT_EQ(::GetWindow(box, GW_OWNER), setup);
    EXPECT_FALSE(::IsWindowEnabled(setup));
    EXPECT_FALSE(::IsWindowEnabled(main));
    PressButton(box, IDOK);
    ASSERT_TRUE(WaitFor([&] { return ::IsWindowEnabled(setup) != FALSE; }, 5000));
    EXPECT_FALSE(::IsWindowEnabled(main));

    // The driver refuses to open the output on OK: after its box the
    // profile still names the device, so that the next start opens it.
    Command("fail clear");
    Command("fail midiOutOpen 1");
    ASSERT_TRUE(WaitFor([&] { return Log().find("done: fail midiOutOpen 1") != std::string::npos; }, 5000));
    PressButton(setup, IDOK);
    box = nullptr;
    ASSERT_TRUE(WaitFor(boxOver, 10000)) << Log();
    PressButton(box, IDOK);
    ASSERT_TRUE(WaitFor([&] { return TopWindowsOf(run.GetProcessId(), "#32770").empty(); }, 5000));
    EXPECT_EQ(ReadRegistryString(m_registry + "\\MIDIOutConnection", "MIDIOutDevice0"), "Standin Module Out");
    EXPECT_TRUE(::IsWindowEnabled(main));

    ::PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(run.WaitForExit(20000), 0);
}

TEST_P(CProgramTest, ClosingTheMainWindowWhileTheStartStillRunsEndsTheProgram)
{
    const SProgram& program = GetParam();
    CProgramRun run;
    ASSERT_TRUE(run.Start(Exe()));
    HWND box = FindDialog(run.GetProcessId(), 30000);
    ASSERT_NE(box, nullptr);
    HWND main = FindMainWindow(run.GetProcessId(), 10000);
    ASSERT_NE(main, nullptr);
    ::PostMessageA(main, WM_CLOSE, 0, 0);
    PressButton(box, IDOK);
    EXPECT_NE(run.WaitForExit(20000), -1);
    // The exit order still ran: the edition had started and kept its skin.
    EXPECT_NE(::GetFileAttributesA((m_folder + "Script\\SkinID.txt").c_str()), INVALID_FILE_ATTRIBUTES)
        << program.name;
}

TEST_P(CProgramTest, AStartThatFailsShowsTheMessagesThenOffersAReloadAndNoEndsTheProgram)
{
    const SProgram& program = GetParam();
    // A copy of the program beside a copy of its Script folder with one
    // file damaged: a script with a bad element, or a bitmap cut short.
    const std::string folder = m_folder.substr(0, m_folder.size() - 1) + "-broken\\";
    const std::string script = folder + "Script\\";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    ::CreateDirectoryA(script.c_str(), nullptr);
    ASSERT_TRUE(::CopyFileA(Exe().c_str(), (folder + program.name + ".exe").c_str(), FALSE));
    const struct {
        const char* file;
        size_t length;  // of the bitmap that is cut
        const char* first;
        const char* last;
    } cases[] = {
        {program.scriptName, 0, "", "Unable to read script."},
        {"classicKnob.bmp", 5000, "Unable to create bitmap for knob. : main.classic.", "Unable to create."},
        {"classicMain.bmp", 1000, "Unable to create bitmap for panel. : main.classic : classicMain\n",
         "Unable to create."},
    };
    for (const auto& c : cases) {
        WIN32_FIND_DATAA found;
        const HANDLE files = ::FindFirstFileA((m_folder + "Script\\*").c_str(), &found);
        ASSERT_NE(files, INVALID_HANDLE_VALUE);
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                ::CopyFileA((m_folder + "Script\\" + found.cFileName).c_str(), (script + found.cFileName).c_str(),
                            FALSE);
        } while (::FindNextFileA(files, &found));
        ::FindClose(files);
        const std::string damaged = script + c.file;
        const std::string bytes = c.length != 0 ? ReadFile(damaged).substr(0, c.length)
                                                : "<script><structType><type>T</type><name>t</name></structType>"
                                                  "<struct><type>T</type>";
        std::ofstream(damaged, std::ios::binary | std::ios::trunc) << bytes;

        CProgramRun run;
        ASSERT_TRUE(run.Start(folder + program.name + ".exe"));
        std::string watched;
        EXPECT_EQ(WatchStart(watched), 1) << watched;
        EXPECT_NE(watched.find(c.last), std::string::npos) << watched;
        HWND box = FindDialog(run.GetProcessId(), 30000);
        ASSERT_NE(box, nullptr) << c.file;
        const std::string text = DialogTexts(box);
        // The collected messages come first, the step that failed last.
        ASSERT_NE(text.find(c.last), std::string::npos) << text;
        EXPECT_LT(text.find(c.first), text.find(c.last)) << text;
        // No main window (the only one with a menu) came up.
        for (HWND window : TopWindowsOf(run.GetProcessId()))
            EXPECT_EQ(::GetMenu(window), nullptr);
        PressButton(box, IDOK);
        ASSERT_TRUE(WaitFor(
            [&] {
                HWND question = FindDialog(run.GetProcessId(), 0);
                return question && question != box && DialogTexts(question).find("Try to reload script again?") !=
                                                          std::string::npos;
            },
            10000))
            << c.file;
        PressButton(FindDialog(run.GetProcessId(), 0), IDNO);
        EXPECT_NE(run.WaitForExit(20000), -1);
        // The exit after a failed start undoes only what the start did: the
        // edition never started, so no skin was saved.
        EXPECT_EQ(::GetFileAttributesA((script + "SkinID.txt").c_str()), INVALID_FILE_ATTRIBUTES) << c.file;
    }
}

INSTANTIATE_TEST_SUITE_P(Programs, CProgramTest, ::testing::Values(kKappa, kSigma),
                         [](const ::testing::TestParamInfo<SProgram>& info) { return std::string(info.param.name); });

} // namespace
