#include "app/MessageRing.h"

#include <cstring>

namespace {

size_t RoundUpToPowerOfTwo(size_t n)
{
    size_t size = 64;
    while (size < n)
        size <<= 1;
    return size;
}

} // namespace

MessageRing::MessageRing(size_t capacityBytes)
    : mSize(RoundUpToPowerOfTwo(capacityBytes)), mMask(mSize - 1), mBytes(new uint8_t[mSize]())
{
}

void MessageRing::CopyIn(size_t at, const uint8_t* bytes, size_t size) noexcept
{
    const size_t start = at & mMask;
    const size_t first = size < mSize - start ? size : mSize - start;
    std::memcpy(mBytes.get() + start, bytes, first);
    std::memcpy(mBytes.get(), bytes + first, size - first);
}

void MessageRing::CopyOut(size_t at, uint8_t* out, size_t size) const noexcept
{
    const size_t start = at & mMask;
    const size_t first = size < mSize - start ? size : mSize - start;
    std::memcpy(out, mBytes.get() + start, first);
    std::memcpy(out + first, mBytes.get(), size - first);
}

bool MessageRing::Push(uint32_t stamp, const uint8_t* bytes, size_t size) noexcept
{
    const size_t write = mWrite.load(std::memory_order_relaxed);
    const size_t read = mRead.load(std::memory_order_acquire);
    if (size == 0 || size > UINT32_MAX || kHeader + size > mSize - (write - read)) {
        mDropped.fetch_add(1, std::memory_order_relaxed);
        return false;
    }
    const uint32_t header[2] = {stamp, static_cast<uint32_t>(size)};
    CopyIn(write, reinterpret_cast<const uint8_t*>(header), kHeader);
    CopyIn(write + kHeader, bytes, size);
    mWrite.store(write + kHeader + size, std::memory_order_release);
    return true;
}

size_t MessageRing::Peek(uint32_t* stamp) const noexcept
{
    const size_t read = mRead.load(std::memory_order_relaxed);
    if (mWrite.load(std::memory_order_acquire) == read)
        return 0;
    uint32_t header[2];
    CopyOut(read, reinterpret_cast<uint8_t*>(header), kHeader);
    if (stamp)
        *stamp = header[0];
    return header[1];
}

size_t MessageRing::Pop(uint32_t* stamp, uint8_t* out, size_t room) noexcept
{
    const size_t size = Peek(stamp);
    if (size == 0)
        return 0;
    const size_t read = mRead.load(std::memory_order_relaxed);
    CopyOut(read + kHeader, out, size < room ? size : room);
    mRead.store(read + kHeader + size, std::memory_order_release);
    return size;
}
