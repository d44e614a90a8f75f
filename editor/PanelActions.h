// What the panel's controls start in the instrument beyond a parameter change: learning a controller
// from a right click, the program menu, and the LOAD and SAVE flows with their menu and file dialogs.
// Editor thread; each instrument call takes the plug-in lock itself.
#pragma once

#include "framework/graphics/IRect.h"

class IGraphics;
class KT4R;

// Right click on the control of id: the learn page opens and id becomes the learn target.
void StartLearning(KT4R& plug, int id);

// The program menu below rect: four sub-menus of 32 programs, then "Rotate Banks" unless WRITE is
// armed. A program chosen is loaded, or written when WRITE is armed.
void RunProgramMenu(KT4R& plug, IGraphics& graphics, const IRECT& rect);

// LOAD: the open dialog in the preset folder; the chosen file is loaded by its extension. A file that
// loads nothing is reported in a message box.
void RunLoadFlow(KT4R& plug, IGraphics& graphics);

// SAVE: the menu of file kinds below rect, then the save dialog for the kind chosen.
void RunSaveFlow(KT4R& plug, IGraphics& graphics, const IRECT& rect);
