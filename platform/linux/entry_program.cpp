#include "platform/linux/entry_program.h"

#include <gio/gdesktopappinfo.h>

#include <algorithm>
#include <string_view>
#include <vector>

namespace vorundel::linux_desktop {
namespace {

using Words = std::vector<std::string>;

// Split as GIO splits an Exec line when it launches it; nothing when it
// would not launch.
std::optional<Words> Split(const char* text) {
  g_auto(GStrv) argv = nullptr;
  g_autoptr(GError) error = nullptr;
  if (!g_shell_parse_argv(text, nullptr, &argv, &error)) {
    if (g_error_matches(error, G_SHELL_ERROR, G_SHELL_ERROR_EMPTY_STRING)) {
      return Words{};
    }
    return std::nullopt;
  }
  return Words(argv, argv + g_strv_length(argv));
}

bool IsEnv(const std::string& word) {
  g_autofree gchar* base = g_path_get_basename(word.c_str());
  return std::string_view(base) == "env";
}

// env's options that take a value; getopt takes any prefix of a long
// name, and none of these shares its first letter with another option.
constexpr std::string_view kValuedLong[] = {"unset", "chdir", "split-string",
                                            "argv0"};
constexpr std::string_view kValuedShort = "uCSa";
constexpr std::string_view kSplitLong = "split-string";

bool IsFlatpakAppId(std::string_view id) {
  return !id.empty() && id != "." && id != ".." &&
         id.find('/') == std::string_view::npos;
}

std::string FlatpakProgram(GDesktopAppInfo* app, const std::string& id) {
  // Where the entry was exported, then the per-user and system
  // installations.
  Words bins;
  if (const char* file = g_desktop_app_info_get_filename(app)) {
    const std::string_view path(file);
    constexpr std::string_view kShare = "/exports/share/applications/";
    if (const auto at = path.rfind(kShare); at != std::string_view::npos) {
      bins.push_back(std::string(path.substr(0, at)) + "/exports/bin/");
    }
  }
  bins.push_back(std::string(g_get_user_data_dir()) + "/flatpak/exports/bin/");
  bins.push_back("/var/lib/flatpak/exports/bin/");
  for (const auto& bin : bins) {
    const std::string launcher = bin + id;
    if (g_file_test(launcher.c_str(), G_FILE_TEST_IS_EXECUTABLE)) {
      return launcher;
    }
  }
  return id;
}

std::optional<std::string> DesktopEntryString(GAppInfo* app, const char* key) {
  if (!G_IS_DESKTOP_APP_INFO(app)) {
    return std::nullopt;
  }
  g_autofree gchar* value =
      g_desktop_app_info_get_string(G_DESKTOP_APP_INFO(app), key);
  if (value == nullptr || *value == '\0') {
    return std::nullopt;
  }
  return std::string(value);
}

// The first word that is not env or one of env's own arguments (options,
// their values, NAME=value), through env after env; nothing when no
// program is left.
std::optional<std::string> ProgramPastEnv(Words words) {
  std::size_t at = 0;
  while (at < words.size() && IsEnv(words[at])) {
    ++at;
    // Options up to the first other word, as env's getopt ("+") stops.
    while (at < words.size() && words[at].size() > 1 && words[at][0] == '-') {
      const std::string word = words[at++];
      if (word == "--") {
        break;
      }
      std::optional<std::string> value;
      bool split = false;
      if (word[1] == '-') {
        const auto equals = word.find('=');
        const std::string_view name =
            std::string_view(word).substr(2, equals - 2);
        if (name.empty() ||
            std::none_of(
                std::begin(kValuedLong), std::end(kValuedLong),
                [&](std::string_view n) { return n.starts_with(name); })) {
          continue;
        }
        split = kSplitLong.starts_with(name);
        if (equals != std::string::npos) {
          value = word.substr(equals + 1);
        }
      } else {
        const auto valued = word.find_first_of(kValuedShort, 1);
        if (valued == std::string::npos) {
          continue;
        }
        split = word[valued] == 'S';
        if (valued + 1 < word.size()) {
          value = word.substr(valued + 1);
        }
      }
      if (!value) {
        if (at == words.size()) {
          return std::nullopt;
        }
        value = words[at++];
      }
      if (split) {
        // Its words are env's arguments where it stood.
        const auto parts = Split(value->c_str());
        if (!parts) {
          return std::nullopt;
        }
        words.insert(words.begin() + static_cast<std::ptrdiff_t>(at),
                     parts->begin(), parts->end());
      }
    }
    if (at < words.size() && words[at] == "-") {
      ++at;
    }
    while (at < words.size() && words[at].find('=') != std::string::npos) {
      ++at;
    }
  }
  if (at == words.size() || words[at].empty()) {
    return std::nullopt;
  }
  return words[at];
}

}  // namespace

std::optional<std::string> ProgramOfApp(GAppInfo* app) {
  if (const auto id = DesktopEntryString(app, "X-Flatpak");
      id && IsFlatpakAppId(*id)) {
    return FlatpakProgram(G_DESKTOP_APP_INFO(app), *id);
  }
  // GIO shows the entry only while TryExec names an installed program.
  if (auto program = DesktopEntryString(app, "TryExec")) {
    return program;
  }
  const char* command = g_app_info_get_commandline(app);
  if (command == nullptr) {
    command = g_app_info_get_executable(app);
  }
  if (command == nullptr) {
    return std::nullopt;
  }
  auto words = Split(command);
  if (!words) {
    return std::nullopt;
  }
  return ProgramPastEnv(std::move(*words));
}

}  // namespace vorundel::linux_desktop
