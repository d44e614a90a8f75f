// Until this platform's window layer is part of the framework, the plug-in's editor draws into
// memory only: the host sees an editor it cannot open, and the vendor opcodes still drive it.
#include "framework/IGraphicsHeadless.h"
#include "framework/IGraphicsPlatform.h"

IGraphics* MakePlatformGraphics(IPlugBase* plug, int width, int height, int fps)
{
    return new IGraphicsHeadless(plug, width, height, fps);
}
