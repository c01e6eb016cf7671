#include "core/TevManager.h"
#include "core/TevScript.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

// The manager is a process-wide singleton: every test installs its own
// error reporter and leaves the definition lists empty behind it.
class ScriptReading : public ::testing::Test {
protected:
    void SetUp() override
    {
        errors = new CTevTextOutStringStream;
        manager.SetErrorOut(errors);
    }
    void TearDown() override
    {
        manager.SetErrorOut(nullptr);
        manager.m_structTypeDefinitions.clear();
        manager.m_rootStructDefinitions.clear();
        manager.m_midiStructDefinitions.clear();
        manager.m_midiManager.m_inputPortDefinitions.clear();
        manager.m_midiManager.m_outputPortDefinitions.clear();
        manager.m_viewManager.m_panelTypeDefinitions.clear();
        manager.m_viewManager.m_rootPanelDefinitions.clear();
        manager.m_resourceManager.m_bitmapDefinitions.clear();
        manager.m_resourceManager.m_textWriterDefinitions.clear();
        manager.m_resourceManager.m_stringTableDefinitions.clear();
        manager.m_resourceManager.m_numberTableDefinitions.clear();
    }
    bool Read(const std::string& script)
    {
        std::istringstream stream(script);
        return manager.ReadScript(stream);
    }
    std::string Errors() const { return errors->str(); }

    CTevManager& manager = CTevManager::Instance();
    CTevTextOutStringStream* errors = nullptr;
};

std::vector<std::string> AllTags(const std::string& text)
{
    std::istringstream stream(text);
    CTevScriptTokenizer tokenizer(stream);
    std::vector<std::string> tags;
    for (std::string tag = tokenizer.ReadNextTag(); !tag.empty(); tag = tokenizer.ReadNextTag())
        tags.push_back(tag);
    return tags;
}

CTevElementDefinition ReadElement(const std::string& innerText)
{
    CTevElementDefinition element;
    element.Read(innerText);
    return element;
}

} // namespace

TEST(ScriptTokenizer, TagsAreTakenVerbatimAndCommentsDropped)
{
    EXPECT_EQ(AllTags("x<a>y< b c=\"1\" />z</a>"),
              (std::vector<std::string>{"a", " b c=\"1\" /", "/a"}));
    // A comment holding '>' before its closing dashes is still one comment;
    // "<!-->" is a complete comment on its own.
    EXPECT_EQ(AllTags("<!-- a > b --><x><!--><y>"), (std::vector<std::string>{"x", "y"}));
}

TEST(ScriptTokenizer, UnterminatedCommentEndsAtEndOfInput)
{
    std::istringstream stream("<a><!-- never closed > still > open");
    CTevScriptTokenizer tokenizer(stream);
    EXPECT_EQ(tokenizer.ReadNextTag(), "a");
    EXPECT_EQ(tokenizer.ReadNextTag(), "");
    EXPECT_FALSE(tokenizer.WasEmptyTag());

    std::istringstream inner("text<!-- open");
    CTevScriptTokenizer innerTokenizer(inner);
    innerTokenizer.ReadNextTag();
    EXPECT_EQ(innerTokenizer.ReadInnerText(), "");
    EXPECT_FALSE(innerTokenizer.WasClosed());
}

TEST(ScriptTokenizer, InnerTextCountsNestingOfTheSameName)
{
    std::istringstream stream("<panel>a<panel>b</panel><!--c-->d</panel>rest");
    CTevScriptTokenizer tokenizer(stream);
    EXPECT_EQ(tokenizer.ReadNextTag(), "panel");
    EXPECT_EQ(tokenizer.ReadInnerText(), "a<panel>b</panel>d");
    EXPECT_TRUE(tokenizer.WasClosed());

    // An opening tag with anything after the name has no matching closing
    // form: the inner text runs to the end of the input.
    std::istringstream attributed("<panel x>a</panel>b");
    CTevScriptTokenizer second(attributed);
    EXPECT_EQ(second.ReadNextTag(), "panel x");
    EXPECT_EQ(second.ReadInnerText(), "a</panel>b");
    EXPECT_FALSE(second.WasClosed());
}

