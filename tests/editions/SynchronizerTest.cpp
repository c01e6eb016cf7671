// Sound parameters and their controllers kept in step both ways, for every
// pair of the edition.
#include "EditionTestSupport.h"

#include <tuple>

namespace {

using Bytes = std::vector<uint8_t>;

class SynchronizerTest : public CEditionTest {
protected:
    void SetUp() override
    {
        CEditionTest::SetUp();
        LoadAndStart();
    }
    std::vector<Bytes> ControlChanges() const
    {
        std::vector<Bytes> found;
        for (const CSimulatedModule::SReceived& received : module.GetReceived())
            if ((received.bytes[0] & 0xF0) == 0xB0)
                found.push_back(received.bytes);
        return found;
    }
    size_t DataSets() const { return module.GetVendorMessages(CSimulatedModule::kDataSetCommand).size(); }
};

TEST_F(SynchronizerTest, EveryPairGoesOutAsItsControllerOnTheReceiveChannel)
{
    Accessor().SetReceiveChannel(5);
    ASSERT_EQ(DataSets(), 1u);
    EXPECT_EQ(module.ByteAt(Address("ms.tmp.setup.receiveCh")), 5);

    const auto& parameters = Edition::kEditionData.soundParameters;
    for (size_t pair = 0; pair < parameters.size(); ++pair) {
        module.ClearRecords();
        CTevValue* parameter = Accessor().GetValue(Edition::kFirstSoundParameterEntry + static_cast<int32_t>(pair));
        const CTevValueSpec* spec = parameter->GetSpec();
        const int32_t moved = spec->GetMinimum() == parameter->GetInteger() ? spec->GetMaximum() : spec->GetMinimum();
        Change(parameter, moved);
        const uint8_t controller = uint8_t(parameters[pair].controller);
        const bool half = parameters[pair].halfResolution;
        EXPECT_EQ(Accessor().GetControllerValue(5, controller)->GetInteger(), half ? moved / 2 : moved);
        // A half-resolution parameter goes out as a data set at full
        // resolution, every other as its controller alone, which the
        // device takes.
        const std::vector<Bytes> expected =
            half ? std::vector<Bytes>{} : std::vector<Bytes>{{0xB5, controller, uint8_t(moved)}};
        EXPECT_EQ(ControlChanges(), expected) << parameters[pair].path;
        EXPECT_EQ(DataSets(), half ? 1u : 0u) << parameters[pair].path;
        if (!half) {
            EXPECT_EQ(module.ByteAt(parameter->GetAbsoluteRange().begin), moved) << parameters[pair].path;
        }
    }
}

TEST_F(SynchronizerTest, ControllersFromTheDeviceMoveTheirParametersWithinRangeAndAreNotEchoed)
{
    const Edition::SSoundParameter& plain = PlainParameter();
    CTevValue* parameter = Value(plain.path);
    const int32_t low = std::min(parameter->GetSpec()->GetMinimum(), parameter->GetSpec()->GetMaximum());
    const int32_t high = std::max(parameter->GetSpec()->GetMinimum(), parameter->GetSpec()->GetMaximum());
    // (channel, value, expected): another channel changes only its model.
    for (auto [channel, value, expected] : {std::tuple{0, 127, high}, {0, 0, low}, {3, 100, low}}) {
        module.SendControlChange(uint8_t(channel), uint8_t(plain.controller), uint8_t(value));
        Deliver();
        EXPECT_EQ(parameter->GetInteger(), expected) << channel << " " << value;
        EXPECT_EQ(Accessor().GetControllerValue(channel, plain.controller)->GetInteger(), value);
    }
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
    const int32_t expected = upper->halfResolution ? 100 : 50;
    module.SendControlChange(0, uint8_t(upper->controller), 50);
    module.SendControlChange(0, uint8_t(upper->controller - 32), 1);
    Deliver();
    EXPECT_EQ(Accessor().GetControllerValue(0, upper->controller)->GetInteger(), 0);
    EXPECT_EQ(Value(upper->path)->GetInteger(), expected);
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
