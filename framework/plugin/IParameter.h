// One parameter record: kind, plain value, range, step, shape, default, texts, and the
// normalised <-> plain conversion the host, the editor and the files share.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct IDisplayText {
    int value;
    char text[32];
};

class IParameter {
public:
    // Stored as numbers; no parameter of this instrument uses kEnum.
    enum Type { kTypeNone = 0, kTypeBool = 1, kTypeInt = 2, kTypeEnum = 3, kTypeDouble = 4 };
    static constexpr int kTextLen = 32;

    IParameter();
    IParameter(const IParameter&) = delete;
    IParameter& operator=(const IParameter&) = delete;

    // Definitions; called once from the plug-in constructor, before any host call.
    void DefineContinuous(const char* name, double defaultValue, double min, double max, double step,
                          const char* label = "", const char* group = "", double shape = 1.0);
    void DefineInteger(const char* name, int defaultValue, int min, int max, const char* label = "");
    void DefineSwitch(const char* name, bool defaultValue, const char* label = "");
    void AddDisplayText(int value, const char* text);

    // Normalisation: ((clamped value - min) / (max - min)) ^ (1 / shape).
    double ToNormalized() const { return ToNormalized(mValue); }
    double ToNormalized(double plain) const;
    // Plain value from a normalised one: min + (max - min) * n^shape, snapped to the step for every
    // kind but double, max at or above max. A non-finite n leaves the value unchanged; n is clamped to 0..1.
    void SetFromNormalized(double normalized);
    // The value SetFromNormalized would store: clamped, snapped to the step for stepped kinds; the
    // current value for a value that is not a number.
    double PlainFor(double normalized) const;
    // Stores a plain value clamped to the range (non-finite values are ignored).
    void SetPlain(double plain);

    // The host's value text: a normalised v is first mapped (without snapping); with display texts
    // allowed, a non-empty text whose integer equals v truncated gives the text; otherwise "%.*f" with
    // the display precision (negated when negate-display is set), or "%d" when the precision is 0.
    void FormatValue(double v, bool isNormalized, bool useDisplayTexts, char* text, size_t size) const;
    // The unit label; empty when the current value has a non-empty display text.
    const char* LabelForDisplay() const;
    // Display text whose integer equals value, or nullptr.
    const char* DisplayTextFor(int value) const;
    // Integer value of a display text matched exactly; false when none matches.
    bool MapDisplayText(const char* text, double* value) const;

    Type GetType() const { return mType; }
    double Value() const { return mValue; }
    double Min() const { return mMin; }
    double Max() const { return mMax; }
    double Step() const { return mStep; }
    double Shape() const { return mShape; }
    double Default() const { return mDefault; }
    int DisplayPrecision() const { return mDisplayPrecision; }
    const char* Name() const { return mName; }
    const char* Label() const { return mLabel; }
    const char* Group() const { return mGroup; }
    bool NegateDisplay() const { return mNegateDisplay; }
    void SetNegateDisplay(bool on) { mNegateDisplay = on; }
    bool CanAutomate() const { return mCanAutomate; }
    int DisplayTextCount() const { return static_cast<int>(mDisplayTexts.size()); }
    const IDisplayText& DisplayTextAt(int i) const { return mDisplayTexts[static_cast<size_t>(i)]; }

private:
    double FromNormalized(double normalized) const;

    Type mType = kTypeNone;
    double mValue = 0.0;
    double mMin = 0.0;
    double mMax = 1.0;
    double mStep = 1.0;
    double mShape = 1.0;
    double mDefault = 0.0;
    int mDisplayPrecision = 0;
    char mName[kTextLen] = {};
    char mLabel[kTextLen] = {};
    char mGroup[kTextLen] = {};
    bool mNegateDisplay = false;
    bool mCanAutomate = true;
    std::vector<IDisplayText> mDisplayTexts;
};

// Copies at most size - 1 characters and terminates; does nothing for a null or empty destination.
void CopyText(char* dest, const char* src, size_t size);
