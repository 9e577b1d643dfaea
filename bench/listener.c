// The reference subjects: a minimal listener for logind's PrepareForSleep
// that, on the first "false", opens FILE and exits.
//   listener gio FILE     g_app_info_launch_default_for_uri (the bare listener)
//   listener spawn FILE HELPER   posix_spawn of HELPER FILE (the floor)
// Prints "ready" once the bus has taken the subscription.
#include <gio/gio.h>
#include <spawn.h>
#include <stdio.h>
#include <string.h>

extern char** environ;

static const char* mode;
static const char* file;
static const char* helper;

static void on_signal(GDBusConnection* connection,
                      const gchar* sender,
                      const gchar* path,
                      const gchar* interface,
                      const gchar* member,
                      GVariant* parameters,
                      gpointer loop) {
  (void)connection, (void)sender, (void)path, (void)interface, (void)member;
  gboolean start = TRUE;
  g_variant_get(parameters, "(b)", &start);
  if (start) {
    return;
  }
  if (strcmp(mode, "spawn") == 0) {
    pid_t pid;
    char* argv[] = {(char*)helper, (char*)file, NULL};
    posix_spawn(&pid, helper, NULL, NULL, argv, environ);
  } else {
    g_autoptr(GFile) target = g_file_new_for_path(file);
    g_autofree gchar* uri = g_file_get_uri(target);
    g_autoptr(GError) error = NULL;
    if (!g_app_info_launch_default_for_uri(uri, NULL, &error)) {
      fprintf(stderr, "listener: %s\n", error->message);
    }
  }
  g_main_loop_quit(loop);
}

int main(int argc, char** argv) {
  if (argc < 3 || (strcmp(argv[1], "spawn") == 0 && argc < 4)) {
    fprintf(stderr, "usage: listener gio FILE | listener spawn FILE HELPER\n");
    return 2;
  }
  mode = argv[1];
  file = argv[2];
  helper = argc > 3 ? argv[3] : NULL;
  g_autoptr(GError) error = NULL;
  g_autoptr(GDBusConnection) bus =
      g_bus_get_sync(G_BUS_TYPE_SYSTEM, NULL, &error);
  if (bus == NULL) {
    fprintf(stderr, "listener: %s\n", error->message);
    return 1;
  }
  g_autoptr(GMainLoop) loop = g_main_loop_new(NULL, FALSE);
  g_dbus_connection_signal_subscribe(
      bus, "org.freedesktop.login1", "org.freedesktop.login1.Manager",
      "PrepareForSleep", "/org/freedesktop/login1", NULL,
      G_DBUS_SIGNAL_FLAGS_NONE, on_signal, loop, NULL);
  // The bus handles messages in order: once this answers, the match is in.
  g_autoptr(GVariant) reply = g_dbus_connection_call_sync(
      bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
      "org.freedesktop.DBus", "GetId", NULL, NULL, G_DBUS_CALL_FLAGS_NONE, -1,
      NULL, &error);
  if (reply == NULL) {
    fprintf(stderr, "listener: %s\n", error->message);
    return 1;
  }
  puts("ready");
  fflush(stdout);
  g_main_loop_run(loop);
  return 0;
}
