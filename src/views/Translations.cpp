#include "views/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace bp::Translations {

bool useDutch()
{
    const QLocale dutch(QLocale::Dutch, QLocale::Netherlands);
    // Qt's widgets that format by the default locale then match the Dutch around them (the
    // file dialog's dates follow the system locale, the user's region). Our own formats name
    // their locale (C or Dutch), and command-line processes never come here, so nothing a
    // script reads changes.
    QLocale::setDefault(dutch);
    auto *translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(dutch, QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
        QCoreApplication::installTranslator(translator))
        return true;
    delete translator;
    return false;
}

} // namespace bp::Translations
