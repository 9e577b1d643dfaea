#include "ui/qt/window_platform.h"

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <cstdlib>
#include <memory>

#include "ui/qt/form1.h"

namespace vorundel::ui {
namespace {

struct XcbDisconnect {
  void operator()(xcb_connection_t* c) const { xcb_disconnect(c); }
};
struct Free {
  void operator()(void* p) const { std::free(p); }
};

}  // namespace

WindowPlatform::WindowPlatform(Form1& form,
                               linux_desktop::PowerObserver& powerObserver)
    : LinuxServices(powerObserver), form_(form) {}

int WindowPlatform::ShowMessage(const std::u16string& text,
                                std::uint32_t style,
                                const std::u16string& caption) {
  return form_.ShowMessage(QString::fromStdU16String(text), style,
                           QString::fromStdU16String(caption));
}

int WindowPlatform::WindowState() {
  return form_.WindowState();
}

void WindowPlatform::MinimizeWindow() {
  form_.MinimizeWindow();
}

std::u16string WindowPlatform::Label1Text() {
  return form_.Label1Text().toStdU16String();
}

void WindowPlatform::UnloadForm() {
  form_.UnloadForm();
}

// The server reports its time with the change of a property, here of a
// window of a connection of our own: Qt reads its connection's events on
// another thread.
std::uint32_t WindowPlatform::X11Time() {
  if (QGuiApplication::platformName() != QLatin1String("xcb")) {
    return 0;
  }
  int screen = 0;
  const std::unique_ptr<xcb_connection_t, XcbDisconnect> x(
      xcb_connect(nullptr, &screen));
  if (xcb_connection_has_error(x.get()) != 0) {
    return 0;
  }
  auto roots = xcb_setup_roots_iterator(xcb_get_setup(x.get()));
  for (; screen > 0 && roots.rem > 0; --screen) {
    xcb_screen_next(&roots);
  }
  const xcb_window_t window = xcb_generate_id(x.get());
  const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
  xcb_create_window(x.get(), XCB_COPY_FROM_PARENT, window, roots.data->root, 0,
                    0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                    XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &events);
  xcb_change_property(x.get(), XCB_PROP_MODE_APPEND, window, XCB_ATOM_WM_NAME,
                      XCB_ATOM_STRING, 8, 0, nullptr);
  xcb_flush(x.get());
  // Ends with the notification, or with the connection.
  while (const std::unique_ptr<xcb_generic_event_t, Free> event{
      xcb_wait_for_event(x.get())}) {
    if ((event->response_type & 0x7F) == XCB_PROPERTY_NOTIFY) {
      return reinterpret_cast<xcb_property_notify_event_t*>(event.get())->time;
    }
  }
  return 0;
}

}  // namespace vorundel::ui
