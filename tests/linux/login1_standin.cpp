// Stands in for systemd-logind on the (private) system bus: owns
// org.freedesktop.login1, prints "ready", then for each line "true" or
// "false" on standard input emits PrepareForSleep with that value and
// prints "sent NS", NS the CLOCK_MONOTONIC time in nanoseconds taken just
// before the signal left (the benchmark's start of resume). Ends at end
// of input, which releases the name.
#include <gio/gio.h>
#include <stdio.h>
#include <time.h>

#include <iostream>
#include <string>

int main() {
  g_autoptr(GError) error = nullptr;
  g_autoptr(GDBusConnection) bus =
      g_bus_get_sync(G_BUS_TYPE_SYSTEM, nullptr, &error);
  if (bus == nullptr) {
    std::cerr << "stand-in: no bus: " << error->message << "\n";
    return 1;
  }
  g_autoptr(GVariant) reply = g_dbus_connection_call_sync(
      bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
      "org.freedesktop.DBus", "RequestName",
      // Allow replacement, replace existing, do not queue: a restarted
      // stand-in takes the name even before the bus has noticed the old one
      // is gone.
      g_variant_new("(su)", "org.freedesktop.login1", 7u),
      G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, 10000, nullptr, &error);
  guint result = 0;
  if (reply != nullptr) {
    g_variant_get(reply, "(u)", &result);
  }
  if (result != 1 /* primary owner */) {
    std::cerr << "stand-in: name not acquired\n";
    return 1;
  }
  std::cout << "ready" << std::endl;
  std::string line;
  while (std::getline(std::cin, line)) {
    if (line != "true" && line != "false") {
      continue;
    }
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    g_dbus_connection_emit_signal(
        bus, nullptr, "/org/freedesktop/login1",
        "org.freedesktop.login1.Manager", "PrepareForSleep",
        g_variant_new("(b)", line == "true"), nullptr);
    g_dbus_connection_flush_sync(bus, nullptr, nullptr);
    std::cout << "sent " << now.tv_sec * 1000000000LL + now.tv_nsec
              << std::endl;
  }
  return 0;
}
