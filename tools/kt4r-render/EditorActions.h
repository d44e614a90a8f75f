// Mouse actions on the plug-in's editor, given on the command line, and the requests that carry them
// to the plug-in (its vendor-specific editor opcodes: no window is opened).
#pragma once

#include <string>
#include <vector>

#include "framework/vst2/VstAbi.h"

class PluginHost;

// The window events one command-line action stands for.
using EditorGesture = std::vector<vst::EditorMouseAction>;

// "--click X,Y", "--rclick X,Y", "--dblclick X,Y", "--hover X,Y", "--drag X,Y,DX,DY" (left button)
// and "--wheel X,Y,N" (N notches, up positive).
bool IsEditorAction(const std::string& option);
// Appends the gesture of one such option; false with a message when its value is malformed.
bool ParseEditorAction(const std::string& option, const std::string& value, std::vector<EditorGesture>* out,
                       std::string* error);

// Asks the plug-in to draw its panel at scale (1, 1.5 or 2) from now on.
bool SetEditorScale(PluginHost& host, double scale, std::string* error);

// Sends every event of every gesture; false with a message when the plug-in declines one.
bool RunEditorGestures(PluginHost& host, const std::vector<EditorGesture>& gestures, std::string* error);

// Asks the plug-in to draw its whole panel into a PNG at path.
bool WriteEditorPicture(PluginHost& host, const std::string& path, std::string* error);
