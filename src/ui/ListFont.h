#pragma once
// The font of the program's lists and documents: "標準明朝" when USEFONT is 1, otherwise
// "標準ゴシック", at FONTSIZ points. Those names stand for the system's standard Japanese serif and
// sans-serif faces; here they are the first installed of the usual Japanese families.

#include <QFont>

#include "app/Settings.h"

namespace korva {

QFont ListFont(const Settings& settings);

}  // namespace korva
