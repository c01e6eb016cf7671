#include "core/TevManager.h"

namespace {

template <class Definition>
bool ReadElement(CTevScriptTokenizer& tokenizer, std::string& innerText,
                 std::vector<std::unique_ptr<Definition>>& list, const char* failure,
                 CTevTextOut& errors)
{
    tokenizer.ReadInnerText(innerText);
    auto definition = std::make_unique<Definition>();
    bool ok = definition->Read(innerText);
    // An element without its closing tag would swallow the rest of the
    // script as its inner text; that is a broken script, not a success.
    if (!ok || !tokenizer.WasClosed()) {
        errors.Printf(failure, definition->type.c_str());
        return false;
    }
    list.push_back(std::move(definition));
    return true;
}

} // namespace

CTevManager& CTevManager::Instance()
{
    static CTevManager manager;
    return manager;
}

CTevManager::~CTevManager() { DeleteTextOuts(); }

bool CTevManager::ReadScript(std::istream& stream)
{
    CTevTextOut& errors = ErrorReporter();
    std::string innerText;
    innerText.reserve(0x40000);
    CTevScriptTokenizer tokenizer(stream);
    for (std::string tag = tokenizer.ReadNextTag(); !tag.empty() || tokenizer.WasEmptyTag();
         tag = tokenizer.ReadNextTag()) {
        bool ok = true;
        if (tag == "structType")
            ok = ReadElement(tokenizer, innerText, m_structTypeDefinitions, "Unable to read structType %s.\n", errors);
        else if (tag == "struct")
            ok = ReadElement(tokenizer, innerText, m_rootStructDefinitions, "Unable to read root struct %s.\n", errors);
        else if (tag == "midiStruct")
            ok = ReadElement(tokenizer, innerText, m_midiStructDefinitions, "Unable to read midiStruct %s.\n", errors);
        else if (tag == "midiIn")
            ok = ReadElement(tokenizer, innerText, m_midiManager.m_inputPortDefinitions, "Unable to read midiIn %s.\n", errors);
        else if (tag == "midiOut")
            ok = ReadElement(tokenizer, innerText, m_midiManager.m_outputPortDefinitions, "Unable to read midiOut %s.\n", errors);
        else if (tag == "panelType")
            ok = ReadElement(tokenizer, innerText, m_viewManager.m_panelTypeDefinitions, "Unable to read panelType %s.\n", errors);
        else if (tag == "panel")
            ok = ReadElement(tokenizer, innerText, m_viewManager.m_rootPanelDefinitions, "Unable to read root panel %s.\n", errors);
        else if (tag == "bitmap")
            ok = ReadElement(tokenizer, innerText, m_resourceManager.m_bitmapDefinitions, "Unable to read bitmap %s.\n", errors);
        else if (tag == "textWriter")
            ok = ReadElement(tokenizer, innerText, m_resourceManager.m_textWriterDefinitions, "Unable to read text writer %s.\n", errors);
        else if (tag == "stringTable")
            ok = ReadElement(tokenizer, innerText, m_resourceManager.m_stringTableDefinitions, "Unable to read string table %s.\n", errors);
        else if (tag == "numberTable")
            ok = ReadElement(tokenizer, innerText, m_resourceManager.m_numberTableDefinitions, "Unable to read integer table %s.\n", errors);
        else if (tag == "?xml version=\"1.0\" encoding=\"Shift_JIS\"?" || tag == "script" || tag == "/script")
            ok = true;
        else {
            // Includes a stray "<>", which would otherwise end the reading
            // early and silently drop the rest of the script.
            errors.Printf("Unknown tag. : %s\n", tag.c_str());
            ok = false;
        }
        if (!ok)
            return false;
    }
    return true;
}

void CTevManager::SetTextOut(int slot, CTevTextOut* sink)
{
    if (slot < 0 || slot >= kTextOutSlots)
        return;
    CTevTextOut* old = m_textOuts[slot];
    if (old == sink)
        return;
    bool shared = false;
    for (int i = 0; i < kTextOutSlots; ++i)
        shared |= i != slot && m_textOuts[i] == old;
    if (!shared)
        delete old;
    m_textOuts[slot] = sink;
}

CTevTextOut* CTevManager::GetTextOut(int slot) const
{
    return slot >= 0 && slot < kTextOutSlots ? m_textOuts[slot] : nullptr;
}

CTevTextOut& CTevManager::ErrorReporter() const
{
    static CTevTextOut discard;
    CTevTextOut* errors = GetErrorOut();
    return errors ? *errors : discard;
}

void CTevManager::DeleteTextOuts()
{
    for (int i = 0; i < kTextOutSlots; ++i)
        SetTextOut(i, nullptr);
}
