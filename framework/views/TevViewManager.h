#pragma once
// The view manager turns the script's panel types and panels into the tree
// of root panels, node panels and controls, opens root panels by name, and
// offers every list of changed parameter values to the root panels.
//
// Broadcasting. A view reacts to a list of changed values only through its
// value references: when the resolved value or a dependency of one of them
// is in the list. The manager therefore keeps an index from each value to
// the views whose references name it, and hands every view only the part of
// the list that it references; views with no part are not called. A
// broadcast so costs in proportion to the changed values plus the views
// that show them, not their product. The index follows the references as
// they are resolved again: panels report it after opening their controls
// and after a view reacted; views that come or go make it rebuild itself at
// the next use. A view class that resolves its references again anywhere
// else must call ReindexView.
#include "core/TevGeometry.h"
#include "core/TevScript.h"
#include "views/TevLayoutEditTool.h"
#include "views/TevPanel.h"
#include "views/TevViewFactory.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class CTevManager;
class CTevProgressBar;
class CTevResourceManager;
class CTevTextOut;
class CTevValue;

class CTevViewManager {
public:
    // Changed values are offered in chunks of this many.
    static constexpr size_t kChunkSize = 8192;
    // The progress bar's stock text "Updating.".
    static constexpr int32_t kUpdatingKind = 4;

    CTevViewManager() = default;
    CTevViewManager(const CTevViewManager&) = delete;
    CTevViewManager& operator=(const CTevViewManager&) = delete;
    // Clears.
    virtual ~CTevViewManager();

    // Builds a root panel for every root panel definition, in order, through
    // the view factory: converted from its definition and created. The first
    // failure is reported and gives false; the panels made so far stay, and
    // so do the definitions until Clear. On success the definitions are
    // freed.
    virtual bool CreateRootPanels(CTevManager* manager, CTevResourceManager* resourceManager);
    // Fills the panel from the panel type that the entry names, with the
    // entry's pairs as macro values, and builds its child panels and
    // controls. Every failure is reported and gives false; what was built
    // stays in the panel. A panel type that contains itself is refused.
    bool ConvertPanelDefinition(const CTevElementDefinition& entry, CTevPanel& panel);
    // Opens the first root panel of exactly that name, then gives it an
    // empty values-changed list so that its child panels settle. False when
    // there is none or it can't open.
    bool OpenRootPanel(const std::string& name);
    // Offers the changed values in chunks of 8192 to every root panel in
    // order; lists of more than 8192 show the progress bar. True when any
    // view reacted to any chunk; an empty list offers nothing.
    virtual bool BroadcastValuesChanged(const std::vector<CTevValue*>& values);
    // Leaves no active view, then frees the definitions, the root panels,
    // the other root windows and the factory, and turns the layout-edit
    // tool off.
    virtual void Clear();

    // The root panels, then the other root windows, in order.
    virtual size_t GetRootWindowCount() const;
    virtual ITevRootWindow* GetRootWindow(size_t index) const;

    size_t GetRootPanelCount() const { return m_rootPanels.size(); }
    CTevRootPanel* GetRootPanel(size_t index) const
    {
        return index < m_rootPanels.size() ? m_rootPanels[index].get() : nullptr;
    }
    // The first root panel of exactly that name, or null.
    CTevRootPanel* FindRootPanel(const std::string& name) const;

    // The factory is owned; without one installed the framework's own is
    // made on first use.
    void SetViewFactory(std::unique_ptr<CTevViewFactory> factory) { m_factory = std::move(factory); }
    CTevViewFactory& GetViewFactory();
    bool HasViewFactory() const { return m_factory != nullptr; }

    // The view's references may have been resolved again: its entries in
    // the index are brought up to date. Views the index doesn't hold are
    // ignored.
    void ReindexView(const CTevView& view);
    // Views were added or removed: the index is rebuilt at its next use.
    void InvalidateIndex() { m_indexValid = false; }

