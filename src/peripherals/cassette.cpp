#include "peripherals/cassette.h"

#include <algorithm>
#include <cstring>

TCassetteStream::TCassetteStream(std::uint8_t* buffer, std::int64_t size) : buffer(buffer), size(size) {}

std::int64_t TCassetteStream::Read(std::uint8_t* destination, std::int64_t count)
{
    const std::int64_t taken = std::clamp<std::int64_t>(count, 0, size - position);
    if (taken > 0) {
        std::memcpy(destination, buffer + position, static_cast<std::size_t>(taken));
        position += taken;
    }
    return taken;
}

std::int64_t TCassetteStream::Write(const std::uint8_t* source, std::int64_t count)
{
    const std::int64_t taken = std::clamp<std::int64_t>(count, 0, size - position);
    if (taken > 0) {
        std::memcpy(buffer + position, source, static_cast<std::size_t>(taken));
        position += taken;
    }
    return taken;
}

std::int64_t TCassetteStream::GetPosition()
{
    return position;
}

std::int64_t TCassetteStream::GetSize()
{
    return size;
}
