#pragma once

#include <QString>

// Upper-case hexadecimal, zero-padded to the given number of digits, as the
// debug windows show their values.
inline QString HexText(unsigned value, int digits) {
    return QString("%1").arg(value, digits, 16, QChar('0')).toUpper();
}
