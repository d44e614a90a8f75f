// The instrument's programs: selecting, writing and naming them, INIT and RANDOM, rotating the bank,
// the program menu, the WRITE button and the host's program list. The edit buffer is the live
// parameter values under the store's edit name; programs 1-128 change only when written.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "instrument/KT4R.h"
#include "instrument/ParamTable.h"
#include "instrument/ProgramData.h"
#include "signal/Rand.h"

using namespace kt4r;

namespace {

constexpr int kPrograms = 128;
constexpr int kGroup = 32; // programs per quarter of the bank
constexpr double kThird = 0.3333333333333333;

} // namespace

void KT4R::MakeInitPrograms()
{
    IStateChunk init;
    init.Reserve(kProgramDataBytes);
    WriteState(&init);
    mStore.Fill(init, " INIT ");
    mStore.SetEditName(" INIT ");
}

void KT4R::SelectProgram(int number)
{
    LockGuard lock(Mutex());
    const StoredProgram* program = mStore.Program(number);
    if (!program)
        return;
    mStore.SetCurrent(number);
    mStore.SetEditName(program->name);
    if (program->initialized) {
        ProgramData data;
        if (ParseProgramData(program->data, 0, &data) >= 0)
            ApplyProgramData(program->data, 0, data);
    }
    RefreshProgramDisplay();
    SyncEditorToParams();
    AutomateAllParams();
    SetEdited(false);
    if (Param(SettingId::kSendSysexProgram)->Value() >= 0.5)
        SendProgramSysEx();
}

void KT4R::WriteProgram(int number)
{
    LockGuard lock(Mutex());
    if (!mStore.Program(number))
        return;
    mStore.SetCurrent(number);
    SetEdited(false);
    // The block is built in the room the edit buffer's own scratch keeps, so a write allocates nothing.
    mWriteScratch.Clear();
    WriteState(&mWriteScratch);
    mStore.Store(number, mWriteScratch, mStore.EditName());
    RefreshProgramDisplay();
    mWriteArmed = false;
    ShowWriteIndication(false);
}

void KT4R::SetProgramName(std::string_view name)
{
    LockGuard lock(Mutex());
    mStore.SetEditName(name);
    RefreshProgramDisplay();
    SetEdited(true);
    if (Param(SettingId::kImmediateWrite)->Value() >= 0.5)
        WriteProgram(mStore.Current());
}

std::string KT4R::ProgramName(int number) const
{
    LockGuard lock(const_cast<KT4R*>(this)->Mutex());
    return std::string(mStore.NameOf(number));
}

void KT4R::SetEdited(bool edited)
{
    Param(SettingId::kPresetDirty)->SetFromNormalized(edited ? 1.0 : 0.0);
    mStore.SetEdited(edited);
    ShowEditedMark(edited);
}

void KT4R::RefreshProgramDisplay()
{
    if (mView)
        mView->ProgramDisplayChanged();
    HostUpdateDisplay();
}

void KT4R::ProgramChanged()
{
    RefreshProgramDisplay();
}

// ---- The host's program list ----

int KT4R::ProgramCount() const
{
    return ProgramStore::kPrograms + 1;
}

void KT4R::SelectProgramFromHost(int index)
{
    // The host's entry 0 is the edit buffer itself: choosing it keeps what is being edited.
    if (index >= 1 && index <= ProgramStore::kPrograms)
        SelectProgram(index);
}

void KT4R::RenameProgramFromHost(const char* name)
{
    // A host naming its program (often from a file it restores) names the edit buffer; it is not an
    // edit of the sound, so the edited mark and "Immediate Write" are left alone.
    LockGuard lock(Mutex());
    if (!name)
        return;
    mStore.SetEditName(std::string_view(name, ::strnlen(name, kProgramNameBytes)));
    RefreshProgramDisplay();
}

bool KT4R::ProgramNameOf(int index, char* text, int size)
{
    LockGuard lock(Mutex());
    if (!text || size <= 0)
        return false;
    text[0] = '\0';
    if (index < 0 || index > ProgramStore::kPrograms)
        return false;
    const std::string_view name = mStore.NameOf(index);
    const size_t n = std::min(name.size(), static_cast<size_t>(size - 1));
    std::memcpy(text, name.data(), n);
    text[n] = '\0';
    return true;
}

void KT4R::SetParamFromEditor(int index, double normalized)
{
    LockGuard lock(Mutex());
    IParameter* param = Param(index);
    if (!param)
        return;
    param->SetFromNormalized(normalized);
    if (IsPatchParamIndex(index)) {
        HostAutomate(index, param->ToNormalized());
        ParameterChanged(index, 0);
        SetEdited(true);
    } else {
        ParameterChanged(index, 0);
    }
    if (Param(SettingId::kImmediateWrite)->Value() >= 0.5)
        WriteProgram(mStore.Current());
}

void KT4R::ProgramCommand(int id)
{
    switch (static_cast<SettingId>(id)) {
    case SettingId::kCommandNextProgram: SelectProgram(mStore.Current() % kPrograms + 1); return;
    case SettingId::kCommandPreviousProgram: SelectProgram((mStore.Current() + kPrograms - 2) % kPrograms + 1); return;
    case SettingId::kCommandInit:
        // While MIDI learn is armed the INIT button is a learn command.
        if (mMidiLearn.Command(id))
            return;
        InitPatch();
        break;
    case SettingId::kCommandRandom: RandomPatch(); break;
    default: return;
    }
    // INIT and RANDOM name the new patch and leave it in the edit buffer, marked edited.
    SetProgramName(static_cast<SettingId>(id) == SettingId::kCommandInit ? " INIT " : " RANDOM ");
    SyncEditorToParams();
    SetEdited(true);
}

