// The plug-in's program and bank files: a VST2 program or bank file header (big-endian fields) in
// front of an opaque state chunk, and the plain-parameter program file that other hosts write.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kt4r {

inline constexpr int kPatchFileParams = 70;
inline constexpr size_t kProgramFileHeaderBytes = 60;
inline constexpr size_t kBankFileHeaderBytes = 160;
inline constexpr size_t kProgramNameFieldBytes = 28;
// 2.0.12 stored as (major * 100 + minor) * 100 + patch.
inline constexpr int32_t kPatchFilePluginVersion = 20012;
// A bank of 129 programs is about a third of a megabyte; anything past this is not ours.
inline constexpr size_t kMaxPatchFileBytes = size_t{16} << 20;

// What a program file carries: either the plug-in's state chunk ("FPCh") or 70 normalised
// parameter values ("FxCk", clamped to 0..1), and the name from its 28-byte name field.
struct ProgramFile {
    bool hasChunk = false;
    std::string name;
    std::vector<uint8_t> chunk;
    std::array<float, kPatchFileParams> values{};
};

// The 60-byte program header and the chunk. A name of more than 27 bytes is cut to 27 (never inside
// a UTF-8 character) so the field always ends in a zero. Empty when the chunk is empty or too large to declare.
std::vector<uint8_t> BuildProgramFile(std::string_view name, std::span<const uint8_t> chunk);
// The 160-byte bank header and the chunk; the header declares one program and currentProgram.
// Empty under the same conditions.
std::vector<uint8_t> BuildBankFile(std::span<const uint8_t> chunk, int32_t currentProgram = 0);

// Accepts a program file whose magic, format version 1, unique id and parameter count 70 match and
// that holds everything it declares: the chunk (non-empty) or the 70 finite floats. Anything else
// answers false and leaves out untouched.
bool ParseProgramFile(std::span<const uint8_t> file, ProgramFile* out);
// Accepts a bank file with the chunk magic, the bank kind "FBCh" and the unique id, holding a
// non-empty chunk as long as it declares; a bank of plain programs is refused. Sets chunk only on success.
bool ParseBankFile(std::span<const uint8_t> file, std::vector<uint8_t>* chunk);

// Whole-file reads refuse files larger than maxBytes; writes go to a temporary file renamed over the
// target, so a failed write leaves an existing file as it was. An empty path fails.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes, size_t maxBytes = kMaxPatchFileBytes);
bool WriteWholeFile(const std::string& path, std::span<const uint8_t> bytes);

bool ReadProgramFile(const std::string& path, ProgramFile* out);
bool ReadBankFile(const std::string& path, std::vector<uint8_t>* chunk);
bool WriteProgramFile(const std::string& path, std::string_view name, std::span<const uint8_t> chunk);
bool WriteBankFile(const std::string& path, std::span<const uint8_t> chunk, int32_t currentProgram = 0);

} // namespace kt4r
