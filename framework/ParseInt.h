#pragma once
// Reads the whole of `text` as a signed decimal integer that fits in 32 bits.
// Blanks around the number are allowed; anything else ("12a", "", "abc",
// "99999999999") fails and leaves `value` unchanged.
bool ParseDecimalInt(const char* text, int& value);
