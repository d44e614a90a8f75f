#include "instrument/KT4R.h"
#include "instrument/ProgramData.h"

#include <algorithm>
#include <cmath>

#include "engine/ControllerInput.h"
#include "engine/EngineFacts.h"
#include "signal/DenormalGuard.h"
#include "signal/EngineEvents.h"
#include "engine/KeyAssigner.h"
#include "signal/ProcessContext.h"
#include "engine/Synth.h"
#include "framework/graphics/IGraphics.h"
#include "framework/plugin/ModulePath.h"
#include "instrument/ParamTable.h"

using namespace kt4r;

namespace {

const IPlugInfo kPlugInfo = [] {
    IPlugInfo info;
    info.nParams = kPatchParamCount;
    info.channelPairings = "1-1 2-2";
    info.effectName = "KT-4R";
    info.productName = "";
    info.vendorName = "TOLVA";
    info.version = KT4R::kVersion;
    info.uniqueId = FourCharCode('K', 'T', '4', 'R');
    info.makerCode = FourCharCode('T', 'O', 'L', 'V');
    info.keepsStateChunks = true;
    info.isInstrument = true;
    info.takesMidi = true;
    info.buildVariant = [] { return ProcessingCodeName(); };
    return info;
}();

void Define(IParameter* param, const ParamDef& def)
{
    switch (def.kind) {
    case ParamKind::kDouble:
        param->DefineContinuous(def.name, def.defaultValue, def.min, def.max, def.step, def.label, def.group, 1.0);
        break;
    case ParamKind::kInt:
        param->DefineInteger(def.name, static_cast<int>(def.defaultValue), static_cast<int>(def.min),
                             static_cast<int>(def.max), def.label);
        break;
    case ParamKind::kBool: param->DefineSwitch(def.name, def.defaultValue != 0.0, def.label); break;
    case ParamKind::kNone: break;
    }
}

// Output gain of "Global Gain" from its normalised value.
float GainFor(double normalized)
{
    if (normalized < 0.25)
        return 0.5f;
    if (normalized >= 0.75)
        return 2.0f;
    return 1.0f;
}

} // namespace

KT4R::KT4R(const std::string& configFolder, KT4REditorBuilder editorBuilder) : IPlugBase(kPlugInfo)
{
    mConfigFolder = configFolder.empty() ? ModuleFolder() : configFolder;
    // A write (a SysEx write request or numbered dump on the audio thread among them) builds its block
    // here: the room is made once, so no write allocates, the first one included.
    mWriteScratch.Reserve(kt4r::kProgramDataBytes);
    ReadConfiguration(mConfigFolder);
    DefineParameters();

    mContext = std::make_unique<ProcessContext>();
    mKeyAssigner = std::make_unique<KeyAssigner>();
    mSynth = std::make_unique<Synth>(mContext.get(), mConfiguredVoices, mKeyAssigner.get());
    mControllerInput = std::make_unique<ControllerInput>(mSynth.get(), static_cast<ControlChangeListener*>(this));

    // The panel is built once the parameters and the engine exist, so that the configured settings
    // below reach its controls like any later change.
    if (editorBuilder) {
        LockGuard lock(Mutex());
        KT4RView* view = nullptr;
        if (IGraphics* editor = editorBuilder(*this, &view)) {
            BindEditor(editor);
            mView = view;
            for (int id = kFirstSettingsId; id <= kLastParamId; ++id)
                PushToEditor(id);
        }
    }
    ApplyConfiguredSettings();

    // Start-up: every program " INIT ", then program 1 through the whole change path.
    MakeInitPrograms();
    SetEdited(false);
    // A configured "DEFAULT_BANK" is loaded whole (its settings too). Without one, the factory bank is
    // taken from beside the library, as the configuration and map files are: an installed KT-4R opens
    // with its factory sounds, while a library copied alone keeps the " INIT " programs. Only its
    // programs are taken, so the configured gain, channel and SysEx switches stay; a configured bank that
    // cannot be read leaves " INIT " too (the player's choice is not replaced by the factory's).
    if (mConfig.Count("DEFAULT_BANK") && !mConfig.Get("DEFAULT_BANK").empty())
        LoadBankFile(mConfig.Get("DEFAULT_BANK"));
    else if (!mConfigFolder.empty())
        LoadBankPrograms(mConfigFolder + kFactoryBankFile);
    mMidiLearn.ReadMapFile(mConfigFolder);
    mEngineReady = true;
    SelectProgram(1);
    NotifyAllParamsChanged();
    SetEdited(false);
    SyncEditorToParams();
}

