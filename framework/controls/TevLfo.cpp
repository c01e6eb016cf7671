#include "controls/TevLfo.h"

#include "core/TevHelpers.h"
#include "core/TevResources.h"
#include "core/TevTextOut.h"
#include "core/TevValue.h"
#include "views/TevDrawing.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;

thread_local uint32_t t_randomState = 1;

// Clamps into the two bounds in whichever order they come, so that a rect
// too small for its inner area gives a point on its edge instead of
// undefined behaviour.
int32_t ClampBetween(int64_t value, int64_t a, int64_t b)
{
    return static_cast<int32_t>(std::clamp(value, std::min(a, b), std::max(a, b)));
}

int64_t RoundHalfAway(double value)
{
    return static_cast<int64_t>(std::round(value));
}

// A level -1..1 in hundredths.
double RandomLevel()
{
    return (CTevLfoControl::NextRandom() % 201 - 100) * 0.01;
}

int32_t IndexOf(const CTevValue* value)
{
    return value ? value->GetIndex() : 0;
}

} // namespace

const CTevColor CTevLfoControl::kBackground{0x2B00, 0x1300, 0x5800};
const CTevColor CTevLfoControl::kLines{0xDE00, 0x0000, 0xFF00};
const CTevColor CTevLfoControl::kCurve{0x0000, 0xFF00, 0xDE00};

void CTevLfoControl::SeedRandom(uint32_t seed)
{
    t_randomState = seed;
}

int CTevLfoControl::NextRandom()
{
    t_randomState = t_randomState * 214013u + 2531011u;
    return static_cast<int>((t_randomState >> 16) & 0x7FFF);
}

// ---------------------------------------------------------------------------
// Wave forms
// ---------------------------------------------------------------------------

double CTevLfoControl::CSin::value(double x)
{
    if (x < m_startX)
        return 0.0;
    return m_offset + m_amplitude * std::sin(2.0 * kPi * phase(x));
}

double CTevLfoControl::CSaw::value(double x)
{
    if (x < m_startX)
        return 0.0;
    double h = std::fmod(2.0 * phase(x), 2.0);
    if (h < 0.0)
        h += 2.0;
    return m_offset + m_amplitude * (m_rising ? h - 1.0 : 1.0 - h);
}

double CTevLfoControl::CTrapezoid::value(double x)
{
    if (x < m_startX)
        return 0.0;
    const double b = (m_q2 - m_q1) / m_q2 * 0.5;
    // Twice the phase, wrapped into [b, 2 + b).
    double h = std::fmod(2.0 * phase(x) - b, 2.0);
    if (h < 0.0)
        h += 2.0;
    h += b;
    double m = 0.0;
    if (h < 1.0 - b)
        m = 1.0;
    else if (h < 1.0 + b)
        m = 1.0 - (h - (1.0 - b)) / b;
    else if (h < 2.0 - b)
        m = -1.0;
    else
        m = -1.0 + (h - (2.0 - b)) / b;
    return m_offset + m_amplitude * m;
}

double CTevLfoControl::CBend::value(double x)
{
    if (x < m_startX)
        return 0.0;
    const double period = 1.0 / m_frequency;
    double factor = 0.0;
    if (x < m_startX + period) {
        const double a = (x - m_startX) / period;
        factor = m_rising ? a - 1.0 : 1.0 - a;
    }
    return m_offset + m_amplitude * factor;
}

CTevLfoControl::CChaos::CChaos(double amplitude, double startX, double offset)
    : CWave(amplitude, 0.0, startX, offset)
{
    SeedRandom(1);
}

double CTevLfoControl::CChaos::value(double x)
{
    if (x < m_startX)
        return 0.0;
    return m_offset + m_amplitude * RandomLevel();
}

CTevLfoControl::CRandom::CRandom(double amplitude, double frequency, double startX, double offset)
    : CWave(amplitude, frequency, startX, offset)
{
    SeedRandom(1);
    m_points.push_back(CRandomPoint{});
    m_points.push_back(nextRandomPoint(m_points.back()));
}

CTevLfoControl::CRandomPoint CTevLfoControl::CRandom::nextRandomPoint(const CRandomPoint& previous)
{
    CRandomPoint next;
    // Two draws, in this order: the distance, then the level.
    next.x = previous.x + (NextRandom() % 96 + 5) * (1.0 / m_frequency) * 0.01;
    next.level = RandomLevel();
    return next;
}

double CTevLfoControl::CRandom::value(double x)
{
    if (x < m_startX)
        return 0.0;
    const double u = x - m_startX;
    // Points are added until the last one reaches x: a fast rate may need
    // several per pixel, and a line continued past its last point would
    // overshoot into spikes. The points are the same ones either way.
    for (int added = 0; u > m_points.back().x && added < 100000; ++added)
        m_points.push_back(nextRandomPoint(m_points.back()));
    const CRandomPoint& a = m_points[m_points.size() - 2];
    const CRandomPoint& b = m_points.back();
    const double level = ((u - a.x) * b.level + (b.x - u) * a.level) / (b.x - a.x);
    return m_offset + m_amplitude * level;
}

