#pragma once

#include <QStringView>

// Reads the number at the start of a port text, as operators' port texts have always been
// read: spaces, tabs and line feeds are ignored anywhere; then an optional sign,
// decimal digits with at most one ".", and an optional exponent (E or D, optional sign,
// digits); reading stops at the first character that does not fit. "&H" and "&O" start a
// hexadecimal or octal integer of 32 bits, two's complement ("&H50" is 80, "&HFFFFFFFF" is -1);
// more digits than 32 bits hold put it out of range. A text without a number reads as 0.
// Returns false, leaving *value at 0, when the number lies outside the range of a double
// (too large, or so small it would vanish to 0): no value stands for it.
bool readPortNumber(QStringView text, double *value);

// A port is usable when its number is in range and greater than 0.
bool isValidPort(QStringView text);
