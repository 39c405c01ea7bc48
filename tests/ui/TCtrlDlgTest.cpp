#include "ui/TCtrlDlg.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>
#include <QtTest>
#include <filesystem>
#include <memory>

#include "app/PlayModes.h"
#include "support/JukeboxRig.h"
#include "support/QtTestSupport.h"
#include "support/TempDir.h"
#include "text/Encoding.h"
#include "ui/DocumentViewer.h"
#include "ui/QtProcessRunner.h"
#include "ui/TViewDlg.h"

namespace korva {

using testing::Find;
using testing::U8;

namespace {

// The core over a scripted device, with the real song window and song control window attached and
// the real process runner for the knife. Songs and playlists live in the temporary program folder.
struct Program {
    explicit Program(testing::TempDir& dir, bool hints = true)
        : rig(dir.Folder()), connected(Connect(rig, hints)) {
        rig.jukebox.AttachSongList(songWindow);
        rig.jukebox.AttachSongControl(window);
        rig.songControlRules.AttachRunner(&runner);
    }
    // The settings are in place and the core connected before the windows are made, as at start-up.
    static bool Connect(testing::JukeboxRig& rig, bool hints) {
        Settings& s = rig.Model().settings;
        s.PLAYMOD = LIST0;
        s.SENDRST = 0;
        s.RNDMODE = NOR;
        s.USEHNT2 = hints;
        rig.Connect();
        return true;
    }
    testing::JukeboxRig rig;
    bool connected;
    AppModel& model = rig.Model();
    DocumentViewer viewer{model.settings};
    TViewDlg songWindow{rig.jukebox, rig.messages, viewer};
    TCtrlDlg window{rig.jukebox, rig.songControlRules, songWindow, rig.messages};
    QtProcessRunner runner;
};

QString Text(const std::string& sjis) {
    return QString::fromStdString(ToDisplayUtf8(sjis));
}

}  // namespace

class TCtrlDlgTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<testing::TempDir> dir_;
    std::unique_ptr<Program> program_;

    Program& Start(bool hints = true) {
        dir_ = std::make_unique<testing::TempDir>();
        program_ = std::make_unique<Program>(*dir_, hints);
        return *program_;
    }
    // Plays the dropped songs and presses Play again, which shows the window.
    void DropAndOpen(Program& p, const std::vector<std::string>& songs) {
        QVERIFY(p.rig.jukebox.PlayDropped(songs, DropSource::Drop));
        p.rig.jukebox.Commands().Play();
        QVERIFY(p.window.isVisible());
    }
    static QPushButton* Button(Program& p, const char* name) { return Find<QPushButton>(p.window, name); }
    static QString Label(Program& p, const char* name) { return Find<QLabel>(p.window, name)->text(); }

  private slots:
    void cleanup() {
        program_.reset();
        dir_.reset();
        QVERIFY(testing::WindowsLeftBehind().isEmpty());
    }

