#include "controls/TevBias.h"

#include "core/TevHelpers.h"
#include "core/TevResources.h"
#include "core/TevTextOut.h"
#include "core/TevValue.h"
#include "views/TevDrawing.h"

#include <algorithm>

namespace {

int32_t StepCount(const CTevValue* value)
{
    return value && value->GetSpec() ? value->GetSpec()->GetCount() : 0;
}

// The value's index and the last index of its range; (0, 0) without a
// usable value.
void PositionOf(const CTevValue* value, int64_t& index, int64_t& last)
{
    const int32_t count = StepCount(value);
    last = count > 1 ? count - 1 : 0;
    index = last > 0 ? std::clamp<int64_t>(value->GetIndex(), 0, last) : 0;
}

// The inner box of the curve in hundredths of a pixel, and the middle point.
struct CBox {
    int64_t x0, x1, y0, y1, mx, my;

    // The end of a segment that leaves the middle point toward the edge xe
    // with the slope k (hundredths of a pixel down per pixel): on the edge
    // when it stays inside the box, else where it crosses the top or the
    // bottom. A box without height shows no slope: the end lies on the
    // middle line.
    CTevPoint End(int64_t xe, int64_t k) const
    {
        const int64_t dy = k * (xe - mx);
        const int64_t y = my + dy / 100;
        if (y1 < y0)
            return Point(xe, my);
        if (y >= y0 && y <= y1)
            return Point(xe, y);
        if (k == 0)
            return Point(xe, my);
        const int64_t bound = dy >= 0 ? y1 : y0;
        return Point(mx + (bound - my) * 100 / k, bound);
    }
    static CTevPoint Point(int64_t x, int64_t y)
    {
        return CTevPoint{static_cast<int32_t>(x / 100), static_cast<int32_t>(y / 100)};
    }
};

} // namespace

const CTevColor CTevBiasControl::kBackground{0x2B00, 0x1300, 0x5800};
const CTevColor CTevBiasControl::kCentreLines{0xDE00, 0x0000, 0xFF00};
const CTevColor CTevBiasControl::kCurve{0x0000, 0xFF00, 0xDE00};

CTevBiasControl::CTevBiasControl() : m_drawer(Resources().CreateGraphDrawer()) {}

CTevBiasControl::~CTevBiasControl() = default;

bool CTevBiasControl::ReadAttributes(CTevPairList& attributes)
{
    if (!CTevControl::ReadAttributes(attributes))
        return false;
    std::string names[3];
    for (auto it = attributes.begin(); it != attributes.end();) {
        if (it->first == "levelValueRef")
            names[kLevel] = it->second;
        else if (it->first == "positionValueRef")
            names[kPosition] = it->second;
        else if (it->first == "directionValueRef")
            names[kDirection] = it->second;
        else {
            ++it;
            continue;
        }
        it = attributes.erase(it);
    }
    for (const std::string& name : names)
        m_valueRefs.emplace_back(name);
    return true;
}

bool CTevBiasControl::Create(CTevView* parent)
{
    if (!CTevControl::Create(parent)) {
        ErrorLog().Printf("Unable to create bias control %s.\n", GetPath().c_str());
        return false;
    }
    if (GetValueRefCount() != 3) {
        ErrorLog().Printf("There is no value reference for bias control %s.\n", GetPath().c_str());
        return false;
    }
    if (StepCount(GetValue(kLevel)) <= 1) {
        ErrorLog().Printf("Level value for bias control %s must have some range.\n", GetPath().c_str());
        return false;
    }
    if (StepCount(GetValue(kPosition)) <= 1) {
        ErrorLog().Printf("Position value for bias control %s must have some range.\n", GetPath().c_str());
        return false;
    }
    if (m_rect.Width() == 0) {
        ErrorLog().Printf("Rectangle width for bias control %s can not be 0.\n", GetPath().c_str());
        return false;
    }
    m_points.assign(3, CTevPoint{});
    return true;
}

void CTevBiasControl::Update()
{
    CBox box;
    box.x0 = int64_t(m_rect.left) * 100 + 100;
    box.x1 = int64_t(m_rect.right) * 100 - 200;
    box.y0 = int64_t(m_rect.top) * 100 + 100;
    box.y1 = int64_t(m_rect.bottom) * 100 - 200;

    int64_t position = 0;
    int64_t positionLast = 0;
    PositionOf(GetValue(kPosition), position, positionLast);
    int64_t level = 0;
    int64_t levelLast = 0;
    PositionOf(GetValue(kLevel), level, levelLast);

    box.mx = positionLast > 0 ? position * (box.x1 - box.x0) / positionLast + box.x0 : box.x0;
    box.my = (box.y0 + box.y1) / 2;
    const int64_t levelHeight = levelLast > 0 ? level * (box.y1 - box.y0) / levelLast : 0;
    // A box of no width (3 pixels or less) has no slope: the curve lies
    // flat.
    const int64_t width = box.x1 - box.x0;
    const int64_t s = width > 0 ? (box.y1 - levelHeight - box.my) * 200 / width : 0;

    const CTevValue* direction = GetValue(kDirection);
    const CTevPoint leftFlat = CBox::Point(box.x0, box.my);
    const CTevPoint rightFlat = CBox::Point(box.x1, box.my);
    CTevPoint leftEnd = leftFlat;
    CTevPoint rightEnd = rightFlat;
    switch (direction ? direction->GetIndex() : -1) {
    case 0:
        leftEnd = box.End(box.x0, -s);
        break;
    case 1:
        rightEnd = box.End(box.x1, s);
        break;
    case 2:
        leftEnd = box.End(box.x0, -s);
        rightEnd = box.End(box.x1, s);
        break;
    case 3:
        leftEnd = box.End(box.x0, s);
        rightEnd = box.End(box.x1, s);
        break;
    default:
        // An unknown direction: flat, never lines to the panel's origin.
        break;
    }
    m_points.assign({leftEnd, CBox::Point(box.mx, box.my), rightEnd});
}

void CTevBiasControl::Draw(CTevDrawInfo& drawInfo)
{
    if (!m_drawer || !drawInfo.IntersectsUpdate(m_rect))
        return;
    const CTevRect& r = m_rect;
    m_drawer->FillRect(drawInfo, r, kBackground);
    const int32_t midY = (r.top + r.bottom) / 2;
    m_drawer->MoveTo(drawInfo, CTevPoint{r.left, midY});
    m_drawer->LineTo(drawInfo, CTevPoint{r.right, midY}, 1, kCentreLines);
    const int32_t midX = (r.left + r.right) / 2;
    m_drawer->MoveTo(drawInfo, CTevPoint{midX, r.top});
    m_drawer->LineTo(drawInfo, CTevPoint{midX, r.bottom}, 1, kCentreLines);
    if (m_points.size() < 2)
        return;
    m_drawer->Polyline(drawInfo, m_points, 3, BlendColor(kBackground, kCurve, 0.3));
    m_drawer->Polyline(drawInfo, m_points, 1, kCurve);
}

void CTevBiasControl::SetRect(const CTevRect& rect)
{
    CTevControl::SetRect(rect);
    Update();
}
