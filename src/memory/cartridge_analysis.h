#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// The kind a cartridge image is given: automatic (decided from the image), or one the
// user names. Plain leaves the start page to the image's header.
enum class TCartridgeKind : std::uint8_t { automatic, plain, konami, konamiSCC, ascii8K, ascii16K };

// Every kind, in the order of their values.
inline constexpr TCartridgeKind cartridgeKinds[] = {TCartridgeKind::automatic, TCartridgeKind::plain,
                                                    TCartridgeKind::konami,    TCartridgeKind::konamiSCC,
                                                    TCartridgeKind::ascii8K,   TCartridgeKind::ascii16K};

// For people: "Automatic", "Plain", "Konami", "Konami SCC", "ASCII 8K", "ASCII 16K".
const char* CartridgeKindName(TCartridgeKind kind);
// As typed on command lines, in file name tags and in quib.ini: "Automatic", "Plain",
// "Konami", "KonamiSCC", "ASCII8", "ASCII16".
const char* CartridgeKindKey(TCartridgeKind kind);
// A key, case-insensitive, spaces, hyphens and a trailing K allowed ("ascii16", "ASCII 16K",
// "konami-scc"); nothing when the text names no kind.
std::optional<TCartridgeKind> ParseCartridgeKind(std::string_view text);
// The kind a file name names in a bracketed tag, as in "Game [ASCII16].rom"; automatic
// when no tag names one.
TCartridgeKind CartridgeKindInFileName(const std::filesystem::path& fileName);

// What an image is as a cartridge: kinds 0-2 are plain ROMs from page 0, 1 or 2, kinds
// 3-6 the MegaROM schemes (the TROMCartridge kind numbers).
struct TROMAnalysis {
    std::uint8_t cartridgeKind = 0;
    std::int32_t blockSize = 16384;
    std::int32_t blockCount = 1;
};

// Decides how a cartridge image is mapped.
//
// The rule this system follows when the kind is automatic:
// 1. A "CD" at header offsets 16-17 under a start address in 4000h-7FFFh, with an SCC game
//    code at offset 19, is a Konami SCC MegaROM.
// 2. An image of 32 KB or more is scanned for the stores programs switch banks with,
//    LD (nnnn),A (32h nn nn). Each MegaROM kind scores the stores to its own register
//    addresses: Konami 4000h, 6000h, 8000h, A000h; Konami SCC 5000h, 7000h, 9000h, B000h;
//    ASCII 8K 6000h, 6800h, 7000h, 7800h; ASCII 16K 6000h, 7000h, 77FFh. The highest score
//    wins. Equal scores go to the kind with more stores to addresses no other kind uses,
//    then to the first of ASCII 16K, ASCII 8K, Konami SCC, Konami (6000h and 7000h alone
//    are what ASCII 16K programs write).
// 3. Without such stores the header decides: "CD" alone is Konami; a start address in
//    4000h-7FFFh on an image over 64 KB, which no plain cartridge can show, is ASCII 8K.
// 4. Otherwise the image is plain. With no "AB" at offset 0 but one at 4000h (48 and 64 KB
//    images whose first page is empty) it is mapped from 0000h, so the header lands at
//    4000h. Otherwise the header's start address gives the page: below 4000h page 0;
//    4000h-7FFFh page 1, or page 0 for images over 32 KB; 8000h-BFFFh page 2 for images up
//    to 16 KB, else page 1; anything higher page 1.
// Blocks are 8 KB for the Konami, Konami SCC and ASCII 8K schemes and for an 8 KB image
// of any other kind but ASCII 16K, 16 KB otherwise. An 8-bit bank number reaches 256 blocks; larger images are refused.
class TCartridgeAnalysis {
public:
    static constexpr std::uintmax_t maximumImageSize = 4 * 1024 * 1024;
    static constexpr std::int32_t maximumBlockCount = 256;
    static constexpr std::size_t headerSize = 32;

    // Analyses an image file as the given kind; 0, or -1 when the file cannot be read or
    // cannot be a cartridge, with the reason in problem when one is given.
    static std::int32_t AnalyseROM(const std::filesystem::path& fileName, TROMAnalysis& analysis,
                                   TCartridgeKind kind = TCartridgeKind::automatic, std::string* problem = nullptr);
    // The same for an image in memory.
    static bool AnalyseImage(std::span<const std::uint8_t> image, TROMAnalysis& analysis, TCartridgeKind kind,
                             std::string* problem = nullptr);
    // "ASCII 16K", "Plain at page 1 (4000h)".
    static std::string KindText(std::uint8_t cartridgeKind);
    // "ASCII 16K, 8 blocks of 16 KB", "Plain at page 1 (4000h), 2 blocks of 16 KB".
    static std::string Describe(const TROMAnalysis& analysis);
};
