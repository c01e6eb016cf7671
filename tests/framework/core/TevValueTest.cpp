#include "core/TevResources.h"
#include "core/TevValue.h"
#include "support/MemoryArchive.h"
#include "support/ModelTestSupport.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> Bytes(std::initializer_list<uint8_t> bytes) { return std::vector<uint8_t>(bytes); }

std::unique_ptr<CTevIntegerTable> MakeTable(const std::string& name, const std::string& entries)
{
    auto table = std::make_unique<CTevIntegerTable>();
    CTevElementDefinition definition = ModelElement("", {{"name", name}, {"table", entries}});
    EXPECT_TRUE(table->ReadDefinition(definition));
    return table;
}

class Values : public CModelTest {
protected:
    // A root "r" holding one leaf "l" of the given size with one value of
    // the value spec; bound.
    CTevValue& Single(const CTevValueSpec* spec, int32_t leafSize)
    {
        m_root = Root("r", 0x100, leafSize);
        CTevStruct* leaf = AddLeaf(*m_root, "l", 0, leafSize);
        AddValue(*leaf, spec);
        EXPECT_TRUE(m_root->Bind(nullptr)) << Errors();
        m_leaf = leaf;
        return leaf->GetValues()->front();
    }
    const std::vector<uint8_t>& Image() const { return *m_leaf->GetData(); }

    // Reads one "value" element; the value spec is left in *spec.
    bool Read(CTevElementDefinition element, const CTevValueSpec** spec = nullptr, int32_t defaultAddress = 0)
    {
        CTevValue value;
        bool ok = value.ReadDefinition(element, defaultAddress, registries);
        m_left = element.pairs;
        if (spec)
            *spec = value.GetSpec();
        return ok;
    }

    std::unique_ptr<CTevRootStruct> m_root;
    CTevStruct* m_leaf = nullptr;
    CTevPairList m_left;
};

TEST_F(Values, IntegerTypesPackIntoTheirBytes)
{
    struct {
        int32_t type;
        int32_t value;
        std::vector<uint8_t> bytes;
        int32_t readBack;
    } cases[] = {
        {CTevValueSpec::kInt1x7, 200, Bytes({0xC8}), 200},
        {CTevValueSpec::kInt1x7, 0x1FF, Bytes({0xFF}), 0xFF},
        {CTevValueSpec::kInt2x7, 300, Bytes({0x02, 0x2C}), 300},
        {CTevValueSpec::kInt2x7, 0x4001, Bytes({0x00, 0x01}), 1},
        {CTevValueSpec::kInt2x4, 0xAB, Bytes({0x0A, 0x0B}), 0xAB},
        {CTevValueSpec::kInt3x4, 0x123, Bytes({0x01, 0x02, 0x03}), 0x123},
        {CTevValueSpec::kInt4x4, 0x1234, Bytes({0x01, 0x02, 0x03, 0x04}), 0x1234},
        {CTevValueSpec::kInt4x4, -1, Bytes({0x0F, 0x0F, 0x0F, 0x0F}), 0xFFFF},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        registries.Clear();
        const int32_t size = CTevValueSpec::NaturalSize(c.type);
        CTevValue& value = Single(ValueSpec("v", 0, c.type), size);
        value.SetInteger(c.value);
        EXPECT_EQ(Image(), c.bytes);
        EXPECT_EQ(value.GetInteger(), c.readBack);
    }
    // Bytes are read as 0..255, not masked to 7 bits.
    registries.Clear();
    CTevValue& value = Single(ValueSpec("v", 0, CTevValueSpec::kInt2x7), 2);
    (*m_leaf->GetData())[0] = 0x81;
    (*m_leaf->GetData())[1] = 0x05;
    EXPECT_EQ(value.GetInteger(), (0x81 * 128) | 0x05);
}

TEST_F(Values, StringValuesCopyBytesAndResetWithBlanks)
{
    CTevValue& value = Single(ValueSpec("s", 0, CTevValueSpec::kString, 8, 0, 127, 64, "Init"), 8);
    EXPECT_EQ(value.GetKind(), CTevValueSpec::kText);
    EXPECT_EQ(value.GetString(), std::string(8, '\0'));
    value.ResetToDefault();
    EXPECT_EQ(value.GetString(), "Init    ");

    value.SetString("ab");
    EXPECT_EQ(value.GetString(), "abit    ");
    value.SetString("0123456789");
    EXPECT_EQ(value.GetString(), "01234567");
    EXPECT_EQ(Image().size(), 8u);
    EXPECT_EQ(value.GetInteger(), 0);

    // A default longer than the value is cut to its size.
    registries.Clear();
    CTevValue& shortValue = Single(ValueSpec("s", 0, CTevValueSpec::kString, 3, 0, 127, 64, "Initial"), 3);
    shortValue.ResetToDefault();
    EXPECT_EQ(shortValue.GetString(), "Ini");
}

