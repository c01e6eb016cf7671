#include "controls/TevPopControl.h"

#include "core/TevArchive.h"
#include "core/TevHelpers.h"
#include "core/TevResources.h"
#include "core/TevTextOut.h"
#include "core/TevValue.h"
#include "views/TevDrawing.h"

namespace {

bool Inside(const CTevRect& rect, const CTevPoint& point)
{
    return rect.left <= point.x && point.x < rect.right && rect.top <= point.y && point.y < rect.bottom;
}

} // namespace

bool CTevPopControl::ReadAttributes(CTevPairList& attributes)
{
    if (!CTevControl::ReadAttributes(attributes))
        return false;
    CTevPoint textPosition{-1, -1};
    CTevPoint textSize{0, 0};
    for (auto it = attributes.begin(); it != attributes.end();) {
        const std::string& tag = it->first;
        const std::string& text = it->second;
        if (tag == "textPosition") {
            ScanPoint(text, textPosition);
        } else if (tag == "textSize") {
            ScanPoint(text, textSize);
        } else if (tag == "buttonPosition") {
            ScanPoint(text, m_buttonPosition);
        } else if (tag == "textWriterRef") {
            m_textWriter = Resources().m_textWriters.FindByName(text);
            if (!m_textWriter) {
                ErrorLog().Printf("Unable to find text writer for pop control. : %s : %s\n", GetPath().c_str(),
                                  text.c_str());
                return false;
            }
        } else if (tag == "bitmapRef") {
            m_buttonBitmap = FindBitmapRef(text, "pop control");
            if (!m_buttonBitmap)
                return false;
        } else if (tag == "stringTableRef") {
            m_stringTable = Resources().m_stringTables.FindByName(text);
            if (!m_stringTable) {
                // The full stop is a full-width one (0x81 0x44) in this message.
                ErrorLog().Printf("Unable to find string table for pop control\x81\x44: %s : %s\n",
                                  GetPath().c_str(), text.c_str());
                return false;
            }
        } else if (tag == "offsetValue") {
            if (!ScanLong(text, m_offsetValue)) {
                ErrorLog().Printf("Offset value is invalid for pop control. : %s : %s\n", GetPath().c_str(),
                                  text.c_str());
                return false;
            }
        } else {
            ++it;
            continue;
        }
        it = attributes.erase(it);
    }
    m_textRect = CTevRect{textPosition.x, textPosition.y, textPosition.x + textSize.x, textPosition.y + textSize.y};
    return true;
}

bool CTevPopControl::Create(CTevView* parent)
{
    if (!CTevControl::Create(parent))
        return false;
    // Every pop control shows and sets its first value; without one it
    // would have nothing to show.
    const CTevValue* value = GetValue(-1);
    if (!value) {
        ErrorLog().Printf("Value references are necessary for pop control. : %s\n", GetPath().c_str());
        return false;
    }
    if (!m_textWriter) {
        ErrorLog().Printf("There is no text writer reference for pop control. : %s\n", GetPath().c_str());
        return false;
    }
    if (m_buttonBitmap && !AcquireBitmap(m_buttonBitmap, "pop control"))
        return false;
    if (m_stringTable && value->GetKind() != CTevValueSpec::kNumeric) {
        ErrorLog().Printf(
            "Referred value type must be integer when string table is referred for pop control. : %s\n",
            GetPath().c_str());
        return false;
    }
    m_buttonPosition.x += m_rect.left;
    m_buttonPosition.y += m_rect.top;
    m_textRect.left += m_rect.left;
    m_textRect.top += m_rect.top;
    m_textRect.right += m_rect.left;
    m_textRect.bottom += m_rect.top;
    return true;
}

