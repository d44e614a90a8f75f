// The instrument's editor builders (KT4REditorBuilder): the panel in this platform's window, or in
// an editor without a window for tests and the command-line host.
#pragma once

#include "instrument/KT4RView.h"

// Plug-in constructor, under the plug-in lock; allocate.
IGraphics* BuildPlatformEditor(KT4R& plug, KT4RView** view);
IGraphics* BuildHeadlessEditor(KT4R& plug, KT4RView** view);
