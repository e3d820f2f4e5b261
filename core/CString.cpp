#include "core/CString.h"

CString::CString(const char* text) : m_bytes(text ? text : "") {}

CString::CString(const char* bytes, int length) : m_bytes(bytes, static_cast<size_t>(length)) {}

CString::CString(const std::string& bytes) : m_bytes(bytes) {}

int CString::GetLength() const { return static_cast<int>(m_bytes.size()); }

bool CString::IsEmpty() const { return m_bytes.empty(); }

void CString::Empty() { m_bytes.clear(); }

const char* CString::GetString() const { return m_bytes.c_str(); }

CString::operator const char*() const { return m_bytes.c_str(); }

std::string CString::ToStdString() const { return m_bytes; }

CString& CString::operator=(const char* text)
{
    m_bytes = text ? text : "";
    return *this;
}

bool CString::operator==(const CString& other) const { return m_bytes == other.m_bytes; }

bool CString::operator==(const char* text) const { return m_bytes == (text ? text : ""); }
