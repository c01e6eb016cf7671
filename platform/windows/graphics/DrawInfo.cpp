#include "graphics/DrawInfo.h"

#include <algorithm>

bool CDrawInfo::IntersectsUpdate(const CTevRect& rect)
{
    if (m_updateRects != nullptr) {
        for (const CTevRect& update : *m_updateRects) {
            const int32_t left = std::max(rect.left, update.left);
            const int32_t top = std::max(rect.top, update.top);
            const int32_t right = std::min(rect.right, update.right);
            const int32_t bottom = std::min(rect.bottom, update.bottom);
            if (right >= left && bottom >= top) {
                return true;
            }
        }
        return false;
    }
    if (m_dc == nullptr) {
        return false;
    }
    const RECT area = ToRECT(rect);
    return ::RectVisible(m_dc, &area) != FALSE;
}

void GetRegionRects(HRGN region, CRectList& rects)
{
    if (region == nullptr) {
        return;
    }
    const DWORD size = ::GetRegionData(region, 0, nullptr);
    if (size < sizeof(RGNDATAHEADER)) {
        return;
    }
    // DWORD elements keep the header and the rectangles aligned.
    std::vector<DWORD> buffer((size + sizeof(DWORD) - 1) / sizeof(DWORD));
    auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
    if (::GetRegionData(region, size, data) == 0) {
        return;
    }
    const DWORD fits = (size - data->rdh.dwSize) / sizeof(RECT);
    const DWORD count = std::min<DWORD>(data->rdh.nCount, fits);
    const auto* list = reinterpret_cast<const RECT*>(reinterpret_cast<const char*>(data) + data->rdh.dwSize);
    for (DWORD i = 0; i < count; ++i) {
        rects.push_back(CTevRect{list[i].left, list[i].top, list[i].right, list[i].bottom});
    }
}
