#include "controls/TevStaticControls.h"

#include "core/TevArchive.h"
#include "core/TevHelpers.h"
#include "core/TevResources.h"
#include "core/TevTextOut.h"
#include "core/TevValue.h"
#include "views/TevDrawing.h"

#include <algorithm>

bool CTevStaticTextControl::ReadAttributes(CTevPairList& attributes)
{
    if (!CTevControl::ReadAttributes(attributes))
        return false;
    for (auto it = attributes.begin(); it != attributes.end();) {
        const std::string& tag = it->first;
        const std::string& text = it->second;
        if (tag == "textWriterRef") {
            m_textWriter = Resources().m_textWriters.FindByName(text);
            if (!m_textWriter) {
                ErrorLog().Printf("Unable to find text writer %s.\n", text.c_str());
                return false;
            }
        } else if (tag == "offsetValue") {
            if (!ScanLong(text, m_offsetValue)) {
                ErrorLog().Printf("StaticText %s offsetValue is invalid. : %s\n", m_name.c_str(), text.c_str());
                return false;
            }
        } else if (tag == "stringTableRef") {
            m_stringTable = Resources().m_stringTables.FindByName(text);
            if (!m_stringTable) {
                ErrorLog().Printf("Unable to find string table %s.\n", text.c_str());
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

bool CTevStaticTextControl::Create(CTevView* parent)
{
    if (!CTevControl::Create(parent)) {
        ErrorLog().Printf("Unable to create static text control.\n");
        return false;
    }
    if (!GetValue(-1)) {
        ErrorLog().Printf("There is no value reference.\n");
        return false;
    }
    if (!m_textWriter) {
        ErrorLog().Printf("There is no text writer reference.\n");
        return false;
    }
    return true;
}

void CTevStaticTextControl::Draw(CTevDrawInfo& drawInfo)
{
    if (!m_textWriter || !drawInfo.IntersectsUpdate(m_rect))
        return;
    m_textWriter->DrawText(drawInfo, m_rect, m_text);
}

bool CTevStaticTextControl::Serialize(CTevArchive& archive)
{
    return CTevControl::Serialize(archive) && archive.SerializeObjectRef(m_textWriter) &&
           archive.SerializeInt(m_offsetValue) && archive.SerializeObjectRef(m_stringTable);
}

void CTevStaticTextControl::Update()
{
    const CTevValue* value = GetValue(-1);
    if (!value)
        return;
    switch (value->GetKind()) {
    case CTevValueSpec::kText:
        m_text = value->GetString();
        break;
    case CTevValueSpec::kNumeric:
        // A table without entries shows the number.
        m_text = m_stringTable && m_stringTable->GetCount() > 0 ? TableEntry(*m_stringTable, value->GetIndex())
                                                                 : OffsetNumberText(value->GetInteger(), m_offsetValue);
        break;
    default:
        break;
    }
}
