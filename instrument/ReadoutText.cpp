#include "instrument/ReadoutText.h"

#include "engine/EngineFacts.h"

#include <cmath>
#include <cstdio>

namespace kt4r {

namespace {

std::string Format(const char* format, int value)
{
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// floor(x + 0.5) is the rounding every rule uses.
int Round(double x)
{
    return static_cast<int>(std::floor(x + 0.5));
}

// Four texts picked by the usual thresholds 1/6, 1/2, 5/6; `inclusive` selects <= over <.
const char* Quarter(double n, bool inclusive, const char* a, const char* b, const char* c, const char* d)
{
    if (inclusive ? n <= 0.16666 : n < 0.16666)
        return a;
    if (inclusive ? n <= 0.5 : n < 0.5)
        return b;
    if (inclusive ? n <= 0.83333 : n < 0.83333)
        return c;
    return d;
}

std::string LfoRateText(double n, const ReadoutContext& context)
{
    if (!context.lfoSync)
        return Format("%4d", Round(n * 99.0));
    // The engine receives the value in single precision: the same conversion shows what it plays.
    const LfoCycleBeats beats = SyncedLfoCycle(static_cast<float>(n));
    char text[32];
    std::snprintf(text, sizeof text, "%2d/%2d", beats.numerator, beats.denominator);
    return text;
}

} // namespace

ReadoutRule RuleForId(int id)
{
    const ParamDef* def = FindParamDef(id);
    return def ? def->rule : ReadoutRule::kScale;
}

const char* ReadoutLabel(int id)
{
    if (id < 0 || id > kLastParamId)
        return "";
    const ParamDef* def = FindParamDef(id);
    // Settings entries left undefined (command ids and spares) show a blank label like id 69.
    return def ? def->readoutLabel : " ";
}

std::string ReadoutValueText(ReadoutRule rule, double n, const ReadoutContext& context)
{
    switch (rule) {
    case ReadoutRule::kScale: {
        int k = Round(n * 127.0);
        k = k < 0 ? 0 : (k > 127 ? 127 : k);
        return Format("%4d", kDisplayScale[k]);
    }
    case ReadoutRule::kFeet: return Quarter(n, true, "  16", "   8", "   4", "   2");
    case ReadoutRule::kWave: return Quarter(n, true, " NOISE", "SQUARE", " PULSE", "   SAW");
    case ReadoutRule::kSemitone: return Format("%4d", Round(n * 24.0) - 12);
    case ReadoutRule::kCents: return Format("%4d", Round(n * 100.0) - 50);
    case ReadoutRule::kXmod: return Quarter(n, false, "  OFF", "SYNC1", "SYNC2", " XMOD");
    case ReadoutRule::kDyna: return Quarter(n, false, " OFF", "   1", "   2", "   3");
    case ReadoutRule::kEnvMode:
        if (n > 0.83333)
            return "1 UP  ";
        if (n > 0.5)
            return "1 DOWN";
        if (n > 0.16666)
            return "2 UP  ";
        return "2 DOWN";
    case ReadoutRule::kHpf: return Quarter(n, false, "   0 ", "   1 ", "   2 ", "   3 ");
    case ReadoutRule::kVcaMode: return n >= 0.5 ? " ENV2" : " GATE";
    case ReadoutRule::kChorus: return n < 0.25 ? " Off" : (n < 0.75 ? "   1" : "   2");
    case ReadoutRule::kLfoWave: return n < 0.25 ? "RANDOM" : (n < 0.75 ? "SQUARE" : "  SINE");
    case ReadoutRule::kLfoRate: return LfoRateText(n, context);
    case ReadoutRule::kBend:
        return context.extendedPitchBend ? Quarter(n, false, "   2", "   7", "  12", "  24")
                                         : Quarter(n, false, "   2", "   3", "   4", "   7");
    case ReadoutRule::kOnOff: return n >= 0.5 ? " On " : " Off";
    case ReadoutRule::kKeyAssign:
        if (n < 0.1)
            return "  POLY 1";
        if (n < 0.3)
            return "  POLY 2";
        if (n < 0.5)
            return "UNISON 1";
        if (n < 0.7)
            return "UNISON 2";
        if (n < 0.9)
            return "  MONO 1";
        return "  MONO 2";
    case ReadoutRule::kPitch:
        // The factor is 1/12 as the hardware's single-precision constant; 440 Hz +- a semitone's half.
        return "A = " + Format("%3d", Round(((n - 0.5) * 0.0833333358168602 + 1.0) * 440.0));
    case ReadoutRule::kTrigger: return n >= 0.5 ? " Retrigger" : " Legato";
    case ReadoutRule::kLfoTrigger: return n < 0.25 ? "FREE  " : (n < 0.75 ? "SOFT  " : "HARD  ");
    case ReadoutRule::kVoices: return Quarter(n, false, "   6", "   8", "  10", "  12");
    case ReadoutRule::kGain:
        // The readout font draws "~B" as the decibel sign.
        return n < 0.25 ? " -6 ~B" : (n < 0.75 ? "  0 ~B" : " +6 ~B");
    case ReadoutRule::kChannel: {
        const int k = Round(n * 16.0);
        return k == 0 ? std::string("  ALL") : Format("%4d", k);
    }
    }
    return std::string();
}

std::string ReadoutValueText(int id, double n, const ReadoutContext& context)
{
    if (id == kNoParamId)
        return std::string();
    return ReadoutValueText(RuleForId(id), n, context);
}

std::string ReadoutLine(int id, double n, const ReadoutContext& context)
{
    if (id == kNoParamId)
        return std::string();
    return std::string(ReadoutLabel(id)) + " " + ReadoutValueText(id, n, context);
}

} // namespace kt4r
