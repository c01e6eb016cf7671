#include "controls/TevStaticControls.h"

#include "core/TevArchive.h"
#include "core/TevHelpers.h"
#include "core/TevResources.h"
#include "core/TevTextOut.h"
#include "core/TevValue.h"
#include "views/TevDrawing.h"

#include <algorithm>

bool CTevStaticTextPictureControl::ReadAttributes(CTevPairList& attributes)
{
    if (!CTevControl::ReadAttributes(attributes))
        return false;
    for (auto it = attributes.begin(); it != attributes.end();) {
        const std::string& tag = it->first;
        const std::string& text = it->second;
        if (tag == "textWriterRef") {
            m_textWriter = Resources().m_textWriters.FindByName(text);
            if (!m_textWriter) {
                ErrorLog().Printf("Unable to find text writer for static text picture. : %s : %s.\n",
                                  GetPath().c_str(), text.c_str());
                return false;
            }
        } else if (tag == "offsetValue") {
            if (!ScanLong(text, m_offsetValue)) {
                ErrorLog().Printf("Offset value is invalid for static text picture. : %s : %s\n", GetPath().c_str(),
                                  text.c_str());
                return false;
            }
        } else if (tag == "unit") {
            m_unit = text;
        } else if (tag == "stringTableRef") {
            m_stringTable = Resources().m_stringTables.FindByName(text);
            if (!m_stringTable) {
                ErrorLog().Printf("Unable to find string table for static text picture. : %s : %s.\n",
                                  GetPath().c_str(), text.c_str());
                return false;
            }
        } else if (tag == "bitmapRef") {
            m_bitmap = FindBitmapRef(text, "static text picture", ".");
            if (!m_bitmap)
                return false;
        } else {
            ++it;
            continue;
        }
        it = attributes.erase(it);
    }
    return true;
}

bool CTevStaticTextPictureControl::Create(CTevView* parent)
{
    if (!CTevControl::Create(parent)) {
        ErrorLog().Printf("Unable to create static text picture. : %s\n", GetPath().c_str());
        return false;
    }
    if (!GetValue(-1)) {
        ErrorLog().Printf("There is no value reference for static text picture. : %s\n", GetPath().c_str());
        return false;
    }
    if (!m_textWriter) {
        ErrorLog().Printf("There is no text writer reference for static text picture. : %s\n", GetPath().c_str());
        return false;
    }
    if (!m_bitmap) {
        ErrorLog().Printf("There is no bitmap reference for static text picture. : %s\n", GetPath().c_str());
        return false;
    }
    if (!AcquireBitmap(m_bitmap, "static text picture"))
        return false;
    return true;
}

void CTevStaticTextPictureControl::Draw(CTevDrawInfo& drawInfo)
{
    if (!drawInfo.IntersectsUpdate(m_rect))
        return;
    if (m_pictureState < 0) {
        if (m_textWriter)
            m_textWriter->DrawText(drawInfo, m_rect, m_text);
        return;
    }
    if (!m_bitmap)
        return;
    const CTevPoint cell = m_bitmap->GetCellSize();
    const int32_t y = static_cast<int32_t>((int64_t(m_rect.top) + m_rect.bottom) / 2 - cell.y / 2);
    m_bitmap->DrawState(drawInfo, CTevPoint{m_rect.right - cell.x, y}, m_pictureState);
}

bool CTevStaticTextPictureControl::Serialize(CTevArchive& archive)
{
    return CTevControl::Serialize(archive) && archive.SerializeObjectRef(m_textWriter) &&
           archive.SerializeInt(m_offsetValue) && archive.SerializeString(m_unit) &&
           archive.SerializeObjectRef(m_stringTable) && archive.SerializeObjectRef(m_bitmap);
}

void CTevStaticTextPictureControl::Update()
{
    const CTevValue* value = GetValue(-1);
    if (!value || !value->GetSpec() || !m_bitmap)
        return;
    const int64_t index = value->GetIndex();
    const int64_t count = value->GetSpec()->GetCount();
    const int64_t states = m_bitmap->GetStateCount();
    if (index < count - states) {
        m_text = m_stringTable && m_stringTable->GetCount() > 0
                     ? TableEntry(*m_stringTable, index)
                     : OffsetNumberText(value->GetInteger(), m_offsetValue, m_unit);
        m_pictureState = -1;
        return;
    }
    m_text.clear();
    m_pictureState = ClampState(*m_bitmap, index + states - count);
}
