#pragma once
// The base of every panel and control, the references that bind views to
// parameter values, and the two input records that the frame windows build
// from the platform's mouse and key messages.
#include "core/TevBuffer.h"
#include "core/TevGeometry.h"
#include "core/TevScript.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class CTevArchive;
class CTevDrawInfo;
class CTevTextOut;
class CTevValue;

// ---------------------------------------------------------------------------
// CTevValueRef: a value named by a dotted path, which may hold bracketed
// index expressions, e.g. "ms.usr.names[ms.tmp.sel].name". Each bracketed
// text is a condition expression (see core/TevCondition.h) whose result
// replaces it, so the reference above names "ms.usr.names[5].name" while
// ms.tmp.sel is 5. The values that the bracketed expressions read, directly
// or through nested brackets, are the reference's dependencies: when one of
// them changes, the reference must be resolved again.
// ---------------------------------------------------------------------------
class CTevValueRef {
public:
    CTevValueRef() = default;
    explicit CTevValueRef(std::string name) : m_name(std::move(name)) {}

    // Evaluates the bracketed expressions from left to right, then looks
    // the resulting path up in the parameter model (root structs first,
    // then MIDI structs). On success the value and the dependencies are
    // replaced. On failure (an expression fails, or the path names no
    // value) both keep what the last success left, so a reference whose
    // index went out of range is tried again when the index changes back.
    bool Resolve();
    // Whether any dependency is in the list.
    bool DependsOnAny(const CTevValueList& values) const;
    // Whether the resolved value is in the list.
    bool IsValueIn(const CTevValueList& values) const;

    // The name; the value as an object reference; the dependency count and
    // each dependency as an object reference (a reference list of the
    // archive).
    bool Serialize(CTevArchive& archive);

    const std::string& GetName() const { return m_name; }
    void SetName(const std::string& name) { m_name = name; }
    // Null until resolved; not owned.
    CTevValue* GetValue() const { return m_value; }
    // The values the bracketed expressions read, in the order they were
    // read: each inner reference's value followed by its own dependencies.
    const CTevValueList& GetDependencies() const { return m_dependencies; }

private:
    std::string m_name;
    CTevValue* m_value = nullptr;
    CTevValueList m_dependencies;
};

using CTevValueRefList = std::vector<CTevValueRef>;

// ---------------------------------------------------------------------------
// Input records
// ---------------------------------------------------------------------------

// A mouse event in client coordinates of the window that shows the root
// panel. Built on the stack by the frame window.
class CTevMouseInfo {
public:
    enum : int { kButtonDown = 0, kButtonUp = 1, kDoubleClick = 2, kMove = 3 };
    // Modifier bits.
    enum : int { kShift = 1, kCtrl = 2 };

    CTevMouseInfo() = default;
    CTevMouseInfo(int kindValue, int xValue, int yValue, int modifierBits)
        : kind(kindValue), x(xValue), y(yValue), modifiers(modifierBits)
    {
    }

    virtual void SetPoint(const CTevPoint& point)
    {
        x = point.x;
        y = point.y;
    }
    virtual CTevPoint GetPoint() const { return CTevPoint{x, y}; }

    int kind = kButtonDown;
    int x = 0;
    int y = 0;
    int modifiers = 0;
};

// A key event. Navigation keys have codes of their own; every other key
// keeps the platform's virtual-key code. Auto-repeated key-downs produce no
// event: the controls run their own repeat timers.
struct CTevKeyInfo {
    enum : int { kKeyDown = 1, kKeyUp = 2 };
    enum : int { kHome = 256, kUp = 257, kDown = 258, kLeft = 259, kRight = 260 };
    // Modifier bits, from the key state when the event is built.
    enum : int { kShift = 1, kCtrl = 2 };

    int kind = kKeyDown;
    int code = 0;
    int modifiers = 0;
};

// ---------------------------------------------------------------------------
// CTevView
//
// Lifecycle: constructed by the view factory, ReadAttributes (from the
// panel definition), Create with the parent (rect made absolute, references
// resolved), Open / Close as its panel opens and closes; values-changed
// calls, input and drawing while open. Views live on the user-interface
// thread only.
// ---------------------------------------------------------------------------
class CTevView {
public:
    CTevView() = default;
    CTevView(const CTevView&) = delete;
    CTevView& operator=(const CTevView&) = delete;
    // A view that is destroyed while active stops being the active view.
    virtual ~CTevView();

