// The whole program as it starts: its windows, and a press of Play that plays a playlist through
// the real synthesizer (silent output paced by the clock here, as no sound device exists).

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QScopeGuard>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <filesystem>

#include "platform/SynthSettings.h"
#include "playback/VolumeLevels.h"
#include "support/PrivateSoundServer.h"
#include "support/QtTestSupport.h"
#include "support/SmfWriter.h"
#include "support/TempDir.h"
#include "text/Encoding.h"
#include "ui/KorvaApp.h"
#include "ui/TMainForm.h"

using namespace korva;

class KorvaAppTest : public QObject {
    Q_OBJECT

  private:
    static std::string Song(double seconds) {
        testing::SmfWriter writer(0, 480);
        const auto ticks = static_cast<std::uint32_t>(seconds * 960);
        writer.AddTrack().Tempo(0, 500000).ProgramChange(0, 0, 16).Note(0, ticks, 0, 60, 100);
        return writer.Bytes();
    }

    static QStringList Dialogs(KorvaApp& app) {
        QStringList dialogs;
        for (QObject* child : app.MainForm().children()) {
            if (qobject_cast<QDialog*>(child))
                dialogs << child->objectName();
        }
        return dialogs;
    }

    // Counts the paint events of a window.
    class PaintCounter final : public QObject {
      public:
        int painted = 0;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint)
                ++painted;
            return false;
        }
    };

  private slots:
    void initTestCase() { KeepJackFromStartingServers(); }

    // The deck is shown, and painted, before the output is opened and the other windows are made;
    // they follow once, whatever is painted after.
    void TheDeckIsPaintedBeforeTheRestIsMadeOnce() {
        testing::TempDir dir;
        dir.Write("KORVA.INI", "[KORVA]\r\nINITVOL=3FFF3FFF\r\n[SYNTH]\r\nAUDIODRV=no-such-driver\r\n");
        KorvaApp app(dir.Folder(), {});
        PaintCounter counter;
        app.MainForm().installEventFilter(&counter);
        QVERIFY(app.MainForm().isVisible());
        QVERIFY(!app.TheJukebox().StartFinished());
        QVERIFY(!app.TheJukebox().Connected());
        QVERIFY(Dialogs(app).isEmpty());
        int paintedBeforeRest = -1;
        app.AfterStart([&] { paintedBeforeRest = counter.painted; });
        QCOMPARE(paintedBeforeRest, -1);

        QTRY_VERIFY(app.TheJukebox().StartFinished());
        QVERIFY(paintedBeforeRest >= 1);
        QVERIFY(app.TheJukebox().Connected());
        QCOMPARE(Dialogs(app).size(), 9);
        // The deck was activated as it was shown; the volume bar it sets then is set once the
        // devices exist.
        QTRY_VERIFY(app.MainForm().isActiveWindow());
        auto* bar = app.MainForm().findChild<QScrollBar*>(QStringLiteral("VolScrollBar"));
        QVERIFY(bar);
        QCOMPARE(bar->value(), VolumeBarOfDigit('3'));
        // A function asked for once the start is done runs at once.
        bool ranAtOnce = false;
        app.AfterStart([&] { ranAtOnce = true; });
        QVERIFY(ranAtOnce);

        const int paintedAfter = counter.painted;
        app.MainForm().repaint();
        QTRY_VERIFY(counter.painted > paintedAfter);
        QTest::qWait(50);
        QCOMPARE(Dialogs(app).size(), 9);
    }

    // The program can be made and let go before it was ever painted.
    void ProgramEndedBeforeItsFirstPaintLeavesNothingBehind() {
        testing::TempDir dir;
        dir.Write("KORVA.INI", "[SYNTH]\r\nAUDIODRV=no-such-driver\r\n");
        {
            KorvaApp app(dir.Folder(), {});
            QVERIFY(!app.TheJukebox().StartFinished());
        }
        // Presses after it are no longer watched for it (the sanitizer would see a freed watcher).
        QWidget other;
        other.setObjectName(QStringLiteral("Other"));
        other.show();
        QTest::mouseClick(&other, Qt::LeftButton);
        QTest::keyClick(&other, Qt::Key_A);
        QVERIFY(QTest::qWaitForWindowExposed(&other));
    }

    // A press on a window of the deck before the rest is made (a test's click, or a user's hand
    // faster than the first frame) makes the rest first, so the settings window it opens exists.
    void APressBeforeTheRestIsMadeFindsTheWindowsMade() {
        testing::TempDir dir;
        dir.Write("KORVA.INI", "[SYNTH]\r\nAUDIODRV=no-such-driver\r\n");
        KorvaApp app(dir.Folder(), {});
        auto* setUp = app.MainForm().findChild<QAbstractButton*>(QStringLiteral("SetUpSpeedButton"));
        QVERIFY(setUp);
        QVERIFY(!app.TheJukebox().StartFinished());
        QTest::mouseClick(setUp, Qt::LeftButton);
        QVERIFY(app.TheJukebox().StartFinished());
        auto* settings = app.MainForm().findChild<QDialog*>(QStringLiteral("TSetUpDlg"));
        QVERIFY(settings);
        QTRY_VERIFY(settings->isVisible());
        settings->close();
    }

    // The notices keep the order they had when everything was made before the first paint: with
    // AUTOVOL the output is opened before it, and its notice is on the deck's first frame; the
    // auto-start notice comes after it and stays.
    void NoticesKeepTheirOrderAcrossTheFirstPaint_data() {
        QTest::addColumn<bool>("autovol");
        QTest::newRow("AUTOVOL off") << false;
        QTest::newRow("AUTOVOL on") << true;
    }
    void NoticesKeepTheirOrderAcrossTheFirstPaint() {
        QFETCH(bool, autovol);
        testing::TempDir dir;
        dir.Write("KORVA.INI", std::string("[KORVA]\r\nATSTART=1\r\nPLAYMOD=0\r\nAUTOVOL=") +
                                   (autovol ? "1" : "0") + "\r\n[SYNTH]\r\nAUDIODRV=no-such-driver\r\n");
        KorvaApp app(dir.Folder(), {});
        const auto status = [&app] {
            return QString::fromStdString(ToDisplayUtf8(app.MainForm().Status().Text()));
        };
        const QString first = status();
        QCOMPARE(app.TheJukebox().Connected(), autovol);
        if (autovol)
            QVERIFY2(first == QStringLiteral(".. 音声出力を開けません（無音で演奏します）") ||
                         first == QStringLiteral(".. 音量制御できません"),
                     qPrintable(first));
        else
            QCOMPARE(first, QString());
        QTRY_VERIFY(app.TheJukebox().StartFinished());
        QCOMPARE(status(), QStringLiteral(".. Auto Start(3sec)"));
        QTest::qWait(300);
        QCOMPARE(status(), QStringLiteral(".. Auto Start(3sec)"));
    }

    // Play given through the jukebox at once, before the deck was painted, opens the output then
    // and plays the list.
    void PlayGivenBeforeTheFirstPaintPlays() {
        testing::TempDir dir;
        dir.Write("KORVA.DT0", "Alpha\t" + dir.Write("alpha.mid", Song(0.5)) + "\t+0\t1\r\n");
        dir.Write("KORVA.INI", "[KORVA]\r\nPLAYMOD=0\r\nSENDRST=0\r\n[SYNTH]\r\nAUDIODRV=no-such-driver\r\n");
        KorvaApp app(dir.Folder(), {});
        QVERIFY(!app.TheJukebox().Connected());
        app.TheJukebox().Play();
        QVERIFY(app.TheJukebox().Connected());
        QCOMPARE(Dialogs(app).size(), 9);
        QTRY_VERIFY_WITH_TIMEOUT(app.TheJukebox().Commands().DevicePlaying(), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(QString::fromStdString(ToDisplayUtf8(app.MainForm().Status().Text())),
                                  QStringLiteral("Alpha"), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(app.TheJukebox().Commands().DeviceIdle(), 10000);
    }
    void cleanup() { QCOMPARE(testing::WindowsLeftBehind(), QStringList()); }

    void WithoutSoundTheAutoStartNoticeIsTheOneThatStays() {
        testing::TempDir dir;
        dir.Write("KORVA.INI", "[KORVA]\r\nATSTART=1\r\nPLAYMOD=0\r\n[SYNTH]\r\nAUDIODRV=no-such-driver\r\n");
        KorvaApp app(dir.Folder(), {});
        // The audio notice came first, while the program was made; the auto-start notice follows it
        // and is not replaced by anything the synthesizer reports later.
        QTest::qWait(300);
        QCOMPARE(QString::fromStdString(ToDisplayUtf8(app.MainForm().Status().Text())),
                 QStringLiteral(".. Auto Start(3sec)"));
    }

    void WindowsAreCreatedInTheirOrder() {
        testing::TempDir dir;
        KorvaApp app(dir.Folder(), {});
        QTRY_VERIFY(app.TheJukebox().StartFinished());
        QCOMPARE(Dialogs(app), (QStringList{"TArtsDlg", "TBadDlg", "TRemoteDlg", "TSelCnvDlg", "TViewDlg",
                                            "TVolDlg", "TSetUpDlg", "TCtrlDlg", "TVerDlg"}));
        QVERIFY(app.MainForm().isVisible());
        for (QObject* child : app.MainForm().children()) {
            if (auto* dialog = qobject_cast<QDialog*>(child))
                QVERIFY(!dialog->isVisible());
        }
    }

    void PlayInList0PlaysTheTitlesOneAfterAnother() {
        testing::TempDir dir;
        for (const char* reset : {"KORVA_GM.MID", "KORVA_GS.MID", "KORVA_88.MID"}) {
            std::filesystem::copy_file(std::filesystem::path(KORVA_DATA_DIR) / reset, dir.Path() / reset);
        }
        std::string list0;
        for (const char* title : {"Alpha", "Beta", "Gamma"}) {
            list0 +=
                std::string(title) + "\t" + dir.Write(std::string(title) + ".mid", Song(0.3)) + "\t+0\t1\r\n";
        }
        dir.Write("KORVA.DT0", list0);
        dir.Write("KORVA.DT1", "Other\t" + dir.Write("other.mid", Song(0.3)) + "\t+0\t1\r\n");
        dir.Write("KORVA.INI", "[KORVA]\r\nPLAYMOD=0\r\nSENDRST=1\r\nINTLOCK=0\r\n");

        KorvaApp app(dir.Folder(), {});
        auto* play = app.MainForm().findChild<QAbstractButton*>(QStringLiteral("PlaySpeedButton"));
        QVERIFY(play);

        // Note every text the status line shows while the program plays by itself.
        QStringList seen;
        QTimer watch;
        connect(&watch, &QTimer::timeout, [&] {
            const QString text = QString::fromStdString(ToDisplayUtf8(app.MainForm().Status().Text()));
            if (seen.isEmpty() || seen.last() != text)
                seen << text;
        });
        watch.start(5);
        QTest::mouseClick(play, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(seen.contains("Gamma"), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(app.TheJukebox().Commands().DeviceIdle(), 20000);

        QStringList titles;
        for (const QString& text : seen) {
            if (text == "Alpha" || text == "Beta" || text == "Gamma" || text == "Other")
                titles << text;
        }
        QCOMPARE(titles, (QStringList{"Alpha", "Beta", "Gamma"}));
        QVERIFY(seen.contains(".. No.2"));
        QCOMPARE(app.Model().PlayQueue.size(), std::size_t{3});
    }

    // The output chosen in section SYNTH is a MIDI port that is not there (no JACK server, no ALSA
    // sequencer): Play says so, naming the port, and play ends; choosing the built-in synthesizer
    // again plays the next try through it.
    void APortThatIsNotThereIsADeviceErrorNamingItAndTheSynthPlaysOnceChosenAgain() {
        testing::TempDir dir;
        dir.Write("KORVA.DT0", "Alpha\t" + dir.Write("alpha.mid", Song(0.5)) + "\t+0\t1\r\n");
        dir.Write("KORVA.INI",
                  "[KORVA]\r\nPLAYMOD=0\r\nSENDRST=0\r\n[SYNTH]\r\nAUDIODRV=no-such-driver\r\n"
                  "MIDIOUT=Missing Module:Port 1\r\n");
        KorvaApp app(dir.Folder(), {});
        auto* play = app.MainForm().findChild<QAbstractButton*>(QStringLiteral("PlaySpeedButton"));
        QVERIFY(play);
        {
            testing::ModalAnswers answers;
            QTest::mouseClick(play, Qt::LeftButton);
            QTRY_COMPARE(answers.Answered(), std::size_t{1});
            QVERIFY(answers.texts[0].contains(QStringLiteral("Missing Module:Port 1")));
            QVERIFY(answers.texts[0].startsWith(QStringLiteral("ＭＩＤＩシステムが他で使用されているか")));
        }
        QVERIFY(app.TheJukebox().Commands().DeviceIdle());

        app.Model().settings.MIDIOUT.clear();
        QTest::mouseClick(play, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!app.TheJukebox().Commands().DeviceIdle(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(app.TheJukebox().Commands().DeviceIdle(), 10000);
    }

    void LosingTheSoundServerMidSongIsANoticeAndTheListPlaysOn() {
        const auto program = testing::FindOnPath("pulseaudio");
        if (!program)
            QSKIP("pulseaudio is not installed: the loss of a sound server is not tried");
        testing::TempDir serverDir;
        testing::PrivateSoundServer server(*program, serverDir.Path());
        std::string problem;
        if (!server.Start(problem))
            QSKIP(qPrintable(QStringLiteral("pulseaudio does not start here: ") +
                             QString::fromStdString(problem)));
        // The program asks for the user's sound server; this one stands in for it.
        qputenv("PULSE_SERVER", QByteArray::fromStdString(server.Address()));
        const auto unset = qScopeGuard([] { qunsetenv("PULSE_SERVER"); });

        testing::TempDir dir;
        // Long enough that, even when the server has not yet asked for sound at the loss (a new
        // stream's first second or two) and the song is made up to the five seconds waited, some of
        // it is left to play silently under the notice.
        dir.Write("KORVA.DT0", "Long\t" + dir.Write("long.mid", Song(8.0)) + "\t+0\t1\r\nNext\t" +
                                   dir.Write("next.mid", Song(0.5)) + "\t+0\t1\r\n");
        dir.Write("KORVA.INI", "[KORVA]\r\nPLAYMOD=0\r\nSENDRST=0\r\n[SYNTH]\r\nAUDIODRV=pulseaudio\r\n");
        KorvaApp app(dir.Folder(), {});
        auto* play = app.MainForm().findChild<QAbstractButton*>(QStringLiteral("PlaySpeedButton"));
        auto* display = app.MainForm().findChild<QLabel*>(QStringLiteral("DispLabel"));
        QVERIFY(play && display);

        const QString notice = QString::fromUtf8(".. 音声出力が途切れました（無音で演奏を続けます）");
        QStringList seen;
        bool noticeItalic = false;
        QTimer watch;
        connect(&watch, &QTimer::timeout, [&] {
            const QString text = QString::fromStdString(ToDisplayUtf8(app.MainForm().Status().Text()));
            if (!seen.isEmpty() && seen.last() == text)
                return;
            seen << text;
            if (text == notice)
                noticeItalic = display->font().italic();
        });
        watch.start(5);
        QTest::mouseClick(play, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(seen.contains("Long"), 10000);
        QTest::qWait(1500);
        server.Kill();
        QTRY_VERIFY_WITH_TIMEOUT(seen.contains(notice), 10000);
        QVERIFY(noticeItalic);
        // The song ends without sound and the list goes on.
        QTRY_VERIFY_WITH_TIMEOUT(seen.contains("Next"), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(app.TheJukebox().Commands().DeviceIdle(), 20000);
        QVERIFY(app.MainForm().isVisible());
    }
};

QTEST_MAIN(KorvaAppTest)
#include "KorvaAppTest.moc"
