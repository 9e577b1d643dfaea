#include "platform/linux/linux_services.h"

#include <glib.h>
#include <sys/stat.h>

#include "platform/linux/mime_classes.h"
#include "platform/linux/shell_open.h"
#include "platform/linux/utf.h"

namespace vorundel::linux_desktop {
namespace {

constexpr std::uint32_t kAttributeDirectory = 0x10;
constexpr std::uint32_t kAttributeNormal = 0x80;

}  // namespace

LinuxServices::LinuxServices(PowerObserver& powerObserver)
    : power_(powerObserver) {
  // GLib keeps a finished worker thread for 15 s, which then wakes to
  // exit; the program should sleep while it waits, so let them go at once.
  g_thread_pool_set_max_unused_threads(0);
}

std::unique_ptr<ClassesKey> LinuxServices::OpenClassesKey(
    const std::u16string& subkey) {
  // The extension asked about is that of the file Set checks, whose own
  // content type decides its application.
  return OpenMimeClassesKey(subkey, PathToBytes(Label1Text()).value_or(""));
}

std::optional<std::uint32_t> LinuxServices::FileAttributes(
    const std::u16string& path) {
  const auto bytes = PathToBytes(path);
  struct stat info;
  if (!bytes || stat(bytes->c_str(), &info) != 0) {
    return std::nullopt;
  }
  return S_ISDIR(info.st_mode) ? kAttributeDirectory : kAttributeNormal;
}

std::u16string LinuxServices::CurrentDirectory() {
  g_autofree gchar* directory = g_get_current_dir();
  return PathFromBytes(directory);
}

// GIO starts applications in this process's current directory, which is
// the directory the core passes; GIO offers no other.
std::int32_t LinuxServices::ShellOpen(const std::u16string& path,
                                      const std::u16string&) {
  const auto bytes = PathToBytes(path);
  if (!bytes) {
    return kOpenFileNotFound;
  }
  return OpenWithDefaultApplication(*bytes, X11Time());
}

bool LinuxServices::CanReceiveResume() {
  return power_.CanDeliver();
}

}  // namespace vorundel::linux_desktop
