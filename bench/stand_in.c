// Stand-in logind for benchmarks: owns org.freedesktop.login1 on the
// system bus named by DBUS_SYSTEM_BUS_ADDRESS and, for every line "false"
// or "true" on stdin, prints the time (CLOCK_MONOTONIC, ns) and then emits
// PrepareForSleep with that value. Prints "ready" once the name is owned.
#include <gio/gio.h>
#include <stdio.h>
#include <string.h>
#include <time.h>

static GDBusConnection* bus;

static long long now_ns(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return (long long)t.tv_sec * 1000000000LL + t.tv_nsec;
}

static gboolean on_stdin(GIOChannel* channel, GIOCondition condition,
                         gpointer loop) {
  (void)condition;
  g_autofree gchar* line = NULL;
  gsize length = 0;
  if (g_io_channel_read_line(channel, &line, &length, NULL, NULL) !=
      G_IO_STATUS_NORMAL) {
    g_main_loop_quit(loop);
    return G_SOURCE_REMOVE;
  }
  g_strchomp(line);
  const gboolean start = strcmp(line, "true") == 0;
  if (!start && strcmp(line, "false") != 0) {
    return G_SOURCE_CONTINUE;
  }
  printf("%lld\n", now_ns());
  fflush(stdout);
  g_dbus_connection_emit_signal(bus, NULL, "/org/freedesktop/login1",
                                "org.freedesktop.login1.Manager",
                                "PrepareForSleep",
                                g_variant_new("(b)", start), NULL);
  g_dbus_connection_flush_sync(bus, NULL, NULL);
  return G_SOURCE_CONTINUE;
}

static void on_acquired(GDBusConnection* connection, const gchar* name,
                        gpointer data) {
  (void)connection;
  (void)name;
  (void)data;
  puts("ready");
  fflush(stdout);
}

static void on_lost(GDBusConnection* connection, const gchar* name,
                    gpointer loop) {
  (void)connection;
  (void)name;
  g_main_loop_quit(loop);
}

int main(void) {
  g_autoptr(GError) error = NULL;
  bus = g_bus_get_sync(G_BUS_TYPE_SYSTEM, NULL, &error);
  if (bus == NULL) {
    fprintf(stderr, "stand-in: %s\n", error->message);
    return 1;
  }
  g_autoptr(GMainLoop) loop = g_main_loop_new(NULL, FALSE);
  const guint owner = g_bus_own_name_on_connection(
      bus, "org.freedesktop.login1", G_BUS_NAME_OWNER_FLAGS_NONE,
      on_acquired, on_lost, loop, NULL);
  GIOChannel* input = g_io_channel_unix_new(0);
  g_io_add_watch(input, G_IO_IN | G_IO_HUP, on_stdin, loop);
  g_main_loop_run(loop);
  g_io_channel_unref(input);
  g_bus_unown_name(owner);
  g_object_unref(bus);
  return 0;
}
