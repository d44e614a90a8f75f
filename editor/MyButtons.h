// The panel's buttons: momentary contact buttons (the program buttons and the MIDI-learn page's
// buttons tell the plug-in on release), the members of a button group, WRITE, LOAD and SAVE. On every
// button a double click is a second click: a player pressing twice quickly means two presses.
#pragma once

#include "framework/graphics/IControl.h"

class KT4R;
class MyButtonGroup;

// A momentary button: pressed, it shows its next frame; released, it goes back to frame 1 and the
// plug-in receives value 0 for its parameter, on which the instrument acts.
class MyContactControl : public IBitmapControl {
public:
    MyContactControl(KT4R& plug, int x, int y, int paramIdx, const IBitmapRef& bitmap);

    void MouseDown(int x, int y, const IMouseMod& mods) override;
    void MouseDoubleClick(int x, int y, const IMouseMod& mods) override;
    void MouseUp(int x, int y, const IMouseMod& mods) override;
};

// One button of a MyButtonGroup; it carries no parameter of its own, the group does.
class MyButton : public MyContactControl {
public:
    MyButton(KT4R& plug, int x, int y, const IBitmapRef& bitmap, MyButtonGroup& group);

    void MouseDown(int x, int y, const IMouseMod& mods) override;
    void MouseEnter(int x, int y, const IMouseMod& mods) override;
    void MouseLeave() override;

private:
    MyButtonGroup& mGroup;
};

class MyToggleButton : public IBitmapControl {
public:
    using IBitmapControl::IBitmapControl;
};

// WRITE: a plain click arms the write (the program number turns red with a "W"); a right click, or a
// click while armed, writes the edit buffer into the program shown.
class MyWriteButton : public MyToggleButton {
public:
    MyWriteButton(KT4R& plug, int x, int y, const IBitmapRef& bitmap);

    void MouseDown(int x, int y, const IMouseMod& mods) override;
    void MouseDoubleClick(int x, int y, const IMouseMod& mods) override;

private:
    bool mToggle = false;
};

// LOAD: the open dialog, then the file is loaded. The button shows its pressed frame while held.
class MyFileButton : public IContactControl {
public:
    MyFileButton(KT4R& plug, int x, int y, int paramIdx, const IBitmapRef& bitmap);

    void MouseDown(int x, int y, const IMouseMod& mods) override;
    void MouseDoubleClick(int x, int y, const IMouseMod& mods) override;
    void MouseUp(int x, int y, const IMouseMod& mods) override;
};

// SAVE: the menu of file kinds, then the save dialog. The button shows its pressed frame while held.
class MySaveButton : public IContactControl {
public:
    MySaveButton(KT4R& plug, int x, int y, int paramIdx, const IBitmapRef& bitmap);

    void MouseDown(int x, int y, const IMouseMod& mods) override;
    void MouseDoubleClick(int x, int y, const IMouseMod& mods) override;
    void MouseUp(int x, int y, const IMouseMod& mods) override;
};
