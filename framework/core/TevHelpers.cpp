#include "core/TevHelpers.h"

#include "core/TevSystem.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace {

bool IsCSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int DigitValue(char c, int base)
{
    int value = -1;
    if (c >= '0' && c <= '9')
        value = c - '0';
    else
        value = HexDigitValue(c);
    return value >= 0 && value < base ? value : -1;
}

// One number in the "%li" rules, as a 64-bit value that saturates at the
// 64-bit limits. On success pos moves past the last digit.
bool ScanInt64At(const std::string& text, size_t& pos, int64_t& value)
{
    const size_t size = text.size();
    size_t p = pos;
    while (p < size && IsCSpace(text[p]))
        ++p;
    bool negative = false;
    if (p < size && (text[p] == '+' || text[p] == '-')) {
        negative = text[p] == '-';
        ++p;
    }
    int base = 10;
    if (p < size && text[p] == '0') {
        if (p + 1 < size && (text[p + 1] == 'x' || text[p + 1] == 'X')) {
            // The C library's scan takes the "0x" even when no hexadecimal
            // digit follows: "0x,5" reads 0, then the comma, then 5.
            p += 2;
            if (p >= size || DigitValue(text[p], 16) < 0) {
                value = 0;
                pos = p;
                return true;
            }
            base = 16;
        } else {
            base = 8; // the leading 0 is itself an octal digit
        }
    }
    // The magnitude is capped at 2^63, which is enough to tell every
    // saturated case apart.
    constexpr uint64_t kCap = uint64_t{1} << 63;
    uint64_t magnitude = 0;
    size_t digits = 0;
    for (; p < size; ++p, ++digits) {
        const int digit = DigitValue(text[p], base);
        if (digit < 0)
            break;
        if (magnitude > (kCap - static_cast<uint64_t>(digit)) / static_cast<uint64_t>(base))
            magnitude = kCap;
        else
            magnitude = magnitude * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
    }
    if (digits == 0)
        return false;
    if (negative)
        value = magnitude >= kCap ? std::numeric_limits<int64_t>::min() : -static_cast<int64_t>(magnitude);
    else
        value = magnitude >= kCap ? std::numeric_limits<int64_t>::max() : static_cast<int64_t>(magnitude);
    pos = p;
    return true;
}