KT4R::~KT4R()
{
    // Nothing may escape a destructor the host's close runs: a file that cannot be written stays as it was.
    try {
        WriteConfiguration();
    } catch (...) {
    }
    // The engine goes first, while the context it unregisters from and the controller input whose
    // event records its queue may hold still exist.
    mSynth.reset();
    mControllerInput.reset();
    mKeyAssigner.reset();
    mContext.reset();
}

void KT4R::ReadConfiguration(const std::string& folder)
{
    mConfig.Read(FoldersBeside(folder));
    const ConfigExitState start = mConfig.StartState();
    mConfiguredVoices = 2 * static_cast<int>(start.numberOfVoices);
    mMidiThru = start.midiThru;
    mExtendedPitchBend = mConfig.Count("EXTENDED_PB") && mConfig.IsTrue("EXTENDED_PB");
    if (mConfig.Count("POLY_ON_GUI")) {
        const std::string& v = mConfig.Get("POLY_ON_GUI");
        mVoiceLayoutMode = (v == "TRUE" || v == "OLD") ? 1 : (v == "NEW") ? 2 : 0;
    }
}

void KT4R::DefineParameters()
{
    for (const ParamDef& def : kPatchParams)
        Define(GetParam(def.id), def);
    // "Number of Voices" counts voice pairs; its default follows the configured voice count.
    IParameter* voices = GetParam(Index(ParamId::kNumberOfVoices));
    voices->DefineInteger(PatchParamDef(ParamId::kNumberOfVoices).name, mConfiguredVoices / 2, 3, 6, "");

    for (int i = 0; i < kNumSettings; ++i)
        mSettings.push_back(std::make_unique<IParameter>());
    for (const ParamDef& def : kSettingsParams)
        Define(Param(def.id), def);
}

void KT4R::ApplyConfiguredSettings()
{
    // Each start value goes through the parameter-change path, like any later change.
    const struct {
        SettingId id;
        const char* key;
    } kSwitches[] = {{SettingId::kImmediateWrite, "IMMEDIATE_WRITE"},
                     {SettingId::kSendSysexParam, "SEND_PARAM_SYSEX"},
                     {SettingId::kSendSysexProgram, "SEND_PROG_SYSEX"}};
    for (const auto& s : kSwitches) {
        Param(s.id)->SetFromNormalized(mConfig.IsTrue(s.key) ? 1.0 : 0.0);
        ParameterChanged(Index(s.id), 0);
        PushToEditor(Index(s.id));
    }
    const std::string& gain = mConfig.Get("GLOBAL_GAIN");
    const double normalized = gain == "HIGH" ? 1.0 : gain == "NORMAL" ? 0.5 : gain == "LOW" ? 0.0 : -1.0;
    if (normalized >= 0.0)
        Param(SettingId::kGlobalGain)->SetFromNormalized(normalized);
    ParameterChanged(Index(SettingId::kGlobalGain), 0);
    PushToEditor(Index(SettingId::kGlobalGain));
}

IParameter* KT4R::Param(int id)
{
    if (IsPatchParamIndex(id))
        return GetParam(id);
    if (id >= kFirstSettingsId && id <= kLastParamId && !mSettings.empty()) {
        return mSettings[static_cast<size_t>(id - kFirstSettingsId)].get();
    }
    return nullptr;
}

const IParameter* KT4R::Param(int id) const
{
    return const_cast<KT4R*>(this)->Param(id);
}

ReadoutContext KT4R::CurrentReadoutContext() const
{
    ReadoutContext context;
    context.lfoSync = Param(ParamId::kLfoSync)->ToNormalized() >= 0.5;
    context.extendedPitchBend = mExtendedPitchBend;
    return context;
}

std::string KT4R::ReadoutLineFor(int id) const
{
    const IParameter* param = Param(id);
    return ReadoutLine(id, param ? param->ToNormalized() : 0.0, CurrentReadoutContext());
}

// ---- Processing ----

void KT4R::ResetProcessing()
{
    LockGuard lock(Mutex());
    if (static_cast<double>(mContext->mSampleRate) != SampleRate()) {
        mContext->SetSampleRate(static_cast<float>(SampleRate()));
    }
    if (mContext->mBlockSize != MaxBlockSize())
        mContext->SetBlockSize(MaxBlockSize());
    mSynth->RestateTargets(MaxBlockSize());
}

void KT4R::SetActive(bool active)
{
    LockGuard lock(Mutex());
    mActive = active;
}

