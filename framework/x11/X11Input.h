// Pure rules of the X11 editor's input: key symbols to the editor's key numbers, and double clicks
// told apart from two single clicks.
#pragma once

#include <cstdint>

// The IControl::KeyDown number of an X key symbol: space 0, arrows up/down/left/right 1-4, digits
// (main row and keypad) 5-14, letters 15-40 either case; -1 for every other key.
int EditorKeyForKeysym(unsigned long keysym);

// Two presses of the same button within kIntervalMs (server time) and kSlopPixels of each other make a
// double click; the press after a double click starts a new count.
class DoubleClickDetector {
public:
    static constexpr uint32_t kIntervalMs = 400;
    static constexpr int kSlopPixels = 4;

    // Answers true when this press completes a double click.
    bool Press(int button, int x, int y, uint32_t timeMs);
    void Reset() { mArmed = false; }

private:
    bool mArmed = false;
    int mButton = 0;
    int mX = 0;
    int mY = 0;
    uint32_t mTime = 0;
};
