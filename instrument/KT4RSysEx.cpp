// The instrument's side of the SysEx link: parameter messages and program dumps out through the
// host's MIDI output, and received messages applied as the hardware's edits.
#include "instrument/KT4R.h"
#include "instrument/ParamTable.h"

using namespace kt4r;

void KT4R::EmitSysEx(const SysExMessage& message)
{
    ISysExEvent event;
    event.offset = 0;
    event.size = message.size;
    event.data = message.bytes.data();
    EmitSysExEvent(event);
}

void KT4R::SendParamSysEx(int id)
{
    SysExMessage message;
    if (mSysEx.BuildParamMessage(id, GetParam(id)->ToNormalized(), message))
        EmitSysEx(message);
}

void KT4R::SendProgramSysEx()
{
    EmitSysEx(mSysEx.BuildProgramDump(LiveValues(), mStore.EditName()));
}

void KT4R::Apply(const SysExReceived& received)
{
    LockGuard lock(Mutex());
    const bool dump = received.action == SysExAction::kProgramDump || received.action == SysExAction::kNumberedDump;
    switch (received.action) {
    case SysExAction::kWriteRequest: WriteProgram(received.program); return;
    case SysExAction::kRestoreProgram: {
        // The stored values come back into the edit buffer; nothing else changes.
        const StoredProgram* program = mStore.Program(received.program);
        if (program && program->initialized && ReadState(program->data, 0) >= 0)
            SyncEditorToParams();
        return;
    }
    case SysExAction::kProgramDump:
    case SysExAction::kNumberedDump:
    case SysExAction::kExtendedDump:
        // A patch from the hardware replaces the sound, not the instrument's own settings: resetting
        // the SysEx format or the voice count here would change how the rest of a bank file is sent
        // back and rebuild the voices for every program of it.
        if (dump)
            InitPatch(true);
        SetProgramName(received.Name());
        break;
    case SysExAction::kApplyChanges: break;
    }
    // Each received value moves its control and shows in the readout, as if the player had moved it.
    for (const SysExChange& change : received.Changes()) {
        SetParamFromEditor(change.id, change.value);
        PushToEditor(change.id);
        ShowInReadout(change.id);
    }
    if (received.action == SysExAction::kNumberedDump)
        WriteProgram(received.program);
    if (received.action != SysExAction::kApplyChanges) {
        // A whole patch arrived: every control follows (INIT set the values it left out), and the
        // readout is cleared rather than left on the dump's last value.
        SyncEditorToParams();
        ShowInReadout(-1);
    }
}
