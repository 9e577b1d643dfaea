#include "platform/linux/shell_open.h"

#include <gio/gio.h>
#include <sys/stat.h>

namespace vorundel::linux_desktop {

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
  // The application starts in this process's current directory, which is
  // the directory the core asks for.
  if (!g_app_info_launch_default_for_uri(uri, nullptr, &error)) {
    if (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_NOT_FOUND)) {
      return kOpenFileNotFound;
    }
    if (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_PERMISSION_DENIED)) {
      return kOpenAccessDenied;
    }
    return kOpenNoAssociation;
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
