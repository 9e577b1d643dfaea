// The main window under test in a process of its own, worked line by line
// from standard input:
//   drop PATH      drop PATH on Label1
//   drop-hex HEX   the same for a path given as hex bytes (any byte can
//                  pass, line breaks included)
//   label          print "label FORMAT HEX": Label1's text as hex UTF-8,
//                  FORMAT "plain" when it shows as typed (no markup, no
//                  access key), "rich" otherwise
//   set            press Set, then print "state N"
//   restore        restore the window, then print "state N"
//   hold           keep the next message box open until "ok" arrives
//   ok             answer the message box held open
//   watch-apps     print "watching", then "apps changed" whenever the
//                  desktop's applications or associations change
// End of input closes the window. Message boxes are answered OK and
// printed as "message TEXT" (line breaks as "\n"). PrepareForSleep is
// printed as "event true|false" after the window has handled it.
#include <gio/gio.h>
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTextDocument>
#include <cstdio>
#include <memory>
#include <string>

#include "platform/linux/async_bus.h"
#include "tests/linux/drag_drop.h"
#include "ui/qt/form1.h"

namespace {

void Print(const QString& line) {
  std::printf("%s\n", line.toUtf8().constData());
  std::fflush(stdout);
}

class ProbeForm1 : public vorundel::ui::Form1 {
 public:
  void HoldNextBox() { holdNext_ = true; }
  void AnswerHeldBox() {
    if (held_ != nullptr) {
      held_->quit();
    }
  }

 protected:
  QMessageBox::StandardButton ExecMessageBox(QMessageBox& box) override {
    Print(QStringLiteral("message ") +
          box.text().replace(QLatin1Char('\n'), QLatin1String("\\n")));
    if (holdNext_) {
      // Events (D-Bus signals, input lines) go on arriving meanwhile, as
      // they do while a real box waits for the user.
      holdNext_ = false;
      QEventLoop loop;
      held_ = &loop;
      loop.exec();
      held_ = nullptr;
    }
    return QMessageBox::Ok;
  }

