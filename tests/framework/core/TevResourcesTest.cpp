#include "core/TevManager.h"
#include "core/TevResources.h"
#include "core/TevTextOut.h"
#include "support/FakeResources.h"
#include "support/MemoryArchive.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Cell = CFakeStateBitmap::CCell;
using Attributes = CTevTextWriter::CAttributes;

// The paint context is a view interface; the fakes only record its address,
// so any storage stands in for one.
alignas(std::max_align_t) unsigned char g_drawInfoStorage[64];
CTevDrawInfo& DrawInfo() { return *reinterpret_cast<CTevDrawInfo*>(g_drawInfoStorage); }

CTevElementDefinition Definition(std::initializer_list<CTevPair> pairs)
{
    CTevElementDefinition definition;
    definition.pairs.assign(pairs);
    return definition;
}

// Runs against the manager's resource manager (a process-wide singleton)
// with a fake factory and a collecting error sink; every test leaves it
// empty again.
class Resources : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_previousErrors = Manager().GetErrorOut();
        Install();
    }
    void TearDown() override
    {
        Manager().Destroy();
        Manager().SetErrorOut(m_previousErrors);
    }

    static CTevResourceManager& Manager() { return CTevManager::Instance().m_resourceManager; }

    void Install()
    {
        auto factory = std::make_unique<CFakeResourceFactory>();
        m_factory = factory.get();
        m_factory->deleted = &m_factoryDeleted;
        m_factoryDeleted = false;
        Manager().SetFactory(std::move(factory));
        Manager().SetErrorOut(&m_errors);
    }
    // Empties the resource manager and installs a fresh factory and sink.
    void Reset()
    {
        Manager().Destroy();
        m_errors.str("");
        Install();
    }

    static bool Read(const std::string& script)
    {
        std::istringstream stream(script);
        return CTevManager::Instance().ReadScript(stream);
    }
    bool Load(const std::string& script)
    {
        EXPECT_TRUE(Read(script)) << script;
        return Manager().Create();
    }
    std::string Errors() const { return m_errors.str(); }

    CFakeStateBitmap* Bitmap(const std::string& name) const
    {
        return static_cast<CFakeStateBitmap*>(Manager().m_bitmaps.FindByName(name));
    }
    CFakeTextWriter* Writer(const std::string& name) const
    {
        return static_cast<CFakeTextWriter*>(Manager().m_textWriters.FindByName(name));
    }

    CTevTextOutStringStream m_errors;
    CFakeResourceFactory* m_factory = nullptr;
    bool m_factoryDeleted = false;

private:
    CTevTextOut* m_previousErrors = nullptr;
};

// --- State bitmaps ---------------------------------------------------------

TEST_F(Resources, VerticalMaskBitmapCellsAndClampedStates)
{
    m_factory->bitmapImageSize = {40, 300};
    ASSERT_TRUE(Load("<bitmap><name>knob</name><stateCount>3</stateCount><mask>1</mask></bitmap>")) << Errors();
    CFakeStateBitmap* knob = Bitmap("knob");
    ASSERT_NE(knob, nullptr);
    EXPECT_TRUE(knob->loadedNames.empty()) << "reading must not load the image";

    ASSERT_TRUE(knob->Acquire());
    EXPECT_EQ(knob->loadedNames, std::vector<std::string>{"knob"});
    EXPECT_EQ(knob->GetCellSize(), (CTevPoint{20, 100}));

    knob->DrawState(DrawInfo(), {5, 6}, 2);
    // Out-of-range states draw the nearest existing cell.
    knob->DrawState(DrawInfo(), {5, 6}, 7);
    knob->DrawState(DrawInfo(), {0, 0}, -1);
    const std::vector<Cell> expected = {
        {&DrawInfo(), {5, 6}, {20, 100}, 0, 200, 20, 200},
        {&DrawInfo(), {5, 6}, {20, 100}, 0, 200, 20, 200},
        {&DrawInfo(), {0, 0}, {20, 100}, 0, 0, 20, 0},
    };
    EXPECT_EQ(knob->cells, expected);
}

