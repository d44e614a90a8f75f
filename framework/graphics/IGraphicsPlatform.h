// The editor of this platform: the X11 child window on Linux, the Win32 child window on Windows.
#pragma once

#include "framework/graphics/IGraphics.h"

// Plug-in constructor, under the plug-in lock; allocates. The editor draws into memory until the host
// opens its window.
IGraphics* MakePlatformGraphics(IPlugBase* plug, int width, int height, int fps);
