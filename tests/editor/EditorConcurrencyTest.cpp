// The editor while the host plays: an audio thread renders and takes MIDI program changes, an
// automation thread sets parameters, and the UI thread clicks, wheels and ticks the panel and loads
// state. Values reach the controls only through the editor's tick; the sanitizer builds catch races.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "editor/KT4RPanel.h"
#include "framework/graphics/IGraphicsHeadless.h"
#include "support/InstrumentRig.h"

namespace kt4rtest {
namespace {

class EditorConcurrency : public InstrumentRig {};

TEST_F(EditorConcurrency, AudioAutomationAndPanelRunTogether)
{
    Create(std::string(), true);
    Tick();
    vst::EffectRecord* effect = mEffect;
    const std::vector<uint8_t> state = GetChunk(0);
    std::atomic<bool> stop{false};

    std::thread audio([effect, &stop] {
        std::vector<float> l(256), r(256);
        float* outs[2] = {l.data(), r.data()};
        int block = 0;
        while (!stop.load()) {
            if (++block % 16 == 0) {
                vst::MidiEvent change{};
                change.type = vst::kMidiType;
                change.byteSize = sizeof change;
                change.midiData[0] = static_cast<char>(0xC0);
                change.midiData[1] = static_cast<char>(block / 16 % 8);
                vst::Events list{};
                list.numEvents = 1;
                list.events[0] = reinterpret_cast<vst::Event*>(&change);
                effect->dispatcher(effect, vst::effProcessEvents, 0, 0, &list, 0.0f);
            }
            effect->processReplacing(effect, nullptr, outs, 256);
            std::this_thread::yield();
        }
    });
    std::thread automation([effect, &stop] {
        int i = 0;
        while (!stop.load()) {
            const int id = (i * 7) % 50;
            effect->setParameter(effect, id, static_cast<float>((i % 100) / 99.0));
            ++i;
            std::this_thread::yield();
        }
    });

    // The UI thread: the key-assign and page buttons, a slider's wheel, the program number's wheel,
    // a learn right click, and a state load now and then.
    for (int round = 0; round < 150; ++round) {
        Click(100, 100);
        Click(810, 640);
        Wheel(496, 240, round % 2 ? 1 : -1);
        Wheel(490, 70, 1);
        if (round % 25 == 0) {
            Click(74, 276, true);
            SetChunk(0, state);
        }
        Tick();
    }
    stop = true;
    audio.join();
    automation.join();

    // Quiet again: after one tick every control shows its parameter's value.
    Tick();
    for (int id : {2, 20, 27, 33, 45}) {
        IControl* control = Panel().ControlFor(id);
        ASSERT_NE(control, nullptr);
        EXPECT_NEAR(control->Value(), mPlug->Param(id)->ToNormalized(), 1e-9) << id;
    }
}

} // namespace
} // namespace kt4rtest