TEST_F(Resources, HorizontalBitmapCells)
{
    m_factory->bitmapImageSize = {80, 20};
    ASSERT_TRUE(Load("<bitmap><name>plain</name><stateCount>4</stateCount><direction>1</direction><mask>0</mask></bitmap>"
                     "<bitmap><name>masked</name><stateCount>4</stateCount><direction>1</direction><mask>1</mask></bitmap>"
                     "<bitmap><name>vertical</name><stateCount>4</stateCount></bitmap>"))
        << Errors();
    CFakeStateBitmap* plain = Bitmap("plain");
    CFakeStateBitmap* masked = Bitmap("masked");
    CFakeStateBitmap* vertical = Bitmap("vertical");
    ASSERT_TRUE(plain && masked && vertical);
    ASSERT_TRUE(plain->Acquire() && masked->Acquire() && vertical->Acquire());

    EXPECT_EQ(plain->GetCellSize(), (CTevPoint{20, 20}));
    plain->DrawState(DrawInfo(), {1, 2}, 3);
    EXPECT_EQ(plain->cells, (std::vector<Cell>{{&DrawInfo(), {1, 2}, {20, 20}, 60, 0, 0, 0}}));

    EXPECT_EQ(masked->GetCellSize(), (CTevPoint{20, 10}));
    masked->DrawState(DrawInfo(), {1, 2}, 1);
    EXPECT_EQ(masked->cells, (std::vector<Cell>{{&DrawInfo(), {1, 2}, {20, 10}, 20, 0, 20, 10}}));

    EXPECT_EQ(vertical->GetCellSize(), (CTevPoint{80, 5}));
    vertical->DrawState(DrawInfo(), {0, 0}, 3);
    EXPECT_EQ(vertical->cells, (std::vector<Cell>{{&DrawInfo(), {0, 0}, {80, 5}, 0, 15, 0, 0}}));
}

TEST_F(Resources, AcquireAndReleaseCountHolders)
{
    CFakeStateBitmap bitmap;
    bitmap.SetName("b");
    bitmap.imageSize = {10, 10};
    ASSERT_TRUE(bitmap.Acquire());
    ASSERT_TRUE(bitmap.Acquire());
    EXPECT_EQ(bitmap.loadedNames.size(), 1u);
    EXPECT_EQ(bitmap.GetReferenceCount(), 2);

    bitmap.Release();
    EXPECT_TRUE(bitmap.loaded);
    EXPECT_EQ(bitmap.unloadCount, 0);
    bitmap.Release();
    EXPECT_FALSE(bitmap.loaded);
    EXPECT_EQ(bitmap.unloadCount, 1);
    bitmap.Release();
    EXPECT_EQ(bitmap.unloadCount, 1);
    EXPECT_EQ(bitmap.GetReferenceCount(), 0);

    // A failed load holds nothing, so a later Release must not unload.
    bitmap.failLoad = true;
    EXPECT_FALSE(bitmap.Acquire());
    EXPECT_EQ(bitmap.GetReferenceCount(), 0);
    bitmap.Release();
    EXPECT_EQ(bitmap.unloadCount, 1);
    // The next Acquire tries to load again.
    bitmap.failLoad = false;
    EXPECT_TRUE(bitmap.Acquire());
    EXPECT_EQ(bitmap.loadedNames.size(), 3u);
}

TEST_F(Resources, BitmapDefinitionValuesAndMessages)
{
    CFakeStateBitmap bitmap;
    CTevElementDefinition good = Definition({{"name", "first"}, {"stateCount", " 0x3"}, {"other", "x"},
                                             {"direction", "1"}, {"mask", "1"}, {"name", "knob"}});
    ASSERT_TRUE(bitmap.ReadDefinition(good));
    EXPECT_EQ(bitmap.GetName(), "knob");
    EXPECT_EQ(bitmap.GetStateCount(), 3);
    EXPECT_TRUE(bitmap.IsHorizontal());
    EXPECT_TRUE(bitmap.HasMask());
    EXPECT_EQ(good.pairs, (CTevPairList{{"other", "x"}}));
    EXPECT_EQ(Errors(), "");

    const struct {
        CTevPair pair;
        const char* message;
    } cases[] = {
        {{"stateCount", "x"}, "Bitmap b state count is invalid. : x\n"},
        {{"stateCount", "0"}, "Bitmap b state count must be greater than 0.\n"},
        {{"stateCount", "-2"}, "Bitmap b state count must be greater than 0.\n"},
        {{"direction", "up"}, "Bitmap b direction is invalid : up\n"},
        {{"direction", "2"}, "Bitmap b direction must be 0 (vertical) or 1 (horizontal).\n"},
        {{"mask", "m"}, "Bitmap b maskColor is invalid. : m\n"},
        {{"mask", "-1"}, "Bitmap b mask must be 0 (do not use) or 1 (use).\n"},
    };
    for (const auto& c : cases) {
        m_errors.str("");
        CFakeStateBitmap failing;
        CTevElementDefinition definition = Definition({{"name", "b"}, c.pair});
        EXPECT_FALSE(failing.ReadDefinition(definition)) << c.message;
        EXPECT_EQ(Errors(), c.message);
    }
}

