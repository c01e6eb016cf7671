#include "controls/TevStaticControls.h"

#include "core/TevArchive.h"
#include "core/TevHelpers.h"
#include "core/TevResources.h"
#include "core/TevTextOut.h"
#include "core/TevValue.h"
#include "views/TevDrawing.h"

#include <algorithm>

bool CTevPictureControl::ReadAttributes(CTevPairList& attributes)
{
    if (!CTevControl::ReadAttributes(attributes))
        return false;
    for (auto it = attributes.begin(); it != attributes.end();) {
        const std::string& tag = it->first;
        const std::string& text = it->second;
        if (tag == "bitmapRef") {
            m_bitmap = FindBitmapRef(text, "picture", ".");
            if (!m_bitmap)
                return false;
        } else if (tag == "offsetIndex") {
            if (!ScanLong(text, m_offsetIndex)) {
                ErrorLog().Printf("Offset index is invalid for picture. : %s : %s\n", GetPath().c_str(), text.c_str());
                return false;
            }
        } else {
            ++it;
            continue;
        }
        it = attributes.erase(it);
    }
    return true;
}

bool CTevPictureControl::Create(CTevView* parent)
{
    if (!CTevControl::Create(parent)) {
        ErrorLog().Printf("Unable to create picture control %s.\n", m_name.c_str());
        return false;
    }
    if (!GetValue(-1)) {
        ErrorLog().Printf("There is no value reference for picture control %s.\n", GetPath().c_str());
        return false;
    }
    if (!m_bitmap) {
        ErrorLog().Printf("There is no bitmap reference for picture control %s.\n", GetPath().c_str());
        return false;
    }
    // A bitmap that does not load is no reason to refuse the panel: the
    // picture then draws nothing (nobody holds the image).
    m_bitmap->Acquire();
    const CTevPoint cell = m_bitmap->GetCellSize();
    CTevView::SetRect(CTevRect{m_rect.left, m_rect.top, m_rect.left + cell.x, m_rect.top + cell.y});
    return true;
}

void CTevPictureControl::Draw(CTevDrawInfo& drawInfo)
{
    if (!m_bitmap || m_bitmap->GetReferenceCount() == 0 || !drawInfo.IntersectsUpdate(m_rect))
        return;
    m_bitmap->DrawState(drawInfo, CTevPoint{m_rect.left, m_rect.top}, m_state);
}

void CTevPictureControl::SetRect(const CTevRect& rect)
{
    CTevControl::SetRect(CTevRect{rect.left, rect.top, rect.left + m_rect.Width(), rect.top + m_rect.Height()});
}

bool CTevPictureControl::Serialize(CTevArchive& archive)
{
    return CTevControl::Serialize(archive) && archive.SerializeObjectRef(m_bitmap) &&
           archive.SerializeInt(m_offsetIndex);
}

void CTevPictureControl::Update()
{
    const CTevValue* value = GetValue(-1);
    if (!value || !m_bitmap)
        return;
    m_state = ClampState(*m_bitmap, int64_t(value->GetIndex()) + m_offsetIndex);
}
