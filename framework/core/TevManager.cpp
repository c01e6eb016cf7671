#include "core/TevManager.h"

#include "core/TevHelpers.h"

#include <fstream>

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

CTevManager* s_publishedManager = nullptr;
CTevResourceManager* s_publishedResourceManager = nullptr;
CTevMidiManager* s_publishedMidiManager = nullptr;
CTevViewManager* s_publishedViewManager = nullptr;

const char kWindowPositionFile[] = "WindowPosition.txt";

} // namespace

CTevManager* TevGetManager() { return s_publishedManager; }
CTevResourceManager* TevGetResourceManager() { return s_publishedResourceManager; }
CTevMidiManager* TevGetMidiManager() { return s_publishedMidiManager; }
CTevViewManager* TevGetViewManager() { return s_publishedViewManager; }

CTevManager& CTevManager::Instance()
{
    static CTevManager manager;
    return manager;
}

CTevManager::~CTevManager()
{
    // The orderly teardown first: the sections go while the sinks they
    // report to still exist, and nothing is left for the members'
    // destructors that could reach a deleted service. No window positions
    // are written at exit: the shell saves them through Destroy while its
    // windows still exist.
    Dismantle();
    if (s_publishedManager == this)
        s_publishedManager = nullptr;
    if (s_publishedResourceManager == &m_resourceManager)
        s_publishedResourceManager = nullptr;
    if (s_publishedMidiManager == &m_midiManager)
        s_publishedMidiManager = nullptr;
    if (s_publishedViewManager == &m_viewManager)
        s_publishedViewManager = nullptr;
}

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

bool CTevManager::Create()
{
    CTevTextOut& errors = ErrorReporter();
    m_created = false;

    s_publishedResourceManager = &m_resourceManager;
    if (!m_resourceManager.Create()) {
        errors.Printf("Unable to create resource manager.\n");
        return false;
    }
    s_publishedManager = this;
    if (!CreateFromDefinitions(&m_viewManager, &m_resourceManager)) {
        errors.Printf("Unable to create buffer manager.\n");
        return false;
    }
    s_publishedMidiManager = &m_midiManager;
    if (!m_midiManager.ReadMidiSection(this)) {
        errors.Printf("Unable to create MIDI manager.\n");
        return false;
    }
    s_publishedViewManager = &m_viewManager;
    if (!m_viewManager.CreateRootPanels(this, &m_resourceManager)) {
        errors.Printf("Unable to create view manager.\n");
        return false;
    }
    m_created = true;
    LoadSaveWindowPositions(true);
    return true;
}

void CTevManager::Destroy()
{
    if (m_created)
        LoadSaveWindowPositions(false);
    Dismantle();
}

void CTevManager::Dismantle()
{
    m_created = false;
    m_functionManager.Clear();
    m_viewManager.Clear();
    m_midiManager.Destroy();
    CTevBufferManager::Destroy();
    m_resourceManager.Destroy();
    m_poster.reset();
    // Emptying slot 2 also takes the error sink away from the sections.
    DeleteTextOuts();
    m_viewManager.SetProgressBar(nullptr);
    m_tipBar.reset();
    m_progressBar.reset();
    m_popupMenu.reset();
}

void CTevManager::LoadSaveWindowPositions(bool load)
{
    if (m_folder.empty())
        return;
    const std::string path = m_folder + kWindowPositionFile;
    if (load) {
        std::ifstream file(path);
        if (!file)
            return;
        char name[256];
        char position[256];
        // getline fails on a line that doesn't fit the buffer, which ends
        // the loading like the end of the file does.
        while (file.getline(name, sizeof name) && file.getline(position, sizeof position)) {
            CTevPoint point;
            if (!ScanPoint(position, point))
                continue;
            for (size_t i = 0; i < m_viewManager.GetRootWindowCount(); ++i) {
                ITevRootWindow* window = m_viewManager.GetRootWindow(i);
                if (window && window->GetWindowName() == name) {
                    window->SetWindowPosition(point);
                    break;
                }
            }
        }
    } else {
        std::ofstream file(path, std::ios::out | std::ios::trunc);
        if (!file)
            return;
        for (size_t i = 0; i < m_viewManager.GetRootWindowCount(); ++i) {
            ITevRootWindow* window = m_viewManager.GetRootWindow(i);
            if (!window)
                continue;
            if (window->IsWindowOpen())
                window->CloseWindow();
            const CTevPoint point = window->GetWindowPosition();
            file << window->GetWindowName() << '\n' << point.x << ',' << point.y << '\n';
        }
    }
}

void CTevManager::SetTextOut(int slot, CTevTextOut* sink)
{
    if (slot < 0 || slot >= kTextOutSlots)
        return;
    CTevTextOut* old = m_textOuts[slot];
    if (old == sink)
        return;
    // The sections report through the error sink; they never keep one that
    // is about to be deleted.
    if (slot == kErrorOut) {
        CTevBufferManager::SetErrorOut(sink);
        m_midiManager.SetErrorOut(sink);
        m_viewManager.SetErrorLog(sink);
        m_resourceManager.SetErrorOut(sink);
    }
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

CTevTextOutBuffer* CTevManager::GetStatusOut() const
{
    return dynamic_cast<CTevTextOutBuffer*>(GetTextOut(kStatusOut));
}

CTevTextOut& CTevManager::ErrorReporter() const
{
    CTevTextOut* errors = GetErrorOut();
    return errors ? *errors : m_discard;
}

void CTevManager::SetStatusCode(int32_t code)
{
    if (CTevTextOutBuffer* status = GetStatusOut())
        status->ReportError(code);
}

int32_t CTevManager::GetStatusCode() const
{
    const CTevTextOutBuffer* status = GetStatusOut();
    return status ? status->GetCode() : 0;
}

void CTevManager::SetProgressBar(std::unique_ptr<CTevProgressBar> progressBar)
{
    m_progressBar = std::move(progressBar);
    m_viewManager.SetProgressBar(m_progressBar.get());
}

void CTevManager::DeleteTextOuts()
{
    for (int i = 0; i < kTextOutSlots; ++i)
        SetTextOut(i, nullptr);
}
