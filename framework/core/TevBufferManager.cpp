#include "core/TevBufferManager.h"

#include "core/TevTextOut.h"
#include "midi/TevMidiOut.h"
#include "midi/TevMidiStruct.h"
#include "views/TevViewManager.h"

#include <cstdio>

// ---------------------------------------------------------------------------
// Handlers
// ---------------------------------------------------------------------------

bool ITevBufferHandler::OnSetData(const CTevValueDataList&) { return false; }
bool ITevBufferHandler::OnSetString(const CTevValueStringList&) { return false; }
bool ITevBufferHandler::OnSetInteger(const CTevValueIntegerList&) { return false; }
bool ITevBufferHandler::OnValuesChanged(const CTevValueList&) { return false; }
bool ITevBufferHandler::OnReservedHook(const CTevValueList&) { return false; }
bool ITevBufferHandler::OnValuesReceived(const CTevValueList&) { return false; }

namespace {

// Every handler is asked, whatever the earlier ones answered.
template <class List>
bool AskAll(const std::vector<std::unique_ptr<ITevBufferHandler>>& handlers,
            bool (ITevBufferHandler::*hook)(const List&), const List& values)
{
    bool taken = false;
    for (const auto& handler : handlers) {
        if (((*handler).*hook)(values))
            taken = true;
    }
    return taken;
}

} // namespace

bool CTevBufferHandlers::OnSetData(const CTevValueDataList& values)
{
    return AskAll(m_handlers, &ITevBufferHandler::OnSetData, values);
}

bool CTevBufferHandlers::OnSetString(const CTevValueStringList& values)
{
    return AskAll(m_handlers, &ITevBufferHandler::OnSetString, values);
}

bool CTevBufferHandlers::OnSetInteger(const CTevValueIntegerList& values)
{
    return AskAll(m_handlers, &ITevBufferHandler::OnSetInteger, values);
}

bool CTevBufferHandlers::OnValuesChanged(const CTevValueList& values)
{
    return AskAll(m_handlers, &ITevBufferHandler::OnValuesChanged, values);
}

bool CTevBufferHandlers::OnReservedHook(const CTevValueList& values)
{
    return AskAll(m_handlers, &ITevBufferHandler::OnReservedHook, values);
}

bool CTevBufferHandlers::OnValuesReceived(const CTevValueList& values)
{
    return AskAll(m_handlers, &ITevBufferHandler::OnValuesReceived, values);
}

void CTevBufferHandlers::Append(std::unique_ptr<ITevBufferHandler> handler)
{
    if (handler)
        m_handlers.push_back(std::move(handler));
}

// ---------------------------------------------------------------------------
// Hex dumps
// ---------------------------------------------------------------------------

bool CTevHexDump::FormatBytes(const std::vector<uint8_t>& bytes, int32_t size, std::string& text)
{
    if (bytes.empty() || bytes.size() > 256)
        return false;
    std::string result;
    result.reserve(bytes.size() * 3);
    for (uint8_t byte : bytes) {
        char digits[4];
        std::snprintf(digits, sizeof digits, "%02X ", static_cast<unsigned>(byte));
        result += digits;
    }
    result.pop_back();
    if (size < 0 || result.size() > static_cast<size_t>(size))
        return false;
    result.resize(static_cast<size_t>(size), ' ');
    text = std::move(result);
    return true;
}

// ---------------------------------------------------------------------------
// The buffer manager
// ---------------------------------------------------------------------------

CTevBufferManager::~CTevBufferManager() = default;

CTevTextOut& CTevBufferManager::Errors() const { return m_errorOut ? *m_errorOut : m_discard; }

CTevStruct* CTevBufferManager::FindStruct(const std::string& path) const
{
    for (const CTevStructList* list : {&m_rootStructs, &m_midiStructs}) {
        for (const auto& root : *list) {
            CTevStruct* found = nullptr;
            if (root->FindStruct(path, found))
                return found;
        }
    }
    return nullptr;
}

CTevValue* CTevBufferManager::FindValue(const std::string& path) const
{
    for (const CTevStructList* list : {&m_rootStructs, &m_midiStructs}) {
        for (const auto& root : *list) {
            CTevValue* found = nullptr;
            if (root->FindValue(path, found))
                return found;
        }
    }
    return nullptr;
}

ITevMidiStruct* CTevBufferManager::GetMidiStruct(const std::string& path)
{
    return dynamic_cast<ITevMidiStruct*>(FindStruct(path));
}

ITevRootStruct* CTevBufferManager::GetRootStruct(const std::string& path)
{
    return dynamic_cast<ITevRootStruct*>(FindStruct(path));
}

void CTevBufferManager::SetIntegerValue(CTevValue* value, int32_t integer)
{
    SetIntegerValues({{value, integer}});
}

