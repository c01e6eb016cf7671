#include "PopEditControl.h"

#include "PopupEdit.h"
#include "graphics/TextWriter.h"

#include "views/TevViewFactory.h"

void CPopEditControl::OpenEditor()
{
    const CTevPoint corner = ClientToScreen(CTevPoint{m_textRect.left, m_textRect.top});
    const int32_t width = m_textRect.Width();
    const int32_t height = m_textRect.Height();
    const RECT rect{corner.x, corner.y + height + 2, corner.x + width, corner.y + 2 * height + 2};

    CPopupEdit editor;
    if (auto* writer = dynamic_cast<CTextWriter*>(m_textWriter)) {
        editor.m_font = writer->GetFont();
    }
    editor.m_text = GetText();
    if (editor.Popup(rect, nullptr)) {
        CommitText(editor.m_text);
    }
    ReleaseButton();
    SetActive(false);
}

void RegisterPopEditControl(CTevViewFactory& factory)
{
    factory.RegisterControl(CPopEditControl::kTypeName, TevCreateControl<CPopEditControl>);
}
