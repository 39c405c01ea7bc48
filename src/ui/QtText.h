#pragma once
// The window edge of the core's Shift-JIS text.

#include <QString>
#include <optional>
#include <string>
#include <string_view>

namespace korva {

// For display: invalid bytes show as U+FFFD.
QString FromSjis(std::string_view sjis);
// Text typed or chosen by the user; nullopt when it holds a character Shift-JIS cannot hold
// (failedChar then names it).
std::optional<std::string> ToSjis(const QString& text, QString* failedChar = nullptr);

// For messages only: characters that Shift-JIS cannot hold become "?".
std::string ToSjisForMessage(const QString& text);

}  // namespace korva
