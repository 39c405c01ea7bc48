// The media controls of the desktop, driven over a real session bus (the test runs inside a private
// one): the deck's buttons act, and the status, the song's title, address and length and the
// Next/Back abilities follow the player, with change signals.

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDialog>
#include <QProcess>
#include <QTest>
#include <QUrl>

#include "platform/SynthSettings.h"
#include "support/QtTestSupport.h"
#include "support/SmfWriter.h"
#include "support/TempDir.h"
#include "text/Encoding.h"
#include "ui/KorvaApp.h"
#include "ui/Mpris.h"
#include "ui/TMainForm.h"

using namespace korva;

namespace {

const QString kService = QStringLiteral("org.mpris.MediaPlayer2.korva97");
const QString kPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kPlayer = QStringLiteral("org.mpris.MediaPlayer2.Player");

// A desktop's media applet: its own connection to the bus, so every call travels through the daemon.
class Applet : public QObject {
    Q_OBJECT
  public:
    Applet() : bus_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("applet"))) {
        bus_.connect(kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                     QStringLiteral("PropertiesChanged"), this,
                     SLOT(PropertiesChanged(QString, QVariantMap, QStringList)));
    }
    ~Applet() override { QDBusConnection::disconnectFromBus(QStringLiteral("applet")); }

    QDBusMessage Call(const QString& interface, const QString& method, const QVariantList& arguments = {}) {
        QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, interface, method);
        message.setArguments(arguments);
        // The player answers on this thread: wait with the event loop running.
        return bus_.call(message, QDBus::BlockWithGui);
    }
    bool Press(const QString& method) { return Call(kPlayer, method).type() == QDBusMessage::ReplyMessage; }
    QVariant Property(const QString& name) {
        const QDBusMessage reply =
            Call(QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"), {kPlayer, name});
        return reply.arguments().isEmpty() ? QVariant()
                                           : reply.arguments().front().value<QDBusVariant>().variant();
    }
    bool SetProperty(const QString& name, const QVariant& value) {
        const QDBusMessage reply = Call(QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Set"),
                                        {kPlayer, name, QVariant::fromValue(QDBusVariant(value))});
        return reply.type() == QDBusMessage::ReplyMessage;
    }
    QVariantMap Metadata() { return qdbus_cast<QVariantMap>(Property(QStringLiteral("Metadata"))); }
    QString Status() { return Property(QStringLiteral("PlaybackStatus")).toString(); }
    QString Title() { return Metadata().value(QStringLiteral("xesam:title")).toString(); }

    QStringList statusSignals;  // PlaybackStatus values announced, in order
    QStringList titleSignals;   // titles announced with Metadata
    QList<double> volumeSignals;

  public slots:
    void PropertiesChanged(const QString& interface, const QVariantMap& changed, const QStringList&) {
        if (interface != kPlayer)
            return;
        if (changed.contains(QStringLiteral("PlaybackStatus")))
            statusSignals << changed.value(QStringLiteral("PlaybackStatus")).toString();
        if (changed.contains(QStringLiteral("Volume")))
            volumeSignals << changed.value(QStringLiteral("Volume")).toDouble();
        if (changed.contains(QStringLiteral("Metadata"))) {
            const auto metadata = qdbus_cast<QVariantMap>(changed.value(QStringLiteral("Metadata")));
            titleSignals << metadata.value(QStringLiteral("xesam:title")).toString();
        }
    }

  private:
    QDBusConnection bus_;
};

}  // namespace

class MprisTest : public QObject {
    Q_OBJECT

  private:
    static std::string Song(double seconds) {
        testing::SmfWriter writer(0, 480);
        const auto ticks = static_cast<std::uint32_t>(seconds * 960);
        writer.AddTrack().Tempo(0, 500000).ProgramChange(0, 0, 16).Note(0, ticks, 0, 60, 100);
        return writer.Bytes();
    }

