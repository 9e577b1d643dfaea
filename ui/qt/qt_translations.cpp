#include "ui/qt/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>

namespace vorundel::ui {

void InstallQtTranslations(QTranslator& translator, const QLocale& locale) {
  if (translator.load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QCoreApplication::installTranslator(&translator);
  }
}

}  // namespace vorundel::ui
