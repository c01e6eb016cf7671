#include "controls/TevKeyboard.h"

#include "core/TevArchive.h"
#include "core/TevHelpers.h"
#include "core/TevManager.h"
#include "core/TevResources.h"
#include "core/TevTextOut.h"
#include "core/TevValue.h"
#include "views/TevDrawing.h"

#include <algorithm>

namespace {

// The image of each pitch class: C 0, D 1, E 2, F 3, G 4, A 5, B 6, the
// black keys 7.
constexpr int32_t kPitchClassImage[12] = {0, 7, 1, 7, 2, 3, 7, 4, 7, 5, 7, 6};

enum class EHalf { kUpper, kLower };

// A rectangle attribute of the script: the images it belongs to and the
// half it sets. "ivoryKeyDownsideRectangle" is the lower part of all seven
// white keys.
struct SRectangleAttribute {
    const char* name;
    int32_t firstImage;
    int32_t lastImage;
    EHalf half;
};

constexpr SRectangleAttribute kRectangleAttributes[] = {
    {"cKeyUpsideRectangle", 0, 0, EHalf::kUpper},
    {"dKeyUpsideRectangle", 1, 1, EHalf::kUpper},
    {"eKeyUpsideRectangle", 2, 2, EHalf::kUpper},
    {"fKeyUpsideRectangle", 3, 3, EHalf::kUpper},
    {"gKeyUpsideRectangle", 4, 4, EHalf::kUpper},
    {"aKeyUpsideRectangle", 5, 5, EHalf::kUpper},
    {"bKeyUpsideRectangle", 6, 6, EHalf::kUpper},
    {"ebonyKeyRectangle", 7, 7, EHalf::kUpper},
    {"lowestKeyUpsideRectangle", 8, 8, EHalf::kUpper},
    {"highestKeyUpsideRectangle", 9, 9, EHalf::kUpper},
    {"ivoryKeyDownsideRectangle", 0, 6, EHalf::kLower},
    {"lowestKeyDownsideRectangle", 8, 8, EHalf::kLower},
    {"highestKeyDownsideRectangle", 9, 9, EHalf::kLower},
};

CTevRect Placed(const CTevRect& image, int32_t x, int32_t y)
{
    return CTevRect{x, y, x + image.Width(), y + image.Height()};
}

CTevRect Moved(const CTevRect& rect, int32_t dx, int32_t dy)
{
    return CTevRect{rect.left + dx, rect.top + dy, rect.right + dx, rect.bottom + dy};
}

bool SameSize(const CTevRect& a, const CTevRect& b)
{
    return a.Width() == b.Width() && a.Height() == b.Height();
}

} // namespace

CTevKeyboardControl::CTevKeyboardControl() : m_keyStates(kNoteCount, 0) {}

bool CTevKeyboardControl::ReadKeyRectangle(const std::string& tag, const std::string& text, CKeyImageMap& images,
                                           bool& known)
{
    known = false;
    for (const SRectangleAttribute& attribute : kRectangleAttributes) {
        const std::string name = attribute.name;
        int32_t pressed = 0;
        if (tag == name + "Pressed")
            pressed = kPressedImage;
        else if (tag != name)
            continue;
        known = true;
        CTevRect rect;
        if (!ScanRect(text, rect)) {
            ErrorLog().Printf("Keyboard %s is invalid. : %s\n", tag.c_str(), text.c_str());
            return false;
        }
        for (int32_t image = attribute.firstImage; image <= attribute.lastImage; ++image) {
            CKeyRects& rects = images[image + pressed];
            (attribute.half == EHalf::kUpper ? rects.upper : rects.lower) = rect;
        }
        return true;
    }
    return true;
}

