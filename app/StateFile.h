// The file that keeps the application's whole state between runs: the plug-in's bank chunk, byte for
// byte. Written through a temporary file and a rename, so that a crash leaves the old file or the new
// one, never half of one; a file the plug-in cannot read is moved aside, never overwritten.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace state_file {

// $XDG_CONFIG_HOME/KT-4R/standalone.state ($HOME/.config when XDG_CONFIG_HOME is unset or relative).
std::string DefaultPath();

enum class ReadResult { kRead, kMissing, kFailed };
// The file's bytes; kFailed with a message when it exists but cannot be read.
ReadResult Read(const std::string& path, std::vector<uint8_t>* bytes, std::string* error);

// Writes bytes to path.tmp-PID, flushes it to the disk and renames it over path; makes the folder when
// missing. False with a message (and path untouched) on failure.
bool WriteAtomically(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error);

// Moves path to the first free name of path.damaged, path.damaged-2, ...; the new name, or empty with
// a message when it could not be moved.
std::string SetAside(const std::string& path, std::string* error);

} // namespace state_file
