#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "compression/stream.h"

class TStateReader;
class TStateWriter;
class TZ80;

// A byte stream over the tape's buffer, which it neither owns, grows nor frees:
// the compressor reads the tape through it and the decompressor fills it.
class TCassetteStream : public TStream {
public:
    TCassetteStream(std::uint8_t* buffer, std::int64_t size);

    std::int64_t Read(std::uint8_t* destination, std::int64_t count) override;
    std::int64_t Write(const std::uint8_t* source, std::int64_t count) override;
    std::int64_t GetPosition() override;
    std::int64_t GetSize() override;

private:
    std::uint8_t* buffer;
    std::int64_t size;
    std::int64_t position = 0;
};

// The cassette recorder at the level of the signal: the tape is an array of
// one-bit samples. Tapes were first made with one sample per
// instructionsPerSample instructions of a machine that ran 600 060
// instructions a second; a sample keeps that length in real time, now counted
// in the processor's clock cycles (40 004, 60 006 or 120 012 samples a second). The
// output bit is recorded as whole runs when it changes; the input bit is read
// back from the sample under the head. The whole tape lives in memory and is
// stored compressed in a "QCS00" image.
//
// The host subclass shows the notifications (ShowError, AskUser) as message
// boxes; here they do nothing and every question is answered No.
class TCassette {
public:
    enum THeadState : std::uint8_t {
        Idle = 1,
        Reading = 2,
        WritingLow = 3,
        WritingHigh = 4,
    };

    // Samples in the longest tape there is, 45 minutes at Very High accuracy.
    static constexpr std::int32_t maximumTapeBits = 324000000;
    static constexpr std::uint8_t motorPort = 0xAA;
    static constexpr std::uint8_t controlPort = 0xAB;
    static constexpr std::uint8_t inputPort = 0xA2;

    TCassette();
    // Saves the tape to its image.
    virtual ~TCassette();
    TCassette(const TCassette&) = delete;
    TCassette& operator=(const TCassette&) = delete;

    // Loads the named image, or creates it as a blank tape of the given length
    // index (10, 15, 30, 45 minutes) and accuracy index (Normal, High, Very High).
    virtual void Open(const std::filesystem::path& name, std::uint8_t newLength, std::uint8_t newAccuracy);
    virtual void MotorOn();
    virtual void MotorOff();
    virtual void WriteBit(bool level);
    virtual bool ReadBit();
    virtual void Rewind();
    virtual void Seek(std::int32_t samples);
    virtual void RecordOn();
    virtual void RecordOff();

    // Port C of the PPI after every write of port AAh or ABh: bit 4 clear runs
    // the motor, bit 5 is the output level.
    void WritePort(std::uint8_t port, std::uint8_t value);
    // Port A2h: 80h while the motor runs and the tape is high, else 0.
    std::uint8_t ReadPort(std::uint8_t port);
    void SetZ80(TZ80* processor);

    bool Load(const std::filesystem::path& name);
    // Writes the image beside the old one and renames it over it only when complete.
    bool Save(const std::filesystem::path& name);

    // Writes the tape to its image when recording has changed it since it was
    // loaded or saved, so that the image holds what a state refers to.
    void FlushTape();
    // The tape's image with its length, accuracy and checksum, and the head:
    // position, motor, recording, what it did last. The tape itself stays in
    // its image.
    void SaveState(TStateWriter& record) const;
    // Opens the image the record names; false when it is missing or holds
    // another tape than the one the state was saved with.
    bool LoadState(TStateReader& record);

    bool IsRecording() const { return recording; }
    bool IsMotorOn() const { return motorOn; }
    bool IsReadOnly() const { return readOnly; }
    std::uint8_t GetLength() const { return length; }
    std::uint8_t GetAccuracy() const { return accuracy; }
    std::int32_t GetTapeBits() const { return tapeBits; }
    // The tape's length in minutes; 0 for a length index out of range.
    std::int32_t GetMinutes() const;
    std::int32_t GetPosition() const { return position; }
    std::int32_t GetInstructionsPerSample() const { return instructionsPerSample; }
    THeadState GetHeadState() const { return headState; }
    const std::filesystem::path& GetFileName() const { return fileName; }
    const std::vector<std::uint8_t>& GetTape() const { return tape; }

protected:
    // Notifications to the user: an OK box with a text and a caption, and a
    // Yes/No question that returns true for Yes.
    virtual void ShowError(const std::string& text, const std::string& caption);
    virtual bool AskUser(const std::string& text, const std::string& caption);

private:
    enum class TLoadResult { Loaded, Missing, Damaged };

    TLoadResult LoadImage(const std::filesystem::path& name);
    bool SaveImage(const std::filesystem::path& name);
    void ReportDamage(const std::string& reason);
    std::uint32_t SampleClock() const;
    void AdvanceHead();
    void Fill(std::int64_t from, std::int64_t to, bool level);
    bool ReadSample(std::int64_t sample);
    void WarnEndOfTape(const char* text);

    bool endWarned = false;
    TZ80* z80 = nullptr;
    std::filesystem::path fileName;
    bool motorOn = false;
    bool recording = false;
    THeadState headState = Idle;
    std::vector<std::uint8_t> tape;
    std::uint8_t length = 0;
    // No tape yet: no Open call matches it, so the first one always builds a tape.
    std::uint8_t accuracy = 0xFF;
    std::int32_t instructionsPerSample = 10;
    std::int32_t tapeBits = 0;
    std::int32_t position = 0;
    std::uint32_t motorStart = 0;
    bool readOnly = false;
    // A question has been asked since the motor last started.
    bool prompted = false;
    // Recording changed the tape since it was loaded or saved.
    bool tapeChanged = false;
};
