#include "platform/linux/shell_open.h"

#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>
#include <linux/close_range.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <memory>

#include "platform/linux/glib_ptr.h"

namespace vorundel::linux_desktop {
namespace {

// A launch context that gives the started application a startup id ending
// in "_TIME" and the X server's time of the launch (freedesktop startup
// notification), so its window may take the focus from the one the user
// last used. GIO asks for the id only for entries with StartupNotify=true,
// and passes it as DESKTOP_STARTUP_ID, or to a D-Bus activated
// application as "desktop-startup-id".
struct StartupContext {
  GAppLaunchContext parent;
  guint32 time;
};
struct StartupContextClass {
  GAppLaunchContextClass parent;
};
G_DEFINE_TYPE(StartupContext, startup_context, G_TYPE_APP_LAUNCH_CONTEXT)

// Unique, as startup ids must be: one launch per run of the program.
char* StartupId(GAppLaunchContext* context, GAppInfo*, GList*) {
  return g_strdup_printf("vorundel-%d-%s_TIME%u", static_cast<int>(getpid()),
                         g_get_host_name(),
                         reinterpret_cast<StartupContext*>(context)->time);
}

void startup_context_class_init(StartupContextClass* type) {
  type->parent.get_startup_notify_id = StartupId;
}

void startup_context_init(StartupContext*) {}

GObjectPtr<GAppLaunchContext> NewLaunchContext(guint32 x11Time) {
  if (x11Time == 0) {
    return GObjectPtr<GAppLaunchContext>(g_app_launch_context_new());
  }
  auto* context = static_cast<StartupContext*>(
      g_object_new(startup_context_get_type(), nullptr));
  context->time = x11Time;
  return GObjectPtr<GAppLaunchContext>(G_APP_LAUNCH_CONTEXT(context));
}

// As long as GDBus waits for any answer by default: a D-Bus activated
// application may first have to start, after a resume from a cold disk.
constexpr guint kLaunchTimeoutSeconds = 25;

std::int32_t ResultOf(const GError* error) {
  if (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_NOT_FOUND)) {
    return kOpenFileNotFound;
  }
  if (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_PERMISSION_DENIED)) {
    return kOpenAccessDenied;
  }
  return kOpenNoAssociation;
}

// Reaps a started application should this process live on.
void ReapWhenDone(GDesktopAppInfo*, GPid pid, gpointer) {
  g_child_watch_add(
      pid, [](GPid child, gint, gpointer) { g_spawn_close_pid(child); },
      nullptr);
}

struct SourceDestroy {
  void operator()(GSource* source) const {
    g_source_destroy(source);
    g_source_unref(source);
  }
};

// GIO's asynchronous launch, waited for in a loop of the main context, so
// the window goes on answering meanwhile. For a D-Bus activated
// application it ends when the application has answered its Open call,
// which dbus-daemon delivers only while the caller is still connected.
bool LaunchAndWait(GAppInfo* app,
                   GList* uris,
                   GAppLaunchContext* context,
                   GError** error) {
  struct Pending {
    GMainLoop* loop;
    bool done = false;
    bool launched = false;
    GError* error = nullptr;
  };
  g_autoptr(GMainLoop) loop = g_main_loop_new(nullptr, FALSE);
  g_autoptr(GCancellable) cancellable = g_cancellable_new();
  Pending pending{loop};
  g_app_info_launch_uris_async(
      app, uris, context, cancellable,
      [](GObject* source, GAsyncResult* result, gpointer data) {
        auto* p = static_cast<Pending*>(data);
        p->launched = g_app_info_launch_uris_finish(G_APP_INFO(source), result,
                                                    &p->error);
        p->done = true;
        g_main_loop_quit(p->loop);
      },
      &pending);
  const std::unique_ptr<GSource, SourceDestroy> timeout(
      g_timeout_source_new_seconds(kLaunchTimeoutSeconds));
  g_source_set_callback(
      timeout.get(),
      [](gpointer c) {
        g_cancellable_cancel(static_cast<GCancellable*>(c));
        return G_SOURCE_REMOVE;
      },
      cancellable, nullptr);
  g_source_attach(timeout.get(), nullptr);
  // GIO calls back even when cancelled, so this always ends.
  while (!pending.done) {
    g_main_loop_run(loop);
  }
  g_propagate_error(error, pending.error);
  return pending.launched;
}

// Starts `app` on `uri`. A desktop entry is spawned directly from this
// process: with every descriptor of ours close-on-exec, GLib can use
// posix_spawn, which does not copy this (large) process as fork would.
bool Launch(GAppInfo* app,
            const char* uri,
            GAppLaunchContext* context,
            GError** error) {
  GList uris = {const_cast<char*>(uri), nullptr, nullptr};
  if (!G_IS_DESKTOP_APP_INFO(app) ||
      g_desktop_app_info_get_boolean(G_DESKTOP_APP_INFO(app),
                                     G_KEY_FILE_DESKTOP_KEY_DBUS_ACTIVATABLE) ||
      syscall(SYS_close_range, 3U, ~0U, CLOSE_RANGE_CLOEXEC) != 0) {
    return LaunchAndWait(app, &uris, context, error);
  }
  return g_desktop_app_info_launch_uris_as_manager(
      G_DESKTOP_APP_INFO(app), &uris, context,
      static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD |
                               G_SPAWN_LEAVE_DESCRIPTORS_OPEN),
      nullptr, nullptr, ReapWhenDone, nullptr, error);
}

}  // namespace

std::int32_t OpenWithDefaultApplication(const std::string& path,
                                        std::uint32_t x11Time) {
  // GIO would hand a missing file to whatever handles file: URIs, and a
  // folder to the file manager; a folder where the armed file was is not
  // what the user chose to open.
  struct stat info;
  if (stat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) {
    return kOpenFileNotFound;
  }
  g_autoptr(GFile) file = g_file_new_for_path(path.c_str());
  g_autofree gchar* uri = g_file_get_uri(file);
  g_autoptr(GError) error = nullptr;
  // The default application of this moment, not of the time of arming.
  g_autoptr(GAppInfo) app = g_file_query_default_handler(file, nullptr, &error);
  // The application starts in this process's current directory, which is
  // the directory the core asks for.
  if (app == nullptr ||
      !Launch(app, uri, NewLaunchContext(x11Time).get(), &error)) {
    return ResultOf(error);
  }
  // A spawned application is announced on the session bus; the program
  // ends right after a launch, so the message must leave first.
  g_autoptr(GDBusConnection) session =
      g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
  if (session != nullptr) {
    g_dbus_connection_flush_sync(session, nullptr, nullptr);
  }
  return kOpenSucceeded;
}

}  // namespace vorundel::linux_desktop
