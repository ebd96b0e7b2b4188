#include "cpu/z80_text.h"

#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <string_view>

namespace {

// Joins the parts; the texts are short, so one pass with a reserve is enough.
std::string Concat(std::initializer_list<std::string_view> parts) {
    std::size_t size = 0;
    for (std::string_view part : parts) size += part.size();
    std::string text;
    text.reserve(size);
    for (std::string_view part : parts) text += part;
    return text;
}

std::string Hex2(unsigned value) {
    char text[12];
    std::snprintf(text, sizeof text, "%02X", value);
    return text;
}

std::string Hex4(std::uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(value));
    return text;
}

// The mnemonic left-aligned in five characters, then the operands.
std::string Instruction(const std::string& mnemonic, const std::string& operands) {
    if (operands.empty()) return mnemonic;
    std::string text = mnemonic;
    text.resize(5, ' ');
    text += operands;
    return text;
}

const char* const registerNames[8] = {"B", "C", "D", "E", "H", "L", "(HL)", "A"};
const char* const pairNames[4] = {"BC", "DE", "HL", "SP"};
const char* const conditionNames[8] = {"NZ", "Z", "NC", "C", "PO", "PE", "P", "M"};
const char* const shiftNames[8] = {"RLC", "RRC", "RL", "RR", "SLA", "SRA", "SLL", "SRL"};
const char* const arithmeticNames[8] = {"ADD", "ADC", "SUB", "SBC", "AND", "XOR", "OR", "CP"};

// Reads the instruction's bytes in the order the processor fetches them.
class TInstructionReader {
public:
    TInstructionReader(std::uint16_t address, const TZ80ByteReader& reader)
        : address(address), reader(reader) {}

    std::uint8_t Byte() { return reader(address++); }
    std::uint16_t Word() {
        const std::uint8_t low = Byte();
        return static_cast<std::uint16_t>(low | (Byte() << 8));
    }
    std::string Immediate() { return Hex2(Byte()); }
    std::string Address() { return Hex4(Word()); }
    // The absolute target of a relative jump.
    std::string RelativeTarget() {
        const auto displacement = static_cast<std::int8_t>(Byte());
        return Hex4(static_cast<std::uint16_t>(address + displacement));
    }

private:
    std::uint16_t address;
    const TZ80ByteReader& reader;
};

// Names of what an opcode addresses, with HL replaced by IX or IY after a prefix.
struct TIndexNames {
    std::string pair;  // "HL", "IX", "IY"
    std::string high;  // "H", "IXH", "IYH"
    std::string low;   // "L", "IXL", "IYL"
    bool indexed;
};

const TIndexNames plainNames{"HL", "H", "L", false};
const TIndexNames ixNames{"IX", "IXH", "IXL", true};
const TIndexNames iyNames{"IY", "IYH", "IYL", true};

class TDisassembler {
public:
    TDisassembler(std::uint16_t address, const TZ80ByteReader& reader) : in(address, reader) {}

    std::string Unprefixed() { return Main(in.Byte(), plainNames); }

private:
    TInstructionReader in;

    // (HL), or (IX + d) reading the displacement.
    std::string Memory(const TIndexNames& names) {
        if (!names.indexed) return "(HL)";
        const auto displacement = static_cast<std::int8_t>(in.Byte());
        // Negative displacements show as 32-bit two's complement: FFFFFFFE.
        const auto shown = static_cast<unsigned>(static_cast<int>(displacement));
        return Concat({"(", names.pair, " + ", Hex2(shown), ")"});
    }

    // A register field, with H and L replaced by the index halves.
    std::string Register(unsigned code, const TIndexNames& names) {
        if (code == 4) return names.high;
        if (code == 5) return names.low;
        if (code == 6) return Memory(names);
        return registerNames[code];
    }

    std::string Pair(unsigned code, const TIndexNames& names) {
        return code == 2 ? names.pair : pairNames[code];
    }

