#pragma once
// The slider (script type "slider"): one integer value shown as a knob
// picture that moves along a straight track, vertical (index 0 at the
// bottom) or horizontal (index 0 at the left). The track is part of the
// panel's background; the slider draws only the knob, cell 0 of its bitmap.
//
// A press on the knob grabs it where it was hit; a press on the track
// moves the knob's middle under the pointer. Dragging with the pointer
// beside the track widens the travel, for finer steps. A press with Ctrl
// alone sets the default; the arrow keys step the value and the tip bar
// shows it while the slider is the active view.
#include "controls/TevControl.h"

#include <cstdint>
#include <memory>
#include <string>

class CTevStateBitmap;

class CTevSliderControl : public CTevDragControl {
public:
    static constexpr const char* kTypeName = "slider";
    // The last pointer position while no slider drag is in progress.
    static constexpr CTevPoint kNoPosition{-2147483647, -2147483647};

    // The drag control's attributes, then "bitmapRef" (required) and
    // "direction" (0 vertical, 1 horizontal).
    bool ReadAttributes(CTevPairList& attributes) override;
    // Needs a value reference to an integer of at least two steps, a bitmap
    // that loads, and a track longer than the knob.
    bool Create(CTevView* parent) override;
    // Cell 0 at the knob position, when the rect needs repainting.
    void Draw(CTevDrawInfo& drawInfo) override;
    // The drag control's part, the bitmap, the direction, the knob position.
    bool Serialize(CTevArchive& archive) override;
    std::string GetTypeName() const override { return kTypeName; }
    // The knob position of the value's current index.
    void Update() override;
    std::unique_ptr<CTevKeyOperator> CreateKeyOperator() override;
    std::unique_ptr<CTevTipBarOperator> CreateTipBarOperator() override;
    void BeginDrag(CTevMouseInfo& mouse) override;
    void EndDrag(CTevMouseInfo& mouse) override;
    void Drag(CTevMouseInfo& mouse) override;

    // The knob's top-left corner for the index, clamped to the track.
    CTevPoint knobPositionOfIndex(int32_t index) const;
    // The index the pointer asks for, with the travel widened by the
    // pointer's distance from the track; the current index when the track
    // has no length (a slider shrunk to its knob).
    int32_t indexOfPointer(const CTevPoint& point) const;

    CTevStateBitmap* GetBitmap() const { return m_bitmap; }
    bool IsHorizontal() const { return m_horizontal; }
    CTevPoint GetKnobPosition() const { return m_knobPosition; }
    // Shared by every slider: one drag at a time.
    static CTevPoint GetLastDragPosition() { return s_lastPosition; }
    static CTevPoint GetGrabOffset() { return s_grabOffset; }

private:
    // Owned by the resource manager.
    CTevStateBitmap* m_bitmap = nullptr;
    bool m_horizontal = false;
    CTevPoint m_knobPosition;

    static CTevPoint s_lastPosition;
    static CTevPoint s_grabOffset;
};