bool CTevKeyboardControl::ReadAttributes(CTevPairList& attributes)
{
    if (!CTevControl::ReadAttributes(attributes))
        return false;
    CKeyImageMap images;
    std::string octaveName;
    std::string velocityName;
    bool hasOctave = false;
    bool hasVelocity = false;
    for (auto it = attributes.begin(); it != attributes.end();) {
        const std::string& tag = it->first;
        const std::string& text = it->second;
        bool known = true;
        if (tag == "bitmapRef") {
            m_bitmap = Resources().m_bitmaps.FindByName(text);
            if (!m_bitmap) {
                ErrorLog().Printf("Unable to find bitmap %s.\n", text.c_str());
                return false;
            }
        } else if (tag == "physicalKeyRange") {
            int32_t first = 0;
            int32_t last = 0;
            if (!ScanTwoLongs(text, first, last) || first < 0 || first > last || last > kNoteCount) {
                ErrorLog().Printf("Keyboard physicalKeyRange is invalid. : %s\n", text.c_str());
                return false;
            }
            SetKeyRange(first, last);
        } else if (tag == "octaveValueRef") {
            octaveName = text;
            hasOctave = true;
        } else if (tag == "onVelocityValueRef") {
            velocityName = text;
            hasVelocity = true;
        } else if (!ReadKeyRectangle(tag, text, images, known)) {
            return false;
        }
        if (known)
            it = attributes.erase(it);
        else
            ++it;
    }

    // Reference 0 must be the note value the keyboard plays and shows; the
    // octave and the velocity follow it at 1 and 2 whatever else the script
    // gives.
    if (m_valueRefs.empty()) {
        ErrorLog().Printf("There is no value reference for keyboard. : %s\n", GetPath().c_str());
        return false;
    }
    if (!hasOctave) {
        ErrorLog().Printf("There is no octave value reference for keyboard. : %s\n", GetPath().c_str());
        return false;
    }
    if (!hasVelocity) {
        ErrorLog().Printf("There is no velocity value reference for keyboard. : %s\n", GetPath().c_str());
        return false;
    }
    m_valueRefs.insert(m_valueRefs.begin() + 1, CTevValueRef(octaveName));
    m_valueRefs.insert(m_valueRefs.begin() + 2, CTevValueRef(velocityName));

    if (!m_bitmap) {
        ErrorLog().Printf("Keyboard control %s needs bitmap. : %s\n", GetPath().c_str(), "bitmapRef");
        return false;
    }
    // A rejected layout has no message of its own; the view manager reports
    // the control.
    return SetKeyImages(images) && BuildKeyShapes();
}

bool CTevKeyboardControl::Create(CTevView* parent)
{
    if (!CTevControl::Create(parent)) {
        ErrorLog().Printf("Unable to create keyboard control.\n");
        return false;
    }
    const CTevValue* notes = GetValue(0);
    if (!notes) {
        ErrorLog().Printf("There is no value reference.\n");
        return false;
    }
    if (!notes->GetSpec() || notes->GetSpec()->GetType() != CTevValueSpec::kMidiNote) {
        ErrorLog().Printf("Referred value must be the note value of a MIDI channel for keyboard. : %s\n",
                          GetPath().c_str());
        return false;
    }
    // A bitmap that does not load leaves a keyboard that plays but draws
    // nothing.
    if (m_bitmap)
        m_bitmap->Acquire();
    const CTevPoint size = GetKeyboardSize();
    CTevView::SetRect(CTevRect{m_rect.left, m_rect.top, m_rect.left + size.x, m_rect.top + size.y});
    return true;
}

void CTevKeyboardControl::Draw(CTevDrawInfo& drawInfo)
{
    if (!m_bitmap || m_bitmap->GetReferenceCount() == 0 || !drawInfo.IntersectsUpdate(m_rect))
        return;
    const int32_t offset = GetNoteOffset();
    for (int32_t key = m_firstKey; key <= m_lastKey; ++key) {
        const int32_t note = key + offset;
        const bool pressed = note >= 0 && note < kNoteCount && m_keyStates[size_t(note)] > 0;
        DrawKey(drawInfo, key, pressed);
    }
}

bool CTevKeyboardControl::OnMouse(CTevMouseInfo& mouse)
{
    if (CTevView::OnMouse(mouse))
        return true;
    const CTevPoint point = mouse.GetPoint();
    if (!m_capture && !m_rect.Contains(point))
        return false;
    switch (mouse.kind) {
    case CTevMouseInfo::kButtonDown:
    case CTevMouseInfo::kDoubleClick:
        SetCapture(true);
        PlayKeyAt(point);
        return true;
    case CTevMouseInfo::kMove:
        if (!m_capture)
            return false;
        PlayKeyAt(point);
        return true;
    case CTevMouseInfo::kButtonUp:
        if (!m_capture)
            return false;
        LetGo();
        return true;
    default:
        return false;
    }
}

