// The desktop's text resolution on X11: what the desktop asks fonts to be drawn at.
#pragma once

struct _XDisplay;

// The value of "Xft.dpi" in an X resource string (the lines "name:\tvalue" that xrdb keeps on the root
// window); 0 when resources is null or holds no positive number for it.
double XftDpiFromResources(const char* resources);

// Editor thread. The desktop's dots per inch: "Xft.dpi" when the desktop sets it, else the default
// screen's size in pixels over its size in millimetres, as Xft itself falls back to; 96 when neither
// is known.
double DesktopDpi(_XDisplay* display);
