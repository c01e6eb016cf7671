// The MIDI channel model: lookups by path, notes and control changes sent
// through the struct's sink, channel messages received from a port, and
// cloning and archiving the 16 channel records.
#include "midi/TevMidiStruct.h"

#include "core/TevBufferManager.h"
#include "core/TevManager.h"
#include "core/TevTextOut.h"
#include "midi/TevMessage.h"
#include "midi/TevMidiOut.h"

#include "support/ManagerTestSupport.h"
#include "support/MemoryArchive.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// Records the bytes of every short message; refuses from the nth on when
// asked to.
class CShortMessageSink : public ITevMidiOut {
public:
    bool SendShortMessage(const CTevShortMessage& message) override
    {
        ++attempts;
        if (refuseFrom >= 0 && attempts > refuseFrom)
            return false;
        sent.push_back(message.GetBytes());
        return true;
    }
    bool SendLongMessage(const CTevLongMessage&) override { return false; }
    bool SendLongMessage(const CTevDravikMessage&) override { return false; }
    bool SendDataSet(int32_t, const Bytes&) override { return false; }
    bool SendRequest(int32_t, int32_t) override { return false; }

    std::vector<Bytes> sent;
    int attempts = 0;
    int refuseFrom = -1;
};

class CReceivedRecorder : public ITevBufferHandler {
public:
    explicit CReceivedRecorder(std::vector<CTevValueList>& lists) : m_lists(lists) {}
    bool OnValuesReceived(const CTevValueList& values) override
    {
        m_lists.push_back(values);
        return false;
    }

private:
    std::vector<CTevValueList>& m_lists;
};

class MidiStructTest : public CManagerTest {
protected:
    void SetUp() override
    {
        CManagerTest::SetUp();
        ASSERT_TRUE(LoadModel("<script><midiStruct><type>channels</type><name>midi</name></midiStruct></script>"))
            << Errors();
        midi = dynamic_cast<CTevMidiStruct*>(Manager().FindStruct("midi"));
        ASSERT_NE(midi, nullptr);
        midi->SetMidiOut(&sink);
        Manager().GetHandlers().Append(std::make_unique<CReceivedRecorder>(received));
    }

    CTevValue* Value(const std::string& path) { return Manager().FindValue(path); }
    CTevMidiCcValue& Cc(int channel, int number) { return midi->GetChannelData(channel).cc[number]; }
    bool Receive(const Bytes& bytes) { return midi->ReceiveShortMessage(CTevShortMessage(bytes)); }

    CTevMidiStruct* midi = nullptr;
    CShortMessageSink sink;
    std::vector<CTevValueList> received;
};

TEST(TevMidiStructPaths, GetPathComponents)
{
    EXPECT_EQ(GetPathComponents("midi.ch[0].cc[7]", 1, 1), "ch[0]");
    EXPECT_EQ(GetPathComponents("midi.ch[0].cc[7]", 1, -1), "ch[0].cc[7]");
    EXPECT_EQ(GetPathComponents("midi.ch[0].cc[7]", 1, 9), "ch[0].cc[7]");
    EXPECT_EQ(GetPathComponents("midi..ch[0]..cc[7].", 0, 3), "midi.ch[0].cc[7]");
    EXPECT_EQ(GetPathComponents("midi.ch[0]", 2, 1), "");
    EXPECT_EQ(GetPathComponents("", 0, -1), "");
    EXPECT_EQ(GetPathComponents("a.b", -1, 1), "");
}