void KT4R::InitPatch(bool keepInstrumentSettings)
{
    LockGuard lock(Mutex());
    for (int id = 0; id < kPatchParamCount; ++id) {
        if (keepInstrumentSettings && (id == Index(ParamId::kNumberOfVoices) || id == Index(ParamId::kSysexMode)))
            continue;
        const IParameter* param = GetParam(id);
        SetParamFromEditor(id, param->ToNormalized(param->Default()));
    }
}

void KT4R::RandomPatch()
{
    LockGuard lock(Mutex());
    double v[kPatchParamCount];
    for (int id = 0; id < kPatchParamCount; ++id) {
        const IParameter* param = GetParam(id);
        v[id] = param->ToNormalized(param->Default());
    }
    // The level and the voice count stay as they are: a random patch must not blast or rebuild.
    const int kept[] = {Index(ParamId::kVcaLevel), Index(ParamId::kNumberOfVoices)};
    for (int id : kept)
        v[id] = GetParam(id)->ToNormalized();

    auto r = [] { return Rand(); };
    auto four = [&] { return (r() % 4) * kThird; };
    auto thousandth = [&] { return (r() % 1000) * 0.001; };
    auto set = [&](ParamId id, double value) { v[Index(id)] = value; };

    const int xmod = r() % 4;
    set(ParamId::kDco1Rang, four());
    set(ParamId::kDco1Wave, four());
    set(ParamId::kDco1Lfo, (r() % 100) * 0.001);
    set(ParamId::kDco2Rang, four());
    set(ParamId::kDco2Wave, four());
    set(ParamId::kDco2Xmod, xmod * kThird);
    if (xmod == 1 || xmod == 2) {
        // A synced oscillator 2 sweeps widely; free-running it only drifts a little.
        set(ParamId::kDco2Tune, (r() % 50) * 0.02);
        set(ParamId::kDco2Fine, thousandth());
        set(ParamId::kDco2Lfo, thousandth());
        set(ParamId::kDco2Env, thousandth());
    } else {
        set(ParamId::kDco2Fine, (r() % 100 + 0.5) * 0.001);
        set(ParamId::kDco2Lfo, (r() % 100) * 0.001);
    }
    set(ParamId::kDcoDyna, four());
    set(ParamId::kDcoMode, four());
    for (ParamId id : {ParamId::kMixDco1, ParamId::kMixDco2, ParamId::kMixEnv})
        set(id, thousandth());
    for (ParamId id : {ParamId::kMixDyna, ParamId::kMixMode, ParamId::kHpfFreq})
        set(id, four());
    for (int id = Index(ParamId::kVcfFreq); id <= Index(ParamId::kVcfKey); ++id)
        v[id] = thousandth();
    set(ParamId::kVcfDyna, four());
    set(ParamId::kVcfMode, four());
    set(ParamId::kVcaMode, r() % 2);
    set(ParamId::kVcaDyna, four());
    set(ParamId::kChorus, (r() % 3) * 0.5);
    set(ParamId::kLfoWave, (r() % 3) * 0.5);
    for (int id = Index(ParamId::kLfoDelay); id <= Index(ParamId::kEnv1Rel); ++id)
        v[id] = thousandth();
    set(ParamId::kEnv1Key, four());
    for (int id = Index(ParamId::kEnv2Att); id <= Index(ParamId::kEnv2Rel); ++id)
        v[id] = thousandth();
    set(ParamId::kEnv2Key, four());

    for (int id = 0; id < kPatchParamCount; ++id)
        SetParamFromEditor(id, v[id]);
}

void KT4R::RotateBanks()
{
    LockGuard lock(Mutex());
    mStore.RotateQuarters();
}

KT4R::ProgramMenu KT4R::BuildProgramMenu() const
{
    ProgramMenu menu;
    LockGuard lock(const_cast<KT4R*>(this)->Mutex());
    char text[kProgramNameBytes + 16];
    for (int group = 0; group < kPrograms / kGroup; ++group) {
        ProgramMenu::Group g;
        std::snprintf(text, sizeof text, "%4d - %3d", group * kGroup + 1, (group + 1) * kGroup);
        g.title = text;
        for (int n = group * kGroup + 1; n <= (group + 1) * kGroup; ++n) {
            std::snprintf(text, sizeof text, "%4i %s", n, mStore.Program(n)->name.c_str());
            g.items.push_back(text);
        }
        menu.groups.push_back(std::move(g));
    }
    menu.rotateItem = !mWriteArmed;
    return menu;
}

void KT4R::ChooseProgramFromMenu(int number)
{
    LockGuard lock(Mutex());
    if (number < 1 || number > kPrograms)
        return;
    if (mWriteArmed) {
        WriteProgram(number);
        return;
    }
    SelectProgram(number);
}

void KT4R::ChooseRotateBanksFromMenu()
{
    LockGuard lock(Mutex());
    RotateBanks();
    // The sound that was selected moved 32 places up: select it where it is now.
    ChooseProgramFromMenu((mStore.Current() + 31) % kPrograms + 1);
}

void KT4R::PressWrite(bool rightButton)
{
    LockGuard lock(Mutex());
    if (!mWriteArmed && !rightButton) {
        mWriteArmed = true;
        ShowWriteIndication(true);
        return;
    }
    WriteProgram(mStore.Current());
}
