#pragma once

#include <cstdint>
#include <functional>
#include <string>

// Reads one byte of the processor's memory for the instruction text.
using TZ80ByteReader = std::function<std::uint8_t(std::uint16_t address)>;

// The text of the instruction at address ("LD   A,B", "DJNZ 0103"), read
// through reader; empty for redundant prefixes, the trap and unsupported opcodes.
std::string Z80InstructionText(std::uint16_t address, const TZ80ByteReader& reader);

// The number of bytes the instruction at address takes: the bytes its text
// reads, and 1 for a redundant prefix, which the processor runs as a step.
int Z80InstructionLength(std::uint16_t address, const TZ80ByteReader& reader);

// Eight characters from F: "M"/"P", Z, ".", H, ".", V, N, C.
std::string Z80FlagString(std::uint8_t flags);

// The register record of the trace file "z80output.txt".
std::string Z80RegisterRecord(std::uint16_t af, std::uint16_t bc, std::uint16_t de,
                              std::uint16_t hl, std::uint16_t ix, std::uint16_t iy,
                              std::uint16_t sp);

// The instruction record of the trace file: address, ": ", text, two tabs.
std::string Z80InstructionRecord(std::uint16_t address, const std::string& text);

// The line of the debug window's instruction list: blank, address, three blanks, text.
std::string Z80InstructionLine(std::uint16_t address, const std::string& text);
