#include "framework/ParseInt.h"

#include <climits>

namespace {
bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
}

bool ParseDecimalInt(const char* text, int& value)
{
    const char* p = text;
    while (IsBlank(*p)) ++p;

    bool negative = false;
    if (*p == '+' || *p == '-') negative = (*p++ == '-');
    if (!IsDigit(*p)) return false;

    // Accumulate the magnitude in a wider type and stop as soon as it leaves int's range.
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    long long magnitude = 0;
    while (IsDigit(*p)) {
        magnitude = magnitude * 10 + (*p++ - '0');
        if (magnitude > limit) return false;
    }
    while (IsBlank(*p)) ++p;
    if (*p != '\0') return false;

    value = static_cast<int>(negative ? -magnitude : magnitude);
    return true;
}
