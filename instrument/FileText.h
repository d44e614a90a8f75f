// Whole-file text reads and writes for the plug-in's small files beside its library.
#pragma once

#include <string>

// The file's bytes; false (text unchanged) when it cannot be opened or read.
bool ReadFileText(const std::string& path, std::string* text);

// Replaces the file with text: written beside it first and renamed over it, so a failed write leaves
// the old file as it was. True when the file holds text.
bool WriteFileText(const std::string& path, const std::string& text);