// --- Text writers -----------------------------------------------------------

TEST_F(Resources, TextWriterAttributes)
{
    ASSERT_TRUE(Load("<textWriter><name>center</name><textAlignment>CENTER</textAlignment></textWriter>"
                     "<textWriter><name>plain</name></textWriter>"
                     "<textWriter><name>full</name><fontFaceName>  Arial Narrow\n</fontFaceName>"
                     "<fontHeight>0x10</fontHeight><fontColor>65280,-256,1</fontColor>"
                     "<backgroundColor>1,2,3</backgroundColor><verticalFont> TRUE </verticalFont>"
                     "<textAlignmentHorizontal>right</textAlignmentHorizontal>"
                     "<textAlignmentVertical>Bottom</textAlignmentVertical>"
                     "<backgroundMode>Transparent</backgroundMode></textWriter>"))
        << Errors();

    Attributes centered;
    centered.horizontalAlignment = CTevTextWriter::kAlignCenter;
    ASSERT_NE(Writer("center"), nullptr);
    EXPECT_EQ(Writer("center")->createdFonts, std::vector<Attributes>{centered});

    // No attributes: the new record's values.
    Attributes defaults;
    EXPECT_EQ(defaults.fontHeight, 10);
    EXPECT_EQ(defaults.backgroundColor, (CTevColor{0xFF00, 0xFF00, 0xFF00}));
    EXPECT_EQ(defaults.verticalAlignment, CTevTextWriter::kAlignMiddle);
    EXPECT_EQ(Writer("plain")->createdFonts, std::vector<Attributes>{defaults});

    Attributes full;
    full.fontFaceName = "Arial Narrow";
    full.fontHeight = 16;
    full.fontColor = {0xFF00, 0xFF00, 1};
    full.backgroundColor = {1, 2, 3};
    full.verticalFont = true;
    full.horizontalAlignment = CTevTextWriter::kAlignRight;
    full.verticalAlignment = CTevTextWriter::kAlignBottom;
    full.backgroundMode = CTevTextWriter::kTransparent;
    EXPECT_EQ(Writer("full")->createdFonts, std::vector<Attributes>{full});
}

TEST_F(Resources, TextWriterMessages)
{
    const struct {
        CTevPair pair;
        const char* message;
    } cases[] = {
        {{"fontHeight", "big"}, "TextWriter w fontHeight is invalid. : big\n"},
        {{"fontColor", "1,2"}, "TextWriter w fontColor is invalid. : 1,2\n"},
        {{"backgroundColor", "red"}, "TextWriter w backgroundColor is invalid. : red\n"},
        {{"verticalFont", "yes"}, "TextWriter w verticalFont is invalid. : yes\n"},
        {{"textAlignment", "middle"}, "TextWriter w textAlignmentHorizontal is invalid. : middle\n"},
        {{"textAlignmentHorizontal", ""}, "TextWriter w textAlignmentHorizontal is invalid. : \n"},
        {{"textAlignmentVertical", "left"}, "TextWriter w textAlignmentVertical is invalid. : left\n"},
        {{"backgroundMode", "clear"}, "TextWriter w backgroundMode is invalid. : clear\n"},
    };
    for (const auto& c : cases) {
        m_errors.str("");
        CFakeTextWriter writer;
        CTevElementDefinition definition = Definition({{"name", "w"}, c.pair});
        EXPECT_FALSE(writer.ReadDefinition(definition)) << c.message;
        EXPECT_EQ(Errors(), c.message);
        EXPECT_TRUE(writer.createdFonts.empty());
    }

    // A blank face name is reported but not fatal.
    m_errors.str("");
    CFakeTextWriter blankFace;
    CTevElementDefinition definition = Definition({{"name", "w"}, {"fontFaceName", " \t\n"}, {"keep", "1"}});
    EXPECT_TRUE(blankFace.ReadDefinition(definition));
    EXPECT_EQ(Errors(), "TextWriter w fontFaceName is invalid. :  \t\n\n");
    ASSERT_EQ(blankFace.createdFonts.size(), 1u);
    EXPECT_EQ(blankFace.createdFonts[0].fontFaceName, "");
    EXPECT_EQ(definition.pairs, (CTevPairList{{"keep", "1"}}));

    // The font's creation decides the result.
    CFakeTextWriter noFont;
    noFont.failCreateFont = true;
    CTevElementDefinition empty = Definition({{"name", "w"}});
    EXPECT_FALSE(noFont.ReadDefinition(empty));
}

