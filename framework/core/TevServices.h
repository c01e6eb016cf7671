#pragma once
// The framework side of the platform services that the shell installs into
// the manager at start-up: the progress bar, the tip bar, the pop-up menu
// and the deferred-call poster. The platform derives its windows from these.
#include "core/TevGeometry.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// A progress indicator. Begins nest: only the outermost begin shows the bar,
// only the outermost end hides it, and positions are shown only while
// exactly one begin is active.
class CTevProgressBar {
public:
    CTevProgressBar() = default;
    CTevProgressBar(const CTevProgressBar&) = delete;
    CTevProgressBar& operator=(const CTevProgressBar&) = delete;
    virtual ~CTevProgressBar() = default;

    // Begins with the platform's stock text for the kind code.
    virtual void BeginWithKind(int32_t range, int32_t kind, bool cancellable) = 0;
    virtual void Begin(int32_t range, const std::string& text, bool cancellable) = 0;
    virtual void End() = 0;
    virtual void SetPos(int32_t position) { m_position = position; }
    virtual void SetText(const std::string& text) { m_text = text; }
    // Lets the user interface handle its pending messages, then tells
    // whether the user cancelled.
    virtual bool IsCancelled() { return false; }

    int32_t GetRange() const { return m_range; }
    int32_t GetPos() const { return m_position; }
    const std::string& GetText() const { return m_text; }
    bool IsCancellable() const { return m_cancellable; }

protected:
    int32_t m_range = 100;
    int32_t m_position = 0;
    std::string m_text;
    bool m_cancellable = false;
};

// A small window of text lines shown near the pointer. Whoever changes the
// text or the position sets the dirty flag; Update then moves and sizes the
// window and shows or hides it.
class CTevTipBar {
public:
    CTevTipBar() = default;
    CTevTipBar(const CTevTipBar&) = delete;
    CTevTipBar& operator=(const CTevTipBar&) = delete;
    virtual ~CTevTipBar() = default;

    // When visible and dirty: top-left corner to anchor + offset, size to
    // the text's extent plus the margins, dirty flag cleared. Then shows or
    // hides the window to match the visible flag.
    virtual void Update() = 0;

    std::vector<std::string> m_lines;
    CTevPoint m_anchor;
    CTevPoint m_offset;
    int32_t m_marginLeft = 2;
    int32_t m_marginTop = 2;
    int32_t m_marginRight = 2;
    int32_t m_marginBottom = 2;
    bool m_visible = false;
    bool m_dirty = false;
};

// The pop-up menu service (CTevPopupMenu) comes with its menu item tree.
#include "views/TevPopupMenu.h"

// Runs work later on the user-interface thread, after the current message,
// in the order in which it was posted.
class ITevFunctionPostCaller {
public:
    virtual ~ITevFunctionPostCaller() = default;
    // Queues the function; it runs once, from the message loop.
    virtual bool Post(std::function<void()> function) = 0;
};