TEST_F(MidiStructTest, FindsValuesByChannelAndName)
{
    CTevValue* cc7 = Value("midi.ch[0].cc[7]");
    ASSERT_EQ(cc7, &Cc(0, 7));
    EXPECT_EQ(Cc(0, 7).GetNumber(), 7);
    EXPECT_EQ(Cc(0, 7).GetChannel(), 0);
    EXPECT_EQ(Value("midi.ch[15].cc[119]"), &Cc(15, 119));
    EXPECT_EQ(Cc(15, 119).GetChannel(), 15);
    EXPECT_EQ(Value("midi.ch[3].note"), &midi->GetChannelData(3).note);
    EXPECT_EQ(Value("midi.ch[3].cc2[31]"), &midi->GetChannelData(3).cc2[31]);
    // The channel component is read as "ch[%d]" reads it: blanks and a sign
    // before the digits, anything after them.
    const std::vector<std::pair<const char*, int>> channels = {
        {"midi.ch[09].received", 9}, {"midi.ch[ +2].received", 2}, {"midi.ch[-0].received", 0},
        {"midi.ch[1x].received", 1}, {"midi.ch[7.received", 7},     {"midi.ch[15]]].received", 15},
    };
    for (const auto& [path, channel] : channels)
        EXPECT_EQ(Value(path), &midi->GetChannelData(channel).received) << path;

    for (const char* path : {"midi.ch[16].note", "midi.ch[-1].note", "midi.ch[0].cc[120]", "midi.ch[0].cc2[32]",
                             "midi.ch[].note", "midi.ch[x1].note", "midi.ch[99999999999].note",
                             "midi.chan[1].note", "midi.ch1.note", "midi.ch[0]", "midi.ch[0].cc[7].x",
                             "other.ch[0].cc[7]", "midi", "midi.ch[0]."}) {
        EXPECT_EQ(Value(path), nullptr) << path;
    }
    EXPECT_EQ(Manager().FindStruct("midi"), midi);
    EXPECT_EQ(Manager().FindStruct("midi.ch[0]"), nullptr);

    // The specs of the value kinds.
    const CTevValueSpec* note = midi->GetChannelData(0).note.GetSpec();
    EXPECT_EQ(note->GetType(), CTevValueSpec::kMidiNote);
    EXPECT_EQ(note->GetMinimum(), -127);
    EXPECT_EQ(note->GetMaximum(), 127);
    EXPECT_EQ(midi->GetChannelData(0).cc2[0].GetSpec()->GetMaximum(), 0x3FFF);
    EXPECT_EQ(midi->GetChannelData(0).received.GetSpec()->GetMaximum(), 1);
    // Equal specs are shared by the channels.
    EXPECT_EQ(Cc(0, 7).GetSpec(), Cc(5, 7).GetSpec());
}

TEST_F(MidiStructTest, ControllersAreSentAsControlChangesWithDataBytesOnly)
{
    Cc(2, 7).SetInteger(100);
    EXPECT_TRUE(Cc(2, 7).Transmit());
    // Out of range integers are limited, never wrapped or sent as status bytes.
    Cc(2, 7).SetInteger(200);
    EXPECT_EQ(Cc(2, 7).GetInteger(), 127);
    EXPECT_TRUE(Cc(2, 7).Transmit());
    Cc(2, 7).SetInteger(-5);
    EXPECT_EQ(Cc(2, 7).GetInteger(), 0);
    Cc(2, 7).SetInteger(256);
    EXPECT_EQ(Cc(2, 7).GetInteger(), 127);
    EXPECT_EQ(sink.sent, (std::vector<Bytes>{{0xB2, 0x07, 0x64}, {0xB2, 0x07, 0x7F}}));

    // Fourteen bits split over cc[n] and cc[n + 32], high first.
    CTevMidiCc2Value& pair = midi->GetChannelData(0).cc2[0];
    pair.SetInteger(0x3FFF);
    EXPECT_EQ(Cc(0, 0).GetInteger(), 127);
    EXPECT_EQ(Cc(0, 32).GetInteger(), 127);
    EXPECT_EQ(pair.GetInteger(), 16383);
    // Bits above the fourteen are dropped, as for any value wider than its
    // type.
    pair.SetInteger(0x4000);
    EXPECT_EQ(pair.GetInteger(), 0);
    pair.SetInteger(-1);
    EXPECT_EQ(pair.GetInteger(), 16383);
    pair.SetInteger(0x4000 + 200);
    sink.sent.clear();
    EXPECT_TRUE(pair.Transmit());
    EXPECT_EQ(sink.sent, (std::vector<Bytes>{{0xB0, 0x00, 0x01}, {0xB0, 0x20, 0x48}}));

    // A refused high controller stops the pair.
    sink.sent.clear();
    sink.attempts = 0;
    sink.refuseFrom = 0;
    EXPECT_FALSE(pair.Transmit());
    EXPECT_EQ(sink.attempts, 1);

    // The received marker reads 0 and sends nothing.
    CTevMidiReceivedValue& marker = midi->GetChannelData(0).received;
    marker.SetInteger(1);
    EXPECT_EQ(marker.GetInteger(), 0);
    EXPECT_TRUE(marker.Transmit());
    EXPECT_EQ(sink.attempts, 1);

    // Without a sink nothing is sent.
    midi->SetMidiOut(nullptr);
    EXPECT_FALSE(Cc(2, 7).Transmit());
    EXPECT_FALSE(pair.Transmit());
    EXPECT_FALSE(midi->GetChannelData(0).note.Transmit());
    EXPECT_FALSE(midi->Transmit());
    EXPECT_EQ(sink.attempts, 1);
}

