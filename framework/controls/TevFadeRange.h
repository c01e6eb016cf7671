#pragma once
// The fade-range display (script type "fadeRange"): a range of a horizontal
// scale with soft edges, drawn as five bevelled vertical bands: outside,
// fade below, the range, fade above, outside. It takes no input of its own
// and follows its values.
#include "controls/TevControl.h"

#include <cstdint>
#include <memory>
#include <string>

class CTevGraphDrawer;

class CTevFadeRangeControl : public CTevControl {
public:
    static constexpr const char* kTypeName = "fadeRange";
    // The highest value the scale may show at its right edge.
    static constexpr int32_t kDisplayLimit = 128;

    static const CTevColor kOutside;
    static const CTevColor kFade;
    static const CTevColor kRange;

    CTevFadeRangeControl();
    ~CTevFadeRangeControl() override;

    // The control's attributes, then "displayRange" ("lower,upper" with
    // 0 <= lower <= upper <= 128) and the four references: the two range
    // references are required, the two fade widths come both or not at all.
    bool ReadAttributes(CTevPairList& attributes) override;
    bool Create(CTevView* parent) override;
    // The five bands from left to right.
    void Draw(CTevDrawInfo& drawInfo) override;
    // The control part, then display min and max.
    bool Serialize(CTevArchive& archive) override;
    std::string GetTypeName() const override { return kTypeName; }
    // Reads the range bounds and, with four references, the fade widths.
    void Update() override;

    // The panel x of a value on the scale, kept within the rect so that no
    // band reaches past it; an empty display range puts every value at the
    // left edge.
    int32_t ScaleX(int64_t value) const;
    // The five bands' rects, left to right.
    void GetBands(CTevRect bands[5]) const;

    int32_t GetDisplayMin() const { return m_displayMin; }
    int32_t GetDisplayMax() const { return m_displayMax; }

private:
    void DrawBand(CTevDrawInfo& drawInfo, const CTevRect& band, const CTevColor& color);

    std::unique_ptr<CTevGraphDrawer> m_drawer;
    int32_t m_displayMin = 0;
    int32_t m_displayMax = 0;
    int32_t m_rangeLower = 0;
    int32_t m_rangeUpper = 0;
    int32_t m_fadeWidthLower = 0;
    int32_t m_fadeWidthUpper = 0;
};
