// Writes interleaved stereo audio as a RIFF WAVE file: 32-bit float or 24-bit PCM.
#pragma once

#include <string>
#include <vector>

enum class WavFormat { kFloat32, kPcm24 };

bool WriteWav(const std::string& path, const std::vector<float>& left, const std::vector<float>& right, int sampleRate,
              WavFormat format, std::string* error);
