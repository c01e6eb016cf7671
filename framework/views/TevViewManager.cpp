#include "views/TevViewManager.h"

#include "core/TevManager.h"
#include "core/TevServices.h"
#include "core/TevTextOut.h"

#include <algorithm>
#include <cstdint>

// One chunk sorted by view: every touched view's part of it lies in
// `parts` at [begin, begin + size), in the chunk's order.
struct CTevViewManager::CChunk {
    struct CPart {
        size_t begin = 0;
        size_t size = 0;
    };
    struct CControlPart {
        size_t ordinal = 0;
        CPart part;
        bool resolvesAgain = false;
    };

    CTevValue* const* values = nullptr;
    size_t count = 0;
    std::vector<CTevValue*> parts;
    std::unordered_map<const CTevPanel*, CPart> panels;
    // Per panel its touched controls in definition order.
    std::unordered_map<const CTevPanel*, std::vector<CControlPart>> controls;

    void Fill(CTevValueList& list, const CPart& part) const
    {
        list.assign(parts.begin() + static_cast<std::ptrdiff_t>(part.begin),
                    parts.begin() + static_cast<std::ptrdiff_t>(part.begin + part.size));
    }
};

namespace {

CTevTextOut& LogOf(CTevTextOut* errorLog)
{
    return errorLog ? *errorLog : CTevManager::Instance().ErrorReporter();
}

} // namespace

CTevViewManager::~CTevViewManager()
{
    Clear();
}

// ---------------------------------------------------------------------------
// Building the tree
// ---------------------------------------------------------------------------

bool CTevViewManager::CreateRootPanels(CTevManager* manager, CTevResourceManager* resourceManager)
{
    m_manager = manager;
    m_resourceManager = resourceManager;
    CTevTextOut& log = LogOf(m_errorLog);
    CTevViewFactory& factory = GetViewFactory();
    for (const auto& entry : m_rootPanelDefinitions) {
        std::unique_ptr<CTevRootPanel> made = factory.CreateRootPanel();
        if (!made) {
            log.Printf("Unable to create root panel %s.\n", entry->type.c_str());
            return false;
        }
        // Owned at once, so that it is freed whatever fails next.
        CTevRootPanel& panel = *made;
        panel.SetViewManager(this);
        m_rootPanels.push_back(std::move(made));
        InvalidateIndex();
        if (!ConvertPanelDefinition(*entry, panel)) {
            log.Printf("Unable to convert root panel definition %s to root panel.\n", entry->type.c_str());
            return false;
        }
        if (!panel.Create(nullptr)) {
            log.Printf("Unable to create root panel %s.\n", panel.GetName().c_str());
            return false;
        }
    }
    m_panelTypeDefinitions.clear();
    m_rootPanelDefinitions.clear();
    // A skin author asks for the tool before starting the program.
    m_layoutEditTool.SetEnabled(CTevLayoutEditTool::IsRequestedByEnvironment());
    return true;
}

bool CTevViewManager::ConvertPanelDefinition(const CTevElementDefinition& entry, CTevPanel& panel)
{
    CTevTextOut& log = LogOf(m_errorLog);
    const CTevTypeDefinition* type = FindTypeDefinition(m_panelTypeDefinitions, entry);
    if (!type) {
        log.Printf("Unable to find panel definition %s.\n", entry.type.c_str());
        return false;
    }
    // A type that contains itself would be expanded without end.
    if (std::find(m_converting.begin(), m_converting.end(), type) != m_converting.end()) {
        log.Printf("Panel type %s contains itself.\n", type->type.c_str());
        return false;
    }
    m_converting.push_back(type);
    const bool converted = ConvertPanelType(*type, entry, panel);
    m_converting.pop_back();
    return converted;
}

