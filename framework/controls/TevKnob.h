#pragma once
// The rotary control (script type "knob"): one integer value shown as one
// cell of a strip of pre-rendered knob positions, changed by dragging the
// pointer around the knob's centre.
#include "controls/TevControl.h"

#include <cstdint>
#include <memory>
#include <string>

class CTevStateBitmap;

// Angles are whole degrees about the knob's centre: 0 straight below,
// growing clockwise on the screen (90 left, 180 above, 270 right). The
// default range 30..330 leaves a 60-degree gap centred below the knob.
//
// A press with Ctrl alone sets the default; a double click acts as a
// press. The index follows the pointer's absolute angle; a move of more
// than 180 degrees from the last accepted point (across the gap) is
// ignored. Only a changed index is sent.
class CTevKnobControl : public CTevDragControl {
public:
    static constexpr const char* kTypeName = "knob";
    // The last drag position while no knob drag is in progress.
    static constexpr CTevPoint kNoPosition{-2147483647, -2147483647};

    CTevKnobControl() = default;
    ~CTevKnobControl() override = default;

    // The drag control's attributes, then "bitmapRef" (required) and
    // "angleRange" ("min,max", min below max).
    bool ReadAttributes(CTevPairList& attributes) override;
    // Needs a value reference to an integer of at least two steps and a
    // bitmap that loads; the rect becomes one cell of the bitmap.
    bool Create(CTevView* parent) override;
    // The current cell at the knob's top-left corner, when the knob's rect
    // needs repainting.
    void Draw(CTevDrawInfo& drawInfo) override;
    // Moves the knob to the rect's top-left corner; the size stays one
    // cell.
    void SetRect(const CTevRect& rect) override;
    // The drag control's part, the bitmap, the angle range; the cell is
    // recomputed from the value.
    bool Serialize(CTevArchive& archive) override;
    std::string GetTypeName() const override { return kTypeName; }
    // The cell of the value's current index.
    void Update() override;
    std::unique_ptr<CTevKeyOperator> CreateKeyOperator() override;
    std::unique_ptr<CTevTipBarOperator> CreateTipBarOperator() override;
    void BeginDrag(CTevMouseInfo& mouse) override;
    void EndDrag(CTevMouseInfo& mouse) override;
    void Drag(CTevMouseInfo& mouse) override;

    // The first value's number of steps; 0 without one.
    virtual int32_t GetStepCount() const;
    // 0..359 degrees of the point about the rect's centre.
    virtual int32_t angleOfPoint(const CTevPoint& point) const;
    // The nearest index of the angle within the range, clamped; a negative
    // angle gives the current index.
    virtual int32_t angleToIndex(int32_t angle) const;
    // The bitmap cell that shows the index, clamped to the cells.
    virtual int32_t indexToFrame(int32_t index) const;

    CTevStateBitmap* GetBitmap() const { return m_bitmap; }
    int32_t GetAngleMin() const { return m_angleMin; }
    int32_t GetAngleMax() const { return m_angleMax; }
    int32_t GetFrame() const { return m_frame; }
    // The last accepted pointer position of the drag in progress, shared by
    // every knob (the pointer is captured by one view at a time).
    static CTevPoint GetLastDragPosition() { return s_lastPosition; }

private:
    // Owned by the resource manager.
    CTevStateBitmap* m_bitmap = nullptr;
    int32_t m_angleMin = 30;
    int32_t m_angleMax = 330;
    int32_t m_frame = 0;

    static CTevPoint s_lastPosition;
};
