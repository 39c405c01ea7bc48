// A second start of the real program that names a song while this copy runs: it hands the song over
// and ends quietly, and this copy plays it as a dropped file. Senders that stall or flood are dropped
// while the windows go on working and other hand-overs are taken.

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <QProcess>
#include <QTest>
#include <atomic>
#include <cstring>
#include <future>
#include <thread>

#include "platform/SingleInstance.h"
#include "platform/SynthSettings.h"
#include "support/LocalSocket.h"
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
    void initTestCase() {
        KeepJackFromStartingServers();
        // A runtime folder of the test's own: the lock of a copy the user runs is never touched, and
        // the program started below finds this one, as it inherits the environment.
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime_.Path().string()));
    }
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
        QVERIFY(lock.TryAcquire());
        QVERIFY(lock.Held());
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

    // One sender trickles a byte a second and would go on for a minute, another never sends, a
    // third sends more than a hand-over may hold: a proper hand-over made meanwhile is played at
    // once, and each of the others is dropped, unanswered, with nothing of it played.
    void StalledAndOversizeSendersAreDroppedWhileOthersAreTaken() {
        const std::string name = "KORVA97-stalled";
        const LockFolder folder{runtime_.Path().string(), {}};
        SingleInstance lock(name, folder);
        QVERIFY(lock.TryAcquire());
        QStringList played;
        HandOverReceiver receiver(lock, [&played](const QStringList& files) { played << files; });
        const std::string socketPath = folder.path + "/" + name + ".socket";

        std::atomic<bool> trickleDropped = false;
        std::thread trickle([&] {
            const int fd = ConnectTo(socketPath);
            for (int i = 0; fd >= 0 && i < 60; ++i) {
                if (::send(fd, "/", 1, MSG_NOSIGNAL) != 1)
                    break;
                pollfd closed{fd, POLLIN, 0};
                char answer = 0;
                if (::poll(&closed, 1, 1000) == 1 && ::recv(fd, &answer, 1, 0) <= 0) {
                    trickleDropped = true;
                    break;
                }
            }
            ::close(fd);
        });
        const int silent = ConnectTo(socketPath);
        QVERIFY(silent >= 0);
        QTRY_COMPARE(receiver.Pending(), 2);

        auto proper = std::async(
            std::launch::async, [&] { return SingleInstance(name, folder).HandOver({"/music/proper.mid"}); });
        QTRY_COMPARE_WITH_TIMEOUT(played, QStringList{QStringLiteral("/music/proper.mid")}, 10000);
        QVERIFY(proper.get());

        auto oversize = std::async(std::launch::async, [&] {
            const std::vector<std::string> names(kHandOverLimit / 1000 + 1,
                                                 "/music/" + std::string(993, 'x'));
            return SingleInstance(name, folder).HandOver(names);
        });
        QTRY_VERIFY_WITH_TIMEOUT(oversize.wait_for(std::chrono::seconds(0)) == std::future_status::ready,
                                 10000);
        QVERIFY(!oversize.get());

        QTRY_VERIFY_WITH_TIMEOUT(trickleDropped, 10000);
        trickle.join();
        char answer = 0;
        QTRY_COMPARE_WITH_TIMEOUT(::recv(silent, &answer, 1, MSG_DONTWAIT), ssize_t{0}, 10000);
        ::close(silent);
        QCOMPARE(receiver.Pending(), 0);
        QCOMPARE(played, QStringList{QStringLiteral("/music/proper.mid")});
    }

  private:
    static int ConnectTo(const std::string& path) { return testing::ConnectTo(path); }

    testing::TempDir runtime_;
};

QTEST_MAIN(HandOverTest)
#include "HandOverTest.moc"
