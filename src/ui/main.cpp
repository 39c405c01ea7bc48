#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

#include "platform/ProgramPlaces.h"
#include "platform/SingleInstance.h"
#include "platform/SynthSettings.h"
#include "text/Encoding.h"
#include "ui/DeckArt.h"
#include "ui/HandOverReceiver.h"
#include "ui/KorvaApp.h"
#include "ui/Mpris.h"
#include "ui/QtText.h"
#include "ui/QtTranslations.h"
#include "ui/QtViews.h"
#include "ui/TMainForm.h"

namespace {

// Grid placement needs a window that may place itself; Wayland forbids that, XWayland allows it.
// Without XWayland (no X display) the program still runs on Wayland itself.
void PreferXcbOnWayland() {
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || qEnvironmentVariableIsEmpty("DISPLAY"))
        return;
    if (qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland") ||
        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
}

// Without any display the windowing system cannot be reached, and Qt would end the program with
// an abort. Files given on the command line can still be handed to a running copy.
bool NoDisplay() {
    return qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
           qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

// The command line: arguments naming an existing file are songs to play (made absolute, so that a
// running copy finds them too); the first two of the others name the data folders.
struct Arguments {
    QStringList folders;
    QStringList files;
};

Arguments ReadArguments(const QStringList& args) {
    Arguments result;
    for (int i = 1; i < args.size(); ++i) {
        const QFileInfo info(args[i]);
        if (!args[i].isEmpty() && info.isFile())
            result.files << info.absoluteFilePath();
        else
            result.folders << args[i];
    }
    return result;
}

// The songs as the running copy takes them: file-system names.
std::vector<std::string> HandOverNames(const QStringList& files) {
    std::vector<std::string> names;
    for (const QString& file : files) names.push_back(QFile::encodeName(file).toStdString());
    return names;
}

class StandardErrorMessages final : public korva::MessageView {
  public:
    void ShowMessage(const std::string& sjisText) override {
        std::fprintf(stderr, "korva97: %s\n", korva::ToDisplayUtf8(sjisText).c_str());
    }
};

int RunWithoutDisplay(int argc, char** argv) {
    QStringList args;
    for (int i = 0; i < argc; ++i) args << QFile::decodeName(argv[i]);
    korva::SingleInstance lock(korva::kSingleInstanceName);
    StandardErrorMessages messages;
    if (!korva::ClaimSingleInstance(lock, messages, HandOverNames(ReadArguments(args).files)))
        return 0;
    std::fprintf(stderr,
                 "korva97: no display to show its window on (neither DISPLAY nor WAYLAND_DISPLAY is set)\n");
    return 1;
}

// With KORVA_PAINT_STAMP set, the steady-clock time of the deck's first paint event goes to the
// standard error, for bench/run_paint_bench.sh to set against the time it started the program.
class FirstPaintStamp final : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            const auto now = std::chrono::steady_clock::now().time_since_epoch();
            std::fprintf(stderr, "korva97: first paint at %lld\n",
                         static_cast<long long>(std::chrono::nanoseconds(now).count()));
            watched->removeEventFilter(this);
        }
        return false;
    }
};

}  // namespace

int main(int argc, char** argv) {
    // The environment is changed here only, before any thread can read it.
    korva::KeepJackFromStartingServers();
    if (NoDisplay())
        return RunWithoutDisplay(argc, argv);
    PreferXcbOnWayland();
    QApplication app(argc, argv);
    // Qt reads the system's fonts from fontconfig when the first text is drawn: in the deck's first
    // paint, which would stay blank on the screen for that long. The font database may be used from
    // any thread, so another one reads it, and finds the deck's face, while this one makes the deck.
    std::jthread fontReader([] { (void)QFontMetrics(korva::DeckFont(12)).height(); });
    QApplication::setApplicationName(QStringLiteral("KORVA97"));
    QGuiApplication::setDesktopFileName(QStringLiteral("korva97"));
    korva::InstallJapaneseTranslations();

    const Arguments arguments = ReadArguments(QCoreApplication::arguments());
    korva::QtMessageView messages;
    korva::SingleInstance lock(korva::kSingleInstanceName);
    if (!korva::ClaimSingleInstance(lock, messages, HandOverNames(arguments.files)))
        return 0;

    const QString folder = QDir(QCoreApplication::applicationDirPath()).absolutePath() + "/";
    const auto executableFolder = korva::ToSjis(folder);
    if (!executableFolder) {
        messages.ShowMessage(korva::UnholdableNamesMessage({korva::ToSjisForMessage(folder)}));
        return 1;
    }
    const korva::LocatedPlaces located = korva::LocateProgramPlaces(*executableFolder);
    if (!located.problem.empty())
        messages.ShowMessage(located.problem);
    std::vector<std::string> listFolders;
    for (int i = 0; i < arguments.folders.size() && i < 2; ++i) {
        auto listFolder = korva::ToSjis(arguments.folders[i]);
        if (!listFolder)
            messages.ShowMessage(
                korva::UnholdableNamesMessage({korva::ToSjisForMessage(arguments.folders[i])}));
        listFolders.push_back(listFolder.value_or(std::string()));
    }
    korva::Folders folders = korva::MakeFolders(located.places.home, listFolders);
    folders.SupportFolders = located.places.supportFolders;

    korva::KorvaApp korva(std::move(folders));
    korva::TMainForm& deck = korva.MainForm();
    if (!qEnvironmentVariableIsEmpty("KORVA_PAINT_STAMP"))
        deck.installEventFilter(new FirstPaintStamp(&deck));
    // Songs handed over or named on the command line play once the whole program is made, and the
    // media controls are offered from then on too.
    korva::HandOverReceiver receiver(lock, [&korva, &deck](const QStringList& files) {
        korva.AfterStart([&deck, files] { deck.PlayLocalFiles(files); });
    });
    std::unique_ptr<korva::Mpris> mpris;
    korva.AfterStart([&] { mpris = std::make_unique<korva::Mpris>(deck, korva.TheJukebox()); });
    if (!arguments.files.isEmpty())
        korva.AfterStart([&deck, files = arguments.files] { deck.PlayLocalFiles(files); });
    return app.exec();
}
