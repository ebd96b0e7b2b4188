#include "peripherals/cassette.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <fstream>
#include <system_error>

#include "compression/crc32.h"
#include "compression/lzrw1.h"
#include "cpu/z80.h"
#include "settings/record.h"
#include "settings/state_record.h"

namespace {

constexpr std::uint8_t motorOffBit = 0x10;
constexpr std::uint8_t outputBit = 0x20;
constexpr std::uint8_t inputHigh = 0x80;
constexpr std::size_t headerSize = 15;
constexpr char magic[5] = {'Q', 'C', 'S', '0', '0'};

const char* const endOfTapeCaption = "End of tape";
const char* const endOfTapeWriteText = "Warning! End of tape. Data write is ignored.";
const char* const endOfTapeReadText = "Warning! End of tape. Data read is ignored.";
const char* const writeQuestionCaption = "Cassette data write";
const char* const writeQuestionText =
    "The MSX is trying to write data to cassette while recording is off.\n"
    "Do you want to switch recording on now?";
const char* const readQuestionCaption = "Cassette data read";
const char* const readQuestionText =
    "The MSX is trying to read data from cassette while recording is still on!\n"
    "This could result in data loss! Do you want to switch recording off now?";
const char* const damageCaption = "Warning";
const char* const shortImageText = "Tape image is damaged: the file is too short.";
const char* const unreadableText = "Tape image cannot be read.";
const char* const tapeSizeText = "Tape image is damaged: the tape size is invalid.";
const char* const tapeDataText = "Lzrw1 (decompression LZRW1/KH) : Original and compressed sizes do not match !";

std::int32_t InstructionsPerSample(std::uint8_t accuracy)
{
    switch (accuracy) {
    case 0:
        return 15;
    case 2:
        return 5;
    default:
        return 10;
    }
}

std::int32_t Minutes(std::uint8_t length)
{
    static constexpr std::int32_t minutes[4] = {10, 15, 30, 45};
    return length < 4 ? minutes[length] : 0;
}

// One emulated frame is 10 000 instructions; a minute is 60 × 60 frames.
std::int32_t TapeBits(std::uint8_t length, std::uint8_t accuracy)
{
    return Minutes(length) * (10000 / InstructionsPerSample(accuracy)) * 3600;
}

void StoreLittleEndian32(std::uint8_t* destination, std::int32_t value)
{
    const auto bits = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) {
        destination[i] = static_cast<std::uint8_t>(bits >> (8 * i));
    }
}

std::int32_t LoadLittleEndian32(const std::uint8_t* source)
{
    return static_cast<std::int32_t>(source[0] | (source[1] << 8) | (source[2] << 16)
                                     | (static_cast<std::uint32_t>(source[3]) << 24));
}

} // namespace

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

TCassette::TCassette() = default;

TCassette::~TCassette()
{
    Save(fileName);
}

void TCassette::ShowError(const std::string&, const std::string&) {}

bool TCassette::AskUser(const std::string&, const std::string&)
{
    return false;
}

void TCassette::SetZ80(TZ80* processor)
{
    z80 = processor;
}

void TCassette::WritePort(std::uint8_t port, std::uint8_t value)
{
    if (port != motorPort && port != controlPort) {
        return;
    }
    if (value & motorOffBit) {
        MotorOff();
        return;
    }
    if (!motorOn) {
        MotorOn();
    }
    WriteBit((value & outputBit) != 0);
}

std::uint8_t TCassette::ReadPort(std::uint8_t port)
{
    if (port != inputPort) {
        return 0xFF;
    }
    return motorOn && ReadBit() ? inputHigh : 0x00;
}

std::uint32_t TCassette::SampleClock() const
{
    if (z80 == nullptr) {
        return 0;
    }
    // Kept exact from the machine's whole cycle count, so no rounding builds up.
    constexpr std::uint64_t instructionsPerSecond = 600060;
    const std::uint64_t cyclesPerSampleTimesRate =
        std::uint64_t{TZ80::clockRate} * static_cast<std::uint64_t>(instructionsPerSample);
    return static_cast<std::uint32_t>(z80->cycles * instructionsPerSecond / cyclesPerSampleTimesRate);
}

