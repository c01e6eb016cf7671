// The top-level manager: service slots and the shared-sink rule, status
// codes, the named commands, section creation and its failure messages,
// window positions, and the teardown at Destroy and at process exit.
#include "core/TevManager.h"

#include "support/ManagerTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <random>
#include <string>
#include <vector>

namespace {

// Counts its own deletion.
template <class Base>
class CCounted : public Base {
public:
    explicit CCounted(int& deletions) : m_deletions(deletions) {}
    ~CCounted() override { ++m_deletions; }

private:
    int& m_deletions;
};

class CCountedProgressBar : public CTevProgressBar {
public:
    explicit CCountedProgressBar(int& deletions) : m_deletions(deletions) {}
    ~CCountedProgressBar() override { ++m_deletions; }
    void BeginWithKind(int32_t, int32_t, bool) override {}
    void Begin(int32_t, const std::string&, bool) override {}
    void End() override {}

private:
    int& m_deletions;
};

class CCountedTipBar : public CTevTipBar {
public:
    explicit CCountedTipBar(int& deletions) : m_deletions(deletions) {}
    ~CCountedTipBar() override { ++m_deletions; }
    void Update() override {}

private:
    int& m_deletions;
};

class CCountedPopupMenu : public CTevPopupMenu {
public:
    explicit CCountedPopupMenu(int& deletions) : m_deletions(deletions) {}
    ~CCountedPopupMenu() override { ++m_deletions; }
    int32_t TrackItems(const CTevPopupMenuItem::ItemList*, std::vector<int32_t>&, const CTevPoint*) override { return -1; }
    int32_t TrackItemsAtIndex(const CTevPopupMenuItem::ItemList*, int32_t, const CTevPoint*) override { return -1; }

private:
    int& m_deletions;
};

class CCountedPoster : public ITevFunctionPostCaller {
public:
    explicit CCountedPoster(int& deletions) : m_deletions(deletions) {}
    ~CCountedPoster() override { ++m_deletions; }
    bool Post(std::function<void()>) override { return true; }

private:
    int& m_deletions;
};

class CEchoFunctor : public CTevFunctionManager::IFunctor {
public:
    CEchoFunctor(std::string& log, int& deletions, bool result) : m_log(log), m_deletions(deletions), m_result(result) {}
    ~CEchoFunctor() override { ++m_deletions; }
    bool Execute(const std::string& arguments) override
    {
        m_log += arguments + ";";
        return m_result;
    }

private:
    std::string& m_log;
    int& m_deletions;
    bool m_result;
};

// A root window whose frame, while open, sits at `framePosition`; closing
// it stores that position, as a closing frame does.
class CFakeRootWindow : public ITevRootWindow {
public:
    CFakeRootWindow(std::string name, CTevPoint start) : position(start), m_name(std::move(name)) {}
    std::string GetWindowName() const override { return m_name; }
    bool IsWindowOpen() const override { return open; }
    void CloseWindow() override
    {
        open = false;
        position = framePosition;
    }
    CTevPoint GetWindowPosition() const override { return position; }
    void SetWindowPosition(const CTevPoint& point) override { position = point; }

