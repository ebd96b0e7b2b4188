// Analyses and loads an arbitrary cartridge image, then drives the cartridge
// with a few thousand bank-register writes and reads chosen by the input. A
// model of the analysis rules and of every kind's registers says what each
// step must give: the kind, block size and count, the registers after every
// write, and the byte of the image (or FFh) behind every read.
#include "fuzz_support.h"

#include "memory/megarom.h"
#include "memory/rom_cartridge.h"
#include "sound/scc.h"

#include <algorithm>
#include <array>
#include <memory>

namespace {

// The first input byte may stretch the image to a size where the analysis or
// the block layout changes; the rest of the input is the start of the image.
// Images of megabytes would slow every run down a hundredfold; the
// cartridge tests hold the largest accepted and the refused sizes.
constexpr std::size_t paddedSizes[] = {0,     0,     0,     0,     0,     0,     0,     0,
                                       0,     0,     0,     0,     0,     0,     0,     0,
                                       8191,  8192,  8193,  16384, 16385, 32768, 32769, 49152,
                                       65536, 65537, 73728, 98304, 131072, 139264, 196608, 262144};

std::uint8_t PaddingByte(std::size_t offset) {
    return static_cast<std::uint8_t>((offset >> 13) * 37 + offset * 3);
}

std::vector<std::uint8_t> ImageFromInput(const std::uint8_t* data, std::size_t size) {
    const std::size_t padded = std::max(size - 1, paddedSizes[data[0] % std::size(paddedSizes)]);
    std::vector<std::uint8_t> image(padded);
    std::copy(data + 1, data + size, image.begin());
    for (std::size_t offset = size - 1; offset < padded; ++offset) {
        image[offset] = PaddingByte(offset);
    }
    return image;
}

// The analysis rules, restated.
bool ExpectedAnalysis(const std::vector<std::uint8_t>& image, TROMAnalysis& analysis) {
    if (image.size() < 32 || image.size() > TROMCartridge::maximumImageSize) {
        return false;
    }
    const std::uint8_t startHigh = image[3];
    std::uint8_t kind = 1;
    if (startHigh < 0x40) {
        kind = 0;
    } else if (startHigh < 0x80) {
        if (image[16] == 'C' && image[17] == 'D') {
            constexpr std::uint8_t sccGameCodes[] = {0x51, 0x52, 0x58, 0x59, 0x60, 0x64};
            kind = std::find(std::begin(sccGameCodes), std::end(sccGameCodes), image[19]) != std::end(sccGameCodes)
                       ? 4
                       : 3;
        } else {
            kind = image.size() > 65536 ? 5 : image.size() > 32768 ? 0 : 1;
        }
    } else if (startHigh < 0xC0) {
        kind = image.size() <= 16384 ? 2 : 1;
    }
    analysis.cartridgeKind = kind;
    analysis.blockSize = (image.size() == 8192 || (kind >= 3 && kind <= 5)) ? 8192 : 16384;
    analysis.blockCount = static_cast<std::int32_t>((image.size() + analysis.blockSize - 1) / analysis.blockSize);
    return true;
}

// The cartridge object the machine makes for an analysed kind.
std::unique_ptr<TROMCartridge> MakeCartridge(const TROMAnalysis& analysis) {
    switch (analysis.cartridgeKind) {
    case TROMCartridge::konamiKind: return std::make_unique<TKonamiMegaROM>();
    case TROMCartridge::konamiSCCKind: return std::make_unique<TKonamiSCCMegaROM>(std::make_unique<TSCC>());
    case TROMCartridge::ascii8KKind: return std::make_unique<TASCII8KMegaROM>();
    case TROMCartridge::ascii16KKind: return std::make_unique<TASCII16KMegaROM>();
    default: return std::make_unique<TROMCartridge>(analysis.cartridgeKind, analysis.blockSize);
    }
}

class TCartridgeModel {
public:
    TCartridgeModel(const TROMAnalysis& analysis, const std::vector<std::uint8_t>& image)
        : kind(analysis.cartridgeKind), blockSize(analysis.blockSize), blockCount(analysis.blockCount),
          image(image) {
        if (kind <= 2) {
            const int start = kind * (16384 / blockSize);
            for (int block = 0; block < blockCount && start + block <= 7; ++block) {
                registers[start + block] = static_cast<std::uint8_t>(block + 1);
            }
        } else if (kind == 6) {
            registers[1] = 1;
            registers[2] = 2;
        } else {
            registers[2] = 1;
            registers[3] = 2;
            registers[4] = 3;
            registers[5] = 4;
        }
    }