TEST_F(Values, ResetToDefaultWritesTheNumericDefault)
{
    CTevValue& value = Single(ValueSpec("v", 0, CTevValueSpec::kInt2x7, 2, 0, 16383, 300), 2);
    value.ResetToDefault();
    EXPECT_EQ(Image(), Bytes({0x02, 0x2C}));
}

TEST_F(Values, UnboundValuesReadNothingAndWriteNothing)
{
    CTevValue value(ValueSpec("v", 0, CTevValueSpec::kInt4x4));
    value.SetInteger(5);
    EXPECT_EQ(value.GetInteger(), 0);
    EXPECT_EQ(value.GetString(), "");
    EXPECT_FALSE(value.Transmit());
}

TEST_F(Values, NumberTableMapsIndicesAndClampsThem)
{
    auto table = MakeTable("t", "10,20,40");
    CTevValueSpec spec("v", CTevAddressRange(0, 1), CTevValueSpec::kInt1x7, 0, 127, 20, "", table.get());
    EXPECT_EQ(spec.GetCount(), 3);
    EXPECT_EQ(spec.ValueToIndex(20), 1);
    EXPECT_EQ(spec.ValueToIndex(30), 3);
    EXPECT_EQ(spec.IndexToValue(2), 40);
    EXPECT_EQ(spec.GetDefaultIndex(), 1);
    // Indices from outside (device data, a stale control) never read past
    // the table.
    EXPECT_EQ(spec.IndexToValue(3), 40);
    EXPECT_EQ(spec.IndexToValue(1000), 40);
    EXPECT_EQ(spec.IndexToValue(-1), 10);

    CTevValue& value = Single(ValueSpec("v", 0, CTevValueSpec::kInt1x7, 1, 0, 127, 20, "", table.get()), 1);
    value.SetIndex(2);
    EXPECT_EQ(Image(), Bytes({40}));
    EXPECT_EQ(value.GetIndex(), 2);
    value.SetInteger(30);
    EXPECT_EQ(value.GetIndex(), 3);

    CTevIntegerTable empty;
    CTevValueSpec emptySpec("e", CTevAddressRange(0, 1), CTevValueSpec::kInt1x7, 5, 127, 64, "", &empty);
    EXPECT_EQ(emptySpec.GetCount(), 0);
    EXPECT_EQ(emptySpec.IndexToValue(0), 5);
}

TEST_F(Values, WithoutTableIndicesAreOffsetsFromTheMinimum)
{
    CTevValueSpec spec("v", CTevAddressRange(0, 1), CTevValueSpec::kInt1x7, -64, 63, 0, "", nullptr);
    EXPECT_EQ(spec.GetCount(), 128);
    EXPECT_EQ(spec.ValueToIndex(0), 64);
    EXPECT_EQ(spec.IndexToValue(0), -64);
    EXPECT_EQ(spec.GetDefaultIndex(), 64);

    const int32_t lowest = std::numeric_limits<int32_t>::min();
    const int32_t highest = std::numeric_limits<int32_t>::max();
    CTevValueSpec wide("w", CTevAddressRange(0, 4), CTevValueSpec::kInt4x4, lowest, highest, 0, "", nullptr);
    EXPECT_EQ(wide.GetCount(), highest);
    EXPECT_EQ(wide.ValueToIndex(highest), highest);
    EXPECT_EQ(wide.IndexToValue(highest), -1);
}

TEST_F(Values, ReadingTakesNameTypeAddressAndSize)
{
    const CTevValueSpec* spec = nullptr;
    ASSERT_TRUE(Read(ModelElement("int2x7", {{"name", "a"}, {"address", "01 00"}, {"name", "b"}, {"range", "0,1000"},
                                             {"default", "300"}, {"other", "x"}}),
                     &spec));
    EXPECT_EQ(spec->GetName(), "b");
    EXPECT_EQ(spec->GetType(), CTevValueSpec::kInt2x7);
    EXPECT_EQ(spec->GetRange(), CTevAddressRange(128, 130));
    EXPECT_EQ(spec->GetMinimum(), 0);
    EXPECT_EQ(spec->GetMaximum(), 1000);
    EXPECT_EQ(spec->GetDefault(), 300);
    ASSERT_EQ(m_left.size(), 1u);
    EXPECT_EQ(m_left.front().first, "other");

    // No type text is int1x7; no address takes the caller's; no range and
    // default keep 0..127 and 64.
    ASSERT_TRUE(Read(ModelElement("", {{"name", "c"}}), &spec, 7));
    EXPECT_EQ(spec->GetType(), CTevValueSpec::kInt1x7);
    EXPECT_EQ(spec->GetRange(), CTevAddressRange(7, 8));
    EXPECT_EQ(spec->GetMinimum(), 0);
    EXPECT_EQ(spec->GetMaximum(), 127);
    EXPECT_EQ(spec->GetDefault(), 64);
    EXPECT_EQ(Errors(), "");
}

