// Text between the ANSI code page (the program's files, the ...A functions)
// and the wide strings of COM and the ...W functions. Every conversion uses
// CP_ACP both ways, so a Windows-1252 text makes the exact round trip.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>

namespace com {

inline std::wstring AnsiToWide(const char* text, size_t length) {
    if (!text || length == 0) return {};
    const int n = MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0);
    if (n <= 0) return {};
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), out.data(), n);
    return out;
}

inline std::wstring AnsiToWide(const std::string& text) { return AnsiToWide(text.data(), text.size()); }

// A character the code page lacks becomes the code page's default character.
inline std::string WideToAnsi(const wchar_t* text, size_t length) {
    if (!text || length == 0) return {};
    const int n = WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    if (n <= 0) return {};
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), out.data(), n, nullptr, nullptr);
    return out;
}

inline std::string WideToAnsi(const std::wstring& text) { return WideToAnsi(text.data(), text.size()); }

// A BSTR by its stored length (it may hold NULs); null reads as empty.
inline std::string BstrToAnsi(BSTR text) { return text ? WideToAnsi(text, SysStringLen(text)) : std::string(); }

// A new BSTR for the caller to free; null only when memory runs out.
inline BSTR AnsiToBstr(const std::string& text) {
    const std::wstring wide = AnsiToWide(text);
    return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

}  // namespace com
