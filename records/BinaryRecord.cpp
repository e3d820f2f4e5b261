#include "records/BinaryRecord.h"

#include <fstream>
#include <limits>
#include <utility>

#include "records/SafeFileReplace.h"
#include "records/TextLines.h"

namespace {

// Byte by byte, so that the file does not depend on the host's byte order.
void WriteInt32(std::ostream& out, std::int32_t value)
{
    const auto bits = static_cast<std::uint32_t>(value);
    const char bytes[4] = { static_cast<char>(bits & 0xFF), static_cast<char>((bits >> 8) & 0xFF),
                            static_cast<char>((bits >> 16) & 0xFF), static_cast<char>((bits >> 24) & 0xFF) };
    out.write(bytes, sizeof bytes);
}

bool ReadInt32(std::istream& in, std::int32_t& value)
{
    unsigned char bytes[4];
    if (!in.read(reinterpret_cast<char*>(bytes), sizeof bytes)) return false;
    const std::uint32_t bits = std::uint32_t{ bytes[0] } | std::uint32_t{ bytes[1] } << 8 |
                               std::uint32_t{ bytes[2] } << 16 | std::uint32_t{ bytes[3] } << 24;
    // Two's complement without relying on an out-of-range conversion.
    value = bits <= 0x7FFFFFFFu
                ? static_cast<std::int32_t>(bits)
                : static_cast<std::int32_t>(bits - 0x80000000u) + std::numeric_limits<std::int32_t>::min();
    return true;
}

void WriteName(std::ostream& out, const std::string& name)
{
    WriteInt32(out, static_cast<std::int32_t>(name.size()));
    out.write(name.data(), static_cast<std::streamsize>(name.size()));
}

// A length beyond a field's is refused before any of its bytes are read.
bool ReadName(std::istream& in, std::string& name)
{
    std::int32_t length = 0;
    if (!ReadInt32(in, length) || length < 0 || static_cast<std::size_t>(length) > kMaxFieldLength) return false;
    name.resize(static_cast<std::size_t>(length));
    return in.read(name.data(), length) && IsSingleLineText(name);
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

SaveResult SaveBinaryRecordTo(SafeFileReplace& target, const BinaryRecord& record)
{
    // The form's fields hold no line break or zero byte and at most a field's length.
    if (!IsFieldText(record.name) || !IsFieldText(record.vorname)) return SaveResult::WriteFailed;
    return target.Replace([&record](const std::string& tempPath) {
        std::ofstream out(tempPath, std::ios::binary);
        if (!out.is_open()) return SaveResult::CannotOpen;
        const bool written = WriteBinaryRecord(out, record);
        out.close();
        return written && out ? SaveResult::Saved : SaveResult::WriteFailed;
    });
}

SaveResult SaveBinaryRecord(const char* path, const BinaryRecord& record)
{
    SafeFileReplace target(path);
    return target.CanReplace() ? SaveBinaryRecordTo(target, record) : SaveResult::CannotOpen;
}

LoadResult ReadBinaryRecord(std::istream& in, BinaryRecord& record)
{
    BinaryRecord loaded;
    if (!ReadName(in, loaded.name) || !ReadName(in, loaded.vorname) || !ReadInt32(in, loaded.matrnr) ||
        !ReadInt32(in, loaded.wohnort))
        return LoadResult::Malformed;
    record = std::move(loaded);
    return LoadResult::Loaded;
}

LoadResult LoadBinaryRecord(const char* path, BinaryRecord& record)
{
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open()) return LoadResult::CannotOpen;
    return ReadBinaryRecord(in, record);
}