TEST(ElementDefinition, TypeAndPairsInDocumentOrder)
{
    CTevElementDefinition element =
        ReadElement("junk<type>a</type><name>n</name><x>1</x><x>2</x><type>b</type><value><name>v</name></value>");
    EXPECT_EQ(element.type, "b");
    ASSERT_EQ(element.pairs.size(), 4u);
    auto it = element.pairs.begin();
    EXPECT_EQ(*it++, CTevPair("name", "n"));
    EXPECT_EQ(*it++, CTevPair("x", "1"));
    EXPECT_EQ(*it++, CTevPair("x", "2"));
    EXPECT_EQ(*it++, CTevPair("value", "<name>v</name>"));

    std::string text;
    EXPECT_TRUE(element.TakeValue("x", text));
    EXPECT_EQ(text, "1");
    EXPECT_FALSE(element.TakeValue("missing", text));
    EXPECT_EQ(element.pairs.size(), 3u);
}

TEST(ElementDefinition, LeftoverReportFormat)
{
    CTevElementDefinition element = ReadElement("<a>1</a><b>2</b>");
    CTevTextOutStringStream out;
    EXPECT_TRUE(element.ReportLeftovers(out, "Midi %s unknown tags. : ", "port"));
    EXPECT_EQ(out.str(), "Midi port unknown tags. : a, b, \n");

    CTevElementDefinition empty;
    CTevTextOutStringStream none;
    EXPECT_FALSE(empty.ReportLeftovers(none, "Midi %s unknown tags. : ", "port"));
    EXPECT_EQ(none.str(), "");
}

TEST(TypeDefinition, SortsChildrenAndMembersOfBothFamilies)
{
    CTevTypeDefinition type;
    EXPECT_TRUE(type.Read("<type>t</type><struct><type>s</type></struct><value><name>v</name></value>"
                          "<panel><type>p</type></panel><control><name>c</name></control><size>02</size>"));
    EXPECT_EQ(type.type, "t");
    ASSERT_EQ(type.children.size(), 2u);
    EXPECT_EQ(type.children[0].type, "s");
    EXPECT_EQ(type.children[1].type, "p");
    ASSERT_EQ(type.members.size(), 2u);
    EXPECT_EQ(type.members[1].pairs.front(), CTevPair("name", "c"));
    ASSERT_EQ(type.pairs.size(), 1u);
    EXPECT_EQ(type.pairs.front(), CTevPair("size", "02"));

    CTevTypeDefinitions types;
    types.push_back(std::make_unique<CTevTypeDefinition>(type));
    CTevElementDefinition wanted;
    wanted.type = "t";
    EXPECT_EQ(FindTypeDefinition(types, wanted), types[0].get());
    wanted.type = "t ";
    EXPECT_EQ(FindTypeDefinition(types, wanted), nullptr);
    EXPECT_EQ(FindTypeDefinition({}, wanted), nullptr);
}

TEST(Macros, FirstMatchingNameInListOrderWins)
{
    CTevPairList macros = {{"a", "1"}, {"ab", "2"}};
    CTevElementDefinition element;
    element.pairs = {{"x", "$ab"}, {"y", "$a$a-$"}, {"z", "no macro"}};
    EXPECT_TRUE(ResolveMacros(macros, element));
    auto it = element.pairs.begin();
    EXPECT_EQ((it++)->second, "1b");
    EXPECT_EQ((it++)->second, "11-$");
    EXPECT_EQ((it++)->second, "no macro");
}

TEST(Macros, InsertedValuesAreNotScannedAgain)
{
    CTevPairList macros = {{"m", "$m"}};
    CTevElementDefinition element;
    element.pairs = {{"x", "$m$m"}};
    EXPECT_TRUE(ResolveMacros(macros, element));
    EXPECT_EQ(element.pairs.front().second, "$m$m");
}

TEST(Macros, UnmatchedDollarBeforeAnyReplacementFails)
{
    CTevPairList macros = {{"addr", "10 00"}};
    CTevElementDefinition element;
    element.pairs = {{"a", "$addr"}, {"b", "x$other$addr"}, {"c", "$addr"}};
    EXPECT_FALSE(ResolveMacros(macros, element));
    auto it = element.pairs.begin();
    EXPECT_EQ((it++)->second, "10 00");        // done before the failure
    EXPECT_EQ((it++)->second, "x$other$addr"); // the failing pair is unchanged
    EXPECT_EQ((it++)->second, "$addr");        // not reached

    // A macro name longer than the rest of the text does not match.
    CTevElementDefinition shortText;
    shortText.pairs = {{"a", "$add"}};
    EXPECT_FALSE(ResolveMacros(macros, shortText));
}

