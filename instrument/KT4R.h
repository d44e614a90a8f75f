// The instrument: a plug-in object (for any format layer) that owns the sound engine, defines the parameter ids
// 0-97, takes MIDI in, renders stereo blocks and applies the side effects of its settings.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/plugin/IPlugBase.h"
#include "instrument/ConfigFile.h"
#include "instrument/KT4RView.h"
#include "instrument/ParamTable.h"
#include "instrument/ProgramStore.h"
#include "instrument/ReadoutText.h"
#include "instrument/SysExCodec.h"
#include "instrument/SysExLoad.h"
#include "instrument/MidiLearnMap.h"
#include "engine/ControllerInput.h"
#include "signal/EventPool.h"

class KeyAssigner;
class ProcessContext;
class Synth;

class KT4R : public IPlugBase, private kt4r::ISysExSink, private MidiLearnTarget, private ControlChangeListener {
public:
    static constexpr int32_t kVersion = 0x0002000C; // 2.0.12
    // The factory bank's file: loaded at start-up when it lies beside the library and the configuration
    // names no "DEFAULT_BANK".
    static constexpr const char* kFactoryBankFile = "KT-4R Factory.KT4Rbank";

    // The configuration file is read from configFolder (the library's own folder when empty). With an
    // editor builder the instrument builds its panel and binds it; without one it has no editor.
    explicit KT4R(const std::string& configFolder = std::string(), KT4REditorBuilder editorBuilder = nullptr);
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
    // Any thread that changed id (0-97); takes the lock. Engine event from a fixed pool (folded into
    // the latest value when the pool is spent), side effects. Allocates nothing.
    void ParameterChanged(int id, int source) override;

    // The configuration's value of key as read at start-up or set since (empty when absent), and a new
    // value the file receives at exit. Editor thread; the file is read and written only in the
    // constructor and the destructor, so no lock.
    std::string ConfiguredValue(const std::string& key) const
    {
        const auto found = mConfig.Values().find(key);
        return found == mConfig.Values().end() ? std::string() : found->second;
    }
    void SetConfiguredValue(const std::string& key, const std::string& value) { mConfig.Set(key, value); }

    // Ids 0-69 from the base's list, 70-97 from the settings list; nullptr for other ids.
    IParameter* Param(int id);
    const IParameter* Param(int id) const;
    IParameter* Param(ParamId id) { return Param(Index(id)); }
    IParameter* Param(kt4r::SettingId id) { return Param(kt4r::Index(id)); }
    const IParameter* Param(ParamId id) const { return Param(Index(id)); }
    const IParameter* Param(kt4r::SettingId id) const { return Param(kt4r::Index(id)); }

    // The readout text of an id as the panel shows it (label, space, value text).
    std::string ReadoutLineFor(int id) const;
    // What the readout rules need beside the value; the caller holds the lock.
    kt4r::ReadoutContext CurrentReadoutContext() const;

    // ---- What the configuration chose for the panel (fixed after construction) ----

    // "POLY_ON_GUI": "TRUE" or "OLD" 1, "NEW" 2, anything else or absent 0.
    int VoiceLayoutMode() const { return mVoiceLayoutMode; }
    // "EXTENDED_PB": the pitch-bend patch is shown and the bend readout uses the wider ranges.
    bool ExtendedPitchBend() const { return mExtendedPitchBend; }
    // The folder the file dialogs open in ("PRESETDIR"); each dialog's folder becomes the new one.
    // Editor thread; each takes the lock.
    std::string PresetFolder();
    void SetPresetFolder(const std::string& folder);

    int CurrentProgramNumber() const { return mStore.Current(); }
    // The edit buffer's name, as the name readout shows it; the caller holds the lock.
    const std::string& CurrentProgramName() const { return mStore.EditName(); }
    bool Edited() const { return mStore.Edited(); }
    // A stored program's name by number (1..128), or the edit buffer's (0); takes the lock.
    std::string ProgramName(int number) const;
    bool WriteArmed() const { return mWriteArmed; }
    bool EngineReady() const { return mEngineReady; }

    // ---- Programs (editor thread, host UI thread or MIDI intake; each takes the lock) ----

    // Loads program number (1..128) into the edit buffer; numbers outside are ignored. Allocates
    // nothing, so a MIDI program change may call it on the audio thread.
    void SelectProgram(int number);
    // Stores the edit buffer as program number (1..128) and makes it current; allocates nothing.
    void WriteProgram(int number);
    // Names the edit buffer (the editor's name readout); with "Immediate Write" on, writes it too.
    // Allocates nothing.
    void SetProgramName(std::string_view name);
    // Every patch parameter back to its default, through the editor's change path. A received patch
    // keeps the instrument's own settings ("Number of Voices", "Sysex Mode").
    void InitPatch(bool keepInstrumentSettings = false);
    // A constrained random patch that keeps "VCA LEVEL" and "Number of Voices".
    void RandomPatch();
    // Programs move 32 places up, the last quarter to the front; the selection follows its sound.
    void RotateBanks();

