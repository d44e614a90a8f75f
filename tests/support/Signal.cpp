#include "support/Signal.h"

#include <algorithm>
#include <cmath>

namespace kt4rtest {

double Rms(const std::vector<double>& x, size_t begin, size_t end)
{
    end = std::min(end, x.size());
    if (begin >= end)
        return 0.0;
    double s = 0.0;
    for (size_t i = begin; i < end; ++i)
        s += x[i] * x[i];
    return std::sqrt(s / static_cast<double>(end - begin));
}

double Mean(const std::vector<double>& x, size_t begin, size_t end)
{
    end = std::min(end, x.size());
    if (begin >= end)
        return 0.0;
    double s = 0.0;
    for (size_t i = begin; i < end; ++i)
        s += x[i];
    return s / static_cast<double>(end - begin);
}

double Brightness(const std::vector<double>& x, size_t begin, size_t end)
{
    end = std::min(end, x.size());
    double diff = 0.0, sum = 0.0;
    for (size_t i = begin + 1; i < end; ++i) {
        diff += (x[i] - x[i - 1]) * (x[i] - x[i - 1]);
        sum += x[i] * x[i];
    }
    return sum > 0.0 ? std::sqrt(diff / sum) : 0.0;
}

double CrossingFrequency(const std::vector<double>& x, double sampleRate)
{
    const double mean = Mean(x);
    size_t first = 0, last = 0, count = 0;
    for (size_t i = 1; i < x.size(); ++i) {
        if (x[i - 1] <= mean && x[i] > mean) {
            first = count++ ? first : i;
            last = i;
        }
    }
    return count < 2 ? 0.0 : static_cast<double>(count - 1) * sampleRate / static_cast<double>(last - first);
}

double Peak(const std::vector<double>& x)
{
    double p = 0.0;
    for (double v : x)
        p = std::max(p, std::fabs(v));
    return p;
}

double ToneMagnitude(const std::vector<double>& x, double sampleRate, double hz)
{
    const size_t n = x.size();
    if (n < 2)
        return 0.0;
    const double w = 2.0 * M_PI * hz / sampleRate;
    // Rotating phasor instead of sin/cos per sample; renormalised now and then against drift.
    double re = 0.0, im = 0.0, cr = 1.0, ci = 0.0;
    const double sr = std::cos(w), si = -std::sin(w);
    double wsum = 0.0;
    for (size_t i = 0; i < n; ++i) {
        double win = 0.5 - 0.5 * std::cos(2.0 * M_PI * static_cast<double>(i) / static_cast<double>(n - 1));
        wsum += win;
        re += x[i] * win * cr;
        im += x[i] * win * ci;
        double nr = cr * sr - ci * si;
        ci = cr * si + ci * sr;
        cr = nr;
        if ((i & 1023) == 1023) {
            double m = std::sqrt(cr * cr + ci * ci);
            cr /= m;
            ci /= m;
        }
    }
    return std::sqrt(re * re + im * im) / wsum;
}

double StrongestFrequency(const std::vector<double>& x, double sampleRate, double loHz, double hiHz)
{
    const double duration = static_cast<double>(x.size()) / sampleRate;
    double step = std::max(0.25 / duration, (hiHz - loHz) / 400.0);
    double best = loHz, bestMag = -1.0;
    for (double f = loHz; f <= hiHz; f += step) {
        double m = ToneMagnitude(x, sampleRate, f);
        if (m > bestMag) {
            bestMag = m;
            best = f;
        }
    }
    // Golden-section search on the main lobe around the coarse peak.
    double a = best - step, b = best + step;
    const double g = 0.6180339887;
    double c = b - g * (b - a), d = a + g * (b - a);
    double fc = ToneMagnitude(x, sampleRate, c), fd = ToneMagnitude(x, sampleRate, d);
    while (b - a > 0.002) {
        if (fc > fd) {
            b = d;
            d = c;
            fd = fc;
            c = b - g * (b - a);
            fc = ToneMagnitude(x, sampleRate, c);
        } else {
            a = c;
            c = d;
            fc = fd;
            d = a + g * (b - a);
            fd = ToneMagnitude(x, sampleRate, d);
        }
    }
    return 0.5 * (a + b);
}

std::vector<double> PowerSpectrum(const std::vector<double>& x, size_t size)
{
    std::vector<double> re(size, 0.0), im(size, 0.0);
    for (size_t i = 0; i < size && i < x.size(); ++i) {
        const double t = 2.0 * M_PI * static_cast<double>(i) / static_cast<double>(size);
        const double w = 0.35875 - 0.48829 * std::cos(t) + 0.14128 * std::cos(2 * t) - 0.01168 * std::cos(3 * t);
        re[i] = x[i] * w;
    }
    // In-place iterative radix-2 transform.
    for (size_t i = 1, j = 0; i < size; ++i) {
        size_t bit = size >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j) {
            std::swap(re[i], re[j]);
            std::swap(im[i], im[j]);
        }
    }
    for (size_t len = 2; len <= size; len <<= 1) {
        const double a = -2.0 * M_PI / static_cast<double>(len);
        for (size_t i = 0; i < size; i += len) {
            for (size_t k = 0; k < len / 2; ++k) {
                const double cr = std::cos(a * static_cast<double>(k)), ci = std::sin(a * static_cast<double>(k));
                const size_t u = i + k, v = i + k + len / 2;
                const double tr = re[v] * cr - im[v] * ci, ti = re[v] * ci + im[v] * cr;
                re[v] = re[u] - tr;
                im[v] = im[u] - ti;
                re[u] += tr;
                im[u] += ti;
            }
        }
    }
    std::vector<double> power(size / 2);
    for (size_t i = 0; i < size / 2; ++i)
        power[i] = re[i] * re[i] + im[i] * im[i];
    return power;
}

std::vector<double> ToDouble(const std::vector<float>& x, size_t begin)
{
    return std::vector<double>(x.begin() + static_cast<long>(std::min(begin, x.size())), x.end());
}

} // namespace kt4rtest
