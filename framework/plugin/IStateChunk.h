// A growable little-endian byte buffer for host state, program slots and the plug-in's files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Appends grow the buffer; every read takes a position and answers the position after the value, or
// -1 when the value would run past the end (the target is then left unchanged). A negative position
// answers -1 as well, so a chain of reads stops at the first failure.
class IStateChunk {
public:
    IStateChunk() = default;
    IStateChunk(const IStateChunk&) = default;
    IStateChunk& operator=(const IStateChunk&) = default;
    IStateChunk(IStateChunk&&) noexcept = default;
    IStateChunk& operator=(IStateChunk&&) noexcept = default;

    int Size() const { return static_cast<int>(mBytes.size()); }
    const uint8_t* Data() const { return mBytes.data(); }
    uint8_t* Data() { return mBytes.data(); }
    void Clear() { mBytes.clear(); }
    void Resize(int size); // new bytes are zero
    // Room for size bytes, so appends up to that size (and copies into this buffer) do not allocate.
    void Reserve(int size) { mBytes.reserve(static_cast<size_t>(size > 0 ? size : 0)); }

    bool PutBytes(const void* data, int size);
    bool PutInt8(uint8_t v) { return PutBytes(&v, 1); }
    bool PutInt32(int32_t v) { return PutBytes(&v, 4); }
    bool PutInt64(int64_t v) { return PutBytes(&v, 8); }
    bool PutFloat(float v) { return PutBytes(&v, 4); }
    bool PutDouble(double v) { return PutBytes(&v, 8); }
    // A string is a 32-bit length followed by that many bytes, without terminator.
    bool PutStr(const std::string& s);

    int GetBytes(void* out, int size, int pos) const;
    int GetInt8(uint8_t* v, int pos) const { return GetBytes(v, 1, pos); }
    int GetInt32(int32_t* v, int pos) const { return GetBytes(v, 4, pos); }
    int GetInt64(int64_t* v, int pos) const { return GetBytes(v, 8, pos); }
    int GetFloat(float* v, int pos) const { return GetBytes(v, 4, pos); }
    int GetDouble(double* v, int pos) const { return GetBytes(v, 8, pos); }
    int GetStr(std::string* s, int pos) const;

    bool operator==(const IStateChunk& other) const { return mBytes == other.mBytes; }

private:
    static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the chunk layout is the machine's little-endian one");
    std::vector<uint8_t> mBytes;
};
