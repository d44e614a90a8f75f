#include "support/InstrumentRig.h"

#include <filesystem>
#include <fstream>

#include "editor/KT4REditors.h"
#include "editor/KT4RPanel.h"
#include "framework/graphics/IGraphicsHeadless.h"
#include "support/Signal.h"
#include "support/TempFolder.h"

namespace kt4rtest {

namespace {

std::vector<SentMidi>* gSent = nullptr;
std::vector<std::vector<uint8_t>>* gSentSysEx = nullptr;

intptr_t TestHost(vst::EffectRecord*, int32_t opcode, int32_t, intptr_t, void* ptr, float)
{
    if (opcode == vst::audioMasterProcessEvents && gSent && ptr) {
        const auto* list = static_cast<const vst::Events*>(ptr);
        vst::Event* const* sent = &list->events[0]; // numEvents entries, past the two declared
        for (int i = 0; i < list->numEvents; ++i) {
            const auto* m = reinterpret_cast<const vst::MidiEvent*>(sent[i]);
            if (m->type == vst::kMidiType) {
                gSent->push_back({m->deltaFrames, static_cast<uint8_t>(m->midiData[0]),
                                  static_cast<uint8_t>(m->midiData[1]), static_cast<uint8_t>(m->midiData[2])});
            } else if (m->type == vst::kSysExType && gSentSysEx) {
                const auto* x = reinterpret_cast<const vst::SysExEvent*>(sent[i]);
                const auto* bytes = reinterpret_cast<const uint8_t*>(x->sysexDump);
                gSentSysEx->emplace_back(bytes, bytes + x->dumpBytes);
            }
        }
        return 1;
    }
    return 0;
}

} // namespace

void InstrumentRig::SetUp()
{
    gSent = &mSent;
    gSentSysEx = &mSentSysEx;
}

void InstrumentRig::TearDown()
{
    Close();
    gSent = nullptr;
    gSentSysEx = nullptr;
    std::error_code ignored;
    if (!mFolder.empty())
        std::filesystem::remove_all(mFolder, ignored);
}

void InstrumentRig::Create(const std::string& ini, bool withEditor)
{
    // A test that creates several instruments leaves only the folder of the last one behind.
    Close();
    std::error_code ignored;
    if (!mFolder.empty())
        std::filesystem::remove_all(mFolder, ignored);
    mWithEditor = withEditor;
    const std::filesystem::path folder = kt4r_test::MakeUniqueFolder("kt4r-instrument-test");
    ASSERT_FALSE(folder.empty());
    mFolder = folder.string();
    if (!ini.empty())
        std::ofstream(mFolder + "/KT-4R.ini") << ini;
    Reopen();
}

void InstrumentRig::Close()
{
    if (mEffect)
        mEffect->dispatcher(mEffect, vst::effClose, 0, 0, nullptr, 0.0f);
    mEffect = nullptr;
    mPlug = nullptr;
}

void InstrumentRig::Reopen()
{
    Close();
    mEffect = IPlugVST::Wrap(new KT4R(mFolder + "/", mWithEditor ? &BuildHeadlessEditor : nullptr), &TestHost);
    mPlug = static_cast<KT4R*>(IPlugVST::PlugOf(mEffect));
    Dispatch(vst::effOpen);
    Dispatch(vst::effSetSampleRate, 0, nullptr, 48000.0f);
    Dispatch(vst::effSetBlockSize, 480);
    Dispatch(vst::effMainsChanged, 1);
    Render(1);
}

IGraphicsHeadless& InstrumentRig::Editor()
{
    return *static_cast<IGraphicsHeadless*>(mPlug->Editor());
}

KT4RPanel& InstrumentRig::Panel()
{
    return *KT4RPanel::Find(*mPlug->Editor());
}

void InstrumentRig::Tick()
{
    Editor().OnTimer();
}

void InstrumentRig::Click(int x, int y, bool right, bool control)
{
    IMouseMod mods;
    mods.L = !right;
    mods.R = right;
    mods.C = control;
    Editor().OnMouseDown(x, y, mods);
    Editor().OnMouseUp(x, y, mods);
    Tick();
}

void InstrumentRig::Drag(int x, int y, int dX, int dY, bool shift)
{
    IMouseMod mods;
    mods.L = true;
    mods.S = shift;
    Editor().OnMouseDown(x, y, mods);
    Editor().OnMouseDrag(x + dX, y + dY, mods);
    Editor().OnMouseUp(x + dX, y + dY, mods);
    Tick();
}

void InstrumentRig::Wheel(int x, int y, int delta, bool shift)
{
    IMouseMod mods;
    mods.S = shift;
    Editor().OnMouseWheel(x, y, mods, delta);
    Tick();
}

void InstrumentRig::DoubleClick(int x, int y)
{
    IMouseMod mods;
    mods.L = true;
    Editor().OnMouseDblClick(x, y, mods);
    Editor().OnMouseUp(x, y, mods);
    Tick();
}

void InstrumentRig::Hover(int x, int y)
{
    Editor().OnMouseOver(x, y, IMouseMod());
    Tick();
}

intptr_t InstrumentRig::Dispatch(int32_t opcode, intptr_t value, void* ptr, float opt)
{
    return mEffect->dispatcher(mEffect, opcode, 0, value, ptr, opt);
}

void InstrumentRig::SetSetting(int id, double normalized)
{
    mPlug->Param(id)->SetFromNormalized(normalized);
    mPlug->ParameterChanged(id, 0);
}

void InstrumentRig::SendMidi(std::initializer_list<std::array<uint8_t, 3>> messages, int offset)
{
    std::vector<vst::MidiEvent> events;
    for (const auto& m : messages) {
        vst::MidiEvent e{};
        e.type = vst::kMidiType;
        e.byteSize = sizeof e;
        e.deltaFrames = offset;
        e.midiData[0] = static_cast<char>(m[0]);
        e.midiData[1] = static_cast<char>(m[1]);
        e.midiData[2] = static_cast<char>(m[2]);
        events.push_back(e);
    }
    std::vector<char> storage(sizeof(vst::Events) + events.size() * sizeof(vst::Event*));
    auto* list = reinterpret_cast<vst::Events*>(storage.data());
    list->numEvents = static_cast<int32_t>(events.size());
    vst::Event** entries = &list->events[0];
    for (size_t i = 0; i < events.size(); ++i)
        entries[i] = reinterpret_cast<vst::Event*>(&events[i]);
    Dispatch(vst::effProcessEvents, 0, list);
}

void InstrumentRig::SendSysEx(const std::vector<uint8_t>& bytes)
{
    vst::SysExEvent e{};
    e.type = vst::kSysExType;
    e.byteSize = sizeof e;
    e.dumpBytes = static_cast<int32_t>(bytes.size());
    e.sysexDump = reinterpret_cast<char*>(const_cast<uint8_t*>(bytes.data()));
    vst::Events list{};
    list.numEvents = 1;
    list.events[0] = reinterpret_cast<vst::Event*>(&e);
    Dispatch(vst::effProcessEvents, 0, &list);
}

std::vector<double> InstrumentRig::Render(int blocks)
{
    std::vector<double> levels;
    std::vector<float> l(480), r(480);
    float* outs[2] = {l.data(), r.data()};
    for (int b = 0; b < blocks; ++b) {
        mEffect->processReplacing(mEffect, nullptr, outs, 480);
        levels.push_back(Rms(ToDouble(l)));
    }
    return levels;
}

std::vector<uint8_t> InstrumentRig::GetChunk(int index)
{
    void* data = nullptr;
    const intptr_t size = mEffect->dispatcher(mEffect, vst::effGetChunk, index, 0, &data, 0.0f);
    if (size <= 0 || !data)
        return {};
    const auto* bytes = static_cast<const uint8_t*>(data);
    return std::vector<uint8_t>(bytes, bytes + size);
}

intptr_t InstrumentRig::SetChunk(int index, std::vector<uint8_t> bytes)
{
    return mEffect->dispatcher(mEffect, vst::effSetChunk, index, static_cast<intptr_t>(bytes.size()), bytes.data(),
                               0.0f);
}

} // namespace kt4rtest