  private slots:
    void initTestCase() {
        KeepJackFromStartingServers();
        if (!QDBusConnection::sessionBus().isConnected())
            QSKIP("no session bus (run inside dbus-run-session)");
    }
    void cleanup() { QCOMPARE(testing::WindowsLeftBehind(), QStringList()); }

    void ButtonsActAndTheBusFollowsThePlayer() {
        testing::TempDir dir;
        const std::string titles[] = {"Alpha", "Beta", Sjis("夏の歌")};
        std::string list0;
        std::vector<std::string> paths;
        for (const std::string& title : titles) {
            paths.push_back(dir.Write("song" + std::to_string(paths.size()) + ".mid", Song(20)));
            list0 += title + "\t" + paths.back() + "\t+0\t1\r\n";
        }
        dir.Write("KORVA.DT0", list0);
        dir.Write("KORVA.INI", "[KORVA]\r\nPLAYMOD=0\r\nRNDMODE=0\r\nSENDRST=0\r\nINTLOCK=0\r\n");
        KorvaApp app(dir.Folder(), {});
        Mpris mpris(app.MainForm(), app.TheJukebox());
        QVERIFY(mpris.Registered());
        Applet applet;

        QCOMPARE(applet.Status(), QStringLiteral("Stopped"));
        QCOMPARE(applet.Property(QStringLiteral("CanGoNext")).toBool(), false);

        QVERIFY(applet.Press(QStringLiteral("Play")));
        QTRY_COMPARE(applet.Status(), QStringLiteral("Playing"));
        QVariantMap metadata = applet.Metadata();
        QCOMPARE(metadata.value(QStringLiteral("xesam:title")).toString(), QStringLiteral("Alpha"));
        QCOMPARE(metadata.value(QStringLiteral("xesam:url")).toString(),
                 QUrl::fromLocalFile(QString::fromStdString(paths[0])).toString());
        QCOMPARE(metadata.value(QStringLiteral("mpris:length")).toLongLong(), 20'000'000LL);
        QVERIFY(metadata.value(QStringLiteral("mpris:trackid")).canConvert<QDBusObjectPath>());
        QCOMPARE(applet.Property(QStringLiteral("CanGoNext")).toBool(), true);
        QCOMPARE(applet.Property(QStringLiteral("CanGoPrevious")).toBool(), false);

        QVERIFY(applet.Press(QStringLiteral("Next")));
        QTRY_COMPARE_WITH_TIMEOUT(applet.Title(), QStringLiteral("Beta"), 10000);
        QVERIFY(applet.Press(QStringLiteral("Next")));
        QTRY_COMPARE_WITH_TIMEOUT(applet.Title(), QStringLiteral("夏の歌"), 10000);  // UTF-8 on the bus
        QCOMPARE(applet.Property(QStringLiteral("CanGoNext")).toBool(), false);
        QCOMPARE(applet.Property(QStringLiteral("CanGoPrevious")).toBool(), true);
        QVERIFY(applet.Press(QStringLiteral("Previous")));
        QTRY_COMPARE_WITH_TIMEOUT(applet.Title(), QStringLiteral("Beta"), 10000);

        QVERIFY(applet.Press(QStringLiteral("PlayPause")));
        QTRY_COMPARE(applet.Status(), QStringLiteral("Paused"));
        QVERIFY(app.Model().play.PauseFlag);
        QVERIFY(applet.Press(QStringLiteral("PlayPause")));
        QTRY_COMPARE(applet.Status(), QStringLiteral("Playing"));
        QVERIFY(applet.Press(QStringLiteral("Stop")));
        QTRY_COMPARE(applet.Status(), QStringLiteral("Stopped"));
        QVERIFY(!applet.Metadata().contains(QStringLiteral("xesam:title")));

        // What an applet that only listens saw, each change once and in order.
        QTRY_COMPARE(applet.statusSignals.size(), 4);
        QCOMPARE(applet.statusSignals, (QStringList{"Playing", "Paused", "Playing", "Stopped"}));
        QVERIFY(applet.titleSignals.startsWith(QStringLiteral("Alpha")));
        QVERIFY(applet.titleSignals.contains(QStringLiteral("夏の歌")));
    }

