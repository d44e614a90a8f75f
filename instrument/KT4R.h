// The instrument: a VST2 plug-in object that owns the sound engine, defines the parameter ids
// 0-97, takes MIDI in, renders stereo blocks and applies the side effects of its settings.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "framework/IPlugVST.h"
#include "instrument/ConfigFile.h"
#include "instrument/ParamTable.h"
#include "instrument/ReadoutText.h"
#include "signal/EventPool.h"

class ControllerInput;
class KeyAssigner;
class ProcessContext;
class Synth;

class KT4R : public IPlugVST {
public:
    static constexpr int32_t kVersion = 0x0002000C; // 2.0.12

    // The configuration file is read from configFolder (the library's own folder when empty).
    explicit KT4R(vst::HostCallback host, const std::string& configFolder = std::string());
    ~KT4R() override;

    // Host UI thread; takes the lock; may allocate. Sample rate and block size into the engine.
    void ResetProcessing() override;
    // Host UI thread; takes the lock. Rendering while inactive outputs silence.
    void SetActive(bool active) override;
    // Host audio thread, under the lock; allocates nothing. Inputs are ignored; outputs[0] left,
    // outputs[1] right.
    void RenderDouble(double** inputs, double** outputs, int frames) override;
    // Host audio thread, before the sub-block the event falls in; under the lock; takes its record
    // from a fixed pool. Thru, channel filter and routing.
    void HandleMidiEvent(const IMidiEvent& event) override;
    // The thread delivering the host's events, under the lock.
    void HandleSysExEvent(const ISysExEvent& event) override;
    // Any thread that changed id (0-97); takes the lock. Engine event from a fixed pool, edit buffer
    // marked, side effects. Allocates only when "Number of Voices" builds new voices.
    void ParameterChanged(int id, int source) override;

    // Ids 0-69 from the base's list, 70-97 from the settings list; nullptr for other ids.
    IParameter* Param(int id);
    const IParameter* Param(int id) const;
    IParameter* Param(ParamId id) { return Param(Index(id)); }
    IParameter* Param(kt4r::SettingId id) { return Param(kt4r::Index(id)); }
    const IParameter* Param(ParamId id) const { return Param(Index(id)); }
    const IParameter* Param(kt4r::SettingId id) const { return Param(kt4r::Index(id)); }

    // The readout text of an id as the panel shows it (label, space, value text).
    std::string ReadoutLineFor(int id) const;

    int CurrentProgramNumber() const { return mProgram; }
    bool EngineReady() const { return mEngineReady; }

private:
    void ReadConfiguration(const std::string& folder);
    void DefineParameters();
    void ApplyConfiguredSettings();
    void ApplySideEffect(int id);
    void RebuildVoices(int voices);
    void SetEdited(bool edited);

    // Seams of the later parts of the instrument. Each records what it can and is otherwise silent;
    // the programs, MIDI-learn, SysEx and editor code replace their bodies.
    void SelectProgram(int number);
    void ProgramCommand(int id);
    bool MidiLearnArmed() const { return false; }
    void OfferMidiLearnTarget(int id) {}
    void MidiLearnCommand(int id) {}
    void SendParamSysEx(int id) {}
    void SelectSysexFormat(int mode) {}
    void SelectEditorPage(int page) {}
    void SetMidiLearnBounds(double min, double max) {}
    void ShowEditedMark(bool edited) {}
    void RedrawKeyAssignSwitches() {}

    bool mEngineReady = false;
    bool mActive = false;
    bool mMidiThru = false;
    bool mExtendedPitchBend = false;
    int mConfiguredVoices = 6;
    int mProgram = 1;
    bool mEdited = false;
    int mSysexChannel = 0;
    ConfigFile mConfig;
    std::vector<std::unique_ptr<IParameter>> mSettings;

    // Records of the MIDI and parameter events the engine consumes. Declared before the engine, so
    // they outlive every queue that holds one of their records.
    static constexpr int kMidiEventCapacity = 4096;  // a busy host block's MIDI
    static constexpr int kParamEventCapacity = 4096; // every parameter changed many times between blocks
    EventPool<MidiEvent> mMidiEvents{kMidiEventCapacity};
    EventPool<ValueEvent> mParamEvents{kParamEventCapacity};

    // Created in this order (the synth unregisters from the context as it goes).
    std::unique_ptr<ProcessContext> mContext;
    std::unique_ptr<KeyAssigner> mKeyAssigner;
    std::unique_ptr<Synth> mSynth;
    std::unique_ptr<ControllerInput> mControllerInput;
};
