#include "ui/TArtsDlg.h"

#include <QApplication>
#include <QFontInfo>
#include <QGuiApplication>
#include <QListWidget>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QtTest>
#include <functional>
#include <map>
#include <memory>

#include "support/JukeboxRig.h"
#include "support/QtTestSupport.h"
#include "support/TempDir.h"
#include "text/Encoding.h"
#include "ui/DocumentViewer.h"
#include "ui/QtText.h"
#include "ui/TViewDlg.h"

namespace korva {
namespace {

using testing::Find;
using testing::ModalAnswers;
using testing::TempDir;
using testing::U8;

struct ShownMessages final : MessageView {
    QStringList shown;
    void ShowMessage(const std::string& text) override { shown << FromSjis(text); }
};

// The core over a scripted device with the artists window and a real song window attached, in ARTS
// mode, order NOR, no reset files.
struct Program {
    explicit Program(TempDir& dir, bool hints = true) : rig(dir.Folder()), model(Configure(rig, hints)) {
        rig.jukebox.AttachArtistsWindow(window);
        rig.jukebox.AttachSongList(song);
        rig.Connect();
    }
    static AppModel& Configure(testing::JukeboxRig& rig, bool hints) {
        Settings& s = rig.Model().settings;
        s.PLAYMOD = ARTS;
        s.RNDMODE = NOR;
        s.SENDRST = 0;
        s.INTLOCK = 0;
        s.USEHNT2 = hints;
        s.USEFONT = 1;
        s.FONTSIZ = 13;
        return rig.Model();
    }
    testing::JukeboxRig rig;
    AppModel& model;
    ShownMessages messages;
    DocumentViewer viewer{model.settings};
    TArtsDlg window{rig.jukebox};
    TViewDlg song{rig.jukebox, messages, viewer};
};

QStringList Rows(QListWidget* list) {
    QStringList rows;
    for (int i = 0; i < list->count(); ++i) rows << list->item(i)->text();
    return rows;
}

QPoint RowCentre(QListWidget* list, const QString& text) {
    const auto found = list->findItems(text, Qt::MatchExactly);
    if (found.isEmpty())
        qFatal("no row %s", qPrintable(text));
    return list->visualItemRect(found.first()).center();
}

void ClickRow(QListWidget* list, const QString& text) {
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, RowCentre(list, text));
}

void DoubleClickRow(QListWidget* list, const QString& text) {
    // A double click is a click and then the double-click event.
    const QPoint at = RowCentre(list, text);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

// What the user does in the shown window; a check that fails there still closes the window, so the
// test ends instead of waiting on it.
ModalAnswers::Answer InWindow(std::function<void()> actions) {
    return [actions = std::move(actions)](QDialog* dialog) {
        const auto closeAnyway = qScopeGuard([dialog] {
            if (dialog->isVisible())
                dialog->reject();
        });
        actions();
    };
}

void Click(QWidget& window, const char* button) {
    QTest::mouseClick(Find<QPushButton>(window, button), Qt::LeftButton);
}

}  // namespace

class TArtsDlgTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDir> dir_;
    std::unique_ptr<Program> program_;

    Program& Start(bool hints = true) {
        program_ = std::make_unique<Program>(*dir_, hints);
        return *program_;
    }
    // Both playlists, of songs that exist; an entry is a UTF-8 title and, after a "|", its Feel.
    void Lists(const std::vector<std::string>& list0, const std::vector<std::string>& list1) {
        for (int list : {0, 1}) {
            std::string text;
            for (const std::string& entry : list == 0 ? list0 : list1) {
                const std::size_t bar = entry.find('|');
                const std::string title = entry.substr(0, bar);
                const std::string path = dir_->Write("song" + std::to_string(songs_.size()) + ".mid", "MThd");
                songs_[title.substr(0, title.find(' '))] = path;
                text += Sjis(title) + "\t" + path + "\t+0\t" +
                        (bar == std::string::npos ? "1" : entry.substr(bar + 1)) + "\r\n";
            }
            dir_->Write(list == 0 ? "KORVA.DT0" : "KORVA.DT1", text);
        }
    }
    // The song file of the title that begins with the word.
    std::string Song(const std::string& firstWord) const { return songs_.at(firstWord); }
    std::map<std::string, std::string> songs_;

  private slots:
    void init() {
        dir_ = std::make_unique<TempDir>();
        songs_.clear();
    }
    void cleanup() {
        program_.reset();
        QCOMPARE(testing::WindowsLeftBehind(), QStringList());
        dir_.reset();
    }