    // The register a write sets, or -1 when the address sets none.
    int RegisterOfWrite(std::uint16_t address) const {
        switch (kind) {
        case 3:
            return (address & 0x1FFF) == 0 && address >= 0x4000 && address <= 0xA000 ? address >> 13 : -1;
        case 4:
            return (address & 0x1FFF) == 0x1000 && address >= 0x5000 && address <= 0xB000 ? address >> 13 : -1;
        case 5: return address >= 0x6000 && address <= 0x7FFF ? 2 + ((address & 0x1800) >> 11) : -1;
        case 6:
            if (address >= 0x6000 && address <= 0x6FFF) {
                return 1;
            }
            return address >= 0x7000 && address <= 0x7FFF ? 2 : -1;
        default: return -1;
        }
    }

    void Write(std::uint16_t address, std::uint8_t value) {
        const int region = RegisterOfWrite(address);
        if (region >= 0) {
            registers[region] = static_cast<std::uint8_t>(value + 1);
        }
    }

    bool SCCWindowOpen(std::uint16_t address) const {
        return kind == 4 && registers[4] == 0x40 && address >= 0x9800 && address <= 0x98FF;
    }

    std::uint8_t Read(std::uint16_t address) const {
        const int region = blockSize == 8192 ? address >> 13 : address >> 14;
        const int block = registers[region];
        if (block == 0 || block > loadedBlocks) {
            return 0xFF;
        }
        const std::size_t offset = static_cast<std::size_t>(block - 1) * static_cast<std::size_t>(blockSize) +
                                   (address & static_cast<std::size_t>(blockSize - 1));
        return offset < image.size() ? image[offset] : 0xFF;
    }

    void Eject() {
        loadedBlocks = 0;
        registers.fill(0);
    }

    const std::array<std::uint8_t, 8>& Registers() const { return registers; }

private:
    std::uint8_t kind;
    std::int32_t blockSize;
    std::int32_t blockCount;
    std::int32_t loadedBlocks = blockCount;
    const std::vector<std::uint8_t>& image;
    std::array<std::uint8_t, 8> registers{};
};

bool SameRegisters(const TROMCartridge& cartridge, const TCartridgeModel& model) {
    for (int region = 0; region < 8; ++region) {
        if (cartridge.GetBankRegister(region) != model.Registers()[region]) {
            return false;
        }
    }
    return true;
}

// Register addresses of every kind, their neighbours and the SCC window are
// tried far more often than a uniform choice would.
constexpr std::uint16_t interestingAddresses[] = {0x4000, 0x5000, 0x6000, 0x7000, 0x8000, 0x9000, 0xA000,
                                                  0xB000, 0x6001, 0x6800, 0x6FFF, 0x7800, 0x7FFF, 0x9001,
                                                  0x9800, 0x9880, 0x988F, 0x98FF, 0x9900, 0xBFFF};

// One 64-bit number per operation is plenty, and far cheaper than a Mersenne
// twister under the sanitizers.
class TSplitMix {
public:
    explicit TSplitMix(std::uint64_t seed) : state(seed) {}
    std::uint64_t Next() {
        std::uint64_t value = (state += 0x9E3779B97F4A7C15u);
        value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9u;
        value = (value ^ (value >> 27)) * 0x94D049BB133111EBu;
        return value ^ (value >> 31);
    }

private:
    std::uint64_t state;
};

std::uint64_t Hash(const std::uint8_t* data, std::size_t size) {
    std::uint64_t hash = 0xCBF29CE484222325u;
    for (std::size_t index = 0; index < size; ++index) {
        hash = (hash ^ data[index]) * 0x100000001B3u;
    }
    return hash;
}

std::uint16_t ChooseAddress(std::uint64_t choice) {
    if ((choice & 1) == 0) {
        return static_cast<std::uint16_t>(choice >> 8);
    }
    const auto address = interestingAddresses[(choice >> 8) % std::size(interestingAddresses)];
    // Inside the SCC window any offset counts.
    return address == 0x9880 ? static_cast<std::uint16_t>(0x9800 | ((choice >> 24) & 0xFF)) : address;
}

std::uint8_t ChooseValue(std::uint64_t choice, std::int32_t blockCount) {
    switch ((choice >> 32) & 3) {
    case 0: return static_cast<std::uint8_t>((choice >> 40) % static_cast<unsigned>(blockCount + 2));
    case 1: return (choice & (1ull << 34)) != 0 ? 0x3F : 0xFF;
    default: return static_cast<std::uint8_t>(choice >> 40);
    }
}

constexpr int operationCount = 2000;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const auto image = ImageFromInput(data, size);
    const auto file = FuzzFile("cartridge.rom");
    WriteBytes(file, image.data(), image.size());
    // Images reach 256 KB, and a run ended by the time limit skips removing the
    // scratch folder: each image goes as soon as its run is over.
    struct TRemovedAtEnd {
        std::filesystem::path path;
        ~TRemovedAtEnd() {
            std::error_code error;
            std::filesystem::remove(path, error);
        }
    } removeImage{file};