void TCassette::AdvanceHead()
{
    const std::uint32_t now = SampleClock();
    // A processor reset (or the counter wrapping round) sets the clock back;
    // the head then stays where it is rather than leaping to the end.
    const std::int64_t elapsed = now >= motorStart ? now - motorStart : 0;
    const std::int64_t target = position + elapsed;
    if (headState == WritingLow || headState == WritingHigh) {
        Fill(position, target, headState == WritingHigh);
    }
    position = static_cast<std::int32_t>(std::min<std::int64_t>(target, tapeBits));
    motorStart = now;
}

void TCassette::Fill(std::int64_t from, std::int64_t to, bool level)
{
    if (!recording || from >= to) {
        return;
    }
    const std::int64_t end = std::min<std::int64_t>(to, tapeBits);
    tapeChanged = tapeChanged || from < end;
    const auto setSample = [this, level](std::int64_t sample) {
        const auto mask = static_cast<std::uint8_t>(1 << (sample & 7));
        if (level) {
            tape[static_cast<std::size_t>(sample >> 3)] |= mask;
        } else {
            tape[static_cast<std::size_t>(sample >> 3)] &= static_cast<std::uint8_t>(~mask);
        }
    };
    std::int64_t sample = from;
    for (; sample < end && (sample & 7) != 0; ++sample) {
        setSample(sample);
    }
    // Whole bytes at once: a long held level is millions of samples.
    const std::int64_t wholeBytes = (end - sample) / 8;
    if (wholeBytes > 0) {
        std::memset(tape.data() + (sample >> 3), level ? 0xFF : 0x00, static_cast<std::size_t>(wholeBytes));
        sample += wholeBytes * 8;
    }
    for (; sample < end; ++sample) {
        setSample(sample);
    }
    if (to > tapeBits) {
        position = tapeBits;
        WarnEndOfTape(endOfTapeWriteText);
    }
}

bool TCassette::ReadSample(std::int64_t sample)
{
    if (sample < tapeBits) {
        return (tape[static_cast<std::size_t>(sample >> 3)] >> (sample & 7)) & 1;
    }
    position = tapeBits;
    WarnEndOfTape(endOfTapeReadText);
    return false;
}

void TCassette::WarnEndOfTape(const char* text)
{
    if (endWarned) {
        return;
    }
    // Set first: the message box lets the host run other handlers meanwhile.
    endWarned = true;
    ShowError(text, endOfTapeCaption);
}

void TCassette::MotorOn()
{
    prompted = false;
    if (motorOn) {
        return;
    }
    endWarned = false;
    motorOn = true;
    motorStart = SampleClock();
}

void TCassette::MotorOff()
{
    if (!motorOn) {
        return;
    }
    AdvanceHead();
    motorOn = false;
}

void TCassette::WriteBit(bool level)
{
    if (motorOn && level && !recording && !prompted) {
        prompted = true;
        if (AskUser(writeQuestionText, writeQuestionCaption)) {
            RecordOn();
        }
    }
    if (!motorOn) {
        return;
    }
    const THeadState wanted = level ? WritingHigh : WritingLow;
    if (headState == wanted) {
        return;
    }
    AdvanceHead();
    headState = wanted;
}

bool TCassette::ReadBit()
{
    if (!motorOn) {
        return false;
    }
    AdvanceHead();
    headState = Reading;
    const bool level = ReadSample(position);
    if (motorOn && level && recording && !prompted) {
        prompted = true;
        if (AskUser(readQuestionText, readQuestionCaption)) {
            RecordOff();
        }
    }
    return level;
}

void TCassette::Rewind()
{
    MotorOff();
    position = 0;
}

void TCassette::Seek(std::int32_t samples)
{
    MotorOff();
    position = static_cast<std::int32_t>(std::clamp<std::int64_t>(std::int64_t{position} + samples, 0, tapeBits));
}

