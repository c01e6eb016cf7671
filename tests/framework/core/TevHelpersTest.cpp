#include "core/TevHelpers.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(TevHelpers, ScanLongReadsCNumberForms)
{
    int32_t value = 0;
    EXPECT_TRUE(ScanLong("0x1F", value));
    EXPECT_EQ(31, value);
    EXPECT_TRUE(ScanLong("010", value));
    EXPECT_EQ(8, value);
    EXPECT_TRUE(ScanLong("  -42abc", value));
    EXPECT_EQ(-42, value);
    EXPECT_TRUE(ScanLong("+0X10", value));
    EXPECT_EQ(16, value);
    EXPECT_TRUE(ScanLong("08", value)); // octal stops at 8
    EXPECT_EQ(0, value);
    EXPECT_TRUE(ScanLong("0xg", value)); // "0x" without a digit is 0
    EXPECT_EQ(0, value);

    value = 77;
    EXPECT_FALSE(ScanLong("", value));
    EXPECT_FALSE(ScanLong("-", value));
    EXPECT_FALSE(ScanLong("- 5", value));
    EXPECT_FALSE(ScanLong("x1", value));
    EXPECT_EQ(77, value);
}

TEST(TevHelpers, ScanLongHasThirtyTwoBitMeaning)
{
    int32_t value = 0;
    EXPECT_TRUE(ScanLong("2147483647", value));
    EXPECT_EQ(INT32_MAX, value);
    EXPECT_TRUE(ScanLong("-2147483648", value));
    EXPECT_EQ(INT32_MIN, value);
    EXPECT_TRUE(ScanLong("0xFFFFFFFF", value));
    EXPECT_EQ(INT32_MAX, value);
    EXPECT_TRUE(ScanLong("4294967296", value));
    EXPECT_EQ(INT32_MAX, value);
    EXPECT_TRUE(ScanLong("-2147483649", value));
    EXPECT_EQ(INT32_MIN, value);
    EXPECT_TRUE(ScanLong("-0x80000000", value));
    EXPECT_EQ(INT32_MIN, value);
    EXPECT_TRUE(ScanLong("123456789012345678901234567890", value)); // beyond 64 bits
    EXPECT_EQ(INT32_MAX, value);
    EXPECT_TRUE(ScanLong("-99999999999999999999999", value));
    EXPECT_EQ(INT32_MIN, value);
}

TEST(TevHelpers, ScanLongAtMovesPastTheNumber)
{
    const std::string text = "12S,-3";
    size_t pos = 0;
    int32_t value = 0;
    EXPECT_TRUE(ScanLongAt(text, pos, value));
    EXPECT_EQ(12, value);
    EXPECT_EQ(2u, pos);
    EXPECT_FALSE(ScanLongAt(text, pos, value)); // "S" is no number
    EXPECT_EQ(2u, pos);
    pos = 4;
    EXPECT_TRUE(ScanLongAt(text, pos, value));
    EXPECT_EQ(-3, value);
    EXPECT_EQ(text.size(), pos);
}

TEST(TevHelpers, CompositeScansStoreItemsAsTheyAreRead)
{
    CTevPoint point{5, 6};
    EXPECT_TRUE(ScanPoint("10,20", point));
    EXPECT_EQ((CTevPoint{10, 20}), point);
    EXPECT_TRUE(ScanPoint("1, 0x20,30", point));
    EXPECT_EQ((CTevPoint{1, 32}), point);

    point = {5, 6};
    EXPECT_FALSE(ScanPoint("10", point));
    EXPECT_EQ((CTevPoint{10, 6}), point); // x read, y untouched
    EXPECT_FALSE(ScanPoint("7 ,8", point)); // the comma must follow the number
    EXPECT_EQ((CTevPoint{7, 6}), point);

    int32_t a = 0, b = 0;
    EXPECT_TRUE(ScanTwoLongs("-1,-2", a, b));
    EXPECT_EQ(-1, a);
    EXPECT_EQ(-2, b);

    CTevRect rect{9, 9, 9, 9};
    EXPECT_TRUE(ScanRect("1,2,3,4", rect));
    EXPECT_EQ((CTevRect{1, 2, 3, 4}), rect);
    EXPECT_FALSE(ScanRect("5,6,7", rect));
    EXPECT_EQ((CTevRect{5, 6, 7, 4}), rect);
}

TEST(TevHelpers, ScanColorTakesChannelsModulo16Bits)
{
    CTevColor color;
    EXPECT_TRUE(ScanColor("65280,-256,0x10", color));
    EXPECT_EQ((CTevColor{0xFF00, 0xFF00, 16}), color);
    EXPECT_TRUE(ScanColor("65536,-1,70000", color));
    EXPECT_EQ((CTevColor{0, 0xFFFF, 4464}), color);
    color = {1, 2, 3};
    EXPECT_FALSE(ScanColor("9,8", color));
    EXPECT_EQ((CTevColor{9, 8, 3}), color);
}

