// A D-Bus connection made in the background, so that connecting never
// holds up the window, and kept until this object goes.
#pragma once

#include <gio/gio.h>

#include <functional>

#include "platform/linux/glib_ptr.h"

namespace vorundel::linux_desktop {

class AsyncBus {
 public:
  // Starts connecting to `type`; `onReady` runs on this thread's main
  // context once the connection stands, unless this object is gone.
  explicit AsyncBus(GBusType type,
                    std::function<void(GDBusConnection*)> onReady = {});
  ~AsyncBus();
  AsyncBus(const AsyncBus&) = delete;
  AsyncBus& operator=(const AsyncBus&) = delete;

  // The connection, or null while connecting or when it failed.
  GDBusConnection* get() const { return connection_.get(); }

 private:
  static void OnConnected(GObject* source, GAsyncResult* result, gpointer self);

  std::function<void(GDBusConnection*)> onReady_;
  GObjectPtr<GCancellable> cancellable_;
  GObjectPtr<GDBusConnection> connection_;
};

}  // namespace vorundel::linux_desktop
