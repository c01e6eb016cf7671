#include "views/TevLayoutEditTool.h"

#include "core/TevHelpers.h"
#include "core/TevManager.h"
#include "core/TevServices.h"
#include "core/TevSystem.h"
#include "core/TevTextOut.h"
#include "views/TevView.h"

#include <algorithm>

namespace {

// Clamps into the two bounds in whichever order they come.
int64_t ClampEither(int64_t value, int64_t a, int64_t b)
{
    return std::clamp(value, std::min(a, b), std::max(a, b));
}

bool IsArrow(int code)
{
    return code >= CTevKeyInfo::kUp && code <= CTevKeyInfo::kRight;
}

} // namespace

bool CTevLayoutEditTool::IsRequestedByEnvironment()
{
    return TevSystem().GetEnvironmentSetting(kEnvironmentSwitch) == "1";
}

void CTevLayoutEditTool::Reset()
{
    m_enabled = false;
    m_mode = kIdle;
    m_selected = nullptr;
    m_anchor = CTevPoint{};
    m_current = CTevPoint{};
    m_dx = 0;
    m_dy = 0;
    m_timers.Stop(-1);
}

bool CTevLayoutEditTool::OnMouse(CTevView& view, const CTevMouseInfo& mouse)
{
    const CTevPoint point = mouse.GetPoint();
    if (!view.HasCapture() && !view.GetRect().Contains(point))
        return false;
    switch (mouse.kind) {
    case CTevMouseInfo::kButtonDown:
    case CTevMouseInfo::kDoubleClick:
        m_selected = &view;
        view.SetActive(true);
        view.SetCapture(true);
        m_mode = (mouse.modifiers & CTevMouseInfo::kCtrl) ? kResizeFree : kMoveFree;
        m_anchor = point;
        m_current = point;
        if (CTevTipBar* tipBar = CTevManager::Instance().GetTipBar())
            tipBar->m_visible = true;
        ShowTip();
        return true;
    case CTevMouseInfo::kMove:
        if (!view.HasCapture())
            return false;
        if (m_selected && m_selected->GetParent()) {
            const bool locked = (mouse.modifiers & CTevMouseInfo::kShift) != 0;
            if (m_mode == kMoveFree || m_mode == kMoveLocked)
                m_mode = locked ? kMoveLocked : kMoveFree;
            else if (m_mode == kResizeFree || m_mode == kResizeLocked)
                m_mode = locked ? kResizeLocked : kResizeFree;
            m_dx = point.x - m_current.x;
            m_dy = point.y - m_current.y;
            ApplyDelta();
        }
        return true;
    case CTevMouseInfo::kButtonUp:
        if (!view.HasCapture())
            return false;
        if (m_selected)
            m_selected->SetCapture(false);
        WriteResult();
        m_dx = 0;
        m_dy = 0;
        m_mode = kIdle;
        return true;
    default:
        return false;
    }
}

bool CTevLayoutEditTool::OnKey(const CTevKeyInfo& key)
{
    if (!m_selected || !m_selected->GetParent())
        return true;
    if (key.kind == CTevKeyInfo::kKeyDown) {
        switch (key.code) {
        case CTevKeyInfo::kUp:
            m_dx = 0;
            m_dy = -1;
            break;
        case CTevKeyInfo::kDown:
            m_dx = 0;
            m_dy = 1;
            break;
        case CTevKeyInfo::kLeft:
            m_dx = -1;
            m_dy = 0;
            break;
        case CTevKeyInfo::kRight:
            m_dx = 1;
            m_dy = 0;
            break;
        default:
            return true;
        }
        m_timers.Start(kRepeatTimer, kRepeatDelayMs);
        m_anchor = m_current;
        m_mode = (key.modifiers & CTevKeyInfo::kCtrl) ? kResizeByKey : kMoveByKey;
        ApplyDelta();
    } else if (key.kind == CTevKeyInfo::kKeyUp && IsArrow(key.code)) {
        m_timers.Stop(kRepeatTimer);
        WriteResult();
        m_dx = 0;
        m_dy = 0;
        m_mode = kIdle;
    }
    return true;
}

