#include "core/ParseInt.h"

#include <climits>
#include <cstring>

namespace {
bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
}  // namespace

DecimalRead ReadDecimalInt(const char*& begin, const char* end, int& value)
{
    const char* p = begin;
    bool negative = false;
    if (p != end && (*p == '+' || *p == '-')) negative = (*p++ == '-');
    if (p == end || !IsDigit(*p)) return DecimalRead::NoDigits;

    // Accumulate the magnitude in a wider type and stop as soon as it leaves int's range.
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    long long magnitude = 0;
    for (; p != end && IsDigit(*p); ++p) {
        magnitude = magnitude * 10 + (*p - '0');
        if (magnitude > limit) return DecimalRead::OutOfRange;
    }
    value = static_cast<int>(negative ? -magnitude : magnitude);
    begin = p;
    return DecimalRead::Number;
}

bool ParseDecimalInt(const char* text, int& value)
{
    const char* p = text;
    const char* end = text + std::strlen(text);
    while (IsBlank(*p)) ++p;
    int number = 0;
    if (ReadDecimalInt(p, end, number) != DecimalRead::Number) return false;
    while (IsBlank(*p)) ++p;
    if (p != end) return false;
    value = number;
    return true;
}