    void windowShowsItsControlsInTheirColours() {
        Program& p = Start();
        QCOMPARE(p.window.windowTitle(), U8("プレイリスト編集とＳＭＦナイフ変換"));
        QCOMPARE(p.window.size(), QSize(362, 280));
        const std::pair<const char*, const char*> labels[] = {{"Panel4", "プレイリスト編集"},
                                                              {"Label3", "-5  AUTO VOL +5"},
                                                              {"Info0Panel", "リスト０検索"},
                                                              {"Info1Panel", "リスト１検索"},
                                                              {"Panel5", "ＳＭＦナイフ変換"}};
        for (const auto& [name, caption] : labels) QCOMPARE(Label(p, name), U8(caption));
        const std::pair<const char*, const char*> buttons[] = {
            {"ChngButton", "変更する"}, {"CloseButton", "閉じる"}, {"Cnv1SpeedButton", "1"},
            {"Cnv2SpeedButton", "2"},   {"TxtSpeedButton", "TXT"}, {"DocSpeedButton", "DOC"}};
        for (const auto& [name, caption] : buttons) QCOMPARE(Button(p, name)->text(), U8(caption));
        auto* feel = Find<QGroupBox>(p.window, "FeelRadioGroup");
        QCOMPARE(feel->title(), U8(" あなたはこの曲が? "));
        QCOMPARE(feel->findChildren<QRadioButton*>().size(), 4);
        QCOMPARE(feel->findChildren<QRadioButton*>().back()->text(), U8("しばらくお休み(R)"));
        QCOMPARE(feel->toolTip(), U8("再生確率（L=200/M=100/S=50/R=0%）"));
        QCOMPARE(Find<QScrollBar>(p.window, "VolScrollBar")->toolTip(), U8("自動音量調整値の設定をする"));
        QCOMPARE(Find<QGroupBox>(p.window, "GroupBox1")->title(), QStringLiteral(" INFORMATION "));
        Find<QLineEdit>(p.window, "NameEdit");

        const QImage image = p.window.grab().toImage();
        const auto colourIn = [&](const char* name) {
            const QRect at = Find<QLabel>(p.window, name)->geometry();
            return image.pixelColor(at.left() + 3, at.top() + 3).rgb() & 0xffffff;
        };
        QCOMPARE(colourIn("Panel4"), 0x008000u);
        QCOMPARE(colourIn("Panel5"), 0x808000u);
        QCOMPARE(colourIn("Info0Panel"), 0x000080u);
        QCOMPARE(colourIn("Info1Panel"), 0x000080u);

        Program& quiet = Start(false);
        QVERIFY(Find<QGroupBox>(quiet.window, "FeelRadioGroup")->toolTip().isEmpty());
        QVERIFY(Find<QScrollBar>(quiet.window, "VolScrollBar")->toolTip().isEmpty());
    }

    // Play while a list song plays opens the window with its entry; the buttons rewrite it in both
    // lists; TXT follows the song window; every stop closes the window.
    void listSongIsEditedThroughTheWindow() {
        Program& p = Start();
        const std::string song = dir_->Write("A.MID", "MThd song");
        dir_->Write("A.TXT", "text");
        dir_->Write("KORVA.DT0", Sjis("古い名前\t") + song + "\t+3\t0\r\n");
        dir_->Write("KORVA.DT1", "other\t" + song + "2\t+0\t1\r\nsame\t" + song + "\t-1\t3\r\n");
        p.rig.jukebox.Commands().Play();
        QCOMPARE(p.rig.messages.shown, std::vector<std::string>{});
        QCOMPARE(p.rig.device.OpenFile(), song);
        QVERIFY(!p.window.isVisible());
        p.rig.jukebox.Commands().Play();
        QVERIFY(p.window.isVisible());
        QCOMPARE(Label(p, "PathPanel"), QString::fromStdString(song));
        QCOMPARE(Find<QLineEdit>(p.window, "NameEdit")->text(), U8("古い名前"));
        QVERIFY(Find<QRadioButton>(p.window, "Feel0RadioButton")->isChecked());
        QCOMPARE(Find<QScrollBar>(p.window, "VolScrollBar")->value(), 3);
        QCOMPARE(Label(p, "VolPanel"), QStringLiteral("+3"));
        QVERIFY(Button(p, "ChngButton")->isEnabled());
        QVERIFY(!Button(p, "Cnv1SpeedButton")->isEnabled());
        QVERIFY(Button(p, "TxtSpeedButton")->isEnabled());
        QVERIFY(!Button(p, "DocSpeedButton")->isEnabled());

        auto* name = Find<QLineEdit>(p.window, "NameEdit");
        name->selectAll();
        QTest::keyClicks(name, QStringLiteral("New title"));
        Find<QScrollBar>(p.window, "VolScrollBar")->setValue(-2);
        QCOMPARE(Label(p, "VolPanel"), QStringLiteral("-2"));
        Find<QRadioButton>(p.window, "Feel2RadioButton")->click();
        Button(p, "ChngButton")->click();
        const std::string line = "New title\t" + song + "\t-2\t2\r\n";
        QCOMPARE(Text(dir_->Read("KORVA.DT0")), Text(line));
        QCOMPARE(Text(dir_->Read("KORVA.DT1")), Text("other\t" + song + "2\t+0\t1\r\n" + line));
        QCOMPARE(Label(p, "MsgLabel"), U8("リスト０（Korva.DT0）でこのデータを発見し、書き換えました．"
                                          "リスト１（Korva.DT1）でこのデータを発見し、書き換えました．"));
        QCOMPARE(Label(p, "Info1Panel"), U8("リスト１変更"));
        QVERIFY(p.rig.messages.shown.empty());
        // A picture for the eye when KORVA_GRAB_DIR names a folder.
        if (const QString folder = qEnvironmentVariable("KORVA_GRAB_DIR"); !folder.isEmpty())
            QVERIFY(p.window.grab().save(folder + QStringLiteral("/TCtrlDlg.png")));

        Button(p, "TxtSpeedButton")->click();
        QCOMPARE(p.viewer.Windows().size(), std::size_t{1});
        QCOMPARE(p.viewer.Windows().front()->Text(), QStringLiteral("text"));

        // Play again refills the window from the queue, which keeps its old line.
        p.rig.jukebox.Commands().Play();
        QCOMPARE(Find<QLineEdit>(p.window, "NameEdit")->text(), U8("古い名前"));
        QVERIFY(Label(p, "MsgLabel").isEmpty());
        Button(p, "CloseButton")->click();
        QVERIFY(!p.window.isVisible());
        p.rig.jukebox.Commands().Play();
        p.rig.jukebox.Commands().Stop();
        QVERIFY(!p.window.isVisible());
    }

