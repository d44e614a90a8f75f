// A plain-parameter program file as other hosts write it: the 56-byte header ("FxCk"), then the
// 70 values as big-endian floats. The plug-in never writes one; the tests need them as input.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

namespace kt4r_test {

inline void PutBig32(std::vector<uint8_t>* b, size_t at, uint32_t v)
{
    for (size_t i = 0; i < 4; ++i)
        (*b)[at + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

inline void PutText(std::vector<uint8_t>* b, size_t at, const char* text)
{
    std::memcpy(b->data() + at, text, std::strlen(text));
}

// Value i is first + i / 1000.
inline std::vector<uint8_t> PlainProgramFile(const char* name, float first)
{
    std::vector<uint8_t> b(56 + 4 * 70, 0);
    PutText(&b, 0, "CcnK");
    PutBig32(&b, 4, static_cast<uint32_t>(b.size() - 8));
    PutText(&b, 8, "FxCk");
    PutBig32(&b, 12, 1);
    PutText(&b, 16, "KT4R");
    PutBig32(&b, 20, 20012);
    PutBig32(&b, 24, 70);
    PutText(&b, 28, name);
    for (size_t i = 0; i < 70; ++i) {
        const float v = first + static_cast<float>(i) / 1000.0f;
        uint32_t bits = 0;
        std::memcpy(&bits, &v, 4);
        PutBig32(&b, 56 + 4 * i, bits);
    }
    return b;
}

} // namespace kt4r_test
