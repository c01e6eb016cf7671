// The change protocol on a model loaded from script text: set, transmit,
// dispatch, clear; handlers; exclusions; data from the device; hex dumps;
// lookups; and a realistic script of the temporary patch and the 128 user
// patch names.
#include "core/TevBufferManager.h"
#include "core/TevHelpers.h"
#include "core/TevManager.h"
#include "midi/TevMessage.h"

#include "support/ManagerTestSupport.h"
#include "support/ModelTestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char kScript[] = R"(
<numberTable><name>steps</name><table>10,20,40</table></numberTable>
<structType><type>Osc</type><name>osc</name>
  <value><name>level</name></value>
  <value><name>wave</name><numberTableRef>steps</numberTableRef><default>10</default></value>
  <value><name>fine</name><type>int2x7</type><range>0,16383</range><default>8192</default></value>
</structType>
<structType><type>Env</type><name>env</name>
  <value><name>attack</name></value>
  <value><name>release</name></value>
</structType>
<structType><type>Filter</type><name>filter</name><address>00 10</address>
  <value><name>cutoff</name></value>
  <value><name>reso</name></value>
</structType>
<structType><type>Sys</type><name>sys</name><address>01 00</address>
  <value><name>dump</name><type>string</type><size>0A</size></value>
  <value><name>short</name><type>string</type><size>05</size></value>
</structType>
<structType><type>Root</type><name>ms</name><address>10 00 00</address><size>02 00</size>
  <struct><type>Osc</type></struct>
  <struct><type>Env</type></struct>
  <struct><type>Filter</type></struct>
  <struct><type>Sys</type></struct>
</structType>
<struct><type>Root</type></struct>
)";

const int32_t kBase = 0x10 << 14;

// Records every hook; can take integer sets over and exclude one value
// from transmission the first time it changes.
class CRecordingHandler : public ITevBufferHandler {
public:
    explicit CRecordingHandler(int* deletions = nullptr) : m_deletions(deletions) {}
    ~CRecordingHandler() override
    {
        if (m_deletions)
            ++*m_deletions;
    }

    bool OnSetInteger(const CTevValueIntegerList& values) override
    {
        integerSets.push_back(values);
        return takeIntegers;
    }
    bool OnSetString(const CTevValueStringList& values) override
    {
        stringSets.push_back(values);
        return false;
    }
    bool OnSetData(const CTevValueDataList& values) override
    {
        dataSets.push_back(values);
        return takeData;
    }
    bool OnValuesChanged(const CTevValueList& values) override
    {
        changed.push_back(values);
        for (CTevValue* value : values) {
            if (value == excludeOnce) {
                CTevManager::Instance().ExcludeFromTransmit(value);
                excludeOnce = nullptr;
            }
        }
        return false;
    }
    bool OnValuesReceived(const CTevValueList& values) override
    {
        received.push_back(values);
        return false;
    }

    bool takeIntegers = false;
    bool takeData = false;
    CTevValue* excludeOnce = nullptr;
    std::vector<CTevValueIntegerList> integerSets;
    std::vector<CTevValueStringList> stringSets;
    std::vector<CTevValueDataList> dataSets;
    std::vector<CTevValueList> changed;
    std::vector<CTevValueList> received;

private:
    int* m_deletions;
};

class CLastSentMidiOut : public CRecordingMidiOut {
public:
    std::vector<uint8_t> GetLastSent() const override { return lastSent; }
    std::vector<uint8_t> lastSent;
};

class BufferManagerTest : public CManagerTest {
protected:
    void SetUp() override
    {
        CManagerTest::SetUp();
        ASSERT_TRUE(LoadModel(kScript)) << Errors();
        ITevRootStruct* root = Manager().GetRootStruct("ms");
        ASSERT_NE(root, nullptr);
        root->SetMidiOut(&out);
        level = Value("ms.osc.level");
        wave = Value("ms.osc.wave");
        fine = Value("ms.osc.fine");
        cutoff = Value("ms.filter.cutoff");
        reso = Value("ms.filter.reso");
        ASSERT_TRUE(level && wave && fine && cutoff && reso);
    }

