#include "core/TevBuffer.h"
#include "midi/TevMessage.h"
#include "support/MemoryArchive.h"
#include "support/ModelTestSupport.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> Bytes(std::initializer_list<uint8_t> bytes) { return std::vector<uint8_t>(bytes); }

CTevDravikMessage DataSet(const std::vector<uint8_t>& address, const std::vector<uint8_t>& data)
{
    CTevDravikMessage message;
    message.SetSegment(CTevDravikMessage::AddressSegment, address);
    message.SetSegment(CTevDravikMessage::DataSegment, data);
    message.UpdateChecksum();
    return message;
}

TEST(AddressFolding, BytePairsFoldSevenBitsAByte)
{
    EXPECT_EQ(TevParseAddress("10 00 00"), 262144);
    EXPECT_EQ(TevParseAddress("7F 7F"), 16383);
    EXPECT_EQ(TevParseAddress("01 7F"), 0xFF);
    EXPECT_EQ(TevParseAddress("1000"), 0x10 * 128);
    EXPECT_EQ(TevParseAddress("123"), 0x12 * 128 + 3);
    EXPECT_EQ(TevParseAddress("1 23"), 128 + 0x23);
    EXPECT_EQ(TevParseAddress(""), 0);
    // Bytes are not masked to 7 bits.
    EXPECT_EQ(TevParseAddress("01 FF"), 128 + 255);
    // Too long for 32 bits: saturated, never wrapped or overflowed.
    const int32_t highest = std::numeric_limits<int32_t>::max();
    EXPECT_EQ(TevParseAddress("7F 7F 7F 7F 7F"), highest);
    EXPECT_EQ(TevParseAddress("FF FF FF FF FF FF FF FF FF FF"), highest);
    EXPECT_EQ(TevFoldAddressBytes(Bytes({0x07, 0x7F, 0x7F, 0x7F, 0x7F})), highest);
    EXPECT_EQ(TevFoldAddressBytes(Bytes({0x07, 0x7F, 0x7F, 0x7F, 0x7E})), highest - 1);
}

TEST(AddressRanges, HalfOpenOperations)
{
    const CTevAddressRange range(4, 8);
    EXPECT_TRUE(range.Contains(7));
    EXPECT_FALSE(range.Contains(8));
    EXPECT_TRUE(range.ContainsRange(CTevAddressRange(4, 8)));
    EXPECT_FALSE(range.ContainsRange(CTevAddressRange(5, 9)));
    EXPECT_TRUE(range.Overlaps(CTevAddressRange(7, 10)));
    EXPECT_FALSE(range.Overlaps(CTevAddressRange(8, 10)));
    EXPECT_FALSE(CTevAddressRange(5, 4).IsValid());
    EXPECT_FALSE(CTevAddressRange(-1, 4).IsValid());
    EXPECT_EQ(CTevAddressRange::FromSize(std::numeric_limits<int32_t>::max() - 1, 5).end,
              std::numeric_limits<int32_t>::max());
}

using Structs = CModelTest;

TEST_F(Structs, CreateMakesEachKind)
{
    EXPECT_EQ(CTevStruct::Create(CTevStruct::kRoot)->GetTypeCode(), 0);
    EXPECT_EQ(CTevStruct::Create(CTevStruct::kNode)->GetTypeCode(), 1);
    EXPECT_EQ(CTevStruct::Create(CTevStruct::kLeaf)->GetTypeCode(), 2);
    EXPECT_EQ(CTevStruct::Create(4), nullptr);
    EXPECT_EQ(CTevStruct::Create(-1), nullptr);

    // The MIDI struct comes from the creator its layer installs.
    const CTevStruct::CTevMidiStructCreator installed = CTevStruct::GetMidiStructCreator();
    CTevStruct::SetMidiStructCreator(nullptr);
    EXPECT_EQ(CTevStruct::Create(CTevStruct::kMidi), nullptr);
    CTevStruct::SetMidiStructCreator([]() -> std::unique_ptr<CTevStruct> { return std::make_unique<CTevNodeStruct>(); });
    std::unique_ptr<CTevStruct> made = CTevStruct::Create(CTevStruct::kMidi);
    CTevStruct::SetMidiStructCreator(installed);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->GetTypeCode(), CTevStruct::kNode);
}

