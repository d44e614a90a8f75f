#include "engine/ApplyParam.h"
#include "signal/EngineParams.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

struct Case {
    int id;
    float v;
    double expected;
    double tolerance;
};

double Read(const EngineParams& p, int id)
{
    switch (id) {
    case 2: return p.mDco1Tune;
    case 7: return p.mXmod;
    case 9: return p.mDco2Fine;
    case 27: return p.mVcaLevel;
    case 28: return p.mVcaMode;
    case 35: return p.mEnv1.mAttack;
    case 48: return p.mBendRange;
    case 51: return p.mKeyMode;
    case 54: return p.mOctaveStretch;
    case 57: return p.mMonoRetrigger;
    case 65: return p.mLfoSync;
    case 66: return p.mLfoTrigger;
    default: return NAN;
    }
}

TEST(ParameterCurves, EveryRuleGivesItsEngineValueAtTheBoundaries)
{
    const double semitone = 1.0 / 12.0;
    const Case cases[] = {
        {7, 0.16f, 0, 0},       {7, 0.5f, 2, 0},        {7, 0.83333f, 2, 0}, // f32 0.83333 sits below the double
        {7, 1.0f, 3, 0},        {7, 0.16667f, 1, 0},
        {2, 0.5f, 0, 1e-7},     {2, 0.0f, -1, 1e-6},    {2, 1.0f, 1, 1e-6},
        {2, 0.52f, 0, 1e-7},    {2, 0.53f, semitone, 1e-6},
        {9, 0.0f, -0.5 * semitone, 1e-7},
        {27, 1.0f, 0.2 * 0.5 * std::exp(1.0), 1e-4}, {27, 0.0f, 0.00334, 1e-5},
        {28, 0.5f, 1, 0},       {28, 0.49f, 0, 0},
        {35, 0.0f, -3, 1e-6},   {35, 0.1f, 0, 1e-6},    {35, 1.0f, 7.879, 1e-5},
        {48, 0.0f, 2.0 / 12, 1e-6}, {48, 0.4f, 3.0 / 12, 1e-6}, {48, 0.6f, 4.0 / 12, 1e-6}, {48, 1.0f, 7.0 / 12, 1e-6},
        {51, 0.99f, 4, 0},      {51, 1.0f, 5, 0},       {51, 0.5f, 2, 0},
        {54, 0.4f, 0.9998, 1e-6},
        {57, 0.5f, 0, 0},       {57, 0.51f, 1, 0},
        {65, 0.5f, 0, 0},       {66, 0.75f, 2, 0},      {66, 0.5f, 1, 0},
    };
    for (const Case& c : cases) {
        EngineParams p;
        ApplyParam(p, c.id, c.v);
        EXPECT_NEAR(Read(p, c.id), c.expected, c.tolerance) << "id " << c.id << " at " << c.v;
    }
}

TEST(ParameterCurves, ExtendedBendReachesTwoOctaves)
{
    EngineParams p;
    p.mExtendedBend = 1;
    ApplyParam(p, 48, 1.0f);
    EXPECT_FLOAT_EQ(p.mBendRange, 2.0f);
    ApplyParam(p, 48, 0.6f);
    EXPECT_FLOAT_EQ(p.mBendRange, 1.0f);
}

TEST(ParameterCurves, ValuesThatAreNotNumbersAndUnknownIdsChangeNothing)
{
    EngineParams p;
    ApplyParam(p, 20, 0.25f);
    ApplyParam(p, 20, std::numeric_limits<float>::quiet_NaN());
    ApplyParam(p, 20, std::numeric_limits<float>::infinity());
    EXPECT_EQ(p.mVcfFreq, 0.25f);
    const EngineParams before = p;
    for (int id : {-1, 50, 55, 58, 59, 67, 68, 69, 70, 1000})
        ApplyParam(p, id, 0.7f);
    EXPECT_EQ(0, std::memcmp(&before, &p, sizeof p));
}

} // namespace
