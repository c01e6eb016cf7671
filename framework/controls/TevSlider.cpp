#include "controls/TevSlider.h"

#include "core/TevArchive.h"
#include "core/TevHelpers.h"
#include "core/TevResources.h"
#include "core/TevTextOut.h"
#include "core/TevValue.h"
#include "views/TevDrawing.h"

#include <algorithm>
#include <cstdlib>

CTevPoint CTevSliderControl::s_lastPosition = CTevSliderControl::kNoPosition;
CTevPoint CTevSliderControl::s_grabOffset;

bool CTevSliderControl::ReadAttributes(CTevPairList& attributes)
{
    if (!CTevDragControl::ReadAttributes(attributes))
        return false;
    for (auto it = attributes.begin(); it != attributes.end();) {
        const std::string& tag = it->first;
        const std::string& text = it->second;
        if (tag == "bitmapRef") {
            m_bitmap = FindBitmapRef(text, "slider");
            if (!m_bitmap)
                return false;
        } else if (tag == "direction") {
            int32_t direction = 0;
            if (!ScanLong(text, direction)) {
                ErrorLog().Printf("Direction is invalid for slider. : %s : %s\n", GetPath().c_str(), text.c_str());
                return false;
            }
            if (direction != 0 && direction != 1) {
                ErrorLog().Printf("Direction must be 0 or 1 for slider. : %s : %s\n", GetPath().c_str(),
                                  text.c_str());
                return false;
            }
            m_horizontal = direction == 1;
        } else {
            ++it;
            continue;
        }
        it = attributes.erase(it);
    }
    if (!m_bitmap) {
        ErrorLog().Printf("There is no bitmap reference for slider. : %s.\n", GetPath().c_str());
        return false;
    }
    return true;
}

bool CTevSliderControl::Create(CTevView* parent)
{
    if (!CTevDragControl::Create(parent)) {
        ErrorLog().Printf("Unable to create slider. : %s\n", GetPath().c_str());
        return false;
    }
    if (!CheckSteppedIntegerValue("slider"))
        return false;
    if (!AcquireBitmap(m_bitmap, "slider"))
        return false;
    const CTevPoint cell = m_bitmap->GetCellSize();
    if (m_horizontal && m_rect.Width() <= cell.x) {
        ErrorLog().Printf("Knob width must be less than base width for slider. : %s\n", GetPath().c_str());
        return false;
    }
    if (!m_horizontal && m_rect.Height() <= cell.y) {
        ErrorLog().Printf("Knob height must be less than base height for slider. : %s\n", GetPath().c_str());
        return false;
    }
    return true;
}

void CTevSliderControl::Draw(CTevDrawInfo& drawInfo)
{
    if (!m_bitmap || !drawInfo.IntersectsUpdate(m_rect))
        return;
    m_bitmap->DrawState(drawInfo, m_knobPosition, 0);
}

bool CTevSliderControl::Serialize(CTevArchive& archive)
{
    return CTevDragControl::Serialize(archive) && archive.SerializeObjectRef(m_bitmap) &&
           archive.SerializeBool(m_horizontal) && archive.SerializePoint(m_knobPosition);
}

void CTevSliderControl::Update()
{
    const CTevValue* value = GetValue(-1);
    m_knobPosition = knobPositionOfIndex(value ? value->GetIndex() : 0);
}

std::unique_ptr<CTevKeyOperator> CTevSliderControl::CreateKeyOperator()
{
    return std::make_unique<CTevSingleKeyOperator>(this);
}

std::unique_ptr<CTevTipBarOperator> CTevSliderControl::CreateTipBarOperator()
{
    return std::make_unique<CTevSingleTipBarOperator>(this);
}