 private:
  bool holdNext_ = false;
  QEventLoop* held_ = nullptr;
};

void OnPrepareForSleep(GDBusConnection*,
                       const gchar*,
                       const gchar*,
                       const gchar*,
                       const gchar*,
                       GVariant* parameters,
                       gpointer) {
  gboolean sleeping = FALSE;
  g_variant_get(parameters, "(b)", &sleeping);
  Print(sleeping ? QStringLiteral("event true")
                 : QStringLiteral("event false"));
}

guint SubscribeToPrepareForSleep(GDBusConnection* connection) {
  return g_dbus_connection_signal_subscribe(
      connection, "org.freedesktop.login1", "org.freedesktop.login1.Manager",
      "PrepareForSleep", "/org/freedesktop/login1", nullptr,
      G_DBUS_SIGNAL_FLAGS_NONE, OnPrepareForSleep, nullptr, nullptr);
}

void OnApplicationsChanged(GAppInfoMonitor*, gpointer) {
  Print(QStringLiteral("apps changed"));
}

void DropPath(QLabel* label, const QString& path) {
  std::unique_ptr<QMimeData> data(
      vorundel::testing::FilesPayload({QUrl::fromLocalFile(path)}));
  vorundel::testing::Drop(label, *data);
}

QString DescribeLabel(const QLabel& label) {
  const bool rich =
      label.textFormat() == Qt::RichText ||
      label.textFormat() == Qt::MarkdownText ||
      (label.textFormat() == Qt::AutoText && Qt::mightBeRichText(label.text()));
  // With a buddy, "&x" would show as an underlined access key.
  const bool plain = !rich && label.buddy() == nullptr;
  return QStringLiteral("label %1 %2")
      .arg(plain ? QStringLiteral("plain") : QStringLiteral("rich"),
           QString::fromLatin1(label.text().toUtf8().toHex()));
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  ProbeForm1 form;
  QObject::connect(&form, &vorundel::ui::Form1::unloaded, &application,
                   [] { QCoreApplication::exit(0); });
  form.show();

  // The window connects to the system bus in the background and subscribes
  // once connected; so does this probe, on the same shared connection.
  // Ready once the bus has both subscriptions.
  guint subscription = 0;
  vorundel::linux_desktop::AsyncBus bus(
      G_BUS_TYPE_SYSTEM, [&subscription](GDBusConnection* connection) {
        g_dbus_connection_set_exit_on_close(connection, FALSE);
        subscription = SubscribeToPrepareForSleep(connection);
        // The bus takes messages in order: once this answers, both
        // subscriptions are in place.
        GVariant* reply = g_dbus_connection_call_sync(
            connection, "org.freedesktop.DBus", "/org/freedesktop/DBus",
            "org.freedesktop.DBus", "GetId", nullptr, nullptr,
            G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr);
        if (reply != nullptr) {
          g_variant_unref(reply);
        }
        Print(QStringLiteral("ready"));
      });
  // A connection calls its subscribers in the order they subscribed, but
  // the two background connects may complete in either order. Once Set
  // has run the window has certainly subscribed, so subscribing anew puts
  // this probe after it, and an "event" line after the window's handling.
  const auto followTheWindow = [&subscription, &bus] {
    if (subscription != 0) {
      g_dbus_connection_signal_unsubscribe(bus.get(), subscription);
      subscription = SubscribeToPrepareForSleep(bus.get());
    }
  };
  g_autoptr(GAppInfoMonitor) applications = nullptr;

  auto* label = form.findChild<QLabel*>(QStringLiteral("Label1"));
  auto* set = form.findChild<QPushButton*>(QStringLiteral("cmdSet"));
  std::string input;
  QSocketNotifier notifier(STDIN_FILENO, QSocketNotifier::Read);
  // Runs again from inside a held message box: each line is taken out of
  // `input` before it is acted on.
  QObject::connect(&notifier, &QSocketNotifier::activated, [&] {
    char chunk[4096];
    const ssize_t n = read(STDIN_FILENO, chunk, sizeof chunk);
    if (n <= 0) {
      notifier.setEnabled(false);
      form.AnswerHeldBox();
      form.UnloadForm();
      return;
    }
    input.append(chunk, static_cast<std::size_t>(n));
    for (auto end = input.find('\n'); end != std::string::npos;
         end = input.find('\n')) {
      const QString line = QString::fromUtf8(input.substr(0, end));
      input.erase(0, end + 1);
      if (line.startsWith(QLatin1String("drop "))) {
        DropPath(label, line.mid(5));
      } else if (line.startsWith(QLatin1String("drop-hex "))) {
        DropPath(label, QFile::decodeName(
                            QByteArray::fromHex(line.mid(9).toLatin1())));
      } else if (line == QLatin1String("label")) {
        Print(DescribeLabel(*label));
      } else if (line == QLatin1String("set")) {
        set->click();
        followTheWindow();
        Print(QStringLiteral("state %1").arg(form.WindowState()));
      } else if (line == QLatin1String("restore")) {
        form.showNormal();
        Print(QStringLiteral("state %1").arg(form.WindowState()));
      } else if (line == QLatin1String("hold")) {
        form.HoldNextBox();
      } else if (line == QLatin1String("ok")) {
        form.AnswerHeldBox();
      } else if (line == QLatin1String("watch-apps")) {
        if (!applications) {
          applications = g_app_info_monitor_get();
          g_signal_connect(applications, "changed",
                           G_CALLBACK(OnApplicationsChanged), nullptr);
        }
        Print(QStringLiteral("watching"));
      }
    }
  });
  const int status = QApplication::exec();
  if (subscription != 0) {
    g_dbus_connection_signal_unsubscribe(bus.get(), subscription);
  }
  return status;
}