TEST_F(Structs, ReadDefinitionTakesNameAddressAndSize)
{
    CTevLeafStruct leaf;
    CTevElementDefinition element = ModelElement(
        "t", {{"name", "a"}, {"address", "10 00"}, {"x", "1"}, {"size", "02"}, {"name", "b"}, {"size", "01 00"}});
    EXPECT_TRUE(leaf.ReadDefinition(element, 5, 6, registries));
    EXPECT_EQ(leaf.GetName(), "b");
    EXPECT_EQ(leaf.GetRange(), CTevAddressRange(0x800, 0x880));
    ASSERT_EQ(element.pairs.size(), 1u);
    EXPECT_EQ(element.pairs.front().first, "x");

    CTevNodeStruct node;
    CTevElementDefinition defaults = ModelElement("t", {{"name", "b"}});
    EXPECT_TRUE(node.ReadDefinition(defaults, 5, 6, registries));
    EXPECT_EQ(node.GetRange(), CTevAddressRange(5, 11));

    // Equal specs are shared.
    CTevNodeStruct twin;
    CTevElementDefinition again = ModelElement("t", {{"name", "b"}, {"address", "05"}, {"size", "06"}});
    EXPECT_TRUE(twin.ReadDefinition(again, 0, 0, registries));
    EXPECT_EQ(twin.GetSpec(), node.GetSpec());
    EXPECT_EQ(registries.structSpecs.GetCount(), 2u);
}

TEST_F(Structs, BindAcceptsAChildEndingAtTheParentsSize)
{
    auto root = Root("ms", 0, 10);
    CTevStruct* node = AddNode(*root, "n", 2, 8);
    AddLeaf(*node, "a", 0, 4);
    CTevStruct* b = AddLeaf(*node, "b", 4, 4);
    EXPECT_TRUE(root->Bind(nullptr)) << Errors();
    EXPECT_EQ(b->GetParent(), node);
    EXPECT_EQ(node->GetParent(), root.get());
    EXPECT_EQ(b->GetData()->size(), 4u);
    EXPECT_EQ(b->GetAbsoluteRange(), CTevAddressRange(6, 10));
    EXPECT_EQ(b->GetFullName(), "ms.n.b");
    EXPECT_EQ(b->GetRoot(), root.get());
    EXPECT_EQ(Errors(), "");
}

TEST_F(Structs, BindRejectsAChildBeyondItsParent)
{
    auto root = Root("ms", 0, 10);
    CTevStruct* node = AddNode(*root, "n", 2, 8);
    AddLeaf(*node, "a", 0, 4);
    AddLeaf(*node, "b", 5, 4);
    EXPECT_FALSE(root->Bind(nullptr));
    EXPECT_EQ(Errors(), "Struct ms.n.b address range exceeds parent struct's one.\n");

    ClearErrors();
    auto other = Root("r", 0, 4);
    AddNode(*other, "big", 0, 5);
    EXPECT_FALSE(other->Bind(nullptr));
    EXPECT_EQ(Errors(), "Struct r.big address range exceeds parent struct's one.\n");
}

TEST_F(Structs, ChildrenEndOfChildrenOutOfOrderIsTheLargestEnd)
{
    CTevLeafStruct leaf;
    AddValue(leaf, ValueSpec("late", 4, CTevValueSpec::kInt2x7));
    AddValue(leaf, ValueSpec("early", 0, CTevValueSpec::kInt2x7));
    EXPECT_EQ(leaf.GetChildrenEnd(), 6);
}