int32_t SaturateToInt32(int64_t value)
{
    if (value < std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    if (value > std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(value);
}

bool ScanShortAt(const std::string& text, size_t& pos, uint16_t& value)
{
    int64_t wide = 0;
    if (!ScanInt64At(text, pos, wide))
        return false;
    value = static_cast<uint16_t>(static_cast<uint64_t>(wide)); // modulo 2^16
    return true;
}

bool SkipComma(const std::string& text, size_t& pos)
{
    if (pos >= text.size() || text[pos] != ',')
        return false;
    ++pos;
    return true;
}

// Reads "%li,%li,..." into the given outputs in order, storing each one as
// soon as it is read.
bool ScanLongs(const std::string& text, int32_t* const* outputs, size_t count)
{
    size_t pos = 0;
    for (size_t i = 0; i < count; ++i) {
        if (i > 0 && !SkipComma(text, pos))
            return false;
        if (!ScanLongAt(text, pos, *outputs[i]))
            return false;
    }
    return true;
}

bool IsTrimmed(char c) { return c == ' ' || c == '\t' || c == '\n'; }

// Blank and control bytes; bytes of 0x80 and above are characters of the
// code page and stay.
bool IsBelowExclamation(char c) { return static_cast<unsigned char>(c) < static_cast<unsigned char>('!'); }

bool KeepsNumericText(char c) { return (c >= '0' && c <= '9') || c == '.' || c == '-'; }

bool ReadNumericText(const std::string& text, double& number)
{
    std::string kept;
    for (char c : text)
        if (KeepsNumericText(c))
            kept += c;
    if (kept.empty())
        return false;
    char* end = nullptr;
    number = std::strtod(kept.c_str(), &end);
    return end != kept.c_str();
}

uint16_t BlendChannel(uint16_t a, uint16_t b, double x)
{
    const double mixed = (1.0 - x) * a + x * b;
    if (!(mixed >= 0.0)) // also NaN
        return 0;
    if (mixed >= 65535.0)
        return 65535;
    return static_cast<uint16_t>(mixed);
}

int g_busyCount = 0;

} // namespace

bool ScanLongAt(const std::string& text, size_t& pos, int32_t& value)
{
    int64_t wide = 0;
    if (!ScanInt64At(text, pos, wide))
        return false;
    value = SaturateToInt32(wide);
    return true;
}

bool ScanLong(const std::string& text, int32_t& value)
{
    size_t pos = 0;
    return ScanLongAt(text, pos, value);
}

bool ScanTwoLongs(const std::string& text, int32_t& first, int32_t& second)
{
    int32_t* const outputs[] = {&first, &second};
    return ScanLongs(text, outputs, 2);
}

bool ScanPoint(const std::string& text, CTevPoint& point)
{
    int32_t* const outputs[] = {&point.x, &point.y};
    return ScanLongs(text, outputs, 2);
}

bool ScanRect(const std::string& text, CTevRect& rect)
{
    int32_t* const outputs[] = {&rect.left, &rect.top, &rect.right, &rect.bottom};
    return ScanLongs(text, outputs, 4);
}

bool ScanColor(const std::string& text, CTevColor& color)
{
    uint16_t* const outputs[] = {&color.red, &color.green, &color.blue};
    size_t pos = 0;
    for (size_t i = 0; i < 3; ++i) {
        if (i > 0 && !SkipComma(text, pos))
            return false;
        if (!ScanShortAt(text, pos, *outputs[i]))
            return false;
    }
    return true;
}

std::string FormatString(const char* format, ...)
{
    char buffer[kTevMaxFormattedLength + 1];
    va_list arguments;
    va_start(arguments, format);
    const int written = std::vsnprintf(buffer, sizeof buffer, format, arguments);
    va_end(arguments);
    if (written < 0)
        return std::string();
    const size_t length = static_cast<size_t>(written) < kTevMaxFormattedLength ? static_cast<size_t>(written)
                                                                                : kTevMaxFormattedLength;
    return std::string(buffer, length);
}

bool Trim(const std::string& text, std::string& out)
{
    size_t first = 0;
    size_t last = text.size();
    while (first < last && IsTrimmed(text[first]))
        ++first;
    while (last > first && IsTrimmed(text[last - 1]))
        --last;
    if (first == last)
        return false;
    out = text.substr(first, last - first);
    return true;
}

std::string ToLower(const std::string& text)
{
    std::string lowered(text);
    for (char& c : lowered)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lowered;
}

bool ReplaceAll(const std::string& text, const std::string& pattern, const std::string& replacement,
                std::string& out)
{
    std::string result;
    bool replaced = false;
    size_t from = 0;
    if (!pattern.empty()) {
        for (size_t found = text.find(pattern); found != std::string::npos; found = text.find(pattern, from)) {
            result.append(text, from, found - from);
            result += replacement;
            from = found + pattern.size();
            replaced = true;
        }
    }
    result.append(text, from, std::string::npos);
    out = std::move(result);
    return replaced;
}

bool ParseLongList(const std::string& text, std::vector<int32_t>& list)
{
    size_t begin = 0;
    for (;;) {
        const size_t comma = text.find(',', begin);
        const size_t end = comma == std::string::npos ? text.size() : comma;
        if (end == begin || end - begin > kTevMaxListItemLength)
            return false;
        const std::string item = text.substr(begin, end - begin);
        int32_t value = 0;
        if (!ScanLong(item, value))
            return false;
        list.push_back(value);
        if (comma == std::string::npos)
            return true;
        begin = comma + 1;
    }
}

void SplitCommaList(const std::string& text, std::vector<std::string>& list)
{
    size_t begin = 0;
    for (;;) {
        const size_t comma = text.find(',', begin);
        size_t first = begin;
        size_t last = comma == std::string::npos ? text.size() : comma;
        while (first < last && IsBelowExclamation(text[first]))
            ++first;
        while (last > first && IsBelowExclamation(text[last - 1]))
            --last;
        if (first < last) {
            std::string item;
            for (size_t i = first; i < last; ++i) {
                const char c = text[i];
                if (c == '\\' && i + 1 < last) {
                    const char next = text[i + 1];
                    if (next == '\\' || next == 'c' || next == 's') {
                        item += next == '\\' ? '\\' : next == 'c' ? ',' : ' ';
                        ++i;
                        continue;
                    }
                }
                item += c;
            }
            list.push_back(std::move(item));
        }
        if (comma == std::string::npos)
            return;
        begin = comma + 1;
    }
}

int HexDigitValue(char character)
{
    if (character >= '0' && character <= '9')
        return character - '0';
    if (character >= 'A' && character <= 'F')
        return character - 'A' + 10;
    if (character >= 'a' && character <= 'f')
        return character - 'a' + 10;
    return -1;
}

void ParseHexBytes(const std::string& text, std::vector<uint8_t>& bytes)
{
    auto digit = [](char c) {
        const int value = HexDigitValue(c);
        return value < 0 ? 0 : value;
    };
    const size_t size = text.size();
    size_t i = 0;
    while (i < size) {
        if (text[i] == ' ') {
            ++i;
        } else if (i + 1 < size && text[i + 1] != ' ') {
            bytes.push_back(static_cast<uint8_t>(digit(text[i]) * 16 + digit(text[i + 1])));
            i += 2;
        } else {
            bytes.push_back(static_cast<uint8_t>(digit(text[i])));
            ++i;
        }
    }
}

bool FindBracketedPart(const std::string& text, size_t& cursor, size_t& end)
{
    int depth = 0;
    for (size_t i = cursor; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '[') {
            if (i + 1 == text.size())
                return false;
            if (depth == 0)
                cursor = i + 1;
            ++depth;
        } else if (c == ']') {
            if (depth == 1) {
                end = i;
                return true;
            }
            --depth;
        }
    }
    return false;
}

