#include "framework/plugin/IStateChunk.h"

#include <cstring>

void IStateChunk::Resize(int size)
{
    mBytes.resize(size > 0 ? static_cast<size_t>(size) : 0u, 0);
}

bool IStateChunk::PutBytes(const void* data, int size)
{
    if (size < 0 || (size > 0 && !data))
        return false;
    const auto* p = static_cast<const uint8_t*>(data);
    mBytes.insert(mBytes.end(), p, p + size);
    return true;
}

bool IStateChunk::PutStr(const std::string& s)
{
    const auto n = static_cast<int32_t>(s.size());
    return PutInt32(n) && PutBytes(s.data(), n);
}

int IStateChunk::GetBytes(void* out, int size, int pos) const
{
    if (pos < 0 || size < 0)
        return -1;
    if (static_cast<size_t>(pos) + static_cast<size_t>(size) > mBytes.size())
        return -1;
    if (size > 0)
        std::memcpy(out, mBytes.data() + pos, static_cast<size_t>(size));
    return pos + size;
}

int IStateChunk::GetStr(std::string* s, int pos) const
{
    int32_t n = 0;
    const int next = GetInt32(&n, pos);
    if (next < 0 || n < 0 || static_cast<size_t>(next) + static_cast<size_t>(n) > mBytes.size())
        return -1;
    s->assign(reinterpret_cast<const char*>(mBytes.data() + next), static_cast<size_t>(n));
    return next + n;
}