TEST_F(MidiStructTest, KeyStatesAreSentOnceAsNotesOnAndOff)
{
    CTevMidiNoteValue& note = midi->GetChannelData(1).note;
    std::vector<int32_t> states(128, 0);
    states[60] = 100;
    states[62] = -64;
    states[64] = 300;
    note.SetData(states);
    EXPECT_TRUE(note.Transmit());
    EXPECT_EQ(sink.sent,
              (std::vector<Bytes>{{0x91, 0x3C, 0x64}, {0x81, 0x3E, 0x40}, {0x91, 0x40, 0x7F}}));
    EXPECT_EQ(note.GetData()[64], 127);
    EXPECT_EQ(note.GetPressOrder(), (Bytes{60, 62, 64}));

    // The same states again: nothing to send.
    sink.sent.clear();
    note.SetData(note.GetData());
    EXPECT_TRUE(note.Transmit());
    EXPECT_TRUE(sink.sent.empty());

    // Releasing 60 sends a note off with the stored velocity and moves the
    // key to the end of the press order.
    std::vector<int32_t> released = note.GetData();
    released[60] = -100;
    note.SetData(released);
    EXPECT_TRUE(note.Transmit());
    EXPECT_EQ(sink.sent, (std::vector<Bytes>{{0x81, 0x3C, 0x64}}));
    EXPECT_EQ(note.GetPressOrder(), (Bytes{62, 64, 60}));

    // A short list changes only the keys it holds.
    sink.sent.clear();
    note.SetData({5});
    EXPECT_TRUE(note.Transmit());
    EXPECT_EQ(sink.sent, (std::vector<Bytes>{{0x91, 0x00, 0x05}}));
    EXPECT_EQ(note.GetData()[60], -100);
}

TEST_F(MidiStructTest, ReceivedControlChangesUpdateAndAnnounceTheValues)
{
    CTevMidiChannelData& ch0 = midi->GetChannelData(0);
    Cc(0, 39).SetInteger(9);
    ASSERT_TRUE(Receive({0xB0, 0x07, 0x64}));
    EXPECT_EQ(Cc(0, 7).GetInteger(), 100);
    EXPECT_EQ(Cc(0, 39).GetInteger(), 0);
    EXPECT_EQ(ch0.cc2[7].GetInteger(), 12800);
    const CTevValueList expected{&Cc(0, 7), &Cc(0, 39), &ch0.cc2[7], &ch0.received};
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0], expected);
    // Marked as changed, with the struct flagged, but nothing sent back.
    EXPECT_EQ(Manager().GetChanges(), expected);
    EXPECT_TRUE(midi->IsChanged());
    EXPECT_TRUE(sink.sent.empty());
    Manager().ClearChanges();

    ASSERT_TRUE(Receive({0xB0, 0x27, 0x05}));
    EXPECT_EQ(received.back(), (CTevValueList{&Cc(0, 39), &ch0.cc2[7], &ch0.received}));
    EXPECT_EQ(ch0.cc2[7].GetInteger(), 100 * 128 + 5);

    ASSERT_TRUE(Receive({0xB5, 0x40, 0x7F}));
    CTevMidiChannelData& ch5 = midi->GetChannelData(5);
    EXPECT_EQ(Cc(5, 64).GetInteger(), 127);
    EXPECT_EQ(received.back(), (CTevValueList{&Cc(5, 64), &ch5.received}));

    ASSERT_TRUE(Receive({0xB0, 0x78, 0x00}));
    EXPECT_EQ(received.back(), (CTevValueList{&ch0.received}));

    ASSERT_TRUE(Receive({0xE0, 0x00, 0x40}));
    EXPECT_EQ(received.back(), (CTevValueList{&ch0.received}));
    ASSERT_TRUE(Receive({0xC3, 0x05}));
    EXPECT_EQ(received.back(), (CTevValueList{&midi->GetChannelData(3).received}));

    // System messages change nothing.
    const size_t before = received.size();
    EXPECT_FALSE(Receive({0xF8}));
    EXPECT_FALSE(Receive({0xF2, 0x01, 0x02}));
    EXPECT_EQ(received.size(), before);
    EXPECT_TRUE(sink.sent.empty());
}