bool CTevViewManager::ConvertPanelType(const CTevTypeDefinition& type, const CTevElementDefinition& entry,
                                       CTevPanel& panel)
{
    CTevTextOut& log = LogOf(m_errorLog);
    CTevTypeDefinition copy = type;
    if (!ResolveMacros(entry.pairs, copy)) {
        log.Printf("Unable to resolve macros %s.\n", entry.type.c_str());
        return false;
    }
    if (!panel.ReadAttributes(copy.pairs)) {
        log.Printf("Unable to convert panel from element definitions %s.\n", copy.type.c_str());
        return false;
    }
    if (copy.ReportLeftovers(log, "Panel %s unknown tags. : ", panel.GetName()))
        return false;
    return ConvertChildPanels(copy, entry, panel) && ConvertChildControls(copy, entry, panel);
}

bool CTevViewManager::ConvertChildPanels(const CTevTypeDefinition& type, const CTevElementDefinition& entry,
                                         CTevPanel& panel)
{
    CTevTextOut& log = LogOf(m_errorLog);
    for (CTevElementDefinition child : type.children) {
        // The outer entry's macro values flow into the child entry before
        // the child's own type is resolved with it.
        if (!ResolveMacros(entry.pairs, child)) {
            log.Printf("Unable to resolve macros %s.\n", entry.type.c_str());
            return false;
        }
        if (!FindTypeDefinition(m_panelTypeDefinitions, child)) {
            log.Printf("Unable to find child panel type definition %s.\n", child.type.c_str());
            return false;
        }
        std::unique_ptr<CTevNodePanel> node = GetViewFactory().CreateNodePanel();
        if (!node) {
            log.Printf("Unable to convert child panel definition %s to child panel.\n", child.type.c_str());
            return false;
        }
        CTevPanel* added = panel.AppendChildPanel(std::move(node));
        if (!ConvertPanelDefinition(child, *added)) {
            log.Printf("Unable to convert child panel definition %s to child panel.\n", child.type.c_str());
            return false;
        }
    }
    return true;
}

bool CTevViewManager::ConvertChildControls(const CTevTypeDefinition& type, const CTevElementDefinition& entry,
                                           CTevPanel& panel)
{
    CTevTextOut& log = LogOf(m_errorLog);
    for (CTevElementDefinition member : type.members) {
        if (!ResolveMacros(entry.pairs, member)) {
            log.Printf("Unable to resolve macros %s.\n", entry.type.c_str());
            return false;
        }
        std::unique_ptr<CTevControl> made = GetViewFactory().CreateControl(member);
        if (!made) {
            log.Printf("Unable to create child control %s.\n", member.type.c_str());
            return false;
        }
        CTevControl* control = panel.AppendChildControl(std::move(made));
        if (!control->ReadAttributes(member.pairs)) {
            log.Printf("Unable to convert child control from element definitions %s.\n", member.type.c_str());
            return false;
        }
        if (member.ReportLeftovers(log, "Control %s unknown tags. : ", control->GetName()))
            return false;
    }
    return true;
}

// ---------------------------------------------------------------------------
// Opening, broadcasting, clearing
// ---------------------------------------------------------------------------

bool CTevViewManager::OpenRootPanel(const std::string& name)
{
    CTevRootPanel* panel = FindRootPanel(name);
    if (!panel || !panel->Open())
        return false;
    // Lets the child panels open or stay closed by their conditions.
    panel->OnValuesChanged(CTevValueList());
    return true;
}

bool CTevViewManager::BroadcastValuesChanged(const std::vector<CTevValue*>& values)
{
    if (values.empty())
        return false;
    // A view that changes values while it reacts changes the caller's list;
    // the broadcast goes on with the list as it was given.
    const std::vector<CTevValue*> list = values;
    const size_t count = list.size();
    // Only a list of more than one chunk shows the bar, and only a bar that
    // was begun is ended, so a caller's own progress keeps its nesting.
    CTevProgressBar* progressBar = count > kChunkSize ? m_progressBar : nullptr;
    if (progressBar)
        progressBar->BeginWithKind(static_cast<int32_t>(count / kChunkSize + 1), kUpdatingKind, false);
    bool reacted = false;
    for (size_t begin = 0; begin < count; begin += kChunkSize) {
        reacted |= BroadcastChunk(list.data() + begin, std::min(kChunkSize, count - begin));
        if (progressBar)
            progressBar->SetPos(progressBar->GetPos() + 1);
    }
    if (progressBar)
        progressBar->End();
    return reacted;
}

