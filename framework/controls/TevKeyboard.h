#pragma once
// The piano keyboard (script type "keyboard"): drawn from pieces of one
// skin bitmap, bound to the note value of one MIDI channel, whose 128 key
// states it shows (held keys are drawn pressed, also when the notes come
// from outside) and sets. A press on a key holds its note, dragging moves
// the held note from key to key, the release lets it go.
//
// References: 0 the note value (the first "valueRef"), 1 the octave value
// ("octaveValueRef"), 2 the velocity value ("onVelocityValueRef"). Key k
// sounds note k + (octave - 64) * 12, so an octave value of 64 leaves the
// keyboard untransposed.
//
// The script gives the key images as rectangles of the bitmap; each key
// has an upper part (the zone of the black keys) and, for white keys, a
// full-width lower part. Images 0-6 are C, D, E, F, G, A, B, 7 any black
// key, 8 the lowest key shown, 9 the highest; image + 10 is the same key
// pressed. The key geometry of one octave is laid out from the image sizes
// (shapes 0-11 by pitch class, 12 the lowest key, 13 the highest) and
// checked; a layout that does not fit together is refused.
#include "controls/TevControl.h"

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

class CTevStateBitmap;

class CTevKeyboardControl : public CTevControl {
public:
    static constexpr const char* kTypeName = "keyboard";

    // An upper and a lower part; a black key's lower part stays empty.
    struct CKeyRects {
        CTevRect upper;
        CTevRect lower;

        bool operator==(const CKeyRects&) const = default;
    };
    using CKeyImageMap = std::map<int32_t, CKeyRects>;

    enum : int32_t { kImageCount = 20, kShapeCount = 14, kPressedImage = 10, kFirstImage = 8, kLastImage = 9 };
    enum : int32_t { kFirstShape = 12, kLastShape = 13 };
    enum : int32_t { kNoteCount = 128 };

    CTevKeyboardControl();

    // The control attributes (the first "valueRef" is the note value), then
    // "bitmapRef", "physicalKeyRange", the key rectangles,
    // "octaveValueRef" and "onVelocityValueRef"; the key layout is checked.
    bool ReadAttributes(CTevPairList& attributes) override;
    // Needs the note value of a MIDI channel; the rect takes the
    // keyboard's size.
    bool Create(CTevView* parent) override;
    // Every shown key, left to right, pressed when its note is held.
    // Nothing when the bitmap did not load.
    void Draw(CTevDrawInfo& drawInfo) override;
    // A press holds the note under the pointer and takes the capture;
    // moves while captured move the held note (off every key: none held);
    // the release releases the capture and every held note.
    bool OnMouse(CTevMouseInfo& mouse) override;
    // A keyboard that closes under a held key gets such a release, and
    // ends the notes it still sounds.
    bool Close() override;
    // The control part, the image and shape counts, the bitmap, the key
    // range, every image and every shape.
    bool Serialize(CTevArchive& archive) override;
    std::string GetTypeName() const override { return kTypeName; }
    // The key states become the note value's.
    void Update() override;

    // Sets the shown range and forgets the key states.
    void SetKeyRange(int32_t first, int32_t last);
    // (octave value - 64) * 12; 0 without an octave value.
    int32_t GetNoteOffset() const;
    static bool IsWhiteKey(int32_t key);
    // The image index of a key: 8 the first, 9 the last, else by pitch
    // class (C 0 .. B 6, black 7); plus 10 when pressed.
    int32_t GetKeyImage(int32_t key, bool pressed) const;
    // The key's two parts placed with the octave origin at `origin`.
    CKeyRects GetKeyRects(int32_t key, const CTevPoint& origin) const;
    // Width and height of the whole keyboard.
    CTevPoint GetKeyboardSize() const;
    // The shown key under the point, or -1.
    int32_t HitTest(const CTevPoint& point) const;
    void DrawKey(CTevDrawInfo& drawInfo, int32_t key, bool pressed);
    // Stores the 20 images from the collected ones; false when the set is
    // incomplete or a pressed image differs in size from its released one.
    bool SetKeyImages(const CKeyImageMap& images);
    // Lays out and checks the octave; false when the pieces don't fit.
    bool BuildKeyShapes();
    // Makes exactly the given notes (ascending) the held ones: notes the
    // keyboard holds and that are not listed are released first (with the
    // velocity as release velocity), then the listed notes not yet held are
    // pressed, each in its own round of the change protocol. A note the
    // keyboard started is released on the channel it started on. A note off
    // that could not be sent is tried once more after the rounds (its
    // failure reported, in a box of its own or folded into one still open);
    // failing again, the note stays the keyboard's to release. A call made
    // while the rounds of another run overrides it: the other stops.
    void SetHeldNotes(const std::vector<int32_t>& notes);
    // Holds the one note.
    void PlayNote(int32_t note);
    // Holds the note of the key under the point; none between the keys.
    void PlayKeyAt(const CTevPoint& point);

    int32_t GetFirstKey() const { return m_firstKey; }
    int32_t GetLastKey() const { return m_lastKey; }
    int32_t GetOctaveWidth() const;
    const std::vector<CKeyRects>& GetKeyImages() const { return m_keyImages; }
    const std::vector<CKeyRects>& GetKeyShapes() const { return m_keyShapes; }
    const std::vector<int32_t>& GetKeyStates() const { return m_keyStates; }
    // A note the keyboard turned on: the note value (the channel) it
    // sounds in, and the note.
    using CPlayedNote = std::pair<CTevValue*, int32_t>;
    using CPlayedNotes = std::vector<CPlayedNote>;
    // The notes that the keyboard itself turned on and that still sound.
    const CPlayedNotes& GetPlayedNotes() const { return m_playedNotes; }

private:
    // SetHeldNotes; with retry, a note off that failed is tried once more
    // after the rounds.
    void Hold(const std::vector<int32_t>& notes, bool retry);
    // One round of the change protocol that releases the notes.
    void Release(const CPlayedNotes& notes);
    // Keeps the notes a call ended among the keyboard's own; those that no
    // longer sound are dropped after the rounds.
    void KeepSounding(const CPlayedNotes& ending);
    // The note is on in its note value.
    static bool Sounds(const CPlayedNote& played);
    // The latest call of SetHeldNotes holds the note.
    bool IsWanted(const CPlayedNote& played) const;
    // The velocity value's integer; 0 without one.
    int32_t GetVelocity() const;
    // The 128 key states of a note value.
    static std::vector<int32_t> States(const CTevValue& noteValue);
    // Releases the capture and every note the keyboard holds.
    void LetGo();
    // The pitch-class image of a key, ignoring the first and last rule.
    static int32_t PitchClassImage(int32_t key);
    int32_t GetShapeIndex(int32_t key) const;
    bool ReadKeyRectangle(const std::string& tag, const std::string& text, CKeyImageMap& images, bool& known);

    // Owned by the resource manager.
    CTevStateBitmap* m_bitmap = nullptr;
    int32_t m_firstKey = 0;
    int32_t m_lastKey = 127;
    std::vector<CKeyRects> m_keyImages;
    std::vector<CKeyRects> m_keyShapes;
    std::vector<int32_t> m_keyStates;
    CPlayedNotes m_playedNotes;
    // Counts the calls of SetHeldNotes, so that one whose rounds were
    // overtaken by a nested call knows it.
    uint32_t m_heldNotesCalls = 0;
    // Closing: a note off that fails is not tried a second time.
    bool m_closing = false;
    // What the latest call holds: its note value and notes (ascending).
    const CTevValue* m_wantedValue = nullptr;
    std::vector<int32_t> m_wantedNotes;
};