void TCassette::RecordOn()
{
    if (!readOnly) {
        recording = true;
    }
}

void TCassette::RecordOff()
{
    recording = false;
}

void TCassette::Open(const std::filesystem::path& name, std::uint8_t newLength, std::uint8_t newAccuracy)
{
    if (name == fileName && newLength == length && newAccuracy == accuracy) {
        return;
    }
    if (name != fileName) {
        Save(fileName);
    }
    const TLoadResult result = LoadImage(name);
    if (result != TLoadResult::Loaded) {
        fileName = name;
        length = newLength;
        accuracy = newAccuracy;
        instructionsPerSample = InstructionsPerSample(accuracy);
        tapeBits = TapeBits(length, accuracy);
        tape.assign(static_cast<std::size_t>(tapeBits / 8), 0);
        // A damaged or unreadable image stays on disk as it is, in case it can be
        // mended: the blank tape in its place is treated as write-protected.
        readOnly = result == TLoadResult::Damaged;
        if (readOnly) {
            recording = false;
        } else {
            Save(name);
        }
    }
    position = 0;
}

bool TCassette::Load(const std::filesystem::path& name)
{
    return LoadImage(name) == TLoadResult::Loaded;
}

void TCassette::ReportDamage(const std::string& reason)
{
    ShowError(reason, damageCaption);
}

TCassette::TLoadResult TCassette::LoadImage(const std::filesystem::path& name)
{
    if (name.empty()) {
        return TLoadResult::Missing;
    }
    bool writable = true;
    {
        // A file the user may not write is a write-protected tape.
        std::fstream probe(name, std::ios::in | std::ios::out | std::ios::binary);
        writable = probe.is_open();
    }
    std::ifstream file(name, std::ios::in | std::ios::binary);
    if (!file.is_open()) {
        std::error_code ignored;
        if (!std::filesystem::exists(name, ignored)) {
            return TLoadResult::Missing;
        }
        // Something is there that cannot be read; a blank tape must not replace it.
        ReportDamage(unreadableText);
        return TLoadResult::Damaged;
    }

    std::uint8_t header[headerSize];
    file.read(reinterpret_cast<char*>(header), headerSize);
    if (static_cast<std::size_t>(file.gcount()) != headerSize) {
        ReportDamage(shortImageText);
        return TLoadResult::Damaged;
    }
    // The magic is written but not compared: any header is read as a tape.
    const std::uint8_t newLength = header[5];
    const std::uint8_t newAccuracy = header[6];
    const std::int32_t newTapeBits = LoadLittleEndian32(header + 7);
    const std::int32_t compressedSize = LoadLittleEndian32(header + 11);
    if (newTapeBits < 0 || newTapeBits % 8 != 0 || newTapeBits > maximumTapeBits) {
        ReportDamage(tapeSizeText);
        return TLoadResult::Damaged;
    }
    // The body must lie in the file before memory is taken for it: a damaged
    // size field must not ask for gigabytes.
    std::error_code sizeError;
    const std::uintmax_t fileSize = std::filesystem::file_size(name, sizeError);
    if (compressedSize < 0 || sizeError || fileSize < headerSize + static_cast<std::uintmax_t>(compressedSize)) {
        ReportDamage(shortImageText);
        return TLoadResult::Damaged;
    }
    std::vector<std::uint8_t> compressed(static_cast<std::size_t>(compressedSize));
    file.read(reinterpret_cast<char*>(compressed.data()), compressedSize);
    if (file.gcount() != compressedSize) {
        ReportDamage(shortImageText);
        return TLoadResult::Damaged;
    }

    // Decoded into a buffer of its own, so that a damaged body leaves the tape in memory as it was.
    std::vector<std::uint8_t> newTape(static_cast<std::size_t>(newTapeBits / 8), 0);
    try {
        TMemoryStream source(std::move(compressed));
        TCassetteStream target(newTape.data(), static_cast<std::int64_t>(newTape.size()));
        Tlzrw1 decompressor;
        decompressor.InputStream = &source;
        decompressor.OutputStream = &target;
        if (decompressor.Decompress() != static_cast<std::int64_t>(newTape.size())) {
            ReportDamage(tapeDataText);
            return TLoadResult::Damaged;
        }
    } catch (const ELzrw1Exception& error) {
        ReportDamage(error.what());
        return TLoadResult::Damaged;
    }

    fileName = name;
    readOnly = !writable;
    if (readOnly) {
        recording = false;
    }
    length = newLength;
    accuracy = newAccuracy;
    instructionsPerSample = InstructionsPerSample(accuracy);
    tapeBits = newTapeBits;
    tape = std::move(newTape);
    tapeChanged = false;
    position = std::min(position, tapeBits);
    return TLoadResult::Loaded;
}

