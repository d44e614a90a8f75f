// kt4r-wavcompare: how far one render is from another, and the pitch of a render, as numbers a script
// can check. Used to compare the Windows build's output (under Wine) with the Linux build's.
//   kt4r-wavcompare REF.wav TEST.wav [--max-db DB]      error power of TEST against REF, both channels
//   kt4r-wavcompare --pitch FILE.wav --expect HZ --tolerance HZ [--from SECONDS] [--to SECONDS]
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/Signal.h"
#include "tools/kt4r-render/WavFile.h"

namespace {

bool Load(const std::string& path, std::vector<float>* left, std::vector<float>* right, int* rate)
{
    std::string error;
    if (!ReadWav(path, left, right, rate, &error)) {
        std::fprintf(stderr, "kt4r-wavcompare: %s\n", error.c_str());
        return false;
    }
    return true;
}

// 10·log10(Σ err² / Σ ref²) over both channels; 0 dB when the test is as loud as its difference.
int Compare(const std::string& refPath, const std::string& testPath, double maxDb)
{
    std::vector<float> refL, refR, testL, testR;
    int refRate = 0, testRate = 0;
    if (!Load(refPath, &refL, &refR, &refRate) || !Load(testPath, &testL, &testR, &testRate))
        return 2;
    if (refRate != testRate || refL.size() != testL.size()) {
        std::fprintf(stderr, "kt4r-wavcompare: %s has %zu frames at %d Hz, %s %zu at %d Hz\n", refPath.c_str(),
                     refL.size(), refRate, testPath.c_str(), testL.size(), testRate);
        return 1;
    }
    double err = 0.0, ref = 0.0, peakErr = 0.0;
    for (size_t i = 0; i < refL.size(); ++i) {
        for (const auto& [r, t] : {std::pair{refL[i], testL[i]}, std::pair{refR[i], testR[i]}}) {
            const double d = static_cast<double>(t) - static_cast<double>(r);
            err += d * d;
            ref += static_cast<double>(r) * r;
            peakErr = std::max(peakErr, std::fabs(d));
        }
    }
    if (ref <= 0.0) {
        std::fprintf(stderr, "kt4r-wavcompare: %s is silent\n", refPath.c_str());
        return 1;
    }
    const double db = err > 0.0 ? 10.0 * std::log10(err / ref) : -INFINITY;
    std::printf("error power %.2f dB relative to the reference (%zu frames, largest sample difference %.3g)\n", db,
                refL.size(), peakErr);
    if (!(db <= maxDb)) {
        std::fprintf(stderr, "kt4r-wavcompare: %.2f dB is above the limit of %.2f dB\n", db, maxDb);
        return 1;
    }
    return 0;
}

int Pitch(const std::string& path, double expect, double tolerance, double from, double to)
{
    std::vector<float> left, right;
    int rate = 0;
    if (!Load(path, &left, &right, &rate))
        return 2;
    const auto begin = static_cast<size_t>(from * rate);
    const size_t end = std::min(left.size(), static_cast<size_t>(to * rate));
    if (begin + 1000 > end) {
        std::fprintf(stderr, "kt4r-wavcompare: %s is too short\n", path.c_str());
        return 1;
    }
    int status = 0;
    for (const auto* channel : {&left, &right}) {
        const std::vector<double> x(channel->begin() + static_cast<std::ptrdiff_t>(begin),
                                    channel->begin() + static_cast<std::ptrdiff_t>(end));
        const double hz = kt4rtest::StrongestFrequency(x, rate, expect - 10.0, expect + 10.0);
        std::printf("%s channel: %.2f Hz (expected %.2f ± %.2f)\n", channel == &left ? "left" : "right", hz, expect,
                    tolerance);
        if (!(std::fabs(hz - expect) <= tolerance))
            status = 1;
    }
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> files;
    bool pitch = false;
    double maxDb = -90.0, expect = 0.0, tolerance = 0.0, from = 0.0, to = 1e9;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--pitch") {
            pitch = true;
        } else if (arg == "--max-db" && hasValue) {
            maxDb = std::atof(argv[++i]);
        } else if (arg == "--expect" && hasValue) {
            expect = std::atof(argv[++i]);
        } else if (arg == "--tolerance" && hasValue) {
            tolerance = std::atof(argv[++i]);
        } else if (arg == "--from" && hasValue) {
            from = std::atof(argv[++i]);
        } else if (arg == "--to" && hasValue) {
            to = std::atof(argv[++i]);
        } else if (!arg.empty() && arg[0] != '-') {
            files.push_back(arg);
        } else {
            std::fprintf(stderr, "kt4r-wavcompare: unknown option %s\n", arg.c_str());
            return 2;
        }
    }
    if (pitch && files.size() == 1 && expect > 0.0)
        return Pitch(files[0], expect, tolerance, from, to);
    if (!pitch && files.size() == 2)
        return Compare(files[0], files[1], maxDb);
    std::fprintf(stderr, "usage: kt4r-wavcompare REF.wav TEST.wav [--max-db DB]\n"
                         "       kt4r-wavcompare --pitch FILE.wav --expect HZ --tolerance HZ [--from S] [--to S]\n");
    return 2;
}