// --- Tables ----------------------------------------------------------------

TEST_F(Resources, StringTableSplittingAndEntities)
{
    CTevStringTable table;
    CTevElementDefinition definition =
        Definition({{"name", "s"}, {"table", "a\\cb , c\\sd ,, \\\\e"}, {"other", "1"},
                    {"table", "&amp;lt;x&gt;, &quot;q&apos;, &amp;amp;, &amp;quot;"}});
    ASSERT_TRUE(table.ReadDefinition(definition));
    EXPECT_EQ(table.GetEntries(), (std::vector<std::string>{"a,b", "c d", "\\e", "<x>", "\"q'", "&amp;", "&quot;"}));
    EXPECT_EQ(definition.pairs, (CTevPairList{{"other", "1"}}));

    EXPECT_EQ(table.GetCount(), 7);
    EXPECT_EQ(table.GetAt(1), "c d");
    EXPECT_EQ(table.GetAt(-1), "");
    EXPECT_EQ(table.GetAt(7), "");
    EXPECT_EQ(table.IndexOf("<x>"), 3);
    EXPECT_EQ(table.IndexOf("absent"), 7);

    CTevStringTable empty;
    CTevElementDefinition blank = Definition({{"name", "e"}, {"table", " , \t,"}});
    EXPECT_FALSE(empty.ReadDefinition(blank));
    EXPECT_EQ(Errors(), "String table e has no element.\n");
}

TEST_F(Resources, StringTableNearestIndex)
{
    CTevStringTable table;
    CTevElementDefinition definition = Definition({{"table", "1 ms, 5 ms, 10 ms, 200 ms"}});
    ASSERT_TRUE(table.ReadDefinition(definition));
    EXPECT_EQ(table.FindNearestIndex("7"), 1);
    EXPECT_EQ(table.FindNearestIndex("5"), 1);
    EXPECT_EQ(table.FindNearestIndex("0.5"), 0);
    EXPECT_EQ(table.FindNearestIndex("-3"), 0);
    EXPECT_EQ(table.FindNearestIndex("10 ms"), 2);
    EXPECT_EQ(table.FindNearestIndex("9999"), 3);
    EXPECT_EQ(table.FindNearestIndex("none"), 0);
    EXPECT_EQ(CTevStringTable().FindNearestIndex("3"), 0);
}

