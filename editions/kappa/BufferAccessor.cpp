#include "kappa/BufferAccessor.h"

#include "core/TevManager.h"
#include "kappa/CCSynchronizer.h"
#include "kappa/PatchBank.h"
#include "midi/TevMidiManager.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <initializer_list>

namespace Quorva::TEV_EDITION {

namespace {

const char kSkinFileName[] = "SkinID.txt";
const char kSkinTableName[] = "skinName";

std::vector<SBufferRow> BuildRows()
{
    const SEntryLayout layout = EntryLayout();
    std::vector<SBufferRow> rows = {
        {"ms", true, kRootEntry, 1, 1, 1},
        {"ms.writePatch", true, kWritePatchEntry, 1, 1, 1},
        {"ms.infoPatch", true, kInfoPatchEntry, 1, 1, 1},
        {"ms.tmp", true, kTemporaryPatchEntry, 1, 1, 1},
        {"ms.usr", true, kUserAreaEntry, 1, 1, 1},
        {"ms.usr.names[%d]", true, kFirstUserPatchEntry, 1, 1, kUserPatchCount},
        {"ms.tmp.setup.msb", false, kSetupMsbEntry, 1, 1, 1},
        {"ms.tmp.setup.lsb", false, kSetupLsbEntry, 1, 1, 1},
        {"ms.tmp.setup.num", false, kSetupNumEntry, 1, 1, 1},
        {"ms.tmp.setup.receiveCh", false, kReceiveChannelEntry, 1, 1, 1},
        {"ms.tmp.common.patchName", false, kPatchNameEntry, 1, 1, 1},
    };
    int32_t entry = kFirstSoundParameterEntry;
    for (const SSoundParameter& parameter : kEditionData.soundParameters)
        rows.push_back({parameter.path, false, entry++, 1, 1, 1});
    rows.push_back({"ms.systemReset.reset", false, layout.SystemReset(), 1, 1, 1});
    rows.push_back({"ms.usr.names[%d].name", false, layout.FirstUserName(), 1, 1, kUserPatchCount});
    rows.push_back({"midi.ch[%d].cc[%d]", false, layout.FirstController(), 1, kChannelCount, kControllersPerChannel});
    rows.push_back({"vs.misc.skin", false, layout.Skin(), 1, 1, 1});
    return rows;
}

// The pattern with its "%d" placeholders replaced by the indices in turn
// and "%%" by "%", as printf would give it for these patterns; written out
// here because the table's 2288 paths are made on every start and printf's
// machinery would be most of the time the lookups take.
const std::string& FormatIndices(const std::string& pattern, std::initializer_list<int32_t> indices, std::string& path)
{
    path.clear();
    auto index = indices.begin();
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == 'd' && index != indices.end()) {
            char digits[16];
            const auto end = std::to_chars(digits, digits + sizeof digits, *index++).ptr;
            path.append(digits, end);
            ++i;
        } else if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == '%') {
            path.push_back('%');
            ++i;
        } else {
            path.push_back(pattern[i]);
        }
    }
    return path;
}

// Calls visit(entry, path) for every element of the row, h outermost and k
// innermost. A row of one element uses its pattern verbatim.
template <class Visit>
void ExpandRow(const SBufferRow& row, Visit visit)
{
    std::string path;
    for (int32_t h = 0; h < row.a; ++h) {
        for (int32_t j = 0; j < row.count; ++j) {
            for (int32_t k = 0; k < row.n; ++k) {
                const int32_t entry = row.first + (h * row.count + j) * row.n + k;
                if (row.a != 1)
                    visit(entry, FormatIndices(row.pattern, {h, j, k}, path));
                else if (row.count != 1)
                    visit(entry, FormatIndices(row.pattern, {j, k}, path));
                else if (row.n == 1)
                    visit(entry, row.pattern);
                else
                    visit(entry, FormatIndices(row.pattern, {k}, path));
            }
        }
    }
}

CTevManager& Manager() { return CTevManager::Instance(); }

} // namespace

const std::vector<SBufferRow>& GetBufferRows()
{
    static const std::vector<SBufferRow> rows = BuildRows();
    return rows;
}

