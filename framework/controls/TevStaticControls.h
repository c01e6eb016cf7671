#pragma once
// Display controls without input, each showing the current value of its
// first value reference:
//   "picture"           one state of a multi-state bitmap, by the value's
//                       index plus "offsetIndex";
//   "staticText"        the value as text: a string value as stored, a
//                       number's entry of "stringTableRef", or the number
//                       plus "offsetValue";
//   "staticTextPicture" a number with a "unit" (or a string-table entry),
//                       except for the value's top steps, which show the
//                       bitmap's states instead, right-aligned.
// Each recomputes what it shows in Update, which runs when the control
// opens and when its value changes.
#include "controls/TevControl.h"

#include <cstdint>
#include <string>

class CTevStateBitmap;
class CTevStringTable;
class CTevTextWriter;

class CTevPictureControl : public CTevControl {
public:
    static constexpr const char* kTypeName = "picture";

    // The control attributes, then "bitmapRef" and "offsetIndex".
    bool ReadAttributes(CTevPairList& attributes) override;
    // Needs a value reference and a bitmap; the rect becomes one cell of
    // the bitmap. A bitmap that does not load is not an error: the picture
    // then draws nothing.
    bool Create(CTevView* parent) override;
    // The state at the top-left corner, when the rect needs repainting.
    void Draw(CTevDrawInfo& drawInfo) override;
    // Moves only: the size stays one cell.
    void SetRect(const CTevRect& rect) override;
    // The control part, the bitmap, the offset.
    bool Serialize(CTevArchive& archive) override;
    std::string GetTypeName() const override { return kTypeName; }
    // The value's index plus the offset, clamped to the bitmap's states.
    void Update() override;

    int32_t GetState() const { return m_state; }
    int32_t GetOffsetIndex() const { return m_offsetIndex; }

private:
    // Owned by the resource manager.
    CTevStateBitmap* m_bitmap = nullptr;
    int32_t m_offsetIndex = 0;
    int32_t m_state = 0;
};

class CTevStaticTextControl : public CTevControl {
public:
    static constexpr const char* kTypeName = "staticText";

    // The control attributes, then "textWriterRef", "offsetValue" and
    // "stringTableRef".
    bool ReadAttributes(CTevPairList& attributes) override;
    // Needs a value reference and a text writer.
    bool Create(CTevView* parent) override;
    // The text in the rect, when the rect needs repainting.
    void Draw(CTevDrawInfo& drawInfo) override;
    // The control part, the text writer, the offset, the string table.
    bool Serialize(CTevArchive& archive) override;
    std::string GetTypeName() const override { return kTypeName; }
    // The text of the value; a value that is neither number nor string
    // leaves it as it was.
    void Update() override;

    virtual const std::string& GetText() const { return m_text; }

private:
    // Both owned by the resource manager; the table may be missing.
    CTevTextWriter* m_textWriter = nullptr;
    int32_t m_offsetValue = 0;
    CTevStringTable* m_stringTable = nullptr;
    std::string m_text;
};

class CTevStaticTextPictureControl : public CTevControl {
public:
    static constexpr const char* kTypeName = "staticTextPicture";

    // The control attributes, then "textWriterRef", "offsetValue", "unit",
    // "stringTableRef" and "bitmapRef".
    bool ReadAttributes(CTevPairList& attributes) override;
    // Needs a value reference, a text writer and a bitmap that loads.
    bool Create(CTevView* parent) override;
    // The text in the rect, or the picture state right-aligned and
    // vertically centred.
    void Draw(CTevDrawInfo& drawInfo) override;
    // The control part, the text writer, the offset, the unit, the string
    // table, the bitmap.
    bool Serialize(CTevArchive& archive) override;
    std::string GetTypeName() const override { return kTypeName; }
    // With n steps and s states: indices below n - s show text, the top s
    // show the states in order.
    void Update() override;

    const std::string& GetText() const { return m_text; }
    // -1 while the text is shown.
    int32_t GetPictureState() const { return m_pictureState; }

private:
    // All owned by the resource manager; the table may be missing.
    CTevTextWriter* m_textWriter = nullptr;
    int32_t m_offsetValue = 0;
    std::string m_unit;
    CTevStringTable* m_stringTable = nullptr;
    CTevStateBitmap* m_bitmap = nullptr;
    std::string m_text;
    int32_t m_pictureState = -1;
};
