// An HFONT that is deleted with its owner.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

namespace vorundel::win32 {

struct FontDeleter {
  void operator()(HFONT font) const { DeleteObject(font); }
};
using UniqueFont = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;

}  // namespace vorundel::win32
