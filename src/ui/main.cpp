#include <QApplication>
#include <QDir>
#include <vector>

#include "platform/SingleInstance.h"
#include "platform/SynthSettings.h"
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
    // The environment is changed here only, before any thread can read it.
    korva::KeepJackFromStartingServers();
    PreferXcbOnWayland();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KORVA97"));

    korva::QtMessageView messages;
    korva::SingleInstance lock(korva::kSingleInstanceName);
    if (!korva::ClaimSingleInstance(lock, messages))
        return 0;

    const QString folder = QDir(QCoreApplication::applicationDirPath()).absolutePath() + "/";
    const auto programFolder = korva::ToSjis(folder);
    if (!programFolder) {
        messages.ShowMessage(korva::UnholdableNamesMessage({korva::ToSjisForMessage(folder)}));
        return 1;
    }
    std::vector<std::string> arguments;
    const QStringList args = QCoreApplication::arguments();
    for (int i = 1; i < args.size() && i <= 2; ++i) {
        auto listFolder = korva::ToSjis(args[i]);
        if (!listFolder)
            messages.ShowMessage(korva::UnholdableNamesMessage({korva::ToSjisForMessage(args[i])}));
        arguments.push_back(listFolder.value_or(std::string()));
    }

    korva::KorvaApp korva(*programFolder, arguments);
    return app.exec();
}
