#include "framework/x11/DesktopDialogs.h"

#include <cstdio>

bool MessageBoxAsks(int type) { return type == 1 || type == 3 || type == 4; }

std::vector<std::string> MessageBoxCommand(const std::string& text, const std::string& caption, int type)
{
    const bool asks = MessageBoxAsks(type);
    const bool okCancel = type == 1;
    if (!FindOnPath("zenity").empty()) {
        std::vector<std::string> argv = {"zenity", asks ? "--question" : "--info", "--title=" + caption,
                                         "--text=" + text, "--no-markup"};
        if (asks) {
            argv.push_back(okCancel ? "--ok-label=OK" : "--ok-label=Yes");
            argv.push_back(okCancel ? "--cancel-label=Cancel" : "--cancel-label=No");
        }
        return argv;
    }
    if (!FindOnPath("kdialog").empty()) {
        if (okCancel)
            return {"kdialog", "--title", caption, "--warningcontinuecancel", text};
        return {"kdialog", "--title", caption, asks ? "--yesno" : "--msgbox", text};
    }
    if (!FindOnPath("xmessage").empty()) {
        // xmessage exits with the number after the chosen button's label; 0 and 1 are its own codes,
        // so OK/Yes answers 101 and No/Cancel 100.
        const char* buttons = !asks ? "OK:101" : okCancel ? "OK:101,Cancel:100" : "Yes:101,No:100";
        return {"xmessage", "-center", "-title", caption, "-buttons", buttons, "-default",
                asks ? (okCancel ? "Cancel" : "No") : "OK", text};
    }
    return {};
}

bool MessageBoxProcess::Start(const std::string& text, const std::string& caption, int type)
{
    mChild.Terminate();
    const std::vector<std::string> argv = MessageBoxCommand(text, caption, type);
    mType = type;
    mXmessage = !argv.empty() && argv[0] == "xmessage";
    if (argv.empty() || !mChild.Start(argv)) {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
        return false;
    }
    return true;
}

bool MessageBoxProcess::Poll(int* answer)
{
    if (!mChild.Poll())
        return false;
    if (!MessageBoxAsks(mType)) {
        *answer = 1;
        return true;
    }
    const int code = mChild.ExitCode();
    *answer = (mXmessage ? code == 101 : code == 0) ? 1 : 0;
    return true;
}
