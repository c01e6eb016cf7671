// The MIDI set-up: ports bound to devices by name from the registry
// profile and back, one device shared by two ports, and the set-up page's
// combo boxes.
#include "appkit/WinApp.h"
#include "appkit/Wnd.h"
#include "midi/MidiInDevice.h"
#include "midi/MidiOut.h"
#include "midi/MidiSetup.h"

#include "MidiTestSupport.h"
#include "support/ManagerTestSupport.h"

#include <functional>
#include <string>
#include <vector>

namespace {

const char kScript[] = R"(<?xml version="1.0" encoding="Shift_JIS"?>
<script>
<midiIn><type>input</type><name>in A</name><modelID>42</modelID></midiIn>
<midiIn><type>input</type><name>in B</name><modelID>42</modelID></midiIn>
<midiOut><type>output</type><name>out A</name><modelID>42</modelID></midiOut>
<midiOut><type>output</type><name>out B</name><modelID>42</modelID></midiOut>
</script>
)";

// A key of each test's own: the other tests, this file's too, run at the
// same time and delete theirs.
std::string Company()
{
    return std::string("TevMidiSetupTests.") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
}
const char kInSection[] = "MIDIInConnection";
const char kOutSection[] = "MIDIOutConnection";

// Combo box ids of the set-up page: two rows per port kind with ports, one
// input row without, one thru row.
enum {
    kInDevice0 = 101, kInId0, kInDevice1, kInId1, kInDevice2, kInId2,
    kOutDevice0 = 201, kOutId0, kOutDevice1, kOutId1,
    kThruIn = 301, kThruOut
};

class MidiSetupTest : public CManagerTest {
protected:
    void SetUp() override
    {
        CManagerTest::SetUp();
        ASSERT_TRUE(standin.IsLoaded());
        ASSERT_TRUE(standin.Command("fail clear"));
        ::RegDeleteTreeA(HKEY_CURRENT_USER, ("Software\\" + Company()).c_str());
        app.SetRegistryKey(Company());
        ASSERT_TRUE(LoadModel(kScript)) << Errors();
        ASSERT_TRUE(Manager().m_midiManager.ReadMidiSection(&Manager())) << Errors();
        CTevMidiManager& midi = Manager().m_midiManager;
        inA = midi.FindMidiInByName("in A");
        inB = midi.FindMidiInByName("in B");
        outA = midi.FindMidiOutByName("out A");
        outB = midi.FindMidiOutByName("out B");
        ASSERT_TRUE(inA && inB && outA && outB);
    }
    void TearDown() override
    {
        setup.CloseDevices();
        CManagerTest::TearDown();
        ::RegDeleteTreeA(HKEY_CURRENT_USER, ("Software\\" + Company()).c_str());
    }

    CMidiInDevice* InDevice(size_t index) const
    {
        return dynamic_cast<CMidiInDevice*>(Manager().m_midiManager.GetInputDevices().GetAt(index));
    }

    CStandinControl standin;
    CMessageBoxRecorder boxes;
    CWinApp app{"TevMidiSetupTest"};
    CMidiSetup setup;
    CTevMidiIn* inA = nullptr;
    CTevMidiIn* inB = nullptr;
    CTevMidiOut* outA = nullptr;
    CTevMidiOut* outB = nullptr;
};

HWND Combo(HWND parent, int id)
{
    return ::CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | WS_VSCROLL | CBS_DROPDOWNLIST, 0, 0, 200, 300, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleA(nullptr), nullptr);
}

std::vector<std::string> Items(HWND combo)
{
    std::vector<std::string> items;
    const int count = static_cast<int>(::SendMessageA(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[64] = {};
        ::SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        items.push_back(text);
    }
    return items;
}

// A window that runs a command when WM_APP reaches it.
struct CCommandWindow : CWnd {
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (msg == WM_APP)
            command();
        return CWnd::WindowProc(msg, wParam, lParam);
    }
    std::function<void()> command;
};

} // namespace