    bool open = false;
    CTevPoint position;
    CTevPoint framePosition;

private:
    std::string m_name;
};

bool EndsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

class ManagerTest : public CManagerTest {
protected:
    void SetUp() override
    {
        CManagerTest::SetUp();
        const auto folder = std::filesystem::temp_directory_path()
                            / ("tev-manager-" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(folder);
        m_folder = folder.string() + "/";
    }
    void TearDown() override
    {
        CManagerTest::TearDown();
        std::filesystem::remove_all(m_folder);
    }

    CFakeRootWindow* AddWindow(const std::string& name, CTevPoint position)
    {
        auto window = std::make_unique<CFakeRootWindow>(name, position);
        CFakeRootWindow* result = window.get();
        Manager().m_viewManager.m_rootWindows.push_back(std::move(window));
        return result;
    }
    void WritePositions(const std::string& text)
    {
        std::ofstream file(m_folder + "WindowPosition.txt", std::ios::binary);
        file << text;
    }
    // In text mode, as the manager writes it (line ends are the platform's).
    std::string ReadPositions() const
    {
        std::ifstream file(m_folder + "WindowPosition.txt");
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    }
    bool PositionsExist() const { return std::filesystem::exists(m_folder + "WindowPosition.txt"); }
    bool CreateFrom(const std::string& script)
    {
        std::istringstream stream(script);
        return Manager().ReadScript(stream) && Manager().Create();
    }

    std::string m_folder;
};

TEST_F(ManagerTest, OneSinkInSeveralSlotsIsDeletedOnce)
{
    int deletions = 0;
    auto* shared = new CCounted<CTevTextOutBuffer>(deletions);
    Manager().SetStatusOut(shared);
    Manager().SetErrorOut(shared);
    EXPECT_EQ(Manager().GetStatusOut(), shared);
    EXPECT_EQ(Manager().GetErrorOut(), shared);

    // Replacing slot 1 while slot 2 still holds the sink keeps it.
    Manager().SetStatusOut(new CTevTextOutBuffer);
    EXPECT_EQ(deletions, 0);
    // Putting the same sink into its slot again leaves it in place.
    Manager().SetErrorOut(shared);
    EXPECT_EQ(deletions, 0);
    Manager().SetStatusOut(shared);
    Manager().Destroy();
    EXPECT_EQ(deletions, 1);
    for (int slot = 0; slot < CTevManager::kTextOutSlots; ++slot)
        EXPECT_EQ(Manager().GetTextOut(slot), nullptr);
}

TEST_F(ManagerTest, ErrorSinkGoesToEverySection)
{
    auto* errors = new CTevTextOutStringStream;
    Manager().SetErrorOut(errors);
    EXPECT_EQ(Manager().CTevBufferManager::GetErrorOut(), errors);
    EXPECT_EQ(Manager().m_midiManager.GetErrorOut(), errors);
    EXPECT_EQ(Manager().m_viewManager.GetErrorLog(), errors);
    EXPECT_EQ(Manager().m_resourceManager.GetErrorOut(), errors);
    EXPECT_EQ(&Manager().ErrorReporter(), errors);

    // Replacing it through the plain slot operation also reaches them.
    errors = new CTevTextOutStringStream;
    Manager().SetTextOut(CTevManager::kErrorOut, errors);
    EXPECT_EQ(Manager().CTevBufferManager::GetErrorOut(), errors);
    EXPECT_EQ(Manager().m_midiManager.GetErrorOut(), errors);
    EXPECT_EQ(Manager().m_viewManager.GetErrorLog(), errors);
    EXPECT_EQ(Manager().m_resourceManager.GetErrorOut(), errors);

    // Destroy deletes the sink; no section keeps pointing at it, and the
    // empty slot still gives a usable reporter.
    Manager().Destroy();
    EXPECT_EQ(Manager().CTevBufferManager::GetErrorOut(), nullptr);
    EXPECT_EQ(Manager().m_midiManager.GetErrorOut(), nullptr);
    EXPECT_EQ(Manager().m_viewManager.GetErrorLog(), nullptr);
    EXPECT_EQ(Manager().m_resourceManager.GetErrorOut(), nullptr);
    Manager().ErrorReporter().Printf("dropped %d\n", 1);
}

TEST_F(ManagerTest, StatusCodeToleratesMissingAndWrongSinks)
{
    Manager().SetStatusCode(3);
    EXPECT_EQ(Manager().GetStatusCode(), 0);

    // Slot 1 must hold a buffer for the code to be kept.
    Manager().SetTextOut(CTevManager::kStatusOut, new CTevTextOutStringStream);
    EXPECT_EQ(Manager().GetStatusOut(), nullptr);
    Manager().SetStatusCode(3);
    EXPECT_EQ(Manager().GetStatusCode(), 0);

    auto* status = new CTevTextOutBuffer;
    Manager().SetStatusOut(status);
    Manager().SetStatusCode(4);
    EXPECT_EQ(Manager().GetStatusCode(), 4);
    EXPECT_EQ(status->GetCode(), 4);
    Manager().SetStatusCode(0);
    EXPECT_EQ(Manager().GetStatusCode(), 0);
}

TEST_F(ManagerTest, DestroyDeletesEveryServiceAndKeepsTheFolder)
{
    int deletions = 0;
    Manager().SetMessageOut(new CCounted<CTevTextOut>(deletions));
    Manager().SetDumpOut(new CCounted<CTevTextOut>(deletions));
    Manager().SetTipBar(std::make_unique<CCountedTipBar>(deletions));
    Manager().SetProgressBar(std::make_unique<CCountedProgressBar>(deletions));
    Manager().SetPopupMenu(std::make_unique<CCountedPopupMenu>(deletions));
    Manager().SetPostCaller(std::make_unique<CCountedPoster>(deletions));
    Manager().SetFolder(m_folder);
    EXPECT_EQ(Manager().m_viewManager.GetProgressBar(), Manager().GetProgressBar());

    Manager().Destroy();
    EXPECT_EQ(deletions, 6);
    EXPECT_EQ(Manager().GetTipBar(), nullptr);
    EXPECT_EQ(Manager().GetProgressBar(), nullptr);
    EXPECT_EQ(Manager().GetPopupMenu(), nullptr);
    EXPECT_EQ(Manager().GetPostCaller(), nullptr);
    EXPECT_EQ(Manager().m_viewManager.GetProgressBar(), nullptr);
    EXPECT_EQ(Manager().GetFolder(), m_folder);
}

TEST_F(ManagerTest, FunctionsRegisterOnceAndCallByExactName)
{
    CTevFunctionManager& functions = Manager().GetFunctionManager();
    std::string log;
    int deletions = 0;
    EXPECT_TRUE(functions.Register("Read", std::make_unique<CEchoFunctor>(log, deletions, true)));
    // A taken name keeps the first functor and deletes the new one at once.
    EXPECT_FALSE(functions.Register("Read", std::make_unique<CEchoFunctor>(log, deletions, false)));
    EXPECT_EQ(deletions, 1);
    EXPECT_TRUE(functions.Register("Write", std::make_unique<CEchoFunctor>(log, deletions, false)));

    EXPECT_TRUE(functions.Call("Read", "all"));
    EXPECT_FALSE(functions.Call("Write", "3"));
    EXPECT_FALSE(functions.Call("read", "x"));
    EXPECT_FALSE(functions.Call("Read ", "x"));
    EXPECT_EQ(log, "all;3;");

    // Destroy deletes every command.
    Manager().Destroy();
    EXPECT_EQ(deletions, 3);
    EXPECT_EQ(functions.GetCount(), 0u);
    EXPECT_FALSE(functions.Call("Read", ""));
}

TEST_F(ManagerTest, CreatePublishesTheSectionsInOrder)
{
    ASSERT_TRUE(CreateFrom("<script></script>")) << Errors();
    EXPECT_EQ(TevGetManager(), &Manager());
    EXPECT_EQ(TevGetResourceManager(), &Manager().m_resourceManager);
    EXPECT_EQ(TevGetMidiManager(), &Manager().m_midiManager);
    EXPECT_EQ(TevGetViewManager(), &Manager().m_viewManager);
    EXPECT_EQ(Manager().m_midiManager.GetBufferManager(), &Manager());
    EXPECT_EQ(Manager().m_viewManager.GetManager(), &Manager());
    EXPECT_EQ(Manager().GetViewManager(), &Manager().m_viewManager);
    EXPECT_EQ(Errors(), "");
}

TEST_F(ManagerTest, EachSectionFailureIsReportedAndStopsTheLaterOnes)
{
    const std::string structs = "<structType><type>R</type><name>r</name><value><name>v</name></value></structType>"
                                "<structType><type>S</type><name>s</name><struct><type>R</type></struct></structType>"
                                "<struct><type>S</type></struct>";

    EXPECT_FALSE(CreateFrom("<numberTable><name>t</name><table>x</table></numberTable>" + structs));
    EXPECT_TRUE(EndsWith(Errors(), "Unable to create resource manager.\n")) << Errors();
    EXPECT_NE(Errors(), "Unable to create resource manager.\n");
    EXPECT_EQ(Manager().FindStruct("s"), nullptr);
    EXPECT_EQ(Manager().m_rootStructDefinitions.size(), 1u);

    SetUp();
    EXPECT_FALSE(CreateFrom("<struct><type>Missing</type></struct><midiIn><name>in</name></midiIn>"));
    EXPECT_EQ(Errors(), "Unable to find struct type definition. : Missing\n"
                        "Unable to convert root struct definition Missing to root struct.\n"
                        "Unable to create buffer manager.\n");
    EXPECT_EQ(Manager().m_midiManager.GetBufferManager(), nullptr);

    // A port naming a struct the model doesn't have; a panel naming a
    // panel type the script doesn't have.
    SetUp();
    EXPECT_FALSE(CreateFrom(structs + "<midiIn><name>in</name><rootStruct>nowhere</rootStruct></midiIn>"));
    EXPECT_EQ(Errors(), "Unable to convert root struct name nowhere to struct.\n"
                        "Unable to create MIDI in in.\n"
                        "Unable to create MIDI manager.\n");
    EXPECT_NE(Manager().FindStruct("s"), nullptr);

    SetUp();
    EXPECT_FALSE(CreateFrom(structs + "<panel><type>main</type></panel>"));
    EXPECT_EQ(Errors(), "Unable to find panel definition main.\n"
                        "Unable to convert root panel definition main to root panel.\n"
                        "Unable to create view manager.\n");
}

TEST_F(ManagerTest, WindowPositionsLoadSkippingBadPairs)
{
    CFakeRootWindow* main = AddWindow("main", {1, 2});
    CFakeRootWindow* sub = AddWindow("sub", {3, 4});
    CFakeRootWindow* edit = AddWindow("edit", {5, 6});
    Manager().SetFolder(m_folder);

    // A missing file is no error.
    Manager().LoadSaveWindowPositions(true);
    EXPECT_EQ(main->position, (CTevPoint{1, 2}));

    WritePositions("ghost\n10,20\n"   // no such panel: nothing changes, reading goes on
                   "main\n-5,7\n"
                   "sub\n5,x\n"       // not two numbers: skipped
                   "edit\n30,40\n");
    Manager().LoadSaveWindowPositions(true);
    EXPECT_EQ(main->position, (CTevPoint{-5, 7}));
    EXPECT_EQ(sub->position, (CTevPoint{3, 4}));
    EXPECT_EQ(edit->position, (CTevPoint{30, 40}));

    // An overlong line ends the loading.
    WritePositions("main\n1,1\n" + std::string(300, 'n') + "\n2,2\nsub\n9,9\n");
    Manager().LoadSaveWindowPositions(true);
    EXPECT_EQ(main->position, (CTevPoint{1, 1}));
    EXPECT_EQ(sub->position, (CTevPoint{3, 4}));

    // A last line without its line feed still counts.
    WritePositions("sub\n8,9");
    Manager().LoadSaveWindowPositions(true);
    EXPECT_EQ(sub->position, (CTevPoint{8, 9}));
}

TEST_F(ManagerTest, WindowPositionsSaveClosingOpenWindowsFirst)
{
    AddWindow("main", {-5, 7});
    CFakeRootWindow* sub = AddWindow("sub", {0, 0});
    sub->open = true;
    sub->framePosition = {120, 80};
    Manager().SetFolder(m_folder);
    Manager().LoadSaveWindowPositions(false);
    EXPECT_FALSE(sub->open);
    EXPECT_EQ(ReadPositions(), "main\n-5,7\nsub\n120,80\n");

    // With an empty folder nothing is read or written.
    Manager().SetFolder(std::string());
    const bool existed = std::filesystem::exists("WindowPosition.txt");
    sub->position = {1, 1};
    Manager().LoadSaveWindowPositions(false);
    Manager().LoadSaveWindowPositions(true);
    EXPECT_EQ(std::filesystem::exists("WindowPosition.txt"), existed);
    EXPECT_EQ(ReadPositions(), "main\n-5,7\nsub\n120,80\n");
    EXPECT_EQ(sub->position, (CTevPoint{1, 1}));
}

TEST_F(ManagerTest, CreateLoadsAndDestroySavesWindowPositions)
{
    CFakeRootWindow* main = AddWindow("main", {0, 0});
    Manager().SetFolder(m_folder);
    WritePositions("main\n40,50\n");
    ASSERT_TRUE(CreateFrom("<script></script>")) << Errors();
    EXPECT_EQ(main->position, (CTevPoint{40, 50}));
    main->position = {60, 70};
    Manager().Destroy();
    EXPECT_EQ(ReadPositions(), "main\n60,70\n");
    EXPECT_EQ(Manager().m_viewManager.GetRootWindowCount(), 0u);

    // Empty folder: Create and Destroy don't touch the file.
    SetUp();
    AddWindow("main", {1, 1});
    WritePositions("main\n40,50\n");
    ASSERT_TRUE(CreateFrom("<script></script>"));
    EXPECT_EQ(Manager().m_viewManager.GetRootWindow(0)->GetWindowPosition(), (CTevPoint{1, 1}));
    Manager().Destroy();
    EXPECT_EQ(ReadPositions(), "main\n40,50\n");
}

TEST_F(ManagerTest, FailedCreateLeavesTheSavedPositionsAlone)
{
    AddWindow("main", {0, 0});
    Manager().SetFolder(m_folder);
    WritePositions("main\n40,50\n");
    EXPECT_FALSE(CreateFrom("<struct><type>Missing</type></struct>"));
    Manager().Destroy();
    EXPECT_EQ(ReadPositions(), "main\n40,50\n");
}

// Reports through the manager's error reporter when it is deleted.
class CReportingHandler : public ITevBufferHandler {
public:
    ~CReportingHandler() override { CTevManager::Instance().ErrorReporter().Printf("handler deleted\n"); }
};

// Writes to the process's error stream.
class CStderrOut : public CTevTextOut {
protected:
    void Output(const std::string& text) override { std::fputs(text.c_str(), stderr); }
};

TEST(ManagerExit, SectionsGoBeforeTheSinksAtProcessExit)
{
    // Leaving the process with a loaded manager: the sections are emptied
    // while the error sink still exists, so the handler's last report
    // reaches it instead of a deleted object.
    EXPECT_EXIT(
        {
            CTevManager& manager = CTevManager::Instance();
            manager.Destroy();
            manager.SetErrorOut(new CStderrOut);
            manager.GetHandlers().Append(std::make_unique<CReportingHandler>());
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "handler deleted");
}

} // namespace
