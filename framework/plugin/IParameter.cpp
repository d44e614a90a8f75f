#include "framework/plugin/IParameter.h"

#include <cmath>
#include <cstdio>
#include <cstring>

void CopyText(char* dest, const char* src, size_t size)
{
    if (!dest || size == 0)
        return;
    if (!src)
        src = "";
    size_t n = std::strlen(src);
    if (n > size - 1)
        n = size - 1;
    std::memcpy(dest, src, n);
    dest[n] = '\0';
}

IParameter::IParameter() = default;

void IParameter::DefineContinuous(const char* name, double defaultValue, double min, double max, double step,
                                  const char* label, const char* group, double shape)
{
    if (mType == kTypeNone)
        mType = kTypeDouble;
    CopyText(mName, name, sizeof mName);
    CopyText(mLabel, label, sizeof mLabel);
    CopyText(mGroup, group, sizeof mGroup);
    mValue = mDefault = defaultValue;
    mMin = min;
    mMax = max < min + step ? min + step : max;
    mStep = step;
    // Count the decimals of the step; the tolerance absorbs the binary representation of 0.01 and kin.
    mDisplayPrecision = 0;
    for (double s = step; mDisplayPrecision < 6 && std::fabs(s - std::floor(s + 0.5)) > 1e-9; s *= 10.0) {
        ++mDisplayPrecision;
    }
    if (shape != 0.0)
        mShape = shape;
}

void IParameter::DefineInteger(const char* name, int defaultValue, int min, int max, const char* label)
{
    if (mType == kTypeNone)
        mType = kTypeInt;
    DefineContinuous(name, defaultValue, min, max, 1.0, label, "", 1.0);
}

void IParameter::DefineSwitch(const char* name, bool defaultValue, const char* label)
{
    if (mType == kTypeNone)
        mType = kTypeBool;
    DefineContinuous(name, defaultValue ? 1.0 : 0.0, 0.0, 1.0, 1.0, label, "", 1.0);
    AddDisplayText(0, "off");
    AddDisplayText(1, "on");
}

void IParameter::AddDisplayText(int value, const char* text)
{
    IDisplayText entry{};
    entry.value = value;
    CopyText(entry.text, text, sizeof entry.text);
    mDisplayTexts.push_back(entry);
}

double IParameter::ToNormalized(double plain) const
{
    double v = plain;
    if (v < mMin)
        v = mMin;
    if (v > mMax)
        v = mMax;
    const double n = (v - mMin) / (mMax - mMin);
    return mShape == 1.0 ? n : std::pow(n, 1.0 / mShape);
}

double IParameter::FromNormalized(double normalized) const
{
    const double shaped = mShape == 1.0 ? normalized : std::pow(normalized, mShape);
    return mMin + (mMax - mMin) * shaped;
}

double IParameter::PlainFor(double normalized) const
{
    if (!std::isfinite(normalized))
        return mValue;
    if (normalized < 0.0)
        normalized = 0.0;
    if (normalized > 1.0)
        normalized = 1.0;
    double v = FromNormalized(normalized);
    if (mType != kTypeDouble)
        v = std::floor(v / mStep + 0.5) * mStep;
    if (v >= mMax)
        v = mMax;
    return v;
}

void IParameter::SetFromNormalized(double normalized)
{
    mValue = PlainFor(normalized);
}

void IParameter::SetPlain(double plain)
{
    if (!std::isfinite(plain))
        return;
    mValue = plain < mMin ? mMin : (plain > mMax ? mMax : plain);
}

const char* IParameter::DisplayTextFor(int value) const
{
    for (const IDisplayText& entry : mDisplayTexts) {
        if (entry.value == value)
            return entry.text;
    }
    return nullptr;
}

bool IParameter::MapDisplayText(const char* text, double* value) const
{
    for (const IDisplayText& entry : mDisplayTexts) {
        if (std::strcmp(entry.text, text) == 0) {
            *value = entry.value;
            return true;
        }
    }
    return false;
}

void IParameter::FormatValue(double v, bool isNormalized, bool useDisplayTexts, char* text, size_t size) const
{
    if (!text || size == 0)
        return;
    if (isNormalized)
        v = FromNormalized(v);
    if (useDisplayTexts && std::isfinite(v) && std::fabs(v) < 2147483647.0) {
        const char* shown = DisplayTextFor(static_cast<int>(v));
        if (shown && shown[0]) {
            CopyText(text, shown, size);
            return;
        }
    }
    const double shownValue = mNegateDisplay ? -v : v;
    if (mDisplayPrecision == 0) {
        const long long whole = std::isfinite(shownValue) ? static_cast<long long>(shownValue) : 0;
        std::snprintf(text, size, "%d", static_cast<int>(whole));
    } else {
        std::snprintf(text, size, "%.*f", mDisplayPrecision, shownValue);
    }
}

const char* IParameter::LabelForDisplay() const
{
    const char* shown = DisplayTextFor(static_cast<int>(mValue));
    return (shown && shown[0]) ? "" : mLabel;
}
