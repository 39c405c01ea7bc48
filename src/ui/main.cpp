#include <QApplication>
#include <QDir>
#include <cstdio>
#include <vector>

#include "platform/SingleInstance.h"
#include "text/Encoding.h"
#include "ui/KorvaApp.h"
#include "ui/QtText.h"
#include "ui/QtViews.h"

namespace {

// Grid placement needs a window that may place itself; Wayland forbids that, XWayland allows it.
void PreferXcbOnWayland() {
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return;
    if (qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland") ||
        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
}

}  // namespace

int main(int argc, char** argv) {
    PreferXcbOnWayland();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KORVA97"));

    korva::QtMessageView messages;
    korva::SingleInstance lock(korva::kSingleInstanceName);
    if (!lock.TryAcquire()) {
        std::fprintf(stderr, "%s\n", "ＫＯＲＶＡ９７は既に起動しています");
        messages.ShowMessage(korva::Sjis("ＫＯＲＶＡ９７は既に起動しています"));
        return 0;
    }

    QString failed;
    const auto programFolder =
        korva::ToSjis(QDir(QCoreApplication::applicationDirPath()).absolutePath() + "/", &failed);
    if (!programFolder) {
        messages.ShowMessage(
            korva::ToSjisForMessage(QCoreApplication::applicationDirPath()) +
            korva::Sjis(" のフォルダ名には Shift-JIS で表せない文字があるため起動できません"));
        return 1;
    }
    std::vector<std::string> arguments;
    const QStringList args = QCoreApplication::arguments();
    for (int i = 1; i < args.size() && i <= 2; ++i) {
        auto folder = korva::ToSjis(args[i]);
        if (!folder) {
            messages.ShowMessage(
                korva::ToSjisForMessage(args[i]) +
                korva::Sjis(" のフォルダ名には Shift-JIS で表せない文字があるため使えません"));
        }
        arguments.push_back(folder.value_or(std::string()));
    }

    korva::KorvaApp korva(*programFolder, arguments);
    return app.exec();
}
