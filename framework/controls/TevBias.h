#pragma once
// The bias display (script type "bias"): a three-point curve of a keyboard
// bias. The middle point sits at the bias position across the width; the
// outer segments slope by the bias level, on the side or sides the bias
// direction names. It takes no input of its own and follows its values.
#include "controls/TevControl.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CTevGraphDrawer;

class CTevBiasControl : public CTevControl {
public:
    static constexpr const char* kTypeName = "bias";
    // The order of the three references.
    enum : int { kLevel = 0, kPosition = 1, kDirection = 2 };

    static const CTevColor kBackground;
    static const CTevColor kCentreLines;
    static const CTevColor kCurve;

    CTevBiasControl();
    ~CTevBiasControl() override;

    // The control's attributes, then "levelValueRef", "positionValueRef"
    // and "directionValueRef"; the three references are appended in that
    // order, a missing one with an empty name.
    bool ReadAttributes(CTevPairList& attributes) override;
    // Exactly three references; level and position with more than one step;
    // a width other than 0.
    bool Create(CTevView* parent) override;
    // Background, the two centre lines, then the curve twice.
    void Draw(CTevDrawInfo& drawInfo) override;
    // The curve follows the rect.
    void SetRect(const CTevRect& rect) override;
    std::string GetTypeName() const override { return kTypeName; }
    // Recomputes the three points, in hundredths of a pixel.
    void Update() override;

    const std::vector<CTevPoint>& GetPoints() const { return m_points; }

private:
    std::unique_ptr<CTevGraphDrawer> m_drawer;
    std::vector<CTevPoint> m_points;
};
