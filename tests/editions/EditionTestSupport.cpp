#include "EditionTestSupport.h"

#include "kappa/Edition.h"
#include "midi/TevMidiManager.h"
#include "support/BitmapFileResources.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

void CEditionTest::SetUp()
{
    CManagerTest::SetUp();
    Accessor().Reset();
    // The script's panels: bitmaps from the painted artwork, and the views
    // the shell's factory makes.
    Manager().m_resourceManager.SetFactory(std::make_unique<CBitmapFileResourceFactory>(TEV_ARTWORK_SCRIPT_FOLDER));
    Manager().m_viewManager.SetViewFactory(std::make_unique<CShellViewFactory>());
    CTestPopEdit::typed.clear();
    CTestPopEdit::opened = 0;
    Manager().SetStatusOut(new CTevTextOutBuffer);
    auto progressBar = std::make_unique<CTestProgressBar>();
    progress = progressBar.get();
    Manager().SetProgressBar(std::move(progressBar));
    auto popupMenu = std::make_unique<CFakePopupMenu>();
    popup = popupMenu.get();
    Manager().SetPopupMenu(std::move(popupMenu));
}

void CEditionTest::TearDown()
{
    Accessor().Reset();
    CManagerTest::TearDown();
}

bool CEditionTest::LoadShippedScript()
{
    std::ifstream file(TEV_EDITION_SCRIPT_PATH);
    if (!file)
        return false;
    return Manager().ReadScript(file) && Manager().Create();
}

void CEditionTest::ConnectDevices()
{
    CTevMidiManager& midi = Manager().m_midiManager;
    ASSERT_FALSE(midi.GetInputPorts().empty());
    ASSERT_FALSE(midi.GetOutputPorts().empty());
    CTevMidiIn& inPort = midi.GetInputPorts().front();
    CTevMidiOut& outPort = midi.GetOutputPorts().front();
    outDevice =
        static_cast<CFakeMidiOutDevice*>(midi.GetOutputDevices().Add(std::make_unique<CFakeMidiOutDevice>()));
    inDevice = static_cast<CFakeMidiInDevice*>(midi.GetInputDevices().Add(std::make_unique<CFakeMidiInDevice>()));
    outPort.SetDevice(outDevice);
    ASSERT_TRUE(inDevice->AddListener(&inPort));

    module.SetDeviceId(outPort.GetDeviceId());
    module.SetModelId(outPort.GetModelId());
    module.SetAddressSize(outPort.GetAddressSize());
    module.AddLeavesOf(*Manager().FindStruct("ms"));
    module.PlayEdition(CSimulatedModule::LayoutFromModel(
        Manager(), CSimulatedModule::ControllersOf(Edition::kEditionData.soundParameters)));
    module.ConnectTo(*outDevice, *inDevice);
}

void CEditionTest::Start()
{
    auto testReader = std::make_unique<CTestReader>(Manager().GetStatusOut());
    reader = testReader.get();
    reader->pump = inDevice ? module.MakePump(clock, *inDevice) : [this]() { clock.Advance(10); };
    ASSERT_TRUE(Accessor().Initialize(std::move(testReader), std::make_unique<Edition::CWriter>(),
                                      std::make_unique<CTestDialogFactory>(writeDialog)));
}

// An ASSERT ends only the helper it is in, and the test would go on with
// nothing loaded and crash. An exception ends the test: GoogleTest reports
// it, with its reason, as the test's failure and still tears down.
void CEditionTest::LoadAndStart()
{
    if (!LoadShippedScript())
        throw std::runtime_error("the shipped script does not load:\n" + Errors());
    ConnectDevices();
    if (!HasFatalFailure())
        Start();
    if (HasFatalFailure())
        throw std::runtime_error("the edition does not start");
}

void CEditionTest::Change(CTevValue* value, int32_t integer)
{
    Manager().SetIntegerValue(value, integer);
    Manager().TransmitChanges();
    Manager().DispatchChanges();
    Manager().ClearChanges();
}

void CEditionTest::Deliver()
{
    module.DeliverDue();
    if (inDevice)
        inDevice->DeliverPending();
}

int32_t CEditionTest::Address(const std::string& path) const
{
    const CTevBuffer* buffer = Manager().FindStruct(path);
    if (!buffer)
        buffer = Value(path);
    return buffer ? buffer->GetAbsoluteRange().begin : -1;
}

const Edition::SSoundParameter& CEditionTest::PlainParameter() const
{
    for (const Edition::SSoundParameter& parameter : Edition::kEditionData.soundParameters)
        if (!parameter.halfResolution)
            return parameter;
    return Edition::kEditionData.soundParameters.front();
}

std::string CEditionTest::MakeTestFolder()
{
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                         (std::string("tev-") + Edition::kEditionData.editionTag + "-" +
                                          test->test_suite_name() + "-" + test->name());
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    std::filesystem::create_directories(folder);
    return folder.string();
}
