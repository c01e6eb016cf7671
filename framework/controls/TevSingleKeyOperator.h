#pragma once
// Keyboard operation of a drag control (knob, slider): while the control is
// the active view the arrow keys step its first value, with a repeat timed
// by the control itself (the frames drop the platform's auto-repeated
// key-downs), and the control gives up the active role after a while
// without input.
#include "views/TevTickTimers.h"
#include "views/TevView.h"

#include <cstdint>

class CTevArchive;
class CTevDragControl;
class CTevValue;

// Repeat timing in milliseconds, shared by the key operator and the
// increment button; index by the phase.
enum : int {
    kTevIdlePhase = 0,        // idle time after which a key-operated control stops being active
    kTevFirstRepeatPhase = 1, // from the first step to the first repeat
    kTevRepeatPhase = 2,      // between repeats
};
inline constexpr int32_t kTevRepeatIntervals[3] = {4000, 200, 50};

// Moves the value's index by `step`, clamped to the value's steps, and sends
// the change through the four calls of the change protocol. Nothing is sent
// when the clamped index equals the current one (at either end of the range,
// or for a zero step) or when there is no value; the result tells whether
// anything was sent.
bool TevStepValueIndex(CTevValue* value, int32_t step);

// The companion of a drag control that turns key events and ticks into value
// steps. The drag control owns it and forwards its events to it.
class CTevKeyOperator {
public:
    explicit CTevKeyOperator(CTevDragControl* control) : m_control(control) {}
    CTevKeyOperator(const CTevKeyOperator&) = delete;
    CTevKeyOperator& operator=(const CTevKeyOperator&) = delete;
    virtual ~CTevKeyOperator() = default;

    // Takes its own attributes from the control's list.
    virtual bool ReadAttributes(CTevPairList& attributes) = 0;
    virtual bool Create() = 0;
    // Told of every mouse event that the control accepts, before the
    // control handles it; the control ignores the answer.
    virtual bool OnMouse(const CTevMouseInfo& mouse) = 0;
    virtual bool OnKey(const CTevKeyInfo& key) = 0;
    virtual bool OnTick(int tick) = 0;
    // Called by the control when it becomes active or inactive.
    virtual void SetActive(bool active) = 0;
    virtual bool Serialize(CTevArchive& archive) = 0;

    // Not owned: the control owns the operator.
    CTevDragControl* GetControl() const { return m_control; }

protected:
    CTevDragControl* m_control;
};

// Arrow keys step the control's first value: Up and Right by +1, Down and
// Left by -1, with Shift by half the value's steps (at most 10). The first
// step is taken at once, the first repeat after 200 ms, then one every
// 50 ms while the key is held; any arrow's key-up ends the repeat. The
// control stops being the active view 4000 ms after the last mouse-up, drag
// move, arrow key-up or activation, but never while it holds the capture.
class CTevSingleKeyOperator : public CTevKeyOperator {
public:
    // The one timer id used.
    enum : int { kTimerId = 0 };

    explicit CTevSingleKeyOperator(CTevDragControl* control) : CTevKeyOperator(control) {}

    // Reads nothing; true.
    bool ReadAttributes(CTevPairList& attributes) override;
    // True.
    bool Create() override;
    // Button down and double click: true. Button up and move while the
    // control holds the capture: the idle time starts again; true. Else
    // false.
    bool OnMouse(const CTevMouseInfo& mouse) override;
    // Key down of an arrow: the step is set and taken at once, the first
    // repeat is due in 200 ms; true. Key up of an arrow: the repeat ends and
    // the idle time starts; true. Anything else: false.
    bool OnKey(const CTevKeyInfo& key) override;
    // Only while the control is the active view: without capture, step and
    // with the deadline passed, the control is made inactive; with a step
    // and the deadline passed, one repeat and the next in 50 ms. Always
    // false, so the tick goes on to other views.
    bool OnTick(int tick) override;
    // True arms the idle time, false removes the timer; both end a repeat.
    void SetActive(bool active) override;
    // The step as one int.
    bool Serialize(CTevArchive& archive) override;

    // The number of steps of the control's first value; 0 without one.
    virtual int32_t GetStepCount() const;

    // The step applied by each repeat; 0 while no arrow key is held.
    int32_t GetStep() const { return m_step; }
    const CTevTickTimers& GetTimers() const { return m_timers; }

private:
    // Applies the current step to the control's first value.
    bool stepValue();

    int32_t m_step = 0;
    CTevTickTimers m_timers;
};
