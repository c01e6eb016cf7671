#pragma once
// Panels: views that hold other views. A panel has a background state
// bitmap, an ordered list of child panels and an ordered list of child
// controls, and an "openCondition" over parameter values that decides, each
// time values change, whether it shows. A root panel is shown in a window of
// its own; a node panel lives inside another panel.
//
// The window of a root panel is the platform's: the panel reaches it only
// through ITevPanelWindow, which the view factory makes when the panel
// opens and which the panel deletes when it closes.
#include "controls/TevControl.h"
#include "core/TevGeometry.h"
#include "core/TevScript.h"
#include "views/TevView.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CTevArchive;
class CTevDrawInfo;
class CTevStateBitmap;
class CTevTextOut;
class CTevViewManager;

// A top-level window as the window-position file sees it: a name, the
// top-left corner of its window and whether it is open. Closing it stores
// its window's current position.
class ITevRootWindow {
public:
    virtual ~ITevRootWindow() = default;
    virtual std::string GetWindowName() const = 0;
    virtual bool IsWindowOpen() const = 0;
    virtual void CloseWindow() = 0;
    virtual CTevPoint GetWindowPosition() const = 0;
    virtual void SetWindowPosition(const CTevPoint& position) = 0;
};

// The platform window that shows an open root panel. Deleting it destroys
// the window; a frame stores its last position into the panel
// (CTevRootPanel::SetWindowPosition) as it goes. Coordinates are those of
// the window's client area, which shows the panel's rect.
class ITevPanelWindow {
public:
    virtual ~ITevPanelWindow() = default;
    // Captures (true) or releases (false) the platform mouse.
    virtual void SetCapture(bool capture) = 0;
    virtual CTevPoint ClientToScreen(const CTevPoint& point) const = 0;
    // Asks for a repaint of the rect.
    virtual void Invalidate(const CTevRect& rect) = 0;
};

class CTevPanel : public CTevView {
public:
    using CPanelList = std::vector<std::unique_ptr<CTevPanel>>;
    using CControlList = std::vector<std::unique_ptr<CTevControl>>;

    CTevPanel() = default;
    // Deletes every child control, then every child panel.
    ~CTevPanel() override;

    // ReadDefinition.
    bool ReadAttributes(CTevPairList& attributes) override;
    // Nothing when closed or outside the update area; else the bitmap's
    // state 0 at the top-left corner, the child panels, then the child
    // controls (later ones paint over earlier ones).
    void Draw(CTevDrawInfo& drawInfo) override;
    // A closed panel takes nothing; outside the rect it takes nothing unless
    // it holds the capture. Child panels, then child controls, are offered
    // the event in order; the first that takes it ends the dispatch.
    bool OnMouse(CTevMouseInfo& mouse) override;
    // Child panels, then child controls, in order, until one takes the tick;
    // nothing for a closed panel.
    bool OnTick(int tick) override;
    // The panel's own state (UpdateOpenState), then every child panel with
    // the same list whatever this panel's state, then, only while this
    // panel is open, every child control. True when any view reacted.
    bool OnValuesChanged(const CTevValueList& values) override;
    // Acquire (Open) or release (Close) the bitmap, open or close every
    // child control, set or clear the open flag; true. Child panels follow
    // only through the values-changed rule.
    bool Open() override;
    bool Close() override;
    // Moves every child along by the offset of the new top-left corner.
    void SetRect(const CTevRect& rect) override;
    void Dump(CTevTextOut& out) const override;
    void DumpName(CTevTextOut& out) const override;
    // The view part; the child panels (count, then per child its kind, 0
    // root and 1 node, and the child itself); the child controls (count,
    // then per control its type name and the control, made by the view
    // factory from the name when loading); the bitmap as an
    // object reference, the condition text and the condition result. A
    // child that cannot be created from what was read, or that fails to
    // load, ends the load with false.
    bool Serialize(CTevArchive& archive) override;

    // The view's attributes, then "bitmapRef" and "openCondition"; other
    // pairs stay in the list.
    virtual bool ReadDefinition(CTevPairList& attributes);
    virtual bool IsNodePanel() const = 0;
    // The dotted path's first component must be this panel's name; the rest
    // names a child control, or is handed to each child panel in order.
    virtual bool FindControl(const std::string& path, CTevControl*& control);
    // The first component must be the name; an empty rest is this panel;
    // else each child panel is asked with the rest.
    virtual bool FindPanel(const std::string& path, CTevPanel*& panel);

    // The panel's own part of a values-changed call. A node panel (one with
    // a parent) should be open when its parent is open and, if it has value
    // references, its condition holds; the condition is evaluated again
    // when the view rule reacts to the list. A root panel opens or closes
    // only when it has references, the rule reacts and the new condition
    // result differs from its state. True when the rule reacted or the
    // state changed.
    bool UpdateOpenState(const CTevValueList& values);

    // Take ownership and append; return the child.
    CTevPanel* AppendChildPanel(std::unique_ptr<CTevPanel> panel);
    CTevControl* AppendChildControl(std::unique_ptr<CTevControl> control);

