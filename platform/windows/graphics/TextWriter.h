// Text drawn with a GDI font, colours, alignment and background mode.
#pragma once

#include "graphics/DrawInfo.h"

#include "core/TevResources.h"

#include <string>

class CTextWriter : public CTevTextWriter {
public:
    CTextWriter() = default;
    ~CTextWriter() override;

    // A font of the attributes (face names longer than 31 characters are
    // cut); the writer keeps it with the colours and alignment. False, with
    // nothing changed, when the platform makes no font.
    bool CreateFont(const CAttributes& attributes) override;
    bool GetAttributes(CAttributes& attributes) const override;
    // One line, clipped to the rect; the opaque mode fills the rect with the
    // background colour first.
    void DrawText(CTevDrawInfo& drawInfo, const CTevRect& rect, const std::string& text) override;

    HFONT GetFont() const { return m_font; }

private:
    HFONT m_font = nullptr;
    CTevColor m_fontColor{};
    CTevColor m_backgroundColor{};
    int32_t m_horizontalAlignment = kAlignLeft;
    int32_t m_verticalAlignment = kAlignTop;
    int32_t m_backgroundMode = kOpaque;
};
