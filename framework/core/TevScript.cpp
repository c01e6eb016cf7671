#include "core/TevScript.h"

#include "core/TevTextOut.h"

#include <sstream>

namespace {

constexpr int kEnd = std::char_traits<char>::eof();

bool EndsWith(const std::string& text, const char* suffix, size_t length)
{
    return text.size() >= length && text.compare(text.size() - length, length, suffix) == 0;
}

bool StartsWith(const std::string& text, const char* prefix, size_t length)
{
    return text.size() >= length && text.compare(0, length, prefix) == 0;
}

// A read-only stream buffer over a string that outlives it: the element
// readers tokenize texts they already hold, so no copy is needed.
class CStringViewBuf : public std::streambuf {
public:
    explicit CStringViewBuf(const std::string& text)
    {
        char* begin = const_cast<char*>(text.data());
        setg(begin, begin, begin + text.size());
    }
};

} // namespace

CTevScriptTokenizer::CTevScriptTokenizer(std::istream& stream) : m_source(stream.rdbuf()) {}

std::string CTevScriptTokenizer::ReadNextTag()
{
    m_emptyTag = false;
    for (;;) {
        m_tag.clear();
        int c;
        while ((c = m_source->sbumpc()) != kEnd && c != '<') {}
        if (c == kEnd)
            return m_tag;
        while ((c = m_source->sbumpc()) != kEnd && c != '>')
            m_tag += static_cast<char>(c);
        if (!StartsWith(m_tag, "!--", 3)) {
            m_emptyTag = m_tag.empty() && c == '>';
            return m_tag;
        }
        // A comment runs to the first "-->"; the end of the input ends it too.
        while (!EndsWith(m_tag, "--", 2) && c != kEnd) {
            while ((c = m_source->sbumpc()) != kEnd && c != '>')
                m_tag += static_cast<char>(c);
        }
    }
}

std::string CTevScriptTokenizer::ReadInnerText()
{
    std::string result;
    ReadInnerText(result);
    return result;
}

void CTevScriptTokenizer::ReadInnerText(std::string& result)
{
    result.clear();
    m_closed = false;
    const std::string opening = "<" + m_tag + ">";
    const std::string closing = "</" + m_tag + ">";
    int depth = 0;
    std::string markup;
    int c;
    while ((c = m_source->sbumpc()) != kEnd) {
        if (c != '<') {
            result += static_cast<char>(c);
            continue;
        }
        markup.assign(1, '<');
        while ((c = m_source->sbumpc()) != kEnd) {
            markup += static_cast<char>(c);
            if (c == '>')
                break;
        }
        if (markup == closing) {
            if (depth == 0) {
                m_closed = true;
                return;
            }
            --depth;
            result += markup;
        } else if (markup == opening) {
            ++depth;
            result += markup;
        } else if (StartsWith(markup, "<!--", 4)) {
            while (!EndsWith(markup, "-->", 3) && c != kEnd) {
                while ((c = m_source->sbumpc()) != kEnd) {
                    markup += static_cast<char>(c);
                    if (c == '>')
                        break;
                }
            }
        } else {
            result += markup;
        }
    }
}

bool CTevElementDefinition::Read(const std::string& innerText)
{
    CStringViewBuf buffer(innerText);
    std::istream stream(&buffer);
    CTevScriptTokenizer tokenizer(stream);
    std::string text;
    for (std::string tag = tokenizer.ReadNextTag(); !tag.empty(); tag = tokenizer.ReadNextTag()) {
        tokenizer.ReadInnerText(text);
        if (tag == "type")
            type = text;
        else
            pairs.emplace_back(std::move(tag), text);
    }
    return true;
}

bool CTevElementDefinition::TakeValue(const std::string& tag, std::string& text)
{
    for (auto it = pairs.begin(); it != pairs.end(); ++it) {
        if (it->first == tag) {
            text = std::move(it->second);
            pairs.erase(it);
            return true;
        }
    }
    return false;
}

bool CTevElementDefinition::TakeLastValue(const std::string& tag, std::string& text)
{
    bool found = false;
    for (auto it = pairs.begin(); it != pairs.end();) {
        if (it->first == tag) {
            text = std::move(it->second);
            found = true;
            it = pairs.erase(it);
        } else {
            ++it;
        }
    }
    return found;
}

bool CTevElementDefinition::ReportLeftovers(CTevTextOut& out, const char* headerFormat,
                                            const std::string& name) const
{
    if (pairs.empty())
        return false;
    out.Printf(headerFormat, name.c_str());
    for (const CTevPair& pair : pairs)
        out.Printf("%s, ", pair.first.c_str());
    out.Printf("\n");
    return true;
}

bool CTevTypeDefinition::Read(const std::string& innerText)
{
    CStringViewBuf buffer(innerText);
    std::istream stream(&buffer);
    CTevScriptTokenizer tokenizer(stream);
    std::string text;
    text.reserve(32768);
    for (std::string tag = tokenizer.ReadNextTag(); !tag.empty(); tag = tokenizer.ReadNextTag()) {
        tokenizer.ReadInnerText(text);
        if (tag == "type") {
            type = text;
        } else if (tag == "struct" || tag == "panel") {
            children.emplace_back();
            children.back().Read(text);
        } else if (tag == "value" || tag == "control") {
            members.emplace_back();
            members.back().Read(text);
        } else {
            pairs.emplace_back(std::move(tag), text);
        }
    }
    return true;
}

const CTevTypeDefinition* FindTypeDefinition(const CTevTypeDefinitions& types,
                                             const CTevElementDefinition& element)
{
    for (const auto& type : types) {
        if (type->type == element.type)
            return type.get();
    }
    return nullptr;
}

bool ResolveMacros(const CTevPairList& macros, CTevElementDefinition& element)
{
    for (CTevPair& pair : element.pairs) {
        const std::string& source = pair.second;
        size_t dollar = source.find('$');
        if (dollar == std::string::npos)
            continue;
        std::string text;
        text.reserve(source.size());
        size_t copied = 0;
        bool replaced = false;
        while (dollar != std::string::npos) {
            const CTevPair* match = nullptr;
            for (const CTevPair& macro : macros) {
                if (source.compare(dollar + 1, macro.first.size(), macro.first) == 0
                    && source.size() - dollar - 1 >= macro.first.size()) {
                    match = &macro;
                    break;
                }
            }
            if (match) {
                text.append(source, copied, dollar - copied);
                text += match->second;
                copied = dollar + 1 + match->first.size();
                replaced = true;
                dollar = source.find('$', copied);
            } else if (!replaced) {
                return false;
            } else {
                dollar = source.find('$', dollar + 1);
            }
        }
        text.append(source, copied, std::string::npos);
        pair.second = std::move(text);
    }
    return true;
}
