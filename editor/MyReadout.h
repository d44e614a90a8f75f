// The panel's character displays: a row of MyDigit cells showing a text. The master readout shows
// the label and value text of the parameter under the mouse; the program readouts show the current
// program's number (with the edited and write marks) and name and open the program menu and the
// name entry.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "editor/MyDigit.h"

class KT4R;

class MyReadout : public IControl {
public:
    // Creates `cells` digit cells side by side from rect's left edge and attaches them to graphics
    // (plug-in constructor). The readout itself is attached by its creator, after its cells.
    MyReadout(KT4R& plug, IGraphics& graphics, int x, int y, int cells, const IBitmapRef& digit,
              const IBitmapRef& second, const IBitmapRef& third, const char* name);

    // ---- Editor thread ----

    // Cell i shows character i; cells beyond the text are blank.
    void SetText(std::string_view text);
    void Clear();
    // The readout label and value text of id (0 <= id < the limit); -1 clears. The value is the one
    // the id's control holds, else the parameter's. Takes the plug-in lock.
    void ShowParam(int id);
    // Shows the shown parameter's text again when it shows one (its control moved).
    void RefreshParam();
    // 0, 1, 2: mode character " ", "*" or "W" and the cells' normal, second or third colour.
    void SetMode(int mode);
    // Hides or shows every cell with the readout.
    void SetHidden(bool hidden) override;
    // The cells draw; the readout has nothing of its own to draw.
    void Paint(IGraphics& graphics) override {}

    // The controls of ids 0..controls.size()-1 (null where an id has none) and the ids it may show.
    void SetParamControls(const std::vector<IControl*>* controls, int limit);

    const std::string& Text() const { return mText; }
    const std::string& Name() const { return mName; }
    int ShownParam() const { return mShownParam; }
    bool ShowsParam() const { return mShowsParam; }
    int Mode() const { return mMode; }
    char ModeChar() const { return " *W"[mMode]; }
    int NCells() const { return static_cast<int>(mCells.size()); }
    const MyDigit* Cell(int i) const { return mCells[static_cast<size_t>(i)]; }

protected:
    // Redraws the readout's own text after a mode change (the program number's readout). Editor
    // thread, from SetMode; no lock; may allocate.
    virtual void RenderModeText() {}
    KT4R& Instrument() const;

    std::vector<MyDigit*> mCells; // owned by the editor's control list
    std::string mName;
    std::string mText;
    const std::vector<IControl*>* mParamControls = nullptr;
    int mLimit = 0;
    int mShownParam = -1;
    bool mShowsParam = false;
    int mMode = 0;
};

// The readout line above the right-hand pages.
class MasterReadout : public MyReadout {
public:
    MasterReadout(KT4R& plug, IGraphics& graphics, int x, int y, int cells, const IBitmapRef& digit,
                  const IBitmapRef& second, const IBitmapRef& third, const char* name);
};

// The program number with its mode character: " 1" .. "128" behind " ", "*" (edited) or "W" (a
// click on WRITE is waiting for the program to write into).
class MyProgNumReadout : public MyReadout {
public:
    using MyReadout::MyReadout;

    // Editor thread: the number shown (1..128; others ignored).
    void SetProgram(int number);
    int Program() const { return mProgram; }

    // Opens the program menu below the readout.
    void MouseDown(int x, int y, const IMouseMod& mods) override;
    // One program per notch (delta programs with shift or control), wrapping 128 <-> 1; the
    // instrument loads the program at once.
    void MouseWheel(int x, int y, const IMouseMod& mods, int delta) override;

protected:
    void RenderModeText() override;

private:
    int mProgram = 1;
};

// The program name: a click opens the name entry over it.
class MyProgNameReadout : public MyReadout {
public:
    using MyReadout::MyReadout;

    static constexpr int kEntryFontSize = 14;

    // Opens the text entry, pre-filled with the current program's name.
    void MouseDown(int x, int y, const IMouseMod& mods) override;
    // The committed name (not empty) renames the current program.
    void AcceptTextEntry(const char* text) override;
};
