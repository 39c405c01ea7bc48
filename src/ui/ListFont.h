#pragma once
// The font of the program's lists and documents: "標準明朝" when USEFONT is 1, otherwise
// "標準ゴシック", at FONTSIZ points. Those names stand for the system's standard Japanese serif and
// sans-serif faces; here they are the first installed of the usual Japanese families.

#include <QFont>

#include "app/Settings.h"

namespace korva {

QFont ListFont(const Settings& settings);

// A font of the first of the given families that is installed, else of the system's choice for the
// style hint. The families are named as fontconfig knows them in any language: under a Japanese
// locale the installed families are listed by their Japanese names ("IPA Pゴシック" for
// "IPAPGothic"), so they are never looked up in that list.
QFont FirstInstalledFont(const QStringList& families, QFont::StyleHint hint);

}  // namespace korva
