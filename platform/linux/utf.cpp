#include "platform/linux/utf.h"

#include <glib.h>

namespace vorundel::linux_desktop {

std::optional<std::string> ToUtf8(std::u16string_view text) {
  // By hand: GLib's converter stops at the first NUL, and a NUL inside a
  // name must stay visible to the callers that refuse it.
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xDC00 && c < 0xE000) {
      return std::nullopt;
    }
    if (c >= 0xD800 && c < 0xDC00) {
      if (i + 1 >= text.size() || text[i + 1] < 0xDC00 ||
          text[i + 1] >= 0xE000) {
        return std::nullopt;
      }
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    }
    gchar encoded[6];
    out.append(encoded,
               static_cast<std::size_t>(g_unichar_to_utf8(c, encoded)));
  }
  return out;
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
