// Writes interleaved stereo audio as a RIFF WAVE file: 32-bit float or 24-bit PCM; reads such files back.
#pragma once

#include <string>
#include <vector>

enum class WavFormat { kFloat32, kPcm24 };

bool WriteWav(const std::string& path, const std::vector<float>& left, const std::vector<float>& right, int sampleRate,
              WavFormat format, std::string* error);

// Reads a stereo WAV file as WriteWav writes it (32-bit float or 24-bit PCM); false with a message for
// anything else.
bool ReadWav(const std::string& path, std::vector<float>* left, std::vector<float>* right, int* sampleRate,
             std::string* error);