    std::string Main(std::uint8_t opcode, const TIndexNames& names) {
        const unsigned middleBits = (opcode >> 3) & 7;
        const unsigned lowBits = opcode & 7;
        const unsigned pairBits = middleBits >> 1;
        switch (opcode) {
        case 0x00: return "NOP";
        case 0x02: return "LD   (BC),A";
        case 0x12: return "LD   (DE),A";
        case 0x0A: return "LD   A,(BC)";
        case 0x1A: return "LD   A,(DE)";
        case 0x07: return "RLCA";
        case 0x0F: return "RRCA";
        case 0x17: return "RLA";
        case 0x1F: return "RRA";
        case 0x08: return "EX   AF,AF'";
        case 0x10: return Instruction("DJNZ", in.RelativeTarget());
        case 0x18: return Instruction("JR", in.RelativeTarget());
        case 0x20: case 0x28: case 0x30: case 0x38:
            return Instruction("JR",
                               Concat({conditionNames[middleBits - 4], ",", in.RelativeTarget()}));
        case 0x22: return Instruction("LD", Concat({"(", in.Address(), "),", names.pair}));
        case 0x2A: return Instruction("LD", Concat({names.pair, ",(", in.Address(), ")"}));
        case 0x32: return Instruction("LD", Concat({"(", in.Address(), "),A"}));
        case 0x3A: return Instruction("LD", Concat({"A,(", in.Address(), ")"}));
        case 0x27: return "DAA";
        case 0x2F: return "CPL";
        case 0x37: return "SCF";
        case 0x3F: return "CCF";
        case 0x76: return "HALT";
        case 0xC9: return "RET";
        case 0xC3: return Instruction("JP", in.Address());
        case 0xCD:
            if (names.indexed) return "CALL ";
            return Instruction("CALL", in.Address());
        case 0xD3: return Instruction("OUT", Concat({"(", in.Immediate(), "),A"}));
        case 0xDB: return Instruction("IN", Concat({"A,(", in.Immediate(), ")"}));
        case 0xD9: return "EXX";
        case 0xE3: return Instruction("EX", Concat({names.pair, ",(SP)"}));
        case 0xE9: return Instruction("LD", Concat({"PC,", names.pair}));
        case 0xEB: return "EX   DE,HL";
        case 0xF3: return "DI";
        case 0xFB: return "EI";
        case 0xF9: return Instruction("LD", Concat({"SP,", names.pair}));
        case 0xF1: return "POP  AF";
        case 0xF5: return "PUSH AF";
        case 0xCB:
            if (!names.indexed) return BitOperation(in.Byte());
            return IndexedBitOperation();
        case 0xDD:
            if (!names.indexed) return Main(in.Byte(), ixNames);
            return {};
        case 0xFD:
            if (!names.indexed) return Main(in.Byte(), iyNames);
            return {};
        case 0xED:
            if (!names.indexed) return Extended(in.Byte());
            return {};
        default: break;
        }

        if (opcode < 0x40) {
            switch (lowBits) {
            case 1:
                if (middleBits & 1) {
                    // ADD IX,rr and ADD IY,rr have a blank after the comma.
                    const char* comma = names.indexed ? ", " : ",";
                    return Instruction("ADD", Concat({names.pair, comma, Pair(pairBits, names)}));
                }
                return Instruction("LD", Concat({Pair(pairBits, names), ",", in.Address()}));
            case 3: return Instruction((middleBits & 1) ? "DEC" : "INC", Pair(pairBits, names));
            case 4: return Instruction("INC", Register(middleBits, names));
            case 5: return Instruction("DEC", Register(middleBits, names));
            default: {
                // LD r,n: for (IX + d) the displacement comes before the immediate.
                const std::string target = Register(middleBits, names);
                return Instruction("LD", Concat({target, ",", in.Immediate()}));
            }
            }
        }
        if (opcode < 0x80) {
            // LD r,(IX + d) and LD (IX + d),r keep H and L.
            if (lowBits == 6) {
                return Instruction("LD", Concat({registerNames[middleBits], ",", Memory(names)}));
            }
            if (middleBits == 6) {
                return Instruction("LD", Concat({Memory(names), ",", registerNames[lowBits]}));
            }
            return Instruction("LD",
                               Concat({Register(middleBits, names), ",", Register(lowBits, names)}));
        }
        if (opcode < 0xC0) return ArithmeticText(middleBits, lowBits, names);

        switch (lowBits) {
        case 0: return Instruction("RET", conditionNames[middleBits]);
        case 1: return Instruction("POP", Pair(pairBits, names));
        case 2: return Instruction("JP", Concat({conditionNames[middleBits], ",", in.Address()}));
        case 4:
            if (names.indexed) return Concat({"CALL ", conditionNames[middleBits], ","});
            return Instruction("CALL", Concat({conditionNames[middleBits], ",", in.Address()}));
        case 5: return Instruction("PUSH", Pair(pairBits, names));
        case 6: return ArithmeticWithOperand(middleBits, in.Immediate());
        default: return Instruction("RST", Hex2(opcode & 0x38));
        }
    }

    static std::string ArithmeticWithOperand(unsigned operation, const std::string& operand) {
        // ADD, ADC and SBC name the accumulator.
        const bool namesAccumulator = operation == 0 || operation == 1 || operation == 3;
        return Instruction(arithmeticNames[operation],
                           Concat({namesAccumulator ? "A," : "", operand}));
    }

    std::string ArithmeticText(unsigned operation, unsigned code, const TIndexNames& names) {
        const std::string operand = Register(code, names);
        if (names.indexed) {
            const bool withCarry = operation == 1 || operation == 3;
            // ADC and SBC on an IX or IY operand leave out the accumulator.
            if (withCarry && code >= 4 && code <= 6) {
                return Instruction(arithmeticNames[operation], operand);
            }
            if (operation == 3 && code == 7) return "SBC  A";
        }
        return ArithmeticWithOperand(operation, operand);
    }

