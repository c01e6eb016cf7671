#include "graphics/TextWriter.h"

#include "graphics/GraphDrawer.h"

#include <algorithm>
#include <cstring>

CTextWriter::~CTextWriter()
{
    if (m_font != nullptr) {
        ::DeleteObject(m_font);
    }
}

bool CTextWriter::CreateFont(const CAttributes& attributes)
{
    LOGFONTA record{};
    record.lfHeight = -attributes.fontHeight;
    record.lfEscapement = attributes.verticalFont ? 900 : 0;
    record.lfOrientation = attributes.verticalFont ? 900 : 0;
    record.lfWeight = FW_NORMAL;
    record.lfCharSet = DEFAULT_CHARSET;
    record.lfOutPrecision = OUT_TT_ONLY_PRECIS;
    record.lfClipPrecision = CLIP_LH_ANGLES;
    // The record holds 31 characters and the terminating zero.
    const size_t length = std::min(attributes.fontFaceName.size(), sizeof(record.lfFaceName) - 1);
    std::memcpy(record.lfFaceName, attributes.fontFaceName.data(), length);
    record.lfFaceName[length] = '\0';
    const HFONT font = ::CreateFontIndirectA(&record);
    if (font == nullptr) {
        return false;
    }
    if (m_font != nullptr) {
        ::DeleteObject(m_font);
    }
    m_font = font;
    m_fontColor = attributes.fontColor;
    m_backgroundColor = attributes.backgroundColor;
    m_horizontalAlignment = attributes.horizontalAlignment;
    m_verticalAlignment = attributes.verticalAlignment;
    m_backgroundMode = attributes.backgroundMode;
    return true;
}

bool CTextWriter::GetAttributes(CAttributes& attributes) const
{
    LOGFONTA record{};
    if (m_font == nullptr || ::GetObjectA(m_font, sizeof(record), &record) == 0) {
        return false;
    }
    record.lfFaceName[sizeof(record.lfFaceName) - 1] = '\0';
    attributes.fontFaceName = record.lfFaceName;
    attributes.fontHeight = -record.lfHeight;
    attributes.verticalFont = record.lfOrientation != 0;
    attributes.fontColor = m_fontColor;
    attributes.backgroundColor = m_backgroundColor;
    attributes.horizontalAlignment = m_horizontalAlignment;
    attributes.verticalAlignment = m_verticalAlignment;
    attributes.backgroundMode = m_backgroundMode;
    return true;
}

void CTextWriter::DrawText(CTevDrawInfo& drawInfo, const CTevRect& rect, const std::string& text)
{
    const HDC dc = DeviceContextOf(drawInfo);
    if (dc == nullptr) {
        return;
    }
    const int saved = ::SaveDC(dc);
    if (saved == 0) {
        return;
    }
    const HGDIOBJ previousFont = m_font != nullptr ? ::SelectObject(dc, m_font) : nullptr;
    const COLORREF previousText = ::SetTextColor(dc, ToColorRef(m_fontColor));
    const COLORREF previousBack = ::SetBkColor(dc, ToColorRef(m_backgroundColor));
    const int previousMode = ::SetBkMode(dc, m_backgroundMode == kTransparent ? TRANSPARENT : OPAQUE);
    ::IntersectClipRect(dc, rect.left, rect.top, rect.right, rect.bottom);
    RECT area = ToRECT(rect);
    if (m_backgroundMode != kTransparent) {
        // ETO_OPAQUE fills with the background colour that is already set.
        ::ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &area, nullptr, 0, nullptr);
    }
    UINT format = DT_SINGLELINE | DT_NOPREFIX;
    format |= m_horizontalAlignment == kAlignCenter ? DT_CENTER : m_horizontalAlignment == kAlignRight ? DT_RIGHT : DT_LEFT;
    format |= m_verticalAlignment == kAlignMiddle ? DT_VCENTER : m_verticalAlignment == kAlignBottom ? DT_BOTTOM : DT_TOP;
    ::DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &area, format);
    ::SetBkMode(dc, previousMode);
    ::SetBkColor(dc, previousBack);
    ::SetTextColor(dc, previousText);
    if (previousFont != nullptr) {
        ::SelectObject(dc, previousFont);
    }
    ::RestoreDC(dc, saved);
}
