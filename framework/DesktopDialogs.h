// Message boxes and URL opening through the desktop's own programs (zenity, kdialog or xmessage;
// xdg-open), for the Linux editor.
#pragma once

#include <string>
#include <vector>

// The dialog command for a message box of this type (0 OK only; 1 OK/Cancel; 3, 4 Yes/No), using the
// first of zenity, kdialog and xmessage that is installed; empty when none is.
std::vector<std::string> MessageBoxCommand(const std::string& text, const std::string& caption, int type);
// Whether the box asks a question (two buttons) rather than informing.
bool MessageBoxAsks(int type);

// Editor thread; blocks while the dialog is shown (a message box is modal). Answers 1 for OK/Yes, 0 for
// No/Cancel. Without a dialog program the text goes to stderr and the answer is 1 for an OK box and 0
// for a question (nothing is agreed to unseen).
int RunMessageBox(const std::string& text, const std::string& caption, int type);
