#include "ui/TViewDlg.h"

#include <QApplication>
#include <QFontInfo>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QtTest>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>

#include "app/SettingsFile.h"
#include "support/JukeboxRig.h"
#include "support/QtTestSupport.h"
#include "support/TempDir.h"
#include "text/Encoding.h"
#include "ui/DocumentViewer.h"
#include "ui/QtText.h"

namespace korva {
namespace {

using testing::ScriptedDevice;
using testing::TempDir;

struct RecordingMessages final : MessageView {
    QStringList shown;
    void ShowMessage(const std::string& text) override { shown << FromSjis(text); }
};

// One program's worth of the pieces the song window works with: the core over a scripted device,
// the settings file in a temporary program folder, the window attached as the song list's view.
struct Program {
    // Writes a settings file of the given [KORVA] lines first, or reads the one there.
    Program(TempDir& dir, const std::optional<std::string>& korvaKeys)
        : rig(dir.Folder(), 1), settingsRead(ReadSettingsOf(dir, korvaKeys, rig)) {
        rig.jukebox.AttachSongList(window);
    }
    // The settings are in place and the core connected before any window is created, as at the
    // program's start.
    static bool ReadSettingsOf(TempDir& dir, const std::optional<std::string>& korvaKeys,
                               testing::JukeboxRig& rig) {
        if (korvaKeys)
            dir.Write("KORVA.INI", "[KORVA]\r\n" + *korvaKeys);
        AppModel& model = rig.Model();
        ReadSettings(model.folders.SettingsPath(), model.settings);
        model.play.IntroSeconds = 30;
        rig.Connect();
        return true;
    }

    testing::JukeboxRig rig;
    bool settingsRead;
    AppModel& model = rig.Model();
    ScriptedDevice& device = rig.device;
    Player& player = rig.ThePlayer();
    RecordingMessages messages;
    DocumentViewer viewer{model.settings};
    TViewDlg window{rig.jukebox, messages, viewer};
};

using testing::Find;
using testing::U8;

}  // namespace

class TViewDlgTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<TempDir> dir_;
    std::unique_ptr<Program> program_;

