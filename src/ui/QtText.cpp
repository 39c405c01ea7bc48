#include "ui/QtText.h"

#include "text/Encoding.h"

namespace korva {

QString FromSjis(std::string_view sjis) {
    return QString::fromStdString(ToDisplayUtf8(sjis));
}

std::optional<std::string> ToSjis(const QString& text, QString* failedChar) {
    Conversion c = Utf8ToCp932(text.toStdString());
    if (!c.ok) {
        if (failedChar)
            *failedChar = QString::fromStdString(c.failedChar);
        return std::nullopt;
    }
    return std::move(c.text);
}

std::string ToSjisForMessage(const QString& text) {
    return Cp932ForMessage(text.toStdString());
}

}  // namespace korva
