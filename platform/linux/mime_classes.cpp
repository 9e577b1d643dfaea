#include "platform/linux/mime_classes.h"

#include <gio/gio.h>

#include <string_view>

#include "platform/linux/entry_program.h"
#include "platform/linux/utf.h"

namespace vorundel::linux_desktop {
namespace {

constexpr std::string_view kOpenCommandSuffix = "\\shell\\open\\command";

}  // namespace

std::optional<std::string> MimeTypeOfExtension(const std::string& dotExtension,
                                               const std::string& file) {
  if (dotExtension.size() < 2 || dotExtension.front() != '.' ||
      dotExtension.find('/') != std::string::npos) {
    return std::nullopt;
  }
  g_autofree gchar* type = nullptr;
  // The type GIO gives the file itself is the one its launch goes by: the
  // name's globs, and the content where several globs match.
  if (file.size() > dotExtension.size() &&
      g_ascii_strcasecmp(file.c_str() + file.size() - dotExtension.size(),
                         dotExtension.c_str()) == 0) {
    g_autoptr(GFile) gfile = g_file_new_for_path(file.c_str());
    g_autoptr(GFileInfo) info =
        g_file_query_info(gfile, G_FILE_ATTRIBUTE_STANDARD_CONTENT_TYPE,
                          G_FILE_QUERY_INFO_NONE, nullptr, nullptr);
    if (info != nullptr && g_file_info_get_content_type(info) != nullptr) {
      type = g_strdup(g_file_info_get_content_type(info));
    }
  }
  // Any other name: its heaviest glob, which GIO gives first.
  if (type == nullptr) {
    const std::string name = "file" + dotExtension;
    type = g_content_type_guess(name.c_str(), nullptr, 0, nullptr);
  }
  if (type == nullptr || g_content_type_is_unknown(type)) {
    return std::nullopt;
  }
  g_autofree gchar* mime = g_content_type_get_mime_type(type);
  if (mime == nullptr) {
    return std::nullopt;
  }
  return std::string(mime);
}

std::optional<std::string> DefaultCommandForType(const std::string& mimeType) {
  if (mimeType.empty() || mimeType.find('\\') != std::string::npos) {
    return std::nullopt;
  }
  g_autofree gchar* type = g_content_type_from_mime_type(mimeType.c_str());
  if (type == nullptr) {
    return std::nullopt;
  }
  g_autoptr(GAppInfo) app = g_app_info_get_default_for_type(type, FALSE);
  if (app == nullptr) {
    return std::nullopt;
  }
  const auto program = ProgramOfApp(app);
  if (!program || program->empty()) {
    return std::nullopt;
  }
  // The core reads a quoted program up to the closing quote, an unquoted
  // one to its first blank or through ".exe"; a name with a quote of its
  // own is read right only unquoted.
  if (program->find('"') != std::string::npos) {
    return program;
  }
  return '"' + *program + '"';
}

std::unique_ptr<ClassesKey> OpenMimeClassesKey(const std::u16string& subkey,
                                               const std::string& file) {
  const auto name = ToUtf8(subkey);
  if (!name || name->empty() || name->find('\0') != std::string::npos) {
    return nullptr;
  }
  std::optional<std::string> value;
  if (name->front() == '.') {
    if (name->find('\\') == std::string::npos) {
      value = MimeTypeOfExtension(*name, file);
    }
  } else if (name->size() > kOpenCommandSuffix.size() &&
             std::string_view(*name).substr(name->size() -
                                            kOpenCommandSuffix.size()) ==
                 kOpenCommandSuffix) {
    value = DefaultCommandForType(
        name->substr(0, name->size() - kOpenCommandSuffix.size()));
  }
  if (!value) {
    return nullptr;
  }
  return std::make_unique<AnsweredKey>(ToUtf16(*value));
}

}  // namespace vorundel::linux_desktop