    void CreationNamesControlsAndFollowsTheSettings_data() {
        QTest::addColumn<bool>("hints");
        QTest::newRow("hints") << true;
        QTest::newRow("no hints") << false;
    }
    void CreationNamesControlsAndFollowsTheSettings() {
        QFETCH(bool, hints);
        TArtsDlg& w = Start(hints).window;
        QVERIFY(!w.isVisible());
        QCOMPARE(w.windowTitle(), U8("アーチストの選択"));
        QCOMPARE(Find<QPushButton>(w, "GetBitBtn")->accessibleName(), U8("選択する"));
        QVERIFY(!Find<QPushButton>(w, "GetBitBtn")->icon().isNull());
        QCOMPARE(Find<QPushButton>(w, "PutBitBtn")->toolTip(), hints ? U8("選択解除する") : QString());
        QCOMPARE(Find<QPushButton>(w, "OkBitBtn")->text(), QStringLiteral("OK"));
        QCOMPARE(Find<QPushButton>(w, "CansBitBtn")->toolTip(),
                 hints ? U8("なにもしないで閉じる") : QString());
        QCOMPARE(Find<QPushButton>(w, "SpeedButton1")->text(),
                 QStringLiteral("Data Scan [Artist or PickUp]"));
        QCOMPARE(Find<QPushButton>(w, "SpeedButton1")->accessibleDescription(),
                 U8("指定アーチストの曲データを検索する"));
        for (const char* name : {"ArtistListBox", "PickUpListBox", "DataListBox"}) {
            const QFont font = Find<QListWidget>(w, name)->font();
            QCOMPARE(QFontInfo(font).family(), QStringLiteral("IPAMincho"));
            QCOMPARE(font.pointSize(), 13);
        }
        // The settings window reaches the open program's window through these.
        program_->model.settings.USEFONT = 0;
        w.ApplyListFont();
        QCOMPARE(QFontInfo(Find<QListWidget>(w, "DataListBox")->font()).family(),
                 QStringLiteral("IPAGothic"));
        w.ApplyHints(!hints);
        QCOMPARE(Find<QPushButton>(w, "GetBitBtn")->toolTip().isEmpty(), hints);
    }

    // Two artists picked, by the Get button and by a double click, then OK: the player plays list 0's
    // entries artist by artist, then list 1's, with the song window's lines.
    void PickTwoArtistsAndPlayThem() {
        Lists({"B1 by Bob", "A1 by Ann", "Z1 by Zoe", "R1 by Ann|3"}, {"A2 by Anne", "B2 by Bob|0"});
        Program& p = Start();
        TArtsDlg& w = p.window;
        auto* artists = Find<QListWidget>(w, "ArtistListBox");
        auto* picks = Find<QListWidget>(w, "PickUpListBox");
        QRect frame;
        bool waitCursorGone = false;
        QString statusWhileShown;
        ModalAnswers answers({InWindow([&] {
            QCOMPARE(QApplication::activeModalWidget(), static_cast<QWidget*>(&w));
            frame = w.frameGeometry();
            waitCursorGone = QApplication::overrideCursor() == nullptr;
            statusWhileShown = QString::fromStdString(p.rig.deck.shown.back().text);
            QCOMPARE(Rows(artists), QStringList({"Ann", "Anne", "Bob", "Zoe"}));
            Click(w, "GetBitBtn");  // nothing selected: nothing moves
            QCOMPARE(picks->count(), 0);
            ClickRow(artists, "Bob");
            Click(w, "GetBitBtn");
            DoubleClickRow(artists, "Ann");
            QCOMPARE(Rows(picks), QStringList({"Bob", "Ann"}));
            QCOMPARE(Rows(artists), QStringList({"Anne", "Zoe"}));
            // Put one back and take it again: it returns to its sorted place.
            DoubleClickRow(picks, "Bob");
            QCOMPARE(Rows(artists), QStringList({"Anne", "Bob", "Zoe"}));
            ClickRow(artists, "Bob");
            Click(w, "GetBitBtn");
            ClickRow(picks, "Ann");
            Click(w, "PutBitBtn");
            ClickRow(artists, "Ann");
            Click(w, "GetBitBtn");
            QCOMPARE(Rows(picks), QStringList({"Bob", "Ann"}));
            Click(w, "OkBitBtn");
        })});
        p.rig.ThePlayer().Play();
        QCOMPARE(answers.Answered(), 1u);
        QVERIFY(!w.isVisible());
        QVERIFY(waitCursorGone);
        QCOMPARE(statusWhileShown, QStringLiteral(".. Search Artists"));
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(qAbs(frame.center().x() - area.center().x()) <= 1);
        QVERIFY(qAbs(frame.center().y() - area.center().y()) <= 1);

        // "A2 by Anne" belongs to Ann; "R1 by Ann" is R and never plays.
        QCOMPARE(Rows(Find<QListWidget>(p.song, "ViewListBox")),
                 QStringList({"M +0 B1 by Bob", "M +0 A1 by Ann", "L +0 B2 by Bob", "M +0 A2 by Anne"}));
        QCOMPARE(p.song.windowTitle(), U8("ARTIST (NOR/END) 4曲"));
        QVERIFY(p.rig.deck.playLit);
        for (int i = 0; i < 3; ++i) p.rig.device.FinishAndDeliver();
        QCOMPARE(p.rig.device.opened,
                 (std::vector<std::string>{Song("B1"), Song("A1"), Song("B2"), Song("A2")}));
        QCOMPARE(p.rig.deck.shown.back().text, std::string("A2 by Anne"));
    }

