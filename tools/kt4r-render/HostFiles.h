// What a host does with the plug-in's files: hands the chunk of a program or bank file to the
// plug-in, wraps the plug-in's chunks in those files, and plays a SysEx file's messages into it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "tools/kt4r-render/PluginHost.h"

// The plug-in's program (index 1) or bank (index 0) chunk; empty when it gives none.
std::vector<uint8_t> GetPluginChunk(PluginHost& host, bool program);
// effSetChunk; true when the plug-in accepted the bytes.
bool SetPluginChunk(PluginHost& host, bool program, std::span<const uint8_t> bytes);

// A program file with a chunk goes to the program chunk entry; a plain program file sets the 70
// parameters. Either way the file's name becomes the program's name.
bool LoadPresetFile(PluginHost& host, const std::string& path, std::string* error);
bool LoadBankFile(PluginHost& host, const std::string& path, std::string* error);
bool SavePresetFile(PluginHost& host, const std::string& path, std::string* error);
bool SaveBankFile(PluginHost& host, const std::string& path, std::string* error);

// The complete F0..F7 messages of a byte stream, in order. Bytes outside a message are skipped; a
// message cut short by a new F0 or by the end of the data is dropped.
std::vector<std::vector<uint8_t>> SplitSysEx(std::span<const uint8_t> bytes);
// Reads a .syx file and queues each of its messages as one SysEx event at frame 0.
bool QueueSysExFile(PluginHost& host, const std::string& path, std::string* error);