bool CTevLayoutEditTool::OnTick(CTevView& view, int tick)
{
    (void)tick;
    if (CTevView::GetActiveView() != &view)
        return false;
    if (!m_selected)
        return true;
    if ((m_mode == kMoveByKey || m_mode == kResizeByKey) && (m_dx != 0 || m_dy != 0) &&
        m_timers.IsDue(kRepeatTimer)) {
        m_timers.Start(kRepeatTimer, kRepeatIntervalMs);
        ApplyDelta();
    }
    return true;
}

void CTevLayoutEditTool::ApplyDelta()
{
    CTevView* view = m_selected;
    const CTevView* parent = view ? view->GetParent() : nullptr;
    // An idle tool moves nothing: an arrow key let go during a mouse drag
    // has ended the gesture, and the rest of the drag goes nowhere.
    if (!parent || m_mode == kIdle)
        return;

    if (m_mode != kMoveFree && m_mode != kResizeFree) {
        // Keep to the axis along which the gesture went further.
        CTevPoint target{m_current.x + m_dx, m_current.y + m_dy};
        const int64_t ax = int64_t(target.x) - m_anchor.x;
        const int64_t ay = int64_t(target.y) - m_anchor.y;
        if (ax * ax >= ay * ay)
            target.y = m_anchor.y;
        else
            target.x = m_anchor.x;
        m_dx = target.x - m_current.x;
        m_dy = target.y - m_current.y;
    }

    CTevRect rect = view->GetRect();
    const CTevRect& outer = parent->GetRect();
    if (m_mode == kResizeLocked || m_mode == kResizeFree || m_mode == kResizeByKey) {
        const int64_t right = ClampEither(int64_t(rect.right) + m_dx, int64_t(rect.left) + kMinimumSize, outer.right);
        const int64_t bottom =
            ClampEither(int64_t(rect.bottom) + m_dy, int64_t(rect.top) + kMinimumSize, outer.bottom);
        m_dx = static_cast<int32_t>(right - rect.right);
        m_dy = static_cast<int32_t>(bottom - rect.bottom);
        rect.right = static_cast<int32_t>(right);
        rect.bottom = static_cast<int32_t>(bottom);
    } else {
        m_dx = static_cast<int32_t>(
            ClampEither(m_dx, int64_t(outer.left) - rect.left, int64_t(outer.right) - rect.right));
        m_dy = static_cast<int32_t>(
            ClampEither(m_dy, int64_t(outer.top) - rect.top, int64_t(outer.bottom) - rect.bottom));
        rect = CTevRect{rect.left + m_dx, rect.top + m_dy, rect.right + m_dx, rect.bottom + m_dy};
    }
    view->Invalidate(nullptr);
    view->SetRect(rect);
    view->Invalidate(nullptr);

    m_current.x += m_dx;
    m_current.y += m_dy;
    if (CTevTipBar* tipBar = CTevManager::Instance().GetTipBar())
        tipBar->m_visible = true;
    ShowTip();
}

void CTevLayoutEditTool::ShowTip()
{
    CTevTipBar* tipBar = CTevManager::Instance().GetTipBar();
    if (!tipBar || !m_selected)
        return;
    const CTevRect relative = m_selected->GetRelativeRect();
    tipBar->m_lines = {m_selected->GetPath(), FormatString("position : %d,%d", int(relative.left), int(relative.top)),
                       FormatString("size : %d,%d", int(relative.Width()), int(relative.Height()))};
    tipBar->m_anchor = m_selected->ClientToScreen(CTevPoint{m_current.x + kTipOffset, m_current.y + kTipOffset});
    tipBar->m_dirty = true;
}

void CTevLayoutEditTool::WriteResult()
{
    CTevTextOut* dump = CTevManager::Instance().GetDumpOut();
    if (!dump || !m_selected || m_mode == kIdle)
        return;
    const CTevRect relative = m_selected->GetRelativeRect();
    if (m_mode == kMoveLocked || m_mode == kMoveFree || m_mode == kMoveByKey)
        dump->Printf("<position>%d,%d</position>", int(relative.left), int(relative.top));
    else
        dump->Printf("<size>%d,%d</size>", int(relative.Width()), int(relative.Height()));
}
