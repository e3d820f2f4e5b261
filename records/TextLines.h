#pragma once

#include <cstddef>
#include <cstdio>
#include <istream>
#include <string>

// Helpers shared by the record files. A line ends at CR LF or at a bare LF;
// the last line of a file may lack its end, and then keeps every byte it has.

// The most an edit field of the form takes by typing or pasting. No value in
// a record file, and so no line of one, may be longer; a load stops reading
// as soon as one is, so that a file of any size is refused quickly.
constexpr std::size_t kMaxFieldLength = 32767;

// True when the text can be one of the form's values in a record file: at
// most kMaxFieldLength bytes, and no zero byte, CR or LF.
bool IsFieldText(const std::string& text);

// Reads the next line without its line end. False when the file has no
// further line, cannot be read, or the line is longer than kMaxFieldLength.
bool ReadTextLine(std::FILE* file, std::string& line);
bool ReadTextLine(std::istream& in, std::string& line);

// Reads a line that goes into one of the form's single-line fields: false
// also when it holds a zero byte or CR.
bool ReadFieldLine(std::FILE* file, std::string& value);
bool ReadFieldLine(std::istream& in, std::string& value);

// Reads a line that must hold a number (see ScanNumber) fitting in 32 bits.
bool ReadNumberLine(std::FILE* file, int& number);
bool ReadNumberLine(std::istream& in, int& number);

enum class NumberScan { Number, NoNumber, OutOfRange };

// Reads a number the way "%d" does (leading white space, optional sign,
// digits; whatever follows is ignored), but reports a number that does not
// fit in 32 bits instead of leaving it undefined. Sets value only for Number.
NumberScan ScanNumber(const std::string& line, int& value);

// True when the text can be one line of a record file and one value of the
// form's single-line fields: it holds no zero byte, CR or LF.
bool IsSingleLineText(const std::string& text);
