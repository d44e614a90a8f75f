// The panel as the instrument's view: requests recorded from any thread, applied at the editor's
// tick.
#include <cstdio>

#include "editor/KT4RPanel.h"
#include "editor/MyButtonGroup.h"
#include "editor/MyReadout.h"
#include "instrument/KT4R.h"
#include "instrument/ParamTable.h"
#include "instrument/ReadoutText.h"

using namespace panel;

namespace {

constexpr int kLearnMinId = 75;
constexpr int kLearnMaxId = 76;

} // namespace

// ---- Recording (any thread, under the plug-in lock) ----

void KT4RPanel::ProgramDisplayChanged()
{
    mProgramDisplayPending.store(true, std::memory_order_release);
}

void KT4RPanel::WriteIndicationChanged()
{
    mProgramDisplayPending.store(true, std::memory_order_release);
}

void KT4RPanel::ShowPage(int page)
{
    if (page >= 0 && page < kPages)
        mPagePending.store(page, std::memory_order_release);
}

void KT4RPanel::ShowParamInReadout(int id)
{
    mReadoutPending.store(id, std::memory_order_release);
}

void KT4RPanel::ShowLearnPage(bool armed)
{
    mLearnArmPending.store(armed ? 1 : 0, std::memory_order_release);
    mPagePending.store(armed ? kMidiLearnPage : kStandardPage, std::memory_order_release);
}

void KT4RPanel::ShowLearnController(int32_t key)
{
    mLearnKeyPending.store(key, std::memory_order_release);
}

void KT4RPanel::ShowLearnParam(int id, double min, double max)
{
    mLearnMin.store(min, std::memory_order_relaxed);
    mLearnMax.store(max, std::memory_order_relaxed);
    mLearnParamPending.store(id, std::memory_order_release);
}

// ---- Applying (editor thread) ----

void KT4RPanel::ShowPageNow(int page)
{
    if (page < 0 || page >= kPages)
        return;
    // Hiding first lets the learn page's hiding bring the master readout back before a page that
    // hides it again shows.
    for (int p = 0; p < kPages; ++p) {
        if (p != page)
            mPages[static_cast<size_t>(p)].Hide();
    }
    mPages[static_cast<size_t>(page)].Show();
    mShownPage = page;
    // The page buttons light for the page they select; the learn page and "Standard" leave both dark.
    if (page == kSettingsPage)
        mPageGroup->SetMember(0, 1);
    else if (page == kMidiPage)
        mPageGroup->SetMember(1, 1);
    else
        mPageGroup->SetMember(-1, 0);
}

void KT4RPanel::EditorTick()
{
    const int page = mPagePending.exchange(kNothing, std::memory_order_acq_rel);
    if (page != kNothing && page != mShownPage)
        ShowPageNow(page);
    ApplyLearnDisplays();
    const int readout = mReadoutPending.exchange(kNothing, std::memory_order_acq_rel);
    if (readout != kNothing)
        mMaster->ShowParam(readout);
    if (mProgramDisplayPending.exchange(false, std::memory_order_acq_rel))
        ApplyProgramDisplay();
}

void KT4RPanel::ApplyLearnDisplays()
{
    auto setBound = [this](int id, double value) {
        {
            // The bounds' records follow the display, so that moving one bound keeps the other.
            IPlugBase::LockGuard lock(mKT4R.Mutex());
            if (IParameter* param = mKT4R.Param(id))
                param->SetFromNormalized(value);
        }
        if (IControl* control = ControlFor(id))
            control->AcceptPlugValue(value);
    };

    const int arm = mLearnArmPending.exchange(kNothing, std::memory_order_acq_rel);
    if (arm == 1) {
        setBound(kLearnMinId, 0.0);
        setBound(kLearnMaxId, 1.0);
        mLearnParam->SetText(" NONE ");
    }
    const int32_t key = mLearnKeyPending.exchange(kNothing, std::memory_order_acq_rel);
    if (key != kNothing) {
        char text[24];
        if (key > 0)
            std::snprintf(text, sizeof text, "CC = %d", static_cast<int>(key));
        else if (key < 0)
            std::snprintf(text, sizeof text, "NRPN = %d", static_cast<int>(-static_cast<int64_t>(key)));
        else
            std::snprintf(text, sizeof text, "NONE");
        mLearnDisplay->SetText(text);
    }
    const int id = mLearnParamPending.exchange(kNothing, std::memory_order_acq_rel);
    if (id != kNothing) {
        setBound(kLearnMinId, mLearnMin.load(std::memory_order_relaxed));
        setBound(kLearnMaxId, mLearnMax.load(std::memory_order_relaxed));
        const char* label = IsPatchParamIndex(id) ? kt4r::ReadoutLabel(id) : "";
        mLearnParam->SetText(label[0] ? label : " NONE ");
    }
}

void KT4RPanel::ApplyProgramDisplay()
{
    int number = 1;
    std::string name;
    bool edited = false;
    bool armed = false;
    {
        IPlugBase::LockGuard lock(mKT4R.Mutex());
        number = mKT4R.CurrentProgramNumber();
        name = mKT4R.CurrentProgramName();
        edited = mKT4R.Edited();
        armed = mKT4R.WriteArmed();
    }
    // The number shows a waiting write in red with "W", an edited program in yellow with "*".
    mProgNum->SetProgram(number);
    mProgNum->SetMode(armed ? 2 : edited ? 1 : 0);
    mProgName->SetText(name);
}