void CTevKeyboardControl::LetGo()
{
    SetCapture(false);
    Hold({}, !m_closing);
}

bool CTevKeyboardControl::Close()
{
    // A held key gets its release, which ends every note the keyboard
    // sounds; without one, a note whose note off could not leave while it
    // was played ends now. A close tries each note once: a note off that
    // fails again is reported (in its own box or folded into one still
    // open), and the close goes on (the note stays held in the channel
    // model, and the keyboard's to end).
    m_closing = true;
    if (m_capture)
        CancelCapture();
    else if (!m_playedNotes.empty())
        Hold({}, false);
    m_closing = false;
    return CTevControl::Close();
}

bool CTevKeyboardControl::Serialize(CTevArchive& archive)
{
    if (!CTevControl::Serialize(archive))
        return false;
    int32_t imageCount = static_cast<int32_t>(m_keyImages.size());
    int32_t shapeCount = static_cast<int32_t>(m_keyShapes.size());
    if (!archive.SerializeCount(imageCount) || !archive.SerializeCount(shapeCount))
        return false;
    if (archive.IsLoading() && archive.IsValuePass()) {
        // Only a complete layout, or none, is a keyboard that can be drawn.
        if ((imageCount != 0 && imageCount != kImageCount) || (shapeCount != 0 && shapeCount != kShapeCount))
            return false;
        m_keyImages.assign(size_t(imageCount), CKeyRects{});
        m_keyShapes.assign(size_t(shapeCount), CKeyRects{});
    }
    if (!archive.SerializeObjectRef(m_bitmap) || !archive.SerializeInt(m_firstKey) ||
        !archive.SerializeInt(m_lastKey))
        return false;
    if (m_firstKey < 0 || m_firstKey > m_lastKey || m_lastKey > kNoteCount)
        return false;
    for (CKeyRects& rects : m_keyImages) {
        if (!archive.SerializeRect(rects.upper) || !archive.SerializeRect(rects.lower))
            return false;
    }
    for (CKeyRects& rects : m_keyShapes) {
        if (!archive.SerializeRect(rects.upper) || !archive.SerializeRect(rects.lower))
            return false;
    }
    return true;
}

void CTevKeyboardControl::Update()
{
    const CTevValue* notes = GetValue(0);
    if (!notes)
        return;
    m_keyStates = notes->GetData();
    m_keyStates.resize(kNoteCount, 0);
}

void CTevKeyboardControl::SetKeyRange(int32_t first, int32_t last)
{
    m_firstKey = first;
    m_lastKey = last;
    m_keyStates.assign(kNoteCount, 0);
}

int32_t CTevKeyboardControl::GetNoteOffset() const
{
    const CTevValue* octave = GetValue(1);
    return octave ? (octave->GetInteger() - 64) * 12 : 0;
}

bool CTevKeyboardControl::IsWhiteKey(int32_t key)
{
    const int32_t pitchClass = ((key % 12) + 12) % 12;
    return kPitchClassImage[pitchClass] != 7;
}

int32_t CTevKeyboardControl::PitchClassImage(int32_t key)
{
    return kPitchClassImage[((key % 12) + 12) % 12];
}

int32_t CTevKeyboardControl::GetKeyImage(int32_t key, bool pressed) const
{
    int32_t image = PitchClassImage(key);
    if (key == m_firstKey)
        image = kFirstImage;
    else if (key == m_lastKey)
        image = kLastImage;
    return image + (pressed ? kPressedImage : 0);
}

int32_t CTevKeyboardControl::GetShapeIndex(int32_t key) const
{
    if (key == m_firstKey)
        return kFirstShape;
    if (key == m_lastKey)
        return kLastShape;
    return ((key % 12) + 12) % 12;
}

int32_t CTevKeyboardControl::GetOctaveWidth() const
{
    return m_keyShapes.size() == size_t(kShapeCount) ? m_keyShapes[11].upper.right : 0;
}

