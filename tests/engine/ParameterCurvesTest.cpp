#include "engine/ApplyParam.h"
#include "signal/EngineParams.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

struct Case {
    ParamId id;
    float v;
    double expected;
    double tolerance;
};

double Read(const EngineParams& p, ParamId id)
{
    switch (id) {
    case ParamId::kDco1Tune: return p.mDco1Tune;
    case ParamId::kDco2Xmod: return static_cast<double>(p.mXmod);
    case ParamId::kDco2Fine: return p.mDco2Fine;
    case ParamId::kVcaLevel: return p.mVcaLevel;
    case ParamId::kVcaMode: return static_cast<double>(p.mVcaMode);
    case ParamId::kEnv1Att: return p.mEnv1.mAttack;
    case ParamId::kBendRange: return p.mBendRange;
    case ParamId::kPolyMode: return static_cast<double>(p.mKeyMode);
    case ParamId::kOctaveStretch: return p.mOctaveStretch;
    case ParamId::kMonoRetrgger: return p.mMonoRetrigger;
    case ParamId::kLfoSync: return p.mLfoSync;
    case ParamId::kLfoFreerun: return static_cast<double>(p.mLfoTrigger);
    default: return NAN;
    }
}

TEST(ParameterCurves, EveryRuleGivesItsEngineValueAtTheBoundaries)
{
    using Id = ParamId;
    const double semitone = 1.0 / 12.0;
    const Case cases[] = {
        {Id::kDco2Xmod, 0.16f, 0, 0},
        {Id::kDco2Xmod, 0.5f, 2, 0},
        {Id::kDco2Xmod, 0.83333f, 2, 0}, // f32 0.83333 sits below the double
        {Id::kDco2Xmod, 1.0f, 3, 0},
        {Id::kDco2Xmod, 0.16667f, 1, 0},
        {Id::kDco1Tune, 0.5f, 0, 1e-7},
        {Id::kDco1Tune, 0.0f, -1, 1e-6},
        {Id::kDco1Tune, 1.0f, 1, 1e-6},
        {Id::kDco1Tune, 0.52f, 0, 1e-7},
        {Id::kDco1Tune, 0.53f, semitone, 1e-6},
        {Id::kDco2Fine, 0.0f, -0.5 * semitone, 1e-7},
        {Id::kVcaLevel, 1.0f, 0.2 * 0.5 * std::exp(1.0), 1e-4},
        {Id::kVcaLevel, 0.0f, 0.00334, 1e-5},
        {Id::kVcaMode, 0.5f, 1, 0},
        {Id::kVcaMode, 0.49f, 0, 0},
        {Id::kEnv1Att, 0.0f, -3, 1e-6},
        {Id::kEnv1Att, 0.1f, 0, 1e-6},
        {Id::kEnv1Att, 1.0f, 7.879, 1e-5},
        {Id::kBendRange, 0.0f, 2.0 / 12, 1e-6},
        {Id::kBendRange, 0.4f, 3.0 / 12, 1e-6},
        {Id::kBendRange, 0.6f, 4.0 / 12, 1e-6},
        {Id::kBendRange, 1.0f, 7.0 / 12, 1e-6},
        {Id::kPolyMode, 0.99f, 4, 0},
        {Id::kPolyMode, 1.0f, 5, 0},
        {Id::kPolyMode, 0.5f, 2, 0},
        {Id::kOctaveStretch, 0.4f, 0.9998, 1e-6},
        {Id::kMonoRetrgger, 0.5f, 0, 0},
        {Id::kMonoRetrgger, 0.51f, 1, 0},
        {Id::kLfoSync, 0.5f, 0, 0},
        {Id::kLfoFreerun, 0.75f, 2, 0},
        {Id::kLfoFreerun, 0.5f, 1, 0},
    };
    for (const Case& c : cases) {
        EngineParams p;
        ApplyParam(p, Index(c.id), c.v);
        EXPECT_NEAR(Read(p, c.id), c.expected, c.tolerance) << "id " << Index(c.id) << " at " << c.v;
    }
}

TEST(ParameterCurves, ExtendedBendReachesTwoOctaves)
{
    EngineParams p;
    p.mExtendedBend = 1;
    ApplyParam(p, Index(ParamId::kBendRange), 1.0f);
    EXPECT_FLOAT_EQ(p.mBendRange, 2.0f);
    ApplyParam(p, Index(ParamId::kBendRange), 0.6f);
    EXPECT_FLOAT_EQ(p.mBendRange, 1.0f);
}

TEST(ParameterCurves, ValuesThatAreNotNumbersAndUnknownIdsChangeNothing)
{
    EngineParams p;
    ApplyParam(p, Index(ParamId::kVcfFreq), 0.25f);
    ApplyParam(p, Index(ParamId::kVcfFreq), std::numeric_limits<float>::quiet_NaN());
    ApplyParam(p, Index(ParamId::kVcfFreq), std::numeric_limits<float>::infinity());
    EXPECT_EQ(p.mVcfFreq, 0.25f);
    const EngineParams before = p;
    for (int id : {-1, 50, 55, 58, 59, 67, 68, 69, 70, 1000})
        ApplyParam(p, id, 0.7f);
    EXPECT_EQ(0, std::memcmp(&before, &p, sizeof p));
}

} // namespace
