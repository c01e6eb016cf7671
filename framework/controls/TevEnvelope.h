#pragma once
// The envelope display (script type "envelope"): a seven-point curve drawn
// from up to five levels ("L0ValueRef".."L4ValueRef") and four times
// ("T1ValueRef".."T4ValueRef"). It takes no input of its own and follows
// its values: every change recomputes the points and repaints the rect.
#include "controls/TevControl.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

class CTevGraphDrawer;

class CTevEnvelopeControl : public CTevControl {
public:
    static constexpr const char* kTypeName = "envelope";
    static constexpr int kPointCount = 7;
    // Slots 0..4 are the levels L0..L4, slots 5..8 the times T1..T4.
    static constexpr int kSlotCount = 9;

    static const CTevColor kBackground;
    static const CTevColor kCurve;

    // Makes the graph drawer through the resource factory and seven zero
    // points.
    CTevEnvelopeControl();
    ~CTevEnvelopeControl() override;

    // The control's attributes, then every slot attribute: each becomes a
    // new reference, and the slot maps to the latest one. Never fails by
    // itself.
    bool ReadAttributes(CTevPairList& attributes) override;
    // The control's create; then L1..L3 and T1..T4 must all be given.
    bool Create(CTevView* parent) override;
    // Background, then the curve twice: wide in the glow colour, thin in
    // the curve colour.
    void Draw(CTevDrawInfo& drawInfo) override;
    // The points follow the rect.
    void SetRect(const CTevRect& rect) override;
    // The control part, then the slot map (count, then slot and reference
    // index pairs in ascending slot order); value passes only.
    bool Serialize(CTevArchive& archive) override;
    std::string GetTypeName() const override { return kTypeName; }
    // Recomputes the seven points from the values and the rect.
    void Update() override;

    // The slot's (index, count): the bound value's index and its spec's
    // step count; (0, 1) for a slot without a usable value. The index is
    // kept within 0..count-1.
    void GetSlotPosition(int slot, int32_t& index, int32_t& count) const;

    const std::vector<CTevPoint>& GetPoints() const { return m_points; }
    const std::map<int, int>& GetSlotMap() const { return m_slots; }

private:
    // Slot number to index into the view's references.
    std::map<int, int> m_slots;
    std::unique_ptr<CTevGraphDrawer> m_drawer;
    std::vector<CTevPoint> m_points;
};
