#include <QApplication>
#include <QIcon>
#include <QPixmapCache>
#include <QTranslator>
#include <cstdlib>
#include <vector>

#include "ui/qt/form1.h"
#include "ui/qt/qt_translations.h"

namespace {

// A Wayland compositor tells a native client neither that its window was
// minimized nor that it was restored, and GNOME Shell undoes a minimize
// that races the focus it gives back when a box closes. As an X client
// through XWayland the window manager reports both, as on X11. So where the
// desktop offers an X display and the user has chosen no Qt platform, the
// window is an X window; `-platform` first, so that one given by the user
// still wins.
std::vector<char*> Arguments(int argc, char* argv[]) {
  std::vector<char*> arguments(argv, argv + argc);
  if (!qEnvironmentVariableIsEmpty("DISPLAY") &&
      qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    static char platform[] = "-platform";
    static char xcb[] = "xcb";
    arguments.insert(arguments.begin() + (argc > 0 ? 1 : 0), {platform, xcb});
  }
  arguments.push_back(nullptr);
  return arguments;
}

}  // namespace

int main(int argc, char* argv[]) {
  // logind's notifications arrive through GLib's main loop, which Qt runs
  // as its own event loop unless told not to.
  qunsetenv("QT_NO_GLIB");
  std::vector<char*> arguments = Arguments(argc, argv);
  int count = static_cast<int>(arguments.size()) - 1;
  QApplication application(count, arguments.data());
  // The message boxes' buttons in the user's language, as Windows gives
  // them.
  QTranslator qtTranslations;
  vorundel::ui::InstallQtTranslations(qtTranslations, QLocale::system());
  // Any pixmap in the style's cache starts a timer that wakes the program
  // 30 s after the last paint; while armed it should not wake at all. The
  // window is small enough to draw without the cache.
  QPixmapCache::setCacheLimit(0);
  QGuiApplication::setDesktopFileName(
      QStringLiteral("io.github.vorundel.vorundel"));
  QIcon icon;
  for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
    icon.addFile(QStringLiteral(":/icons/%1/vorundel.png").arg(size));
  }
  QApplication::setWindowIcon(icon);

  vorundel::ui::Form1 form;
  // Every way out (Cancel, closing the window, the end after a launch)
  // unloads the form, and that ends the program with status 0.
  QObject::connect(&form, &vorundel::ui::Form1::unloaded, &application,
                   [] { QCoreApplication::exit(0); });
  form.show();
  const int status = QApplication::exec();
  // Qt's Wayland client can hang for good as it disconnects: a read it
  // prepared for its event thread just as that thread was told to stop is
  // never cancelled, and the frame queue's thread waits for it (seen under
  // load, Qt 6.4 and 6.8 alike). Nothing is left to save or say by now, so
  // on Wayland the program ends before that teardown.
  if (QGuiApplication::platformName() == QLatin1String("wayland")) {
    std::_Exit(status);
  }
  return status;
}
