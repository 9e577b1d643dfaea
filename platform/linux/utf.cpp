#include "platform/linux/utf.h"

#include <glib.h>

namespace vorundel::linux_desktop {

std::optional<std::string> ToUtf8(std::u16string_view text) {
  if (text.empty()) {
    return std::string();
  }
  glong written = 0;
  g_autofree gchar* utf8 =
      g_utf16_to_utf8(reinterpret_cast<const gunichar2*>(text.data()),
                      static_cast<glong>(text.size()), nullptr, &written,
                      nullptr);
  if (utf8 == nullptr) {
    return std::nullopt;
  }
  return std::string(utf8, static_cast<std::size_t>(written));
}

std::u16string ToUtf16(std::string_view text) {
  if (text.empty()) {
    return {};
  }
  g_autofree gchar* valid =
      g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
  glong written = 0;
  g_autofree gunichar2* utf16 =
      g_utf8_to_utf16(valid, -1, nullptr, &written, nullptr);
  if (utf16 == nullptr) {
    return {};
  }
  return std::u16string(reinterpret_cast<const char16_t*>(utf16),
                        static_cast<std::size_t>(written));
}

std::optional<std::string> PathToUtf8(std::u16string_view path) {
  auto utf8 = ToUtf8(path);
  if (!utf8 || utf8->empty() || utf8->find('\0') != std::string::npos) {
    return std::nullopt;
  }
  return utf8;
}

}  // namespace vorundel::linux_desktop
