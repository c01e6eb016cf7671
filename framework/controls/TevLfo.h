#pragma once
// The LFO display (script type "lfo"): a picture of a low-frequency
// oscillator's output over a fixed span of time, from six parameters (wave
// form, rate, offset, delay time, fade mode, fade time), with a middle line
// and markers at the end of the delay and at the end of the fade. It takes
// no input of its own and follows its values.
//
// The picture is computed once per change, one point per pixel column, and
// drawn from the stored points. The random wave forms draw from a
// generator of their own, reseeded whenever one is made, so one set of
// parameters always gives the same picture on every platform.
#include "controls/TevControl.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

class CTevGraphDrawer;

class CTevLfoControl : public CTevControl {
public:
    static constexpr const char* kTypeName = "lfo";
    // The order of the six references.
    enum : int { kWaveForm = 0, kRate = 1, kOffset = 2, kDelayTime = 3, kFadeMode = 4, kFadeTime = 5, kRefCount = 6 };
    // The logical time that the width shows.
    static constexpr double kTimeSpan = 1.125;
    // Delay and fade time indices per logical time unit.
    static constexpr double kTimeSteps = 254.0;

    static const CTevColor kBackground;
    static const CTevColor kLines;
    static const CTevColor kCurve;

    // The generator the random wave forms draw from: a 32-bit state,
    // state = state * 214013 + 2531011, each draw (state >> 16) & 0x7FFF.
    // One per thread.
    static void SeedRandom(uint32_t seed);
    static int NextRandom();

    // A point of the random wave: x relative to the wave's start, level
    // -1..1.
    struct CRandomPoint {
        double x = 0.0;
        double level = 0.0;
    };

    // A wave form: a level (a panel y) for a panel x; 0 left of its start.
    class IWaveForm {
    public:
        virtual ~IWaveForm() = default;
        virtual double value(double x) = 0;
    };

    // The common fields of the generators. frequency is in cycles per
    // pixel, start x is the panel x where the wave begins, amplitude the
    // pixels of a full swing to one side (negative: y grows downward),
    // offset the panel y of the wave's centre.
    class CWave : public IWaveForm {
    public:
        CWave(double amplitude, double frequency, double startX, double offset)
            : m_amplitude(amplitude), m_frequency(frequency), m_startX(startX), m_offset(offset)
        {
        }
        double GetAmplitude() const { return m_amplitude; }
        double GetFrequency() const { return m_frequency; }
        double GetStartX() const { return m_startX; }
        double GetOffset() const { return m_offset; }

    protected:
        // Cycles since the start.
        double phase(double x) const { return (x - m_startX) * m_frequency; }

        double m_amplitude;
        double m_frequency;
        double m_startX;
        double m_offset;
    };

    class CSin : public CWave {
    public:
        using CWave::CWave;
        double value(double x) override;
    };
    // Rising or falling ramps.
    class CSaw : public CWave {
    public:
        CSaw(double amplitude, double frequency, double startX, double offset, bool rising)
            : CWave(amplitude, frequency, startX, offset), m_rising(rising)
        {
        }
        double value(double x) override;

    private:
        bool m_rising;
    };
    // High, falling, low, rising; the slopes take (q2 - q1) / q2 of each
    // half period: 0 gives a square, 1 a triangle.
    class CTrapezoid : public CWave {
    public:
        CTrapezoid(double amplitude, double frequency, double startX, double offset, double q1, double q2)
            : CWave(amplitude, frequency, startX, offset), m_q1(q1), m_q2(q2)
        {
        }
        double value(double x) override;

    private:
        double m_q1;
        double m_q2;
    };
    // One ramp over the first period, then the centre.
    class CBend : public CWave {
    public:
        CBend(double amplitude, double frequency, double startX, double offset, bool rising)
            : CWave(amplitude, frequency, startX, offset), m_rising(rising)
        {
        }
        double value(double x) override;

    private:
        bool m_rising;
    };
    // A new random level on every call.
    class CChaos : public CWave {
    public:
        CChaos(double amplitude, double startX, double offset);
        double value(double x) override;
    };
    // Straight lines between random levels at random distances of 5 to 100
    // hundredths of a period.
    class CRandom : public CWave {
    public:
        CRandom(double amplitude, double frequency, double startX, double offset);
        double value(double x) override;
        // The point after the given one.
        CRandomPoint nextRandomPoint(const CRandomPoint& previous);
        const std::vector<CRandomPoint>& GetPoints() const { return m_points; }

    private:
        std::vector<CRandomPoint> m_points;
    };
    // One random level per period, kept for the period.
    class CSampleHold : public CWave {
    public:
        CSampleHold(double amplitude, double frequency, double startX, double offset);
        double value(double x) override;

    private:
        std::map<int64_t, double> m_levels;
    };
    // Scales the wave over logical time: the value before up to start, the
    // value after from end on, straight in between.
    class CFader : public IWaveForm {
    public:
        CFader(double start, double end, double before, double after)
            : m_start(start), m_end(end), m_before(before), m_after(after)
        {
        }
        double value(double t) override;
        double GetStart() const { return m_start; }
        double GetEnd() const { return m_end; }

    private:
        double m_start;
        double m_end;
        double m_before;
        double m_after;
    };

    CTevLfoControl();
    ~CTevLfoControl() override;

    // The control's attributes, then the six reference attributes; the six
    // references are appended in their fixed order, a missing one with an
    // empty name (which then fails to resolve).
    bool ReadAttributes(CTevPairList& attributes) override;
    // The control's create; then exactly six references.
    bool Create(CTevView* parent) override;
    // Background, middle line, delay and fade markers, the curve twice.
    void Draw(CTevDrawInfo& drawInfo) override;
    // The curve follows the rect.
    void SetRect(const CTevRect& rect) override;
    std::string GetTypeName() const override { return kTypeName; }
    // Recomputes the curve and the markers.
    void Update() override;

    // The generator for the wave form index in the rect, or null for an
    // unknown index.
    static std::unique_ptr<IWaveForm> createWaveForm(int32_t waveForm, int32_t rate, int32_t offset,
                                                     const CTevRect& frame);
    // The fader for the fade mode (0 and 2 fade in, 1 and 3 fade out), or
    // null for an unknown mode.
    static std::unique_ptr<CFader> createFader(int32_t fadeMode, int32_t delayTime, int32_t fadeTime);

    const std::vector<CTevPoint>& GetCurve() const { return m_curve; }
    int32_t GetDelayMarkerX() const { return m_delayMarkerX; }
    int32_t GetFadeMarkerX() const { return m_fadeMarkerX; }

private:
    // The panel x of a logical time.
    double timeToX(double t) const;
    // The logical time of a panel x.
    double xToTime(double x) const;
    // The panel x of a time index, inside the inner rect.
    int32_t markerX(int32_t timeIndex) const;

    std::unique_ptr<CTevGraphDrawer> m_drawer;
    std::vector<CTevPoint> m_curve;
    int32_t m_delayMarkerX = 0;
    int32_t m_fadeMarkerX = 0;
};
