#include "controls/TevEnvelope.h"

#include "core/TevArchive.h"
#include "core/TevHelpers.h"
#include "core/TevResources.h"
#include "core/TevTextOut.h"
#include "core/TevValue.h"
#include "views/TevDrawing.h"

#include <algorithm>

namespace {

// The script attribute of each slot, in slot order.
const char* const kSlotTags[CTevEnvelopeControl::kSlotCount] = {
    "L0ValueRef", "L1ValueRef", "L2ValueRef", "L3ValueRef", "L4ValueRef",
    "T1ValueRef", "T2ValueRef", "T3ValueRef", "T4ValueRef"};

// The slots a curve cannot do without, with the names that the message
// lists. The start and end levels may be left out: they then sit at the
// bottom.
struct CRequiredSlot {
    int slot;
    const char* label;
};
const CRequiredSlot kRequiredSlots[] = {{1, "L1"}, {2, "L2"}, {3, "L3"}, {5, "T1"},
                                        {6, "T2"}, {7, "T3"}, {8, "T4"}};

int SlotOfTag(const std::string& tag)
{
    for (int slot = 0; slot < CTevEnvelopeControl::kSlotCount; ++slot) {
        if (tag == kSlotTags[slot])
            return slot;
    }
    return -1;
}

} // namespace

const CTevColor CTevEnvelopeControl::kBackground{0x2B00, 0x1300, 0x5800};
const CTevColor CTevEnvelopeControl::kCurve{0x0000, 0xFF00, 0xDE00};

CTevEnvelopeControl::CTevEnvelopeControl()
    : m_drawer(Resources().CreateGraphDrawer()), m_points(kPointCount)
{
}

CTevEnvelopeControl::~CTevEnvelopeControl() = default;

bool CTevEnvelopeControl::ReadAttributes(CTevPairList& attributes)
{
    if (!CTevControl::ReadAttributes(attributes))
        return false;
    for (auto it = attributes.begin(); it != attributes.end();) {
        const int slot = SlotOfTag(it->first);
        if (slot < 0) {
            ++it;
            continue;
        }
        m_valueRefs.emplace_back(it->second);
        m_slots[slot] = GetValueRefCount() - 1;
        it = attributes.erase(it);
    }
    return true;
}

bool CTevEnvelopeControl::Create(CTevView* parent)
{
    if (!CTevControl::Create(parent)) {
        ErrorLog().Printf("Unable to create envelope control %s.\n", m_name.c_str());
        return false;
    }
    std::string missing;
    for (const CRequiredSlot& required : kRequiredSlots) {
        if (m_slots.find(required.slot) == m_slots.end()) {
            missing += required.label;
            missing += ", ";
        }
    }
    if (!missing.empty()) {
        missing.resize(missing.size() - 2);
        ErrorLog().Printf("There is no value reference %s for envelope control %s.\n", missing.c_str(),
                          m_name.c_str());
        return false;
    }
    return true;
}

void CTevEnvelopeControl::GetSlotPosition(int slot, int32_t& index, int32_t& count) const
{
    index = 0;
    count = 1;
    const auto it = m_slots.find(slot);
    if (it == m_slots.end())
        return;
    const CTevValue* value = GetValue(it->second);
    if (!value || !value->GetSpec())
        return;
    const int32_t steps = value->GetSpec()->GetCount();
    // A spec without steps would be divided by; it reads as the bottom.
    if (steps < 1)
        return;
    count = steps;
    index = std::clamp(value->GetIndex(), 0, steps - 1);
}

void CTevEnvelopeControl::Update()
{
    const CTevRect& r = m_rect;
    // 64-bit products: a large rect times a large index must not wrap.
    auto width = [this, &r](int slot) {
        int32_t index = 0;
        int32_t count = 1;
        GetSlotPosition(slot, index, count);
        return static_cast<int32_t>((int64_t(r.right - r.left - 2) * index / count) / 5);
    };
    auto height = [this, &r](int slot) {
        int32_t index = 0;
        int32_t count = 1;
        GetSlotPosition(slot, index, count);
        return static_cast<int32_t>(int64_t(r.bottom - r.top - 2) * index / count);
    };
    const int32_t floor = r.bottom - 2;
    m_points.resize(kPointCount);
    m_points[0] = {r.left + 1, floor - height(0)};
    m_points[1] = {m_points[0].x + width(5), floor - height(1)};
    m_points[2] = {m_points[1].x + width(6), floor - height(2)};
    m_points[3] = {m_points[2].x + width(7), floor - height(3)};
    // The sustain segment: a fixed fifth of the width at level 3.
    m_points[4] = {m_points[3].x + (r.right - r.left) / 5, m_points[3].y};
    m_points[5] = {m_points[4].x + width(8), floor - height(4)};
    m_points[6] = {r.right - 2, m_points[5].y};
}

void CTevEnvelopeControl::Draw(CTevDrawInfo& drawInfo)
{
    if (!m_drawer || !drawInfo.IntersectsUpdate(m_rect))
        return;
    static const CTevColor glow = BlendColor(kBackground, kCurve, 0.3);
    m_drawer->FillRect(drawInfo, m_rect, kBackground);
    m_drawer->Polyline(drawInfo, m_points, 3, glow);
    m_drawer->Polyline(drawInfo, m_points, 1, kCurve);
}

void CTevEnvelopeControl::SetRect(const CTevRect& rect)
{
    CTevControl::SetRect(rect);
    Update();
}

bool CTevEnvelopeControl::Serialize(CTevArchive& archive)
{
    if (!CTevControl::Serialize(archive))
        return false;
    if (!archive.IsValuePass())
        return true;
    int32_t count = static_cast<int32_t>(m_slots.size());
    if (!archive.SerializeCount(count))
        return false;
    if (archive.IsLoading()) {
        m_slots.clear();
        for (int32_t i = 0; i < count; ++i) {
            int32_t slot = 0;
            int32_t index = 0;
            if (!archive.SerializeInt(slot) || !archive.SerializeInt(index))
                return false;
            m_slots[slot] = index;
        }
        return true;
    }
    for (auto [slot, index] : m_slots) {
        int32_t storedSlot = slot;
        int32_t storedIndex = index;
        if (!archive.SerializeInt(storedSlot) || !archive.SerializeInt(storedIndex))
            return false;
    }
    return true;
}
