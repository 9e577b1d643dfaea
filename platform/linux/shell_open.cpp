#include "platform/linux/shell_open.h"

#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>
#include <linux/close_range.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace vorundel::linux_desktop {
namespace {

std::int32_t ResultOf(const GError* error) {
  if (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_NOT_FOUND)) {
    return kOpenFileNotFound;
  }
  if (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_PERMISSION_DENIED)) {
    return kOpenAccessDenied;
  }
  return kOpenNoAssociation;
}

// Reaps a started application should this process live on.
void ReapWhenDone(GDesktopAppInfo*, GPid pid, gpointer) {
  g_child_watch_add(
      pid, [](GPid child, gint, gpointer) { g_spawn_close_pid(child); },
      nullptr);
}

// Starts `app` on `uri`. A desktop entry is spawned directly from this
// process: with every descriptor of ours close-on-exec, GLib can use
// posix_spawn, which does not copy this (large) process as fork would.
bool Launch(GAppInfo* app, const char* uri, GError** error) {
  GList uris = {const_cast<char*>(uri), nullptr, nullptr};
  if (!G_IS_DESKTOP_APP_INFO(app) ||
      syscall(SYS_close_range, 3U, ~0U, CLOSE_RANGE_CLOEXEC) != 0) {
    return g_app_info_launch_uris(app, &uris, nullptr, error);
  }
  return g_desktop_app_info_launch_uris_as_manager(
      G_DESKTOP_APP_INFO(app), &uris, nullptr,
      static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD |
                               G_SPAWN_LEAVE_DESCRIPTORS_OPEN),
      nullptr, nullptr, ReapWhenDone, nullptr, error);
}

}  // namespace

std::int32_t OpenWithDefaultApplication(const std::string& utf8Path) {
  // GIO would hand a missing file to whatever handles file: URIs, and a
  // folder to the file manager; a folder where the armed file was is not
  // what the user chose to open.
  struct stat info;
  if (stat(utf8Path.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) {
    return kOpenFileNotFound;
  }
  g_autoptr(GFile) file = g_file_new_for_path(utf8Path.c_str());
  g_autofree gchar* uri = g_file_get_uri(file);
  g_autoptr(GError) error = nullptr;
  // The default application of this moment, not of the time of arming.
  g_autoptr(GAppInfo) app = g_file_query_default_handler(file, nullptr, &error);
  // The application starts in this process's current directory, which is
  // the directory the core asks for.
  if (app == nullptr || !Launch(app, uri, &error)) {
    return ResultOf(error);
  }
  // A D-Bus activated application is started by a message that must leave
  // before the program ends, which it does right after a launch.
  g_autoptr(GDBusConnection) session =
      g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
  if (session != nullptr) {
    g_dbus_connection_flush_sync(session, nullptr, nullptr);
  }
  return kOpenSucceeded;
}

}  // namespace vorundel::linux_desktop