    TROMAnalysis expected;
    const bool analysable = ExpectedAnalysis(image, expected);
    // A refused image leaves the out-values as they were.
    TROMAnalysis analysis{6, 1234, 5678};
    const auto result = TROMCartridge::AnalyseROM(file, analysis);
    FUZZ_CHECK((result == 0) == analysable);
    if (!analysable) {
        FUZZ_CHECK(analysis.cartridgeKind == 6 && analysis.blockSize == 1234 && analysis.blockCount == 5678);
        return 0;
    }
    FUZZ_CHECK(analysis.cartridgeKind == expected.cartridgeKind && analysis.blockSize == expected.blockSize &&
               analysis.blockCount == expected.blockCount);

    auto cartridge = MakeCartridge(analysis);
    cartridge->SetBlockCount(analysis.blockCount);
    FUZZ_CHECK(cartridge->GetBlockCount() == analysis.blockCount);
    const bool whole = image.size() % static_cast<std::size_t>(analysis.blockSize) == 0;
    FUZZ_CHECK((cartridge->Load(file) == 0) == whole);
    FUZZ_CHECK(cartridge->GetName() == (whole ? file.filename().string() : std::string("ROM Cartridge")));

    TCartridgeModel model(analysis, image);
    FUZZ_CHECK(SameRegisters(*cartridge, model));
    // A failed load keeps what the cartridge holds.
    FUZZ_CHECK(cartridge->Load(FuzzFile("missing.rom")) == -1);
    FUZZ_CHECK(cartridge->Read(0x4000) == model.Read(0x4000) && cartridge->Read(0x8000) == model.Read(0x8000));

    TSplitMix random(Hash(data, size));
    const int ejectAt = static_cast<int>(random.Next() % (2 * operationCount));
    TSCC* const scc = cartridge->GetSCC();
    FUZZ_CHECK((scc != nullptr) == (analysis.cartridgeKind == TROMCartridge::konamiSCCKind));
    for (int operation = 0; operation < operationCount; ++operation) {
        if (operation == ejectAt) {
            cartridge->Eject();
            model.Eject();
            FUZZ_CHECK(cartridge->GetBlockCount() == 1 && cartridge->GetName() == "ROM Cartridge");
            FUZZ_CHECK(SameRegisters(*cartridge, model));
            // An ejected cartridge holds no block to load into.
            FUZZ_CHECK(cartridge->Load(file) == -1 && cartridge->GetName() == "ROM Cartridge");
        }
        const std::uint64_t choice = random.Next();
        const std::uint16_t address = ChooseAddress(choice);
        if ((choice & (1ull << 63)) != 0) {
            FUZZ_CHECK(cartridge->Read(address) == model.Read(address));
            continue;
        }
        const std::uint8_t value = ChooseValue(choice, analysis.blockCount);
        const std::uint8_t offset = static_cast<std::uint8_t>(address & 0xFF);
        const std::uint8_t waveBefore = scc != nullptr ? scc->GetWaveByte(offset) : 0;
        cartridge->Write(address, value);
        model.Write(address, value);
        FUZZ_CHECK(SameRegisters(*cartridge, model));
        if (scc != nullptr && offset < TSCC::waveformBytes) {
            FUZZ_CHECK(scc->GetWaveByte(offset) == (model.SCCWindowOpen(address) ? value : waveBefore));
        }
        if (scc != nullptr && model.SCCWindowOpen(address) && offset >= 0x80 && offset < 0x90) {
            FUZZ_CHECK(scc->GetRegister(offset & 0x0F) == value);
        }
    }
    cartridge->Clear();
    for (std::uint32_t address = 0; address < 0x10000; address += 0x0FFF) {
        FUZZ_CHECK(cartridge->Read(static_cast<std::uint16_t>(address)) == model.Read(static_cast<std::uint16_t>(address)));
    }
    return 0;
}