    CTevValue* Value(const std::string& path) { return Manager().FindValue(path); }
    CRecordingHandler* AddHandler(int* deletions = nullptr)
    {
        auto handler = std::make_unique<CRecordingHandler>(deletions);
        CRecordingHandler* result = handler.get();
        Manager().GetHandlers().Append(std::move(handler));
        return result;
    }
    bool RootChanged() { return static_cast<CTevRootStruct*>(Manager().FindStruct("ms"))->IsChanged(); }

    CLastSentMidiOut out;
    CTevValue* level = nullptr;
    CTevValue* wave = nullptr;
    CTevValue* fine = nullptr;
    CTevValue* cutoff = nullptr;
    CTevValue* reso = nullptr;
};

TEST_F(BufferManagerTest, LookupsByPath)
{
    CTevStruct* root = Manager().FindStruct("ms");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(Manager().FindStruct("ms.filter")->GetName(), "filter");
    EXPECT_EQ(Manager().GetRootStruct("ms"), dynamic_cast<ITevRootStruct*>(root));
    // A leaf is no root struct, and a plain root struct no MIDI struct.
    EXPECT_EQ(Manager().GetRootStruct("ms.filter"), nullptr);
    EXPECT_EQ(Manager().GetMidiStruct("ms"), nullptr);
    EXPECT_EQ(Manager().FindValue("ms"), nullptr);
    EXPECT_EQ(Manager().FindValue("ms.filter.nothing"), nullptr);
    EXPECT_EQ(Manager().FindStruct("other"), nullptr);
    EXPECT_EQ(cutoff->GetAbsoluteRange(), CTevAddressRange(kBase + 0x10, kBase + 0x11));
}

TEST_F(BufferManagerTest, SetWritesMarksAndTellsTheHandlers)
{
    CRecordingHandler* handler = AddHandler();
    EXPECT_FALSE(RootChanged());
    Manager().SetIntegerValue(fine, 300);
    EXPECT_EQ(fine->GetInteger(), 300);
    EXPECT_EQ(fine->GetStorage()[0], 0x02);
    EXPECT_EQ(fine->GetStorage()[1], 0x2C);
    ASSERT_EQ(handler->integerSets.size(), 1u);
    EXPECT_EQ(handler->integerSets[0], (CTevValueIntegerList{{fine, 300}}));
    EXPECT_EQ(handler->changed, (std::vector<CTevValueList>{{fine}}));
    EXPECT_EQ(Manager().GetChanges(), (CTevValueList{fine}));
    EXPECT_TRUE(RootChanged());

    Manager().SetStringValue(Value("ms.sys.short"), "abc");
    EXPECT_EQ(Value("ms.sys.short")->GetString(), "abc  ");
    EXPECT_EQ(handler->stringSets.size(), 1u);
    EXPECT_EQ(handler->changed.size(), 2u);

    // The index goes through the number table, or adds the minimum.
    Manager().SetValueByIndex(wave, 2);
    EXPECT_EQ(wave->GetInteger(), 40);
    Manager().SetValueByIndex(level, 5);
    EXPECT_EQ(level->GetInteger(), 5);
    EXPECT_EQ(Manager().GetChanges().size(), 4u);
}

TEST_F(BufferManagerTest, FirstHandlerTakesOverAndTheSecondIsStillAsked)
{
    CRecordingHandler* first = AddHandler();
    CRecordingHandler* second = AddHandler();
    first->takeIntegers = true;
    Manager().SetIntegerValue(level, 99);
    EXPECT_EQ(first->integerSets.size(), 1u);
    EXPECT_EQ(second->integerSets.size(), 1u);
    EXPECT_EQ(level->GetInteger(), 64);
    EXPECT_TRUE(first->changed.empty());
    EXPECT_TRUE(second->changed.empty());
    EXPECT_TRUE(Manager().GetChanges().empty());
    EXPECT_FALSE(RootChanged());

    // Data sets taken over as a list: nothing is written or marked.
    first->takeData = true;
    Manager().SetDataValues({{level, {1}}, {cutoff, {2}}});
    EXPECT_EQ(second->dataSets.size(), 1u);
    EXPECT_TRUE(Manager().GetChanges().empty());
}

