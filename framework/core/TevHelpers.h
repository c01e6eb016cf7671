#pragma once
// Small text and number helpers shared by the script readers, the value
// references and the controls, and the nesting guard for the wait cursor.
// All texts are byte strings; failures are reported by returning false.
#include "core/TevGeometry.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#if defined(__GNUC__) && !defined(_WIN32)
#define TEV_HELPERS_PRINTF_FORMAT(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define TEV_HELPERS_PRINTF_FORMAT(fmt, args)
#endif

// ---------------------------------------------------------------------------
// Number scanning
//
// Numbers follow the C library's "%li" rules: optional leading white space,
// an optional sign, then "0x"/"0X" and hexadecimal digits, a leading "0" and
// octal digits, or decimal digits. At least one digit is required; "0x" that
// is not followed by a hexadecimal digit reads as the number 0 followed by
// the text "x". Text after the last number is ignored.
//
// "long" has 64 bits on Linux and 32 bits on Windows, so the C library is not
// used: the digits are accumulated in 64 bits (saturating) and the result is
// brought into the 32-bit range by saturation, which is what a 32-bit strtol
// does. So "0xFFFFFFFF" and "4294967295" read as 2147483647 and
// "-2147483649" as -2147483648 in every build.
//
// The composite forms ("%li,%li" and so on) need the comma right after each
// number (no white space before it; white space after it is skipped by the
// next number). The items are stored one by one as they are read: when a
// later item fails, the earlier ones have been stored and the rest of the
// outputs keep their old values.
// ---------------------------------------------------------------------------

// Reads one number at text[pos]; on success pos moves past its last digit.
// On failure pos and value are unchanged.
bool ScanLongAt(const std::string& text, size_t& pos, int32_t& value);

// "%li": one number.
bool ScanLong(const std::string& text, int32_t& value);
// "%li,%li": two numbers.
bool ScanTwoLongs(const std::string& text, int32_t& first, int32_t& second);
// "%li,%li": a point (x, y).
bool ScanPoint(const std::string& text, CTevPoint& point);
// "%li,%li,%li,%li": a rectangle (left, top, right, bottom).
bool ScanRect(const std::string& text, CTevRect& rect);
// "%hi,%hi,%hi": three 16-bit channels (red, green, blue). Each number is
// taken modulo 2^16, so 65280 and -256 give the same channel.
bool ScanColor(const std::string& text, CTevColor& color);

// ---------------------------------------------------------------------------
// Texts
// ---------------------------------------------------------------------------

// printf-style formatting; the result is cut to at most 511 characters.
constexpr size_t kTevMaxFormattedLength = 511;
std::string FormatString(const char* format, ...) TEV_HELPERS_PRINTF_FORMAT(1, 2);

// Removes blanks, tabs and line feeds from both ends. When nothing else is
// left the result is false and out is not touched.
bool Trim(const std::string& text, std::string& out);

// A copy with every byte lowered by the C library's rule.
std::string ToLower(const std::string& text);

// out = text with every occurrence of pattern replaced; the search goes on
// after each inserted replacement, so a replacement that contains the
// pattern is not replaced again. True when at least one replacement was
// made. An empty pattern replaces nothing.
bool ReplaceAll(const std::string& text, const std::string& pattern, const std::string& replacement,
                std::string& out);

// The longest item ParseLongList reads.
constexpr size_t kTevMaxListItemLength = 1023;

// Appends the comma-separated numbers of text to list. Every item must be
// readable as a number (white space around it is fine); an empty item,
// including the one after a trailing comma and the one of an empty text, an
// item longer than kTevMaxListItemLength, or an unreadable item ends the
// parse with false, keeping the numbers already appended.
bool ParseLongList(const std::string& text, std::vector<int32_t>& list);

// Splits the items of a string table and appends them to list. Items end at
// "," or at the end of the text; bytes 0x00-0x20 are removed from both ends
// of each item; empty items are dropped. Inside an item, "\\" becomes one
// backslash, "\c" a comma and "\s" a blank; a backslash before any other
// character stays as it is.
void SplitCommaList(const std::string& text, std::vector<std::string>& list);

// The value of a hexadecimal digit (0-9, A-F, a-f), -1 for any other byte.
int HexDigitValue(char character);

// Appends the bytes of a text of hexadecimal byte pairs, read from left to
// right: a blank separates; any other character starts a byte, which takes
// the next character too unless that is missing or a blank. So "10 00 00"
// gives 10 00 00, "1000" gives 10 00, "123" gives 12 03 and "1 23" gives
// 01 23. A character that is not a hexadecimal digit counts as 0. Never
// fails; an empty text gives no bytes.
void ParseHexBytes(const std::string& text, std::vector<uint8_t>& bytes);

// Finds the next top-level bracket pair at or after cursor. On success
// cursor is the index just after the opening "[" and end the index of the
// matching "]", so text[cursor, end) is the inner text with nested pairs.
// False when no complete pair follows (also when a "[" is the last byte).
bool FindBracketedPart(const std::string& text, size_t& cursor, size_t& end);

// "Less than" between texts by the numbers they contain: every byte other
// than 0-9, "." and "-" is dropped and the rest read as a floating-point
// number. A text without a number is less than everything; nothing is less
// than it, except another text without a number.
bool CompareNumericText(const std::string& a, const std::string& b);

// The first text of a list sorted by CompareNumericText for which
// CompareNumericText(key, text) is true; the list's end when there is none.
std::vector<std::string>::const_iterator UpperBoundNumericText(const std::vector<std::string>& sorted,
                                                               const std::string& key);

// Per channel (1 - x) * a + x * b, truncated toward zero (and kept within
// 0..65535 for x outside 0..1).
CTevColor BlendColor(const CTevColor& a, const CTevColor& b, double x);

// Shows the platform's wait cursor while at least one guard lives. One
// process-wide nesting count; user-interface thread only.
class CTevBusyGuard {
public:
    CTevBusyGuard();
    ~CTevBusyGuard();
    CTevBusyGuard(const CTevBusyGuard&) = delete;
    CTevBusyGuard& operator=(const CTevBusyGuard&) = delete;
};
