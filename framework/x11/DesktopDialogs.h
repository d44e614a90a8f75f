// Message boxes and URL opening through the desktop's own programs (zenity, kdialog or xmessage;
// xdg-open), for the Linux editor. A box runs in its own process, polled from the editor's idle
// calls, so the host's UI thread never waits for the player.
#pragma once

#include <string>
#include <vector>

#include "framework/x11/ChildProcess.h"

// The dialog command for a message box of this type (0 OK only; 1 OK/Cancel; 3, 4 Yes/No), using the
// first of zenity, kdialog and xmessage that is installed; empty when none is.
std::vector<std::string> MessageBoxCommand(const std::string& text, const std::string& caption, int type);
// Whether the box asks a question (two buttons) rather than informing.
bool MessageBoxAsks(int type);
// The answer a box gives without a player: 1 for an OK box, 0 for a question (nothing is agreed to
// unseen).
inline int MessageBoxUnansweredReply(int type) { return MessageBoxAsks(type) ? 0 : 1; }

class MessageBoxProcess {
public:
    // Editor thread, never blocks. False when no dialog program could be started; the text then goes
    // to stderr and the caller answers MessageBoxUnansweredReply.
    bool Start(const std::string& text, const std::string& caption, int type);
    // Editor thread, never blocks. True once the box has ended; *answer is then 1 for OK/Yes, 0 for
    // No/Cancel (a box closed by its window's close button or killed answers 0, or 1 for an OK box).
    bool Poll(int* answer);
    // Ends a box still shown (the editor closes).
    void Cancel() { mChild.Terminate(); }

private:
    ChildProcess mChild;
    int mType = 0;
    bool mXmessage = false;
};