TEST_F(Structs, BindRejectsReversedRangesBeforeSizingTheImage)
{
    auto root = Root("r", 0, 16);
    auto reversed = std::make_unique<CTevLeafStruct>();
    CTevElementDefinition element = ModelElement("t", {{"name", "rev"}});
    reversed->ReadDefinition(element, 8, -4, registries);
    EXPECT_EQ(reversed->GetRange(), CTevAddressRange(8, 4));
    CTevStruct* leaf = reversed.get();
    root->GetChildStructs()->push_back(std::move(reversed));
    EXPECT_FALSE(root->Bind(nullptr));
    EXPECT_EQ(Errors(), "Struct r.rev address range is invalid.\n");
    EXPECT_TRUE(leaf->GetData()->empty());

    ClearErrors();
    auto negative = Root("neg", 0, 16);
    AddNode(*negative, "n", -2, 4);
    EXPECT_FALSE(negative->Bind(nullptr));
    EXPECT_EQ(Errors(), "Struct neg.n address range is invalid.\n");
}

TEST_F(Structs, ChildrenEndOfChildrenInOrder)
{
    CTevLeafStruct leaf;
    EXPECT_EQ(leaf.GetChildrenEnd(), 0);
    AddValue(leaf, ValueSpec("a", 0, CTevValueSpec::kInt1x7));
    AddValue(leaf, ValueSpec("b", 1, CTevValueSpec::kInt2x7));
    AddValue(leaf, ValueSpec("c", 3, CTevValueSpec::kInt1x7));
    EXPECT_EQ(leaf.GetChildrenEnd(), 4);

    CTevNodeStruct node;
    AddLeaf(node, "x", 2, 3);
    AddLeaf(node, "y", 5, 4);
    EXPECT_EQ(node.GetChildrenEnd(), 9);
}

class Tree : public CModelTest {
protected:
    // ms (0x100, 16)
    //   tmp (0, 8): osc (0, 4): level1 @0, pitch @1 (int3x4)
    //               amp (4, 4): level @0, pan @1
    //   usr (8, 8): names[0] (0, 4): name (string 4)
    //               names[1] (4, 4): name (string 4)
    void SetUp() override
    {
        CModelTest::SetUp();
        root = Root("ms", 0x100, 16);
        CTevStruct* tmp = AddNode(*root, "tmp", 0, 8);
        osc = AddLeaf(*tmp, "osc", 0, 4);
        AddValue(*osc, ValueSpec("level1", 0, CTevValueSpec::kInt1x7, 1, 0, 127, 100));
        AddValue(*osc, ValueSpec("pitch", 1, CTevValueSpec::kInt3x4, 3, 0, 4095, 0x123));
        amp = AddLeaf(*tmp, "amp", 4, 4);
        AddValue(*amp, ValueSpec("level", 0, CTevValueSpec::kInt1x7));
        AddValue(*amp, ValueSpec("pan", 1, CTevValueSpec::kInt1x7, 1, 0, 127, 10));
        CTevStruct* usr = AddNode(*root, "usr", 8, 8);
        for (int i = 0; i < 2; ++i) {
            CTevStruct* names = AddLeaf(*usr, "names[" + std::to_string(i) + "]", 4 * i, 4);
            AddValue(*names, ValueSpec("name", 0, CTevValueSpec::kString, 4, 0, 127, 64, "N" + std::to_string(i)));
        }
        ASSERT_TRUE(root->Bind(nullptr)) << Errors();
        root->ResetToDefaults();
    }

    CTevValue* Value(const std::string& path)
    {
        CTevValue* value = nullptr;
        return root->FindValue(path, value) ? value : nullptr;
    }
    CTevStruct* Struct(const std::string& path)
    {
        CTevStruct* found = nullptr;
        return root->FindStruct(path, found) ? found : nullptr;
    }

    std::unique_ptr<CTevRootStruct> root;
    CTevStruct* osc = nullptr;
    CTevStruct* amp = nullptr;
};

