#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QtTest>
#include <filesystem>
#include <memory>

#include "app/FileSystem.h"
#include "support/QtTestSupport.h"
#include "support/SettingsWindowRig.h"
#include "support/SmfWriter.h"
#include "text/Encoding.h"
#include "ui/QtText.h"
#include "ui/TBadDlg.h"

namespace korva {
namespace {

using testing::Choose;
using testing::Find;
using testing::ModalAnswers;
using testing::Program;
using testing::TempDir;
using testing::U8;

std::string Song(std::string_view title) {
    testing::SmfWriter writer;
    writer.AddTrack().TrackName(0, title).Note(0, 240, 0, 60);
    return writer.Bytes();
}

void ClickRow(QListWidget* list, int row, Qt::KeyboardModifiers modifiers = {}) {
    QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers,
                      list->visualItemRect(list->item(row)).center());
}

QStringList Rows(QListWidget* list) {
    QStringList rows;
    for (int i = 0; i < list->count(); ++i) rows << list->item(i)->text();
    return rows;
}

QRadioButton* Feel(QWidget& window, int list, int item) {
    const QByteArray name = QStringLiteral("Feel%1RadioGroup").arg(list).toLatin1();
    return Find<QGroupBox>(window, name.constData())->findChildren<QRadioButton*>().at(item);
}

}  // namespace

class TSetUpDlgListsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDir> dir_;
    std::unique_ptr<Program> program_;

    Program& Open() {
        program_ = std::make_unique<Program>(*dir_);
        program_->rig.Connect();
        program_->window.LoadSettingsWindow();
        program_->window.ShowSettingsWindow();
        return *program_;
    }

  private slots:
    void init() {
        dir_ = std::make_unique<TempDir>();
        std::filesystem::create_directory(dir_->Path() / "songs");
    }
    void cleanup() {
        program_.reset();
        QCOMPARE(testing::WindowsLeftBehind(), QStringList());
        dir_.reset();
    }

    // A list built, edited, pruned, previewed and aged on the real page, and the file it leaves.
    void BuildAndKeepAList() {
        const std::string songs = dir_->Folder() + "songs/";
        dir_->Write("songs/a.mid", Song("Alpha"));
        dir_->Write("songs/B.MID", Song("Beta"));
        dir_->Write("songs/c.Mid", Song(Sjis("夜の歌")));
        Program& p = Open();
        TSetUpDlg& w = p.window;
        Find<QTabWidget>(w, "KorvaSet")->setCurrentIndex(1);
        auto* titles = Find<QListWidget>(w, "List0ListBox");
        QCOMPARE(titles->count(), 0);
        {
            ModalAnswers answers({Choose(dir_->Folder() + "songs")});
            QTest::mouseClick(Find<QPushButton>(w, "Auto0Button"), Qt::LeftButton);
            QCOMPARE(answers.Answered(), 1u);
            QCOMPARE(p.messages.shown,
                     QStringList(U8("ＭＩＤＩデータの自動追加を完了し 3 曲を追加しました")));
        }
        QCOMPARE(Rows(titles), QStringList({U8("!1 Alpha"), U8("!1 Beta"), U8("!1 夜の歌")}));
        QCOMPARE(Find<QLabel>(w, "Count0Panel")->text(), QStringLiteral("3"));
        QCOMPARE(Find<QLabel>(w, "Count0Label")->text(), U8("総曲数"));

        // Edit the first entry: a new name, +3 and "very much".
        ClickRow(titles, 0);
        auto* name = Find<QLineEdit>(w, "Name0Edit");
        QCOMPARE(name->text(), U8("!1 Alpha"));
        QCOMPARE(Find<QLineEdit>(w, "Path0Edit")->text(), QString::fromStdString(songs + "a.mid"));
        QVERIFY(Feel(w, 0, 1)->isChecked());
        QCOMPARE(Find<QLabel>(w, "Vol0Panel")->text(), QStringLiteral("+0"));
        name->setText(U8("アルファ"));
        Find<QScrollBar>(w, "Vol0ScrollBar")->setValue(3);
        QCOMPARE(Find<QLabel>(w, "Vol0Panel")->text(), QStringLiteral("+3"));
        QTest::mouseClick(Feel(w, 0, 0), Qt::LeftButton, {}, QPoint(6, Feel(w, 0, 0)->height() / 2));
        QTest::mouseClick(Find<QPushButton>(w, "Edit0Button"), Qt::LeftButton);
        QVERIFY(name->text().isEmpty());
        QVERIFY(!Feel(w, 0, 0)->isChecked());
        QCOMPARE(Find<QScrollBar>(w, "Vol0ScrollBar")->value(), 0);
        QCOMPARE(titles->item(0)->text(), U8("アルファ"));

        // Delete the second; preview what is second now.
        ClickRow(titles, 1);
        QTest::mouseClick(Find<QPushButton>(w, "Del0Button"), Qt::LeftButton);
        QCOMPARE(Rows(titles), QStringList({U8("アルファ"), U8("!1 夜の歌")}));
        ClickRow(titles, 1);
        QTest::mouseClick(Find<QPushButton>(w, "Mon0Button"), Qt::LeftButton);
        QCOMPARE(p.rig.device.OpenFile(), songs + "c.Mid");
        QCOMPARE(p.model.PlayQueue, std::vector<std::string>{songs + "c.Mid"});
        QVERIFY(p.host.calls.contains(QStringLiteral("Single")));

        QTest::mouseClick(Find<QPushButton>(w, "Ctrl0Button"), Qt::LeftButton);
        QCOMPARE(Rows(titles), QStringList({U8("!2 夜の歌"), U8("アルファ")}));
        // The file is written before the reload that sorts the titles anew.
        QCOMPARE(dir_->Read("KORVA.DT0"), Sjis("アルファ\t") + songs + "a.mid\t+3\t0\r\n" +
                                              Sjis("!2 夜の歌\t") + songs + "c.Mid\t+0\t1\r\n");
    }

    // The song control window rewrote the list while its page was open: the edit made on the page
    // then is not written over that change; the page shows the file as it is now.
    void EditAfterAChangeElsewhereShowsTheListAfresh() {
        dir_->Write("KORVA.DT0", "A\t/a.mid\t+0\t1\r\nB\t/b.mid\t+0\t1\r\n");
        Program& p = Open();
        TSetUpDlg& w = p.window;
        Find<QTabWidget>(w, "KorvaSet")->setCurrentIndex(1);
        auto* titles = Find<QListWidget>(w, "List0ListBox");
        QCOMPARE(Rows(titles), QStringList({"A", "B"}));
        ClickRow(titles, 0);
        const std::string elsewhere = "A\t/a.mid\t+3\t1\r\nB\t/b.mid\t+0\t1\r\nC\t/c.mid\t+0\t1\r\n";
        WriteFileAtomically(dir_->Folder() + "KORVA.DT0", elsewhere);
        Find<QLineEdit>(w, "Name0Edit")->setText(QStringLiteral("Renamed"));
        QTest::mouseClick(Find<QPushButton>(w, "Edit0Button"), Qt::LeftButton);
        QCOMPARE(Rows(titles), QStringList({"A", "B", "C"}));
        QCOMPARE(Find<QLabel>(w, "Count0Panel")->text(), QStringLiteral("3"));
        QCOMPARE(p.messages.shown.size(), 1);
        QCOMPARE(dir_->Read("KORVA.DT0"), elsewhere);
    }

    // The disk is full: a mark change, an edit and a deletion cannot be written. The page shows
    // the file's titles after each, not the change; the edit's fields stay for another try.
    void FailedWritesLeaveThePageShowingWhatTheFileHolds() {
        const std::string list = "!1 A\t/a.mid\t+0\t1\r\nB\t/b.mid\t+0\t1\r\n";
        dir_->Write("KORVA.DT0", list);
        Program& p = Open();
        TSetUpDlg& w = p.window;
        Find<QTabWidget>(w, "KorvaSet")->setCurrentIndex(1);
        auto* titles = Find<QListWidget>(w, "List0ListBox");
        const QStringList inFile = {U8("!1 A"), U8("B")};
        QCOMPARE(Rows(titles), inFile);
        struct FullDisk {
            FullDisk() {
                SetWriteFaultForTesting([](WriteStep step, const std::filesystem::path&) {
                    return step == WriteStep::Write ? ENOSPC : 0;
                });
            }
            ~FullDisk() { SetWriteFaultForTesting(nullptr); }
        } fullDisk;
        const QString notWritten =
            U8("ﾌｧｲﾙ ") + FromSjis(dir_->Folder() + "KORVA.DT0") + U8(" を作成できません");

        QTest::mouseClick(Find<QPushButton>(w, "Ctrl0Button"), Qt::LeftButton);
        QCOMPARE(Rows(titles), inFile);
        QCOMPARE(Find<QLabel>(w, "Count0Panel")->text(), QStringLiteral("2"));

        ClickRow(titles, 1);
        auto* name = Find<QLineEdit>(w, "Name0Edit");
        name->setText(QStringLiteral("Renamed"));
        QTest::mouseClick(Find<QPushButton>(w, "Edit0Button"), Qt::LeftButton);
        QCOMPARE(Rows(titles), inFile);
        QCOMPARE(name->text(), QStringLiteral("Renamed"));

        ClickRow(titles, 0);
        QTest::mouseClick(Find<QPushButton>(w, "Del0Button"), Qt::LeftButton);
        QCOMPARE(Rows(titles), inFile);
        QCOMPARE(Find<QLabel>(w, "Count0Panel")->text(), QStringLiteral("2"));

        QCOMPARE(p.messages.shown, QStringList({notWritten, notWritten, notWritten}));
        QCOMPARE(dir_->Read("KORVA.DT0"), list);
    }

    void ClickingShowsTheEntryAndItsDocuments() {
        const std::string songs = dir_->Folder() + "songs/";
        dir_->Write("songs/good.TXT", "notes");
        dir_->Write("KORVA.DT1", "Bad\t/bad.mid\t+1\tx\r\nGood\t" + songs + "good.mid\t+9\t7\r\n");
        Program& p = Open();
        TSetUpDlg& w = p.window;
        w.OpenListPage(1);
        auto* titles = Find<QListWidget>(w, "List1ListBox");
        QCOMPARE(Rows(titles), QStringList({U8("Bad"), U8("Good")}));

        ClickRow(titles, 1);
        QVERIFY(Feel(w, 1, 3)->isChecked());
        QCOMPARE(Find<QScrollBar>(w, "Vol1ScrollBar")->value(), 5);
        QCOMPARE(Find<QLabel>(w, "Vol1Panel")->text(), QStringLiteral("+9"));
        auto* txt = Find<QPushButton>(w, "TxtButton1");
        QVERIFY(txt->isEnabled());
        QVERIFY(!Find<QPushButton>(w, "DocButton1")->isEnabled());
        QTest::mouseClick(txt, Qt::LeftButton);
        QVERIFY(p.host.calls.contains(QStringLiteral("Open ") + QString::fromStdString(songs + "good.TXT")));
        // Name and path show their start (a long one would otherwise show only its end).
        for (const char* field : {"Name1Edit", "Path1Edit"})
            QCOMPARE(Find<QLineEdit>(w, field)->cursorPosition(), 0);

        // A Feel that is no number: the name and path change, the rest stays as it was.
        p.messages.shown.clear();
        ClickRow(titles, 0);
        QCOMPARE(p.messages.shown, QStringList(U8("'x' は整数ではありません")));
        QCOMPARE(Find<QLineEdit>(w, "Name1Edit")->text(), QStringLiteral("Bad"));
        QCOMPARE(Find<QLineEdit>(w, "Path1Edit")->text(), QStringLiteral("/bad.mid"));
        QVERIFY(Feel(w, 1, 3)->isChecked());
        QVERIFY(txt->isEnabled());

        // The keys move through the titles as clicks do.
        QTest::keyClick(titles, Qt::Key_Down);
        QCOMPARE(Find<QLineEdit>(w, "Name1Edit")->text(), QStringLiteral("Good"));

        // A click in the name selects it all; the path shows the no-drop pointer while pressed.
        auto* name = Find<QLineEdit>(w, "Name1Edit");
        QTest::mouseClick(name, Qt::LeftButton);
        QCOMPARE(name->selectedText(), QStringLiteral("Good"));
        auto* path = Find<QLineEdit>(w, "Path1Edit");
        QTest::mousePress(path, Qt::LeftButton);
        QCOMPARE(path->cursor().shape(), Qt::ForbiddenCursor);
        QTest::mouseRelease(path, Qt::LeftButton);
        QCOMPARE(path->cursor().shape(), Qt::IBeamCursor);
    }

    void ManualAddReadsTheChosenSongsTitle() {
        const std::string song = dir_->Write("songs/one.mid", Song("Only One"));
        Program& p = Open();
        p.model.settings.LST0DIR = dir_->Folder() + "songs/";
        TSetUpDlg& w = p.window;
        w.OpenListPage(0);
        QString title;
        QString folder;
        ModalAnswers answers({[&](QDialog* dialog) {
            auto* files = qobject_cast<QFileDialog*>(dialog);
            title = files->windowTitle();
            folder = files->directory().absolutePath() + QLatin1Char('/');
            files->selectFile(QString::fromStdString(song));
            dialog->accept();
        }});
        QTest::mouseClick(Find<QPushButton>(w, "Man0Button"), Qt::LeftButton);
        QCOMPARE(title, U8("ＭＩＤＩファイルを選択してください"));
        QCOMPARE(folder, QString::fromStdString(dir_->Folder() + "songs/"));
        QCOMPARE(Rows(Find<QListWidget>(w, "List0ListBox")), QStringList(U8("!1 Only One")));
        QCOMPARE(dir_->Read("KORVA.DT0"), "!1 Only One\t" + song + "\t+0\t1\r\n");
    }

    // The search page finds lines in both lists; a double click on one stops what plays and plays it.
    void SearchAndPlayAFoundSong() {
        const std::string songs = dir_->Folder() + "songs/";
        dir_->Write("songs/blue.mid", Song("Blue"));
        dir_->Write("KORVA.DT0", "Blue Moon\t" + songs + "blue.mid\t+0\t1\r\nRed\t/r.mid\t+0\t1\r\n");
        dir_->Write("KORVA.DT1", "Old BLUES\t/b.mid\t+0\t1\r\n");
        Program& p = Open();
        TSetUpDlg& w = p.window;
        w.OpenSearchPage();
        Find<QLineEdit>(w, "FindEdit")->setText(QStringLiteral("blue"));
        QTest::mouseClick(Find<QPushButton>(w, "FindButton"), Qt::LeftButton);
        QCOMPARE(Find<QLabel>(w, "MsgLabel")->text(),
                 U8("リスト０の検索を開始します\nリスト０に 1 "
                    "件あります\nリスト１の検索を開始します\nリスト１に 1 件あります"));
        QCOMPARE(Find<QLabel>(w, "Find1Panel")->text(),
                 QString::fromStdString(p.model.folders.PlaylistPath(1)));
        auto* found0 = Find<QListWidget>(w, "Find0ListBox");
        auto* found1 = Find<QListWidget>(w, "Find1ListBox");
        QCOMPARE(Rows(found1), QStringList(QStringLiteral("Old BLUES\t/b.mid\t+0\t1")));

        // Something plays; a double click on the found line replaces it with that song alone.
        p.model.PlayQueue = {"/other.mid"};
        p.model.play.QueuePosition = 0;
        p.rig.ThePlayer().PlaySingleEntry();
        ClickRow(found1, 0);
        // A double click is a click and then the double-click event.
        const QPoint row = found0->visualItemRect(found0->item(0)).center();
        ClickRow(found0, 0);
        QTest::mouseDClick(found0->viewport(), Qt::LeftButton, {}, row);
        QCOMPARE(Find<QLineEdit>(w, "FindMonEdit")->text(),
                 U8("Blue Moon\t") + QString::fromStdString(songs) + U8("blue.mid\t+0\t1"));
        QVERIFY(found1->selectedItems().isEmpty());
        QCOMPARE(p.rig.device.OpenFile(), songs + "blue.mid");
        QCOMPARE(p.model.PlayQueue, std::vector<std::string>{songs + "blue.mid"});
        QVERIFY(p.host.calls.contains(QStringLiteral("Single")));
    }

    void PathCheckListsTheMissingSongs() {
        dir_->Write("KORVA.DT1", "Gone\t/nowhere/gone.mid\t+0\t1\r\n");
        Program& p = Open();
        TSetUpDlg& w = p.window;
        QTest::mouseClick(Find<QPushButton>(w, "CheckBitBtn"), Qt::LeftButton);
        QCOMPARE(p.messages.shown, QStringList(U8("リスト０またはリスト１を指定してください")));
        Find<QRadioButton>(w, "Play1RadioButton")->setChecked(true);
        QTest::mouseClick(Find<QPushButton>(w, "CheckBitBtn"), Qt::LeftButton);
        QVERIFY(p.bad.isVisible());
        QCOMPARE(p.bad.windowTitle(), U8("ＭＩＤＩファイルが存在しないデータ"));
        QCOMPARE(Rows(Find<QListWidget>(p.bad, "BadListBox")), QStringList(U8("Gone → /nowhere/gone.mid")));
        p.bad.close();
    }
};

}  // namespace korva

QTEST_MAIN(korva::TSetUpDlgListsTest)
#include "TSetUpDlgListsTest.moc"
