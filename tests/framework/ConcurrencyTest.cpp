// Host threads at once: one renders while another automates, sends MIDI and moves state. The plug-in
// lock serialises them; the sanitizer builds (tsan, asan) run these to catch races and use of freed
// memory on the engine's and the framework's state.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

#include "tests/support/PluginTestSupport.h"

namespace kt4r_test {
namespace {

constexpr double kRate = 48000.0;

// Renders host blocks of `frames` until stopped; counts blocks and notes any non-finite sample.
class Renderer {
public:
    Renderer(vst::EffectRecord* effect, int frames)
        : mThread([this, effect, frames] {
              std::vector<float> l(static_cast<size_t>(frames)), r(static_cast<size_t>(frames));
              float* outs[2] = {l.data(), r.data()};
              while (!mStop.load()) {
                  effect->processReplacing(effect, nullptr, outs, frames);
                  for (float v : l)
                      mFinite = mFinite && std::isfinite(v);
                  ++mBlocks;
                  // A host renders once per audio period; the other threads get the lock in between.
                  std::this_thread::yield();
              }
          })
    {
    }
    // Lets at least `blocks` blocks render, then stops and joins.
    void StopAfter(int blocks)
    {
        while (mBlocks.load() < blocks)
            std::this_thread::yield();
        mStop = true;
        mThread.join();
    }
    int Blocks() const { return mBlocks.load(); }
    bool Finite() const { return mFinite; }

private:
    std::atomic<bool> mStop{false};
    std::atomic<int> mBlocks{0};
    bool mFinite = true; // written by the render thread only, read after join
    std::thread mThread;
};

void SendNote(vst::EffectRecord* effect, int frame, bool on, int key)
{
    vst::MidiEvent note{};
    note.type = vst::kMidiType;
    note.byteSize = sizeof note;
    note.deltaFrames = frame;
    note.midiData[0] = static_cast<char>(on ? 0x90 : 0x80);
    note.midiData[1] = static_cast<char>(key);
    note.midiData[2] = 100;
    vst::Events list{};
    list.numEvents = 1;
    list.events[0] = reinterpret_cast<vst::Event*>(&note);
    effect->dispatcher(effect, vst::effProcessEvents, 0, 0, &list, 0.0f);
}

TEST(Concurrency, ParametersAndMidiWhileRendering)
{
    LoadedPlugin plugin = LoadPlugin(std::string(), kRate, 256);
    vst::EffectRecord* effect = plugin->Effect();
    Renderer renderer(effect, 256);
    uint32_t seed = 1;
    auto next = [&seed] { return (seed = seed * 214013u + 2531011u) >> 16 & 0x7FFF; };
    for (int i = 0; i < 600; ++i) {
        const int id = static_cast<int>(next() % 70);
        // Voice-count rebuilds are heavy; keep them to a few.
        if (id != 67 || i % 100 == 0)
            effect->setParameter(effect, id, static_cast<float>(next() % 101) / 100.0f);
        SendNote(effect, static_cast<int>(next() % 256), i % 2 != 0, 40 + static_cast<int>(next() % 40));
        char text[64];
        effect->dispatcher(effect, vst::effGetParamDisplay, id, 0, text, 0.0f);
        (void)effect->getParameter(effect, id);
    }
    renderer.StopAfter(50);
    EXPECT_TRUE(renderer.Finite());
    EXPECT_GE(renderer.Blocks(), 50);
}

TEST(Concurrency, StateAndProgramsWhileRenderingLongHostBlocks)
{
    LoadedPlugin plugin = LoadPlugin(std::string(), kRate, 256);
    vst::EffectRecord* effect = plugin->Effect();
    // Host blocks above the announced maximum: events wait in the adapter while state moves.
    Renderer renderer(effect, 700);
    for (int i = 0; i < 300; ++i) {
        effect->setParameter(effect, 20, static_cast<float>(i % 11) / 10.0f);
        SendNote(effect, (i * 97) % 700, i % 3 != 2, 48 + i % 24);
        void* data = nullptr;
        const intptr_t size = effect->dispatcher(effect, vst::effGetChunk, i % 2, 0, &data, 0.0f);
        ASSERT_GT(size, 0);
        const std::vector<char> chunk(static_cast<char*>(data), static_cast<char*>(data) + size);
        effect->dispatcher(effect, vst::effSetChunk, i % 2, size, const_cast<char*>(chunk.data()), 0.0f);
        effect->dispatcher(effect, vst::effSetProgram, 0, 0, nullptr, 0.0f);
        if (i % 50 == 0)
            effect->dispatcher(effect, vst::effSetProgramName, 0, 0, const_cast<char*>("Pad"), 0.0f);
    }
    renderer.StopAfter(20);
    EXPECT_TRUE(renderer.Finite());
}

} // namespace
} // namespace kt4r_test
