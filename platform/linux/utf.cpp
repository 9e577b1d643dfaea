#include "platform/linux/utf.h"

#include <glib.h>

#include <algorithm>

namespace vorundel::linux_desktop {
namespace {

constexpr char16_t kByteEscape = 0xDC00;

// With `bytes`, U+DC80..U+DCFF stand for the bytes they escape.
std::optional<std::string> Encode(std::u16string_view text, bool bytes) {
  // By hand: GLib's converter stops at the first NUL, and a NUL inside a
  // name must stay visible to the callers that refuse it.
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xDC00 && c < 0xE000) {
      if (!bytes || c < kByteEscape + 0x80 || c > kByteEscape + 0xFF) {
        return std::nullopt;
      }
      out.push_back(static_cast<char>(c - kByteEscape));
      continue;
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

// `text`, valid UTF-8 without NUL, in UTF-16.
void AppendUtf16(std::u16string& out, std::string_view text) {
  if (text.empty()) {
    return;
  }
  glong written = 0;
  g_autofree gunichar2* utf16 = g_utf8_to_utf16(
      text.data(), static_cast<glong>(text.size()), nullptr, &written, nullptr);
  if (utf16 != nullptr) {
    out.append(reinterpret_cast<const char16_t*>(utf16),
               static_cast<std::size_t>(written));
  }
}

}  // namespace

std::optional<std::string> ToUtf8(std::u16string_view text) {
  return Encode(text, false);
}

std::u16string ToUtf16(std::string_view text) {
  if (text.empty()) {
    return {};
  }
  g_autofree gchar* valid =
      g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
  std::u16string out;
  AppendUtf16(out, valid);
  return out;
}

std::optional<std::string> PathToBytes(std::u16string_view path) {
  auto bytes = Encode(path, true);
  if (!bytes || bytes->empty() || bytes->find('\0') != std::string::npos) {
    return std::nullopt;
  }
  return bytes;
}

std::u16string PathFromBytes(std::string_view bytes) {
  std::u16string out;
  while (!bytes.empty()) {
    const gchar* end = nullptr;
    g_utf8_validate(bytes.data(), static_cast<gssize>(bytes.size()), &end);
    const auto valid = static_cast<std::size_t>(end - bytes.data());
    AppendUtf16(out, bytes.substr(0, valid));
    if (valid < bytes.size()) {
      out.push_back(static_cast<char16_t>(
          kByteEscape + static_cast<unsigned char>(bytes[valid])));
    }
    bytes.remove_prefix(std::min(valid + 1, bytes.size()));
  }
  return out;
}

std::u16string DisplayName(std::u16string_view path) {
  const auto bytes = Encode(path, true);
  if (!bytes || bytes->find('\0') != std::string::npos) {
    return std::u16string(path);
  }
  g_autofree gchar* shown = g_filename_display_name(bytes->c_str());
  return ToUtf16(shown);
}

std::optional<std::u16string> FileOfUriList(std::string_view uriList) {
  const std::string text(uriList);
  g_auto(GStrv) uris = g_uri_list_extract_uris(text.c_str());
  if (uris == nullptr || uris[0] == nullptr || uris[1] != nullptr) {
    return std::nullopt;
  }
  // As GIO takes a file: URI: any host names this machine.
  g_autofree gchar* path = g_filename_from_uri(uris[0], nullptr, nullptr);
  if (path == nullptr) {
    return std::nullopt;
  }
  return PathFromBytes(path);
}

}  // namespace vorundel::linux_desktop
