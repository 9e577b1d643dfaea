// The program's UTF-16 strings handed to the wide-character API as they
// are: on Windows wchar_t is a UTF-16 unit.
#pragma once

#include <string>
#include <string_view>

namespace vorundel::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t));

inline const wchar_t* Wide(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

inline std::u16string FromWide(const wchar_t* text, std::size_t length) {
  return std::u16string(reinterpret_cast<const char16_t*>(text), length);
}

inline std::u16string FromWide(std::wstring_view text) {
  return FromWide(text.data(), text.size());
}

}  // namespace vorundel::win32
