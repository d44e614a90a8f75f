// The instrument's programs: selecting, writing and naming them, INIT and RANDOM, rotating the bank,
// the program menu and the WRITE button. Slot 0 of the preset store is the edit buffer, slots 1-128
// the programs; the store's current index stays 0 except while a program is written.
#include <algorithm>
#include <cstdio>

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
    while (NPrograms() < kProgramSlots)
        AddProgramSlot("empty");
    // Room for a name and a program block in every slot: selecting a program then only copies.
    for (int i = 0; i < NPrograms(); ++i) {
        IProgramSlot* slot = ProgramSlot(i);
        slot->name.reserve(IProgramSlot::kNameLen);
        slot->chunk.Reserve(kProgramDataBytes);
    }
    mProgramName.reserve(IProgramSlot::kNameLen);
    MakeDefaultPrograms(" INIT ", NPrograms());
}

void KT4R::SelectProgram(int number)
{
    LockGuard lock(Mutex());
    if (number < 1 || number > kPrograms)
        return;
    // Edits still pending go to the edit buffer, which the program then replaces.
    StorePendingEdits();
    IProgramSlot* edit = ProgramSlot(0);
    const IProgramSlot* program = ProgramSlot(number);
    edit->initialized = program->initialized;
    edit->name = program->name;
    edit->chunk = program->chunk;
    mProgram = number;
    RestoreProgram(number);
    SetCurrentProgramIndex(0);
    AutomateAllParams();
    SetEdited(false);
    if (Param(SettingId::kSendSysexProgram)->Value() >= 0.5)
        SendProgramSysEx();
}

void KT4R::WriteProgram(int number)
{
    LockGuard lock(Mutex());
    if (number < 1 || number > kPrograms)
        return;
    SetCurrentProgramIndex(number);
    mProgram = number;
    SetEdited(false);
    StoreCurrentProgram(mProgramName.c_str());
    RefreshProgramDisplay();
    SetCurrentProgramIndex(0);
    mWriteArmed = false;
    ShowWriteIndication(false);
}

void KT4R::SetProgramName(const std::string& name)
{
    LockGuard lock(Mutex());
    mProgramName = name.substr(0, kProgramNameBytes);
    SetCurrentProgramIndex(0);
    StoreCurrentProgram(mProgramName.c_str());
    SetEdited(true);
    if (Param(SettingId::kImmediateWrite)->Value() >= 0.5)
        WriteProgram(mProgram);
}

void KT4R::SetEdited(bool edited)
{
    Param(SettingId::kPresetDirty)->SetFromNormalized(edited ? 1.0 : 0.0);
    mEdited = edited;
    ShowEditedMark(edited);
}

void KT4R::RefreshProgramDisplay()
{
    mProgramName = ProgramSlot(0)->name;
    if (mView)
        mView->ProgramDisplayChanged();
    HostUpdateDisplay();
}

void KT4R::ProgramChanged()
{
    RefreshProgramDisplay();
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
        WriteProgram(mProgram);
}

void KT4R::ProgramCommand(int id)
{
    switch (static_cast<SettingId>(id)) {
    case SettingId::kCommandNextProgram: SelectProgram(mProgram == kPrograms ? 1 : mProgram + 1); return;
    case SettingId::kCommandPreviousProgram: SelectProgram(mProgram == 1 ? kPrograms : mProgram - 1); return;
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
    const char* name = static_cast<SettingId>(id) == SettingId::kCommandInit ? " INIT " : " RANDOM ";
    RefreshProgramDisplay();
    SetProgramName(name);
    StoreCurrentProgram(name);
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
    StorePendingEdits();
    auto copy = [](IProgramSlot& to, const IProgramSlot& from) {
        to.initialized = from.initialized;
        to.name = from.name;
        to.chunk = from.chunk;
    };
    std::vector<IProgramSlot> scratch(kGroup);
    for (int i = 0; i < kGroup; ++i)
        copy(scratch[static_cast<size_t>(i)], *ProgramSlot(3 * kGroup + 1 + i));
    for (int group = 3; group >= 1; --group) {
        for (int i = 0; i < kGroup; ++i)
            copy(*ProgramSlot(group * kGroup + 1 + i), *ProgramSlot((group - 1) * kGroup + 1 + i));
    }
    for (int i = 0; i < kGroup; ++i)
        copy(*ProgramSlot(1 + i), scratch[static_cast<size_t>(i)]);
}

KT4R::ProgramMenu KT4R::BuildProgramMenu() const
{
    ProgramMenu menu;
    auto* self = const_cast<KT4R*>(this);
    LockGuard lock(self->Mutex());
    char text[IProgramSlot::kNameLen + 16];
    for (int group = 0; group < kPrograms / kGroup; ++group) {
        ProgramMenu::Group g;
        std::snprintf(text, sizeof text, "%4d - %3d", group * kGroup + 1, (group + 1) * kGroup);
        g.title = text;
        for (int n = group * kGroup + 1; n <= (group + 1) * kGroup; ++n) {
            std::snprintf(text, sizeof text, "%4i %s", n, self->ProgramSlot(n)->name.c_str());
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
    mProgram = number;
    SelectProgram(number);
}

void KT4R::ChooseRotateBanksFromMenu()
{
    LockGuard lock(Mutex());
    RotateBanks();
    // The sound that was selected moved 32 places up: select it where it is now.
    ChooseProgramFromMenu((mProgram + 31) % kPrograms + 1);
}

void KT4R::PressWrite(bool rightButton)
{
    LockGuard lock(Mutex());
    if (!mWriteArmed && !rightButton) {
        mWriteArmed = true;
        ShowWriteIndication(true);
        return;
    }
    WriteProgram(mProgram);
}
