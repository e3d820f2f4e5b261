#pragma once
// Decimal integers from text, in 32 bits. Window-free: the record files read
// their number lines with the same reader as the form's number fields.

enum class DecimalRead { Number, NoDigits, OutOfRange };

// Reads an optional sign and the decimal digits that follow it from the
// start of [begin, end). On Number, sets `value` and moves `begin` past the
// last digit; otherwise changes neither. OutOfRange as soon as the digits
// leave int's range, NoDigits when no digit follows the sign.
DecimalRead ReadDecimalInt(const char*& begin, const char* end, int& value);

// Reads the whole of `text` as a signed decimal integer that fits in 32 bits.
// Blanks around the number are allowed; anything else ("12a", "", "abc",
// "99999999999") fails and leaves `value` unchanged.
bool ParseDecimalInt(const char* text, int& value);
