#include "editor/MyButtonGroup.h"

#include <algorithm>
#include <cmath>

#include "editor/MyReadout.h"
#include "instrument/KT4R.h"

MyButtonGroup::MyButtonGroup(KT4R& plug, MyReadout* readout, int statesPerButton, int paramIdx, bool allowNone)
    : IControl(&plug, IRECT(), paramIdx), mReadout(readout), mStates(std::max(1, statesPerButton)),
      mAllowNone(allowNone)
{
}

void MyButtonGroup::AddMember(IControl* button, IControl* led)
{
    mMembers.push_back({button, led, 0});
}

double MyButtonGroup::ValueFor(int member, int state) const
{
    const int span = mStates * NMembers() - Off();
    if (span <= 0)
        return 0.0;
    return (mStates * (state > 0 ? member : 0) - Off() + state) / static_cast<double>(span);
}

void MyButtonGroup::ShowStates()
{
    for (const Member& m : mMembers) {
        if (!m.led)
            continue;
        m.led->SetValue(static_cast<double>(m.state) / mStates);
        m.led->MarkDirty(false);
        m.led->RequestRedraw();
    }
}

void MyButtonGroup::SetMember(int member, int state)
{
    for (int i = 0; i < NMembers(); ++i)
        mMembers[static_cast<size_t>(i)].state = i == member ? std::clamp(state, 0, mStates) : 0;
    ShowStates();
    const bool lit = member >= 0 && member < NMembers() && state > 0;
    mValue = lit ? ValueFor(member, std::clamp(state, 0, mStates)) : 0.0;
    IControl::MarkDirty(false);
}

void MyButtonGroup::Click(const IControl* button)
{
    int b = -1;
    for (int i = 0; i < NMembers(); ++i) {
        if (mMembers[static_cast<size_t>(i)].button == button)
            b = i;
    }
    if (b < 0)
        return;
    int s = mMembers[static_cast<size_t>(b)].state + 1;
    if (s > mStates)
        s = Off();
    for (int i = 0; i < NMembers(); ++i)
        mMembers[static_cast<size_t>(i)].state = i == b ? s : 0;
    ShowStates();
    mValue = ValueFor(b, s);
    for (const Member& m : mMembers)
        m.button->MarkDirty(false);
    IControl::MarkDirty(true);
    if (mReadout)
        mReadout->ShowParam(mParamIdx);
}

void MyButtonGroup::AcceptPlugValue(double normalized)
{
    if (!std::isfinite(normalized) || mMembers.empty())
        return;
    mValue = std::clamp(normalized, 0.0, 1.0);
    // The small allowance keeps a stored 3/5 from decoding as 2.999.. and landing one state low.
    const int span = mStates * NMembers() - Off();
    const int i = std::clamp(static_cast<int>(span * mValue + 1e-9), 0, mStates * NMembers() - 1);
    const int member = i / mStates;
    const int state = std::min(i % mStates + Off(), mStates);
    for (int m = 0; m < NMembers(); ++m)
        mMembers[static_cast<size_t>(m)].state = m == member ? state : 0;
    ShowStates();
    IControl::MarkDirty(false);
}

void MyButtonGroup::MouseEnter(int x, int y, const IMouseMod& mods)
{
    if (mReadout && (!mReadout->ShowsParam() || mReadout->ShownParam() != mParamIdx))
        mReadout->ShowParam(mParamIdx);
}

void MyButtonGroup::MouseLeave()
{
    if (mReadout)
        mReadout->Clear();
}
