// The real program on an X server (run under xvfb-run at 96 DPI, no window
// manager): its window appears with the caption "Vorundel" and a client
// area of 7005 x 1845 twips, and closing it ends the program with status 0.
#include <gtest/gtest.h>
#include <poll.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "tests/linux/subprocess.h"

namespace vorundel::testing {
namespace {

struct Free {
  void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, Free>;

struct Disconnect {
  void operator()(xcb_connection_t* c) const { xcb_disconnect(c); }
};

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
  Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
      c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name),
      nullptr));
  return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

std::string Title(xcb_connection_t* c, xcb_window_t window) {
  Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
      c,
      xcb_get_property(c, 0, window, Atom(c, "_NET_WM_NAME"),
                       Atom(c, "UTF8_STRING"), 0, 1024),
      nullptr));
  if (!reply) {
    return {};
  }
  return std::string(
      static_cast<const char*>(xcb_get_property_value(reply.get())),
      static_cast<std::size_t>(xcb_get_property_value_length(reply.get())));
}

// The next event, waiting on the connection at most until `deadline`.
Reply<xcb_generic_event_t> NextEvent(
    xcb_connection_t* c,
    std::chrono::steady_clock::time_point deadline) {
  for (;;) {
    if (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
      return Reply<xcb_generic_event_t>(event);
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd p{xcb_get_file_descriptor(c), POLLIN, 0};
    if (left.count() <= 0 || xcb_connection_has_error(c) ||
        poll(&p, 1, static_cast<int>(left.count())) <= 0) {
      return nullptr;
    }
  }
}

TEST(WindowXvfbTest, WindowAppearsAtItsSizeAndClosingEndsTheProgram) {
  ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run under xvfb-run";
  std::unique_ptr<xcb_connection_t, Disconnect> c(
      xcb_connect(nullptr, nullptr));
  ASSERT_EQ(xcb_connection_has_error(c.get()), 0);
  xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c.get())).data;
  const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
  xcb_change_window_attributes(c.get(), screen->root, XCB_CW_EVENT_MASK, &mask);
  xcb_flush(c.get());

  Subprocess program({{VORUNDEL_PROGRAM_PATH},
                      {"QT_QPA_PLATFORM=xcb", "QT_SCALE_FACTOR=1",
                       "DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent/bus",
                       "DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/bus"},
                      "",
                      false,
                      false});
  ASSERT_TRUE(program.started());

  const auto deadline = std::chrono::steady_clock::now() + kTimeout;
  xcb_window_t window = XCB_WINDOW_NONE;
  while (window == XCB_WINDOW_NONE) {
    auto event = NextEvent(c.get(), deadline);
    ASSERT_NE(event, nullptr) << "no window titled Vorundel appeared";
    if ((event->response_type & 0x7F) == XCB_MAP_NOTIFY) {
      const auto* map = reinterpret_cast<xcb_map_notify_event_t*>(event.get());
      if (Title(c.get(), map->window) == "Vorundel") {
        window = map->window;
      }
    }
  }

  Reply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(
      c.get(), xcb_get_geometry(c.get(), window), nullptr));
  ASSERT_NE(geometry, nullptr);
  EXPECT_EQ(geometry->width, 467);
  EXPECT_EQ(geometry->height, 123);
  std::printf("client area: %d x %d pixels\n", geometry->width,
              geometry->height);

  // What a window manager's close button sends.
  xcb_client_message_event_t close{};
  close.response_type = XCB_CLIENT_MESSAGE;
  close.format = 32;
  close.window = window;
  close.type = Atom(c.get(), "WM_PROTOCOLS");
  close.data.data32[0] = Atom(c.get(), "WM_DELETE_WINDOW");
  close.data.data32[1] = XCB_CURRENT_TIME;
  xcb_send_event(c.get(), 0, window, XCB_EVENT_MASK_NO_EVENT,
                 reinterpret_cast<const char*>(&close));
  xcb_flush(c.get());
  EXPECT_EQ(program.Wait(), 0);
}

}  // namespace
}  // namespace vorundel::testing
