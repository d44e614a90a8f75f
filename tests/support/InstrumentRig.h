// The instrument object created in-process and driven through its effect record, with the settings a
// host cannot reach (ids 70-97) set directly, as the editor and the state loader do.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "framework/vst2/IPlugVST.h"
#include "instrument/KT4R.h"

class IGraphicsHeadless;
class KT4RPanel;

namespace kt4rtest {

struct SentMidi {
    int frame;
    uint8_t status, data1, data2;
};

class InstrumentRig : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Creates the instrument with the given configuration text, opens it at 48 kHz / 480 and resumes.
    // With an editor, the instrument builds its panel into a headless editor (the next Reopen too).
    void Create(const std::string& ini = std::string(), bool withEditor = false);
    // Closes the instrument (it writes its configuration and map files then), and creates a fresh one
    // with the same configuration folder.
    void Close();
    void Reopen();
    intptr_t Dispatch(int32_t opcode, intptr_t value = 0, void* ptr = nullptr, float opt = 0.0f);
    // A settings change as the editor makes it: the value, then the change path.
    void SetSetting(int id, double normalized);
    // The messages in one event list, each at frame offset of the next block.
    void SendMidi(std::initializer_list<std::array<uint8_t, 3>> messages, int offset = 0);
    // One SysEx event holding the bytes, as a host delivers a received message or a file.
    void SendSysEx(const std::vector<uint8_t>& bytes);
    // RMS of the left channel of each block rendered.
    std::vector<double> Render(int blocks);
    double Level(int blocks) { return Render(blocks).back(); }
    // The host's chunks: index 0 the whole state, 1 the current program.
    std::vector<uint8_t> GetChunk(int index);
    intptr_t SetChunk(int index, std::vector<uint8_t> bytes);

    // ---- The headless editor (Create with an editor) ----

    IGraphicsHeadless& Editor();
    KT4RPanel& Panel();
    // One editor timer tick (staged values, the panel's requests, drawing).
    void Tick();
    // Mouse actions as the window layer reports them, each followed by one tick.
    void Click(int x, int y, bool right = false, bool control = false);
    void Drag(int x, int y, int dX, int dY, bool shift = false);
    void Wheel(int x, int y, int delta, bool shift = false);
    void DoubleClick(int x, int y);
    void Hover(int x, int y);

    std::string mFolder;
    bool mWithEditor = false;
    KT4R* mPlug = nullptr;
    vst::EffectRecord* mEffect = nullptr;
    std::vector<SentMidi> mSent;
    std::vector<std::vector<uint8_t>> mSentSysEx;
};

} // namespace kt4rtest
