#include "platform/linux/async_bus.h"

namespace vorundel::linux_desktop {

AsyncBus::AsyncBus(GBusType type, std::function<void(GDBusConnection*)> onReady)
    : onReady_(std::move(onReady)), cancellable_(g_cancellable_new()) {
  g_bus_get(type, cancellable_.get(), &AsyncBus::OnConnected, this);
}

AsyncBus::~AsyncBus() {
  // The callback still runs, and sees the cancellation before `this`.
  g_cancellable_cancel(cancellable_.get());
}

void AsyncBus::OnConnected(GObject*, GAsyncResult* result, gpointer self) {
  g_autoptr(GError) error = nullptr;
  GObjectPtr<GDBusConnection> connection(g_bus_get_finish(result, &error));
  if (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED)) {
    return;
  }
  auto* bus = static_cast<AsyncBus*>(self);
  bus->connection_ = std::move(connection);
  if (bus->connection_ && bus->onReady_) {
    bus->onReady_(bus->connection_.get());
  }
}

}  // namespace vorundel::linux_desktop
