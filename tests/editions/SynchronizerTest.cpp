// Sound parameters and their controllers kept in step both ways, for every
// pair of the edition.
#include "EditionTestSupport.h"

#include "kappa/CCSynchronizer.h"

namespace {

using Bytes = std::vector<uint8_t>;

class SynchronizerTest : public CEditionTest {
protected:
    void SetUp() override
    {
        CEditionTest::SetUp();
        LoadAndStart();
    }
    // The control changes and the data sets the module received.
    std::vector<Bytes> ControlChanges() const
    {
        std::vector<Bytes> found;
        for (const CSimulatedModule::SReceived& received : module.GetReceived())
            if ((received.bytes[0] & 0xF0) == 0xB0)
                found.push_back(received.bytes);
        return found;
    }
    size_t DataSets() const { return module.GetVendorMessages(CSimulatedModule::kDataSetCommand).size(); }
    CTevValue* Parameter(size_t pair) const
    {
        return Accessor().GetValue(Edition::kFirstSoundParameterEntry + static_cast<int32_t>(pair));
    }
};

TEST_F(SynchronizerTest, EveryPairGoesOutAsItsControllerOnTheReceiveChannel)
{
    Accessor().SetReceiveChannel(5);
    ASSERT_EQ(DataSets(), 1u);
    EXPECT_EQ(Accessor().GetReceiveChannel(), 5);
    EXPECT_EQ(module.ByteAt(Value("ms.tmp.setup.receiveCh")->GetAbsoluteRange().begin), 5);

    const auto& parameters = Edition::kEditionData.soundParameters;
    for (size_t pair = 0; pair < parameters.size(); ++pair) {
        module.ClearRecords();
        CTevValue* parameter = Parameter(pair);
        const CTevValueSpec* spec = parameter->GetSpec();
        const int32_t moved = spec->GetMinimum() == parameter->GetInteger() ? spec->GetMaximum() : spec->GetMinimum();
        Change(parameter, moved);
        const int32_t controller = parameters[pair].controller;
        const int32_t mirrored = parameters[pair].halfResolution ? moved / 2 : moved;
        EXPECT_EQ(Accessor().GetControllerValue(5, controller)->GetInteger(), mirrored) << parameters[pair].path;
        if (parameters[pair].halfResolution) {
            // Sent at full resolution as a data set; the controller only
            // mirrors it.
            EXPECT_EQ(ControlChanges().size(), 0u) << parameters[pair].path;
            EXPECT_EQ(DataSets(), 1u) << parameters[pair].path;
        } else {
            EXPECT_EQ(ControlChanges(), (std::vector<Bytes>{{0xB5, uint8_t(controller), uint8_t(moved)}}))
                << parameters[pair].path;
            EXPECT_EQ(DataSets(), 0u) << parameters[pair].path;
        }
        // The device took the change either way.
        if (!parameters[pair].halfResolution) {
            EXPECT_EQ(module.ByteAt(parameter->GetAbsoluteRange().begin), moved) << parameters[pair].path;
        }
    }
}

TEST_F(SynchronizerTest, ControllersFromTheDeviceMoveTheirParametersWithinRange)
{
    const Edition::SSoundParameter& plain = PlainParameter();
    CTevValue* parameter = Value(plain.path);
    const CTevValueSpec* spec = parameter->GetSpec();
    struct SCase {
        uint8_t channel;
        uint8_t value;
        int32_t expected;
    };
    const int32_t low = std::min(spec->GetMinimum(), spec->GetMaximum());
    const int32_t high = std::max(spec->GetMinimum(), spec->GetMaximum());
    const SCase cases[] = {
        {0, uint8_t(std::clamp(70, low, high)), std::clamp(70, low, high)},
        {0, 127, high},
        {0, 0, low},
        // Another channel changes only the channel model.
        {3, 100, low},
    };
    for (const SCase& test : cases) {
        module.SendControlChange(test.channel, uint8_t(plain.controller), test.value);
        Deliver();
        EXPECT_EQ(parameter->GetInteger(), test.expected) << int(test.channel) << " " << int(test.value);
        EXPECT_EQ(Accessor().GetControllerValue(test.channel, plain.controller)->GetInteger(), test.value);
    }
    // Nothing went back to the device.
    EXPECT_EQ(outDevice->sent.size(), 0u);
}

TEST_F(SynchronizerTest, AControllerBelow32DoesNotResetThePairedParameterAbove)
{
    // The channel model resets controller n + 32 on every controller n and
    // lists it as received; a paired parameter on n + 32 keeps its value.
    const auto& parameters = Edition::kEditionData.soundParameters;
    auto upper = std::find_if(parameters.begin(), parameters.end(),
                              [](const Edition::SSoundParameter& p) { return p.controller >= 33 && p.controller < 64; });
    ASSERT_NE(upper, parameters.end());
    CTevValue* parameter = Value(upper->path);
    module.SendControlChange(0, uint8_t(upper->controller), 50);
    Deliver();
    ASSERT_EQ(parameter->GetInteger(), upper->halfResolution ? 100 : 50);
    module.SendControlChange(0, uint8_t(upper->controller - 32), 1);
    Deliver();
    EXPECT_EQ(Accessor().GetControllerValue(0, upper->controller)->GetInteger(), 0);
    EXPECT_EQ(parameter->GetInteger(), upper->halfResolution ? 100 : 50);
}

TEST_F(SynchronizerTest, WithoutAPortForTheChannelModelTheParameterKeepsItsDataSet)
{
    ASSERT_EQ(Manager().GetMidiStructs().size(), 1u);
    static_cast<CTevRootStruct&>(*Manager().GetMidiStructs().front()).SetMidiOut(nullptr);
    CTevValue* parameter = Value(PlainParameter().path);
    Change(parameter, parameter->GetSpec()->GetMinimum());
    EXPECT_EQ(ControlChanges().size(), 0u);
    ASSERT_EQ(DataSets(), 1u);
    EXPECT_EQ(module.GetVendorMessages(CSimulatedModule::kDataSetCommand)[0].address,
              parameter->GetAbsoluteRange().begin);
}

} // namespace