bool CTevViewManager::BroadcastChunk(CTevValue* const* values, size_t count)
{
    EnsureIndex();

    // Sort the chunk by view: every view gets the values it references.
    std::vector<CEntry*> touched;
    std::vector<size_t> sizes;
    std::vector<std::pair<uint32_t, CTevValue*>> hits;
    ++m_stamp;
    for (size_t i = 0; i < count; ++i) {
        const std::vector<CEntry*>* views = FindInterest(values[i]);
        if (!views)
            continue;
        for (CEntry* entry : *views) {
            if (entry->stamp != m_stamp) {
                entry->stamp = m_stamp;
                entry->slot = static_cast<uint32_t>(touched.size());
                touched.push_back(entry);
                sizes.push_back(0);
            }
            ++sizes[entry->slot];
            hits.emplace_back(entry->slot, values[i]);
        }
    }

    CChunk chunk;
    chunk.values = values;
    chunk.count = count;
    std::vector<size_t> begins(touched.size());
    size_t next = 0;
    for (size_t slot = 0; slot < touched.size(); ++slot) {
        begins[slot] = next;
        next += sizes[slot];
    }
    chunk.parts.resize(hits.size());
    std::vector<size_t> fill = begins;
    for (const auto& [slot, value] : hits)
        chunk.parts[fill[slot]++] = value;
    for (size_t slot = 0; slot < touched.size(); ++slot) {
        const CEntry& entry = *touched[slot];
        const CChunk::CPart part{begins[slot], sizes[slot]};
        if (entry.ordinal < 0)
            chunk.panels[entry.panel] = part;
        else
            chunk.controls[entry.panel].push_back(
                CChunk::CControlPart{static_cast<size_t>(entry.ordinal), part, entry.resolvesAgain});
    }
    for (auto& [panel, controls] : chunk.controls)
        std::sort(controls.begin(), controls.end(),
                  [](const CChunk::CControlPart& a, const CChunk::CControlPart& b) { return a.ordinal < b.ordinal; });

    bool reacted = false;
    CTevValueList part;
    for (size_t i = 0; i < m_rootPanels.size(); ++i)
        reacted |= WalkPanel(*m_rootPanels[i], chunk, part);
    return reacted;
}

// The rule of CTevPanel::OnValuesChanged, with every view given its own part
// of the chunk and the controls without a part left out: a view's reaction
// depends only on which of its referenced values are in the list. `part`
// is scratch space for the lists handed out.
bool CTevViewManager::WalkPanel(CTevPanel& panel, const CChunk& chunk, CTevValueList& part)
{
    part.clear();
    const auto own = chunk.panels.find(&panel);
    if (own != chunk.panels.end())
        chunk.Fill(part, own->second);
    const bool wasOpen = panel.IsOpen();
    bool reacted = panel.UpdateOpenState(part);
    const CTevPanel::CPanelList& children = panel.GetChildPanels();
    for (size_t i = 0; i < children.size(); ++i)
        reacted |= WalkPanel(*children[i], chunk, part);
    if (!panel.IsOpen())
        return reacted;
    if (!wasOpen) {
        // Opening the panel has just resolved its controls' references
        // again, so the parts sorted out before no longer fit them.
        return DeliverAfterOpening(panel, chunk) || reacted;
    }
    const auto touched = chunk.controls.find(&panel);
    if (touched == chunk.controls.end())
        return reacted;
    const CTevPanel::CControlList& controls = panel.GetChildControls();
    for (const CChunk::CControlPart& item : touched->second) {
        if (item.ordinal >= controls.size())
            continue;
        CTevControl& control = *controls[item.ordinal];
        chunk.Fill(part, item.part);
        if (control.OnValuesChanged(part)) {
            reacted = true;
            if (item.resolvesAgain)
                ReindexView(control);
        }
    }
    return reacted;
}

