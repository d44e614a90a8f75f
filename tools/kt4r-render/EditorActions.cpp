#include "tools/kt4r-render/EditorActions.h"

#include <cstdio>

#include "tools/kt4r-render/PluginHost.h"

namespace {

// Reads exactly `count` comma-separated integers.
bool ReadInts(const std::string& text, int count, int* values)
{
    size_t pos = 0;
    for (int i = 0; i < count; ++i) {
        int consumed = 0;
        if (std::sscanf(text.c_str() + pos, "%d%n", &values[i], &consumed) != 1)
            return false;
        pos += static_cast<size_t>(consumed);
        if (i + 1 < count) {
            if (pos >= text.size() || text[pos] != ',')
                return false;
            ++pos;
        }
    }
    return pos == text.size();
}

vst::EditorMouseAction Event(vst::EditorMouseKind kind, int x, int y, int modifiers, int delta = 0)
{
    return vst::EditorMouseAction{kind, x, y, modifiers, delta};
}

} // namespace

bool IsEditorAction(const std::string& option)
{
    for (const char* name : {"--click", "--rclick", "--dblclick", "--hover", "--drag", "--wheel"}) {
        if (option == name)
            return true;
    }
    return false;
}

bool ParseEditorAction(const std::string& option, const std::string& value, std::vector<EditorGesture>* out,
                       std::string* error)
{
    int v[4] = {};
    auto bad = [&](const char* form) {
        *error = option + " wants " + form + ", got \"" + value + "\"";
        return false;
    };
    if (option == "--click" || option == "--rclick" || option == "--dblclick" || option == "--hover") {
        if (!ReadInts(value, 2, v))
            return bad("X,Y");
        // The pointer comes to the control before it presses, as a mouse does.
        EditorGesture g{Event(vst::kMouseOver, v[0], v[1], 0)};
        if (option == "--dblclick") {
            g.push_back(Event(vst::kMouseDoubleClick, v[0], v[1], vst::kModLeft));
            g.push_back(Event(vst::kMouseUp, v[0], v[1], vst::kModLeft));
        } else if (option != "--hover") {
            const int button = option == "--rclick" ? vst::kModRight : vst::kModLeft;
            g.push_back(Event(vst::kMouseDown, v[0], v[1], button));
            g.push_back(Event(vst::kMouseUp, v[0], v[1], button));
        }
        out->push_back(g);
        return true;
    }
    if (option == "--drag") {
        if (!ReadInts(value, 4, v))
            return bad("X,Y,DX,DY");
        out->push_back({Event(vst::kMouseOver, v[0], v[1], 0), Event(vst::kMouseDown, v[0], v[1], vst::kModLeft),
                        Event(vst::kMouseDrag, v[0] + v[2], v[1] + v[3], vst::kModLeft),
                        Event(vst::kMouseUp, v[0] + v[2], v[1] + v[3], vst::kModLeft)});
        return true;
    }
    if (option == "--wheel") {
        if (!ReadInts(value, 3, v))
            return bad("X,Y,N");
        out->push_back({Event(vst::kMouseOver, v[0], v[1], 0), Event(vst::kMouseWheel, v[0], v[1], 0, v[2])});
        return true;
    }
    *error = "unknown editor action " + option;
    return false;
}

bool SetEditorScale(PluginHost& host, double scale, std::string* error)
{
    if (host.Dispatch(vst::effVendorSpecific, vst::kVendorEditorScale, 0, nullptr, static_cast<float>(scale)) != 1) {
        *error = "the plug-in has no editor to draw at that scale";
        return false;
    }
    return true;
}

bool RunEditorGestures(PluginHost& host, const std::vector<EditorGesture>& gestures, std::string* error)
{
    for (const EditorGesture& gesture : gestures) {
        for (vst::EditorMouseAction action : gesture) {
            if (host.Dispatch(vst::effVendorSpecific, vst::kVendorEditorMouse, 0, &action) != 1) {
                *error = "the plug-in has no editor to drive";
                return false;
            }
        }
    }
    return true;
}

bool WriteEditorPicture(PluginHost& host, const std::string& path, std::string* error)
{
    std::string text = path;
    if (host.Dispatch(vst::effVendorSpecific, vst::kVendorEditorPng, 0, text.data()) != 1) {
        *error = "the plug-in could not write its panel to " + path;
        return false;
    }
    return true;
}