CTevLfoControl::CSampleHold::CSampleHold(double amplitude, double frequency, double startX, double offset)
    : CWave(amplitude, frequency, startX, offset)
{
    SeedRandom(1);
}

double CTevLfoControl::CSampleHold::value(double x)
{
    if (x < m_startX)
        return 0.0;
    const int64_t step = static_cast<int64_t>(phase(x));
    auto it = m_levels.find(step);
    if (it == m_levels.end())
        it = m_levels.emplace(step, RandomLevel()).first;
    return m_offset + m_amplitude * it->second;
}

double CTevLfoControl::CFader::value(double t)
{
    if (t < m_start)
        return m_before;
    if (t >= m_end)
        return m_after;
    return ((t - m_start) * m_after + (m_end - t) * m_before) / (m_end - m_start);
}

std::unique_ptr<CTevLfoControl::IWaveForm> CTevLfoControl::createWaveForm(int32_t waveForm, int32_t rate,
                                                                          int32_t offset, const CTevRect& frame)
{
    // Rate indices above 127 count down again: 128 is as fast as 127, 149
    // as slow as 0.
    int32_t r = rate;
    if (r >= 128)
        r = (149 - r) * 127 / 21;
    r = std::max(r, 0);
    const double cyclesPerUnit = r * 30 / 127.0 + 2.0;
    const int32_t innerLeft = frame.left + 1;
    const double pixels = double(frame.right - 1) - innerLeft;
    const int64_t period = std::max<int64_t>(RoundHalfAway((1.0 / cyclesPerUnit) * pixels / kTimeSpan), 4);
    const double frequency = 1.0 / double(period);

    // The inner height, negative because y grows downward.
    const int64_t innerHeight = int64_t(frame.top + 1) - (frame.bottom - 1);
    const double amplitude = double(innerHeight * 100 / 400);
    const int64_t centre = (int64_t(frame.bottom - 1) + frame.top + 1) / 2;
    const int64_t shift = RoundHalfAway(double(innerHeight) * ((2 - int64_t(offset)) * 50) / 400.0);
    const double centreY = double(centre - shift);
    const double startX = innerLeft;

    switch (waveForm) {
    case 0:
        return std::make_unique<CSin>(amplitude, frequency, startX, centreY);
    case 1:
        return std::make_unique<CTrapezoid>(amplitude, frequency, startX, centreY, 0.0, 1.0);
    case 2:
        return std::make_unique<CSaw>(amplitude, frequency, startX, centreY, true);
    case 3:
        return std::make_unique<CSaw>(amplitude, frequency, startX, centreY, false);
    case 4:
        return std::make_unique<CTrapezoid>(amplitude, frequency, startX, centreY, 1.0, 1.0);
    case 5:
        return std::make_unique<CRandom>(amplitude, frequency, startX, centreY);
    case 6:
        return std::make_unique<CBend>(amplitude, frequency, startX, centreY, true);
    case 7:
        return std::make_unique<CBend>(amplitude, frequency, startX, centreY, false);
    case 8:
        return std::make_unique<CTrapezoid>(amplitude, frequency, startX, centreY, 1.0, 2.0);
    case 9:
        return std::make_unique<CSampleHold>(amplitude, frequency, startX, centreY);
    case 10:
        return std::make_unique<CChaos>(amplitude, startX, centreY);
    default:
        return nullptr;
    }
}

std::unique_ptr<CTevLfoControl::CFader> CTevLfoControl::createFader(int32_t fadeMode, int32_t delayTime,
                                                                     int32_t fadeTime)
{
    const double start = delayTime / kTimeSteps;
    const double end = start + fadeTime / kTimeSteps;
    switch (fadeMode) {
    case 0:
    case 2:
        return std::make_unique<CFader>(start, end, 0.0, 1.0);
    case 1:
    case 3:
        return std::make_unique<CFader>(start, end, 1.0, 0.0);
    default:
        return nullptr;
    }
}

// ---------------------------------------------------------------------------
// The control
// ---------------------------------------------------------------------------

CTevLfoControl::CTevLfoControl() : m_drawer(Resources().CreateGraphDrawer()) {}

CTevLfoControl::~CTevLfoControl() = default;

