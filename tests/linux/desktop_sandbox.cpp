#include "tests/linux/desktop_sandbox.h"

#include <gio/gio.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace vorundel::testing {
namespace {

namespace fs = std::filesystem;

DesktopSandbox* current = nullptr;

void WriteFile(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::string::size_type start = 0;
  for (;;) {
    const auto end = text.find(separator, start);
    parts.push_back(text.substr(start, end - start));
    if (end == std::string::npos) {
      return parts;
    }
    start = end + 1;
  }
}

std::string RecordDirectory(const std::string& root) {
  return root + "/records";
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

DesktopSandbox::DesktopSandbox() {
  const char* tmp = getenv("TMPDIR");
  std::string pattern =
      std::string(tmp && *tmp ? tmp : "/tmp") + "/vorundel-test-XXXXXX";
  root_ = mkdtemp(pattern.data());
  const fs::path root(root_);

  WriteFile(root / "data/applications/vorundel-test-recorder.desktop",
            "[Desktop Entry]\n"
            "Type=Application\n"
            "Name=Launch recorder\n"
            "Exec=vorundel-test-recorder %f\n"
            "MimeType=text/plain;\n"
            "NoDisplay=true\n");
  WriteFile(root / "config/mimeapps.list",
            "[Default Applications]\n"
            "text/plain=vorundel-test-recorder.desktop\n");
  // The system's MIME database, but none of the system's applications.
  fs::create_directories(root / "system-data");
  fs::create_directory_symlink("/usr/share/mime", root / "system-data/mime");
  fs::create_directories(root / "system-config");
  fs::create_directories(root / "bin");
  fs::create_symlink(VORUNDEL_RECORDER_PATH,
                     root / "bin/vorundel-test-recorder");
  fs::create_directories(root / "files");
  fs::create_directories(RecordDirectory(root_));

  setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
  setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
  // As flatpak's session setup puts its exports there.
  setenv("XDG_DATA_DIRS",
         (root_ + "/system-data:" + flatpak() + "/exports/share").c_str(), 1);
  setenv("XDG_CONFIG_DIRS", (root / "system-config").c_str(), 1);
  setenv("XDG_CACHE_HOME", (root / "cache").c_str(), 1);
  const char* path = getenv("PATH");
  setenv("PATH",
         ((root / "bin").string() + ":" + (path ? path : "/usr/bin")).c_str(),
         1);
  setenv("VORUNDEL_RECORD_DIR", RecordDirectory(root_).c_str(), 1);
  // No session bus: nothing may reach the user's desktop.
  setenv("DBUS_SESSION_BUS_ADDRESS",
         ("unix:path=" + root_ + "/no-session-bus").c_str(), 1);

  bus_ = std::make_unique<Subprocess>(Subprocess::Options{
      {"dbus-daemon", "--session", "--print-address", "--nofork"},
      {},
      "",
      false,
      true});
  if (auto address = bus_->ReadLine()) {
    busAddress_ = *address;
  }
  setenv("DBUS_SYSTEM_BUS_ADDRESS",
         busAddress_.empty() ? ("unix:path=" + root_ + "/no-bus").c_str()
                             : busAddress_.c_str(),
         1);
  current = this;
}

DesktopSandbox::~DesktopSandbox() {
  current = nullptr;
  bus_.reset();
  std::error_code ignored;
  fs::remove_all(root_, ignored);
}

DesktopSandbox& Sandbox() {
  return *current;
}

void DesktopSandbox::ForgetLaunches() {
  for (const auto& entry : fs::directory_iterator(RecordDirectory(root_))) {
    fs::remove(entry.path());
  }
}

std::vector<LaunchRecord> DesktopSandbox::Launches() const {
  std::vector<LaunchRecord> records;
  for (const auto& entry : fs::directory_iterator(RecordDirectory(root_))) {
    if (entry.path().filename().string().rfind("record-", 0) != 0) {
      continue;
    }
    auto fields = Split(ReadFile(entry.path()), '\0');
    LaunchRecord record;
    record.directory = fields.front();
    record.arguments.assign(fields.begin() + 1, fields.end());
    records.push_back(record);
  }
  return records;
}

std::vector<LaunchRecord> DesktopSandbox::WaitForLaunches(
    std::size_t count,
    milliseconds timeout) {
  const int watch = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
  inotify_add_watch(watch, RecordDirectory(root_).c_str(), IN_MOVED_TO);
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  auto records = Launches();
  while (records.size() < count) {
    const auto left = std::chrono::duration_cast<milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd p{watch, POLLIN, 0};
    if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) {
      break;
    }
    char events[4096];
    while (read(watch, events, sizeof events) > 0) {
    }
    records = Launches();
  }
  close(watch);
  return records;
}

RecorderAssociation::RecorderAssociation(const std::string& mimeType,
                                         const std::string& exec,
                                         const std::string& keys,
                                         const std::string& applications) {
  std::string id = "vorundel-test-" + mimeType + ".desktop";
  std::replace(id.begin(), id.end(), '/', '-');
  const fs::path root(Sandbox().root());
  entry_ = fs::path(applications.empty() ? root / "data/applications"
                                         : fs::path(applications)) /
           id;
  std::ostringstream entry;
  entry << "[Desktop Entry]\n"
        << "Type=Application\n"
        << "Name=Launch recorder for " << mimeType << "\n"
        << "Exec=" << exec << "\n"
        << keys << "MimeType=" << mimeType << ";\n"
        << "NoDisplay=true\n";
  WriteFile(entry_, entry.str());
  // The list's last group is the defaults; this default replaces any
  // other for the type.
  const fs::path defaults = root / "config/mimeapps.list";
  previousDefaults_ = ReadFile(defaults);
  std::string list;
  for (const auto& line : Split(previousDefaults_, '\n')) {
    if (!line.empty() && line.rfind(mimeType + "=", 0) != 0) {
      list += line + "\n";
    }
  }
  WriteFile(defaults, list + mimeType + "=" + id + "\n");
}

RecorderAssociation::~RecorderAssociation() {
  WriteFile(Sandbox().root() + "/config/mimeapps.list", previousDefaults_);
  fs::remove(entry_);
}

void DesktopSandbox::MakeLogindActivatable() {
  WriteFile(
      fs::path(root_) / "data/dbus-1/services/org.freedesktop.login1.service",
      "[D-BUS Service]\n"
      "Name=org.freedesktop.login1\n"
      "Exec=/bin/false\n");
  g_autoptr(GDBusConnection) bus = g_dbus_connection_new_for_address_sync(
      busAddress_.c_str(),
      static_cast<GDBusConnectionFlags>(
          G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
      nullptr, nullptr, nullptr);
  ASSERT_NE(bus, nullptr);
  g_autoptr(GVariant) reply = g_dbus_connection_call_sync(
      bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
      "org.freedesktop.DBus", "ReloadConfig", nullptr, nullptr,
      G_DBUS_CALL_FLAGS_NONE, 10000, nullptr, nullptr);
  EXPECT_NE(reply, nullptr);
  g_dbus_connection_close_sync(bus, nullptr, nullptr);
}

}  // namespace vorundel::testing
