#pragma once
// The script's syntax: a small reader of tags and inner texts (no document
// tree, no attributes, no entity decoding; texts pass byte for byte), and
// the two records into which every script element is read.
#include <istream>
#include <list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class CTevTextOut;

class CTevScriptTokenizer {
public:
    explicit CTevScriptTokenizer(std::istream& stream);

    // Reads the next tag (comments skipped) and keeps it as the current tag.
    // An empty result means that no further tag exists; WasEmptyTag() then
    // tells a literal "<>" apart from the end of the input.
    std::string ReadNextTag();
    // Reads up to and including the closing tag of the current tag and
    // returns the text in between; elements of the same name nest.
    // WasClosed() tells whether the closing tag was found.
    std::string ReadInnerText();
    void ReadInnerText(std::string& result);

    const std::string& GetCurrentTag() const { return m_tag; }
    bool WasEmptyTag() const { return m_emptyTag; }
    bool WasClosed() const { return m_closed; }

private:
    std::streambuf* m_source;
    std::string m_tag;
    bool m_emptyTag = false;
    bool m_closed = false;
};

using CTevPair = std::pair<std::string, std::string>;
using CTevPairList = std::list<CTevPair>;

// One script element as read: the text of its child "type" and the
// (tag, text) pairs of every other child in document order. Readers take
// out the pairs they understand; what is left is reported.
class CTevElementDefinition {
public:
    virtual ~CTevElementDefinition() = default;

    virtual bool Read(const std::string& innerText);

    // Removes the first pair with this tag and hands its text over.
    bool TakeValue(const std::string& tag, std::string& text);
    // Removes every pair with this tag; the last one's text is handed over
    // (text is left alone when there is none).
    bool TakeLastValue(const std::string& tag, std::string& text);
    // Writes the leftover report (header formatted with the name, then
    // "%s, " per tag left, then a line feed) when pairs are left; returns
    // whether any were.
    bool ReportLeftovers(CTevTextOut& out, const char* headerFormat, const std::string& name) const;

    std::string type;
    CTevPairList pairs;
};

// A "structType" or "panelType": an element definition plus its child
// "struct"/"panel" elements and its "value"/"control" members.
class CTevTypeDefinition : public CTevElementDefinition {
public:
    bool Read(const std::string& innerText) override;

    std::vector<CTevElementDefinition> children;
    std::vector<CTevElementDefinition> members;
};

using CTevElementDefinitions = std::vector<std::unique_ptr<CTevElementDefinition>>;
using CTevTypeDefinitions = std::vector<std::unique_ptr<CTevTypeDefinition>>;

// The first type definition whose type equals the element's type; null
// when there is none.
const CTevTypeDefinition* FindTypeDefinition(const CTevTypeDefinitions& types,
                                             const CTevElementDefinition& element);

// Substitutes "$name" macros in the texts of the element's pairs: the first
// macro in list order whose name follows the '$' wins, inserted values are
// not scanned again. Fails on a '$' that matches nothing when no
// replacement has yet been made in that text.
bool ResolveMacros(const CTevPairList& macros, CTevElementDefinition& element);