TEST_F(Tree, ResetToDefaultsFillsEveryLeaf)
{
    EXPECT_EQ(*osc->GetData(), Bytes({100, 1, 2, 3}));
    EXPECT_EQ(*amp->GetData(), Bytes({64, 10, 0, 0}));
    EXPECT_EQ(Value("ms.usr.names[1].name")->GetString(), "N1  ");
}

TEST_F(Tree, PathsResolveStructsAndValues)
{
    EXPECT_EQ(Struct("ms"), root.get());
    EXPECT_EQ(Struct("ms.tmp"), (*root->GetChildStructs())[0].get());
    EXPECT_EQ(Struct("ms.tmp.osc"), osc);
    EXPECT_EQ(Struct("ms.tmp.osc.level1"), nullptr);
    EXPECT_EQ(Struct("tmp"), nullptr);
    EXPECT_EQ(Struct("ms.nothing"), nullptr);
    EXPECT_EQ(Struct(""), nullptr);

    EXPECT_EQ(Value("ms"), nullptr);
    EXPECT_EQ(Value("ms.tmp"), nullptr);
    EXPECT_EQ(Value("ms.tmp.osc"), nullptr);
    EXPECT_EQ(Value("ms.tmp.osc.level1"), &(*osc->GetValues())[0]);
    EXPECT_EQ(Value("ms.tmp.amp.pan"), &(*amp->GetValues())[1]);
    EXPECT_EQ(Value("ms.tmp.amp.pan.x"), nullptr);
    EXPECT_EQ(Value("mx.tmp.osc.level1"), nullptr);
    EXPECT_EQ(Value("ms.usr.names[1].name")->GetFullName(), "ms.usr.names[1].name");

    // A failed lookup leaves the output alone.
    CTevValue* untouched = &(*amp->GetValues())[0];
    EXPECT_FALSE(root->FindValue("ms.tmp.osc.none", untouched));
    EXPECT_EQ(untouched, &(*amp->GetValues())[0]);
}

TEST_F(Tree, FindByAddressAnswersOnlyInsideOneLeaf)
{
    CTevValueList values;
    uint8_t* data = nullptr;
    // Absolute 0x105..0x107 is amp's bytes 1 and 2: only pan overlaps.
    ASSERT_TRUE(root->FindByAddress(CTevAddressRange(0x105, 0x107), values, data));
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values[0]->GetName(), "pan");
    EXPECT_EQ(data, amp->GetData()->data() + 1);

    values.clear();
    ASSERT_TRUE(root->FindByAddress(CTevAddressRange(0x100, 0x104), values, data));
    EXPECT_EQ(values.size(), 2u);
    EXPECT_EQ(data, osc->GetData()->data());

    // Spanning osc and amp, or outside the root: not found, outputs alone.
    values.clear();
    data = nullptr;
    EXPECT_FALSE(root->FindByAddress(CTevAddressRange(0x103, 0x105), values, data));
    EXPECT_FALSE(root->FindByAddress(CTevAddressRange(0x0FF, 0x101), values, data));
    EXPECT_FALSE(root->FindByAddress(CTevAddressRange(0x10F, 0x111), values, data));
    EXPECT_TRUE(values.empty());
    EXPECT_EQ(data, nullptr);
}

