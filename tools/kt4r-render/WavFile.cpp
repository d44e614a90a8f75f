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

bool ReadWav(const std::string& path, std::vector<float>* left, std::vector<float>* right, int* sampleRate,
             std::string* error)
{
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) {
        *error = "cannot open " + path;
        return false;
    }
    std::vector<uint8_t> bytes;
    uint8_t piece[65536];
    for (size_t got; (got = std::fread(piece, 1, sizeof piece, file.get())) > 0;)
        bytes.insert(bytes.end(), piece, piece + got);
    auto get16 = [&](size_t at) { return uint32_t{bytes[at]} | uint32_t{bytes[at + 1]} << 8; };
    auto get32 = [&](size_t at) { return get16(at) | get16(at + 2) << 16; };
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
        std::memcmp(bytes.data() + 8, "WAVE", 4) != 0) {
        *error = path + " is not a RIFF WAVE file";
        return false;
    }
    uint32_t format = 0, channels = 0, bits = 0;
    for (size_t at = 12; at + 8 <= bytes.size();) {
        const uint32_t size = get32(at + 4);
        const size_t body = at + 8;
        if (size > bytes.size() - body)
            break;
        if (std::memcmp(bytes.data() + at, "fmt ", 4) == 0 && size >= 16) {
            format = get16(body);
            channels = get16(body + 2);
            *sampleRate = static_cast<int>(get32(body + 4));
            bits = get16(body + 14);
        } else if (std::memcmp(bytes.data() + at, "data", 4) == 0) {
            const bool isFloat = format == 3 && bits == 32, isPcm24 = format == 1 && bits == 24;
            if (channels != 2 || (!isFloat && !isPcm24)) {
                *error = path + ": only stereo 32-bit float or 24-bit PCM is read";
                return false;
            }
            const size_t frameBytes = isFloat ? 8 : 6;
            left->clear();
            right->clear();
            for (size_t f = body; f + frameBytes <= body + size; f += frameBytes) {
                for (size_t c = 0; c < 2; ++c) {
                    float sample;
                    if (isFloat) {
                        const uint32_t word = get32(f + 4 * c);
                        std::memcpy(&sample, &word, sizeof sample);
                    } else {
                        const size_t s = f + 3 * c;
                        const uint32_t packed =
                            uint32_t{bytes[s]} << 8 | uint32_t{bytes[s + 1]} << 16 | uint32_t{bytes[s + 2]} << 24;
                        const auto word = static_cast<int32_t>(packed);
                        sample = static_cast<float>((word >> 8) / 8388607.0);
                    }
                    (c == 0 ? left : right)->push_back(sample);
                }
            }
            return true;
        }
        at = body + size + (size & 1);
    }
    *error = path + " has no data";
    return false;
}