    // A screen reader, speech input or any assistive tool sets the field's text without an edit
    // signal; the name is taken from the field at the press all the same, and only a name Shift-JIS
    // cannot hold is refused.
    void nameSetWithoutTypingIsWritten() {
        Program& p = Start();
        const std::string song = dir_->Write("A.MID", "MThd song");
        dir_->Write("KORVA.DT0", "Song A\t" + song + "\t+0\t1\r\n");
        p.rig.jukebox.Commands().Play();
        p.rig.jukebox.Commands().Play();
        QVERIFY(p.window.isVisible());
        auto* name = Find<QLineEdit>(p.window, "NameEdit");
        name->setText(QStringLiteral("caf\u00e9"));
        Button(p, "ChngButton")->click();
        QCOMPARE(p.rig.messages.shown.size(), std::size_t{1});
        QVERIFY(Text(p.rig.messages.shown.front()).contains(QStringLiteral("caf\u00e9")));
        QCOMPARE(Text(dir_->Read("KORVA.DT0")), Text("Song A\t" + song + "\t+0\t1\r\n"));

        name->setText(QStringLiteral("Song A2"));
        Button(p, "ChngButton")->click();
        QCOMPARE(p.rig.messages.shown.size(), std::size_t{1});
        QCOMPARE(Text(dir_->Read("KORVA.DT0")), Text("Song A2\t" + song + "\t+0\t1\r\n"));
    }

    void knifeButtonsNeedExactlyOneDroppedSong() {
        Program& p = Start();
        Settings& s = p.model.settings;
        s.USEKNIF = true;
        s.SMFBTN1 = Sjis("テンポ");
        const std::string a = dir_->Write("A.MID", "MThd a");
        const std::string b = dir_->Write("B.MID", "MThd b");
        DropAndOpen(p, {a, b});
        QCOMPARE(Label(p, "PathPanel"), QString::fromStdString(a));
        QVERIFY(!Button(p, "Cnv1SpeedButton")->isEnabled());
        QVERIFY(!Button(p, "Cnv2SpeedButton")->isEnabled());
        QVERIFY(!Button(p, "ChngButton")->isEnabled());
        DropAndOpen(p, {b});
        QCOMPARE(Label(p, "PathPanel"), QString::fromStdString(b));
        QVERIFY(Button(p, "Cnv1SpeedButton")->isEnabled());
        QCOMPARE(Button(p, "Cnv1SpeedButton")->text(), U8("テンポ"));
        QCOMPARE(Button(p, "Cnv2SpeedButton")->text(), QStringLiteral("2"));
        QCOMPARE(Label(p, "VolPanel"), QStringLiteral("+0"));
    }