TEST_F(Resources, NumberTables)
{
    CTevIntegerTable table;
    CTevElementDefinition definition = Definition({{"name", "n"}, {"table", "1,0x10,-3"}, {"table", " 010 , 7kHz"}});
    ASSERT_TRUE(table.ReadDefinition(definition));
    EXPECT_EQ(table.GetEntries(), (std::vector<int32_t>{1, 16, -3, 8, 7}));
    EXPECT_TRUE(definition.pairs.empty());
    EXPECT_EQ(table.GetAt(5), 0);
    EXPECT_EQ(table.GetAt(-1), 0);
    EXPECT_EQ(table.IndexOf(-3), 2);
    EXPECT_EQ(table.IndexOf(99), 5);

    const std::string longText = "1," + std::string(450, 'a');
    for (const std::string& text : {std::string("1,,2"), std::string("1,2,"), std::string("x"), std::string(""), longText}) {
        m_errors.str("");
        CTevIntegerTable failing;
        CTevElementDefinition bad = Definition({{"name", "n"}, {"table", text}});
        EXPECT_FALSE(failing.ReadDefinition(bad)) << text;
        EXPECT_EQ(Errors(), "Number table has invalid element. : " + text.substr(0, 400) + "\n");
        EXPECT_TRUE(failing.GetEntries().empty()) << "a failing pair appends nothing";
    }

    m_errors.str("");
    CTevIntegerTable empty;
    CTevElementDefinition none = Definition({{"name", "n"}});
    EXPECT_FALSE(empty.ReadDefinition(none));
    EXPECT_EQ(Errors(), "Number table n has no element.\n");
}

TEST_F(Resources, TableDefinitionRoundTrips)
{
    CTevStringTable strings;
    CTevElementDefinition read =
        Definition({{"name", "s"}, {"table", "a\\cb, c d, \\\\e, &quot;&lt;&amp;&gt;&apos;, x\\sy"}});
    ASSERT_TRUE(strings.ReadDefinition(read));
    ASSERT_EQ(strings.GetEntries(), (std::vector<std::string>{"a,b", "c d", "\\e", "\"<&>'", "x y"}));

    CTevElementDefinition written;
    ASSERT_TRUE(strings.WriteDefinition(written));
    EXPECT_EQ(written.pairs,
              (CTevPairList{{"name", "s"}, {"table", "a\\cb, c d, \\\\e, &quot;&lt;&amp;&gt;&apos;, x y"}}));
    CTevStringTable again;
    ASSERT_TRUE(again.ReadDefinition(written));
    EXPECT_EQ(again.GetName(), "s");
    EXPECT_EQ(again.GetEntries(), strings.GetEntries());

    CTevIntegerTable numbers;
    CTevElementDefinition readNumbers = Definition({{"name", "n"}, {"table", "1, 0x10, -3, 2147483647"}});
    ASSERT_TRUE(numbers.ReadDefinition(readNumbers));
    CTevElementDefinition writtenNumbers;
    ASSERT_TRUE(numbers.WriteDefinition(writtenNumbers));
    EXPECT_EQ(writtenNumbers.pairs, (CTevPairList{{"name", "n"}, {"table", "1,16,-3,2147483647"}}));
    CTevIntegerTable numbersAgain;
    ASSERT_TRUE(numbersAgain.ReadDefinition(writtenNumbers));
    EXPECT_EQ(numbersAgain.GetEntries(), numbers.GetEntries());
}

// --- Serialising -----------------------------------------------------------

