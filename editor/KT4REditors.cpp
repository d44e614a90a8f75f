#include "editor/KT4REditors.h"

#include "editor/KT4RPanel.h"
#include "framework/graphics/IGraphicsHeadless.h"
#include "framework/graphics/IGraphicsPlatform.h"
#include "instrument/KT4R.h"

IGraphics* BuildPlatformEditor(KT4R& plug, KT4RView** view)
{
    return KT4RPanel::Build(plug, MakePlatformGraphics(&plug, panel::kWidth, panel::kHeight, panel::kFramesPerSecond),
                            view);
}

IGraphics* BuildHeadlessEditor(KT4R& plug, KT4RView** view)
{
    return KT4RPanel::Build(plug, new IGraphicsHeadless(&plug, panel::kWidth, panel::kHeight, panel::kFramesPerSecond),
                            view);
}
