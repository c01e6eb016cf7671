#pragma once
// A push button ("incrementButton") that adds "deltaValue" index steps to
// its value when pressed and repeats while it is held: at once, again after
// 200 ms, then every 50 ms, each step taken at the first tick past its
// deadline. Steps are clamped to the value's range; nothing is sent at
// either end.
#include "controls/TevButton.h"
#include "views/TevTickTimers.h"

#include <cstdint>
#include <string>

class CTevIncrementButton : public CTevButton {
public:
    static constexpr const char* kTypeName = "incrementButton";
    // The one timer id used.
    enum : int { kTimerId = 0 };

    // The button's attributes, then "deltaValue" (a number; 1 by default,
    // negative steps downward).
    bool ReadAttributes(CTevPairList& attributes) override;
    // The button's create; the button needs a value to step.
    bool Create(CTevView* parent) override;
    // The repeat: while the button is active, shown pressed and its
    // deadline has passed, one step and the next deadline in 50 ms. False,
    // so the tick goes on to other views.
    bool OnTick(int tick) override;
    // The button's part, then the delta.
    bool Serialize(CTevArchive& archive) override;
    std::string GetTypeName() const override { return kTypeName; }
    // One step at once; the first repeat is due in 200 ms.
    void OnPress(CTevMouseInfo& mouse) override;
    // The repeat ends.
    void OnRelease(CTevMouseInfo& mouse) override;

    int32_t GetDelta() const { return m_delta; }
    const CTevTickTimers& GetTimers() const { return m_timers; }

private:
    bool stepValue();

    int32_t m_delta = 1;
    CTevTickTimers m_timers;
};
