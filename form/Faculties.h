#pragma once
// Faculty codes by faculty index, as the text record file stores them.
#include <string>

constexpr const char* kFachbereichCodes[] = { "AI", "VW", "W" };

// The index of a code, compared exactly; -1 for any other text.
inline int FachbereichFromCode(const std::string& code)
{
    for (int index = 0; index < 3; ++index) {
        if (code == kFachbereichCodes[index]) return index;
    }
    return -1;
}
