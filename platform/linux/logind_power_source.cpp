#include "platform/linux/logind_power_source.h"

#include <cstring>

namespace vorundel::linux_desktop {
namespace {

constexpr char kLogindName[] = "org.freedesktop.login1";
constexpr char kLogindPath[] = "/org/freedesktop/login1";
constexpr char kLogindManager[] = "org.freedesktop.login1.Manager";
constexpr int kBusCallTimeoutMs = 5000;

// One call to the bus itself; null on failure.
GVariant* CallBus(GDBusConnection* bus,
                  const char* method,
                  GVariant* parameters,
                  const char* replyType) {
  return g_dbus_connection_call_sync(
      bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
      "org.freedesktop.DBus", method, parameters, G_VARIANT_TYPE(replyType),
      G_DBUS_CALL_FLAGS_NONE, kBusCallTimeoutMs, nullptr, nullptr);
}

bool NameHasOwner(GDBusConnection* bus, const char* name) {
  g_autoptr(GVariant) reply =
      CallBus(bus, "NameHasOwner", g_variant_new("(s)", name), "(b)");
  gboolean owned = FALSE;
  if (reply != nullptr) {
    g_variant_get(reply, "(b)", &owned);
  }
  return owned;
}

bool NameIsActivatable(GDBusConnection* bus, const char* name) {
  g_autoptr(GVariant) reply =
      CallBus(bus, "ListActivatableNames", nullptr, "(as)");
  if (reply == nullptr) {
    return false;
  }
  g_autofree const gchar** names = nullptr;
  g_variant_get(reply, "(^a&s)", &names);
  for (const gchar** n = names; n != nullptr && *n != nullptr; ++n) {
    if (std::strcmp(*n, name) == 0) {
      return true;
    }
  }
  return false;
}

}  // namespace

LogindPowerSource::LogindPowerSource(PowerObserver& observer)
    : observer_(observer),
      connecting_(G_BUS_TYPE_SYSTEM,
                  [this](GDBusConnection* bus) { Subscribe(bus); }) {}

LogindPowerSource::~LogindPowerSource() {
  if (subscription_ != 0) {
    g_dbus_connection_signal_unsubscribe(bus_.get(), subscription_);
  }
}

bool LogindPowerSource::EnsureSubscribed() {
  if (subscription_ != 0) {
    if (!g_dbus_connection_is_closed(bus_.get())) {
      return true;
    }
    // The system bus itself went away: start over on a new connection.
    g_dbus_connection_signal_unsubscribe(bus_.get(), subscription_);
    subscription_ = 0;
  }
  GObjectPtr<GDBusConnection> bus(
      g_bus_get_sync(G_BUS_TYPE_SYSTEM, nullptr, nullptr));
  if (!bus) {
    return false;
  }
  Subscribe(bus.get());
  return subscription_ != 0;
}

void LogindPowerSource::Subscribe(GDBusConnection* bus) {
  if (subscription_ != 0) {
    return;
  }
  bus_.reset(G_DBUS_CONNECTION(g_object_ref(bus)));
  // The shared system bus connection would otherwise end the process when
  // the bus goes away.
  g_dbus_connection_set_exit_on_close(bus_.get(), FALSE);
  // Matching on the well-known name keeps the subscription valid across
  // restarts of logind: the bus routes by whoever owns the name.
  subscription_ = g_dbus_connection_signal_subscribe(
      bus_.get(), kLogindName, kLogindManager, "PrepareForSleep", kLogindPath,
      nullptr, G_DBUS_SIGNAL_FLAGS_NONE, &LogindPowerSource::OnPrepareForSleep,
      this, nullptr);
}

bool LogindPowerSource::CanDeliver() {
  if (!EnsureSubscribed()) {
    return false;
  }
  return NameHasOwner(bus_.get(), kLogindName) ||
         NameIsActivatable(bus_.get(), kLogindName);
}

void LogindPowerSource::OnPrepareForSleep(GDBusConnection*,
                                          const gchar*,
                                          const gchar*,
                                          const gchar*,
                                          const gchar*,
                                          GVariant* parameters,
                                          gpointer self) {
  if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(b)"))) {
    return;
  }
  gboolean sleeping = FALSE;
  g_variant_get(parameters, "(b)", &sleeping);
  auto& observer = static_cast<LogindPowerSource*>(self)->observer_;
  if (sleeping) {
    observer.OnSuspend();
  } else {
    observer.OnResume();
  }
}

}  // namespace vorundel::linux_desktop
