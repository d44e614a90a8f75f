#include "tools/kt4r-render/WavFile.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

void Put16(std::vector<uint8_t>* out, uint16_t v)
{
    out->push_back(static_cast<uint8_t>(v));
    out->push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t>* out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out->push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void PutTag(std::vector<uint8_t>* out, const char* tag)
{
    out->insert(out->end(), tag, tag + 4);
}

} // namespace

bool WriteWav(const std::string& path, const std::vector<float>& left, const std::vector<float>& right, int sampleRate,
              WavFormat format, std::string* error)
{
    const size_t frames = std::min(left.size(), right.size());
    const bool isFloat = format == WavFormat::kFloat32;
    const uint16_t bytesPerSample = isFloat ? 4 : 3;
    const uint32_t dataBytes = static_cast<uint32_t>(frames * 2 * bytesPerSample);

    std::vector<uint8_t> out;
    out.reserve(64 + dataBytes);
    PutTag(&out, "RIFF");
    Put32(&out, 0); // patched below
    PutTag(&out, "WAVE");
    PutTag(&out, "fmt ");
    Put32(&out, isFloat ? 18 : 16);
    Put16(&out, isFloat ? 3 : 1); // IEEE float or PCM
    Put16(&out, 2);
    Put32(&out, static_cast<uint32_t>(sampleRate));
    Put32(&out, static_cast<uint32_t>(sampleRate) * 2u * bytesPerSample);
    Put16(&out, static_cast<uint16_t>(2 * bytesPerSample));
    Put16(&out, static_cast<uint16_t>(8 * bytesPerSample));
    if (isFloat) {
        Put16(&out, 0);       // no extension
        PutTag(&out, "fact"); // required for non-PCM data
        Put32(&out, 4);
        Put32(&out, static_cast<uint32_t>(frames));
    }
    PutTag(&out, "data");
    Put32(&out, dataBytes);
    for (size_t i = 0; i < frames; ++i) {
        for (float sample : {left[i], right[i]}) {
            if (isFloat) {
                uint32_t bits;
                static_assert(sizeof bits == sizeof sample);
                std::memcpy(&bits, &sample, sizeof bits);
                Put32(&out, bits);
            } else {
                const double clamped = std::clamp(static_cast<double>(sample), -1.0, 1.0);
                const auto v = static_cast<int32_t>(std::lround(clamped * 8388607.0));
                out.push_back(static_cast<uint8_t>(v));
                out.push_back(static_cast<uint8_t>(v >> 8));
                out.push_back(static_cast<uint8_t>(v >> 16));
            }
        }
    }
    const uint32_t riffSize = static_cast<uint32_t>(out.size() - 8);
    for (int i = 0; i < 4; ++i)
        out[4 + i] = static_cast<uint8_t>(riffSize >> (8 * i));

    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!file || std::fwrite(out.data(), 1, out.size(), file.get()) != out.size()) {
        if (error)
            *error = "cannot write " + path;
        return false;
    }
    return true;
}
