#pragma once
// Narrow text of the form: bytes in the ANSI code page, held exactly as given.
#include <string>

class CString {
public:
    CString() = default;
    CString(const char* text);  // a null pointer gives the empty string
    CString(const char* bytes, int length);
    explicit CString(const std::string& bytes);

    int GetLength() const;
    bool IsEmpty() const;
    void Empty();
    const char* GetString() const;
    operator const char*() const;
    std::string ToStdString() const;

    CString& operator=(const char* text);

    bool operator==(const CString& other) const;
    bool operator==(const char* text) const;

private:
    std::string m_bytes;
};
