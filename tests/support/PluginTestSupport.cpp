#include "tests/support/PluginTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "tests/support/TempFolder.h"

namespace kt4r_test {

PluginCopy::PluginCopy(const std::string& ini, const std::string& map, const std::vector<std::string>& besides)
{
    const std::filesystem::path folder = MakeUniqueFolder("kt4r-plugin-test");
    if (folder.empty()) {
        ADD_FAILURE() << "cannot create a temporary folder";
        return;
    }
    mFolder = folder.string();
    // Same file name as the built one (KT-4R.so, or KT-4R.dll on Windows).
    mPath = (folder / std::filesystem::path(KT4R_PLUGIN_PATH).filename()).string();
    std::filesystem::copy_file(KT4R_PLUGIN_PATH, mPath);
    if (!ini.empty())
        std::ofstream(mFolder + "/KT-4R.ini") << ini;
    if (!map.empty())
        std::ofstream(mFolder + "/KT-4R.map") << map;
    for (const std::string& file : besides)
        std::filesystem::copy_file(file, folder / std::filesystem::path(file).filename());
}

PluginCopy::~PluginCopy()
{
    std::error_code ignored;
    if (!mFolder.empty())
        std::filesystem::remove_all(mFolder, ignored);
}

std::vector<uint8_t> TakeChunk(PluginHost& host, int index)
{
    void* data = nullptr;
    const intptr_t size = host.Dispatch(vst::effGetChunk, index, 0, &data);
    if (size <= 0 || !data)
        return {};
    const auto* bytes = static_cast<const uint8_t*>(data);
    return {bytes, bytes + size};
}

LoadedPlugin LoadPlugin(const std::string& ini, double rate, int block, bool resume, const std::string& map)
{
    LoadedPlugin loaded;
    loaded.copy = std::make_unique<PluginCopy>(ini, map);
    loaded.host = std::make_unique<PluginHost>();
    std::string error;
    if (!loaded.host->Load(loaded.copy->Path(), &error)) {
        ADD_FAILURE() << "loading the plug-in failed: " << error;
        return loaded;
    }
    loaded.host->Open(rate, block);
    if (resume) {
        loaded.host->Resume();
        // One silent block, as hosts run before playback starts: the patch sent at open (which sets the
        // key mode and so releases every voice) is applied there, not on the first note.
        Render(*loaded.host, block, block);
    }
    return loaded;
}

Stereo Render(PluginHost& host, int frames, int blockSize, bool useDouble)
{
    Stereo out;
    out.left.reserve(static_cast<size_t>(frames));
    out.right.reserve(static_cast<size_t>(frames));
    std::vector<float> l(static_cast<size_t>(blockSize)), r(static_cast<size_t>(blockSize));
    std::vector<double> ld(static_cast<size_t>(blockSize)), rd(static_cast<size_t>(blockSize));
    host.SendEvents();
    for (int done = 0; done < frames; done += blockSize) {
        const int n = std::min(blockSize, frames - done);
        host.SetBlockStart(done);
        if (useDouble) {
            // Sentinels catch samples the plug-in leaves unwritten.
            std::fill(ld.begin(), ld.end(), 1e9);
            std::fill(rd.begin(), rd.end(), 1e9);
            double* outs[2] = {ld.data(), rd.data()};
            host.ProcessDouble(nullptr, outs, n);
            for (int i = 0; i < n; ++i) {
                out.left.push_back(static_cast<float>(ld[static_cast<size_t>(i)]));
                out.right.push_back(static_cast<float>(rd[static_cast<size_t>(i)]));
            }
        } else {
            std::fill(l.begin(), l.end(), 1e9f);
            std::fill(r.begin(), r.end(), 1e9f);
            float* outs[2] = {l.data(), r.data()};
            host.ProcessFloat(nullptr, outs, n);
            out.left.insert(out.left.end(), l.begin(), l.begin() + n);
            out.right.insert(out.right.end(), r.begin(), r.begin() + n);
        }
    }
    return out;
}

bool AllFinite(const std::vector<float>& x)
{
    for (float v : x) {
        if (!std::isfinite(v) || std::fabs(v) > 1e6f)
            return false;
    }
    return true;
}

} // namespace kt4r_test