TEST_F(BufferManagerTest, ListFormsAskOnceWriteAllThenMarkInOrder)
{
    CRecordingHandler* handler = AddHandler();
    Manager().SetIntegerValues({{cutoff, 1}, {level, 2}, {reso, 3}});
    EXPECT_EQ(handler->integerSets.size(), 1u);
    EXPECT_EQ(cutoff->GetInteger(), 1);
    EXPECT_EQ(level->GetInteger(), 2);
    EXPECT_EQ(reso->GetInteger(), 3);
    EXPECT_EQ(Manager().GetChanges(), (CTevValueList{cutoff, level, reso}));
    EXPECT_EQ(handler->changed, (std::vector<CTevValueList>{{cutoff, level, reso}}));

    // Plain values ignore data, but the protocol marks them all the same.
    Manager().SetDataValue(reso, {5});
    EXPECT_EQ(reso->GetInteger(), 3);
    EXPECT_EQ(Manager().GetChanges().back(), reso);
    EXPECT_EQ(handler->dataSets.size(), 1u);
}

TEST_F(BufferManagerTest, TransmitSendsEveryMarkOnceAndDispatchShowsTheSameList)
{
    Manager().SetIntegerValue(level, 100);
    Manager().SetIntegerValue(cutoff, 5);
    Manager().SetIntegerValue(level, 101);
    EXPECT_TRUE(Manager().TransmitChanges());
    ASSERT_EQ(out.dataSets.size(), 3u);
    EXPECT_EQ(out.dataSets[0].address, kBase);
    EXPECT_EQ(out.dataSets[0].data, std::vector<uint8_t>{101});
    EXPECT_EQ(out.dataSets[1].address, kBase + 0x10);
    EXPECT_EQ(out.dataSets[1].data, std::vector<uint8_t>{5});
    EXPECT_EQ(out.dataSets[2].address, kBase);

    Manager().DispatchChanges();
    ASSERT_EQ(views.broadcasts.size(), 1u);
    EXPECT_EQ(views.broadcasts[0], (CTevValueList{level, cutoff, level}));

    // Transmitting leaves the list; clearing empties it.
    EXPECT_EQ(Manager().GetChanges().size(), 3u);
    Manager().ClearChanges();
    EXPECT_TRUE(Manager().GetChanges().empty());
    Manager().TransmitChanges();
    EXPECT_EQ(out.dataSets.size(), 3u);
}

TEST_F(BufferManagerTest, ExcludedValueIsMarkedAndBroadcastButNotSentUntilCleared)
{
    CRecordingHandler* handler = AddHandler();
    handler->excludeOnce = fine;
    Manager().SetIntegerValue(fine, 1000);
    Manager().SetIntegerValue(level, 7);
    EXPECT_TRUE(Manager().IsExcludedFromTransmit(fine));
    Manager().TransmitChanges();
    ASSERT_EQ(out.dataSets.size(), 1u);
    EXPECT_EQ(out.dataSets[0].address, kBase);
    Manager().DispatchChanges();
    EXPECT_EQ(views.broadcasts.back(), (CTevValueList{fine, level}));
    Manager().ClearChanges();
    EXPECT_FALSE(Manager().IsExcludedFromTransmit(fine));

    Manager().SetIntegerValue(fine, 1001);
    Manager().TransmitChanges();
    ASSERT_EQ(out.dataSets.size(), 2u);
    EXPECT_EQ(out.dataSets[1].address, kBase + 2);
    EXPECT_EQ(out.dataSets[1].data, (std::vector<uint8_t>{1001 >> 7, 1001 & 0x7F}));
}

CTevDravikMessage DataSet(int32_t address, const std::vector<uint8_t>& data)
{
    CTevDravikMessage message;
    message.SetSegment(CTevDravikMessage::AddressSegment, TevTo7BitBytes(address, 4));
    message.SetSegment(CTevDravikMessage::DataSegment, data);
    message.UpdateChecksum();
    return message;
}

