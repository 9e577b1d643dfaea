// A key of HKEY_CLASSES_ROOT opened read only; closed when destroyed.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <type_traits>

#include "platform/platform.h"

namespace vorundel::win32 {

struct HkeyCloser {
  void operator()(HKEY key) const { RegCloseKey(key); }
};
using UniqueHkey = std::unique_ptr<std::remove_pointer_t<HKEY>, HkeyCloser>;

class Win32ClassesKey final : public ClassesKey {
 public:
  // Null when `subkey` cannot be opened for reading.
  static std::unique_ptr<Win32ClassesKey> Open(const std::u16string& subkey);

  // The default value at whatever length it has, never read past the size
  // the registry gives, ending at its first NUL or at that size.
  std::optional<std::u16string> ReadDefaultValue() override;

 private:
  explicit Win32ClassesKey(UniqueHkey key) : key_(std::move(key)) {}
  UniqueHkey key_;
};

}  // namespace vorundel::win32
