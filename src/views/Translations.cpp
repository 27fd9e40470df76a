#include "views/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace bp::Translations {

bool useDutch()
{
    const QLocale dutch(QLocale::Dutch, QLocale::Netherlands);
    // Widgets that format for the default locale (dates and sizes in the file dialog) then
    // match the Dutch around them. Our own formats name their locale (C or Dutch), and the
    // command line's processes never come here, so no output a script reads changes.
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
