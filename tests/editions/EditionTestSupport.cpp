#include "EditionTestSupport.h"

#include "kappa/Edition.h"
#include "midi/TevMidiManager.h"
#include "support/BitmapFileResources.h"

#include <fstream>
#include <sstream>

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
    std::vector<CSimulatedModule::SControllerPath> controllers;
    for (const Edition::SSoundParameter& parameter : Edition::kEditionData.soundParameters)
        controllers.push_back({parameter.path, parameter.controller, parameter.halfResolution ? 2 : 1});
    module.PlayEdition(CSimulatedModule::LayoutFromModel(Manager(), controllers));
    module.ConnectTo(*outDevice, *inDevice);
}

void CEditionTest::Start()
{
    auto testReader = std::make_unique<CTestReader>(Manager().GetStatusOut());
    reader = testReader.get();
    if (inDevice)
        reader->pump = module.MakePump(clock, *inDevice);
    ASSERT_TRUE(Accessor().Initialize(std::move(testReader), std::make_unique<Edition::CWriter>(),
                                      std::make_unique<CTestDialogFactory>(writeDialog)));
}

void CEditionTest::LoadAndStart()
{
    ASSERT_TRUE(LoadShippedScript()) << Errors();
    ConnectDevices();
    Start();
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

int32_t CEditionTest::Integer(const std::string& path) const
{
    const CTevValue* value = Value(path);
    EXPECT_NE(value, nullptr) << path;
    return value ? value->GetInteger() : -1;
}

const Edition::SSoundParameter& CEditionTest::PlainParameter() const
{
    for (const Edition::SSoundParameter& parameter : Edition::kEditionData.soundParameters)
        if (!parameter.halfResolution)
            return parameter;
    return Edition::kEditionData.soundParameters.front();
}