    // An applet's position bar follows the sound heard, and its volume slider is the deck's level.
    void PositionAndVolumeFollowThePlayer() {
        testing::TempDir dir;
        const std::string path = dir.Write("song.mid", Song(30));
        dir.Write("KORVA.DT0", "Song\t" + path + "\t+0\t1\r\n");
        dir.Write("KORVA.INI", "[KORVA]\r\nPLAYMOD=0\r\nSENDRST=0\r\nINTLOCK=0\r\nAUTOVOL=1\r\n");
        KorvaApp app(dir.Folder(), {});
        Mpris mpris(app.MainForm(), app.TheJukebox());
        QVERIFY(mpris.Registered());
        Applet applet;
        const auto position = [&applet] { return applet.Property(QStringLiteral("Position")).toLongLong(); };
        QCOMPARE(position(), 0LL);

        QVERIFY(applet.Press(QStringLiteral("Play")));
        QTRY_COMPARE(applet.Status(), QStringLiteral("Playing"));
        QTRY_VERIFY(position() > 0);
        const qlonglong early = position();
        QTRY_VERIFY(position() > early);
        QVERIFY(position() < 30'000'000);
        QVERIFY(applet.Press(QStringLiteral("Pause")));
        QTRY_COMPARE(applet.Status(), QStringLiteral("Paused"));
        const qlonglong paused = position();
        QTest::qWait(300);
        QCOMPARE(position(), paused);

        const int heard = app.TheJukebox().Volume().EffectiveLevel();
        QCOMPARE(applet.Property(QStringLiteral("Volume")).toDouble(), heard / 9.0);
        QVERIFY(applet.SetProperty(QStringLiteral("Volume"), 0.34));  // nearest level: 3
        QTRY_COMPARE(app.TheJukebox().Volume().EffectiveLevel(), 3);
        QCOMPARE(applet.Property(QStringLiteral("Volume")).toDouble(), 3 / 9.0);
        QTRY_VERIFY(applet.volumeSignals.contains(3 / 9.0));
        QVERIFY(applet.SetProperty(QStringLiteral("Volume"), 7.0));  // beyond the top: the top level
        QTRY_COMPARE(app.TheJukebox().Volume().EffectiveLevel(), 9);

        QVERIFY(applet.Press(QStringLiteral("Stop")));
        QTRY_COMPARE(applet.Status(), QStringLiteral("Stopped"));
        QCOMPARE(position(), 0LL);
    }

    void PressThatOpensADialogDoesNotHoldTheCallerWaiting() {
        // Play in EASY mode asks for a folder first; an applet in another process has its reply
        // while the dialog still waits for the user.
        testing::TempDir dir;
        dir.Write("KORVA.INI", "[KORVA]\r\nPLAYMOD=5\r\n");
        KorvaApp app(dir.Folder(), {});
        Mpris mpris(app.MainForm(), app.TheJukebox());
        QVERIFY(mpris.Registered());
        QProcess applet;
        bool answeredWhileTheDialogWaited = false;
        testing::ModalAnswers answers({[&](QDialog* dialog) {
            QTRY_COMPARE(applet.state(), QProcess::NotRunning);
            answeredWhileTheDialogWaited = applet.exitCode() == 0;
            dialog->reject();
        }});
        applet.start(QStringLiteral("dbus-send"),
                     {"--session", "--print-reply", "--dest=" + kService, kPath, kPlayer + ".Play"});
        QTRY_COMPARE(answers.Answered(), std::size_t{1});
        QVERIFY(answeredWhileTheDialogWaited);
    }
};

QTEST_MAIN(MprisTest)
#include "MprisTest.moc"
