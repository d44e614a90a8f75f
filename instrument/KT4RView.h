// The panel as the instrument sees it: what the instrument tells the editor when its own state changes
// (program readouts, the edited mark, the write indication, the page shown, the readout line, the
// MIDI-learn displays). The editor library implements it; with no editor built, nothing is told.
//
// Every call may come from any thread that changed instrument state (the audio thread included, for
// MIDI program changes, learned controllers and SysEx), under the plug-in lock. Calls only record what
// changed, without allocating or locking; the editor applies it at its next timer tick on the editor
// thread, reading the instrument's state under the plug-in lock there.
#pragma once

#include <cstdint>

class KT4R;
class IGraphics;

class KT4RView {
public:
    // The program number and name readouts and the edited mark follow the instrument.
    virtual void ProgramDisplayChanged() = 0;
    // The write indication of the program-number readout follows KT4R::WriteArmed.
    virtual void WriteIndicationChanged() = 0;
    // Page 0 "Standard", 1 "Settings", 2 "Midi", 3 "MidiLearn".
    virtual void ShowPage(int page) = 0;
    // The master readout shows id (its label and value text); -1 clears it.
    virtual void ShowParamInReadout(int id) = 0;
    // The MIDI-learn displays: the learn page shown (armed) or left; the controller key ("CC =" for
    // key > 0, "NRPN =" for key < 0, "NONE" for 0); the parameter shown with its bounds.
    virtual void ShowLearnPage(bool armed) = 0;
    virtual void ShowLearnController(int32_t key) = 0;
    virtual void ShowLearnParam(int id, double min, double max) = 0;

protected:
    ~KT4RView() = default;
};

// Builds the panel for the instrument (its constructor, under the plug-in lock): answers the editor for
// BindEditor and sets *view to the panel's face (both owned by the editor). A null builder means an
// instrument without an editor.
using KT4REditorBuilder = IGraphics* (*)(KT4R& plug, KT4RView** view);