void KT4R::RenderDouble(double** inputs, double** outputs, int frames)
{
    if (!outputs || !outputs[0] || !outputs[1] || frames <= 0)
        return;
    double* left = outputs[0];
    double* right = outputs[1];
    mContext->mTempo = HostTempo();
    // A block before the engine is ready, or before the engine knows its block size, is silent.
    if (!mEngineReady) {
        std::fill(left, left + frames, 0.0);
        std::fill(right, right + frames, 0.0);
        return;
    }
    DenormalGuard denormals;
    mKeyAssigner->ProcessBlock(frames);
    mControllerInput->DispatchControllers();
    const int rendered = mActive ? std::min(frames, mContext->mBlockSize) : 0;
    if (rendered > 0)
        mSynth->Render(left, right, rendered);
    std::fill(left + rendered, left + frames, 0.0);
    std::fill(right + rendered, right + frames, 0.0);
}

void KT4R::HandleMidiEvent(const IMidiEvent& event)
{
    if (!mEngineReady)
        return;
    if (mMidiThru)
        EmitMidiEvent(event);

    const int channel = static_cast<int>(Param(SettingId::kMidiChannel)->Value());
    if (channel != 0 && event.Channel() != channel - 1)
        return;
    // Frame offsets index the engine's block buffers: a host's offset outside the block is held to it.
    const int time = std::clamp(event.offset, 0, std::max(0, MaxBlockSize() - 1));
    // A spent pool gives no record and the message is dropped.
    auto makeEvent = [&] { return mMidiEvents.Make(time, event.status, event.data1, event.data2); };

    switch (event.Kind()) {
    case 0x80:
    case 0x90: mKeyAssigner->mInput.Push(makeEvent()); break;
    case 0xB0:
        if (event.data1 == 64 || event.data1 == 120 || event.data1 == 123) {
            mKeyAssigner->mInput.Push(makeEvent());
        } else {
            mControllerInput->mQueue.Push(makeEvent());
        }
        break;
    case 0xA0:
    case 0xD0:
    case 0xE0: mControllerInput->mQueue.Push(makeEvent()); break;
    case 0xC0: SelectProgram(event.data1 + 1); break;
    default: break; // system messages are not the engine's
    }
}

void KT4R::HandleSysExEvent(const ISysExEvent& event)
{
    LockGuard lock(Mutex());
    if (!event.data || event.size <= 0)
        return;
    mSysEx.Receive(std::span<const uint8_t>(event.data, static_cast<size_t>(event.size)), *this);
}

// ---- Parameter changes ----

void KT4R::ParameterChanged(int id, int source)
{
    ApplyChange(id, 0);
}

void KT4R::ApplyChange(int id, int time)
{
    LockGuard lock(Mutex());
    IParameter* param = Param(id);
    if (!param)
        return;
    if (IsPatchParamIndex(id) && id != Index(ParamId::kSysexMode)) {
        if (MidiLearnArmed())
            mMidiLearn.SelectParam(id);
        PostParam(id, time);
        if (Param(SettingId::kSendSysexParam)->Value() >= 0.5)
            SendParamSysEx(id);
    }
    ApplySideEffect(id);
}

void KT4R::ApplySideEffect(int id)
{
    const IParameter* param = Param(id);
    const double value = param->Value();
    switch (SideEffectOf(id)) {
    case SideEffect::kNone: break;
    case SideEffect::kPortamentoSwitch: mKeyAssigner->SetPortamentoCyclic(value >= 0.5); break;
    case SideEffect::kKeyAssignMode: {
        // Setting a mode releases every voice and marks the program edited; the same mode again (every
        // notify-all, such as the host's open) neither cuts notes nor shows an edit nobody made.
        const auto mode = static_cast<KeyMode>(std::clamp(static_cast<int>(value), 0, 5));
        RedrawKeyAssignSwitches();
        if (mode != mKeyAssigner->CurrentKeyMode()) {
            mKeyAssigner->SetKeyMode(mode);
            SetEdited(true);
        }
        break;
    }
    case SideEffect::kMonoRetrigger: mKeyAssigner->SetMonoRetrigger(value >= 0.5); break;
    case SideEffect::kVoiceCount: {
        const int voices = 2 * static_cast<int>(value);
        if (voices != mSynth->VoiceCount())
            RebuildVoices(voices);
        break;
    }
    case SideEffect::kSysexFormat: mSysEx.SetFormat(static_cast<int>(value)); break;
    case SideEffect::kEditorPage: SelectEditorPage(static_cast<int>(value)); break;
    case SideEffect::kMidiLearnBounds:
        mMidiLearn.SetBounds(Param(SettingId::kMidiLearnMin)->Value(), Param(SettingId::kMidiLearnMax)->Value());
        break;
    case SideEffect::kOutputGain: mContext->mOutputGain = GainFor(param->ToNormalized()); break;
    case SideEffect::kMidiChannel: {
        const int channel = static_cast<int>(value);
        for (int c = 0; c < 16; ++c)
            mSynth->mChannelTable[c] = (channel == 0 || c == channel - 1) ? 1 : 0;
        mSysEx.SetChannel(channel == 0 ? 0 : channel - 1);
        break;
    }
    case SideEffect::kEditedMark: ShowEditedMark(value >= 0.5); break;
    case SideEffect::kProgramCommand: ProgramCommand(id); break;
    case SideEffect::kMidiLearnCommand: mMidiLearn.Command(id); break;
    }
}

