#include "ui/qt/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>

namespace vorundel::ui {

namespace {

// Qt ships Chinese by region, qtbase_zh_TW (Traditional) and qtbase_zh_CN
// (Simplified), while its lookup by the locale's languages ("zh-Hant-TW",
// "zh-Hant", "zh") finds neither for a Traditional locale: the script
// chooses the file.
bool LoadChinese(QTranslator& translator,
                 const QLocale& locale,
                 const QString& folder) {
  const bool traditional = locale.script() == QLocale::TraditionalChineseScript;
  return translator.load(traditional ? QStringLiteral("qtbase_zh_TW")
                                     : QStringLiteral("qtbase_zh_CN"),
                         folder);
}

}  // namespace

void InstallQtTranslations(QTranslator& translator, const QLocale& locale) {
  const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  const bool loaded = locale.language() == QLocale::Chinese
                          ? LoadChinese(translator, locale, folder)
                          : translator.load(locale, QStringLiteral("qtbase"),
                                            QStringLiteral("_"), folder);
  if (loaded) {
    QCoreApplication::installTranslator(&translator);
  }
}

}  // namespace vorundel::ui