void CTevSliderControl::BeginDrag(CTevMouseInfo& mouse)
{
    const CTevPoint point = mouse.GetPoint();
    s_lastPosition = point;
    if (PressSetsDefault(mouse)) {
        s_lastPosition = kNoPosition;
        return;
    }
    const CTevPoint cell = m_bitmap ? m_bitmap->GetCellSize() : CTevPoint{};
    const CTevPoint knob = m_knobPosition;
    if (point.x >= knob.x && point.x < knob.x + cell.x && point.y >= knob.y && point.y < knob.y + cell.y) {
        s_grabOffset = CTevPoint{point.x - knob.x, point.y - knob.y};
        return;
    }
    // On the track: the knob's middle jumps under the pointer.
    s_grabOffset = m_horizontal ? CTevPoint{cell.x / 2, point.y - knob.y} : CTevPoint{point.x - knob.x, cell.y / 2};
    setValueIndex(indexOfPointer(point));
}

void CTevSliderControl::EndDrag(CTevMouseInfo& mouse)
{
    (void)mouse;
    s_lastPosition = kNoPosition;
}

void CTevSliderControl::Drag(CTevMouseInfo& mouse)
{
    const CTevPoint point = mouse.GetPoint();
    if (point == s_lastPosition)
        return;
    s_lastPosition = point;
    setValueIndex(indexOfPointer(point));
}

CTevPoint CTevSliderControl::knobPositionOfIndex(int32_t index) const
{
    const CTevPoint cell = m_bitmap ? m_bitmap->GetCellSize() : CTevPoint{};
    // 64 bits throughout: far-apart coordinates and large step counts do
    // not wrap.
    int64_t start = 0;
    int64_t end = 0;
    int64_t cross = 0;
    if (m_horizontal) {
        start = m_rect.left;
        end = int64_t(m_rect.right) - cell.x;
        cross = (int64_t(m_rect.top) + m_rect.bottom) / 2 - cell.y / 2;
    } else {
        start = int64_t(m_rect.bottom) - cell.y;
        end = m_rect.top;
        cross = (int64_t(m_rect.left) + m_rect.right) / 2 - cell.x / 2;
    }
    const int64_t count = ValueStepCount();
    int64_t position = start;
    if (count > 1)
        position = ((end - start) * index * 10 / (count - 1) + start * 10 + 5) / 10;
    position = std::clamp(position, std::min(start, end), std::max(start, end));
    if (m_horizontal)
        return CTevPoint{static_cast<int32_t>(position), static_cast<int32_t>(cross)};
    return CTevPoint{static_cast<int32_t>(cross), static_cast<int32_t>(position)};
}

int32_t CTevSliderControl::indexOfPointer(const CTevPoint& point) const
{
    const CTevValue* value = GetValue(-1);
    const int32_t current = value ? value->GetIndex() : 0;
    const int64_t count = ValueStepCount();
    if (count < 2)
        return current;
    const CTevPoint cell = m_bitmap ? m_bitmap->GetCellSize() : CTevPoint{};
    int64_t position = 0;
    int64_t across = 0;
    int64_t centre = 0;
    int64_t extent = 0;
    if (m_horizontal) {
        position = int64_t(point.x) - s_grabOffset.x;
        across = point.y;
        centre = (int64_t(m_rect.top) + m_rect.bottom) / 2;
        extent = m_rect.Height();
    } else {
        position = int64_t(point.y) - s_grabOffset.y;
        across = point.x;
        centre = (int64_t(m_rect.left) + m_rect.right) / 2;
        extent = m_rect.Width();
    }
    const int64_t widening = std::max<int64_t>(std::llabs(across - centre) - extent, 0);
    int64_t start = 0;
    int64_t end = 0;
    if (m_horizontal) {
        start = int64_t(m_rect.left) - widening;
        end = int64_t(m_rect.right) - cell.x + widening;
    } else {
        start = int64_t(m_rect.bottom) - cell.y + widening;
        end = int64_t(m_rect.top) - widening;
    }
    // A slider that the layout tool shrank to its knob has no travel.
    if (end == start)
        return current;
    const int64_t index = ((position - start) * (count - 1) * 10 / (end - start) + 5) / 10;
    return static_cast<int32_t>(std::clamp<int64_t>(index, 0, count - 1));
}