bool CTevViewManager::DeliverAfterOpening(CTevPanel& panel, const CChunk& chunk)
{
    const CTevPanel::CControlList& controls = panel.GetChildControls();
    std::unordered_map<const CTevValue*, std::vector<size_t>> interest;
    for (size_t i = 0; i < controls.size(); ++i) {
        for (const CTevValue* key : KeysOf(*controls[i]))
            interest[key].push_back(i);
    }
    if (interest.empty())
        return false;
    std::vector<CTevValueList> parts(controls.size());
    for (size_t i = 0; i < chunk.count; ++i) {
        const auto found = interest.find(chunk.values[i]);
        if (found == interest.end())
            continue;
        for (size_t ordinal : found->second)
            parts[ordinal].push_back(chunk.values[i]);
    }
    bool reacted = false;
    for (size_t i = 0; i < controls.size() && i < parts.size(); ++i) {
        if (parts[i].empty())
            continue;
        CTevControl& control = *controls[i];
        if (control.OnValuesChanged(parts[i])) {
            reacted = true;
            ReindexView(control);
        }
    }
    return reacted;
}

void CTevViewManager::Clear()
{
    // The active view is told before it goes, so that it stops what it runs
    // (timers, tip display) and no later key event can reach it.
    if (CTevView* active = CTevView::GetActiveView()) {
        const CTevView* top = active;
        while (top->GetParent())
            top = top->GetParent();
        for (const auto& panel : m_rootPanels) {
            if (panel.get() == top) {
                active->SetActive(false);
                break;
            }
        }
    }
    m_rootPanels.clear();
    m_rootWindows.clear();
    m_panelTypeDefinitions.clear();
    m_rootPanelDefinitions.clear();
    m_factory.reset();
    m_layoutEditTool.Reset();
    ClearIndex();
}

// ---------------------------------------------------------------------------
// Lookups
// ---------------------------------------------------------------------------

size_t CTevViewManager::GetRootWindowCount() const
{
    return m_rootPanels.size() + m_rootWindows.size();
}

ITevRootWindow* CTevViewManager::GetRootWindow(size_t index) const
{
    if (index < m_rootPanels.size())
        return m_rootPanels[index].get();
    index -= m_rootPanels.size();
    return index < m_rootWindows.size() ? m_rootWindows[index].get() : nullptr;
}

CTevRootPanel* CTevViewManager::FindRootPanel(const std::string& name) const
{
    for (const auto& panel : m_rootPanels) {
        if (panel->GetName() == name)
            return panel.get();
    }
    return nullptr;
}

CTevViewFactory& CTevViewManager::GetViewFactory()
{
    if (!m_factory)
        m_factory = std::make_unique<CTevViewFactory>();
    return *m_factory;
}

// ---------------------------------------------------------------------------
// The index
// ---------------------------------------------------------------------------

void CTevViewManager::ClearIndex()
{
    m_entries.clear();
    m_table.clear();
    m_interest.clear();
    m_indexValid = false;
}

void CTevViewManager::EnsureIndex()
{
    if (m_indexValid)
        return;
    ClearIndex();
    for (const auto& panel : m_rootPanels) {
        panel->SetViewManager(this);
        IndexPanel(*panel);
    }
    m_indexValid = true;
}

void CTevViewManager::IndexPanel(CTevPanel& panel)
{
    AddEntry(panel, panel, -1);
    const CTevPanel::CControlList& controls = panel.GetChildControls();
    for (size_t i = 0; i < controls.size(); ++i)
        AddEntry(*controls[i], panel, static_cast<int>(i));
    for (const auto& child : panel.GetChildPanels())
        IndexPanel(*child);
}

