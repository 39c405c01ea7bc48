#include "ui/ListFont.h"

#include <QFontDatabase>
#include <QStringList>

namespace korva {

namespace {

QString FirstInstalled(const QStringList& preferred) {
    const QStringList installed = QFontDatabase::families(QFontDatabase::Japanese);
    for (const QString& family : preferred) {
        if (installed.contains(family))
            return family;
    }
    return {};
}

}  // namespace

QFont ListFont(const Settings& settings) {
    const bool serif = settings.USEFONT == 1;
    static const QStringList serifFamilies = {QStringLiteral("IPAMincho"), QStringLiteral("IPAexMincho"),
                                              QStringLiteral("Noto Serif CJK JP"),
                                              QStringLiteral("TakaoMincho"), QStringLiteral("IPAPMincho")};
    static const QStringList sansFamilies = {
        QStringLiteral("IPAGothic"),   QStringLiteral("IPAexGothic"), QStringLiteral("Noto Sans CJK JP"),
        QStringLiteral("TakaoGothic"), QStringLiteral("VL Gothic"),   QStringLiteral("IPAPGothic")};
    QFont font;
    const QString family = FirstInstalled(serif ? serifFamilies : sansFamilies);
    // Without a known Japanese face, the system's generic serif or sans-serif choice.
    font.setFamily(!family.isEmpty() ? family
                   : serif           ? QStringLiteral("serif")
                                     : QStringLiteral("sans-serif"));
    font.setStyleHint(serif ? QFont::Serif : QFont::SansSerif);
    // A size of 0 in the settings file would be no size at all; the system's size stands in.
    if (settings.FONTSIZ > 0)
        font.setPointSize(settings.FONTSIZ);
    return font;
}

}  // namespace korva