TEST_F(ScriptReading, SortsElementsIntoTheSections)
{
    EXPECT_TRUE(Read("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<script>\n"
                     "<!-- a comment -->\n"
                     "<structType><type>T</type><value><name>v</name></value></structType>\n"
                     "stray text\n"
                     "<struct><type>T</type><name>ms</name></struct>\n"
                     "<midiStruct><type>M</type></midiStruct>\n"
                     "<midiIn><type>I</type></midiIn><midiOut><type>O</type></midiOut>\n"
                     "<panelType><type>PT</type><control><type>knob</type></control></panelType>\n"
                     "<panel><type>PT</type><panel><type>inner</type></panel></panel>\n"
                     "<bitmap><name>b</name></bitmap><textWriter><name>w</name></textWriter>\n"
                     "<stringTable><name>s</name></stringTable><numberTable><name>n</name></numberTable>\n"
                     "</script>\n"));
    EXPECT_EQ(Errors(), "");
    ASSERT_EQ(manager.m_structTypeDefinitions.size(), 1u);
    EXPECT_EQ(manager.m_structTypeDefinitions[0]->members.size(), 1u);
    ASSERT_EQ(manager.m_rootStructDefinitions.size(), 1u);
    EXPECT_EQ(manager.m_rootStructDefinitions[0]->pairs.front(), CTevPair("name", "ms"));
    EXPECT_EQ(manager.m_midiStructDefinitions.size(), 1u);
    EXPECT_EQ(manager.m_midiManager.m_inputPortDefinitions.size(), 1u);
    EXPECT_EQ(manager.m_midiManager.m_outputPortDefinitions.size(), 1u);
    EXPECT_EQ(manager.m_viewManager.m_panelTypeDefinitions.size(), 1u);
    ASSERT_EQ(manager.m_viewManager.m_rootPanelDefinitions.size(), 1u);
    EXPECT_EQ(manager.m_viewManager.m_rootPanelDefinitions[0]->pairs.front(),
              CTevPair("panel", "<type>inner</type>"));
    EXPECT_EQ(manager.m_resourceManager.m_bitmapDefinitions.size(), 1u);
    EXPECT_EQ(manager.m_resourceManager.m_textWriterDefinitions.size(), 1u);
    EXPECT_EQ(manager.m_resourceManager.m_stringTableDefinitions.size(), 1u);
    EXPECT_EQ(manager.m_resourceManager.m_numberTableDefinitions.size(), 1u);
}

TEST_F(ScriptReading, UnknownTopLevelTagsFailAndKeepWhatWasRead)
{
    EXPECT_FALSE(Read("<struct><type>A</type></struct><script x><struct><type>B</type></struct>"));
    EXPECT_EQ(Errors(), "Unknown tag. : script x\n");
    ASSERT_EQ(manager.m_rootStructDefinitions.size(), 1u);
    EXPECT_EQ(manager.m_rootStructDefinitions[0]->type, "A");
}

TEST_F(ScriptReading, OnlyTheExactDeclarationIsIgnored)
{
    EXPECT_FALSE(Read("<?xml version=\"1.0\"?><script></script>"));
    EXPECT_EQ(Errors(), "Unknown tag. : ?xml version=\"1.0\"?\n");
}

TEST_F(ScriptReading, StrayClosingTagFails)
{
    EXPECT_FALSE(Read("<script></struct></script>"));
    EXPECT_EQ(Errors(), "Unknown tag. : /struct\n");
}

TEST_F(ScriptReading, MissingClosingTagIsAFailureNotASwallowedScript)
{
    EXPECT_FALSE(Read("<script><struct><type>A</type><name>x</name>\n<panel><type>P</type></panel></script>"));
    EXPECT_EQ(Errors(), "Unable to read root struct A.\n");
    EXPECT_TRUE(manager.m_rootStructDefinitions.empty());
    EXPECT_TRUE(manager.m_viewManager.m_rootPanelDefinitions.empty());
}

TEST_F(ScriptReading, EmptyTagDoesNotSilentlyDropTheRest)
{
    EXPECT_FALSE(Read("<struct><type>A</type></struct><><struct><type>B</type></struct>"));
    EXPECT_EQ(Errors(), "Unknown tag. : \n");
    EXPECT_EQ(manager.m_rootStructDefinitions.size(), 1u);
}

TEST_F(ScriptReading, EmptyInputAndMissingReporterAreFine)
{
    EXPECT_TRUE(Read(""));
    EXPECT_TRUE(Read("just text, no tags"));
    manager.SetErrorOut(nullptr);
    errors = nullptr;
    std::istringstream stream("<bogus>");
    EXPECT_FALSE(manager.ReadScript(stream));
}