TEST_F(MidiSetupTest, TheProfileRoundTripSharesOneDeviceAndTheSetUpPageAppliesTheCombos)
{
    // Written as a previous run would have saved it, with an id that does
    // not fit a SysEx data byte and a device that is no longer installed.
    app.WriteProfileString(kInSection, "MIDIIn0", "in A");
    app.WriteProfileString(kInSection, "MIDIInDevice0", "Standin MIDI In 2");
    app.WriteProfileInt(kInSection, "MIDIInDeviceId0", 17);
    app.WriteProfileString(kInSection, "MIDIIn1", "in B");
    app.WriteProfileString(kInSection, "MIDIInDevice1", "Standin MIDI In 2");
    app.WriteProfileInt(kInSection, "MIDIInDeviceId1", 300);
    app.WriteProfileString(kOutSection, "MIDIOut0", "out A");
    app.WriteProfileString(kOutSection, "MIDIOutDevice0", "Standin MIDI Out 2");
    app.WriteProfileInt(kOutSection, "MIDIOutDeviceId0", 5);
    app.WriteProfileString(kOutSection, "MIDIOut1", "out B");
    app.WriteProfileString(kOutSection, "MIDIOutDevice1", "Unplugged MIDI Out");
    app.WriteProfileInt(kOutSection, "MIDIOutDeviceId1", 0x20);

    setup.Load();
    CTevMidiManager& midi = Manager().m_midiManager;
    ASSERT_EQ(midi.GetInputDevices().GetCount(), 1u);
    EXPECT_EQ(InDevice(0)->GetListeners(), (std::vector<CTevMidiIn*>{inA, inB}));
    EXPECT_EQ(standin.Value("open in 1"), 1);
    EXPECT_EQ(inA->GetDeviceId(), 17);
    EXPECT_EQ(inB->GetDeviceId(), 0x10);
    EXPECT_EQ(setup.GetOutDeviceName(*outA), "Standin MIDI Out 2");
    EXPECT_EQ(outA->GetDeviceId(), 5);
    EXPECT_EQ(outB->GetDevice(), nullptr);
    EXPECT_EQ(outB->GetDeviceId(), 0x20);
    EXPECT_EQ(midi.GetOutputDevices().GetCount(), 1u);
    EXPECT_TRUE(CMessageBoxRecorder::Texts().empty());

    setup.Save();
    EXPECT_EQ(app.GetProfileString(kInSection, "MIDIInDevice1", ""), "Standin MIDI In 2");
    EXPECT_EQ(app.GetProfileInt(kInSection, "MIDIInDeviceId1", -1), 0x10);
    EXPECT_EQ(app.GetProfileString(kOutSection, "MIDIOut1", ""), "out B");
    // A device that can't be opened keeps its name, to be opened next time.
    EXPECT_EQ(app.GetProfileString(kOutSection, "MIDIOutDevice1", ""), "Unplugged MIDI Out");

    // The dialog: closing the devices stands for a change made elsewhere,
    // which opening the page drops by reloading the profile.
    setup.CloseDevices();
    EXPECT_EQ(standin.Value("open in 1"), 0);
    CWnd dialog;
    const std::string windowClass = CWnd::RegisterWndClass(0);
    ASSERT_TRUE(dialog.CreateEx(0, windowClass.c_str(), "MIDI", WS_OVERLAPPED, RECT{0, 0, 400, 300}, nullptr, 0));
    for (int id : {kInDevice0, kInId0, kInDevice1, kInId1, kInDevice2, kInId2, kOutDevice0, kOutId0, kOutDevice1,
                   kOutId1, kThruIn, kThruOut})
        ASSERT_NE(Combo(dialog.GetSafeHwnd(), id), nullptr);
    auto item = [&](int id) { return ::GetDlgItem(dialog.GetSafeHwnd(), id); };
    CMidiSetupPage page(setup, dialog.GetSafeHwnd(),
                        {{kInDevice0, kInId0, 0, 31}, {kInDevice1, kInId1, 16, 31}, {kInDevice2, kInId2, 0, 31}},
                        {{kOutDevice0, kOutId0, 0, 31}, {kOutDevice1, kOutId1, 0, 31}}, {{kThruIn, kThruOut}});
    page.Fill();
    EXPECT_EQ(InDevice(0)->GetListeners(), (std::vector<CTevMidiIn*>{inA, inB}));
    EXPECT_EQ(Items(item(kInDevice0)), (std::vector<std::string>{"Standin Module In", "Standin MIDI In 2", "(none)"}));
    EXPECT_EQ(GetControlText(item(kInDevice0)), "Standin MIDI In 2");
    EXPECT_EQ(Items(item(kInId0)).size(), 32u);
    EXPECT_EQ(GetControlText(item(kInId0)), "18");
    EXPECT_EQ(GetControlText(item(kOutDevice1)), "");
    // 0x20 lies outside the row's ids 0 to 31: nothing selected.
    EXPECT_EQ(GetControlText(item(kOutId1)), "");
    for (int id : {kInDevice2, kInId2, kThruIn, kThruOut})
        EXPECT_FALSE(::IsWindowEnabled(item(id))) << id;
    EXPECT_TRUE(::IsWindowEnabled(item(kInDevice0)));
    EXPECT_EQ(GetControlText(item(kInId1)), "17");

    // The user unbinds "in A", picks item "17" for its id, and leaves the ids
    // of "in B" (a row of ids 16 to 31) and "out A" unselected: they keep
    // their own.
    ::SendMessageA(item(kInDevice0), CB_SELECTSTRING, static_cast<WPARAM>(-1),
                   reinterpret_cast<LPARAM>("(none)"));
    ::SendMessageA(item(kInId0), CB_SETCURSEL, 16, 0);
    ::SendMessageA(item(kInId1), CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    ::SendMessageA(item(kOutId0), CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    // The driver refuses to open the chosen devices this time; the unplugged
    // one stays chosen, as no device is shown for it.
    ASSERT_TRUE(standin.Command("fail midiInOpen 1") && standin.Command("fail midiOutOpen 1"));
    page.Apply();
    EXPECT_EQ(setup.GetInDeviceName(*inA), "(none)");
    EXPECT_EQ(inA->GetDeviceId(), 16);
    EXPECT_EQ(setup.GetInDeviceName(*inB), "(none)");
    EXPECT_EQ(inB->GetDeviceId(), 0x10);
    EXPECT_EQ(app.GetProfileString(kInSection, "MIDIInDevice1", ""), "Standin MIDI In 2");
    EXPECT_EQ(outA->GetDevice(), nullptr);
    EXPECT_EQ(outA->GetDeviceId(), 5);
    EXPECT_EQ(app.GetProfileString(kInSection, "MIDIInDevice0", ""), "(none)");
    EXPECT_EQ(app.GetProfileInt(kInSection, "MIDIInDeviceId0", -1), 16);
    EXPECT_EQ(app.GetProfileString(kOutSection, "MIDIOutDevice0", ""), "Standin MIDI Out 2");
    EXPECT_EQ(app.GetProfileInt(kOutSection, "MIDIOutDeviceId0", -1), 5);
    EXPECT_EQ(app.GetProfileString(kOutSection, "MIDIOutDevice1", ""), "Unplugged MIDI Out");
    EXPECT_EQ(CMessageBoxRecorder::Texts().size(), 2u);
    dialog.DestroyWindow();
}

TEST_F(MidiSetupTest, ACommandRunWhileTheDevicesCloseNeitherClosesNorBindsThem)
{
    // Stopping the input device pumps messages: the command that arrives
    // meanwhile reloads the set-up, as opening the set-up dialog does.
    app.WriteProfileString(kOutSection, "MIDIOutDevice0", "Standin MIDI Out 2");
    CCommandWindow window;
    ASSERT_TRUE(window.CreateEx(0, CWnd::RegisterWndClass(0).c_str(), "", WS_OVERLAPPED, RECT{}, nullptr, 0));
    bool ran = false;
    window.command = [&] {
        ran = true;
        setup.Load();
    };
    // The worker may end before the wait sees the message; then again.
    for (int attempt = 0; attempt < 5 && !ran; ++attempt) {
        setup.BindInPort(*inA, "Standin MIDI In 2", 0x10);
        window.PostMessage(WM_APP);
        EXPECT_TRUE(setup.CloseDevices());
    }
    ASSERT_TRUE(ran);
    EXPECT_EQ(outA->GetDevice(), nullptr);
    EXPECT_EQ(standin.Value("open out 1"), 0);
    window.DestroyWindow();
}
