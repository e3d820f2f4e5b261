#include "records/BinaryRecord.h"

#include "records/SafeFileReplace.h"
#include "records/TextLines.h"

#include <algorithm>
#include <fstream>
#include <limits>
#include <utility>

namespace {

// The form's single-line fields cannot hold a line break or a zero byte, and
// the length has to fit its 32-bit field.
bool IsStorableName(const std::string& name)
{
    return IsSingleLineText(name) && name.size() <= static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());
}

// Byte by byte, so that the file does not depend on the host's byte order.
void WriteInt32(std::ostream& out, std::int32_t value)
{
    const auto bits = static_cast<std::uint32_t>(value);
    const char bytes[4] = {static_cast<char>(bits & 0xFF), static_cast<char>((bits >> 8) & 0xFF),
                           static_cast<char>((bits >> 16) & 0xFF), static_cast<char>((bits >> 24) & 0xFF)};
    out.write(bytes, sizeof bytes);
}

bool ReadInt32(std::istream& in, std::int32_t& value)
{
    unsigned char bytes[4];
    if (!in.read(reinterpret_cast<char*>(bytes), sizeof bytes))
        return false;
    const std::uint32_t bits = std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 | std::uint32_t{bytes[2]} << 16
        | std::uint32_t{bytes[3]} << 24;
    // Two's complement without relying on an out-of-range conversion.
    value = bits <= 0x7FFFFFFFu ? static_cast<std::int32_t>(bits)
                                : static_cast<std::int32_t>(bits - 0x80000000u) + std::numeric_limits<std::int32_t>::min();
    return true;
}

void WriteName(std::ostream& out, const std::string& name)
{
    WriteInt32(out, static_cast<std::int32_t>(name.size()));
    out.write(name.data(), static_cast<std::streamsize>(name.size()));
}

// The name grows only by bytes that actually arrive, so a forged length
// ends with the file instead of forcing a huge allocation.
bool ReadName(std::istream& in, std::string& name)
{
    constexpr std::size_t chunkSize = 4096;
    std::int32_t length = 0;
    if (!ReadInt32(in, length) || length < 0)
        return false;
    const auto total = static_cast<std::size_t>(length);
    name.clear();
    while (name.size() < total) {
        const std::size_t start = name.size();
        const std::size_t chunk = std::min(total - start, chunkSize);
        name.resize(start + chunk);
        if (!in.read(&name[start], static_cast<std::streamsize>(chunk)))
            return false;
    }
    return IsSingleLineText(name);
}

}  // namespace

bool WriteBinaryRecord(std::ostream& out, const BinaryRecord& record)
{
    WriteName(out, record.name);
    WriteName(out, record.vorname);
    WriteInt32(out, record.matrnr);
    WriteInt32(out, record.wohnort);
    return static_cast<bool>(out);
}

SaveResult SaveBinaryRecord(const char* path, const BinaryRecord& record)
{
    if (!IsStorableName(record.name) || !IsStorableName(record.vorname))
        return SaveResult::WriteFailed;
    return ReplaceFileSafely(path, [&record](const std::string& tempPath) {
        std::ofstream out(tempPath, std::ios::binary);
        if (!out.is_open())
            return SaveResult::CannotOpen;
        const bool written = WriteBinaryRecord(out, record);
        out.close();
        return written && out ? SaveResult::Saved : SaveResult::WriteFailed;
    });
}

LoadResult ReadBinaryRecord(std::istream& in, BinaryRecord& record)
{
    BinaryRecord loaded;
    if (!ReadName(in, loaded.name) || !ReadName(in, loaded.vorname) || !ReadInt32(in, loaded.matrnr)
        || !ReadInt32(in, loaded.wohnort))
        return LoadResult::Malformed;
    record = std::move(loaded);
    return LoadResult::Loaded;
}

LoadResult LoadBinaryRecord(const char* path, BinaryRecord& record)
{
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open())
        return LoadResult::CannotOpen;
    return ReadBinaryRecord(in, record);
}
