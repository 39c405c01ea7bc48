#include "ui/ListFont.h"

#include <QStringList>

namespace korva {

QFont ListFont(const Settings& settings) {
    const bool serif = settings.USEFONT == 1;
    static const QStringList serifFamilies = {QStringLiteral("IPAMincho"), QStringLiteral("IPAexMincho"),
                                              QStringLiteral("Noto Serif CJK JP"),
                                              QStringLiteral("TakaoMincho"), QStringLiteral("IPAPMincho")};
    static const QStringList sansFamilies = {
        QStringLiteral("IPAGothic"),   QStringLiteral("IPAexGothic"), QStringLiteral("Noto Sans CJK JP"),
        QStringLiteral("TakaoGothic"), QStringLiteral("VL Gothic"),   QStringLiteral("IPAPGothic")};
    QFont font =
        FirstInstalledFont(serif ? serifFamilies : sansFamilies, serif ? QFont::Serif : QFont::SansSerif);
    // A size of 0 in the settings file would be no size at all; the system's size stands in.
    if (settings.FONTSIZ > 0)
        font.setPointSize(settings.FONTSIZ);
    return font;
}

QFont FirstInstalledFont(const QStringList& families, QFont::StyleHint hint) {
    QFont font;
    // Without any of them, the system's generic serif or sans-serif choice.
    font.setFamilies(families + QStringList{hint == QFont::Serif ? QStringLiteral("serif")
                                                                 : QStringLiteral("sans-serif")});
    font.setStyleHint(hint);
    return font;
}

}  // namespace korva