TEST_F(MidiStructTest, ReceivedNotesStoreSignedVelocities)
{
    CTevMidiNoteValue& note = midi->GetChannelData(0).note;
    ASSERT_TRUE(Receive({0x90, 0x3C, 0x00}));
    EXPECT_EQ(note.GetKey(60).state, 0);
    EXPECT_EQ(note.GetPressOrder(), (Bytes{60}));
    ASSERT_TRUE(Receive({0x90, 0x3E, 0x50}));
    ASSERT_TRUE(Receive({0x80, 0x3C, 0x40}));
    EXPECT_EQ(note.GetKey(60).state, -64);
    EXPECT_EQ(note.GetKey(62).state, 0x50);
    EXPECT_EQ(note.GetPressOrder(), (Bytes{62, 60}));
    EXPECT_EQ(received.back(), (CTevValueList{&note, &midi->GetChannelData(0).received}));
    // The receive path leaves nothing to send: a transmit sends nothing.
    EXPECT_TRUE(note.GetKey(60).NothingLeftToSend());
    EXPECT_TRUE(note.Transmit());
    EXPECT_TRUE(sink.sent.empty());
}

TEST_F(MidiStructTest, MalformedChannelMessagesAreDropped)
{
    // Data bytes of 0x80 or above would index past the 128 keys or the
    // controllers; such a message is dropped whole.
    for (const Bytes& bytes : std::vector<Bytes>{{0x90, 0x80, 0x40},
                                                 {0x80, 0xFF, 0x40},
                                                 {0x90, 0x3C, 0x80},
                                                 {0xB0, 0xF7, 0x10},
                                                 {0xB0, 0x07, 0x80},
                                                 {0xC0, 0x85},
                                                 {0xE0, 0x00, 0xC0},
                                                 {0x00, 0x07, 0x10}}) {
        EXPECT_FALSE(Receive(bytes)) << int(bytes[0]) << " " << int(bytes[1]);
    }
    EXPECT_TRUE(received.empty());
    EXPECT_TRUE(Manager().GetChanges().empty());
    EXPECT_EQ(Cc(0, 7).GetInteger(), 0);
    EXPECT_TRUE(midi->GetChannelData(0).note.GetPressOrder().empty());

    // A program change has one data byte; what lies beyond it is not judged.
    EXPECT_TRUE(midi->ReceiveShortMessage(CTevShortMessage(0x009005C0u)));
}

TEST_F(MidiStructTest, CloneCopiesTheChannelRecordsAndLinksThemToItself)
{
    Cc(4, 10).SetInteger(33);
    midi->GetChannelData(4).cc2[1].SetInteger(0x1234);
    std::vector<int32_t> states(128, 0);
    states[10] = 7;
    midi->GetChannelData(4).note.SetData(states);
    ASSERT_TRUE(Receive({0x94, 0x30, 0x22}));

    std::unique_ptr<CTevStruct> copy = midi->Clone();
    auto* clone = dynamic_cast<CTevMidiStruct*>(copy.get());
    ASSERT_NE(clone, nullptr);
    EXPECT_EQ(clone->GetName(), "midi");
    EXPECT_EQ(clone->GetMidiOut(), &sink);

    CTevMidiChannelData& ch = clone->GetChannelData(4);
    EXPECT_EQ(ch.cc[10].GetInteger(), 33);
    EXPECT_EQ(ch.cc2[1].GetInteger(), 0x1234);
    EXPECT_EQ(ch.note.GetKey(0x30).state, 0x22);
    EXPECT_FALSE(ch.note.GetKey(10).NothingLeftToSend());
    EXPECT_EQ(ch.note.GetPressOrder(), midi->GetChannelData(4).note.GetPressOrder());
    EXPECT_EQ(ch.cc[10].GetSpec(), Cc(4, 10).GetSpec());
    EXPECT_EQ(ch.cc[10].GetChannel(), 4);

    // The copy's links are its own.
    EXPECT_EQ(ch.cc2[1].GetHigh(), &ch.cc[1]);
    EXPECT_EQ(ch.cc2[1].GetLow(), &ch.cc[33]);
    EXPECT_EQ(ch.cc[10].GetChannelData(), &ch);
    EXPECT_EQ(ch.cc[10].GetParent(), clone);
    CTevValue* found = nullptr;
    ASSERT_TRUE(clone->FindValue("midi.ch[4].cc[10]", found));
    EXPECT_EQ(found, &ch.cc[10]);

    ch.cc2[1].SetInteger(5);
    EXPECT_EQ(midi->GetChannelData(4).cc2[1].GetInteger(), 0x1234);
}