CBufferAccessor& CBufferAccessor::Instance()
{
    static CBufferAccessor accessor;
    return accessor;
}

CBufferAccessor::CBufferAccessor()
    : m_entries(static_cast<size_t>(EntryLayout().Count()), nullptr),
      m_isStructEntry(m_entries.size(), false)
{
    for (const SBufferRow& row : GetBufferRows())
        if (row.isStruct)
            ExpandRow(row, [this](int32_t entry, const std::string&) { m_isStructEntry[size_t(entry)] = true; });
}

CBufferAccessor::~CBufferAccessor()
{
    m_reader.reset();
    m_writer.reset();
    m_dialogFactory.reset();
    m_entityManager.Clear();
}

// ---------------------------------------------------------------------------
// Resolution
// ---------------------------------------------------------------------------

template <class Find>
void CBufferAccessor::LookUpRow(const SBufferRow& row, Find find)
{
    ExpandRow(row, [this, &find](int32_t entry, const std::string& path) {
        m_entries[size_t(entry)] = find(path);
        ++m_lookupCount;
    });
}

bool CBufferAccessor::ResolveBuffers()
{
    std::fill(m_entries.begin(), m_entries.end(), nullptr);
    m_lookupCount = 0;
    // Nothing to look in before Attach.
    if (!m_bufferManager && !m_baseStruct)
        return true;
    for (const SBufferRow& row : GetBufferRows()) {
        if (!row.isStruct)
            FindValues(row);
        else if (m_baseStruct)
            FindStructsFromRoot(row);
        else
            FindStructsFromManager(row);
    }
    return true;
}

void CBufferAccessor::FindStructsFromRoot(const SBufferRow& row)
{
    LookUpRow(row, [this](const std::string& path) {
        CTevStruct* found = nullptr;
        m_baseStruct->FindStruct(path, found);
        return found;
    });
}

void CBufferAccessor::FindStructsFromManager(const SBufferRow& row)
{
    LookUpRow(row, [this](const std::string& path) { return m_bufferManager->FindStruct(path); });
}

void CBufferAccessor::FindValuesFromRoot(const SBufferRow& row)
{
    LookUpRow(row, [this](const std::string& path) {
        CTevValue* found = nullptr;
        m_baseStruct->FindValue(path, found);
        return found;
    });
}

void CBufferAccessor::FindValuesFromManager(const SBufferRow& row)
{
    LookUpRow(row, [this](const std::string& path) { return m_bufferManager->FindValue(path); });
}

void CBufferAccessor::FindValues(const SBufferRow& row)
{
    if (m_baseStruct)
        FindValuesFromRoot(row);
    else
        FindValuesFromManager(row);
}

std::vector<std::string> CBufferAccessor::GetUnresolvedPaths() const
{
    std::vector<std::string> paths;
    for (const SBufferRow& row : GetBufferRows()) {
        ExpandRow(row, [this, &paths](int32_t entry, const std::string& path) {
            if (!m_entries[size_t(entry)])
                paths.push_back(path);
        });
    }
    return paths;
}

// ---------------------------------------------------------------------------
// Entries
// ---------------------------------------------------------------------------

CTevBuffer* CBufferAccessor::GetEntry(int32_t entry) const
{
    return entry >= 0 && entry < GetEntryCount() ? m_entries[size_t(entry)] : nullptr;
}

CTevStruct* CBufferAccessor::GetStruct(int32_t entry) const
{
    CTevBuffer* buffer = GetEntry(entry);
    return buffer && m_isStructEntry[size_t(entry)] ? static_cast<CTevStruct*>(buffer) : nullptr;
}

CTevValue* CBufferAccessor::GetValue(int32_t entry) const
{
    CTevBuffer* buffer = GetEntry(entry);
    return buffer && !m_isStructEntry[size_t(entry)] ? static_cast<CTevValue*>(buffer) : nullptr;
}

CTevRootStruct* CBufferAccessor::GetRootStruct() const
{
    return dynamic_cast<CTevRootStruct*>(GetStruct(kRootEntry));
}