TEST_F(Resources, SerializeRoundTrips)
{
    // A held bitmap is loaded again when the references are read.
    CFakeStateBitmap bitmap;
    CTevElementDefinition bitmapDefinition =
        Definition({{"name", "knob"}, {"stateCount", "3"}, {"direction", "1"}, {"mask", "1"}});
    ASSERT_TRUE(bitmap.ReadDefinition(bitmapDefinition));
    bitmap.imageSize = {60, 40};
    ASSERT_TRUE(bitmap.Acquire());
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(TevSaveGraph([&](CTevArchive& archive) { return bitmap.Serialize(archive); }, bytes));

    CFakeStateBitmap loaded;
    ASSERT_TRUE(TevLoadGraph([&](CTevArchive& archive) { return loaded.Serialize(archive); }, bytes));
    EXPECT_EQ(loaded.GetName(), "knob");
    EXPECT_EQ(loaded.GetStateCount(), 3);
    EXPECT_EQ(loaded.GetCellSize(), (CTevPoint{20, 20}));
    EXPECT_TRUE(loaded.IsHorizontal());
    EXPECT_TRUE(loaded.HasMask());
    EXPECT_EQ(loaded.GetReferenceCount(), 1);
    EXPECT_EQ(loaded.loadedNames, std::vector<std::string>{"knob"});

    CFakeStateBitmap unloadable;
    unloadable.failLoad = true;
    EXPECT_FALSE(TevLoadGraph([&](CTevArchive& archive) { return unloadable.Serialize(archive); }, bytes));

    // A state count of 0 (right after the name) is refused.
    std::vector<uint8_t> corrupt = bytes;
    const size_t stateCountAt = 4 + 4; // name length, "knob"
    corrupt[stateCountAt + 3] = 0;
    CFakeStateBitmap refused;
    EXPECT_FALSE(TevLoadGraph([&](CTevArchive& archive) { return refused.Serialize(archive); }, corrupt));
    EXPECT_EQ(refused.GetStateCount(), 1);

    // A text writer stores the attributes of its font and makes the font
    // again when read.
    CFakeTextWriter writer;
    CTevElementDefinition writerDefinition =
        Definition({{"name", "label"}, {"fontFaceName", "Tahoma"}, {"fontHeight", "12"}, {"fontColor", "1,2,3"},
                    {"verticalFont", "true"}, {"textAlignmentVertical", "top"}, {"backgroundMode", "transparent"}});
    ASSERT_TRUE(writer.ReadDefinition(writerDefinition));
    ASSERT_TRUE(TevSaveGraph([&](CTevArchive& archive) { return writer.Serialize(archive); }, bytes));
    CFakeTextWriter writerLoaded;
    ASSERT_TRUE(TevLoadGraph([&](CTevArchive& archive) { return writerLoaded.Serialize(archive); }, bytes));
    EXPECT_EQ(writerLoaded.GetName(), "label");
    EXPECT_EQ(writerLoaded.createdFonts, std::vector<Attributes>{writer.attributes});

    CFakeTextWriter fontless;
    EXPECT_FALSE(TevSaveGraph([&](CTevArchive& archive) { return fontless.Serialize(archive); }, bytes));

    // Tables.
    CTevStringTable strings;
    CTevElementDefinition stringDefinition = Definition({{"name", "s"}, {"table", "one, two, three"}});
    ASSERT_TRUE(strings.ReadDefinition(stringDefinition));
    ASSERT_TRUE(TevSaveGraph([&](CTevArchive& archive) { return strings.Serialize(archive); }, bytes));
    CTevStringTable stringsLoaded;
    ASSERT_TRUE(TevLoadGraph([&](CTevArchive& archive) { return stringsLoaded.Serialize(archive); }, bytes));
    EXPECT_EQ(stringsLoaded.GetName(), "s");
    EXPECT_EQ(stringsLoaded.GetEntries(), strings.GetEntries());

    CTevIntegerTable numbers;
    CTevElementDefinition numberDefinition = Definition({{"name", "n"}, {"table", "5,-6,0x7FFFFFFF"}});
    ASSERT_TRUE(numbers.ReadDefinition(numberDefinition));
    ASSERT_TRUE(TevSaveGraph([&](CTevArchive& archive) { return numbers.Serialize(archive); }, bytes));
    CTevIntegerTable numbersLoaded;
    ASSERT_TRUE(TevLoadGraph([&](CTevArchive& archive) { return numbersLoaded.Serialize(archive); }, bytes));
    EXPECT_EQ(numbersLoaded.GetEntries(), numbers.GetEntries());

    // Views refer to resources by pointer, so a resource registers itself.
    CMemoryArchive archive(CTevArchive::kWriteValues);
    ASSERT_TRUE(numbers.Serialize(archive));
    EXPECT_EQ(archive.IndexOf(&numbers), 0);
}

// --- The resource section ----------------------------------------------------

