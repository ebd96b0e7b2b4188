// Analyses (automatically or as a kind chosen by the input) and loads an arbitrary
// cartridge image, then drives the cartridge with two thousand writes and reads
// chosen by the input. Every read gives the byte of the image block its region
// shows (or FFh where there is none), a MegaROM region shows its bank number
// modulo the block count rounded up to a power of two, a write sets at most one
// register and none of a plain cartridge, and an ejected cartridge holds nothing.
#include "fuzz_support.h"

#include "memory/cartridge_analysis.h"
#include "memory/megarom.h"
#include "memory/rom_cartridge.h"
#include "sound/scc.h"

#include <functional>
#include <memory>
#include <random>

// The first byte's top three bits choose the kind (automatic for 0, 6 and 7); a first byte
// whose low five bits are 16 to 31 pads the image, the rest of the input, to a size where
// the analysis or the block layout changes. Megabytes would slow every run down.
constexpr std::size_t paddedSizes[] = {8191,  8192,  8193,  16384, 16385,  32768,  32769,  49152,
                                       65536, 65537, 73728, 98304, 131072, 139264, 196608, 262144};
// The register addresses of every kind and their neighbours, far more often than a uniform choice would.
constexpr std::uint16_t registerAddresses[] = {0x4000, 0x5000, 0x6000, 0x7000, 0x8000, 0x9000, 0xA000, 0xB000,
                                               0x6001, 0x6800, 0x6FFF, 0x7800, 0x7FFF, 0x9800, 0xBFFF, 0xFFFF};

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    TBytes image(data + 1, data + size);
    for (std::size_t offset = image.size(); data[0] % 32 >= 16 && offset < paddedSizes[data[0] % 16]; ++offset) {
        image.push_back(static_cast<std::uint8_t>(offset * 3));
    }
    const auto file = WriteFile("cartridge.rom", image);
    const auto chosen = data[0] >> 5 < 6 ? cartridgeKinds[data[0] >> 5] : TCartridgeKind::automatic;
    TROMAnalysis analysis{6, 1234, 5678};
    const bool analysed = TCartridgeAnalysis::AnalyseROM(file, analysis, chosen) == 0;
    FUZZ_CHECK(analysed == (image.size() >= 32));
    if (!analysed) {
        FUZZ_CHECK(analysis.cartridgeKind == 6 && analysis.blockSize == 1234 && analysis.blockCount == 5678);
        return 0;
    }
    const std::uint8_t kind = analysis.cartridgeKind;
    const auto blockSize = static_cast<std::size_t>(analysis.blockSize), blocks = std::size_t(analysis.blockCount);
    const bool eightK = kind >= TROMCartridge::konamiKind && kind <= TROMCartridge::ascii8KKind;
    FUZZ_CHECK(kind <= TROMCartridge::ascii16KKind && blockSize == (eightK || (image.size() == 8192 && kind != TROMCartridge::ascii16KKind) ? 8192 : 16384));
    FUZZ_CHECK(blocks * blockSize >= image.size() && blocks * blockSize - image.size() < blockSize);

    std::unique_ptr<TROMCartridge> cartridge;
    switch (kind) {  // as the machine makes them
    case TROMCartridge::konamiKind: cartridge = std::make_unique<TKonamiMegaROM>(); break;
    case TROMCartridge::konamiSCCKind: cartridge = std::make_unique<TKonamiSCCMegaROM>(std::make_unique<TSCC>()); break;
    case TROMCartridge::ascii8KKind: cartridge = std::make_unique<TASCII8KMegaROM>(); break;
    case TROMCartridge::ascii16KKind: cartridge = std::make_unique<TASCII16KMegaROM>(); break;
    default: cartridge = std::make_unique<TROMCartridge>(kind, analysis.blockSize);
    }
    cartridge->SetBlockCount(analysis.blockCount);
    FUZZ_CHECK((cartridge->Load(file) == 0) == (image.size() % blockSize == 0));
    std::size_t rounded = 1;
    while (rounded < blocks) rounded <<= 1;
    std::minstd_rand random(static_cast<std::uint32_t>(std::hash<std::string>()(std::string(data, data + size))));
    const unsigned ejectAt = random() % 4000;
    for (unsigned operation = 0; operation < 2000; ++operation) {
        if (operation == ejectAt) {
            cartridge->Eject();
            image.clear();
            FUZZ_CHECK(cartridge->GetBlockCount() == 1 && cartridge->Load(file) == -1);
        }
        const std::uint32_t choice = random(), value = random();
        const auto address = (choice & 1) ? registerAddresses[(choice >> 1) % 16] : std::uint16_t(choice >> 1);
        const int region = blockSize == 8192 ? address >> 13 : address >> 14;
        const int block = cartridge->GetShownBlock(region);
        const std::size_t offset = std::size_t(block) * blockSize + (address & (blockSize - 1));
        const bool shown = block >= 0 && offset < image.size();
        FUZZ_CHECK(cartridge->Read(address) == (shown ? image[offset] : 0xFF));
        FUZZ_CHECK(block < 0 || kind <= TROMCartridge::plainPage2Kind ||
                   std::size_t(block) == (cartridge->GetBankRegister(region) & (rounded - 1)));
        // Small block numbers, the masks' edges and any byte.
        const std::uint8_t values[] = {std::uint8_t(value % (blocks + 2)), 0x3F, 0xFF, std::uint8_t(value)};
        std::uint8_t before[8];
        for (int at = 0; at < 8; ++at) before[at] = cartridge->GetBankRegister(at);
        cartridge->Write(address, values[value >> 30]);
        int changed = 0;
        for (int at = 0; at < 8; ++at) changed += cartridge->GetBankRegister(at) != before[at];
        FUZZ_CHECK(changed <= (kind > TROMCartridge::plainPage2Kind ? 1 : 0));
    }
    return 0;
}
