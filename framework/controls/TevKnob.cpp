#include "controls/TevKnob.h"

#include "core/TevArchive.h"
#include "core/TevHelpers.h"
#include "core/TevResources.h"
#include "core/TevTextOut.h"
#include "core/TevValue.h"
#include "views/TevDrawing.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

CTevPoint CTevKnobControl::s_lastPosition = CTevKnobControl::kNoPosition;

namespace {

constexpr double kDegreesPerRadian = 57.29577951308232;

} // namespace

bool CTevKnobControl::ReadAttributes(CTevPairList& attributes)
{
    if (!CTevDragControl::ReadAttributes(attributes))
        return false;
    for (auto it = attributes.begin(); it != attributes.end();) {
        const std::string& tag = it->first;
        const std::string& text = it->second;
        if (tag == "bitmapRef") {
            m_bitmap = FindBitmapRef(text, "knob");
            if (!m_bitmap)
                return false;
        } else if (tag == "angleRange") {
            int32_t minimum = m_angleMin;
            int32_t maximum = m_angleMax;
            if (!ScanTwoLongs(text, minimum, maximum)) {
                ErrorLog().Printf("Angle range is invalid for knob. : %s : %s\n", GetPath().c_str(), text.c_str());
                return false;
            }
            if (minimum >= maximum) {
                ErrorLog().Printf("Angle max must be greater than angle min for knob. : %s : %s\n",
                                  GetPath().c_str(), text.c_str());
                return false;
            }
            m_angleMin = minimum;
            m_angleMax = maximum;
        } else {
            ++it;
            continue;
        }
        it = attributes.erase(it);
    }
    if (!m_bitmap) {
        ErrorLog().Printf("There is no bitmap reference for knob. : %s.\n", GetPath().c_str());
        return false;
    }
    return true;
}

bool CTevKnobControl::Create(CTevView* parent)
{
    if (!CTevDragControl::Create(parent)) {
        ErrorLog().Printf("Unable to create knob. : %s\n", GetPath().c_str());
        return false;
    }
    if (!CheckSteppedIntegerValue("knob"))
        return false;
    if (!AcquireBitmap(m_bitmap, "knob"))
        return false;
    const CTevPoint cell = m_bitmap->GetCellSize();
    // The script's size gives way to the cell size; no update yet.
    CTevView::SetRect(CTevRect{m_rect.left, m_rect.top, m_rect.left + cell.x, m_rect.top + cell.y});
    return true;
}

void CTevKnobControl::Draw(CTevDrawInfo& drawInfo)
{
    if (!m_bitmap || !drawInfo.IntersectsUpdate(m_rect))
        return;
    m_bitmap->DrawState(drawInfo, CTevPoint{m_rect.left, m_rect.top}, m_frame);
}

void CTevKnobControl::SetRect(const CTevRect& rect)
{
    CTevDragControl::SetRect(
        CTevRect{rect.left, rect.top, rect.left + m_rect.Width(), rect.top + m_rect.Height()});
}

bool CTevKnobControl::Serialize(CTevArchive& archive)
{
    return CTevDragControl::Serialize(archive) && archive.SerializeObjectRef(m_bitmap) &&
           archive.SerializeInt(m_angleMin) && archive.SerializeInt(m_angleMax);
}

void CTevKnobControl::Update()
{
    const CTevValue* value = GetValue(-1);
    m_frame = value ? indexToFrame(value->GetIndex()) : 0;
}

std::unique_ptr<CTevKeyOperator> CTevKnobControl::CreateKeyOperator()
{
    return std::make_unique<CTevSingleKeyOperator>(this);
}

std::unique_ptr<CTevTipBarOperator> CTevKnobControl::CreateTipBarOperator()
{
    return std::make_unique<CTevSingleTipBarOperator>(this);
}

void CTevKnobControl::BeginDrag(CTevMouseInfo& mouse)
{
    s_lastPosition = mouse.GetPoint();
    if (PressSetsDefault(mouse))
        s_lastPosition = kNoPosition;
}

void CTevKnobControl::EndDrag(CTevMouseInfo& mouse)
{
    (void)mouse;
    s_lastPosition = kNoPosition;
}

void CTevKnobControl::Drag(CTevMouseInfo& mouse)
{
    const CTevPoint point = mouse.GetPoint();
    if (point == s_lastPosition)
        return;
    const int32_t from = angleOfPoint(s_lastPosition);
    const int32_t to = angleOfPoint(point);
    if (std::abs(to - from) > 180)
        return;
    s_lastPosition = point;
    setValueIndex(angleToIndex(to));
}

int32_t CTevKnobControl::GetStepCount() const
{
    return ValueStepCount();
}

int32_t CTevKnobControl::angleOfPoint(const CTevPoint& point) const
{
    // 64 bits: the sums of far-apart coordinates do not wrap.
    const int64_t cx = (int64_t(m_rect.left) + m_rect.right) / 2;
    const int64_t cy = (int64_t(m_rect.top) + m_rect.bottom) / 2;
    if (point.y == cy)
        return point.x >= cx ? 270 : 90;
    double angle = -std::atan2(double(point.x - cx), double(point.y - cy)) * kDegreesPerRadian;
    if (angle < 0)
        angle += 360;
    return std::clamp(static_cast<int32_t>(angle), 0, 359);
}

int32_t CTevKnobControl::angleToIndex(int32_t angle) const
{
    if (angle < 0) {
        const CTevValue* value = GetValue(-1);
        return value ? value->GetIndex() : 0;
    }
    const int64_t count = GetStepCount();
    if (count < 1)
        return 0;
    // Rounded to the nearest step; 64 bits so that no range overflows.
    const int64_t span = int64_t(m_angleMax) - m_angleMin;
    const int64_t index = ((int64_t(angle) - m_angleMin) * (count - 1) * 10 / span + 5) / 10;
    return static_cast<int32_t>(std::clamp<int64_t>(index, 0, count - 1));
}

int32_t CTevKnobControl::indexToFrame(int32_t index) const
{
    const int64_t cells = m_bitmap ? m_bitmap->GetStateCount() : 1;
    const int64_t count = GetStepCount();
    if (cells < 1 || count < 2)
        return 0;
    const int64_t frame = ((cells - 1) * index * 10 / (count - 1) + 5) / 10;
    return static_cast<int32_t>(std::clamp<int64_t>(frame, 0, cells - 1));
}
