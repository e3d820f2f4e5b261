#include "records/TextLines.h"

#include <cstring>

#include "core/ParseInt.h"

namespace {

void RemoveCarriageReturn(std::string& line)
{
    if (!line.empty() && line.back() == '\r') line.pop_back();
}

bool IsScanSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

template <typename Source>
bool ReadFieldLineFrom(Source& source, std::string& value)
{
    return ReadTextLine(source, value) && IsSingleLineText(value);
}

template <typename Source>
bool ReadNumberLineFrom(Source& source, int& number)
{
    std::string line;
    return ReadTextLine(source, line) && ScanNumber(line, number) == NumberScan::Number;
}

}  // namespace

bool IsFieldText(const std::string& text) { return text.size() <= kMaxFieldLength && IsSingleLineText(text); }

bool ReadTextLine(std::FILE* file, std::string& line)
{
    line.clear();
    char chunk[1024];
    for (;;) {
        // fgets does not say how much it read, and a zero byte in the line
        // would hide the rest from strlen. With the chunk filled with LF
        // beforehand, the first LF is either the line's end, followed by the
        // terminating zero, or the first untouched byte, preceded by it.
        std::memset(chunk, '\n', sizeof chunk);
        if (!std::fgets(chunk, sizeof chunk, file))
            return !std::ferror(file) && !line.empty() && line.size() <= kMaxFieldLength;

        const char* found = static_cast<const char*>(std::memchr(chunk, '\n', sizeof chunk));
        const std::size_t at = found ? static_cast<std::size_t>(found - chunk) : sizeof chunk;
        if (at + 1 < sizeof chunk && chunk[at + 1] == '\0') {
            line.append(chunk, at);
            RemoveCarriageReturn(line);
            return line.size() <= kMaxFieldLength;
        }
        // No line end in this chunk: it is full, or the file ends here.
        line.append(chunk, found ? at - 1 : sizeof chunk - 1);
        if (line.size() > kMaxFieldLength + 1) return false;  // too long even with a CR before its LF
    }
}

bool ReadTextLine(std::istream& in, std::string& line)
{
    line.clear();
    char c;
    while (in.get(c)) {
        if (c == '\n') {
            RemoveCarriageReturn(line);
            return line.size() <= kMaxFieldLength;
        }
        if (line.size() > kMaxFieldLength) return false;  // too long even with a CR before its LF
        line.push_back(c);
    }
    // The file ends without a line end: the last line keeps every byte.
    return !in.bad() && !line.empty() && line.size() <= kMaxFieldLength;
}

bool ReadFieldLine(std::FILE* file, std::string& value) { return ReadFieldLineFrom(file, value); }

bool ReadFieldLine(std::istream& in, std::string& value) { return ReadFieldLineFrom(in, value); }

bool ReadNumberLine(std::FILE* file, int& number) { return ReadNumberLineFrom(file, number); }

bool ReadNumberLine(std::istream& in, int& number) { return ReadNumberLineFrom(in, number); }

NumberScan ScanNumber(const std::string& line, int& value)
{
    std::size_t i = 0;
    while (i < line.size() && IsScanSpace(line[i])) ++i;
    const char* number = line.data() + i;
    switch (ReadDecimalInt(number, line.data() + line.size(), value)) {
    case DecimalRead::Number: return NumberScan::Number;
    case DecimalRead::NoDigits: return NumberScan::NoNumber;
    case DecimalRead::OutOfRange: break;
    }
    return NumberScan::OutOfRange;
}

bool IsSingleLineText(const std::string& text)
{
    return text.find_first_of(std::string("\0\r\n", 3)) == std::string::npos;
}
