#pragma once
// The base of every control, and the base of the controls that the user
// drags (knob, slider).
//
// A control lives inside a panel, binds to parameter values through its
// "valueRef" attributes, repaints when they change and changes them only
// through the buffer manager's four calls, in this order: set the value,
// transmit the changes, dispatch them to the views, clear them.
#include "controls/TevSingleKeyOperator.h"
#include "controls/TevTipBarOperator.h"
#include "views/TevView.h"

#include <cstdint>
#include <memory>
#include <string>

class CTevArchive;
class CTevResourceManager;
class CTevStateBitmap;
class CTevStringTable;
class CTevTextOut;
class CTevValue;

class CTevControl : public CTevView {
public:
    // The script tag of the class; concrete controls define their own.
    static constexpr const char* kTypeName = "";

    CTevControl() = default;
    ~CTevControl() override = default;

    // Stores the flag and forwards it to the parent, so that the root panel
    // captures the platform mouse.
    void SetCapture(bool capture) override;
    CTevView* GetParent() const override { return m_parent; }
    // The parent's conversion; the point itself without a parent.
    CTevPoint ClientToScreen(const CTevPoint& point) const override;
    // The view attributes, then every "valueRef" pair, in order, becomes a
    // reference (and is removed from the list).
    bool ReadAttributes(CTevPairList& attributes) override;
    // The view's create with the parent, which is kept; failure "Unable to
    // create control %s.\n" with the name.
    bool Create(CTevView* parent) override;
    // Asks the parent to repaint the rect, or the control's own rect.
    void Invalidate(const CTevRect* rect) override;
    // The view's rule; when the control reacted it updates its drawing
    // state.
    bool OnValuesChanged(const CTevValueList& values) override;
    // Resolves the references again (a failure is only logged), repaints,
    // sets the open flag and updates; true.
    bool Open() override;
    // A control that holds the mouse lets go first (CancelCapture), so that
    // a panel that closes under a held button leaves nothing a later press
    // elsewhere would reach; then the open flag is cleared.
    bool Close() override;
    // The view's dump indented by 4 and ended by a line feed.
    void Dump(CTevTextOut& out) const override;
    void DumpName(CTevTextOut& out) const override;
    // The view part, then the parent as an object reference.
    bool Serialize(CTevArchive& archive) override;

    // The script tag of the control's class.
    virtual std::string GetTypeName() const { return kTypeName; }
    // Recomputes the drawing state from the bound values; empty here.
    virtual void Update() {}

    // The four calls for a list index: set, transmit, dispatch, clear.
    // Nothing happens (false) when the value is null or already at the
    // index.
    static bool SendValueIndex(CTevValue* value, int32_t index);
    // The four calls for an integer; nothing happens for a null value.
    static void SendIntegerValue(CTevValue* value, int32_t integer);

    // The resources that controls look their bitmaps and tables up in: the
    // view manager's, else the manager's own.
    static CTevResourceManager& Resources();

protected:
    // The bitmap that a "bitmapRef" names. A missing one is logged as
    // "Unable to find bitmap for <kind>. : <path> : <name>" followed by end,
    // and gives null.
    CTevStateBitmap* FindBitmapRef(const std::string& name, const char* kind, const char* end = "") const;
    // Loads the bitmap for the control; a missing bitmap or one that does
    // not load is logged with kind and gives false.
    bool AcquireBitmap(CTevStateBitmap* bitmap, const char* kind) const;
    // The state clamped to the bitmap's states, so that a stray index never
    // names a cell outside the image.
    static int32_t ClampState(const CTevStateBitmap& bitmap, int64_t state);
    // The table's entry for the index, clamped to the table; empty for a
    // table without entries.
    static std::string TableEntry(const CTevStringTable& table, int64_t index);
    // The integer plus the offset in decimal, followed by the unit.
    static std::string OffsetNumberText(int32_t integer, int32_t offset, const std::string& unit = {});

    // The panel that holds the control; not owned.
    CTevView* m_parent = nullptr;
};

// A control worked by dragging the pointer, with a key operator for the
// arrow keys and a tip-bar operator that shows the value while the control
// is the active view. Both operators are owned; either may be missing.
class CTevDragControl : public CTevControl {
public:
    CTevDragControl() = default;
    ~CTevDragControl() override;

    // The control attributes, then the key operator's and the tip-bar
    // operator's from the same list. A tip-bar operator that is not wanted
    // is deleted.
    bool ReadAttributes(CTevPairList& attributes) override;
    // The control's create, then the operators'.
    bool Create(CTevView* parent) override;
    // A press (or double click) inside makes the control active, takes the
    // capture and begins a drag; moves while captured drag; the release
    // while captured releases the capture and ends the drag. The key
    // operator is told of every accepted event first.
    bool OnMouse(CTevMouseInfo& mouse) override;
    // The key operator's handling; false without one.
    bool OnKey(const CTevKeyInfo& key) override;
    bool OnTick(int tick) override;
    // The control's rule; when it reacted the tip bar is told.
    bool OnValuesChanged(const CTevValueList& values) override;
    // A drag under way ends; an active control stops being active.
    bool Close() override;
    // The view's rule; made inactive while holding the capture, the control
    // releases it; then both operators are told.
    void SetActive(bool active) override;
    // Replaces the rect and updates.
    void SetRect(const CTevRect& rect) override;
    // The control part, whether each operator exists, then the operators.
    bool Serialize(CTevArchive& archive) override;

    // New operators bound to this control; none here.
    virtual std::unique_ptr<CTevKeyOperator> CreateKeyOperator();
    virtual std::unique_ptr<CTevTipBarOperator> CreateTipBarOperator();
    virtual void BeginDrag(CTevMouseInfo& mouse) = 0;
    virtual void EndDrag(CTevMouseInfo& mouse) = 0;
    virtual void Drag(CTevMouseInfo& mouse) = 0;

    // Sets the first value to the index through the four calls; nothing
    // when it is already there. Every accepted move sends at once.
    void setValueIndex(int32_t index);

    CTevKeyOperator* GetKeyOperator() const { return m_keyOperator.get(); }
    CTevTipBarOperator* GetTipBarOperator() const { return m_tipBarOperator.get(); }

protected:
    // The first value's number of steps; 0 without a value.
    int32_t ValueStepCount() const;
    // The first value must exist and be an integer of at least two steps;
    // kind names the control in the messages.
    bool CheckSteppedIntegerValue(const char* kind) const;
    // A press with Ctrl alone sets the first value to its default at once
    // and lets go of the capture: true, and no drag follows. A default that
    // is not in the value's number table has no index; the press then
    // leaves the value as it is.
    bool PressSetsDefault(const CTevMouseInfo& mouse);

    std::unique_ptr<CTevKeyOperator> m_keyOperator;
    std::unique_ptr<CTevTipBarOperator> m_tipBarOperator;
};