TEST_F(Values, EqualSpecsAreInterned)
{
    const CTevValueSpec* first = nullptr;
    const CTevValueSpec* second = nullptr;
    const CTevValueSpec* other = nullptr;
    ASSERT_TRUE(Read(ModelElement("int1x7", {{"name", "v"}, {"range", "0,10"}}), &first));
    ASSERT_TRUE(Read(ModelElement("int1x7", {{"name", "v"}, {"range", "0,10"}}), &second));
    ASSERT_TRUE(Read(ModelElement("int1x7", {{"name", "v"}, {"range", "0,11"}}), &other));
    EXPECT_EQ(first, second);
    EXPECT_NE(first, other);
    EXPECT_EQ(registries.valueSpecs.GetCount(), 2u);
}

TEST_F(Values, SizeMustMatchNumericTypes)
{
    EXPECT_FALSE(Read(ModelElement("int1x7", {{"name", "v"}, {"size", "02"}})));
    EXPECT_EQ(Errors(), "Value size must be 01. : v : 02\n");
    ClearErrors();
    EXPECT_TRUE(Read(ModelElement("int3x4", {{"name", "v"}, {"size", "03"}})));

    const CTevValueSpec* spec = nullptr;
    ASSERT_TRUE(Read(ModelElement("string", {{"name", "s"}, {"size", "02"}}), &spec));
    EXPECT_EQ(spec->GetRange().GetSize(), 2);
    ASSERT_TRUE(Read(ModelElement("string", {{"name", "t"}}), &spec));
    EXPECT_EQ(spec->GetRange().GetSize(), 0);
    EXPECT_EQ(Errors(), "");
}

TEST_F(Values, UnknownTypeIsReported)
{
    EXPECT_FALSE(Read(ModelElement("int9x9", {{"name", "v"}})));
    EXPECT_EQ(Errors(), "Value type is unknown. : v : int9x9\n");
}

TEST_F(Values, SignedNotationAddsHalfTheTypesRange)
{
    const CTevValueSpec* spec = nullptr;
    ASSERT_TRUE(Read(ModelElement("int1x7", {{"name", "v"}, {"range", "-64S,63S"}, {"default", "-10S"}}), &spec));
    EXPECT_EQ(spec->GetMinimum(), 0);
    EXPECT_EQ(spec->GetMaximum(), 127);
    EXPECT_EQ(spec->GetDefault(), 54);

    ASSERT_TRUE(Read(ModelElement("int1x7", {{"name", "v"}, {"default", "0S"}}), &spec));
    EXPECT_EQ(spec->GetDefault(), 64);
    ASSERT_TRUE(Read(ModelElement("int1x7", {{"name", "v"}, {"range", "-64S,127"}}), &spec));
    EXPECT_EQ(spec->GetMinimum(), 0);
    EXPECT_EQ(spec->GetMaximum(), 127);
    ASSERT_TRUE(Read(ModelElement("int1x7", {{"name", "v"}, {"range", "0,0x10S"}}), &spec));
    EXPECT_EQ(spec->GetMaximum(), 80);

    struct {
        const char* type;
        int32_t offset;
    } offsets[] = {{"int2x7", 8192}, {"int2x4", 128}, {"int3x4", 2048}, {"int4x4", 32768}};
    for (const auto& o : offsets) {
        SCOPED_TRACE(o.type);
        ASSERT_TRUE(Read(ModelElement(o.type, {{"name", "v"}, {"range", "-1S,1S"}, {"default", "0S"}}), &spec));
        EXPECT_EQ(spec->GetMinimum(), o.offset - 1);
        EXPECT_EQ(spec->GetMaximum(), o.offset + 1);
        EXPECT_EQ(spec->GetDefault(), o.offset);
    }
    EXPECT_EQ(Errors(), "");
}

