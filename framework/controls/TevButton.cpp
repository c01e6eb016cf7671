#include "controls/TevButton.h"

#include "core/TevArchive.h"
#include "core/TevResources.h"
#include "core/TevTextOut.h"
#include "views/TevDrawing.h"

#include <algorithm>

bool CTevButton::ReadAttributes(CTevPairList& attributes)
{
    if (!CTevControl::ReadAttributes(attributes))
        return false;
    for (auto it = attributes.begin(); it != attributes.end();) {
        if (it->first != "bitmapRef") {
            ++it;
            continue;
        }
        m_bitmap = FindBitmapRef(it->second, "button");
        if (!m_bitmap)
            return false;
        it = attributes.erase(it);
    }
    if (!m_bitmap) {
        ErrorLog().Printf("There is no bitmap reference for button. : %s\n", GetPath().c_str());
        return false;
    }
    return true;
}

bool CTevButton::Create(CTevView* parent)
{
    if (!CTevControl::Create(parent)) {
        ErrorLog().Printf("Unable to create button. : %s", GetPath().c_str());
        return false;
    }
    if (!AcquireBitmap(m_bitmap, "button"))
        return false;
    const CTevPoint cell = m_bitmap->GetCellSize();
    CTevView::SetRect(CTevRect{m_rect.left, m_rect.top, m_rect.left + cell.x, m_rect.top + cell.y});
    return true;
}

void CTevButton::Draw(CTevDrawInfo& drawInfo)
{
    if (!m_bitmap || !drawInfo.IntersectsUpdate(m_rect))
        return;
    // A bitmap with fewer states than the button uses (an increment button
    // is not checked at creation) shows its last state rather than a cell
    // outside the image.
    m_bitmap->DrawState(drawInfo, CTevPoint{m_rect.left, m_rect.top}, ClampState(*m_bitmap, m_state));
}

bool CTevButton::OnMouse(CTevMouseInfo& mouse)
{
    if (CTevView::OnMouse(mouse))
        return true;
    const bool inside = m_rect.Contains(mouse.GetPoint());
    if (!m_capture && !inside)
        return false;

    switch (mouse.kind) {
    case CTevMouseInfo::kButtonDown:
    case CTevMouseInfo::kDoubleClick:
        ShowPressed();
        SetActive(true);
        SetCapture(true);
        OnPress(mouse);
        return true;
    case CTevMouseInfo::kMove:
        if (!m_capture)
            return false;
        if (inside && !m_pressed)
            ShowPressed();
        else if (!inside && m_pressed)
            ShowUp();
        return true;
    case CTevMouseInfo::kButtonUp:
        if (!m_capture)
            return false;
        m_state &= ~1;
        m_pressed = false;
        SetCapture(false);
        OnRelease(mouse);
        SetActive(false);
        Invalidate(nullptr);
        return true;
    default:
        return false;
    }
}

void CTevButton::SetRect(const CTevRect& rect)
{
    CTevControl::SetRect(CTevRect{rect.left, rect.top, rect.left + m_rect.Width(), rect.top + m_rect.Height()});
}

bool CTevButton::Serialize(CTevArchive& archive)
{
    return CTevControl::Serialize(archive) && archive.SerializeObjectRef(m_bitmap);
}

void CTevButton::ShowPressed()
{
    m_pressed = true;
    m_state |= 1;
    Invalidate(nullptr);
}

void CTevButton::ShowUp()
{
    m_pressed = false;
    m_state &= ~1;
    Invalidate(nullptr);
}
