#include "compression/stream.h"

#include <algorithm>
#include <cstring>

TMemoryStream::TMemoryStream(std::vector<std::uint8_t> contents) : data(std::move(contents)) {}

std::int64_t TMemoryStream::Read(std::uint8_t* buffer, std::int64_t count)
{
    const std::int64_t available = static_cast<std::int64_t>(data.size()) - position;
    const std::int64_t taken = std::clamp<std::int64_t>(count, 0, std::max<std::int64_t>(available, 0));
    if (taken > 0) {
        std::memcpy(buffer, data.data() + position, static_cast<std::size_t>(taken));
        position += taken;
    }
    return taken;
}

std::int64_t TMemoryStream::Write(const std::uint8_t* buffer, std::int64_t count)
{
    if (count <= 0) {
        return 0;
    }
    const std::int64_t end = position + count;
    if (end > static_cast<std::int64_t>(data.size())) {
        // A compressed tape arrives in thousands of small writes. Growing four-fold
        // takes few, large steps, whose memory the allocator hands out again on the
        // next save instead of fresh pages, which cost more than all the copying.
        if (static_cast<std::size_t>(end) > data.capacity()) {
            data.reserve(std::max(static_cast<std::size_t>(end), 4 * data.capacity()));
        }
        data.resize(static_cast<std::size_t>(end));
    }
    std::memcpy(data.data() + position, buffer, static_cast<std::size_t>(count));
    position = end;
    return count;
}

std::int64_t TMemoryStream::GetPosition()
{
    return position;
}

std::int64_t TMemoryStream::GetSize()
{
    return static_cast<std::int64_t>(data.size());
}

void TMemoryStream::SetPosition(std::int64_t newPosition)
{
    position = std::clamp<std::int64_t>(newPosition, 0, static_cast<std::int64_t>(data.size()));
}