    // Takes every input event of the views while it is enabled; see
    // views/TevLayoutEditTool.h for how it is switched on.
    CTevLayoutEditTool& GetLayoutEditTool() { return m_layoutEditTool; }

    // Not owned.
    void SetErrorLog(CTevTextOut* errorLog) { m_errorLog = errorLog; }
    CTevTextOut* GetErrorLog() const { return m_errorLog; }
    void SetProgressBar(CTevProgressBar* progressBar) { m_progressBar = progressBar; }
    CTevProgressBar* GetProgressBar() const { return m_progressBar; }
    CTevResourceManager* GetResourceManager() const { return m_resourceManager; }
    CTevManager* GetManager() const { return m_manager; }

    // Filled by the script reader; freed once the root panels are built.
    CTevTypeDefinitions m_panelTypeDefinitions;
    CTevElementDefinitions m_rootPanelDefinitions;
    // Top-level windows other than the root panels that keep their position
    // in the window-position file; owned. The framework makes none.
    std::vector<std::unique_ptr<ITevRootWindow>> m_rootWindows;

private:
    // One indexed view: a panel (ordinal -1) or the control at `ordinal`
    // of `panel`.
    struct CEntry {
        CTevPanel* panel = nullptr;
        int ordinal = -1;
        // The values its references name, sorted, each once.
        std::vector<const CTevValue*> keys;
        // Whether a reference holds an index expression, so that resolving
        // it again may name other values.
        bool resolvesAgain = false;
        // Scratch of one broadcast chunk.
        uint64_t stamp = 0;
        uint32_t slot = 0;
    };
    // A slot of the open-addressing table from value to interest list.
    struct CSlot {
        const CTevValue* key = nullptr;
        uint32_t list = 0;
    };
    struct CChunk;

    bool ConvertPanelType(const CTevTypeDefinition& type, const CTevElementDefinition& entry, CTevPanel& panel);
    bool ConvertChildPanels(const CTevTypeDefinition& type, const CTevElementDefinition& entry, CTevPanel& panel);
    bool ConvertChildControls(const CTevTypeDefinition& type, const CTevElementDefinition& entry, CTevPanel& panel);
    bool BroadcastChunk(CTevValue* const* values, size_t count);
    bool WalkPanel(CTevPanel& panel, const CChunk& chunk, CTevValueList& part);
    bool DeliverAfterOpening(CTevPanel& panel, const CChunk& chunk);
    void EnsureIndex();
    void IndexPanel(CTevPanel& panel);
    void AddEntry(const CTevView& view, CTevPanel& panel, int ordinal);
    static std::vector<const CTevValue*> KeysOf(const CTevView& view);
    void Link(CEntry& entry);
    void Unlink(CEntry& entry);
    void Reindex(CEntry& entry, const CTevView& view);
    // The views that reference the value; null when none ever did.
    const std::vector<CEntry*>* FindInterest(const CTevValue* value) const;
    // The same, made when missing.
    std::vector<CEntry*>& Interest(const CTevValue* value);
    size_t SlotOf(const CTevValue* value) const;
    void ClearIndex();

    CTevManager* m_manager = nullptr;
    CTevResourceManager* m_resourceManager = nullptr;
    CTevTextOut* m_errorLog = nullptr;
    CTevProgressBar* m_progressBar = nullptr;
    std::unique_ptr<CTevViewFactory> m_factory;
    std::vector<std::unique_ptr<CTevRootPanel>> m_rootPanels;
    CTevLayoutEditTool m_layoutEditTool;
    // The panel types being converted, outermost first.
    std::vector<const CTevTypeDefinition*> m_converting;

    // The index: every view of the root panels' trees, and per value the
    // views that reference it (a table whose size is a power of two, at
    // most half full, with linear probing; lists that became empty keep
    // their slot). Entries keep their addresses while the index is valid.
    std::unordered_map<const CTevView*, CEntry> m_entries;
    std::vector<CSlot> m_table;
    std::vector<std::vector<CEntry*>> m_interest;
    bool m_indexValid = false;
    uint64_t m_stamp = 0;
};
