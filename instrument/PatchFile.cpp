#include "instrument/PatchFile.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

namespace kt4r {

namespace {

constexpr uint32_t FourCC(const char (&code)[5])
{
    return static_cast<uint32_t>(static_cast<uint8_t>(code[0])) << 24 |
           static_cast<uint32_t>(static_cast<uint8_t>(code[1])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(code[2])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(code[3]));
}

constexpr uint32_t kChunkMagic = FourCC("CcnK");
constexpr uint32_t kProgramWithChunk = FourCC("FPCh");
constexpr uint32_t kPlainProgram = FourCC("FxCk");
constexpr uint32_t kBankWithChunk = FourCC("FBCh");
constexpr uint32_t kUniqueId = FourCC("KT4R");
constexpr uint32_t kProgramFormatVersion = 1;
constexpr uint32_t kBankFormatVersion = 2;

// Header offsets shared by both files.
constexpr size_t kMagicAt = 0, kByteSizeAt = 4, kKindAt = 8, kFormatAt = 12, kIdAt = 16, kVersionAt = 20, kCountAt = 24,
                 kNameAt = 28;
constexpr size_t kProgramChunkSizeAt = 56, kPlainValuesAt = 56;
constexpr size_t kBankCurrentAt = 28, kBankChunkSizeAt = 156;

void PutBig32(std::vector<uint8_t>* out, size_t at, uint32_t v)
{
    for (size_t i = 0; i < 4; ++i)
        (*out)[at + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

uint32_t Big32(std::span<const uint8_t> in, size_t at)
{
    return static_cast<uint32_t>(in[at]) << 24 | static_cast<uint32_t>(in[at + 1]) << 16 |
           static_cast<uint32_t>(in[at + 2]) << 8 | static_cast<uint32_t>(in[at + 3]);
}

// The fields both headers begin with; the file is sized header + chunk and zero-filled.
std::vector<uint8_t> StartFile(size_t headerBytes, uint32_t kind, uint32_t format, uint32_t count,
                               std::span<const uint8_t> chunk, size_t chunkSizeAt)
{
    // The parser refuses a file without a chunk, so none is written.
    if (chunk.empty() || chunk.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max()) - headerBytes)
        return {};
    std::vector<uint8_t> file(headerBytes + chunk.size(), 0);
    PutBig32(&file, kMagicAt, kChunkMagic);
    PutBig32(&file, kByteSizeAt, static_cast<uint32_t>(file.size() - 8));
    PutBig32(&file, kKindAt, kind);
    PutBig32(&file, kFormatAt, format);
    PutBig32(&file, kIdAt, kUniqueId);
    PutBig32(&file, kVersionAt, kPatchFilePluginVersion);
    PutBig32(&file, kCountAt, count);
    PutBig32(&file, chunkSizeAt, static_cast<uint32_t>(chunk.size()));
    std::copy(chunk.begin(), chunk.end(), file.begin() + static_cast<std::ptrdiff_t>(headerBytes));
    return file;
}

// The chunk that follows a chunk size at sizeAt; empty when the size is zero, negative or runs
// past the end of the file. Bytes after the declared chunk are not part of it.
std::span<const uint8_t> DeclaredChunk(std::span<const uint8_t> file, size_t sizeAt)
{
    const uint32_t size = Big32(file, sizeAt);
    const size_t start = sizeAt + 4;
    if (size > static_cast<uint32_t>(std::numeric_limits<int32_t>::max()) || size > file.size() - start)
        return {};
    return file.subspan(start, size);
}

// The name field up to its first zero.
std::string NameField(std::span<const uint8_t> file)
{
    const auto field = file.subspan(kNameAt, kProgramNameFieldBytes);
    const auto end = std::find(field.begin(), field.end(), uint8_t{0});
    return std::string(field.begin(), end);
}

} // namespace

std::vector<uint8_t> BuildProgramFile(std::string_view name, std::span<const uint8_t> chunk)
{
    std::vector<uint8_t> file = StartFile(kProgramFileHeaderBytes, kProgramWithChunk, kProgramFormatVersion,
                                          kPatchFileParams, chunk, kProgramChunkSizeAt);
    if (file.empty())
        return file;
    size_t length = std::min(name.size(), kProgramNameFieldBytes - 1);
    // Back off UTF-8 continuation bytes so the cut does not split a character.
    if (length < name.size()) {
        while (length > 0 && (static_cast<uint8_t>(name[length]) & 0xC0) == 0x80)
            --length;
    }
    std::copy_n(name.begin(), length, file.begin() + kNameAt);
    return file;
}

std::vector<uint8_t> BuildBankFile(std::span<const uint8_t> chunk, int32_t currentProgram)
{
    std::vector<uint8_t> file =
        StartFile(kBankFileHeaderBytes, kBankWithChunk, kBankFormatVersion, 1, chunk, kBankChunkSizeAt);
    if (!file.empty())
        PutBig32(&file, kBankCurrentAt, static_cast<uint32_t>(currentProgram));
    return file;
}

bool ParseProgramFile(std::span<const uint8_t> file, ProgramFile* out)
{
    if (!out || file.size() < kProgramFileHeaderBytes)
        return false;
    // The byte size and the plug-in version are not checked: other hosts fill them loosely.
    if (Big32(file, kMagicAt) != kChunkMagic || Big32(file, kFormatAt) != kProgramFormatVersion ||
        Big32(file, kIdAt) != kUniqueId || Big32(file, kCountAt) != kPatchFileParams)
        return false;
    const uint32_t kind = Big32(file, kKindAt);
    if (kind == kProgramWithChunk) {
        const auto chunk = DeclaredChunk(file, kProgramChunkSizeAt);
        if (chunk.empty())
            return false;
        out->hasChunk = true;
        out->chunk.assign(chunk.begin(), chunk.end());
    } else if (kind == kPlainProgram) {
        if (file.size() < kPlainValuesAt + 4 * kPatchFileParams)
            return false;
        std::array<float, kPatchFileParams> values{};
        for (size_t i = 0; i < values.size(); ++i) {
            const float v = std::bit_cast<float>(Big32(file, kPlainValuesAt + 4 * i));
            if (!std::isfinite(v))
                return false;
            values[i] = std::clamp(v, 0.0f, 1.0f);
        }
        out->hasChunk = false;
        out->chunk.clear();
        out->values = values;
    } else {
        return false;
    }
    out->name = NameField(file);
    return true;
}

bool ParseBankFile(std::span<const uint8_t> file, std::vector<uint8_t>* chunk)
{
    if (!chunk || file.size() < kBankFileHeaderBytes)
        return false;
    // The format version and the program count are not checked: the real programs are in the chunk.
    if (Big32(file, kMagicAt) != kChunkMagic || Big32(file, kKindAt) != kBankWithChunk ||
        Big32(file, kIdAt) != kUniqueId)
        return false;
    const auto declared = DeclaredChunk(file, kBankChunkSizeAt);
    if (declared.empty())
        return false;
    chunk->assign(declared.begin(), declared.end());
    return true;
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes, size_t maxBytes)
{
    if (path.empty() || !bytes)
        return false;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    // Read in pieces rather than trusting a reported size, so pipes and devices are capped too.
    std::vector<uint8_t> data;
    uint8_t piece[65536];
    bool ok = true;
    for (;;) {
        const size_t got = std::fread(piece, 1, sizeof piece, file);
        if (data.size() + got > maxBytes) {
            ok = false;
            break;
        }
        data.insert(data.end(), piece, piece + got);
        if (got < sizeof piece) {
            ok = !std::ferror(file);
            break;
        }
    }
    std::fclose(file);
    if (ok)
        bytes->swap(data);
    return ok;
}

namespace {

// Moves from over to, replacing it in one step, so a reader sees the old file or the new one and never
// a part of either. POSIX rename replaces; the Windows C runtime's refuses an existing target.
bool ReplaceWith(const std::string& from, const std::string& to)
{
#ifdef _WIN32
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
    return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

// A temporary name beside path that no other writer uses: instances of the plug-in, in one process or
// several, may write the same file at once.
std::string TemporaryNameFor(const std::string& path)
{
    static thread_local std::mt19937_64 random{std::random_device{}()};
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, ".%016llx", static_cast<unsigned long long>(random()));
    return path + suffix + ".part";
}

} // namespace

bool WriteWholeFile(const std::string& path, std::span<const uint8_t> bytes)
{
    if (path.empty())
        return false;
    const std::string temporary = TemporaryNameFor(path);
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    ok = std::fclose(file) == 0 && ok;
    ok = ok && ReplaceWith(temporary, path);
    if (!ok)
        std::remove(temporary.c_str());
    return ok;
}

bool ReadProgramFile(const std::string& path, ProgramFile* out)
{
    std::vector<uint8_t> bytes;
    return ReadWholeFile(path, &bytes) && ParseProgramFile(bytes, out);
}

bool ReadBankFile(const std::string& path, std::vector<uint8_t>* chunk)
{
    std::vector<uint8_t> bytes;
    return ReadWholeFile(path, &bytes) && ParseBankFile(bytes, chunk);
}

bool WriteProgramFile(const std::string& path, std::string_view name, std::span<const uint8_t> chunk)
{
    const std::vector<uint8_t> file = BuildProgramFile(name, chunk);
    return !file.empty() && WriteWholeFile(path, file);
}

bool WriteBankFile(const std::string& path, std::span<const uint8_t> chunk, int32_t currentProgram)
{
    const std::vector<uint8_t> file = BuildBankFile(chunk, currentProgram);
    return !file.empty() && WriteWholeFile(path, file);
}

} // namespace kt4r
