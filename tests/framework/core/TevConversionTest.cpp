// Struct types and instances from script text into the struct tree: the
// placement rules, arrays from repeated address pairs, and every failure
// message of the conversion.
#include "core/TevBuffer.h"
#include "core/TevHelpers.h"
#include "core/TevManager.h"
#include "core/TevValue.h"

#include "support/ManagerTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

class ConversionTest : public CManagerTest {
protected:
    CTevValue* Value(const std::string& path) { return Manager().FindValue(path); }
    CTevStruct* Struct(const std::string& path) { return Manager().FindStruct(path); }
};

TEST_F(ConversionTest, PlacesStructsAndValuesByExplicitAndRunningAddresses)
{
    ASSERT_TRUE(LoadModel(R"(
<structType><type>Common</type><name>common</name>
  <value><name>a</name></value>
  <value><name>b</name><type>int2x7</type></value>
  <value><name>c</name></value>
</structType>
<structType><type>Osc</type><name>osc</name><address>00 10</address><size>08</size>
  <value><name>level</name><address>04</address></value>
  <value><name>pitch</name><type>int2x4</type></value>
</structType>
<structType><type>Tail</type><name>tail</name>
  <value><name>x</name><type>string</type><size>03</size></value>
</structType>
<structType><type>Tmp</type><name>tmp</name><address>01 00</address>
  <struct><type>Common</type></struct>
  <struct><type>Osc</type></struct>
  <struct><type>Tail</type></struct>
</structType>
<structType><type>Root</type><name>ms</name><address>10 00 00</address><size>01 00 00</size>
  <struct><type>Tmp</type></struct>
</structType>
<struct><type>Root</type></struct>
)")) << Errors();
    EXPECT_EQ(Errors(), "");

    // Values without an address follow the previous one: sizes 1, 2, 1 sit
    // at 0, 1 and 3, and the leaf spans 4 bytes.
    EXPECT_EQ(Value("ms.tmp.common.a")->GetRange(), CTevAddressRange(0, 1));
    EXPECT_EQ(Value("ms.tmp.common.b")->GetRange(), CTevAddressRange(1, 3));
    EXPECT_EQ(Value("ms.tmp.common.c")->GetRange(), CTevAddressRange(3, 4));
    EXPECT_EQ(Struct("ms.tmp.common")->GetRange(), CTevAddressRange(0, 4));

    // An explicit address wins; the next value goes on from there.
    EXPECT_EQ(Value("ms.tmp.osc.level")->GetRange(), CTevAddressRange(4, 5));
    EXPECT_EQ(Value("ms.tmp.osc.pitch")->GetRange(), CTevAddressRange(5, 7));
    EXPECT_EQ(Struct("ms.tmp.osc")->GetRange(), CTevAddressRange(0x10, 0x18));

    // A child struct without an address begins where the previous one ends;
    // a node without "size" spans its children.
    EXPECT_EQ(Struct("ms.tmp.tail")->GetRange(), CTevAddressRange(0x18, 0x1B));
    EXPECT_EQ(Struct("ms.tmp")->GetRange(), CTevAddressRange(0x80, 0x80 + 0x1B));
    EXPECT_EQ(Struct("ms")->GetRange().GetSize(), 0x4000);

    // Absolute addresses add up the begins of every ancestor.
    const int32_t root = 0x10 << 14;
    EXPECT_EQ(Struct("ms")->GetRange().begin, root);
    EXPECT_EQ(Value("ms.tmp.common.b")->GetAbsoluteRange(), CTevAddressRange(root + 0x80 + 1, root + 0x80 + 3));
    EXPECT_EQ(Value("ms.tmp.osc.pitch")->GetAbsoluteRange().begin, root + 0x80 + 0x10 + 5);
    EXPECT_EQ(Value("ms.tmp.tail.x")->GetAbsoluteRange().begin, root + 0x80 + 0x18);

    // The definitions are gone once the conversion succeeded; the values
    // hold their defaults.
    EXPECT_TRUE(Manager().m_structTypeDefinitions.empty());
    EXPECT_TRUE(Manager().m_rootStructDefinitions.empty());
    EXPECT_EQ(Value("ms.tmp.common.a")->GetInteger(), 64);
}

TEST_F(ConversionTest, RepeatedMacroPairsMakeAnArrayOfIndependentCopies)
{
    ASSERT_TRUE(LoadModel(R"(
<structType><type>Part</type><name>part</name><address>$at</address>
  <value><name>level</name></value>
  <value><name>pan</name></value>
</structType>
<structType><type>Root</type><name>ms</name>
  <struct><type>Part</type><at>00 00</at><at>00 10</at><at>00 20</at></struct>
  <struct><type>Part</type><at>01 00</at></struct>
</structType>
<struct><type>Root</type></struct>
)")) << Errors();

    CTevStruct* parts[3] = {Struct("ms.part[0]"), Struct("ms.part[1]"), Struct("ms.part[2]")};
    ASSERT_TRUE(parts[0] && parts[1] && parts[2]);
    EXPECT_EQ(parts[0]->GetRange(), CTevAddressRange(0x00, 0x02));
    EXPECT_EQ(parts[1]->GetRange(), CTevAddressRange(0x10, 0x12));
    EXPECT_EQ(parts[2]->GetRange(), CTevAddressRange(0x20, 0x22));
    // A single pair makes a plain struct, placed after the array.
    EXPECT_EQ(Struct("ms.part")->GetRange(), CTevAddressRange(0x80, 0x82));
    EXPECT_EQ(Struct("ms.part[3]"), nullptr);

    // Every element has storage of its own, bound into its own image.
    CTevValue* level0 = Value("ms.part[0].level");
    CTevValue* level1 = Value("ms.part[1].level");
    CTevValue* level2 = Value("ms.part[2].level");
    ASSERT_TRUE(level0 && level1 && level2);
    EXPECT_NE(level0->GetStorage(), level1->GetStorage());
    EXPECT_NE(level1->GetStorage(), level2->GetStorage());
    EXPECT_EQ(level1->GetParent(), parts[1]);
    EXPECT_EQ(level1->GetStorage(), parts[1]->GetData()->data());
    level1->SetInteger(7);
    EXPECT_EQ(level0->GetInteger(), 64);
    EXPECT_EQ(level1->GetInteger(), 7);
    EXPECT_EQ(level2->GetInteger(), 64);
    EXPECT_EQ(level1->GetAbsoluteRange().begin, 0x10);
}

TEST_F(ConversionTest, RootStructArrayAndAddressWithoutMacro)
{
    ASSERT_TRUE(LoadModel(R"(
<structType><type>Leaf</type><name>leaf</name><value><name>v</name></value></structType>
<structType><type>Bank</type><name>bank</name><address>$a</address><struct><type>Leaf</type></struct></structType>
<structType><type>Fixed</type><name>fixed</name><address>02 00 00</address><struct><type>Leaf</type></struct></structType>
<struct><type>Bank</type><a>10 00 00</a><a>11 00 00</a><a>12 00 00</a></struct>
<struct><type>Fixed</type><a>01</a><a>02</a></struct>
)")) << Errors();
    const CTevStructList& roots = Manager().GetRootStructs();
    ASSERT_EQ(roots.size(), 4u);
    EXPECT_EQ(roots[0]->GetName(), "bank[0]");
    EXPECT_EQ(roots[1]->GetName(), "bank[1]");
    EXPECT_EQ(roots[2]->GetName(), "bank[2]");
    EXPECT_EQ(roots[0]->GetRange().begin, 0x10 << 14);
    EXPECT_EQ(roots[1]->GetRange().begin, 0x11 << 14);
    EXPECT_EQ(roots[2]->GetRange().begin, 0x12 << 14);
    EXPECT_EQ(Value("bank[2].leaf.v")->GetAbsoluteRange().begin, 0x12 << 14);
    // An "address" without '$' never makes an array, even when the
    // instance repeats a pair.
    EXPECT_EQ(roots[3]->GetName(), "fixed");
    EXPECT_EQ(roots[3]->GetRange().begin, 0x02 << 14);
}

TEST_F(ConversionTest, DefaultSizeOfChildrenOutOfOrderIsNeverNegative)
{
    // The second child lies before the first: the parent still spans both.
    ASSERT_TRUE(LoadModel(R"(
<structType><type>Hi</type><name>hi</name><address>10</address><value><name>v</name><type>int4x4</type></value></structType>
<structType><type>Lo</type><name>lo</name><address>00</address><value><name>v</name><type>int4x4</type></value></structType>
<structType><type>Root</type><name>r</name><struct><type>Hi</type></struct><struct><type>Lo</type></struct></structType>
<struct><type>Root</type></struct>
)")) << Errors();
    EXPECT_EQ(Struct("r")->GetRange(), CTevAddressRange(0, 0x14));
    EXPECT_EQ(Struct("r.hi")->GetData()->size(), 4u);
    EXPECT_EQ(Struct("r.lo")->GetData()->size(), 4u);
}

TEST_F(ConversionTest, LookupFailuresOfTypesAndMacros)
{
    EXPECT_FALSE(LoadModel("<struct><type>Nope</type></struct>"));
    EXPECT_EQ(Errors(), "Unable to find struct type definition. : Nope\n"
                        "Unable to convert root struct definition Nope to root struct.\n");
    // A failed conversion keeps the definitions until Destroy.
    EXPECT_EQ(Manager().m_rootStructDefinitions.size(), 1u);

    SetUp();
    EXPECT_FALSE(LoadModel(R"(
<structType><type>Root</type><name>r</name><address>$where</address></structType>
<struct><type>Root</type><at>00</at></struct>
)"));
    EXPECT_EQ(Errors(), "Unable to resolve macros. : Root\n"
                        "Unable to convert root struct definition Root to root struct.\n");

    SetUp();
    EXPECT_FALSE(LoadModel(R"(
<structType><type>Mid</type><name>m</name><struct><type>Gone</type></struct></structType>
<structType><type>Root</type><name>r</name><struct><type>Mid</type></struct></structType>
<struct><type>Root</type></struct>
)"));
    // A failure deep in the tree gives a chain of lines, innermost first.
    EXPECT_EQ(Errors(), "Unable to find child struct type definition : Gone\n"
                        "Unable to convert child struct definition : Mid\n"
                        "Unable to convert root struct definition Root to root struct.\n");

    SetUp();
    EXPECT_FALSE(LoadModel(R"(
<structType><type>Leaf</type><name>l</name><value><name>$nothing</name></value></structType>
<structType><type>Root</type><name>r</name><struct><type>Leaf</type></struct></structType>
<struct><type>Root</type></struct>
)"));
    // The macros of a member are those of the instance being converted.
    EXPECT_EQ(Errors(), "Unable to resolve macros. : Leaf\n"
                        "Unable to convert child struct definition : Leaf\n"
                        "Unable to convert root struct definition Root to root struct.\n");
}

TEST_F(ConversionTest, StructuralFailures)
{
    // Converted as a leaf (it has values), its struct children fail.
    EXPECT_FALSE(LoadModel(R"(
<structType><type>Leaf</type><name>l</name><value><name>v</name></value></structType>
<structType><type>Both</type><name>b</name><struct><type>Leaf</type></struct><value><name>v</name></value></structType>
<structType><type>Root</type><name>r</name><struct><type>Both</type></struct></structType>
<struct><type>Root</type></struct>
)"));
    EXPECT_EQ(Errors(), "Struct type has both structs and values. : Both\n"
                        "Unable to convert child struct definition : Both\n"
                        "Unable to convert root struct definition Root to root struct.\n");

    SetUp();
    EXPECT_FALSE(LoadModel(R"(
<structType><type>Root</type><name>r</name><value><name>v</name></value></structType>
<struct><type>Root</type></struct>
)"));
    EXPECT_EQ(Errors(), "Root struct or node struct can not have child values. : Root\n"
                        "Unable to convert root struct definition Root to root struct.\n");

    SetUp();
    EXPECT_FALSE(LoadModel(R"(
<structType><type>Leaf</type><name>l</name><size>01</size><value><name>v</name><type>int2x7</type></value></structType>
<structType><type>Root</type><name>r</name><struct><type>Leaf</type></struct></structType>
<struct><type>Root</type></struct>
)"));
    EXPECT_EQ(Errors(), "Value address range exceeds parent struct's one. : r.l.v\n"
                        "Unable to create root struct r.\n");

    // Without "size" a leaf spans its values from the first begin, so values
    // that don't start at 0 need an explicit size.
    SetUp();
    EXPECT_FALSE(LoadModel(R"(
<structType><type>Leaf</type><name>l</name><value><name>v</name><address>02</address></value></structType>
<structType><type>Root</type><name>r</name><size>10</size><struct><type>Leaf</type></struct></structType>
<struct><type>Root</type></struct>
)"));
    EXPECT_EQ(Errors(), "Value address range exceeds parent struct's one. : r.l.v\n"
                        "Unable to create root struct r.\n");
}

TEST_F(ConversionTest, UnknownTagsAndBadValues)
{
    EXPECT_FALSE(LoadModel(R"(
<structType><type>Leaf</type><name>l</name><value><type>int1x7</type><name>v</name><colour>red</colour><x>1</x></value></structType>
<structType><type>Root</type><name>r</name><struct><type>Leaf</type></struct></structType>
<struct><type>Root</type></struct>
)"));
    EXPECT_EQ(Errors(), "Value type contains unknown tags. : int1x7 : colour, x, \n"
                        "Unable to convert child struct definition : Leaf\n"
                        "Unable to convert root struct definition Root to root struct.\n");

    SetUp();
    EXPECT_FALSE(LoadModel(R"(
<structType><type>Root</type><name>r</name><comment>hi</comment></structType>
<struct><type>Root</type><comment>macro, not reported</comment></struct>
)"));
    EXPECT_EQ(Errors(), "Struct type contains unknown tags. : Root : comment, \n"
                        "Unable to convert root struct definition Root to root struct.\n");

    SetUp();
    EXPECT_FALSE(LoadModel(R"(
<structType><type>Leaf</type><name>l</name><value><type>int9</type><name>v</name></value></structType>
<structType><type>Root</type><name>r</name><struct><type>Leaf</type></struct></structType>
<struct><type>Root</type></struct>
)"));
    EXPECT_EQ(Errors(), "Value type is unknown. : v : int9\n"
                        "Unable to convert child values from element definitions. : int9\n"
                        "Unable to convert child struct definition : Leaf\n"
                        "Unable to convert root struct definition Root to root struct.\n");
}

TEST_F(ConversionTest, RefusesTypesThatContainThemselvesAndLeavesTooLargeToHold)
{
    const char* const leafThenRoot = "<structType><type>Root</type><name>r</name><struct><type>Leaf</type></struct>"
                                     "</structType><struct><type>Root</type></struct>";
    const std::string far = std::string("<structType><type>Leaf</type><name>l</name><value><name>a</name></value>") +
                            "<value><name>b</name><address>%s</address></value></structType>" + leafThenRoot;
    const std::string sized = std::string("<structType><type>Leaf</type><name>l</name><size>%s</size>") +
                              "<value><name>a</name></value></structType>" + leafThenRoot;
    const std::string text = std::string("<structType><type>Leaf</type><name>l</name>") +
                             "<value><type>string</type><name>s</name><size>%s</size></value></structType>" +
                             leafThenRoot;
    const std::vector<std::pair<std::string, std::string>> cases = {
        // Through an unnamed struct type and its unnamed child.
        {"<structType><struct></structType><struct></struct>",
         "Struct type  contains itself.\n"
         "Unable to convert child struct definition : \n"
         "Unable to convert root struct definition  to root struct.\n"},
        {"<structType><type>A</type><name>a</name><struct><type>B</type></struct></structType>"
         "<structType><type>B</type><name>b</name><struct><type>A</type></struct></structType>"
         "<struct><type>A</type></struct>",
         "Struct type A contains itself.\n"
         "Unable to convert child struct definition : A\n"
         "Unable to convert child struct definition : B\n"
         "Unable to convert root struct definition A to root struct.\n"},
        // The leaf grows to reach a far value: refused before its image is
        // allocated.
        {FormatString(far.c_str(), "7F 7F 7F 7F 7F"),
         "Struct r.l is larger than 1048576 bytes.\nUnable to create root struct r.\n"},
        {FormatString(far.c_str(), "7F 7F 7F 7F"),
         "Struct r.l is larger than 1048576 bytes.\nUnable to create root struct r.\n"},
        {FormatString(sized.c_str(), "40 00 01"),
         "Struct r.l is larger than 1048576 bytes.\nUnable to create root struct r.\n"},
        {FormatString(text.c_str(), "40 00 01"),
         "Value size is larger than 1048576 bytes. : s : 40 00 01\n"
         "Unable to convert child values from element definitions. : string\n"
         "Unable to convert child struct definition : Leaf\n"
         "Unable to convert root struct definition Root to root struct.\n"},
        {FormatString(text.c_str(), "7F 7F 7F 7F 7F"),
         "Value size is larger than 1048576 bytes. : s : 7F 7F 7F 7F 7F\n"
         "Unable to convert child values from element definitions. : string\n"
         "Unable to convert child struct definition : Leaf\n"
         "Unable to convert root struct definition Root to root struct.\n"},
    };
    for (const auto& [script, errors] : cases) {
        SetUp();
        EXPECT_FALSE(LoadModel(script)) << script;
        EXPECT_EQ(Errors(), errors) << script;
    }

    // The limit itself is allowed, for a leaf and for a string filling it.
    SetUp();
    ASSERT_TRUE(LoadModel(FormatString(text.c_str(), "40 00 00"))) << Errors();
    EXPECT_EQ(Struct("r.l")->GetData()->size(), 1048576u);
    EXPECT_EQ(Value("r.l.s")->GetString(), std::string(1048576, ' '));
}

TEST_F(ConversionTest, EarlierRootsStayWhenALaterOneFails)
{
    EXPECT_FALSE(LoadModel(R"(
<structType><type>Leaf</type><name>l</name><value><name>v</name></value></structType>
<structType><type>Good</type><name>good</name><struct><type>Leaf</type></struct></structType>
<struct><type>Good</type></struct>
<struct><type>Bad</type></struct>
)"));
    EXPECT_NE(Struct("good"), nullptr);
    EXPECT_EQ(Manager().m_rootStructDefinitions.size(), 2u);
    Manager().Destroy();
    EXPECT_EQ(Struct("good"), nullptr);
    EXPECT_TRUE(Manager().m_rootStructDefinitions.empty());
    EXPECT_EQ(Manager().GetSpecRegistries().structSpecs.GetCount(), 0u);
}

using MidiStructConversionTest = ConversionTest;

TEST_F(MidiStructConversionTest, CreatesTheMidiChannelStructs)
{
    ASSERT_TRUE(LoadModel("<midiStruct><type>channels</type><name>midi</name></midiStruct>")) << Errors();
    ASSERT_EQ(Manager().GetMidiStructs().size(), 1u);
    EXPECT_EQ(Manager().GetMidiStructs()[0]->GetName(), "midi");
    EXPECT_NE(Manager().GetMidiStruct("midi"), nullptr);
    EXPECT_NE(Manager().GetRootStruct("midi"), nullptr);
    // Values are searched in the MIDI structs after the root structs.
    EXPECT_NE(Manager().FindValue("midi.ch[15].cc[119]"), nullptr);
    EXPECT_TRUE(Manager().m_midiStructDefinitions.empty());
}

TEST_F(MidiStructConversionTest, LeftoverTagsFailTheMidiStruct)
{
    EXPECT_FALSE(LoadModel("<midiStruct><type>channels</type><name>midi</name><port>1</port><x>2</x></midiStruct>"));
    EXPECT_EQ(Errors(), "Midi midi unknown tags. : port, x, \n");
    EXPECT_EQ(Manager().m_midiStructDefinitions.size(), 1u);
}

} // namespace
