// A second start of the real program that names a song while this copy runs: it hands the song over
// and ends quietly, and this copy plays it as a dropped file.

#include <QProcess>
#include <QTest>

#include "platform/SingleInstance.h"
#include "platform/SynthSettings.h"
#include "support/QtTestSupport.h"
#include "support/SmfWriter.h"
#include "support/TempDir.h"
#include "ui/HandOverReceiver.h"
#include "ui/KorvaApp.h"
#include "ui/TMainForm.h"

using namespace korva;

class HandOverTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { KeepJackFromStartingServers(); }
    void cleanup() { QCOMPARE(testing::WindowsLeftBehind(), QStringList()); }

    // The second start hands its song over whether or not it has a display to show anything on: a
    // start from a console or a service without one still reaches the copy on the desktop.
    void SecondStartNamingASongMakesTheRunningCopyPlayIt_data() {
        QTest::addColumn<bool>("display");
        QTest::newRow("with a display") << true;
        QTest::newRow("without any display") << false;
    }
    void SecondStartNamingASongMakesTheRunningCopyPlayIt() {
        QFETCH(bool, display);
        SingleInstance lock(kSingleInstanceName);
        if (!lock.TryAcquire())
            QSKIP("a copy of the program is running for this user");
        testing::TempDir dir;
        dir.Write("KORVA.INI", "[KORVA]\r\nPLAYMOD=0\r\nRNDMODE=0\r\nSENDRST=0\r\nINTLOCK=0\r\n");
        testing::SmfWriter writer(0, 480);
        writer.AddTrack().Tempo(0, 500000).Note(0, 960 * 20, 0, 60, 100);
        const std::string song = dir.Write("dropped song.mid", writer.Bytes());
        KorvaApp app(dir.Folder(), {});
        HandOverReceiver receiver(lock,
                                  [&app](const QStringList& files) { app.MainForm().PlayLocalFiles(files); });

        QProcess second;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (display) {
            environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        } else {
            for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
                environment.remove(QLatin1String(name));
        }
        environment.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
        second.setProcessEnvironment(environment);
        second.setWorkingDirectory(QString::fromStdString(dir.Folder()));
        // A relative name: the second start makes it absolute before handing it over.
        second.start(QStringLiteral(KORVA_PROGRAM_DIR "/korva"), {QStringLiteral("dropped song.mid")});
        QTRY_COMPARE_WITH_TIMEOUT(second.state(), QProcess::NotRunning, 30000);
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);

        QTRY_VERIFY_WITH_TIMEOUT(app.TheJukebox().Commands().DevicePlaying(), 10000);
        QCOMPARE(app.Model().PlayQueue, std::vector<std::string>{song});
        QCOMPARE(app.Model().settings.PLAYMOD, std::uint8_t{EASY});
        QCOMPARE(app.Model().play.SavedListMode, int{LIST0});  // Stop brings the list mode back
    }
};

QTEST_MAIN(HandOverTest)
#include "HandOverTest.moc"