CTevStruct* CBufferAccessor::GetUserPatchStruct(int32_t index) const
{
    return index >= 0 && index < kUserPatchCount ? GetStruct(kFirstUserPatchEntry + index) : nullptr;
}

CTevValue* CBufferAccessor::GetUserPatchName(int32_t index) const
{
    return index >= 0 && index < kUserPatchCount ? GetValue(EntryLayout().FirstUserName() + index) : nullptr;
}

CTevValue* CBufferAccessor::GetControllerValue(int32_t channel, int32_t controller) const
{
    if (channel < 0 || channel >= kChannelCount || controller < 0 || controller >= kControllersPerChannel)
        return nullptr;
    return GetValue(EntryLayout().FirstController() + channel * kControllersPerChannel + controller);
}

CTevValue* CBufferAccessor::GetSystemReset() const { return GetValue(EntryLayout().SystemReset()); }

CTevValue* CBufferAccessor::GetSkinValue() const { return GetValue(EntryLayout().Skin()); }

// ---------------------------------------------------------------------------
// Receive channel and skins
// ---------------------------------------------------------------------------

int32_t CBufferAccessor::GetReceiveChannel() const
{
    const CTevValue* value = GetValue(kReceiveChannelEntry);
    return value ? std::clamp(value->GetInteger(), 0, kChannelCount - 1) : 0;
}

void CBufferAccessor::SetReceiveChannel(int32_t channel)
{
    CTevValue* value = GetValue(kReceiveChannelEntry);
    if (!value || !m_bufferManager)
        return;
    m_bufferManager->SetIntegerValue(value, channel & 0xFF);
    m_bufferManager->TransmitChanges();
    m_bufferManager->DispatchChanges();
    m_bufferManager->ClearChanges();
}

int32_t CBufferAccessor::GetSkin() const
{
    const CTevValue* value = GetSkinValue();
    return value ? value->GetInteger() : 0;
}

void CBufferAccessor::SetSkin(int32_t skin)
{
    CTevValue* value = GetSkinValue();
    if (!value || !m_bufferManager)
        return;
    m_bufferManager->SetIntegerValue(value, skin);
    m_bufferManager->DispatchChanges();
    m_bufferManager->ClearChanges();
}

std::vector<std::string> CBufferAccessor::GetSkinNames() const
{
    const CTevStringTable* table = Manager().m_resourceManager.m_stringTables.FindByName(kSkinTableName);
    return table ? table->GetEntries() : std::vector<std::string>();
}

void CBufferAccessor::RestoreSkin()
{
    std::ifstream file(Manager().GetFolder() + kSkinFileName);
    int32_t skin = 0;
    if (!file || !(file >> skin))
        return;
    // A number the script has no skin for keeps the script's default rather
    // than showing a skin that does not exist.
    if (skin < 0 || skin >= static_cast<int32_t>(GetSkinNames().size()))
        return;
    SetSkin(skin);
}

void CBufferAccessor::SaveSkin() const
{
    std::ofstream file(Manager().GetFolder() + kSkinFileName, std::ios::out | std::ios::trunc);
    if (file)
        file << GetSkin();
}

// ---------------------------------------------------------------------------
// Start and end
// ---------------------------------------------------------------------------

bool CBufferAccessor::Initialize(std::unique_ptr<CReader> reader, std::unique_ptr<CWriter> writer,
                                 std::unique_ptr<CDialogFactory> dialogFactory)
{
    CTevManager& manager = Manager();
    m_reader = std::move(reader);
    m_writer = std::move(writer);
    WirePorts();

    m_entityManager.Clear();
    m_entityManager.AddBank(CreatePatchBank());

    m_dialogFactory = std::move(dialogFactory);

    Attach(&manager);
    ReportUnresolvedPaths();
    manager.GetHandlers().Append(std::make_unique<CCCSynchronizer>());
    RegisterCommands();
    m_started = true;
    RestoreSkin();
    return true;
}

