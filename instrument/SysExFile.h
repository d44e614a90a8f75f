// SysEx files (".syx"): one program dump of the edit buffer, or a run of stored programs, each dump
// followed by the write request that places it; built and read back at the byte level.
#pragma once

#include "instrument/SysExCodec.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kt4r {

struct SysExProgram {
    std::array<double, kPatchParamCount> values{}; // normalised, by id
    std::string name;
};

// A program read from a file and the program it is stored into (1-128), 0 when the file leaves it in
// the edit buffer only.
struct SysExFileProgram {
    int slot = 0;
    SysExProgram program;
};

// The single-program file: the program dump of the edit buffer (67 bytes).
std::vector<uint8_t> BuildSysExProgramFile(const SysExCodec& codec, const SysExProgram& program);
// The bank file: for program k (from 0) its stored-program dump, then the write request with program
// byte k; 78 bytes a program. Programs beyond 128 are left out.
std::vector<uint8_t> BuildSysExBankFile(const SysExCodec& codec, std::span<const SysExProgram> programs);

// The programs a file places, in file order, as the codec reads them: a dump starts from the default
// patch (the extended dump from what came before), parameter messages edit it, a write request stores
// it. What is left in the edit buffer unstored at the end comes last, with slot 0. Restoring a stored
// slot (a mode message) needs the instrument's programs and is left out. Unrecognised bytes give nothing.
std::vector<SysExFileProgram> ParseSysExFile(SysExCodec& codec, std::span<const uint8_t> bytes);

// The whole file; false (and nothing read) when it cannot be read.
bool ReadSysExFile(const std::string& path, std::vector<uint8_t>& bytes);
// Writes the bytes as the whole file; false when it cannot be written in full.
bool WriteSysExFile(const std::string& path, std::span<const uint8_t> bytes);

} // namespace kt4r
