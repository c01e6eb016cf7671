#pragma once
// A tool for skin authors: while it is enabled it takes every mouse, key
// and tick event that reaches the view base handlers, so that any panel or
// control of the running panel can be moved (drag; arrow keys) or resized
// (Ctrl-drag; Ctrl with the arrow keys). Shift locks a drag to the axis of
// the larger distance from the press point. The tip bar shows the view's
// path, position and size meanwhile, and the end of a gesture writes the
// script text of the new position or size ("<position>x,y</position>",
// "<size>w,h</size>") to the manager's dump output, which the shell copies
// to the clipboard.
//
// A view never leaves its parent's rect and never becomes narrower or lower
// than kMinimumSize by resizing. A root panel can't be moved.
//
// The tool is off unless the environment variable TEV_LAYOUT_EDIT is "1"
// when the panels are built; clearing the view manager turns it off again.
#include "core/TevGeometry.h"
#include "views/TevTickTimers.h"

class CTevView;
class CTevMouseInfo;
struct CTevKeyInfo;

class CTevLayoutEditTool {
public:
    enum EMode : int {
        kIdle = 0,
        kMoveLocked = 1,
        kMoveFree = 2,
        kMoveByKey = 3,
        kResizeLocked = 4,
        kResizeFree = 5,
        kResizeByKey = 6
    };
    // The key repeat: the first step at once, the next after the delay, then
    // one every interval (at the resolution of the frames' tick).
    static constexpr int kRepeatTimer = 0;
    static constexpr int kRepeatDelayMs = 150;
    static constexpr int kRepeatIntervalMs = 30;
    static constexpr int32_t kMinimumSize = 4;
    // The tip's distance from the pointer.
    static constexpr int32_t kTipOffset = 20;
    static constexpr const char* kEnvironmentSwitch = "TEV_LAYOUT_EDIT";

    // Whether the environment asks for the tool.
    static bool IsRequestedByEnvironment();

    bool IsEnabled() const { return m_enabled; }
    void SetEnabled(bool enabled) { m_enabled = enabled; }
    // Disabled, idle, nothing selected, every timer stopped.
    void Reset();

    // The event reached the base handler of the view; true when the tool
    // consumed it. Called only while the tool is enabled.
    bool OnMouse(CTevView& view, const CTevMouseInfo& mouse);
    // Always consumed.
    bool OnKey(const CTevKeyInfo& key);
    // Acts only for the active view.
    bool OnTick(CTevView& view, int tick);

    EMode GetMode() const { return m_mode; }
    CTevView* GetSelectedView() const { return m_selected; }

private:
    // Applies the pending delta to the selected view within its parent.
    void ApplyDelta();
    void ShowTip();
    // The new position or size on the dump output; nothing when idle.
    void WriteResult();

    bool m_enabled = false;
    EMode m_mode = kIdle;
    // Not owned.
    CTevView* m_selected = nullptr;
    CTevPoint m_anchor;
    CTevPoint m_current;
    int32_t m_dx = 0;
    int32_t m_dy = 0;
    CTevTickTimers m_timers;
};
