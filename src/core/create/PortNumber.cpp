#include "create/PortNumber.h"

#include <QString>

#include <charconv>
#include <cstdint>
#include <string>
#include <system_error>

namespace {

bool isIgnored(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n';
}

bool isDecimalDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

// Value of c as a digit of the given base (8 or 16), or -1.
int digitValue(char16_t c, int base)
{
    int digit = -1;
    if (c >= u'0' && c <= u'9')
        digit = c - u'0';
    else if (c >= u'a' && c <= u'f')
        digit = c - u'a' + 10;
    else if (c >= u'A' && c <= u'F')
        digit = c - u'A' + 10;
    return digit < base ? digit : -1;
}

// The digits after "&H" or "&O" as a 32-bit two's complement integer.
bool readBasedInteger(const std::u16string &text, int base, double *value)
{
    std::uint64_t magnitude = 0;
    for (std::size_t i = 2; i < text.size(); ++i) {
        const int digit = digitValue(text[i], base);
        if (digit < 0)
            break;
        magnitude = magnitude * static_cast<std::uint64_t>(base)
            + static_cast<std::uint64_t>(digit);
        if (magnitude > 0xFFFFFFFFULL)
            return false;
    }
    *value = static_cast<double>(static_cast<std::int32_t>(static_cast<std::uint32_t>(magnitude)));
    return true;
}

// The longest decimal number at the start of text, as plain ASCII that from_chars accepts
// (sign left out, exponent letter written as 'e').
std::string decimalPrefix(const std::u16string &text, std::size_t start)
{
    std::string number;
    std::size_t i = start;
    bool digits = false;
    while (i < text.size() && isDecimalDigit(text[i])) {
        number += static_cast<char>(text[i++]);
        digits = true;
    }
    if (i < text.size() && text[i] == u'.') {
        number += '.';
        ++i;
        while (i < text.size() && isDecimalDigit(text[i])) {
            number += static_cast<char>(text[i++]);
            digits = true;
        }
    }
    if (!digits)
        return {};

    const bool exponentLetter = i < text.size()
        && (text[i] == u'E' || text[i] == u'e' || text[i] == u'D' || text[i] == u'd');
    if (exponentLetter) {
        std::size_t j = i + 1;
        std::string exponent = "e";
        if (j < text.size() && (text[j] == u'+' || text[j] == u'-'))
            exponent += static_cast<char>(text[j++]);
        bool exponentDigits = false;
        while (j < text.size() && isDecimalDigit(text[j])) {
            exponent += static_cast<char>(text[j++]);
            exponentDigits = true;
        }
        // A lone "E" or "E-" does not fit, so reading stops before it.
        if (exponentDigits)
            number += exponent;
    }
    return number;
}

} // namespace

bool readPortNumber(QStringView text, double *value)
{
    *value = 0;

    std::u16string compact;
    compact.reserve(static_cast<std::size_t>(text.size()));
    for (const QChar c : text) {
        if (!isIgnored(c))
            compact += c.unicode();
    }

    if (compact.size() >= 2 && compact[0] == u'&') {
        if (compact[1] == u'H' || compact[1] == u'h')
            return readBasedInteger(compact, 16, value);
        if (compact[1] == u'O' || compact[1] == u'o')
            return readBasedInteger(compact, 8, value);
        return true;
    }

    std::size_t start = 0;
    bool negative = false;
    if (!compact.empty() && (compact[0] == u'+' || compact[0] == u'-')) {
        negative = compact[0] == u'-';
        start = 1;
    }

    const std::string number = decimalPrefix(compact, start);
    if (number.empty())
        return true;

    double magnitude = 0;
    const auto [end, error] =
        std::from_chars(number.data(), number.data() + number.size(), magnitude);
    if (error != std::errc() || end != number.data() + number.size())
        return false;
    *value = negative ? -magnitude : magnitude;
    return true;
}

bool isValidPort(QStringView text)
{
    double value = 0;
    return readPortNumber(text, &value) && value > 0;
}