TEST_F(Tree, ApplyDataSetWritesIntoOneLeafOnly)
{
    CTevManager& manager = CTevManager::Instance();
    manager.ClearChanges();
    const std::vector<uint8_t> before = *amp->GetData();
    // 02 04 folds to 0x104: amp's first two bytes.
    EXPECT_TRUE(root->ApplyDataSet(DataSet(Bytes({0x02, 0x04}), Bytes({0x11, 0x22}))));
    EXPECT_EQ(*amp->GetData(), Bytes({0x11, 0x22, before[2], before[3]}));
    EXPECT_EQ(Value("ms.tmp.amp.pan")->GetInteger(), 0x22);
    EXPECT_EQ(manager.GetChanges().size(), 2u);
    EXPECT_TRUE(root->IsChanged());

    // Part of a leaf: only the values it overlaps are announced.
    manager.ClearChanges();
    EXPECT_TRUE(root->ApplyDataSet(DataSet(Bytes({0x02, 0x05}), Bytes({0x33}))));
    ASSERT_EQ(manager.GetChanges().size(), 1u);
    EXPECT_EQ(manager.GetChanges()[0], Value("ms.tmp.amp.pan"));
    manager.ClearChanges();

    // Starts in osc and ends in amp: nothing changes anywhere.
    const std::vector<uint8_t> oscBefore = *osc->GetData();
    const std::vector<uint8_t> ampBefore = *amp->GetData();
    EXPECT_FALSE(root->ApplyDataSet(DataSet(Bytes({0x02, 0x03}), Bytes({0x55, 0x66}))));
    EXPECT_EQ(*osc->GetData(), oscBefore);
    EXPECT_EQ(*amp->GetData(), ampBefore);
    // Outside the root.
    EXPECT_FALSE(root->ApplyDataSet(DataSet(Bytes({0x7F, 0x7F, 0x7F, 0x7F}), Bytes({0x01}))));
    EXPECT_TRUE(manager.GetChanges().empty());
}

TEST_F(Tree, TransmitSendsEveryLeafThroughTheRootsOutput)
{
    EXPECT_FALSE(osc->Transmit());
    CRecordingMidiOut out;
    root->SetMidiOut(&out);
    EXPECT_TRUE(osc->Transmit());
    ASSERT_EQ(out.dataSets.size(), 1u);
    EXPECT_EQ(out.dataSets[0].address, 0x100);
    EXPECT_EQ(out.dataSets[0].data, Bytes({100, 1, 2, 3}));

    out.dataSets.clear();
    EXPECT_TRUE(root->Transmit());
    ASSERT_EQ(out.dataSets.size(), 4u);
    const int32_t expected[] = {0x100, 0x104, 0x108, 0x10C};
    for (size_t i = 0; i < 4; ++i)
        EXPECT_EQ(out.dataSets[i].address, expected[i]);
    EXPECT_EQ(out.dataSets[3].data, Bytes({'N', '1', ' ', ' '}));

    // A refused send is reported by the leaf; the root goes on.
    out.accept = false;
    out.dataSets.clear();
    EXPECT_FALSE(amp->Transmit());
    EXPECT_TRUE(root->Transmit());
    EXPECT_EQ(out.dataSets.size(), 5u);
}

TEST_F(Tree, CloneSharesSpecsButNoStorageOnceBound)
{
    CRecordingMidiOut out;
    root->SetMidiOut(&out);
    root->SetChanged(true);
    std::unique_ptr<CTevStruct> copy = root->Clone();
    auto* copiedRoot = dynamic_cast<CTevRootStruct*>(copy.get());
    ASSERT_NE(copiedRoot, nullptr);
    EXPECT_EQ(copiedRoot->GetMidiOut(), &out);
    EXPECT_TRUE(copiedRoot->IsChanged());
    EXPECT_EQ(copy->GetSpec(), root->GetSpec());

    CTevValue* copied = nullptr;
    ASSERT_TRUE(copy->FindValue("ms.tmp.osc.pitch", copied));
    CTevValue* original = Value("ms.tmp.osc.pitch");
    EXPECT_EQ(copied->GetSpec(), original->GetSpec());
    // Until bound, the copy still points into the source tree.
    EXPECT_EQ(copied->GetStorage(), original->GetStorage());

    ASSERT_TRUE(copy->Bind(nullptr));
    EXPECT_NE(copied->GetStorage(), original->GetStorage());
    EXPECT_EQ(copied->GetInteger(), 0x123);
    copied->SetInteger(0x456);
    EXPECT_EQ(original->GetInteger(), 0x123);
    CTevStruct* copiedOsc = nullptr;
    ASSERT_TRUE(copy->FindStruct("ms.tmp.osc", copiedOsc));
    EXPECT_NE(copiedOsc, osc);
    EXPECT_EQ(copied->GetParent(), copiedOsc);
    EXPECT_EQ(copiedOsc->GetParent()->GetParent(), copy.get());
    EXPECT_EQ(*copiedOsc->GetData(), Bytes({100, 4, 5, 6}));
}

