#include "core/TevTextOut.h"

#include <cstdarg>
#include <algorithm>
#include <cstdio>

void CTevTextOut::ReportError(int32_t) {}

void CTevTextOut::Output(const std::string&) {}

void CTevTextOut::Write(const std::string& text)
{
    std::string result;
    result.reserve((m_indentation.size() + 1) * text.size());
    for (char c : text) {
        if (m_atLineStart)
            result += m_indentation;
        result += c;
        m_atLineStart = c == '\n';
    }
    Output(result);
}

void CTevTextOut::Printf(const char* format, ...)
{
    char buffer[kMaxFormatted + 1];
    va_list args;
    va_start(args, format);
    // vsnprintf never writes past the buffer and always terminates it, so an
    // overlong message is cut at the limit instead of overrunning the stack.
    int written = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (written < 0)
        return;
    Write(std::string(buffer, std::min<size_t>(static_cast<size_t>(written), kMaxFormatted)));
}

void CTevTextOut::Indent(int delta)
{
    long long length = static_cast<long long>(m_indentation.size()) + delta;
    m_indentation.assign(length > 0 ? static_cast<size_t>(length) : 0, ' ');
}
