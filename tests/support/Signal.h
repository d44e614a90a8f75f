// Measurements a listener would make on a rendered signal: level, pitch, spectrum.
#pragma once

#include <cstddef>
#include <vector>

namespace kt4rtest {

double Rms(const std::vector<double>& x, size_t begin = 0, size_t end = static_cast<size_t>(-1));
double Peak(const std::vector<double>& x);
double Mean(const std::vector<double>& x, size_t begin = 0, size_t end = static_cast<size_t>(-1));
// RMS of the first difference over the RMS of the signal: how bright it sounds.
double Brightness(const std::vector<double>& x, size_t begin = 0, size_t end = static_cast<size_t>(-1));
// Cycles per second counted from the upward crossings of x's mean; 0 with fewer than two crossings.
double CrossingFrequency(const std::vector<double>& x, double sampleRate);

// Magnitude of the Hann-windowed DFT of x at hz (not limited to bin centres), normalised so that a
// full-scale sine of that frequency reads about 0.5.
double ToneMagnitude(const std::vector<double>& x, double sampleRate, double hz);

// The frequency of the strongest partial between loHz and hiHz, refined to about 0.01 Hz.
double StrongestFrequency(const std::vector<double>& x, double sampleRate, double loHz, double hiHz);

// Power spectrum (|X|^2 per bin, Blackman-Harris window) of the first power-of-two samples of x.
std::vector<double> PowerSpectrum(const std::vector<double>& x, size_t size);

// The samples of x from begin on.
std::vector<double> ToDouble(const std::vector<float>& x, size_t begin = 0);

} // namespace kt4rtest