    // Stores the capture flag. Controls and node panels forward it to their
    // parent so that the root panel sees it.
    virtual void SetCapture(bool capture);
    // Ends the gesture that holds the mouse, if any, as a release outside
    // the view (a held note is let go, a pressed button springs back without
    // acting, a drag ends) and makes sure the capture is gone, up to the
    // window. Nothing without the capture.
    void CancelCapture();
    // Null for a root panel.
    virtual CTevView* GetParent() const = 0;
    // Client coordinates of the root panel's window to screen coordinates.
    virtual CTevPoint ClientToScreen(const CTevPoint& point) const = 0;
    // Takes "name", "position" and "size" out of the list (every other pair
    // stays for the caller's unknown-tag report) and sets the rect relative
    // to the parent. False, with a message, when "position" or "size" is not
    // two numbers.
    virtual bool ReadAttributes(CTevPairList& attributes);
    // Offsets the rect by the parent's left and top (when there is a parent)
    // and resolves every value reference; false, with a message, when one
    // does not resolve.
    virtual bool Create(CTevView* parent);
    virtual void Draw(CTevDrawInfo& drawInfo) = 0;
    // The base hands nothing on and returns false.
    virtual bool OnMouse(CTevMouseInfo& mouse);
    virtual bool OnKey(const CTevKeyInfo& key);
    virtual bool OnTick(int tick);
    // Requests a repaint of the rect; null means the view's own rect.
    virtual void Invalidate(const CTevRect* rect) = 0;
    // With the values changed since the last broadcast: when a dependency of
    // a reference changed, every reference is resolved again (a failure is
    // only logged), the view is invalidated and the result is true at once;
    // otherwise, when a resolved value changed, the view is invalidated and
    // the result is true; else false.
    virtual bool OnValuesChanged(const CTevValueList& values);
    // Set and clear the open flag; both return true.
    virtual bool Open();
    virtual bool Close();
    // Makes this view the one active view (true) or leaves no active view
    // (false). A different active view is first told SetActive(false).
    virtual void SetActive(bool active);
    // The reference at the index, -1 meaning 0; null beyond the list.
    virtual CTevValueRef* GetValueRef(int index);
    virtual const CTevValueRef* GetValueRef(int index) const;
    // The resolved value of that reference; null beyond the list.
    virtual CTevValue* GetValue(int index) const;
    virtual void SetRect(const CTevRect& rect);
    // "<path>, position=<left> <top>, size=<width> <height>, "; derived
    // classes append their own parts.
    virtual void Dump(CTevTextOut& out) const;
    // "<path>\n".
    virtual void DumpName(CTevTextOut& out) const;
    // The rect, the name and the references, stopping at the first failure.
    virtual bool Serialize(CTevArchive& archive);

    // The names of all ancestors and of the view, root first, joined by '.'.
    std::string GetPath() const;
    // The rect minus the parent's left and top; the rect itself without a
    // parent.
    CTevRect GetRelativeRect() const;
    // Resolves the references in order and stops at the first failure,
    // which is logged with the reference's name.
    bool ResolveValueRefs();
    bool IsActive() const;

    // The active view, the one that receives the key events; null when
    // there is none.
    static CTevView* GetActiveView();
    // The sink that receives every message of the views: the view manager's
    // error log, else the manager's error reporter.
    static CTevTextOut& ErrorLog();

    const CTevRect& GetRect() const { return m_rect; }
    const std::string& GetName() const { return m_name; }
    void SetName(const std::string& name) { m_name = name; }
    bool HasCapture() const { return m_capture; }
    bool IsOpen() const { return m_open; }
    CTevValueRefList& GetValueRefs() { return m_valueRefs; }
    const CTevValueRefList& GetValueRefs() const { return m_valueRefs; }
    int GetValueRefCount() const { return static_cast<int>(m_valueRefs.size()); }

protected:
    // After Create in coordinates of the root panel's client area; before
    // it relative to the parent.
    CTevRect m_rect;
    bool m_capture = false;
    std::string m_name;
    // In the order the readers created them.
    CTevValueRefList m_valueRefs;
    bool m_open = false;
};