void KT4R::RebuildVoices(int voices)
{
    // The synth connects the voices added (fresh, all twelve are built) and disconnects the ones
    // removed; the voices that stay sound on. The whole patch goes out again so the new voices take it.
    mSynth->SetVoiceCount(voices);
    for (int id = 0; id < kPatchParamCount; ++id)
        PostParam(id);
}

// ---- MIDI learn and the configuration ----

void KT4R::OnControlChange(int time, int channel, int controller, int value) noexcept
{
    if (mMidiLearn.Armed())
        mMidiLearn.LearnController(controller);
    mMidiLearn.ApplyController(time, channel, controller, value);
}

void KT4R::SetFromMidiLearn(int id, double normalized, int offset, int channel)
{
    IParameter* param = Param(id);
    // A controller on a channel the engine does not listen to moves nothing.
    if (!param || channel < 0 || channel > 15 || !mSynth->mChannelTable[channel])
        return;
    param->SetFromNormalized(normalized);
    HostAutomate(id, param->ToNormalized());
    ApplyChange(id, std::clamp(offset, 0, std::max(0, mContext->mBlockSize - 1)));
    SetEdited(true);
    PushToEditor(id);
    ShowInReadout(id);
}

void KT4R::SetUseDefaultMap(bool on)
{
    Param(SettingId::kUseDefaultMidiLearnMap)->SetFromNormalized(on ? 1.0 : 0.0);
}

void KT4R::ShowLearnPage(bool armed)
{
    if (mView)
        mView->ShowLearnPage(armed);
}

void KT4R::ShowController(int32_t key)
{
    if (mView)
        mView->ShowLearnController(key);
}

void KT4R::ShowParam(int id, double min, double max)
{
    if (mView)
        mView->ShowLearnParam(id, min, max);
}

// ---- The panel ----

void KT4R::PushToEditor(int id)
{
    IGraphics* editor = Editor();
    const IParameter* param = Param(id);
    if (editor && param)
        editor->PushParamToControls(id, param->ToNormalized(), true);
}

void KT4R::ShowInReadout(int id)
{
    if (mView)
        mView->ShowParamInReadout(id);
}

void KT4R::ShowWriteIndication(bool armed)
{
    if (mView)
        mView->WriteIndicationChanged();
}

void KT4R::SelectEditorPage(int page)
{
    if (mView)
        mView->ShowPage(page);
}

void KT4R::ShowEditedMark(bool edited)
{
    if (mView)
        mView->ProgramDisplayChanged();
}

void KT4R::RedrawKeyAssignSwitches()
{
    PushToEditor(Index(ParamId::kPolyMode));
}

void KT4R::EditorOpened()
{
    LockGuard lock(Mutex());
    RefreshProgramDisplay();
    ShowInReadout(-1);
}

std::string KT4R::PresetFolder()
{
    LockGuard lock(Mutex());
    return mConfig.Count("PRESETDIR") ? mConfig.Get("PRESETDIR") : std::string();
}

void KT4R::SetPresetFolder(const std::string& folder)
{
    LockGuard lock(Mutex());
    if (!folder.empty())
        mConfig.Set("PRESETDIR", folder);
}

void KT4R::WriteConfiguration()
{
    ConfigExitState state;
    state.numberOfVoices = Param(ParamId::kNumberOfVoices)->Value();
    state.midiThru = mMidiThru;
    state.immediateWrite = Param(SettingId::kImmediateWrite)->Value();
    state.sendParamSysex = Param(SettingId::kSendSysexParam)->Value();
    state.sendProgramSysex = Param(SettingId::kSendSysexProgram)->Value();
    state.globalGain = Param(SettingId::kGlobalGain)->Value();
    state.presetDir = mConfig.Count("PRESETDIR") ? mConfig.Get("PRESETDIR") : std::string();
    mConfig.StoreExitState(state);
    mConfig.Write();
    mMidiLearn.WriteMapFile(mConfigFolder);
}
