// A private X server for the editor's real-window tests: Xvfb on a free display number, found through
// -displayfd, with DISPLAY pointing at it for the life of the object.
#pragma once

#include <string>
#include <sys/types.h>

namespace kt4r_test {

class XvfbServer {
public:
    // Starts Xvfb (1280x1024, 24 bits, or the screen given as "WxHxD", at the server's own resolution or
    // dpi dots per inch) when the binary is installed; Running() tells whether it did.
    explicit XvfbServer(int dpi = 0, const char* screen = "1280x1024x24");
    // Stops the server and restores DISPLAY.
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    bool Running() const { return mPid > 0; }
    const std::string& Display() const { return mDisplay; }

private:
    pid_t mPid = -1;
    std::string mDisplay;
    std::string mOldDisplay;
    bool mHadDisplay = false;
};

// The process-wide server of a test binary, started on first use; nullptr when Xvfb is not installed
// (the tests then skip).
XvfbServer* SharedXvfb();

} // namespace kt4r_test