    Program& Start(const std::optional<std::string>& korvaKeys = std::string()) {
        program_ = std::make_unique<Program>(*dir_, korvaKeys);
        return *program_;
    }
    // List 0 of six songs A .. F, played in title order with a reset file before each.
    Program& StartSixSongs() {
        Program& p = Start("PLAYMOD=0\r\nRNDMODE=0\r\nSENDRST=1\r\n");
        dir_->Write("KORVA_GM.MID", "MThd reset");
        std::string lines;
        for (const char* title : {"A", "B", "C", "D", "E", "F"}) {
            const std::string path = dir_->Write(std::string(title) + ".mid", "MThd song");
            lines += std::string(title) + "\t" + path + "\t+0\t1\r\n";
        }
        dir_->Write("KORVA.DT0", lines);
        return p;
    }
    std::string SongPath(const char* title) const { return dir_->Folder() + title + ".mid"; }
    // Lets songs end, each after its reset, until the song at `position` plays.
    // Returns whether that song plays then.
    bool PlayUntil(Program& p, int position) {
        if (p.device.OpenFile().empty())
            p.player.Play();
        for (int step = 0; step < 20 && (p.model.play.QueuePosition != position || p.model.play.ResetPending);
             ++step)
            p.device.FinishAndDeliver();
        return p.model.play.QueuePosition == position && !p.model.play.ResetPending &&
               p.device.Mode() == DeviceMode::Playing;
    }
    void ClickLine(TViewDlg& window, int row) {
        auto* list = Find<QListView>(window, "ViewListBox");
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualRect(list->model()->index(row, 0)).center());
    }

  private slots:
    void init() { dir_ = std::make_unique<TempDir>(); }

    void cleanup() {
        program_.reset();
        QCOMPARE(testing::WindowsLeftBehind(), QStringList());
        dir_.reset();
    }

    void CreationAppliesTheSettings_data() {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("family");
        QTest::addColumn<int>("points");
        QTest::addColumn<bool>("hints");
        QTest::newRow("gothic, hints") << "USEFONT=0\r\nFONTSIZ=11\r\n"
                                       << "IPAGothic" << 11 << true;
        QTest::newRow("mincho, no hints") << "USEFONT=1\r\nFONTSIZ=14\r\nUSEHNT2=0\r\n"
                                          << "IPAMincho" << 14 << false;
    }
    void CreationAppliesTheSettings() {
        QFETCH(QString, keys);
        QFETCH(QString, family);
        QFETCH(int, points);
        QFETCH(bool, hints);
        Program& p = Start(keys.toStdString());
        TViewDlg& w = p.window;
        QVERIFY(!w.isVisible());
        QCOMPARE(w.windowTitle(), QStringLiteral("KORVA97"));
        QCOMPARE(Find<QLabel>(w, "SelMidiPanel")->text(), QStringLiteral("1"));
        const QFont font = Find<QListView>(w, "ViewListBox")->font();
        QCOMPARE(QFontInfo(font).family(), testing::FamilyNamed(family));
        QCOMPARE(font.pointSize(), points);
        auto* up = Find<QPushButton>(w, "UpBitBtn");
        QCOMPARE(up->accessibleName(), U8("前の曲に戻る"));
        QCOMPARE(Find<QPushButton>(w, "QuikBitBtn")->accessibleDescription(),
                 U8("曲を選択してウィンドウを閉じる"));
        QCOMPARE(Find<QPushButton>(w, "SelBitBtn")->toolTip(),
                 hints ? U8("指定した曲に変更する") : QString());
        QCOMPARE(Find<QPushButton>(w, "DownBitBtn")->toolTip().isEmpty(), !hints);
        QVERIFY(!Find<QPushButton>(w, "TxtBitBtn")->isEnabled());
        QVERIFY(!Find<QPushButton>(w, "DocBitBtn")->isEnabled());
    }

    void WithoutStoredBoundsTheWindowIsCentredAtItsDesignSize() {
        TViewDlg& w = Start().window;
        w.ShowSongWindow();
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        QCOMPARE(w.frameGeometry(),
                 QRect(area.topLeft() + QPoint((area.width() - 297) / 2, (area.height() - 259) / 2),
                       QSize(297, 259)));
    }

    // Stored bounds far off the screen (another screen's, or typed by hand) give a window on the
    // screen with every button in sight.
    void StoredBoundsOffTheScreenAreBroughtOntoIt() {
        dir_->Write("KORVA.INI",
                    "[KORVA]\r\nUSEHNT2=1\r\n[POS01]\r\nVIWHPOS=-5000\r\nVIWVPOS=70000\r\nVIWSIZE=100000\r\n"
                    "VIWHIGH=200\r\n");
        TViewDlg& w = Start(std::nullopt).window;
        w.ShowSongWindow();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY2(
            area.contains(w.frameGeometry()),
            qPrintable(QStringLiteral("%1,%2 %3x%4").arg(w.x()).arg(w.y()).arg(w.width()).arg(w.height())));
        QCOMPARE(w.frameGeometry().width(), area.width());
        QCOMPARE(w.frameGeometry().height(), 200);
        for (const char* name : {"SelBitBtn", "QuikBitBtn", "CloseBitBtn", "PosMemBitBtn", "TxtBitBtn",
                                 "DocBitBtn", "UpBitBtn", "DownBitBtn"}) {
            auto* button = Find<QPushButton>(w, name);
            QVERIFY2(button->isVisible(), name);
            const QRect onScreen(button->mapToGlobal(QPoint(0, 0)), button->size());
            QVERIFY2(area.contains(onScreen), name);
        }
    }

    void PlayingFillsTheWindowAndStopEmptiesIt() {
        Program& p = StartSixSongs();
        QVERIFY(PlayUntil(p, 1));
        TViewDlg& w = p.window;
        QVERIFY(w.isVisible());  // INTLOCK
        QCOMPARE(w.windowTitle(), U8("LIST-0 (NOR/END) 6曲"));
        QCOMPARE(Find<QLabel>(w, "SelMidiPanel")->text(), QStringLiteral("2"));
        auto* list = Find<QListView>(w, "ViewListBox");
        QCOMPARE(list->model()->rowCount(), 6);
        QCOMPARE(list->model()->index(4, 0).data().toString(), U8("M +0 E"));
        QCOMPARE(list->currentIndex().row(), 1);
        const QString grabs = qEnvironmentVariable("KORVA_GRAB_DIR");
        if (!grabs.isEmpty())
            QVERIFY(w.grab().save(grabs + QStringLiteral("/TViewDlg.png")));
        p.player.Stop();
        QVERIFY(!w.isVisible());
        QCOMPARE(list->model()->rowCount(), 0);
    }

    // How a line is chosen, and what is playing meanwhile: the chosen song plays next.
    void ChoosingALinePlaysItNext_data() {
        QTest::addColumn<QString>("state");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("plays");  // the queue position that plays afterwards
        QTest::addColumn<bool>("shown");
        QTest::newRow("select line 5 while song 2 plays") << "playing" << 4 << "SelBitBtn" << 4 << true;
        QTest::newRow("double click line 3") << "playing" << 2 << "double" << 2 << true;
        QTest::newRow("quick line 6") << "playing" << 5 << "QuikBitBtn" << 5 << false;
        QTest::newRow("quick on the current line only closes")
            << "playing" << 1 << "QuikBitBtn" << 1 << false;
        QTest::newRow("select with nothing selected") << "playing" << -1 << "SelBitBtn" << 1 << true;
        QTest::newRow("quick with nothing selected") << "playing" << -1 << "QuikBitBtn" << 1 << true;
        QTest::newRow("select while paused") << "paused" << 4 << "SelBitBtn" << 4 << true;
        QTest::newRow("select during the reset file") << "reset" << 4 << "SelBitBtn" << 4 << true;
    }
    void ChoosingALinePlaysItNext() {
        QFETCH(QString, state);
        QFETCH(int, line);
        QFETCH(QString, action);
        QFETCH(int, plays);
        QFETCH(bool, shown);
        Program& p = StartSixSongs();
        QVERIFY(PlayUntil(p, 1));
        if (state == QStringLiteral("paused"))
            p.player.Pause();
        if (state == QStringLiteral("reset")) {
            p.device.FinishAndDeliver();  // song 2 ends, the reset file of song 3 plays
            QVERIFY(p.model.play.ResetPending);
        }
        TViewDlg& w = p.window;
        auto* list = Find<QListView>(w, "ViewListBox");
        if (line >= 0) {
            ClickLine(w, line);
        } else {
            list->clearSelection();
        }
        const bool acts = line >= 0 && !(action == QStringLiteral("QuikBitBtn") && line == 1);
        const auto openedBefore = static_cast<std::ptrdiff_t>(p.device.opened.size());
        if (action == QStringLiteral("double")) {
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {},
                               list->visualRect(list->model()->index(line, 0)).center());
        } else {
            QTest::mouseClick(Find<QPushButton>(w, action.toLatin1().constData()), Qt::LeftButton);
        }
        if (acts) {
            QCOMPARE(p.model.play.QueuePosition, line - 1);
            QCOMPARE(p.device.Mode(), DeviceMode::Stopped);
        } else {
            QCOMPARE(p.device.PendingNotices(), std::size_t{0});
            QCOMPARE(p.model.play.QueuePosition, 1);
            QCOMPARE(p.device.Mode(), DeviceMode::Playing);
        }
        QCOMPARE(w.isVisible(), shown);
        QCOMPARE(w.SongWindowShown(), shown);
        // The stop's notice starts the chosen song's reset file, and its end the song.
        if (acts) {
            p.device.DeliverNotices();
            p.device.FinishAndDeliver();
        }
        const std::string song = SongPath(std::string(1, char('A' + plays)).c_str());
        const std::vector<std::string> opened(p.device.opened.begin() + openedBefore, p.device.opened.end());
        const std::vector<std::string> expected =
            acts ? std::vector<std::string>{dir_->Folder() + "KORVA_GM.MID", song}
                 : std::vector<std::string>{};
        QVERIFY(opened == expected);
        QCOMPARE(p.device.OpenFile(), song);
        QCOMPARE(p.model.play.QueuePosition, plays);
        QCOMPARE(p.device.Mode(), DeviceMode::Playing);
        QVERIFY(!p.model.play.PauseFlag);
        if (shown) {
            QCOMPARE(Find<QLabel>(w, "SelMidiPanel")->text(), QString::number(plays + 1));
            QCOMPARE(list->currentIndex().row(), plays);
        }
    }

    void UpAndDownPressBackAndNext() {
        Program& p = StartSixSongs();
        QVERIFY(PlayUntil(p, 1));
        QTest::mouseClick(Find<QPushButton>(p.window, "UpBitBtn"), Qt::LeftButton);
        QCOMPARE(p.device.Mode(), DeviceMode::Stopped);
        QVERIFY(PlayUntil(p, 0));
        QTest::mouseClick(Find<QPushButton>(p.window, "UpBitBtn"),
                          Qt::LeftButton);  // nothing before the first
        QCOMPARE(p.device.Mode(), DeviceMode::Playing);
        QTest::mouseClick(Find<QPushButton>(p.window, "DownBitBtn"), Qt::LeftButton);
        QVERIFY(PlayUntil(p, 1));
        QCOMPARE(p.device.OpenFile(), SongPath("B"));
    }

    void LongQueueShowsItsLinesAsTheyAreAskedFor() {
        // The rows are read from the model's lines when shown: a long queue shows the right line
        // at every place it is scrolled to, and a selection picks that line's song.
        Program& p = Start();
        TViewDlg& w = p.window;
        LineList lines;
        for (int i = 0; i < 20000; ++i) lines.push_back("M +0 Song " + std::to_string(i));
        p.model.SongLines = lines;
        w.SongLinesChanged();
        w.ShowSongWindow();
        auto* list = Find<QListView>(w, "ViewListBox");
        QCOMPARE(list->model()->rowCount(), 20000);
        w.SelectSongLine(15000);
        QCOMPARE(list->currentIndex().data().toString(), QStringLiteral("M +0 Song 15000"));
        QVERIFY(list->visualRect(list->currentIndex()).intersects(list->viewport()->rect()));
        QCOMPARE(list->indexAt(list->visualRect(list->currentIndex()).center()).row(), 15000);
        // Lines that shrink before the window is told show as empty rows, never as a fault; once
        // told, the rows follow.
        p.model.SongLines = {"L +1 Only"};
        QCOMPARE(list->model()->index(19999, 0).data().toString(), QString());
        w.SongLinesChanged();
        QCOMPARE(list->model()->rowCount(), 1);
        QCOMPARE(list->model()->index(0, 0).data().toString(), QStringLiteral("L +1 Only"));
        w.SelectSongLine(3);
        QVERIFY(!list->currentIndex().isValid());
    }

    void AutoCloseCountsFromTheLastShow() {
        Program& p = Start("AUTOCLS=1\r\nCLSTIME=2\r\n");
        TViewDlg& w = p.window;
        auto* timer = Find<QTimer>(w, "CloseTimer");
        QVERIFY(!timer->isActive());
        w.ShowSongWindow();
        QVERIFY(w.isVisible());
        QVERIFY(timer->isActive());
        QCOMPARE(timer->interval(), 2000);
        // Nothing the user does in the window starts the countdown again: once half of it has run,
        // what is left only goes down. (The margins are wider than a coarse timer's 5 %.)
        QTRY_VERIFY(timer->remainingTime() < 1000);
        const int leftBefore = timer->remainingTime();
        p.model.SongLines = {"a", "b"};
        w.SongLinesChanged();
        ClickLine(w, 1);
        QTest::mouseClick(Find<QPushButton>(w, "SelBitBtn"), Qt::LeftButton);
        QTest::mouseClick(Find<QPushButton>(w, "PosMemBitBtn"), Qt::LeftButton);
        QVERIFY(timer->isActive());
        QVERIFY(timer->remainingTime() <= leftBefore);
        // Showing the window again does; when the countdown runs out the window closes.
        w.ShowSongWindow();
        QVERIFY(timer->remainingTime() > 1500);
        QTRY_VERIFY(!w.isVisible());
        QVERIFY(!w.SongWindowShown());
        QVERIFY(!timer->isActive());
    }

    void AutoCloseSettings_data() {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<bool>("counts");
        QTest::newRow("off") << "AUTOCLS=0\r\nCLSTIME=30\r\n" << false;
        QTest::newRow("zero seconds never closes") << "AUTOCLS=1\r\nCLSTIME=0\r\n" << false;
        QTest::newRow("ten seconds") << "AUTOCLS=1\r\nCLSTIME=10\r\n" << true;
    }
    void AutoCloseSettings() {
        QFETCH(QString, keys);
        QFETCH(bool, counts);
        TViewDlg& w = Start(keys.toStdString()).window;
        w.ShowSongWindow();
        QCOMPARE(Find<QTimer>(w, "CloseTimer")->isActive(), counts);
        QVERIFY(w.isVisible());
    }

    void SystemMenuCloseKeepsTheShownFlag() {
        TViewDlg& w = Start().window;
        w.ShowSongWindow();
        QVERIFY(w.close());
        QVERIFY(!w.isVisible());
        QVERIFY(w.SongWindowShown());
        QTest::mouseClick(Find<QPushButton>(w, "CloseBitBtn"), Qt::LeftButton);
        QVERIFY(!w.SongWindowShown());
    }

    void PositionMemoryIsWrittenAtOnceAndUsedAtTheNextStart() {
        Program& p = Start("EDTPATH=ed\r\n");
        TViewDlg& w = p.window;
        w.ShowSongWindow();
        w.move(130, 90);
        w.resize(350, 300);
        const QRect outer = w.frameGeometry();
        QCOMPARE(outer.topLeft(), QPoint(130, 90));
        QTest::mouseClick(Find<QPushButton>(w, "PosMemBitBtn"), Qt::LeftButton);
        QVERIFY(p.messages.shown.isEmpty());
        const std::string ini = dir_->Read("KORVA.INI");
        QVERIFY(ini.starts_with("[KORVA]\r\nEDTPATH=ed\r\n"));
        const std::string expected =
            "[POS01]\r\nVIWHPOS=130\r\nVIWVPOS=90\r\nVIWSIZE=" + std::to_string(outer.width()) +
            "\r\nVIWHIGH=" + std::to_string(outer.height());
        QVERIFY2(ini.find(expected) != std::string::npos, ini.c_str());
        QVERIFY(ini.find("PLAYMOD") == std::string::npos);  // not the settings window's save

        program_.reset();
        Program& next = Start(std::nullopt);  // the same settings file, read again
        next.window.ShowSongWindow();
        QCOMPARE(next.window.frameGeometry(), outer);
    }

    void PositionMemoryThatCannotBeWrittenSaysSo() {
        Program& p = Start();
        p.window.ShowWithoutAutoClose();
        std::filesystem::remove(dir_->Path() / "KORVA.INI");
        std::filesystem::create_directory(dir_->Path() / "KORVA.INI");
        QTest::mouseClick(Find<QPushButton>(p.window, "PosMemBitBtn"), Qt::LeftButton);
        QCOMPARE(p.messages.shown.size(), 1);
        QVERIFY2(p.messages.shown.front().contains(U8("書き込めません")),
                 qPrintable(p.messages.shown.front()));
    }

    // TXT for a bare path in the EASY queue, in the program's own viewer.
    void TxtOfAnEasyEntryInAFolderWithADot() {
        Program& p = Start("PLAYMOD=5\r\nSENDRST=0\r\n");
        std::filesystem::create_directories(dir_->Path() / "midi" / "v1.2");
        const std::string song = dir_->Write("midi/v1.2/song.mid", "MThd");
        dir_->Write("midi/v1.TXT", Sjis("説明\r\n"));
        p.model.PlayQueue = {song};
        p.model.SongLines = {"001 song.mid"};
        p.window.SongLinesChanged();
        p.window.ShowWithoutAutoClose();
        p.player.PlayEasyEntry();
        QCOMPARE(p.device.OpenFile(), song);
        auto* txt = Find<QPushButton>(p.window, "TxtBitBtn");
        QVERIFY(txt->isEnabled());
        QVERIFY(!Find<QPushButton>(p.window, "DocBitBtn")->isEnabled());
        QTest::mouseClick(txt, Qt::LeftButton);
        QCOMPARE(p.viewer.Windows().size(), std::size_t{1});
        DocumentWindow* doc = p.viewer.Windows().front();
        QCOMPARE(doc->windowTitle(), QStringLiteral("v1.TXT"));
        QCOMPARE(doc->Text(), U8("説明\n"));
    }

    // DOC for a list entry, in the program named by EDTPATH.
    void DocOfAListEntryInTheEditorProgram() {
        const std::string record = dir_->Folder() + "args.txt";
        const std::string editor =
            dir_->Write("editor.sh", "#!/bin/sh\nprintf '%s|' \"$#\" \"$@\" > '" + record + "'\n");
        std::filesystem::permissions(editor, std::filesystem::perms::owner_all);
        Program& p = Start("PLAYMOD=0\r\nSENDRST=0\r\nEDTPATH=" + editor + "\r\n");
        std::filesystem::create_directories(dir_->Path() / "w2.0");
        const std::string song = dir_->Write("w2.0/x.mid", "MThd");
        const std::string document = dir_->Write("w2.DOC", "doc");
        dir_->Write("KORVA.DT0", "X 1.5\t" + song + "\t+0\t1\r\n");
        p.player.Play();
        QCOMPARE(p.device.OpenFile(), song);
        auto* docButton = Find<QPushButton>(p.window, "DocBitBtn");
        QVERIFY(docButton->isEnabled());
        QVERIFY(!Find<QPushButton>(p.window, "TxtBitBtn")->isEnabled());
        QTest::mouseClick(docButton, Qt::LeftButton);
        QTRY_COMPARE(QString::fromStdString(dir_->Read("args.txt")),
                     QString::fromStdString("1|" + document + "|"));
        QVERIFY(p.viewer.Windows().empty());
    }

    void DocumentButtonsAfterTheQueueEndedOpenNothing() {
        Program& p = Start("PLAYMOD=5\r\nSENDRST=0\r\n");
        const std::string song = dir_->Write("a.mid", "MThd");
        dir_->Write("a.TXT", "t");
        p.model.PlayQueue = {song};
        p.player.PlayEasyEntry();
        QVERIFY(Find<QPushButton>(p.window, "TxtBitBtn")->isEnabled());
        p.device.FinishAndDeliver();  // past the end: the player stops, the button stays as it was
        QCOMPARE(p.model.play.QueuePosition, 1);
        p.window.ShowWithoutAutoClose();
        QTest::mouseClick(Find<QPushButton>(p.window, "TxtBitBtn"), Qt::LeftButton);
        QVERIFY(p.viewer.Windows().empty());
    }
};

}  // namespace korva

QTEST_MAIN(korva::TViewDlgTest)
#include "TViewDlgTest.moc"