TEST(TevHelpers, FormatStringCutsAt511Characters)
{
    EXPECT_EQ("a=5 b=x", FormatString("a=%d b=%s", 5, "x"));
    const std::string longText(600, 'q');
    const std::string formatted = FormatString("%s!", longText.c_str());
    EXPECT_EQ(511u, formatted.size());
    EXPECT_EQ(std::string(511, 'q'), formatted);
    EXPECT_EQ(511u, FormatString("%s", std::string(511, 'z').c_str()).size());
}

TEST(TevHelpers, TrimAndToLower)
{
    std::string out = "old";
    EXPECT_TRUE(Trim("  x \t", out));
    EXPECT_EQ("x", out);
    EXPECT_TRUE(Trim("\na b\n", out));
    EXPECT_EQ("a b", out);
    out = "old";
    EXPECT_FALSE(Trim(" \t\n \n", out));
    EXPECT_FALSE(Trim("", out));
    EXPECT_EQ("old", out);

    EXPECT_EQ("left \xC4x", ToLower("LeFT \xC4X")); // bytes above 0x7F stay
}

TEST(TevHelpers, ReplaceAll)
{
    std::string out;
    EXPECT_TRUE(ReplaceAll("a&b", "&", "&amp;", out));
    EXPECT_EQ("a&amp;b", out);
    EXPECT_FALSE(ReplaceAll("ab", "&", "&amp;", out));
    EXPECT_EQ("ab", out);
    EXPECT_TRUE(ReplaceAll("&&x&", "&", "&&", out)); // no re-replacement
    EXPECT_EQ("&&&&x&&", out);
    EXPECT_TRUE(ReplaceAll("aaaa", "aa", "b", out));
    EXPECT_EQ("bb", out);
    EXPECT_FALSE(ReplaceAll("abc", "", "x", out));
    EXPECT_EQ("abc", out);
}

TEST(TevHelpers, CommaScansReadAHexPrefixWithoutDigitsAsTheCLibraryDoes)
{
    struct SCase {
        const char* text;
        bool read;
        int32_t first, second;
    };
    const std::vector<SCase> cases = {
        {"0x,5", true, 0, 5},    {"-0X,7", true, 0, 7},  {"0x5,0x", true, 5, 0},
        {"0x1F,010", true, 31, 8}, {"0xg,5", false, 0, 0}, {"0x 5", false, 0, 0},
    };
    for (const SCase& c : cases) {
        int32_t first = -1, second = -1;
        CTevPoint point{-1, -1};
        EXPECT_EQ(ScanTwoLongs(c.text, first, second), c.read) << c.text;
        EXPECT_EQ(ScanPoint(c.text, point), c.read) << c.text;
        if (c.read) {
            EXPECT_EQ(first, c.first) << c.text;
            EXPECT_EQ(second, c.second) << c.text;
            EXPECT_EQ(point, (CTevPoint{c.first, c.second})) << c.text;
        }
    }
    CTevRect rect;
    EXPECT_TRUE(ScanRect("0x,0x1F,0X,010", rect));
    EXPECT_EQ(rect, (CTevRect{0, 31, 0, 8}));
}

TEST(TevHelpers, ParseLongList)
{
    std::vector<int32_t> list;
    EXPECT_TRUE(ParseLongList("1, 2 ,3", list));
    EXPECT_EQ((std::vector<int32_t>{1, 2, 3}), list);

    list.clear();
    EXPECT_FALSE(ParseLongList("1,,3", list));
    EXPECT_EQ((std::vector<int32_t>{1}), list);
    list.clear();
    EXPECT_FALSE(ParseLongList("0x10,-2,", list));
    EXPECT_EQ((std::vector<int32_t>{16, -2}), list);
    list.clear();
    EXPECT_FALSE(ParseLongList("4,x,5", list));
    EXPECT_EQ((std::vector<int32_t>{4}), list);
    EXPECT_FALSE(ParseLongList("", list));
    EXPECT_FALSE(ParseLongList(" ", list));
    list = {9};
    EXPECT_TRUE(ParseLongList("7", list)); // appends
    EXPECT_EQ((std::vector<int32_t>{9, 7}), list);

    // An item may hold at most 1023 characters.
    list.clear();
    EXPECT_TRUE(ParseLongList("1," + std::string(1022, ' ') + "5", list));
    EXPECT_EQ((std::vector<int32_t>{1, 5}), list);
    list.clear();
    EXPECT_FALSE(ParseLongList("1," + std::string(1023, ' ') + "5,6", list));
    EXPECT_EQ((std::vector<int32_t>{1}), list);
}