TEST_F(BufferManagerTest, DataFromTheDeviceIsMarkedAndAnnouncedButNotSent)
{
    CRecordingHandler* handler = AddHandler();
    ITevRootStruct* root = Manager().GetRootStruct("ms");

    // Inside one leaf: stored, both values marked and announced.
    EXPECT_TRUE(root->ApplyDataSet(DataSet(kBase + 0x10, {5, 6})));
    EXPECT_EQ(cutoff->GetInteger(), 5);
    EXPECT_EQ(reso->GetInteger(), 6);
    EXPECT_EQ(Manager().GetChanges(), (CTevValueList{cutoff, reso}));
    EXPECT_EQ(handler->received, (std::vector<CTevValueList>{{cutoff, reso}}));
    EXPECT_TRUE(handler->changed.empty());
    EXPECT_TRUE(handler->integerSets.empty());
    EXPECT_TRUE(out.dataSets.empty());
    EXPECT_TRUE(RootChanged());
    Manager().DispatchChanges();
    Manager().ClearChanges();
    EXPECT_EQ(views.broadcasts.size(), 1u);

    // Spanning the end of one leaf and the start of the next: refused.
    Value("ms.env.attack")->SetInteger(1);
    EXPECT_FALSE(root->ApplyDataSet(DataSet(kBase + 3, {9, 9})));
    EXPECT_EQ(fine->GetInteger(), 8192);
    EXPECT_EQ(Value("ms.env.attack")->GetInteger(), 1);
    EXPECT_TRUE(Manager().GetChanges().empty());
    EXPECT_EQ(handler->received.size(), 1u);
}

TEST_F(BufferManagerTest, HexDumpShowsTheLastMessageAfterTheTransmission)
{
    CLastSentMidiOut port;
    EXPECT_TRUE(Manager().AddHexDump(&port, "ms.sys.dump"));
    EXPECT_FALSE(Manager().AddHexDump(&port, "ms.sys.nothing"));
    EXPECT_EQ(Manager().GetHexDumps().size(), 1u);
    CTevValue* dump = Value("ms.sys.dump");

    port.lastSent = {0xF0, 0x41, 0xF7};
    Manager().SetIntegerValue(level, 3);
    Manager().TransmitChanges();
    EXPECT_EQ(dump->GetString(), "F0 41 F7  ");
    // Marked after the transmission loop: shown, never sent.
    EXPECT_EQ(Manager().GetChanges(), (CTevValueList{level, dump}));
    EXPECT_EQ(out.dataSets.size(), 1u);
    Manager().ClearChanges();

    // The same text again is not marked again.
    Manager().TransmitChanges();
    EXPECT_TRUE(Manager().GetChanges().empty());

    // Nothing, or too much, leaves the value as it is.
    port.lastSent.clear();
    Manager().TransmitChanges();
    port.lastSent.assign(257, 0x10);
    Manager().TransmitChanges();
    EXPECT_EQ(dump->GetString(), "F0 41 F7  ");
    EXPECT_TRUE(Manager().GetChanges().empty());

    // A value shorter than the text stays unchanged.
    CLastSentMidiOut other;
    EXPECT_TRUE(Manager().AddHexDump(&other, "ms.sys.short"));
    other.lastSent = {0xF0, 0x41, 0xF7};
    const std::string before = Value("ms.sys.short")->GetString();
    Manager().TransmitChanges();
    EXPECT_EQ(Value("ms.sys.short")->GetString(), before);
}

TEST(HexDumpFormat, TwoDigitsBlankSeparatedPaddedToTheSize)
{
    std::string text = "untouched";
    EXPECT_TRUE(CTevHexDump::FormatBytes({0x0A, 0xFF}, 5, text));
    EXPECT_EQ(text, "0A FF");
    EXPECT_TRUE(CTevHexDump::FormatBytes(std::vector<uint8_t>(256, 0xAB), 767, text));
    EXPECT_EQ(text.size(), 767u);
    EXPECT_EQ(text.substr(0, 6), "AB AB ");
    text = "untouched";
    EXPECT_FALSE(CTevHexDump::FormatBytes(std::vector<uint8_t>(256, 0xAB), 766, text));
    EXPECT_FALSE(CTevHexDump::FormatBytes({}, 10, text));
    EXPECT_FALSE(CTevHexDump::FormatBytes(std::vector<uint8_t>(257, 0), 10000, text));
    EXPECT_EQ(text, "untouched");
}