bool CTevPopControl::ApplyDefaultsAndCheck(const char* kind, bool buttonTopRight)
{
    const int32_t buttonWidth = m_buttonBitmap ? m_buttonBitmap->GetCellWidth() : 0;
    if (m_buttonPosition.x < m_rect.left || m_buttonPosition.y < m_rect.top) {
        m_buttonPosition = buttonTopRight ? CTevPoint{m_rect.right - buttonWidth, m_rect.top}
                                          : CTevPoint{m_rect.left, m_rect.top};
    }
    const CTevRect button = GetButtonRect();
    if (m_textRect.left < m_rect.left || m_textRect.top < m_rect.top) {
        const CTevPoint to = buttonTopRight ? CTevPoint{m_rect.left, m_rect.top} : CTevPoint{button.right, m_rect.top};
        m_textRect = CTevRect{to.x, to.y, to.x + m_textRect.Width(), to.y + m_textRect.Height()};
    }
    if (m_textRect.Width() <= 0 || m_textRect.Height() <= 0) {
        m_textRect.right = buttonTopRight ? button.left : m_rect.right;
        m_textRect.bottom = m_rect.bottom;
    }
    if (m_buttonBitmap && !Inside(m_rect, m_buttonPosition)) {
        ErrorLog().Printf("Button position is invalid for %s. : %s\n", kind, GetPath().c_str());
        return false;
    }
    if (!Inside(m_rect, CTevPoint{m_textRect.left, m_textRect.top})) {
        ErrorLog().Printf("Text position is invalid for %s. : %s\n", kind, GetPath().c_str());
        return false;
    }
    if (m_textRect.Width() <= 0 || m_textRect.Height() <= 0) {
        ErrorLog().Printf("Text size is invalid for %s. : %s\n", kind, GetPath().c_str());
        return false;
    }
    return true;
}

CTevRect CTevPopControl::GetButtonRect() const
{
    if (!m_buttonBitmap)
        return CTevRect{m_buttonPosition.x, m_buttonPosition.y, m_buttonPosition.x, m_buttonPosition.y};
    const CTevPoint cell = m_buttonBitmap->GetCellSize();
    return CTevRect{m_buttonPosition.x, m_buttonPosition.y, m_buttonPosition.x + cell.x, m_buttonPosition.y + cell.y};
}

void CTevPopControl::Draw(CTevDrawInfo& drawInfo)
{
    if (m_textWriter && drawInfo.IntersectsUpdate(m_textRect))
        m_textWriter->DrawText(drawInfo, m_textRect, m_text);
    if (m_buttonBitmap && drawInfo.IntersectsUpdate(GetButtonRect()))
        m_buttonBitmap->DrawState(drawInfo, m_buttonPosition, m_pressed ? 1 : 0);
}

bool CTevPopControl::OnMouse(CTevMouseInfo& mouse)
{
    if (CTevControl::OnMouse(mouse))
        return true;
    const CTevPoint point = mouse.GetPoint();
    if (!HasCapture() && !Inside(m_rect, point))
        return false;
    if (mouse.kind != CTevMouseInfo::kButtonDown && mouse.kind != CTevMouseInfo::kDoubleClick)
        return false;
    if (!IsActive())
        SetActive(true);
    if (m_buttonBitmap && !Inside(GetButtonRect(), point))
        return false;
    m_pressed = true;
    if (m_buttonBitmap) {
        const CTevRect button = GetButtonRect();
        Invalidate(&button);
    }
    OpenPopup();
    return true;
}

void CTevPopControl::ReleaseButton()
{
    m_pressed = false;
    if (m_buttonBitmap) {
        const CTevRect button = GetButtonRect();
        Invalidate(&button);
    }
}

void CTevPopControl::SetRect(const CTevRect& rect)
{
    const CTevRect old = m_rect;
    CTevControl::SetRect(rect);
    m_textRect.left += m_rect.left - old.left;
    m_textRect.top += m_rect.top - old.top;
    m_textRect.right += m_rect.right - old.right;
    m_textRect.bottom += m_rect.bottom - old.bottom;
    m_buttonPosition.x += m_rect.left - old.left;
    m_buttonPosition.y += m_rect.top - old.top;
}

bool CTevPopControl::Serialize(CTevArchive& archive)
{
    return CTevControl::Serialize(archive) && archive.SerializeObjectRef(m_buttonBitmap) &&
           archive.SerializePoint(m_buttonPosition) && archive.SerializeRect(m_textRect) &&
           archive.SerializeObjectRef(m_textWriter) && archive.SerializeObjectRef(m_stringTable) &&
           archive.SerializeInt(m_offsetValue);
}
