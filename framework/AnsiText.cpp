#include "framework/AnsiText.h"

namespace {

bool ConvertsExactly(const wchar_t* text, int length)
{
    if (length == 0) return true;
    // UTF-8 holds every character but a lone surrogate, and takes neither
    // WC_NO_BEST_FIT_CHARS nor the default character's flag.
    if (::GetACP() == CP_UTF8)
        return ::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text, length, nullptr, 0, nullptr, nullptr) > 0;
    const int size = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, length, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return false;
    std::string narrow(static_cast<size_t>(size), '\0');
    BOOL usedDefault = FALSE;
    return ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, length, &narrow[0], size, nullptr, &usedDefault) ==
               size &&
           !usedDefault;
}

int CharacterLength(const std::wstring& text, size_t at)
{
    return IS_HIGH_SURROGATE(text[at]) && at + 1 < text.size() && IS_LOW_SURROGATE(text[at + 1]) ? 2 : 1;
}

}  // namespace

std::wstring WideWindowText(HWND hWnd)
{
    std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(hWnd)) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(hWnd, &text[0], static_cast<int>(text.size()))));
    return text;
}

std::optional<TextSpan> FirstCharacterNotInCodePage(const std::wstring& text)
{
    if (ConvertsExactly(text.data(), static_cast<int>(text.size()))) return std::nullopt;
    for (size_t at = 0; at < text.size();) {
        const int length = CharacterLength(text, at);
        if (!ConvertsExactly(text.data() + at, length)) return TextSpan{ static_cast<int>(at), length };
        at += static_cast<size_t>(length);
    }
    // Each character alone converts, yet not the whole: the text as a whole is what differs.
    return TextSpan{ 0, static_cast<int>(text.size()) };
}