bool CTevLfoControl::ReadAttributes(CTevPairList& attributes)
{
    if (!CTevControl::ReadAttributes(attributes))
        return false;
    static const char* const kTags[kRefCount] = {"waveFormValueRef",  "rateValueRef",     "offsetValueRef",
                                                 "delayTimeValueRef", "fadeModeValueRef", "fadeTimeValueRef"};
    std::string names[kRefCount];
    for (auto it = attributes.begin(); it != attributes.end();) {
        const auto tag = std::find_if(std::begin(kTags), std::end(kTags),
                                      [&it](const char* known) { return it->first == known; });
        if (tag == std::end(kTags)) {
            ++it;
            continue;
        }
        names[tag - std::begin(kTags)] = it->second;
        it = attributes.erase(it);
    }
    for (const std::string& name : names)
        m_valueRefs.emplace_back(name);
    return true;
}

bool CTevLfoControl::Create(CTevView* parent)
{
    if (!CTevControl::Create(parent)) {
        ErrorLog().Printf("Unable to create LFO control %s.\n", GetPath().c_str());
        return false;
    }
    if (GetValueRefCount() != kRefCount) {
        ErrorLog().Printf("LFO control %s needs exactly six value references, not %d.\n", GetPath().c_str(),
                          GetValueRefCount());
        return false;
    }
    return true;
}

double CTevLfoControl::timeToX(double t) const
{
    const double innerLeft = m_rect.left + 1;
    return t * (double(m_rect.right - 1) - innerLeft) / kTimeSpan + innerLeft;
}

double CTevLfoControl::xToTime(double x) const
{
    const double innerLeft = m_rect.left + 1;
    const double pixels = double(m_rect.right - 1) - innerLeft;
    return pixels > 0 ? (x - innerLeft) * kTimeSpan / pixels : 0.0;
}

int32_t CTevLfoControl::markerX(int32_t timeIndex) const
{
    return ClampBetween(RoundHalfAway(timeToX(timeIndex / kTimeSteps)), int64_t(m_rect.left) + 1,
                        int64_t(m_rect.right) - 1);
}

void CTevLfoControl::Update()
{
    const int32_t waveForm = IndexOf(GetValue(kWaveForm));
    const int32_t rate = IndexOf(GetValue(kRate));
    const int32_t offset = IndexOf(GetValue(kOffset));
    const int32_t delayTime = IndexOf(GetValue(kDelayTime));
    const int32_t fadeMode = IndexOf(GetValue(kFadeMode));
    const int32_t fadeTime = IndexOf(GetValue(kFadeTime));
    const std::unique_ptr<IWaveForm> wave = createWaveForm(waveForm, rate, offset, m_rect);
    // Without a fader the wave shows at full size throughout.
    const std::unique_ptr<CFader> fader = createFader(fadeMode, delayTime, fadeTime);

    m_curve.clear();
    const int64_t top = int64_t(m_rect.top) + 1;
    const int64_t bottom = int64_t(m_rect.bottom) - 1;
    const double mid = (m_rect.top + m_rect.bottom) / 2;
    if (wave) {
        for (int32_t x = m_rect.left + 1; x < m_rect.right - 1; ++x) {
            const int64_t y = ClampBetween(RoundHalfAway(wave->value(x)), top, bottom);
            const double scale = fader ? fader->value(xToTime(x)) : 1.0;
            m_curve.push_back(CTevPoint{x, static_cast<int32_t>(RoundHalfAway(scale * (double(y) - mid) + mid))});
        }
    }
    m_delayMarkerX = markerX(delayTime);
    m_fadeMarkerX = markerX(delayTime + fadeTime);
}

void CTevLfoControl::Draw(CTevDrawInfo& drawInfo)
{
    if (!m_drawer || !drawInfo.IntersectsUpdate(m_rect))
        return;
    const CTevRect& r = m_rect;
    const int32_t mid = (r.top + r.bottom) / 2;
    m_drawer->FillRect(drawInfo, r, kBackground);
    m_drawer->MoveTo(drawInfo, CTevPoint{r.left, mid});
    m_drawer->LineTo(drawInfo, CTevPoint{r.right, mid}, 1, kLines);
    m_drawer->MoveTo(drawInfo, CTevPoint{m_delayMarkerX, r.top});
    m_drawer->LineTo(drawInfo, CTevPoint{m_delayMarkerX, r.bottom}, 1, kLines);
    m_drawer->MoveTo(drawInfo, CTevPoint{m_fadeMarkerX, r.top});
    m_drawer->LineTo(drawInfo, CTevPoint{m_fadeMarkerX, r.bottom}, 1, kLines);
    if (m_curve.empty())
        return;
    m_drawer->Polyline(drawInfo, m_curve, 3, BlendColor(kBackground, kCurve, 0.3));
    m_drawer->Polyline(drawInfo, m_curve, 1, kCurve);
}

void CTevLfoControl::SetRect(const CTevRect& rect)
{
    CTevControl::SetRect(rect);
    Update();
}
