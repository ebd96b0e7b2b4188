#include "memory/cartridge_analysis.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

#include "memory/rom_cartridge.h"

namespace {

constexpr std::array<std::uint8_t, 6> SCCGameCodes{0x51, 0x52, 0x58, 0x59, 0x60, 0x64};

struct TKindText {
    TCartridgeKind kind;
    const char* name;
    const char* key;
};

constexpr TKindText kindTexts[] = {
    {TCartridgeKind::automatic, "Automatic", "Automatic"}, {TCartridgeKind::plain, "Plain", "Plain"},
    {TCartridgeKind::konami, "Konami", "Konami"},          {TCartridgeKind::konamiSCC, "Konami SCC", "KonamiSCC"},
    {TCartridgeKind::ascii8K, "ASCII 8K", "ASCII8"},       {TCartridgeKind::ascii16K, "ASCII 16K", "ASCII16"}};

const TKindText& TextOf(TCartridgeKind kind) {
    for (const TKindText& text : kindTexts) {
        if (text.kind == kind) return text;
    }
    return kindTexts[0];
}

// Lower case without spaces, hyphens or underscores, and without a K after a number.
std::string Normalised(std::string_view text) {
    std::string kept;
    for (const char character : text) {
        if (character == ' ' || character == '-' || character == '_') continue;
        kept += static_cast<char>(std::tolower(static_cast<unsigned char>(character)));
    }
    if (kept.size() >= 2 && kept.back() == 'k' && std::isdigit(static_cast<unsigned char>(kept[kept.size() - 2]))) {
        kept.pop_back();
    }
    return kept;
}

// The MegaROM kinds the store scan tells apart, in the order that settles equal scores.
struct TScheme {
    std::uint8_t kind;
    std::array<std::uint16_t, 4> registers;
    std::size_t registerCount;

    bool Uses(std::uint16_t address) const {
        return std::find(registers.begin(), registers.begin() + registerCount, address) != registers.begin() + registerCount;
    }
};

constexpr TScheme schemes[] = {
    {TROMCartridge::ascii16KKind, {0x6000, 0x7000, 0x77FF}, 3},
    {TROMCartridge::ascii8KKind, {0x6000, 0x6800, 0x7000, 0x7800}, 4},
    {TROMCartridge::konamiSCCKind, {0x5000, 0x7000, 0x9000, 0xB000}, 4},
    {TROMCartridge::konamiKind, {0x4000, 0x6000, 0x8000, 0xA000}, 4},
};

bool UsedByAnotherScheme(std::uint16_t address, const TScheme& own) {
    return std::ranges::any_of(schemes, [&](const TScheme& other) { return &other != &own && other.Uses(address); });
}

// The MegaROM kind whose register addresses the image's LD (nnnn),A stores point at, or
// nothing when no store does.
std::optional<std::uint8_t> KindFromStores(std::span<const std::uint8_t> image) {
    std::array<int, std::size(schemes)> scores{}, own{};
    for (std::size_t at = 0; at + 2 < image.size(); ++at) {
        if (image[at] != 0x32) continue;
        const auto address = static_cast<std::uint16_t>(image[at + 1] | (image[at + 2] << 8));
        for (std::size_t scheme = 0; scheme < std::size(schemes); ++scheme) {
            if (!schemes[scheme].Uses(address)) continue;
            ++scores[scheme];
            if (!UsedByAnotherScheme(address, schemes[scheme])) ++own[scheme];
        }
    }
    std::optional<std::uint8_t> winner;
    std::size_t best = 0;
    for (std::size_t scheme = 0; scheme < std::size(schemes); ++scheme) {
        if (scores[scheme] == 0) continue;
        if (!winner || scores[scheme] > scores[best] || (scores[scheme] == scores[best] && own[scheme] > own[best])) {
            winner = schemes[scheme].kind;
            best = scheme;
        }
    }
    return winner;
}

bool HasHeaderAt(std::span<const std::uint8_t> image, std::size_t offset) {
    return image.size() > offset + 1 && image[offset] == 'A' && image[offset + 1] == 'B';
}

std::uint8_t PlainKind(std::span<const std::uint8_t> image) {
    if (!HasHeaderAt(image, 0) && HasHeaderAt(image, 0x4000)) return TROMCartridge::plainPage0Kind;
    const std::uint8_t startHigh = image[3];
    const std::size_t size = image.size();
    if (startHigh < 0x40) return TROMCartridge::plainPage0Kind;
    if (startHigh < 0x80) return size > 32768 ? TROMCartridge::plainPage0Kind : TROMCartridge::plainPage1Kind;
    if (startHigh < 0xC0) return size <= 16384 ? TROMCartridge::plainPage2Kind : TROMCartridge::plainPage1Kind;
    // No start page fits; page 1 is where a cartridge program usually begins.
    return TROMCartridge::plainPage1Kind;
}

std::uint8_t AutomaticKind(std::span<const std::uint8_t> image) {
    const std::uint8_t startHigh = image[3];
    const bool konamiHeader = startHigh >= 0x40 && startHigh < 0x80 && image[16] == 'C' && image[17] == 'D';
    if (konamiHeader && std::ranges::find(SCCGameCodes, image[19]) != SCCGameCodes.end()) {
        return TROMCartridge::konamiSCCKind;
    }
    if (image.size() >= 32768) {
        if (const std::optional<std::uint8_t> kind = KindFromStores(image)) return *kind;
    }
    if (konamiHeader) return TROMCartridge::konamiKind;
    if (startHigh >= 0x40 && startHigh < 0x80 && image.size() > 65536) return TROMCartridge::ascii8KKind;
    return PlainKind(image);
}

std::uint8_t KindNumber(TCartridgeKind kind, std::span<const std::uint8_t> image) {
    switch (kind) {
    case TCartridgeKind::plain: return PlainKind(image);
    case TCartridgeKind::konami: return TROMCartridge::konamiKind;
    case TCartridgeKind::konamiSCC: return TROMCartridge::konamiSCCKind;
    case TCartridgeKind::ascii8K: return TROMCartridge::ascii8KKind;
    case TCartridgeKind::ascii16K: return TROMCartridge::ascii16KKind;
    case TCartridgeKind::automatic: break;
    }
    return AutomaticKind(image);
}

bool Refuse(std::string* problem, std::string reason) {
    if (problem) *problem = std::move(reason);
    return false;
}

std::string Blocks(std::int32_t count, std::int32_t size) {
    return std::to_string(count) + (count == 1 ? " block of " : " blocks of ") + std::to_string(size / 1024) + " KB";
}

} // namespace