TEST(TevHelpers, SplitCommaListTrimsAndUnescapes)
{
    std::vector<std::string> list;
    SplitCommaList("a\\cb , c\\sd ,, \\\\e", list);
    EXPECT_EQ((std::vector<std::string>{"a,b", "c d", "\\e"}), list);

    list.clear();
    SplitCommaList("\t x\\s ,\\q,\\, \xE9t\xE9 ,\r\n", list);
    EXPECT_EQ((std::vector<std::string>{"x ", "\\q", "\\", "\xE9t\xE9"}), list);
}

TEST(TevHelpers, ParseHexBytes)
{
    auto parse = [](const std::string& text) {
        std::vector<uint8_t> bytes;
        ParseHexBytes(text, bytes);
        return bytes;
    };
    EXPECT_EQ((std::vector<uint8_t>{0x10, 0x00, 0x00}), parse("10 00 00"));
    EXPECT_EQ((std::vector<uint8_t>{0x10, 0x00}), parse("1000"));
    EXPECT_EQ((std::vector<uint8_t>{0x12, 0x03}), parse("123"));
    EXPECT_EQ((std::vector<uint8_t>{0x01, 0x23}), parse("1 23"));
    EXPECT_EQ((std::vector<uint8_t>{0xAB, 0xcd}), parse("  aB  Cd "));
    EXPECT_TRUE(parse("").empty());
    EXPECT_EQ(10, HexDigitValue('a'));
    EXPECT_EQ(15, HexDigitValue('F'));
    EXPECT_EQ(-1, HexDigitValue('g'));
}

TEST(TevHelpers, FindBracketedPart)
{
    const std::string text = "a[b[1]].c[2]";
    size_t cursor = 0, end = 0;
    ASSERT_TRUE(FindBracketedPart(text, cursor, end));
    EXPECT_EQ("b[1]", text.substr(cursor, end - cursor));
    cursor = end + 1;
    ASSERT_TRUE(FindBracketedPart(text, cursor, end));
    EXPECT_EQ("2", text.substr(cursor, end - cursor));
    cursor = end + 1;
    EXPECT_FALSE(FindBracketedPart(text, cursor, end));

    cursor = 0;
    EXPECT_FALSE(FindBracketedPart("abc", cursor, end));
    cursor = 0;
    EXPECT_FALSE(FindBracketedPart("a[", cursor, end));
    EXPECT_EQ(0u, cursor);
    cursor = 0;
    EXPECT_FALSE(FindBracketedPart("a[b[c]", cursor, end));
}

TEST(TevHelpers, CompareNumericText)
{
    EXPECT_TRUE(CompareNumericText("1.5 kHz", "2 kHz"));
    EXPECT_FALSE(CompareNumericText("2 kHz", "1.5 kHz"));
    EXPECT_TRUE(CompareNumericText("Off", "10"));
    EXPECT_FALSE(CompareNumericText("10", "Off"));
    EXPECT_TRUE(CompareNumericText("-3 dB", "+1 dB"));
    EXPECT_FALSE(CompareNumericText("5", "5"));

    const std::vector<std::string> sorted = {"Off", "1", "2.5", "10", "100"};
    EXPECT_EQ(sorted.begin() + 3, UpperBoundNumericText(sorted, "2.5"));
    EXPECT_EQ(sorted.begin() + 1, UpperBoundNumericText(sorted, "0.5"));
    EXPECT_EQ(sorted.end(), UpperBoundNumericText(sorted, "500"));
    EXPECT_EQ(sorted.begin(), UpperBoundNumericText(sorted, "none"));
}

TEST(TevHelpers, BlendColor)
{
    EXPECT_EQ((CTevColor{32767, 0, 500}), BlendColor({0, 0, 0}, {65535, 0, 1000}, 0.5));
    EXPECT_EQ((CTevColor{45874, 0, 0}), BlendColor({65535, 0, 0}, {0, 0, 0}, 0.3));
    const CTevColor a{1, 2, 3}, b{60000, 50000, 40000};
    EXPECT_EQ(a, BlendColor(a, b, 0.0));
    EXPECT_EQ(b, BlendColor(a, b, 1.0));
    EXPECT_EQ((CTevColor{65535, 65535, 65535}), BlendColor({0, 0, 0}, {65535, 65535, 65535}, 2.0));
    EXPECT_EQ((CTevColor{0, 0, 0}), BlendColor({0, 0, 0}, {65535, 65535, 65535}, -1.0));
}

TEST(TevHelpers, NestedBusyGuardsTurnTheCursorOnAndOffOnce)
{
    CFakeSystem system;
    {
        CTevBusyGuard outer;
        {
            CTevBusyGuard inner;
            EXPECT_EQ(std::vector<bool>{true}, system.cursorChanges);
        }
        EXPECT_EQ(std::vector<bool>{true}, system.cursorChanges);
    }
    EXPECT_EQ((std::vector<bool>{true, false}), system.cursorChanges);
    {
        CTevBusyGuard again;
    }
    EXPECT_EQ((std::vector<bool>{true, false, true, false}), system.cursorChanges);
}