TEST_F(Values, MalformedRangesAndDefaultsAreReported)
{
    const char* badRanges[] = {"0,127 ", "0;127", "0 ,127", "0,", ",5", "0,127x", "0,127SS", "5,1",
                               "2147483647S,2147483647S"};
    for (const char* text : badRanges) {
        SCOPED_TRACE(text);
        ClearErrors();
        EXPECT_FALSE(Read(ModelElement("int1x7", {{"name", "v"}, {"range", text}})));
        EXPECT_EQ(Errors(), std::string("Value range is invalid. : v : ") + text + "\n");
    }
    const char* badDefaults[] = {"64 ", "x", "", "1S2", "3,4"};
    for (const char* text : badDefaults) {
        SCOPED_TRACE(text);
        ClearErrors();
        EXPECT_FALSE(Read(ModelElement("int1x7", {{"name", "v"}, {"default", text}})));
        EXPECT_EQ(Errors(), std::string("Value default is invalid. : v : ") + text + "\n");
    }
    // Leading white space is part of the number syntax.
    ClearErrors();
    EXPECT_TRUE(Read(ModelElement("int1x7", {{"name", "v"}, {"range", " 1, 2"}, {"default", " 1"}})));
    EXPECT_EQ(Errors(), "");
}

TEST_F(Values, DefaultIsCheckedAgainstTheRangeWhenBothAreRead)
{
    EXPECT_FALSE(Read(ModelElement("int1x7", {{"name", "v"}, {"default", "100"}, {"range", "0,10"}})));
    EXPECT_EQ(Errors(), "Value default 100 is out of range [0, 10]. : v : 0,10\n");
    ClearErrors();
    EXPECT_FALSE(Read(ModelElement("int1x7", {{"name", "v"}, {"range", "0,10"}, {"default", "-1"}})));
    EXPECT_EQ(Errors(), "Value default -1 is out of range [0, 10]. : v : -1\n");
    ClearErrors();

    // One of them alone is not checked.
    const CTevValueSpec* spec = nullptr;
    ASSERT_TRUE(Read(ModelElement("int1x7", {{"name", "v"}, {"default", "200"}}), &spec));
    EXPECT_EQ(spec->GetDefault(), 200);
    // Bounds are inclusive.
    EXPECT_TRUE(Read(ModelElement("int1x7", {{"name", "v"}, {"range", "0,10"}, {"default", "10"}})));
    EXPECT_EQ(Errors(), "");

    // A string's text default leaves the numeric default at 64, which a
    // later range is checked against.
    ASSERT_TRUE(Read(ModelElement("string", {{"name", "s"}, {"size", "04"}, {"default", "abc"}, {"range", "0,127"}}),
                     &spec));
    EXPECT_EQ(spec->GetStringDefault(), "abc");
    EXPECT_EQ(spec->GetDefault(), 64);
    EXPECT_FALSE(Read(ModelElement("string", {{"name", "s"}, {"default", "abc"}, {"range", "0,10"}})));
    EXPECT_EQ(Errors(), "Value default 64 is out of range [0, 10]. : s : 0,10\n");
}

TEST_F(Values, NumberTableIsFoundByName)
{
    auto& tables = CTevManager::Instance().m_resourceManager.m_numberTables;
    ASSERT_TRUE(tables.Add("steps", MakeTable("steps", "10,20,40")));
    const CTevValueSpec* spec = nullptr;
    bool found = Read(ModelElement("int1x7", {{"name", "v"}, {"numberTableRef", "steps"}}), &spec);
    bool missing = Read(ModelElement("int1x7", {{"name", "v"}, {"numberTableRef", "nothing"}}));
    const CTevIntegerTable* expected = tables.FindByName("steps");
    const int32_t count = found ? spec->GetCount() : -1;
    tables.Clear();

    ASSERT_TRUE(found);
    EXPECT_EQ(spec->GetNumberTable(), expected);
    EXPECT_EQ(count, 3);
    EXPECT_FALSE(missing);
    EXPECT_EQ(Errors(), "Unable to find number table. : v : nothing.\n");
}

TEST_F(Values, BindChecksTheLeafsSize)
{
    m_root = Root("r", 0, 4);
    CTevStruct* leaf = AddLeaf(*m_root, "l", 0, 4);
    AddValue(*leaf, ValueSpec("fits", 2, CTevValueSpec::kInt2x7));
    AddValue(*leaf, ValueSpec("over", 3, CTevValueSpec::kInt2x7));
    EXPECT_FALSE(m_root->Bind(nullptr));
    EXPECT_EQ(Errors(), "Value address range exceeds parent struct's one. : r.l.over\n");
    EXPECT_EQ((*leaf->GetValues())[0].GetStorage(), leaf->GetData()->data() + 2);
    EXPECT_EQ((*leaf->GetValues())[1].GetStorage(), nullptr);
}