    // The program menu: four groups of 32 programs, then "Rotate Banks" unless WRITE is armed.
    struct ProgramMenu {
        struct Group {
            std::string title;              // "   1 -  32"
            std::vector<std::string> items; // "%4i %s"
        };
        std::vector<Group> groups;
        bool rotateItem = false;
    };
    ProgramMenu BuildProgramMenu() const;
    // A program chosen in the menu: written when WRITE is armed, else selected.
    void ChooseProgramFromMenu(int number);
    void ChooseRotateBanksFromMenu();
    // The WRITE button: a plain click arms it; a right click, or any click while armed, writes.
    void PressWrite(bool rightButton);

    // Editor thread; takes the lock. Ids 0-69 mark the program edited; ids 70-97 are settings.
    void SetParamFromEditor(int index, double normalized) override;

    // ---- Files (editor thread; each takes the lock; a path that cannot be read or written, or a file
    // that fails its checks, answers false and changes nothing) ----

    bool SaveProgramFile(const std::string& path);
    bool LoadProgramFile(const std::string& path);
    bool SaveBankFile(const std::string& path);
    bool LoadBankFile(const std::string& path);
    // The programs of a bank file only: the edit buffer and the settings a bank file also carries (MIDI
    // channel, SysEx switches, gain) stay as they are.
    bool LoadBankPrograms(const std::string& path);
    bool SaveSysExProgram(const std::string& path);
    // Programs first..first+count-1 (cut at 128), each as a dump and a write request for slot k.
    bool SaveSysExBank(const std::string& path, int first, int count);
    bool LoadSysExFile(const std::string& path);
    // The LOAD button: every load whose extension the name contains; true when one succeeded.
    bool LoadFile(const std::string& path);
    // The SAVE button: the menu item chosen (an index into its items) and the path of its dialog.
    bool SaveFile(int menuChoice, const std::string& path);

    MidiLearnMap& MidiLearn() { return mMidiLearn; }

    // ---- State (any thread but the audio thread for chunks; each takes the lock) ----

    // The program data block of the live values (the edit buffer). Writes no program.
    bool WriteState(IStateChunk* chunk) override;
    // A program data block into the live values; -1, with nothing changed, unless the block is whole.
    // Writes no program.
    int ReadState(const IStateChunk& chunk, int pos) override;
    // The state block: the edit buffer and every program, the current program and five settings.
    bool WriteBank(IStateChunk* chunk) override;
    // A state block into the programs and the live values; -1, with nothing changed, unless it is whole.
    int ReadBank(const IStateChunk& chunk, int pos) override;
    // The program readouts follow the edit buffer and the host is asked to update its display.
    void ProgramChanged() override;
    // Host UI thread, under the lock the dispatcher holds; allocates nothing. The engine's values
    // against what the 70 patch parameters give; false before the engine is ready.
    bool CompareEngineWithParameters(bool* matches) override;

    // ---- The host's program list: entry 0 is the edit buffer, entries 1..128 the programs (host UI
    // thread, under the lock the dispatcher holds; none allocates) ----

