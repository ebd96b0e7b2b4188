#include "cpu/z80_text.h"

#include <cstdio>

namespace {

std::string Hex4(std::uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", value);
    return text;
}

}  // namespace

std::string Z80InstructionText(std::uint16_t, const TZ80ByteReader&) { return {}; }

std::string Z80FlagString(std::uint8_t flags) {
    std::string text = "P.......";
    if (flags & 0x80) text[0] = 'M';
    if (flags & 0x40) text[1] = 'Z';
    if (flags & 0x10) text[3] = 'H';
    if (flags & 0x04) text[5] = 'V';
    if (flags & 0x02) text[6] = 'N';
    if (flags & 0x01) text[7] = 'C';
    return text;
}

std::string Z80RegisterRecord(std::uint16_t af, std::uint16_t bc, std::uint16_t de,
                              std::uint16_t hl, std::uint16_t ix, std::uint16_t iy,
                              std::uint16_t sp) {
    return "SP:" + Hex4(sp) + " FLAGS:" + Z80FlagString(static_cast<std::uint8_t>(af)) +
           "\n\t\t\tAF:" + Hex4(af) + " BC:" + Hex4(bc) + " DE:" + Hex4(de) + " HL:" + Hex4(hl) +
           " IX:" + Hex4(ix) + " IY:" + Hex4(iy) + "\n\n";
}

std::string Z80InstructionRecord(std::uint16_t address, const std::string& text) {
    return Hex4(address) + ": " + text + "\t\t";
}

std::string Z80InstructionLine(std::uint16_t address, const std::string& text) {
    return " " + Hex4(address) + "   " + text;
}