TEST_F(BufferManagerTest, DestroyEmptiesEverythingAndTheModelCanBeLoadedAgain)
{
    int deletions = 0;
    AddHandler(&deletions);
    AddHandler(&deletions);
    Manager().SetIntegerValue(level, 1);
    Manager().ExcludeFromTransmit(level);
    Manager().AddHexDump(&out, "ms.sys.dump");
    Manager().Destroy();
    EXPECT_EQ(deletions, 2);
    EXPECT_EQ(Manager().GetHandlers().GetCount(), 0u);
    EXPECT_TRUE(Manager().GetRootStructs().empty());
    EXPECT_TRUE(Manager().GetChanges().empty());
    EXPECT_FALSE(Manager().IsExcludedFromTransmit(level));
    EXPECT_TRUE(Manager().GetHexDumps().empty());
    EXPECT_EQ(Manager().GetSpecRegistries().valueSpecs.GetCount(), 0u);
    EXPECT_EQ(Manager().GetViewManager(), nullptr);
    EXPECT_EQ(Manager().FindValue("ms.osc.level"), nullptr);
    // Without a view manager there is nobody to dispatch to.
    Manager().DispatchChanges();

    CManagerTest::SetUp();
    ASSERT_TRUE(LoadModel(kScript)) << Errors();
    EXPECT_EQ(Manager().FindValue("ms.osc.level")->GetInteger(), 64);
}

// The editions' kind of tree: the temporary patch with several leaves of
// several value types, and 128 user patch names from repeated addresses.
std::string ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::string DataPath(const std::string& name)
{
    std::string path = __FILE__;
    path.erase(path.find_last_of("/\\") + 1);
    return path + "../../data/" + name;
}

using ModelScriptTest = CManagerTest;

TEST_F(ModelScriptTest, RealisticScriptLoadsThroughReadScriptAndCreate)
{
    const std::string script = ReadFile(DataPath("ModelScript.xml"));
    ASSERT_FALSE(script.empty());
    std::istringstream stream(script);
    ASSERT_TRUE(Manager().ReadScript(stream)) << Errors();
    ASSERT_TRUE(Manager().Create()) << Errors();
    EXPECT_EQ(Errors(), "");

    const int32_t base = 0x10 << 21;
    CTevValue* name = Manager().FindValue("ms.tmp.common.name");
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->GetString(), "Init Patch  ");
    EXPECT_EQ(Manager().FindValue("ms.tmp.common.tempo")->GetInteger(), 120);
    EXPECT_EQ(Manager().FindValue("ms.tmp.common.octave")->GetIndex(), 3);
    EXPECT_EQ(Manager().FindValue("ms.tmp.osc[1].pitch")->GetInteger(), 64);
    EXPECT_EQ(Manager().FindValue("ms.tmp.osc[1].pitch")->GetSpec()->GetMinimum(), 40);
    EXPECT_EQ(Manager().FindValue("ms.tmp.osc[1].pitch")->GetAbsoluteRange().begin, base + 0x28 + 3);
    EXPECT_EQ(Manager().FindValue("ms.tmp.filter.envDepth")->GetInteger(), 32768);
    EXPECT_EQ(Manager().FindValue("ms.tmp.filter.envDepth")->GetAbsoluteRange(),
              CTevAddressRange(base + 0x42, base + 0x46));

    std::vector<const uint8_t*> storage;
    for (int i = 0; i < 128; ++i) {
        CTevValue* patchName = Manager().FindValue(FormatString("ms.usr.names[%d].name", i));
        ASSERT_NE(patchName, nullptr) << i;
        EXPECT_EQ(patchName->GetString(), "INIT        ");
        EXPECT_EQ(patchName->GetAbsoluteRange(), CTevAddressRange::FromSize(base + 0x4000 + i * 0x80, 12));
        storage.push_back(patchName->GetStorage());
    }
    EXPECT_EQ(Manager().FindValue("ms.usr.names[128].name"), nullptr);
    for (size_t i = 1; i < storage.size(); ++i)
        EXPECT_NE(storage[i], storage[i - 1]);

    // By address: a range inside one name finds that name's value and its
    // bytes.
    CTevStruct* root = Manager().FindStruct("ms");
    CTevValueList found;
    uint8_t* data = nullptr;
    ASSERT_TRUE(root->FindByAddress(CTevAddressRange::FromSize(base + 0x4000 + 3 * 0x80, 12), found, data));
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0], Manager().FindValue("ms.usr.names[3].name"));
    EXPECT_EQ(data, found[0]->GetStorage());
    found.clear();
    ASSERT_TRUE(root->FindByAddress(CTevAddressRange(base + 0x41, base + 0x43), found, data));
    EXPECT_EQ(found, (CTevValueList{Manager().FindValue("ms.tmp.filter.resonance"),
                                    Manager().FindValue("ms.tmp.filter.envDepth")}));
}

} // namespace
