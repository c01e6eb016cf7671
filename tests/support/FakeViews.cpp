#include "support/FakeViews.h"

#include "support/FakeDrawing.h"

void CProbeControl::Note(const std::string& what)
{
    if (journal)
        journal->push_back(m_name + ":" + what);
}

void CProbeControl::Draw(CTevDrawInfo& drawInfo)
{
    if (!drawInfo.IntersectsUpdate(m_rect))
        return;
    Note("draw");
    if (drawer)
        drawer->FillRect(drawInfo, m_rect, color);
}

bool CProbeControl::OnMouse(CTevMouseInfo& mouse)
{
    if (!takesMouse)
        return false;
    if (!m_capture && !m_rect.Contains(CTevPoint{mouse.x, mouse.y}))
        return false;
    Note("mouse");
    mice.push_back(mouse);
    return true;
}

bool CProbeControl::OnTick(int tick)
{
    (void)tick;
    Note("tick");
    ++ticks;
    return takesTicks;
}

bool CProbeControl::OnKey(const CTevKeyInfo& key)
{
    Note("key");
    keys.push_back(key);
    return takesKeys;
}

bool CProbeControl::OnValuesChanged(const CTevValueList& values)
{
    lists.push_back(values);
    const bool reacted = CTevControl::OnValuesChanged(values);
    if (reacted) {
        Note("changed");
        ++reactions;
    }
    return reacted;
}

void CProbeControl::SetActive(bool active)
{
    Note(active ? "active" : "inactive");
    CTevControl::SetActive(active);
}

void CProbeControl::Invalidate(const CTevRect* rect)
{
    ++invalidations;
    CTevControl::Invalidate(rect);
}

CRecordingPanelWindow::~CRecordingPanelWindow()
{
    if (panel)
        panel->SetWindowPosition(position);
    if (destroyed)
        *destroyed = true;
}

CFakeViewFactory::CFakeViewFactory()
{
    RegisterControl(CProbeControl::kTypeName, TevCreateControl<CProbeControl>);
}

std::unique_ptr<ITevPanelWindow> CFakeViewFactory::CreatePanelWindow(CTevRootPanel& panel)
{
    if (failWindows)
        return nullptr;
    auto window = std::make_unique<CRecordingPanelWindow>();
    window->panel = &panel;
    window->position = panel.GetWindowPosition();
    windows.push_back(window.get());
    return window;
}

void CFakeProgressBar::BeginWithKind(int32_t range, int32_t kind, bool cancellable)
{
    calls.push_back("begin " + std::to_string(range) + " kind " + std::to_string(kind) +
                    (cancellable ? " cancellable" : ""));
    if (depth++ == 0) {
        m_range = range;
        m_position = 0;
        m_cancellable = cancellable;
    }
}

void CFakeProgressBar::Begin(int32_t range, const std::string& text, bool cancellable)
{
    calls.push_back("begin " + std::to_string(range) + " " + text + (cancellable ? " cancellable" : ""));
    if (depth++ == 0) {
        m_range = range;
        m_position = 0;
        m_text = text;
        m_cancellable = cancellable;
    }
}

void CFakeProgressBar::End()
{
    calls.push_back("end");
    if (depth > 0)
        --depth;
}

void CFakeProgressBar::SetPos(int32_t position)
{
    calls.push_back("pos " + std::to_string(position));
    if (depth == 1)
        m_position = position;
}
