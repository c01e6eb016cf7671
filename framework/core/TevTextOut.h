#pragma once
// Text-output sinks: an indenting, line-oriented writer with a printf-style
// operation on top of one abstract delivery operation. Every report of the
// framework (the error reporter), every dump and the layout tool's output
// goes through one of these.
#include <cstdint>
#include <sstream>
#include <string>

#if defined(__GNUC__) && !defined(_WIN32)
#define TEV_PRINTF_FORMAT(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define TEV_PRINTF_FORMAT(fmt, args)
#endif

class CTevTextOut {
public:
    // One formatted message is at most this many bytes; longer results are cut.
    static constexpr size_t kMaxFormatted = 511;

    CTevTextOut() = default;
    CTevTextOut(const CTevTextOut&) = delete;
    CTevTextOut& operator=(const CTevTextOut&) = delete;
    virtual ~CTevTextOut() = default;

    // Sets (non-zero) or clears (0) a pending message code; the base ignores it.
    virtual void ReportError(int32_t code);
    // Inserts the indentation before the first character of every line.
    virtual void Write(const std::string& text);
    virtual void Printf(const char* format, ...) TEV_PRINTF_FORMAT(2, 3);
    // The indentation becomes max(0, length + delta) blanks.
    virtual void Indent(int delta);
    virtual int Reserved1(int, int) { return 0; }
    virtual int Reserved2(int, int) { return 0; }

    const std::string& GetIndentation() const { return m_indentation; }

protected:
    // Delivers finished text; the base drops it.
    virtual void Output(const std::string& text);

private:
    std::string m_indentation;
    bool m_atLineStart = true;
};

// Keeps the last text written and a pending message code.
class CTevTextOutBuffer : public CTevTextOut {
public:
    void ReportError(int32_t code) override { m_code = code; }
    int32_t GetCode() const { return m_code; }
    const std::string& GetText() const { return m_text; }

protected:
    void Output(const std::string& text) override { m_text = text; }

private:
    int32_t m_code = 0;
    std::string m_text;
};

// Collects every text written, in order.
class CTevTextOutStringStream : public CTevTextOut, public std::ostringstream {
protected:
    void Output(const std::string& text) override { write(text.data(), static_cast<std::streamsize>(text.size())); }
};
