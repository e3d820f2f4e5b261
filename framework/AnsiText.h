#pragma once
// The controls hold their texts in UTF-16; the program holds them as bytes
// of the ANSI code page, which lacks most characters.
#include <windows.h>

#include <optional>
#include <string>

// A stretch of a control's text, in UTF-16 code units.
struct TextSpan {
    int start = 0;
    int length = 0;
};

// The control's text as the control holds it.
std::wstring WideWindowText(HWND hWnd);

// The first character of the text that the ANSI code page cannot hold as it
// is: its narrow form would have a look-alike or the default character there.
// A surrogate pair counts as one character. Nothing when the whole text
// converts exactly.
std::optional<TextSpan> FirstCharacterNotInCodePage(const std::wstring& text);