    void CansLeavesTheQueueEmptyAndTheStatusLineBlank() {
        Lists({"A1 by Ann"}, {});
        Program& p = Start();
        TArtsDlg& w = p.window;
        ModalAnswers answers({InWindow([&] {
            DoubleClickRow(Find<QListWidget>(w, "ArtistListBox"), "Ann");
            Click(w, "CansBitBtn");
        })});
        p.rig.ThePlayer().Play();
        QCOMPARE(answers.Answered(), 1u);
        QVERIFY(!w.isVisible());
        QVERIFY(p.model.PlayQueue.empty());
        QVERIFY(p.rig.device.opened.empty());
        QVERIFY(!p.rig.deck.playLit);
        QCOMPARE(p.rig.deck.shown.back(), (testing::StatusEntry{"", StatusKind::Notice}));
    }

    // The scan shows the pick-up artist's titles when both lists have a selection; a Feel that is no
    // number is named in a message, and the window stays open for another choice.
    void DataScanAndAnEntryThatCannotBeRead() {
        Lists({"Zed by Ann", "Rest by Ann|3", "Beat by Bob", "Odd by Cy|x"}, {"alpha by Anne"});
        Program& p = Start();
        TArtsDlg& w = p.window;
        auto* artists = Find<QListWidget>(w, "ArtistListBox");
        auto* picks = Find<QListWidget>(w, "PickUpListBox");
        auto* data = Find<QListWidget>(w, "DataListBox");
        ModalAnswers answers({InWindow([&] {
            Click(w, "SpeedButton1");  // no selection: nothing
            QCOMPARE(data->count(), 0);
            DoubleClickRow(artists, "Ann");
            ClickRow(artists, "Bob");
            ClickRow(picks, "Ann");
            Click(w, "SpeedButton1");
            QCOMPARE(Rows(data), QStringList({"alpha by Anne", "Zed by Ann"}));
            // The selections stay for the next scan; the artist list alone shows Bob's.
            QCOMPARE(artists->selectedItems().size(), 1);
            picks->clearSelection();
            Click(w, "SpeedButton1");
            QCOMPARE(Rows(data), QStringList({"Beat by Bob"}));

            ClickRow(artists, "Cy");
            Click(w, "GetBitBtn");
            Click(w, "OkBitBtn");
            QVERIFY(w.isVisible());
            QCOMPARE(p.rig.messages.shown.size(), std::size_t{1});
            QVERIFY(p.model.PlayQueue.empty());
            ClickRow(picks, "Cy");
            Click(w, "PutBitBtn");
            Click(w, "OkBitBtn");
        })});
        p.rig.ThePlayer().Play();
        QCOMPARE(answers.Answered(), 1u);
        QVERIFY(QString::fromStdString(ToDisplayUtf8(p.rig.messages.shown.at(0)))
                    .contains(U8("4 行目「Odd by Cy」")));
        QVERIFY(!w.isVisible());
        QCOMPARE(p.rig.device.opened, std::vector<std::string>{Song("Zed")});
        QCOMPARE(p.model.PlayQueue.size(), std::size_t{2});
    }

    // A picture of the window for the eye: KORVA_GRAB_DIR names the folder.
    void grabWindow() {
        const QString folder = qEnvironmentVariable("KORVA_GRAB_DIR");
        if (folder.isEmpty())
            QSKIP("KORVA_GRAB_DIR not set");
        Lists({"Night Song by Ann", "Morning by Bob", "Rain by Carla", "夜の歌 by 山田"},
              {"Tide by Ann", "Lullaby Night"});
        Program& p = Start();
        TArtsDlg& w = p.window;
        ModalAnswers answers({InWindow([&] {
            DoubleClickRow(Find<QListWidget>(w, "ArtistListBox"), "Ann");
            ClickRow(Find<QListWidget>(w, "ArtistListBox"), "Bob");
            ClickRow(Find<QListWidget>(w, "PickUpListBox"), "Ann");
            Click(w, "SpeedButton1");
            QVERIFY(w.grab().save(folder + QStringLiteral("/TArtsDlg.png")));
            Click(w, "CansBitBtn");
        })});
        p.rig.ThePlayer().Play();
        QCOMPARE(answers.Answered(), 1u);
    }
};

}  // namespace korva

QTEST_MAIN(korva::TArtsDlgTest)
#include "TArtsDlgTest.moc"
