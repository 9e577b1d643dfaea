#include "platform/win32/classes_key.h"

#include <algorithm>
#include <vector>

#include "platform/win32/wide.h"

namespace vorundel::win32 {

std::unique_ptr<Win32ClassesKey> Win32ClassesKey::Open(
    const std::u16string& subkey) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, Wide(subkey), 0, KEY_QUERY_VALUE,
                    &key) != ERROR_SUCCESS) {
    return nullptr;
  }
  return std::unique_ptr<Win32ClassesKey>(new Win32ClassesKey(UniqueHkey(key)));
}

std::optional<std::u16string> Win32ClassesKey::ReadDefaultValue() {
  DWORD size = 0;
  if (RegQueryValueExW(key_.get(), nullptr, nullptr, nullptr, nullptr, &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  // The value may grow between asking its size and reading it: one retry.
  for (int attempt = 0; attempt < 2; ++attempt) {
    std::vector<BYTE> bytes(size);
    DWORD got = size;
    const LSTATUS status =
        RegQueryValueExW(key_.get(), nullptr, nullptr, nullptr,
                         bytes.empty() ? nullptr : bytes.data(), &got);
    if (status == ERROR_SUCCESS) {
      const std::size_t units = std::min(got, size) / sizeof(wchar_t);
      std::u16string text(units, u'\0');
      std::copy_n(bytes.data(), units * sizeof(wchar_t),
                  reinterpret_cast<BYTE*>(text.data()));
      text.resize(std::min(text.size(), text.find(u'\0')));
      return text;
    }
    if (status != ERROR_MORE_DATA) {
      return std::nullopt;
    }
    size = got;
  }
  return std::nullopt;
}

}  // namespace vorundel::win32