CTevKeyboardControl::CKeyRects CTevKeyboardControl::GetKeyRects(int32_t key, const CTevPoint& origin) const
{
    if (m_keyShapes.size() != size_t(kShapeCount))
        return CKeyRects{};
    const CKeyRects& shape = m_keyShapes[size_t(GetShapeIndex(key))];
    const int32_t dx = ((key - m_firstKey) / 12) * GetOctaveWidth() + origin.x;
    return CKeyRects{Moved(shape.upper, dx, origin.y), Moved(shape.lower, dx, origin.y)};
}

CTevPoint CTevKeyboardControl::GetKeyboardSize() const
{
    const CKeyRects first = GetKeyRects(m_firstKey, CTevPoint{});
    const CKeyRects last = GetKeyRects(m_lastKey, CTevPoint{});
    return CTevPoint{last.lower.right - first.lower.left, first.upper.Height() + first.lower.Height()};
}

int32_t CTevKeyboardControl::HitTest(const CTevPoint& point) const
{
    const int32_t octaveWidth = GetOctaveWidth();
    if (!m_rect.Contains(point) || octaveWidth <= 0)
        return -1;
    const CTevPoint origin{m_rect.left, m_rect.top};
    const int32_t octave = (point.x - m_rect.left) / octaveWidth;
    const int32_t from = m_firstKey + 12 * octave;
    // Keys past the last one are not shown, so they are not hit either.
    const int32_t to = std::min(from + 11, m_lastKey);
    const bool upperZone = point.y < GetKeyRects(m_firstKey, origin).upper.bottom;
    for (int32_t key = from; key <= to; ++key) {
        if (upperZone) {
            if (GetKeyRects(key, origin).upper.Contains(point))
                return key;
        } else if (IsWhiteKey(key) && GetKeyRects(key, origin).lower.Contains(point)) {
            return key;
        }
    }
    return -1;
}

void CTevKeyboardControl::DrawKey(CTevDrawInfo& drawInfo, int32_t key, bool pressed)
{
    if (!m_bitmap || m_keyImages.size() != size_t(kImageCount))
        return;
    const CKeyRects rects = GetKeyRects(key, CTevPoint{m_rect.left, m_rect.top});
    const CKeyRects& image = m_keyImages[size_t(GetKeyImage(key, pressed))];
    m_bitmap->DrawCell(drawInfo, CTevPoint{rects.upper.left, rects.upper.top},
                       CTevPoint{rects.upper.Width(), rects.upper.Height()}, image.upper.left, image.upper.top, 0, 0);
    if (IsWhiteKey(key)) {
        m_bitmap->DrawCell(drawInfo, CTevPoint{rects.lower.left, rects.lower.top},
                           CTevPoint{rects.lower.Width(), rects.lower.Height()}, image.lower.left, image.lower.top,
                           0, 0);
    }
}

bool CTevKeyboardControl::SetKeyImages(const CKeyImageMap& images)
{
    for (int32_t image = 0; image < kFirstImage; ++image) {
        if (!images.count(image) || !images.count(image + kPressedImage))
            return false;
    }
    for (int32_t image : {kFirstImage, kLastImage}) {
        if (images.count(image) != images.count(image + kPressedImage))
            return false;
    }
    std::vector<CKeyRects> stored(kImageCount);
    for (const auto& [index, rects] : images) {
        if (index >= 0 && index < kImageCount)
            stored[size_t(index)] = rects;
    }
    // Without images of their own, the ends look like any key of their
    // pitch class.
    if (!images.count(kFirstImage)) {
        stored[kFirstImage] = stored[size_t(PitchClassImage(m_firstKey))];
        stored[kFirstImage + kPressedImage] = stored[size_t(PitchClassImage(m_firstKey) + kPressedImage)];
    }
    if (!images.count(kLastImage)) {
        stored[kLastImage] = stored[size_t(PitchClassImage(m_lastKey))];
        stored[kLastImage + kPressedImage] = stored[size_t(PitchClassImage(m_lastKey) + kPressedImage)];
    }
    for (int32_t image = 0; image < kPressedImage; ++image) {
        if (!SameSize(stored[size_t(image)].upper, stored[size_t(image + kPressedImage)].upper))
            return false;
    }
    m_keyImages = std::move(stored);
    return true;
}