void CTevViewManager::AddEntry(const CTevView& view, CTevPanel& panel, int ordinal)
{
    CEntry& entry = m_entries[&view];
    entry.panel = &panel;
    entry.ordinal = ordinal;
    entry.resolvesAgain = false;
    for (const CTevValueRef& ref : view.GetValueRefs())
        entry.resolvesAgain |= ref.GetName().find('[') != std::string::npos;
    entry.keys = KeysOf(view);
    Link(entry);
}

std::vector<const CTevValue*> CTevViewManager::KeysOf(const CTevView& view)
{
    std::vector<const CTevValue*> keys;
    for (const CTevValueRef& ref : view.GetValueRefs()) {
        if (ref.GetValue())
            keys.push_back(ref.GetValue());
        for (const CTevValue* dependency : ref.GetDependencies()) {
            if (dependency)
                keys.push_back(dependency);
        }
    }
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    return keys;
}

void CTevViewManager::Link(CEntry& entry)
{
    for (const CTevValue* key : entry.keys)
        Interest(key).push_back(&entry);
}

void CTevViewManager::Unlink(CEntry& entry)
{
    for (const CTevValue* key : entry.keys) {
        std::vector<CEntry*>& views = Interest(key);
        auto it = std::find(views.begin(), views.end(), &entry);
        if (it != views.end()) {
            *it = views.back();
            views.pop_back();
        }
    }
}

void CTevViewManager::ReindexView(const CTevView& view)
{
    // An index that is out of date is rebuilt whole at its next use.
    if (!m_indexValid)
        return;
    auto found = m_entries.find(&view);
    if (found != m_entries.end())
        Reindex(found->second, view);
}

void CTevViewManager::Reindex(CEntry& entry, const CTevView& view)
{
    // Without index expressions a reference names the same value however
    // often it is resolved.
    if (!entry.resolvesAgain)
        return;
    std::vector<const CTevValue*> keys = KeysOf(view);
    if (keys == entry.keys)
        return;
    Unlink(entry);
    entry.keys = std::move(keys);
    Link(entry);
}

size_t CTevViewManager::SlotOf(const CTevValue* value) const
{
    // Values are allocated apart; mix the address bits before taking the
    // top ones.
    const uint64_t mixed = (static_cast<uint64_t>(reinterpret_cast<uintptr_t>(value)) >> 3) * 0x9E3779B97F4A7C15ull;
    const size_t mask = m_table.size() - 1;
    size_t slot = static_cast<size_t>(mixed >> 32) & mask;
    while (m_table[slot].key && m_table[slot].key != value)
        slot = (slot + 1) & mask;
    return slot;
}

const std::vector<CTevViewManager::CEntry*>* CTevViewManager::FindInterest(const CTevValue* value) const
{
    if (m_table.empty() || !value)
        return nullptr;
    const CSlot& slot = m_table[SlotOf(value)];
    return slot.key ? &m_interest[slot.list] : nullptr;
}

std::vector<CTevViewManager::CEntry*>& CTevViewManager::Interest(const CTevValue* value)
{
    if ((m_interest.size() + 1) * 2 > m_table.size()) {
        // Grow to keep the table at most half full.
        std::vector<CSlot> old = std::move(m_table);
        m_table.assign(std::max<size_t>(64, old.size() * 2), CSlot());
        for (const CSlot& slot : old) {
            if (slot.key)
                m_table[SlotOf(slot.key)] = slot;
        }
    }
    CSlot& slot = m_table[SlotOf(value)];
    if (!slot.key) {
        slot.key = value;
        slot.list = static_cast<uint32_t>(m_interest.size());
        m_interest.emplace_back();
    }
    return m_interest[slot.list];
}
