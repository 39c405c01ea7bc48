#include "ui/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace korva {

bool InstallJapaneseTranslations() {
    auto* app = QCoreApplication::instance();
    auto* qt = new QTranslator(app);
    const bool loaded = qt->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    if (loaded)
        QCoreApplication::installTranslator(qt);
    else
        delete qt;
    return loaded;
}

}  // namespace korva
