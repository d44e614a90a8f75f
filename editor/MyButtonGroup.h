// A row of buttons with indicator LEDs that together set one parameter: each button has K states
// (a click steps its state, the others go dark), and the group's value encodes which button is lit
// in which state. The group itself has no rectangle: it is never hit and never drawn.
#pragma once

#include <vector>

#include "framework/graphics/IControl.h"

class KT4R;
class MyReadout;

class MyButtonGroup : public IControl {
public:
    // readout may be null; statesPerButton K >= 1; allowNone lets a click on the lit button turn
    // every button off.
    MyButtonGroup(KT4R& plug, MyReadout* readout, int statesPerButton, int paramIdx, bool allowNone);

    // Plug-in constructor: the members in order; the LED shows the member's state / K.
    void AddMember(IControl* button, IControl* led);

    // ---- Editor thread ----

    // A click on button: its state steps (past K back to the lowest), the others turn off; the
    // plug-in receives the group's value.
    void Click(const IControl* button);
    // Member b (0-based) in state s, the others off, without telling the plug-in.
    void SetMember(int member, int state);
    // The member and state a value from the plug-in encodes.
    void AcceptPlugValue(double normalized) override;
    // The readout shows the group's parameter while the mouse is over a member.
    void MouseEnter(int x, int y, const IMouseMod& mods) override;
    void MouseLeave() override;
    void Paint(IGraphics& graphics) override {}

    int NMembers() const { return static_cast<int>(mMembers.size()); }
    int State(int member) const { return mMembers[static_cast<size_t>(member)].state; }
    // The group value for member b (0-based) in state s.
    double ValueFor(int member, int state) const;

private:
    struct Member {
        IControl* button;
        IControl* led;
        int state;
    };
    void ShowStates();
    int Off() const { return mAllowNone ? 0 : 1; }

    MyReadout* mReadout;
    int mStates;
    bool mAllowNone;
    std::vector<Member> mMembers;
};
