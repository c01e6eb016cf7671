#pragma once
// Test doubles for the panel tree: a control that records what reaches it,
// a root-panel window that records repaints and captures, a view factory
// that makes both, and a progress bar that nests as the platform's does and
// records every call.
#include "controls/TevControl.h"
#include "core/TevServices.h"
#include "views/TevViewFactory.h"

#include <memory>
#include <string>
#include <vector>

class CRecordingGraphDrawer;

// Script type "probe". Takes mouse events inside its rect (or anywhere while
// it holds the capture) when `takesMouse` is set, and ticks when
// `takesTicks` is set. Draws one fill of its rect, in the colour `color`,
// into `drawer` when the rect meets the update area. Every event it gets is
// appended to `journal` as "<name>:<what>" when a journal is given.
class CProbeControl : public CTevControl {
public:
    static constexpr const char* kTypeName = "probe";

    std::string GetTypeName() const override { return kTypeName; }
    void Draw(CTevDrawInfo& drawInfo) override;
    bool OnMouse(CTevMouseInfo& mouse) override;
    bool OnTick(int tick) override;
    bool OnKey(const CTevKeyInfo& key) override;
    bool OnValuesChanged(const CTevValueList& values) override;
    void SetActive(bool active) override;
    void Update() override { ++updates; }
    void Invalidate(const CTevRect* rect) override;

    bool takesMouse = false;
    bool takesTicks = false;
    bool takesKeys = false;
    CTevColor color;
    CRecordingGraphDrawer* drawer = nullptr;
    std::vector<std::string>* journal = nullptr;

    // Recorded.
    std::vector<CTevMouseInfo> mice;
    std::vector<CTevKeyInfo> keys;
    int ticks = 0;
    int updates = 0;
    int invalidations = 0;
    // Every list handed to OnValuesChanged, and whether it reacted.
    std::vector<CTevValueList> lists;
    int reactions = 0;

private:
    void Note(const std::string& what);
};

// Records what the root panel asks of its window.
class CRecordingPanelWindow : public ITevPanelWindow {
public:
    ~CRecordingPanelWindow() override;
    void SetCapture(bool capture) override { captures.push_back(capture); }
    CTevPoint ClientToScreen(const CTevPoint& point) const override { return {point.x + 1000, point.y + 500}; }
    void Invalidate(const CTevRect& rect) override { invalidated.push_back(rect); }

    CTevRootPanel* panel = nullptr;
    std::vector<bool> captures;
    std::vector<CTevRect> invalidated;
    // Set when the window is deleted, if given.
    bool* destroyed = nullptr;
    // Stored into the panel as the window goes, as a frame does.
    CTevPoint position;
};

// Makes probe controls ("probe") and recording windows; `failWindows` makes
// every window creation fail. The windows made are listed in order; an
// entry is valid while its panel is open.
class CFakeViewFactory : public CTevViewFactory {
public:
    CFakeViewFactory();
    std::unique_ptr<ITevPanelWindow> CreatePanelWindow(CTevRootPanel& panel) override;

    bool failWindows = false;
    std::vector<CRecordingPanelWindow*> windows;
};

// Begins nest as the platform's bar does: only the outermost begin shows,
// only the outermost end hides, positions are stored only while exactly one
// begin is active. Every call is appended to `calls`.
class CFakeProgressBar : public CTevProgressBar {
public:
    void BeginWithKind(int32_t range, int32_t kind, bool cancellable) override;
    void Begin(int32_t range, const std::string& text, bool cancellable) override;
    void End() override;
    void SetPos(int32_t position) override;

    int depth = 0;
    std::vector<std::string> calls;
};
