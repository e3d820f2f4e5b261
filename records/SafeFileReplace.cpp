#include "records/SafeFileReplace.h"

#include <cstdio>
#include <random>
#include <utility>

std::string RandomTempName(const std::string& target)
{
    static std::mt19937 generator{ std::random_device{}() };
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, ".~k%06x.tmp", static_cast<unsigned>(generator() & 0xFFFFFF));
    return target + suffix;
}

SafeFileReplace::SafeFileReplace(std::string path, TempNameSource nextTempName)
    : m_path(std::move(path)), m_nextTempName(std::move(nextTempName))
{
}

bool SafeFileReplace::CanReplace()
{
    m_replaceable = ::CanReplace(m_path.c_str(), m_kept);
    return m_replaceable;
}

SaveResult SafeFileReplace::Replace(const TempFileWriter& writeTemp)
{
    if (!m_replaceable) return SaveResult::CannotOpen;

    // Same folder as the target, so that the final rename stays on one volume.
    std::string tempPath;
    CreateResult created = CreateResult::Taken;
    for (int attempt = 0; attempt < kTempNameAttempts && created == CreateResult::Taken; ++attempt) {
        tempPath = m_nextTempName(m_path);
        created = CreateExclusively(tempPath);
    }
    if (created != CreateResult::Created) return SaveResult::CannotOpen;

    const SaveResult written = writeTemp(tempPath);
    if (written == SaveResult::Saved && KeepAttributesAndFlush(tempPath, m_kept) &&
        ReplaceDurably(tempPath, m_path.c_str()))
        return SaveResult::Saved;
    std::remove(tempPath.c_str());
    return written == SaveResult::CannotOpen ? SaveResult::CannotOpen : SaveResult::WriteFailed;
}

SaveResult ReplaceFileSafely(const char* path, const TempFileWriter& writeTemp, const TempNameSource& nextTempName)
{
    SafeFileReplace target(path, nextTempName);
    return target.CanReplace() ? target.Replace(writeTemp) : SaveResult::CannotOpen;
}