    // 129. The current entry is always 0 (the base's answer): what the host plays is the edit buffer.
    int ProgramCount() const override;
    // Entries 1..128 as choosing the program on the panel; entry 0 changes nothing.
    void SelectProgramFromHost(int index) override;
    // Names the edit buffer, leaving the edited mark as it is.
    void RenameProgramFromHost(const char* name) override;
    // Reads a name; changes nothing.
    bool ProgramNameOf(int index, char* text, int size) override;
    // Host UI thread after the editor window opened, under the lock: the program readouts are
    // refreshed and the master readout cleared.
    void EditorOpened() override;

private:
    void ReadConfiguration(const std::string& folder);
    void DefineParameters();
    void ApplyConfiguredSettings();
    // The change path of id, its engine event at frame time of the next block.
    void ApplyChange(int id, int time);
    void ApplySideEffect(int id);
    void RebuildVoices(int voices);
    void SetEdited(bool edited);
    void RefreshProgramDisplay();
    void ProgramCommand(int id);
    // Applies normalised values of ids 0..count-1 as a stored program does: each value and its side
    // effects, then the whole patch to the engine in one event.
    void ApplyProgramValues(const double* values, int count);
    // Applies a whole program block (map, values, edited flag) to the edit buffer.
    void ApplyProgramData(const IStateChunk& chunk, int pos, const kt4r::ProgramData& data);
    void PushWholePatch();
    // The patch parameters' normalised values as the engine takes them.
    void PatchValuesForEngine(float (&values)[kPatchParamCount]) const;
    // A bank read and checked, its programs built, ready to take the place of the current ones in one
    // step under the lock. Built outside the lock (allocates); the replaced programs leave with it.
    struct PreparedBank {
        kt4r::ProgramStore programs;
        kt4r::StateData state;
        IStateChunk editBlock; // the edit buffer's block, as the parameters will hold it
    };
    // Reads and checks a state block into *bank; false unless the block is whole. Values a block
    // lacks come from live. Reads only the parameters' definitions, which never change, so it takes
    // no lock.
    bool PrepareBank(const IStateChunk& chunk, int pos, const std::array<double, kPatchParamCount>& live,
                     PreparedBank* bank) const;
    // The edit buffer as a SysEx bank load starts from; takes the lock.
    kt4r::EditBuffer CurrentEditBuffer();
    // SysEx files up to this size hold one program (and its write request).
    static constexpr size_t kOneProgramSysExBytes = 80;
    // The patch parameters' normalised values; takes the lock.
    std::array<double, kPatchParamCount> LiveValues();
    // Under the lock: the prepared programs, the edit buffer and the settings take effect; allocates
    // nothing.
    void InstallBank(PreparedBank& bank);
    // Reads, checks and prepares a bank file outside the lock; false when it fails its checks.
    bool PrepareBankFile(const std::string& path, PreparedBank* bank);
    // Id's current value to the engine, from frame time of the block on.
    void PostParam(int id, int time = 0);
    // Fills every program from the defaults, named " INIT ".
    void MakeInitPrograms();

    // Seams of the later parts of the instrument. Each records what it can and is otherwise silent;
    // the MIDI-learn, SysEx and editor code replace their bodies.
    void SendProgramSysEx();
    void EmitSysEx(const kt4r::SysExMessage& message);
    // A SysEx message read in full: values, names and program writes as the hardware sent them.
    void Apply(const kt4r::SysExReceived& received) override;
    // A learned controller moved a parameter; audio thread, under the lock; allocates nothing.
    void SetFromMidiLearn(int id, double normalized, int offset, int channel) override;
    // A program's map block chose the default map (or its own).
    void SetUseDefaultMap(bool on) override;
    // The learn page's displays, through the panel.
    void ShowLearnPage(bool armed) override;
    void ShowController(int32_t key) override;
    void ShowParam(int id, double min, double max) override;
    // Every control change of the block but the sustain pedal; audio thread, under the lock.
    void OnControlChange(int time, int channel, int controller, int value) noexcept override;
    // The configuration and the default MIDI-learn map back to their files (at exit).
    void WriteConfiguration();
    void ShowWriteIndication(bool armed);
    bool MidiLearnArmed() const { return mMidiLearn.Armed(); }
    void SendParamSysEx(int id);
    void SelectEditorPage(int page);
    void ShowEditedMark(bool edited);
    void RedrawKeyAssignSwitches();
    // The editor's controls of id take its current value (at the editor's next tick); any thread,
    // under the lock; allocates nothing.
    void PushToEditor(int id);
    // The master readout shows id (-1 clears it); any thread, under the lock.
    void ShowInReadout(int id);

    bool mEngineReady = false;
    bool mActive = false;
    bool mMidiThru = false;
    bool mExtendedPitchBend = false;
    int mVoiceLayoutMode = 0;
    KT4RView* mView = nullptr; // the panel's face; owned by the editor, which outlives every call
    int mConfiguredVoices = 6;
    kt4r::ProgramStore mStore;
    IStateChunk mWriteScratch; // room for one program block: a write builds it here
    bool mWriteArmed = false;
    kt4r::SysExCodec mSysEx;
    MidiLearnMap mMidiLearn{*this};
    std::string mConfigFolder; // the library's folder: configuration and map files
    ConfigFile mConfig;
    std::vector<std::unique_ptr<IParameter>> mSettings;

    // Records of the MIDI and parameter events the engine consumes. Declared before the engine, so
    // they outlive every queue that holds one of their records.
    static constexpr int kMidiEventCapacity = 4096;  // a busy host block's MIDI
    static constexpr int kParamEventCapacity = 4096; // every parameter changed many times between blocks
    EventPool<MidiEvent> mMidiEvents{kMidiEventCapacity};
    EventPool<ValueEvent> mParamEvents{kParamEventCapacity};
    static constexpr int kPatchEventCapacity = 64; // whole patches: program loads between two blocks
    EventPool<ParamSetEvent> mPatchEvents{kPatchEventCapacity};

    // Created in this order (the synth unregisters from the context as it goes).
    std::unique_ptr<ProcessContext> mContext;
    std::unique_ptr<KeyAssigner> mKeyAssigner;
    std::unique_ptr<Synth> mSynth;
    std::unique_ptr<ControllerInput> mControllerInput;
};
