#pragma once

#include <cstdint>
#include <vector>

// A byte stream as the compressor sees it. Counts are 64-bit so that a failure
// can be told apart from a short read: a negative answer means the stream failed.
class TStream {
public:
    virtual ~TStream() = default;

    // Reads up to count bytes; fewer at the end of the stream, negative on failure.
    virtual std::int64_t Read(std::uint8_t* buffer, std::int64_t count) = 0;
    // Writes up to count bytes; fewer when the stream cannot take them all.
    virtual std::int64_t Write(const std::uint8_t* buffer, std::int64_t count) = 0;
    virtual std::int64_t GetPosition() = 0;
    virtual std::int64_t GetSize() = 0;
};

// A stream over a growing buffer that it owns.
class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::vector<std::uint8_t> contents);

    std::int64_t Read(std::uint8_t* buffer, std::int64_t count) override;
    std::int64_t Write(const std::uint8_t* buffer, std::int64_t count) override;
    std::int64_t GetPosition() override;
    std::int64_t GetSize() override;

    void SetPosition(std::int64_t newPosition);
    const std::vector<std::uint8_t>& GetData() const { return data; }

private:
    std::vector<std::uint8_t> data;
    std::int64_t position = 0;
};