const char* CartridgeKindName(TCartridgeKind kind) { return TextOf(kind).name; }

const char* CartridgeKindKey(TCartridgeKind kind) { return TextOf(kind).key; }

std::optional<TCartridgeKind> ParseCartridgeKind(std::string_view text) {
    const std::string wanted = Normalised(text);
    if (wanted == "auto") return TCartridgeKind::automatic;
    for (const TKindText& known : kindTexts) {
        if (wanted == Normalised(known.key)) return known.kind;
    }
    return std::nullopt;
}

TCartridgeKind CartridgeKindInFileName(const std::filesystem::path& fileName) {
    const std::string name = fileName.filename().string();
    for (std::size_t open = name.find('['); open != std::string::npos; open = name.find('[', open + 1)) {
        const std::size_t close = name.find(']', open);
        if (close == std::string::npos) break;
        const std::optional<TCartridgeKind> kind = ParseCartridgeKind(std::string_view(name).substr(open + 1, close - open - 1));
        if (kind && *kind != TCartridgeKind::automatic) return *kind;
    }
    return TCartridgeKind::automatic;
}

std::int32_t TCartridgeAnalysis::AnalyseROM(const std::filesystem::path& fileName, TROMAnalysis& analysis,
                                            TCartridgeKind kind, std::string* problem) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(fileName, error);
    std::ifstream file(fileName, std::ios::binary);
    if (error || !file) {
        Refuse(problem, "the file cannot be read");
        return -1;
    }
    if (size > maximumImageSize) {
        Refuse(problem, "the image is larger than 4 MB");
        return -1;
    }
    const std::vector<std::uint8_t> image{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    return AnalyseImage(image, analysis, kind, problem) ? 0 : -1;
}

bool TCartridgeAnalysis::AnalyseImage(std::span<const std::uint8_t> image, TROMAnalysis& analysis, TCartridgeKind kind,
                                      std::string* problem) {
    if (image.size() < headerSize) {
        return Refuse(problem, "the image is shorter than a cartridge header (" + std::to_string(image.size()) + " bytes)");
    }
    if (image.size() > maximumImageSize) return Refuse(problem, "the image is larger than 4 MB");
    const std::uint8_t number = KindNumber(kind, image);
    // An 8 KB image keeps 8 KB blocks unless the ASCII 16K scheme, whose blocks are 16 KB, is named for it.
    const bool eightKilobytes = (image.size() == 8192 && number != TROMCartridge::ascii16KKind) ||
                                number == TROMCartridge::konamiKind ||
                                number == TROMCartridge::konamiSCCKind || number == TROMCartridge::ascii8KKind;
    const std::int32_t blockSize = eightKilobytes ? 8192 : 16384;
    const auto blockCount = static_cast<std::int32_t>((image.size() + blockSize - 1) / blockSize);
    if (blockCount > maximumBlockCount) {
        return Refuse(problem, Blocks(blockCount, blockSize) + " are more than the " +
                                   std::to_string(maximumBlockCount) + " a cartridge can select");
    }
    analysis = {number, blockSize, blockCount};
    return true;
}

std::string TCartridgeAnalysis::KindText(std::uint8_t cartridgeKind) {
    switch (cartridgeKind) {
    case TROMCartridge::plainPage0Kind: return "Plain at page 0 (0000h)";
    case TROMCartridge::plainPage1Kind: return "Plain at page 1 (4000h)";
    case TROMCartridge::plainPage2Kind: return "Plain at page 2 (8000h)";
    case TROMCartridge::konamiKind: return CartridgeKindName(TCartridgeKind::konami);
    case TROMCartridge::konamiSCCKind: return CartridgeKindName(TCartridgeKind::konamiSCC);
    case TROMCartridge::ascii8KKind: return CartridgeKindName(TCartridgeKind::ascii8K);
    default: return CartridgeKindName(TCartridgeKind::ascii16K);
    }
}

std::string TCartridgeAnalysis::Describe(const TROMAnalysis& analysis) {
    return KindText(analysis.cartridgeKind) + ", " + Blocks(analysis.blockCount, analysis.blockSize);
}