TEST_F(Values, BindRejectsReversedOrNegativeRanges)
{
    m_root = Root("r", 0, 4);
    CTevStruct* leaf = AddLeaf(*m_root, "l", 0, 4);
    auto reversed = std::make_unique<CTevValueSpec>("rev", CTevAddressRange(3, 1), CTevValueSpec::kString, 0, 127,
                                                    64, "", nullptr);
    AddValue(*leaf, registries.valueSpecs.Intern(std::move(reversed)));
    EXPECT_FALSE(m_root->Bind(nullptr));
    EXPECT_EQ(Errors(), "Value address range is invalid. : r.l.rev\n");
    EXPECT_EQ(leaf->GetValues()->front().GetStorage(), nullptr);

    ClearErrors();
    leaf->GetValues()->clear();
    AddValue(*leaf, ValueSpec("neg", -1, CTevValueSpec::kInt1x7));
    EXPECT_FALSE(m_root->Bind(nullptr));
    EXPECT_EQ(Errors(), "Value address range is invalid. : r.l.neg\n");
}

TEST_F(Values, TransmitSendsOwnBytesAtTheAbsoluteAddress)
{
    CRecordingMidiOut out;
    m_root = Root("r", 0x4000, 8);
    CTevStruct* node = AddNode(*m_root, "n", 2, 6);
    CTevStruct* leaf = AddLeaf(*node, "l", 1, 4);
    AddValue(*leaf, ValueSpec("a", 0, CTevValueSpec::kInt1x7));
    AddValue(*leaf, ValueSpec("b", 1, CTevValueSpec::kInt3x4));
    ASSERT_TRUE(m_root->Bind(nullptr));
    CTevValue& b = (*leaf->GetValues())[1];
    b.SetInteger(0x123);

    EXPECT_FALSE(b.Transmit());
    m_root->SetMidiOut(&out);
    EXPECT_TRUE(b.Transmit());
    ASSERT_EQ(out.dataSets.size(), 1u);
    EXPECT_EQ(out.dataSets[0].address, 0x4000 + 2 + 1 + 1);
    EXPECT_EQ(out.dataSets[0].data, Bytes({1, 2, 3}));

    out.accept = false;
    EXPECT_FALSE(b.Transmit());
}

TEST_F(Values, DumpShowsTypeRangeDefaultAndValue)
{
    m_root = Root("r", 0x10, 6);
    CTevStruct* leaf = AddLeaf(*m_root, "l", 0, 6);
    AddValue(*leaf, ValueSpec("n", 1, CTevValueSpec::kInt1x7, 1, -5, 100, -3));
    AddValue(*leaf, ValueSpec("s", 2, CTevValueSpec::kString, 4, 0, 127, 64, "ab"));
    ASSERT_TRUE(m_root->Bind(nullptr));
    (*leaf->GetValues())[0].SetInteger(7);
    (*leaf->GetValues())[1].SetString("xy");

    CTevTextOutStringStream out;
    (*leaf->GetValues())[0].Dump(out);
    (*leaf->GetValues())[1].Dump(out);
    (*leaf->GetValues())[1].DumpNames(out);
    EXPECT_EQ(out.str(), std::string("    r.l.n, address=00000011 00000012, type=0, range=-5 100, default=-3, value=7\n"
                                     "    r.l.s, address=00000012 00000016, type=5, range=0 127, default=ab, value=xy") +
                             std::string(2, '\0') + "\n    r.l.s\n");
}

TEST_F(Values, SpecSurvivesAnArchiveRoundTrip)
{
    auto table = MakeTable("t", "1,2");
    CTevValueSpec spec("name", CTevAddressRange(3, 7), CTevValueSpec::kString, -2, 9, 4, "dflt", table.get());
    std::vector<uint8_t> bytes;
    auto save = [&](CTevArchive& archive) {
        archive.RegisterObject(static_cast<const CTevResource*>(table.get()));
        return spec.Serialize(archive);
    };
    ASSERT_TRUE(TevSaveGraph(save, bytes));

    CTevValueSpec loaded;
    auto load = [&](CTevArchive& archive) {
        archive.RegisterObject(static_cast<const CTevResource*>(table.get()));
        return loaded.Serialize(archive);
    };
    ASSERT_TRUE(TevLoadGraph(load, bytes));
    EXPECT_FALSE(loaded < spec);
    EXPECT_FALSE(spec < loaded);
    EXPECT_EQ(loaded.GetNumberTable(), table.get());
    EXPECT_EQ(loaded.GetStringDefault(), "dflt");
    EXPECT_EQ(loaded.GetRange(), CTevAddressRange(3, 7));
}

} // namespace