    const CPanelList& GetChildPanels() const { return m_childPanels; }
    const CControlList& GetChildControls() const { return m_childControls; }
    CTevStateBitmap* GetBitmap() const { return m_bitmap; }
    const std::string& GetOpenCondition() const { return m_openCondition; }
    bool GetConditionResult() const { return m_conditionResult; }

    // The view manager that keeps the index of this tree's references; it is
    // told when a view's references may have been resolved again and when
    // views come or go. Set on the whole subtree; null for a tree nobody
    // indexes.
    void SetViewManager(CTevViewManager* viewManager);
    CTevViewManager* GetViewManager() const { return m_viewManager; }

protected:
    // Loads the bitmap once and lets it go again, so that a missing or
    // damaged file is reported when the panel is created, as a control's
    // is; the panel holds the image only while it is open. False, with the
    // message, when it does not load.
    bool CheckBitmap() const;
    // Creates every child panel, then every child control, with this panel
    // as parent; the first failure is reported and gives false.
    bool CreateChildren();
    // Tells the view manager that the view's references may have changed.
    void NotifyReferencesChanged(const CTevView& view) const;
    // Tells the view manager that views were added or removed.
    void NotifyTreeChanged() const;

private:
    CPanelList m_childPanels;
    CControlList m_childControls;
    CTevStateBitmap* m_bitmap = nullptr;
    std::string m_openCondition = "1";
    bool m_conditionResult = true;
    // Whether this panel holds one acquisition of the bitmap, so that every
    // Release matches an Acquire that succeeded.
    bool m_bitmapHeld = false;
    CTevViewManager* m_viewManager = nullptr;
};

class CTevRootPanel : public CTevPanel, public ITevRootWindow {
public:
    CTevRootPanel() = default;
    // Deletes the window first, then the panel.
    ~CTevRootPanel() override;

    // Stores the flag and hands it to the window while there is one.
    void SetCapture(bool capture) override;
    CTevView* GetParent() const override { return nullptr; }
    // Through the window; the point itself while there is none.
    CTevPoint ClientToScreen(const CTevPoint& point) const override;
    // The panel's attributes, then "windowPosition", "closeValueRef",
    // "closeValue" and "modal". A close reference given by name is appended
    // after the condition's references.
    bool ReadDefinition(CTevPairList& attributes) override;
    // The view without a parent, then the children.
    bool Create(CTevView* parent) override;
    // To the active view when there is one and it is not this panel; else
    // nothing.
    bool OnKey(const CTevKeyInfo& key) override;
    // The rect (null: the panel's rect) goes to the window; nothing while
    // there is none.
    void Invalidate(const CTevRect* rect) override;
    // Has the view factory make the window (false, staying closed, when it
    // can't), then opens the panel.
    bool Open() override;
    // Deletes the window, then closes the panel.
    bool Close() override;
    // The panel, then the window position, the close reference index, the
    // close value and the modal flag.
    bool Serialize(CTevArchive& archive) override;
    bool IsNodePanel() const override { return false; }

    // The user asked to close the window. Without value references the
    // panel closes at once. Otherwise the close value is written into the
    // close reference's value through the four calls of the change
    // protocol, and the panel closes only if its condition turns false as
    // the change is broadcast.
    void RequestClose();

    // ITevRootWindow
    std::string GetWindowName() const override { return m_name; }
    bool IsWindowOpen() const override { return m_open; }
    void CloseWindow() override { Close(); }
    CTevPoint GetWindowPosition() const override { return m_windowPosition; }
    void SetWindowPosition(const CTevPoint& position) override { m_windowPosition = position; }

    int32_t GetCloseValueRefIndex() const { return m_closeValueRefIndex; }
    int32_t GetCloseValue() const { return m_closeValue; }
    bool IsModal() const { return m_modal; }
    // The window while the panel is open; null otherwise.
    ITevPanelWindow* GetWindow() const { return m_window.get(); }

private:
    CTevPoint m_windowPosition;
    int32_t m_closeValueRefIndex = 0;
    int32_t m_closeValue = 0;
    bool m_modal = false;
    std::unique_ptr<ITevPanelWindow> m_window;
};

class CTevNodePanel : public CTevPanel {
public:
    // Stores the flag and forwards it to the parent panel, so that the root
    // panel captures the mouse.
    void SetCapture(bool capture) override;
    CTevView* GetParent() const override;
    // The parent panel's; the point itself without a parent.
    CTevPoint ClientToScreen(const CTevPoint& point) const override;
    // The view with the parent (its rect becomes absolute), the parent is
    // stored, then the children.
    bool Create(CTevView* parent) override;
    // The parent panel is asked with the rect, or with this panel's rect.
    void Invalidate(const CTevRect* rect) override;
    // The panel, then the parent panel as an object reference.
    bool Serialize(CTevArchive& archive) override;
    bool IsNodePanel() const override { return true; }

    CTevPanel* GetParentPanel() const { return m_parent; }

private:
    // Null until Create.
    CTevPanel* m_parent = nullptr;
};
