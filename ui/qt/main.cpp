#include <QApplication>
#include <QIcon>
#include <QPixmapCache>
#include <QTranslator>

#include "ui/qt/form1.h"
#include "ui/qt/qt_translations.h"

int main(int argc, char* argv[]) {
  // logind's notifications arrive through GLib's main loop, which Qt runs
  // as its own event loop unless told not to.
  qunsetenv("QT_NO_GLIB");
  QApplication application(argc, argv);
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
  return QApplication::exec();
}