TEST_F(Resources, SectionConvertsEveryKind)
{
    m_factory->bitmapImageSize = {10, 20};
    ASSERT_TRUE(Load("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><script>"
                     "<numberTable><name>n</name><table>1,2</table></numberTable>"
                     "<bitmap><name>b</name></bitmap>"
                     "<stringTable><name>s</name><table>x, y</table></stringTable>"
                     "<textWriter><name>w</name><fontHeight>8</fontHeight></textWriter>"
                     "<bitmap><name>c</name><stateCount>2</stateCount></bitmap>"
                     "</script>"))
        << Errors();
    EXPECT_EQ(Errors(), "");
    EXPECT_EQ(Manager().m_bitmaps.GetCount(), 2u);
    EXPECT_NE(Bitmap("b"), nullptr);
    EXPECT_NE(Bitmap("c"), nullptr);
    EXPECT_NE(Writer("w"), nullptr);
    ASSERT_NE(Manager().m_stringTables.FindByName("s"), nullptr);
    EXPECT_EQ(Manager().m_stringTables.FindByName("s")->GetAt(1), "y");
    ASSERT_NE(Manager().m_numberTables.FindByName("n"), nullptr);
    EXPECT_EQ(Manager().m_numberTables.FindByName("n")->GetAt(1), 2);
    EXPECT_EQ(Manager().m_bitmaps.FindByName("x"), nullptr);
    EXPECT_TRUE(Manager().m_bitmapDefinitions.empty());
    EXPECT_TRUE(Manager().m_textWriterDefinitions.empty());
    EXPECT_TRUE(Manager().m_stringTableDefinitions.empty());
    EXPECT_TRUE(Manager().m_numberTableDefinitions.empty());
    EXPECT_EQ(GetResourceErrorOut(), &m_errors);

    Manager().Destroy();
    EXPECT_TRUE(m_factoryDeleted);
    EXPECT_EQ(Manager().GetFactory(), nullptr);
    EXPECT_EQ(Manager().GetErrorOut(), nullptr);
    EXPECT_EQ(Manager().m_bitmaps.GetCount() + Manager().m_textWriters.GetCount() +
                  Manager().m_stringTables.GetCount() + Manager().m_numberTables.GetCount(),
              0u);
    EXPECT_EQ(Manager().CreateGraphDrawer(), nullptr);
}

TEST_F(Resources, SectionMessages)
{
    const struct {
        const char* script;
        const char* errors;
    } cases[] = {
        {"<bitmap><type>T</type><name>b</name><stateCount>0</stateCount></bitmap>",
         "Bitmap b state count must be greater than 0.\nUnable to convert bitmap definition T to bitmap.\n"},
        {"<bitmap><name>b</name><colour>1</colour><stateCount>2</stateCount><size>2</size></bitmap>",
         "Bitmap b unknown tags. : colour, size, \n"},
        {"<bitmap><name>knob</name></bitmap><bitmap><name>knob</name><stateCount>2</stateCount></bitmap>",
         "Bitmap knob is duplicated.\n"},
        {"<textWriter><type>T</type><name>w</name><fontHeight>big</fontHeight></textWriter>",
         "TextWriter w fontHeight is invalid. : big\nUnable to convert element definitions T to text writer.\n"},
        {"<textWriter><name>w</name><font>x</font></textWriter>", "Text Writer w unknown tags. : font, \n"},
        {"<textWriter><name>w</name></textWriter><textWriter><name>w</name></textWriter>",
         "Text writer w is duplicated.\n"},
        {"<stringTable><type>T</type><name>s</name></stringTable>",
         "String table s has no element.\nUnable to convert element definitions T to string table.\n"},
        {"<stringTable><name>s</name><table>a</table><x>1</x></stringTable>", "String Table s unknown tags. : x, \n"},
        {"<stringTable><name>s</name><table>a</table></stringTable><stringTable><name>s</name><table>b</table></stringTable>",
         "String table s is duplicated.\n"},
        {"<numberTable><type>T</type><name>n</name><table>1,,2</table></numberTable>",
         "Number table has invalid element. : 1,,2\nUnable to convert element definitions T to integer table.\n"},
        {"<numberTable><name>n</name><table>1</table><x>1</x></numberTable>", "Integer Table n unknown tags. : x, \n"},
        {"<numberTable><name>n</name><table>1</table></numberTable><numberTable><name>n</name><table>2</table></numberTable>",
         "Integer table n is duplicated.\n"},
    };
    for (const auto& c : cases) {
        Reset();
        EXPECT_FALSE(Load(c.script)) << c.script;
        EXPECT_EQ(Errors(), c.errors) << c.script;
    }

    // The first one of a duplicated name stays; the definitions stay
    // unconverted.
    Reset();
    EXPECT_FALSE(Load("<bitmap><name>knob</name><stateCount>3</stateCount></bitmap>"
                      "<bitmap><name>knob</name><stateCount>2</stateCount></bitmap>"));
    ASSERT_NE(Bitmap("knob"), nullptr);
    EXPECT_EQ(Bitmap("knob")->GetStateCount(), 3);
    EXPECT_EQ(Manager().m_bitmapDefinitions.size(), 2u);
}