    // The knife, a real child process, converts the song in place and keeps the original; it exits
    // with an error, and the comparison play follows all the same.
    void knifeRunThenComparisonPlay() {
        Program& p = Start();
        Settings& s = p.model.settings;
        s.PLAYMOD = LIST1;
        s.USEKNIF = true;
        s.SMFPRM1 = "cfg/a.cfg -x";
        std::filesystem::create_directories(dir_->Path() / "knife dir");
        std::filesystem::create_directories(dir_->Path() / "my songs");
        s.SMFPATH =
            dir_->Write("knife dir/KNIFE.EXE",
                        "#!/bin/sh\ntouch running\nprintf '%s\\n' \"$@\" > args.txt\nsleep 1\n"
                        "mv \"$1\" \"${1%.*}.MI_\"\nprintf 'MThd converted' > \"$1\"\nrm running\nexit 1\n");
        std::filesystem::permissions(s.SMFPATH, std::filesystem::perms::owner_all);
        const std::string song = dir_->Write("my songs/A B.mid", "MThd original");
        const std::string backup = dir_->Folder() + "my songs/A B.MI_";
        DropAndOpen(p, {song});
        QCOMPARE(p.model.play.SavedListMode, int{LIST1});
        // Whatever the queue holds when the knife ends, the comparison play replaces it.
        p.model.PlayQueue.push_back(song);
        p.model.PlayQueue.push_back(song);

        QStringList messagesWhileRunning;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&] {
            if (dir_->Exists("running"))
                messagesWhileRunning << Label(p, "MsgLabel");
        });
        ticker.start(50);
        Button(p, "Cnv1SpeedButton")->click();
        ticker.stop();

        QVERIFY(!messagesWhileRunning.isEmpty());
        QCOMPARE(messagesWhileRunning.front(), U8("ＳＭＦナイフによる変換をおこないます"));
        QCOMPARE(Label(p, "MsgLabel"), U8("ＳＭＦナイフによる変換が終了しました"));
        QCOMPARE(QString::fromStdString(dir_->Read("args.txt")),
                 QString::fromStdString(song + "\n" + dir_->Folder() + "knife dir/cfg/a.cfg\n-x\n"));
        QCOMPARE(dir_->Read("my songs/A B.MI_"), std::string("MThd original"));
        QCOMPARE(p.model.PlayQueue, (std::vector<std::string>{song, backup}));
        QCOMPARE(p.model.settings.PLAYMOD, std::uint8_t{EASY});
        const QAbstractItemModel* lines = Find<QListView>(p.songWindow, "ViewListBox")->model();
        QCOMPARE(lines->rowCount(), 2);
        QCOMPARE(lines->index(0, 0).data().toString(), U8("変換後 ") + QString::fromStdString(song));
        QCOMPARE(lines->index(1, 0).data().toString(), U8("変換前 ") + QString::fromStdString(backup));
        QVERIFY(p.songWindow.isVisible() && p.songWindow.SongWindowShown());
        QCOMPARE(p.rig.device.OpenFile(), song);
        QVERIFY(!p.window.isVisible());  // the stop before the comparison play closed it
        p.rig.device.FinishAndDeliver();
        QCOMPARE(p.rig.device.OpenFile(), backup);

        p.rig.jukebox.Commands().Stop();
        QCOMPARE(p.model.settings.PLAYMOD, std::uint8_t{LIST1});
        QVERIFY(p.rig.messages.shown.empty());
    }

    void knifeThatCannotStartLeavesPlayAsItWas() {
        Program& p = Start();
        Settings& s = p.model.settings;
        s.USEKNIF = true;
        s.SMFPRM2 = "a.cfg";
        s.SMFPATH = dir_->Write("KNIFE.EXE", "#!/bin/sh\n");
        std::filesystem::permissions(s.SMFPATH, std::filesystem::perms::owner_read);
        const std::string song = dir_->Write("A.MID", "MThd a");
        DropAndOpen(p, {song});
        Button(p, "Cnv2SpeedButton")->click();
        QCOMPARE(p.rig.messages.shown, std::vector<std::string>{"Exec Error : 13"});
        QVERIFY(Label(p, "MsgLabel").isEmpty());
        QVERIFY(Button(p, "Cnv2SpeedButton")->isEnabled());
        QCOMPARE(p.model.PlayQueue, std::vector<std::string>{song});
        QCOMPARE(p.rig.device.OpenFile(), song);
        QVERIFY(p.window.isVisible());
    }
};

}  // namespace korva

QTEST_MAIN(korva::TCtrlDlgTest)
#include "TCtrlDlgTest.moc"