bool CTevKeyboardControl::BuildKeyShapes()
{
    if (m_keyImages.size() != size_t(kImageCount))
        return false;
    std::vector<CKeyRects> shapes(kShapeCount);

    // Upper parts side by side; lower parts of the white keys side by side
    // below their own upper parts.
    int32_t upperX = 0;
    int32_t lowerX = 0;
    for (int32_t pitchClass = 0; pitchClass < 12; ++pitchClass) {
        const CKeyRects& image = m_keyImages[size_t(kPitchClassImage[pitchClass])];
        CKeyRects& shape = shapes[size_t(pitchClass)];
        shape.upper = Placed(image.upper, upperX, 0);
        upperX = shape.upper.right;
        if (IsWhiteKey(pitchClass)) {
            shape.lower = Placed(image.lower, lowerX, shape.upper.bottom);
            lowerX = shape.lower.right;
        }
    }
    const CKeyRects& firstClass = shapes[size_t(((m_firstKey % 12) + 12) % 12)];
    const CKeyRects& firstImage = m_keyImages[kFirstImage];
    shapes[kFirstShape].upper = Placed(firstImage.upper, firstClass.upper.right - firstImage.upper.Width(), 0);
    shapes[kFirstShape].lower = Placed(firstImage.lower, 0, firstClass.upper.bottom);
    const CKeyRects& lastClass = shapes[size_t(((m_lastKey % 12) + 12) % 12)];
    const CKeyRects& lastImage = m_keyImages[kLastImage];
    shapes[kLastShape].upper = Placed(lastImage.upper, lastClass.upper.left, 0);
    shapes[kLastShape].lower = Placed(lastImage.lower, 0, lastClass.upper.bottom);

    // Checks, in order; the first broken rule rejects the layout.
    const CKeyRects& c = shapes[0];
    int32_t upperSum = 0;
    int32_t lowerSum = 0;
    for (int32_t index = 0; index < kShapeCount; ++index) {
        const CKeyRects& shape = shapes[size_t(index)];
        const bool white = IsWhiteKey(index);
        if (shape.upper.Height() != c.upper.Height())
            return false;
        if (white && (!SameSize(shape.lower, c.lower) || shape.lower.top != shape.upper.bottom ||
                      shape.lower.Width() < shape.upper.Width()))
            return false;
        upperSum += shape.upper.Width();
        lowerSum += shape.lower.Width();
        if ((index == 4 || index == 11) && upperSum != lowerSum)
            return false;
        if (index >= 1 && index <= 11 && shape.upper.left != shapes[size_t(index - 1)].upper.right)
            return false;
        if (index == kFirstShape && (shape.upper.right != firstClass.upper.right || shape.upper.left != shape.lower.left))
            return false;
        if (index == kLastShape && (shape.upper.left != lastClass.upper.left || shape.upper.right != shape.lower.right))
            return false;
        if (white && index > 0) {
            const int32_t before = (index % 12 == 5) ? index - 1 : index - 2;
            if (shape.lower.left != shapes[size_t(before)].lower.right)
                return false;
        }
    }
    // An octave without width would put every key at the same place and
    // leaves nothing to hit.
    if (shapes[11].upper.right <= 0)
        return false;
    m_keyShapes = std::move(shapes);
    return true;
}

void CTevKeyboardControl::SetHeldNotes(const std::vector<int32_t>& notes)
{
    Hold(notes, true);
}