TEST_F(Tree, NamesDumpListsLaterArrayElementsByNameOnly)
{
    CTevTextOutStringStream out;
    root->DumpNames(out);
    EXPECT_EQ(out.str(),
              "    ms\n"
              "        ms.tmp\n"
              "            ms.tmp.osc\n"
              "                ms.tmp.osc.level1\n"
              "                ms.tmp.osc.pitch\n"
              "            ms.tmp.amp\n"
              "                ms.tmp.amp.level\n"
              "                ms.tmp.amp.pan\n"
              "        ms.usr\n"
              "            ms.usr.names[0]\n"
              "                ms.usr.names[0].name\n"
              "            ms.usr.names[1]\n"
              "                :\n");
    EXPECT_EQ(out.GetIndentation(), "");
}

TEST_F(Tree, DumpShowsRangesDataAndValues)
{
    CTevTextOutStringStream out;
    amp->Dump(out);
    EXPECT_EQ(out.str(), "    ms.tmp.amp, address=00000104 00000108, data=40 0A 00 00 \n"
                         "    <!--child values-->\n"
                         "        ms.tmp.amp.level, address=00000104 00000105, type=0, range=0 127, default=64, value=64\n"
                         "        ms.tmp.amp.pan, address=00000105 00000106, type=0, range=0 127, default=10, value=10\n");

    CTevTextOutStringStream whole;
    root->Dump(whole);
    const std::string text = whole.str();
    EXPECT_EQ(text.rfind("    ms, address=00000100 00000110, \n    <!--child structs-->\n        ms.tmp, ", 0), 0u)
        << text;
    EXPECT_NE(text.find("            ms.usr.names[1], address=0000010C 00000110, data=4E 31 20 20 \n"),
              std::string::npos)
        << text;
    EXPECT_EQ(whole.GetIndentation(), "");
}

TEST_F(Tree, ArchiveRoundTripRestoresTreeAndStorage)
{
    CTevValue* pitch = Value("ms.tmp.osc.pitch");
    pitch->SetInteger(0x7AB);
    std::vector<uint8_t> bytes;
    auto save = [&](CTevArchive& archive) {
        if (!registries.Serialize(archive))
            return false;
        archive.RegisterObject(static_cast<const CTevStruct*>(root.get()));
        return root->Serialize(archive);
    };
    ASSERT_TRUE(TevSaveGraph(save, bytes));

    CTevSpecRegistries loadedSpecs;
    std::unique_ptr<CTevStruct> loaded = CTevStruct::Create(CTevStruct::kRoot);
    auto load = [&](CTevArchive& archive) {
        if (!loadedSpecs.Serialize(archive))
            return false;
        archive.RegisterObject(static_cast<const CTevStruct*>(loaded.get()));
        return loaded->Serialize(archive);
    };
    ASSERT_TRUE(TevLoadGraph(load, bytes));

    EXPECT_EQ(loadedSpecs.structSpecs.GetCount(), registries.structSpecs.GetCount());
    EXPECT_EQ(loadedSpecs.valueSpecs.GetCount(), registries.valueSpecs.GetCount());
    CTevTextOutStringStream expected, actual;
    root->Dump(expected);
    loaded->Dump(actual);
    EXPECT_EQ(actual.str(), expected.str());

    CTevValue* loadedPitch = nullptr;
    ASSERT_TRUE(loaded->FindValue("ms.tmp.osc.pitch", loadedPitch));
    EXPECT_EQ(loadedPitch->GetInteger(), 0x7AB);
    CTevStruct* loadedOsc = nullptr;
    ASSERT_TRUE(loaded->FindStruct("ms.tmp.osc", loadedOsc));
    EXPECT_EQ(loadedPitch->GetParent(), loadedOsc);
    EXPECT_EQ(loadedPitch->GetStorage(), loadedOsc->GetData()->data() + 1);
    EXPECT_EQ(loadedOsc->GetParent()->GetParent(), loaded.get());

    // The loaded registry interns like the original.
    auto probe = std::make_unique<CTevValueSpec>(*pitch->GetSpec());
    EXPECT_EQ(loadedSpecs.valueSpecs.Intern(std::move(probe)), loadedPitch->GetSpec());

    // A cut archive fails instead of building a partial tree silently.
    bytes.resize(bytes.size() - 3);
    CTevSpecRegistries cutSpecs;
    std::unique_ptr<CTevStruct> cut = CTevStruct::Create(CTevStruct::kRoot);
    auto loadCut = [&](CTevArchive& archive) {
        if (!cutSpecs.Serialize(archive))
            return false;
        archive.RegisterObject(static_cast<const CTevStruct*>(cut.get()));
        return cut->Serialize(archive);
    };
    EXPECT_FALSE(TevLoadGraph(loadCut, bytes));
}