TEST_F(MidiStructTest, ArchiveRoundTripKeepsControllersAndRefusesCorruption)
{
    Cc(6, 20).SetInteger(77);
    Cc(15, 119).SetInteger(1);
    // The port is archived by whoever owns it; here there is none.
    midi->SetMidiOut(nullptr);
    CTevSpecRegistries& registries = Manager().GetSpecRegistries();
    auto serialize = [](CTevSpecRegistries& specs, CTevMidiStruct& target) {
        return [&specs, &target](CTevArchive& archive) {
            if (!specs.Serialize(archive))
                return false;
            archive.RegisterObject(static_cast<const CTevStruct*>(&target));
            return target.Serialize(archive);
        };
    };
    Bytes bytes;
    ASSERT_TRUE(TevSaveGraph(serialize(registries, *midi), bytes));

    CTevSpecRegistries loadedSpecs;
    CTevMidiStruct loaded;
    ASSERT_TRUE(TevLoadGraph(serialize(loadedSpecs, loaded), bytes));
    EXPECT_EQ(loaded.GetName(), "midi");
    EXPECT_EQ(loaded.GetChannelData(6).cc[20].GetInteger(), 77);
    EXPECT_EQ(loaded.GetChannelData(15).cc[119].GetInteger(), 1);
    EXPECT_EQ(loaded.GetChannelData(15).cc[119].GetName(), "cc[119]");
    EXPECT_EQ(loaded.GetChannelData(6).cc[20].GetParent(), &loaded);
    CTevValue* found = nullptr;
    EXPECT_TRUE(loaded.FindValue("midi.ch[6].cc2[20]", found));

    // A controller value above 127 in the archive is refused: find the
    // 4-byte 77 that follows the number 20 and raise it.
    const Bytes pattern{0, 0, 0, 20, 0, 0, 0, 77};
    auto at = std::search(bytes.begin(), bytes.end(), pattern.begin(), pattern.end());
    ASSERT_NE(at, bytes.end());
    Bytes corrupt = bytes;
    corrupt[static_cast<size_t>(at - bytes.begin()) + 7] = 0xC8;
    CTevSpecRegistries otherSpecs;
    CTevMidiStruct other;
    EXPECT_FALSE(TevLoadGraph(serialize(otherSpecs, other), corrupt));
}

TEST_F(MidiStructTest, DumpListsTheNoteCcAndCc2ValuesOfEveryChannel)
{
    Cc(0, 7).SetInteger(100);
    CTevTextOutStringStream out;
    midi->Dump(out);
    const std::string text = out.str();
    EXPECT_EQ(text.rfind("<midiStruct>\n    <name>midi</name>\n    <value>\n", 0), 0u) << text.substr(0, 200);
    EXPECT_NE(text.find("<ccId>7<ccId>\n"), std::string::npos);
    EXPECT_NE(text.find("<data>100<data>\n"), std::string::npos);
    EXPECT_NE(text.find("midi.cc2[31], address=00000000 00000000, type=1, range=0 16383, default=0, value=0\n"),
              std::string::npos);
    EXPECT_EQ(text.find("received"), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 14), "</midiStruct>\n");
    size_t channels = 0;
    for (size_t at = text.find("<ccId>0<ccId>"); at != std::string::npos; at = text.find("<ccId>0<ccId>", at + 1))
        ++channels;
    EXPECT_EQ(channels, 16u);
}

TEST(TevMidiStructCreator, TypeCodeThreeMakesTheChannelStruct)
{
    std::unique_ptr<CTevStruct> made = CTevStruct::Create(CTevStruct::kMidi);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->GetTypeCode(), CTevStruct::kMidi);
    EXPECT_NE(dynamic_cast<ITevMidiStruct*>(made.get()), nullptr);
    // No device addresses.
    CTevValueList values;
    uint8_t* data = nullptr;
    EXPECT_FALSE(made->FindByAddress(CTevAddressRange(0, 0), values, data));
}

} // namespace