bool TCassette::Save(const std::filesystem::path& name)
{
    if (name.empty() || readOnly) {
        return false;
    }
    try {
        return SaveImage(name);
    } catch (const std::exception&) {
        // Out of memory while compressing: the old image is still untouched.
        return false;
    }
}

bool TCassette::SaveImage(const std::filesystem::path& name)
{
    TCassetteStream source(tape.data(), static_cast<std::int64_t>(tape.size()));
    TMemoryStream compressed;
    Tlzrw1 compressor;
    compressor.InputStream = &source;
    compressor.OutputStream = &compressed;
    compressor.Compress();
    const std::vector<std::uint8_t>& body = compressed.GetData();

    std::uint8_t header[headerSize];
    std::memcpy(header, magic, sizeof magic);
    header[5] = length;
    header[6] = accuracy;
    StoreLittleEndian32(header + 7, tapeBits);
    StoreLittleEndian32(header + 11, static_cast<std::int32_t>(body.size()));

    std::vector<std::uint8_t> image(header, header + headerSize);
    image.insert(image.end(), body.begin(), body.end());
    if (!ReplaceFile(name, image)) {
        return false;
    }
    tapeChanged = tapeChanged && name != fileName;
    return true;
}

void TCassette::FlushTape()
{
    if (tapeChanged) {
        Save(fileName);
    }
}

void TCassette::SaveState(TStateWriter& record) const
{
    // Whole, so that a process started in another folder finds the image too.
    record.Text(fileName.empty() ? std::string() : std::filesystem::absolute(fileName).string());
    record.Byte(length);
    record.Byte(accuracy);
    record.Long(static_cast<std::uint32_t>(tapeBits));
    record.Long(Crc32(tape));
    record.Bool(motorOn);
    record.Bool(recording);
    record.Byte(headState);
    record.Long(static_cast<std::uint32_t>(position));
    record.Long(motorStart);
    record.Bool(endWarned);
    record.Bool(prompted);
}

bool TCassette::LoadState(TStateReader& record)
{
    const std::filesystem::path name = record.Text();
    const std::uint8_t newLength = record.Byte();
    const std::uint8_t newAccuracy = record.Byte();
    const auto newTapeBits = static_cast<std::int32_t>(record.Long());
    const std::uint32_t checksum = record.Long();
    std::error_code error;
    // A missing image would be created blank: that is not the tape of the state.
    if (record.Failed() || (!name.empty() && !std::filesystem::is_regular_file(name, error))) {
        return false;
    }
    Open(name, newLength, newAccuracy);
    if (fileName != name || tapeBits != newTapeBits || Crc32(tape) != checksum) {
        return false;
    }
    motorOn = record.Bool();
    recording = record.Bool() && !readOnly;
    const std::uint8_t head = record.Byte();
    headState = head >= Idle && head <= WritingHigh ? static_cast<THeadState>(head) : Idle;
    position = std::clamp(static_cast<std::int32_t>(record.Long()), 0, tapeBits);
    motorStart = record.Long();
    endWarned = record.Bool();
    prompted = record.Bool();
    return !record.Failed();
}

std::int32_t TCassette::GetMinutes() const
{
    return Minutes(length);
}