void CTevKeyboardControl::Hold(const std::vector<int32_t>& notes, bool retry)
{
    CTevValue* noteValue = GetValue(0);
    if (!noteValue)
        return;
    // A call made while this one's change rounds run (a message box about a
    // failed send lets the user end the gesture) decides what is held; this
    // one then stops where it is.
    const uint32_t call = ++m_heldNotesCalls;
    m_wantedValue = noteValue;
    m_wantedNotes = notes;
    std::vector<int32_t> states = States(*noteValue);
    const int32_t offset = GetNoteOffset();
    auto listed = [&notes](int32_t note) { return std::binary_search(notes.begin(), notes.end(), note); };

    // The notes this call ends, where they sound.
    CPlayedNotes ending;
    std::vector<int32_t> presses;
    for (int32_t key = m_firstKey; key <= m_lastKey; ++key) {
        const int32_t note = key + offset;
        if (note < 0 || note >= kNoteCount)
            continue;
        if (states[size_t(note)] > 0 && !listed(note))
            ending.emplace_back(noteValue, note);
        else if (states[size_t(note)] <= 0 && listed(note))
            presses.push_back(note);
    }
    // A note the keyboard turned on ends on the channel and key it started
    // on: also when the octave has moved it out of the shown range, or the
    // note value's reference has followed a changed receive channel.
    for (const CPlayedNote& played : m_playedNotes) {
        const auto& [value, note] = played;
        if ((value == noteValue && listed(note)) || std::find(ending.begin(), ending.end(), played) != ending.end())
            continue;
        if (Sounds(played))
            ending.push_back(played);
    }

    CTevManager& manager = CTevManager::Instance();
    if (!ending.empty())
        Release(ending);
    bool overtaken = call != m_heldNotesCalls;
    if (!overtaken && !presses.empty()) {
        // From the states the release left: a note whose note off failed is
        // held again, and is not released a second time here.
        states = States(*noteValue);
        const int32_t velocity = GetVelocity();
        for (int32_t note : presses)
            states[size_t(note)] = velocity;
        manager.SetDataValue(noteValue, states);
        manager.TransmitChanges();
        manager.DispatchChanges();
        manager.ClearChanges();
        overtaken = call != m_heldNotesCalls;
    }
    if (!overtaken) {
        m_playedNotes.clear();
        states = States(*noteValue);
        for (int32_t note : notes) {
            if (note >= 0 && note < kNoteCount && states[size_t(note)] > 0)
                m_playedNotes.emplace_back(noteValue, note);
        }
    }
    // Every note on that went out gets a note off that goes out: a note
    // whose note off failed still sounds and stays the keyboard's. It is
    // tried once more at once (its failure has been reported, in a box of
    // its own or folded into one that is still open), unless the latest
    // call holds it; failing again, it waits for the next key event,
    // release or close.
    KeepSounding(ending);
    if (retry) {
        CPlayedNotes again;
        for (const CPlayedNote& played : ending) {
            if (Sounds(played) && !IsWanted(played))
                again.push_back(played);
        }
        if (!again.empty())
            Release(again);
    }
    std::erase_if(m_playedNotes, [](const CPlayedNote& played) { return !Sounds(played); });
}

void CTevKeyboardControl::Release(const CPlayedNotes& notes)
{
    const int32_t velocity = GetVelocity();
    CTevValueDataList released;
    for (const auto& [value, note] : notes) {
        auto same = [value = value](const auto& entry) { return entry.first == value; };
        auto entry = std::find_if(released.begin(), released.end(), same);
        if (entry == released.end())
            entry = released.emplace(released.end(), value, States(*value));
        entry->second[size_t(note)] = -velocity;
    }
    CTevManager& manager = CTevManager::Instance();
    manager.SetDataValues(released);
    manager.TransmitChanges();
    manager.DispatchChanges();
    manager.ClearChanges();
}

void CTevKeyboardControl::KeepSounding(const CPlayedNotes& ending)
{
    for (const CPlayedNote& played : ending) {
        if (std::find(m_playedNotes.begin(), m_playedNotes.end(), played) == m_playedNotes.end())
            m_playedNotes.push_back(played);
    }
}

bool CTevKeyboardControl::Sounds(const CPlayedNote& played)
{
    return States(*played.first)[size_t(played.second)] > 0;
}

bool CTevKeyboardControl::IsWanted(const CPlayedNote& played) const
{
    return played.first == m_wantedValue
           && std::binary_search(m_wantedNotes.begin(), m_wantedNotes.end(), played.second);
}

int32_t CTevKeyboardControl::GetVelocity() const
{
    const CTevValue* velocityValue = GetValue(2);
    return velocityValue ? velocityValue->GetInteger() : 0;
}

std::vector<int32_t> CTevKeyboardControl::States(const CTevValue& noteValue)
{
    std::vector<int32_t> states = noteValue.GetData();
    states.resize(kNoteCount, 0);
    return states;
}

void CTevKeyboardControl::PlayNote(int32_t note)
{
    SetHeldNotes({note});
}

void CTevKeyboardControl::PlayKeyAt(const CTevPoint& point)
{
    // Between the keys nothing is held.
    const int32_t key = HitTest(point);
    if (key < 0)
        SetHeldNotes({});
    else
        PlayNote(key + GetNoteOffset());
}