TEST_F(Tree, ArchiveRefusesAStructSpecReferenceToAnotherKindOfObject)
{
    auto save = [&](CTevArchive& archive) {
        if (!registries.Serialize(archive))
            return false;
        archive.RegisterObject(static_cast<const CTevStruct*>(root.get()));
        return root->Serialize(archive);
    };
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(TevSaveGraph(save, bytes));
    CMemoryArchive valuePass(CTevArchive::kWriteValues);
    ASSERT_TRUE(save(valuePass));

    // The reference pass begins with each value spec's number table, then
    // the root's struct spec. Registered: the struct specs, the value specs,
    // the root as a struct, the root's MIDI-layer part.
    const int32_t structSpecs = static_cast<int32_t>(registries.structSpecs.GetCount());
    const int32_t valueSpecs = static_cast<int32_t>(registries.valueSpecs.GetCount());
    const size_t specReference = valuePass.data.size() + 4 * static_cast<size_t>(valueSpecs);
    struct SCase {
        const char* name;
        int32_t index;
        bool loads;
    };
    const std::vector<SCase> cases = {
        {"another struct spec", 0, true},
        {"a value spec", structSpecs, false},
        {"the root struct", structSpecs + valueSpecs, false},
        {"the root's MIDI-layer part", structSpecs + valueSpecs + 1, false},
    };
    for (const SCase& c : cases) {
        std::vector<uint8_t> tampered = bytes;
        for (int shift = 0; shift < 4; ++shift)
            tampered[specReference + static_cast<size_t>(shift)] = static_cast<uint8_t>(c.index >> (24 - 8 * shift));
        CTevSpecRegistries loadedSpecs;
        std::unique_ptr<CTevStruct> loaded = CTevStruct::Create(CTevStruct::kRoot);
        auto load = [&](CTevArchive& archive) {
            if (!loadedSpecs.Serialize(archive))
                return false;
            archive.RegisterObject(static_cast<const CTevStruct*>(loaded.get()));
            return loaded->Serialize(archive);
        };
        EXPECT_EQ(TevLoadGraph(load, tampered), c.loads) << c.name;
        if (c.loads) {
            EXPECT_EQ(loaded->GetSpec(), loadedSpecs.structSpecs.GetSpecs()[0].get()) << c.name;
        }
    }
}

TEST_F(Structs, ArchiveRefusesAbsurdValueCounts)
{
    // A leaf's archived value count followed by nothing else: the values
    // carry no bytes of their own, so the count itself must be bounded.
    CMemoryArchive archive(CTevArchive::kReadValues, Bytes({0x7F, 0xFF, 0xFF, 0xFF}));
    CTevLeafStruct leaf;
    EXPECT_FALSE(leaf.Serialize(archive));
    EXPECT_TRUE(leaf.GetValues()->empty());
}

} // namespace