    // The CB table.
    static std::string BitOperation(std::uint8_t operation) {
        const unsigned bit = (operation >> 3) & 7;
        const std::string operand = registerNames[operation & 7];
        switch (operation >> 6) {
        case 0: return Instruction(shiftNames[bit], operand);
        case 1: return Instruction("BIT", Concat({std::to_string(bit), ",", operand}));
        case 2: return Instruction("RES", Concat({std::to_string(bit), ",", operand}));
        default: return Instruction("SET", Concat({std::to_string(bit), ",", operand}));
        }
    }

    // DD CB d op shows the (HL) form of the same operation.
    std::string IndexedBitOperation() {
        in.Byte();
        const std::uint8_t operation = in.Byte();
        const bool supported = (operation & 0xC0) == 0x40 || (operation & 7) == 6;
        if (!supported) return {};
        return BitOperation(static_cast<std::uint8_t>((operation & 0xF8) | 6));
    }

    std::string Extended(std::uint8_t opcode) {
        const unsigned middleBits = (opcode >> 3) & 7;
        const std::string pair = pairNames[(opcode >> 4) & 3];
        switch (opcode) {
        case 0x40: case 0x48: case 0x50: case 0x58: case 0x60: case 0x68: case 0x78:
            return Instruction("IN", Concat({registerNames[middleBits], ",(C)"}));
        case 0x70: return "IN   F,(C)";
        case 0x41: case 0x49: case 0x51: case 0x59: case 0x61: case 0x69: case 0x79:
            return Instruction("OUT", Concat({"(C),", registerNames[middleBits]}));
        case 0x42: case 0x52: case 0x62: case 0x72: return Instruction("SBC", Concat({"HL,", pair}));
        case 0x4A: case 0x5A: case 0x6A: case 0x7A: return Instruction("ADC", Concat({"HL,", pair}));
        case 0x43: case 0x53: case 0x63: case 0x73:
            return Instruction("LD", Concat({"(", in.Address(), "),", pair}));
        case 0x4B: case 0x5B: case 0x6B: case 0x7B:
            return Instruction("LD", Concat({pair, ",(", in.Address(), ")"}));
        case 0x44: return "NEG";
        case 0x45: return "RETN";
        case 0x4D: return "RETI";
        case 0x46: return "IM   0";
        case 0x56: return "IM   1";
        case 0x5E: return "IM   2";
        case 0x47: return "LD   I,A";
        case 0x4F: return "LD   R,A";
        case 0x57: return "LD   A,I";
        case 0x5F: return "LD   A,R";
        case 0x67: return "RRD";
        case 0x6F: return "RLD";
        case 0xA0: return "LDI";
        case 0xA1: return "CPI";
        case 0xA2: return "INI";
        case 0xA3: return "OUTI";
        case 0xA8: return "LDD";
        case 0xA9: return "CPD";
        case 0xAA: return "IND";
        case 0xAB: return "OUTD";
        case 0xB0: return "LDIR";
        case 0xB1: return "CPIR";
        case 0xB2: return "INIR";
        case 0xB3: return "OTIR";
        case 0xB8: return "LDDR";
        case 0xB9: return "CPDR";
        case 0xBA: return "INDR";
        case 0xBB: return "OTDR";
        default: return {};  // the redundant ED ED, the trap ED FE and the unsupported rest
        }
    }
};

}  // namespace

std::string Z80InstructionText(std::uint16_t address, const TZ80ByteReader& reader) {
    return TDisassembler(address, reader).Unprefixed();
}

int Z80InstructionLength(std::uint16_t address, const TZ80ByteReader& reader) {
    const std::uint8_t first = reader(address);
    const std::uint8_t second = reader(static_cast<std::uint16_t>(address + 1));
    const auto isIndexPrefix = [](std::uint8_t byte) { return byte == 0xDD || byte == 0xFD; };
    if ((isIndexPrefix(first) && isIndexPrefix(second)) || (first == 0xED && second == 0xED)) return 1;
    // The text of a prefixed CALL leaves out the address it executes with.
    if (isIndexPrefix(first) && (second == 0xCD || (second & 0xC7) == 0xC4)) return 4;
    int length = 1;
    Z80InstructionText(address, [&](std::uint16_t at) {
        length = std::max(length, static_cast<std::uint16_t>(at - address) + 1);
        return reader(at);
    });
    return length;
}

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
    return Concat({"SP:", Hex4(sp), " FLAGS:", Z80FlagString(static_cast<std::uint8_t>(af)),
                   "\n\t\t\tAF:", Hex4(af), " BC:", Hex4(bc), " DE:", Hex4(de), " HL:", Hex4(hl),
                   " IX:", Hex4(ix), " IY:", Hex4(iy), "\n\n"});
}

std::string Z80InstructionRecord(std::uint16_t address, const std::string& text) {
    return Concat({Hex4(address), ": ", text, "\t\t"});
}

std::string Z80InstructionLine(std::uint16_t address, const std::string& text) {
    return Concat({" ", Hex4(address), "   ", text});
}