void CTevBufferManager::SetIntegerValues(const CTevValueIntegerList& values)
{
    for (const auto& entry : values) {
        if (!entry.first)
            return;
    }
    if (values.empty() || m_handlers.OnSetInteger(values))
        return;
    CTevValueList changed;
    changed.reserve(values.size());
    for (const auto& [value, integer] : values) {
        value->SetInteger(integer);
        changed.push_back(value);
    }
    MarkChangedList(changed);
    m_handlers.OnValuesChanged(changed);
}

void CTevBufferManager::SetValueByIndex(CTevValue* value, int32_t index)
{
    if (!value || !value->GetSpec())
        return;
    SetIntegerValue(value, value->GetSpec()->IndexToValue(index));
}

void CTevBufferManager::SetStringValue(CTevValue* value, const std::string& text)
{
    if (!value)
        return;
    const CTevValueStringList values{{value, text}};
    if (m_handlers.OnSetString(values))
        return;
    value->SetString(text);
    MarkChanged(value);
    m_handlers.OnValuesChanged({value});
}

void CTevBufferManager::SetDataValue(CTevValue* value, const std::vector<int32_t>& data)
{
    SetDataValues({{value, data}});
}

void CTevBufferManager::SetDataValues(const CTevValueDataList& values)
{
    for (const auto& entry : values) {
        if (!entry.first)
            return;
    }
    if (values.empty() || m_handlers.OnSetData(values))
        return;
    CTevValueList changed;
    changed.reserve(values.size());
    for (const auto& [value, data] : values) {
        value->SetData(data);
        changed.push_back(value);
    }
    MarkChangedList(changed);
    m_handlers.OnValuesChanged(changed);
}

void CTevBufferManager::MarkChanged(CTevValue* value)
{
    if (!value)
        return;
    m_pending.changes.push_back(value);
    if (auto* root = dynamic_cast<CTevRootStruct*>(value->GetRoot()))
        root->SetChanged(true);
}

void CTevBufferManager::MarkChangedList(const CTevValueList& values)
{
    for (CTevValue* value : values)
        MarkChanged(value);
}

bool CTevBufferManager::NotifyValuesReceived(const CTevValueList& values)
{
    MarkChangedList(values);
    m_handlers.OnValuesReceived(values);
    return true;
}

void CTevBufferManager::ExcludeFromTransmit(CTevValue* value)
{
    if (value)
        m_pending.excluded.insert(value);
}

CTevPendingChanges CTevBufferManager::TakePendingChanges()
{
    return std::exchange(m_pending, {});
}

void CTevBufferManager::RestorePendingChanges(CTevPendingChanges pending)
{
    pending.changes.insert(pending.changes.end(), m_pending.changes.begin(), m_pending.changes.end());
    pending.excluded.insert(m_pending.excluded.begin(), m_pending.excluded.end());
    m_pending = std::move(pending);
}

CTevChangesAside::CTevChangesAside(ITevBufferManager* manager) : m_manager(manager)
{
    if (m_manager)
        m_pending = m_manager->TakePendingChanges();
}

CTevChangesAside::~CTevChangesAside()
{
    if (m_manager)
        m_manager->RestorePendingChanges(std::move(m_pending));
}

bool CTevBufferManager::TransmitChanges()
{
    {
        // What the hex dumps below append is for the views only.
        const CTevChangesAside aside(this);
        for (CTevValue* value : aside.Get().changes) {
            if (aside.Get().excluded.count(value) == 0)
                value->Transmit();
        }
    }
    for (const CTevHexDump& dump : m_hexDumps)
        UpdateHexDump(dump);
    return true;
}

void CTevBufferManager::UpdateHexDump(const CTevHexDump& dump)
{
    CTevValue* value = dump.GetValue();
    if (!dump.GetSource() || !value)
        return;
    std::string text;
    if (!CTevHexDump::FormatBytes(dump.GetSource()->GetLastSent(), value->GetRange().GetSize(), text))
        return;
    if (value->GetString() == text)
        return;
    value->SetString(text);
    MarkChanged(value);
}

void CTevBufferManager::DispatchChanges()
{
    const CTevChangesAside aside(this);
    if (m_viewManager)
        m_viewManager->BroadcastValuesChanged(aside.Get().changes);
}

void CTevBufferManager::ClearChanges()
{
    m_pending.changes.clear();
    m_pending.excluded.clear();
}

bool CTevBufferManager::AddHexDump(const ITevMidiOut* source, const std::string& valueName)
{
    CTevValueRef valueRef(valueName);
    if (!valueRef.Resolve())
        return false;
    m_hexDumps.emplace_back(source, std::move(valueRef));
    return true;
}

void CTevBufferManager::Destroy()
{
    m_viewManager = nullptr;
    m_resourceManager = nullptr;
    m_errorOut = nullptr;
    m_structTypeDefinitions.clear();
    m_rootStructDefinitions.clear();
    m_midiStructDefinitions.clear();
    // Pointers into the trees go before the trees, and the trees before the
    // specs they refer to.
    m_hexDumps.clear();
    m_pending = {};
    m_handlers.Clear();
    m_rootStructs.clear();
    m_midiStructs.clear();
    m_specRegistries.Clear();
}