bool CompareNumericText(const std::string& a, const std::string& b)
{
    double numberA = 0.0;
    double numberB = 0.0;
    if (!ReadNumericText(a, numberA))
        return true;
    if (!ReadNumericText(b, numberB))
        return false;
    return numberA < numberB;
}

std::vector<std::string>::const_iterator UpperBoundNumericText(const std::vector<std::string>& sorted,
                                                               const std::string& key)
{
    // A plain binary search: the ordering is not strict (two texts without a
    // number are each "less" than the other), which the standard algorithms
    // do not allow.
    size_t low = 0;
    size_t high = sorted.size();
    while (low < high) {
        const size_t middle = low + (high - low) / 2;
        if (CompareNumericText(key, sorted[middle]))
            high = middle;
        else
            low = middle + 1;
    }
    return sorted.begin() + static_cast<std::ptrdiff_t>(low);
}

CTevColor BlendColor(const CTevColor& a, const CTevColor& b, double x)
{
    CTevColor mixed;
    mixed.red = BlendChannel(a.red, b.red, x);
    mixed.green = BlendChannel(a.green, b.green, x);
    mixed.blue = BlendChannel(a.blue, b.blue, x);
    return mixed;
}

CTevBusyGuard::CTevBusyGuard()
{
    if (g_busyCount++ == 0)
        TevSystem().SetWaitCursor(true);
}

CTevBusyGuard::~CTevBusyGuard()
{
    if (--g_busyCount == 0)
        TevSystem().SetWaitCursor(false);
}