TEST_F(Resources, SectionStopsAtTheFirstFailure)
{
    EXPECT_FALSE(Load("<textWriter><name>w</name></textWriter>"
                      "<stringTable><name>s</name><table>a</table></stringTable>"
                      "<bitmap><name>b</name><mask>2</mask></bitmap>"
                      "<bitmap><name>c</name></bitmap>"));
    EXPECT_EQ(Errors(), "Bitmap b mask must be 0 (do not use) or 1 (use).\n"
                        "Unable to convert bitmap definition  to bitmap.\n");
    EXPECT_EQ(m_factory->bitmapsCreated, 1);
    EXPECT_EQ(m_factory->textWritersCreated, 0);
    EXPECT_EQ(Manager().m_stringTables.GetCount(), 0u);
    EXPECT_EQ(Manager().m_textWriterDefinitions.size(), 1u);
}

TEST_F(Resources, SectionWithoutFactory)
{
    Manager().SetFactory(nullptr);
    EXPECT_FALSE(Load("<bitmap><type>T</type><name>b</name></bitmap>"));
    EXPECT_EQ(Errors(), "There is no resource factory.\nUnable to convert bitmap definition T to bitmap.\n");

    Reset();
    Manager().SetFactory(nullptr);
    EXPECT_FALSE(Load("<textWriter><type>T</type><name>w</name></textWriter>"));
    EXPECT_EQ(Errors(), "There is no resource factory.\nUnable to convert element definitions T to text writer.\n");
    EXPECT_EQ(Manager().CreateGraphDrawer(), nullptr);

    // Tables need no factory.
    Reset();
    Manager().SetFactory(nullptr);
    EXPECT_TRUE(Load("<stringTable><name>s</name><table>a</table></stringTable>"
                     "<numberTable><name>n</name><table>1</table></numberTable>"));
    EXPECT_EQ(Errors(), "");

    // A factory that makes nothing.
    Reset();
    m_factory->createNothing = true;
    EXPECT_FALSE(Load("<bitmap><type>T</type><name>b</name></bitmap>"));
    EXPECT_EQ(Errors(), "Unable to convert bitmap definition T to bitmap.\n");
    Reset();
    m_factory->createNothing = true;
    EXPECT_FALSE(Load("<textWriter><type>T</type><name>w</name></textWriter>"));
    EXPECT_EQ(Errors(), "Unable to convert element definitions T to text writer.\n");

    // A graph drawer comes from the factory.
    Reset();
    EXPECT_EQ(Manager().CreateGraphDrawer(), nullptr);
    EXPECT_EQ(m_factory->graphDrawersCreated, 0);
    m_factory->makeGraphDrawer = [] { return static_cast<CTevGraphDrawer*>(nullptr); };
    Manager().CreateGraphDrawer();
    EXPECT_EQ(m_factory->graphDrawersCreated, 1);
}

TEST_F(Resources, FailedFontFailsTheSection)
{
    m_factory->textWriterFontFails = true;
    EXPECT_FALSE(Load("<textWriter><type>T</type><name>w</name></textWriter>"));
    EXPECT_EQ(Errors(), "Unable to convert element definitions T to text writer.\n");
    EXPECT_EQ(Manager().m_textWriters.GetCount(), 0u);
}

TEST(ResourceMap, AddKeepsTheEntryAlreadyPresent)
{
    CTevResources<CTevStringTable> tables;
    auto first = std::make_unique<CTevStringTable>();
    CTevStringTable* kept = first.get();
    EXPECT_TRUE(tables.Add("a", std::move(first)));
    EXPECT_FALSE(tables.Add("a", std::make_unique<CTevStringTable>()));
    EXPECT_EQ(tables.FindByName("a"), kept);
    EXPECT_EQ(tables.FindByName("A"), nullptr);
    EXPECT_EQ(tables.GetCount(), 1u);
    tables.Clear();
    EXPECT_EQ(tables.FindByName("a"), nullptr);
    EXPECT_EQ(tables.GetCount(), 0u);
}

} // namespace