void CBufferAccessor::WirePorts()
{
    // A script without an input or an output port leaves that side unwired.
    CTevMidiManager& midi = Manager().m_midiManager;
    CTevMidiIn* input = midi.GetInputPorts().empty() ? nullptr : &midi.GetInputPorts().front();
    CTevMidiOut* output = midi.GetOutputPorts().empty() ? nullptr : &midi.GetOutputPorts().front();
    if (m_reader) {
        if (input)
            input->SetReplyListener(m_reader.get());
        m_reader->SetOutputPort(output);
    }
    if (m_writer) {
        if (input)
            input->SetRequestHandler(m_writer.get());
        m_writer->SetOutputPort(output);
    }
}

void CBufferAccessor::ReportUnresolvedPaths()
{
    // Each row is reported once however many of its elements are missing,
    // so a script without, say, the MIDI struct gives one line, not 1920.
    CTevTextOut& errors = Manager().ErrorReporter();
    for (const SBufferRow& row : GetBufferRows()) {
        int32_t missing = 0;
        std::string first;
        ExpandRow(row, [this, &missing, &first](int32_t entry, const std::string& path) {
            if (!m_entries[size_t(entry)] && missing++ == 0)
                first = path;
        });
        if (missing == 1)
            errors.Printf("Unable to find the edition's parameter. : %s\n", first.c_str());
        else if (missing > 1)
            errors.Printf("Unable to find the edition's parameters. : %s : %d missing\n", row.pattern.c_str(),
                          missing);
    }
}

void CBufferAccessor::RegisterCommands()
{
    CTevFunctionManager& functions = Manager().GetFunctionManager();
    functions.Register("Read", std::make_unique<CDomain::CRead>());
    functions.Register("Write", std::make_unique<CDomain::CWrite>());
    functions.Register("SelectPatch", std::make_unique<CDomain::CSelectPatch>());
    functions.Register("IncrementPatch", std::make_unique<CDomain::CIncrementPatch>());
    functions.Register("DecrementPatch", std::make_unique<CDomain::CDecrementPatch>());
}

bool CBufferAccessor::Terminate()
{
    // Before a successful start the table may point nowhere and the skin
    // file must keep what the last good run saved.
    if (!m_started)
        return true;
    if (m_writer)
        CDomain::SystemReset();
    SaveSkin();
    return true;
}

void CBufferAccessor::Reset()
{
    m_started = false;
    std::fill(m_entries.begin(), m_entries.end(), nullptr);
    m_baseStruct = nullptr;
    m_bufferManager = nullptr;
    m_lookupCount = 0;
    m_reader.reset();
    m_writer.reset();
    m_dialogFactory.reset();
    m_entityManager.Clear();
}

// ---------------------------------------------------------------------------
// Reading from the device
// ---------------------------------------------------------------------------

bool CBufferAccessor::IsMidiConnected() const
{
    CTevMidiManager& midi = Manager().m_midiManager;
    if (midi.GetInputPorts().empty() || midi.GetOutputPorts().empty())
        return false;
    const CTevMidiInDevice* input = midi.GetInputDevices().GetAt(0);
    const CTevMidiOutDevice* output = midi.GetOutputDevices().GetAt(0);
    if (!input || !output)
        return false;
    const std::vector<CTevMidiIn*>& listeners = input->GetListeners();
    return !listeners.empty() && listeners.front() == &midi.GetInputPorts().front()
           && output == midi.GetOutputPorts().front().GetDevice();
}

int32_t CBufferAccessor::GetReadStepCount(int32_t flags) const
{
    int32_t steps = 0;
    if ((flags & kReadTemporaryPatch) != 0) {
        if (const CTevStruct* temporary = GetStruct(kTemporaryPatchEntry))
            steps += CountLeafBuffers(*temporary);
    }
    if ((flags & kReadUserPatches) != 0)
        steps += kUserPatchCount;
    return steps;
}

bool CBufferAccessor::ReadFromDevice()
{
    if (!m_reader)
        return false;
    return RunDeviceOperation([this] {
        CTevProgressBar* progress = Manager().GetProgressBar();
        m_reader->SetProgressBar(progress);
        if (progress)
            progress->BeginWithKind(GetReadStepCount(kReadAll), 1, false);
        const bool read = m_reader->Read(kReadAll);
        if (progress)
            progress->End();
        return read;
    });
}

} // namespace Quorva::TEV_EDITION
