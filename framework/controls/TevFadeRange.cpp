#include "controls/TevFadeRange.h"

#include "core/TevArchive.h"
#include "core/TevHelpers.h"
#include "core/TevResources.h"
#include "core/TevTextOut.h"
#include "core/TevValue.h"
#include "views/TevDrawing.h"

#include <algorithm>
#include <vector>

namespace {

const CTevColor kWhite{0xFF00, 0xFF00, 0xFF00};
const CTevColor kBlack{0, 0, 0};

} // namespace

const CTevColor CTevFadeRangeControl::kOutside{0x7000, 0x7000, 0x7000};
const CTevColor CTevFadeRangeControl::kFade{0x1000, 0xA000, 0x1000};
const CTevColor CTevFadeRangeControl::kRange{0x8000, 0xF000, 0x4000};

CTevFadeRangeControl::CTevFadeRangeControl() : m_drawer(Resources().CreateGraphDrawer()) {}

CTevFadeRangeControl::~CTevFadeRangeControl() = default;

bool CTevFadeRangeControl::ReadAttributes(CTevPairList& attributes)
{
    if (!CTevControl::ReadAttributes(attributes))
        return false;
    std::string rangeLower;
    std::string rangeUpper;
    std::string fadeLower;
    std::string fadeUpper;
    bool hasRangeLower = false;
    bool hasRangeUpper = false;
    bool hasFadeLower = false;
    bool hasFadeUpper = false;
    for (auto it = attributes.begin(); it != attributes.end();) {
        const std::string& tag = it->first;
        const std::string& text = it->second;
        if (tag == "displayRange") {
            int32_t lower = 0;
            int32_t upper = 0;
            if (!ScanTwoLongs(text, lower, upper)) {
                ErrorLog().Printf("Display range is invalid for fade range. : %s :%s\n", GetPath().c_str(),
                                  text.c_str());
                return false;
            }
            if (lower < 0 || upper < lower) {
                ErrorLog().Printf("Display range lower is invalid for fade range. : %s : %s\n", GetPath().c_str(),
                                  text.c_str());
                return false;
            }
            if (upper > kDisplayLimit) {
                ErrorLog().Printf("Display range upper is invalid for fade range. : %s : %s\n", GetPath().c_str(),
                                  text.c_str());
                return false;
            }
            m_displayMin = lower;
            m_displayMax = upper;
        } else if (tag == "rangeLowerValueRef") {
            rangeLower = text;
            hasRangeLower = true;
        } else if (tag == "rangeUpperValueRef") {
            rangeUpper = text;
            hasRangeUpper = true;
        } else if (tag == "fadeWidthLowerValueRef") {
            fadeLower = text;
            hasFadeLower = true;
        } else if (tag == "fadeWidthUpperValueRef") {
            fadeUpper = text;
            hasFadeUpper = true;
        } else {
            ++it;
            continue;
        }
        it = attributes.erase(it);
    }
    if (!hasRangeLower || !hasRangeUpper) {
        ErrorLog().Printf("Either or both of range value references are not defined for fade range. : %s\n",
                          GetPath().c_str());
        return false;
    }
    m_valueRefs.emplace_back(rangeLower);
    m_valueRefs.emplace_back(rangeUpper);
    if (hasFadeLower != hasFadeUpper) {
        ErrorLog().Printf("Either of fade width value references is not defined for fade range. : %s\n",
                          GetPath().c_str());
        return false;
    }
    if (hasFadeLower) {
        m_valueRefs.emplace_back(fadeLower);
        m_valueRefs.emplace_back(fadeUpper);
    }
    return true;
}

bool CTevFadeRangeControl::Create(CTevView* parent)
{
    if (!CTevControl::Create(parent)) {
        ErrorLog().Printf("Unable to create fade range control. : %s\n", GetPath().c_str());
        return false;
    }
    return true;
}

void CTevFadeRangeControl::Update()
{
    auto integerOf = [this](int index) {
        const CTevValue* value = GetValue(index);
        return value ? value->GetInteger() : 0;
    };
    m_rangeLower = integerOf(0);
    m_rangeUpper = integerOf(1);
    if (GetValueRefCount() == 4) {
        m_fadeWidthLower = integerOf(2);
        m_fadeWidthUpper = integerOf(3);
    }
}

int32_t CTevFadeRangeControl::ScaleX(int64_t value) const
{
    const int32_t left = m_rect.left;
    const int32_t right = m_rect.right;
    if (m_displayMax == m_displayMin)
        return left;
    // A value outside the display range lands on the edge it passed, so no
    // band and no bevel line reaches over the neighbouring controls.
    value = std::clamp<int64_t>(value, m_displayMin, m_displayMax);
    // The product is formed before the division.
    const int64_t x = (int64_t(right) - left) * (value - m_displayMin) / (m_displayMax - m_displayMin) + left;
    return static_cast<int32_t>(x);
}

void CTevFadeRangeControl::GetBands(CTevRect bands[5]) const
{
    const int32_t L = m_rect.left;
    const int32_t T = m_rect.top;
    const int32_t R = m_rect.right;
    const int32_t B = m_rect.bottom;
    // 64 bits: a bound plus its fade width may leave the 32-bit range.
    const int64_t lo = m_rangeLower;
    const int64_t hi = m_rangeUpper;
    const int32_t fadeStart = ScaleX(std::max<int64_t>(lo - m_fadeWidthLower, m_displayMin));
    const int32_t rangeStart = std::max(ScaleX(lo) - 1, L);
    const int32_t rangeEnd = ScaleX(hi);
    const int32_t fadeEnd = ScaleX(std::min<int64_t>(hi + m_fadeWidthUpper, m_displayMax));
    bands[0] = {L, T, fadeStart, B};
    bands[1] = {fadeStart, T, rangeStart, B};
    bands[2] = {rangeStart, T, rangeEnd, B};
    bands[3] = {rangeEnd, T, fadeEnd, B};
    bands[4] = {fadeEnd, T, R, B};
}

void CTevFadeRangeControl::Draw(CTevDrawInfo& drawInfo)
{
    if (!m_drawer || !drawInfo.IntersectsUpdate(m_rect))
        return;
    CTevRect bands[5];
    GetBands(bands);
    const CTevColor colors[5] = {kOutside, kFade, kRange, kFade, kOutside};
    for (int i = 0; i < 5; ++i)
        DrawBand(drawInfo, bands[i], colors[i]);
}

void CTevFadeRangeControl::DrawBand(CTevDrawInfo& drawInfo, const CTevRect& band, const CTevColor& color)
{
    // Two light lines at the top and two dark ones at the bottom give the
    // band its bevel.
    struct CBevel {
        int32_t y;
        const CTevColor& other;
        double x;
    };
    const CBevel bevels[4] = {{band.top, kWhite, 0.4},
                              {band.top + 1, kWhite, 0.8},
                              {band.bottom - 2, kBlack, 0.3},
                              {band.bottom - 1, kBlack, 0.6}};
    m_drawer->FillRect(drawInfo, band, color);
    for (const CBevel& bevel : bevels) {
        const std::vector<CTevPoint> line{{band.left, bevel.y}, {band.right, bevel.y}};
        m_drawer->Polyline(drawInfo, line, 1, BlendColor(color, bevel.other, bevel.x));
    }
}

bool CTevFadeRangeControl::Serialize(CTevArchive& archive)
{
    return CTevControl::Serialize(archive) && archive.SerializeInt(m_displayMin) &&
           archive.SerializeInt(m_displayMax);
}
