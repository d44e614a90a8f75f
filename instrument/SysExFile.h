// SysEx files (".syx"): one program dump of the edit buffer, or a run of stored programs, each dump
// followed by the write request that places it. They are built here; a file's bytes are read by the
// instrument's SysEx receiver (SysExCodec::Receive), as if the hardware had sent them.
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

// The single-program file: the program dump of the edit buffer (67 bytes).
std::vector<uint8_t> BuildSysExProgramFile(const SysExCodec& codec, const SysExProgram& program);
// The bank file: for program k (from 0) its stored-program dump, then the write request with program
// byte k; 78 bytes a program. Programs beyond 128 are left out.
std::vector<uint8_t> BuildSysExBankFile(const SysExCodec& codec, std::span<const SysExProgram> programs);

// The whole file; false (and nothing read) when it cannot be read.
bool ReadSysExFile(const std::string& path, std::vector<uint8_t>& bytes);
// Writes the bytes as the whole file; false when it cannot be written in full.
bool WriteSysExFile(const std::string& path, std::span<const uint8_t> bytes);

} // namespace kt4r
