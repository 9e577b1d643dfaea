// Suspend and resume notifications from systemd-logind's PrepareForSleep
// signal on the system bus.
//
// GDBus rather than QtDBus: GIO is already in the process for associations
// and launch, so one D-Bus stack serves both, these services stay free of
// the toolkit, and no libdbus is loaded. Its callbacks run on the thread's
// default GLib main context, which Qt's event loop on Linux iterates.
#pragma once

#include <gio/gio.h>

#include "platform/linux/async_bus.h"
#include "platform/linux/glib_ptr.h"
#include "platform/linux/power_observer.h"

namespace vorundel::linux_desktop {

class LogindPowerSource {
 public:
  // Subscribes as soon as the system bus answers, without waiting for it.
  explicit LogindPowerSource(PowerObserver& observer);
  ~LogindPowerSource();
  LogindPowerSource(const LogindPowerSource&) = delete;
  LogindPowerSource& operator=(const LogindPowerSource&) = delete;

  // Whether notifications can arrive now: the subscription stands and
  // something owns, or can activate, org.freedesktop.login1.
  bool CanDeliver();

 private:
  // Connects and subscribes now if that has not happened yet.
  bool EnsureSubscribed();
  void Subscribe(GDBusConnection* bus);
  static void OnPrepareForSleep(GDBusConnection* connection,
                                const gchar* sender,
                                const gchar* objectPath,
                                const gchar* interfaceName,
                                const gchar* signalName,
                                GVariant* parameters,
                                gpointer self);

  PowerObserver& observer_;
  GObjectPtr<GDBusConnection> bus_;
  guint subscription_ = 0;
  // Declared last: its callback uses the members above.
  AsyncBus connecting_;
};

}  // namespace vorundel::linux_desktop
