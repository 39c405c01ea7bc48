#include "ui/TArtsDlg.h"

#include <QApplication>
#include <QFontInfo>
#include <QGuiApplication>
#include <QListView>
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
#include "ui/TViewDlg.h"

namespace korva {
namespace {

using testing::Find;
using testing::ModalAnswers;
using testing::TempDir;
using testing::U8;

// The core over a scripted device in ARTS mode (order NOR, no resets), with the artists window and
// a real song window attached.
struct Program {
    explicit Program(TempDir& dir) : rig(dir.Folder()), model(Configure(rig.Model())) {
        rig.jukebox.AttachArtistsWindow(window);
        rig.jukebox.AttachSongList(song);
        rig.Connect();
    }
    static AppModel& Configure(AppModel& model) {
        model.settings.PLAYMOD = ARTS;
        model.settings.SENDRST = 0;
        model.settings.USEFONT = 1;
        model.settings.FONTSIZ = 13;
        return model;
    }
    testing::JukeboxRig rig;
    AppModel& model;
    DocumentViewer viewer{model.settings};
    TArtsDlg window{rig.jukebox};
    TViewDlg song{rig.jukebox, rig.messages, viewer};
};

QStringList Rows(QListWidget* list) {
    QStringList rows;
    for (int i = 0; i < list->count(); ++i) rows << list->item(i)->text();
    return rows;
}

QStringList Rows(QListView* list) {
    QStringList rows;
    for (int i = 0; i < list->model()->rowCount(); ++i) rows << list->model()->index(i, 0).data().toString();
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

// A double click is a click and then the double-click event.
void DoubleClickRow(QListWidget* list, const QString& text) {
    ClickRow(list, text);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, RowCentre(list, text));
}

void Click(QWidget& window, const char* button) {
    QTest::mouseClick(Find<QPushButton>(window, button), Qt::LeftButton);
}

// What the user does in the shown window; a failed check there still closes it, so the test ends.
ModalAnswers::Answer InWindow(std::function<void()> actions) {
    return [actions = std::move(actions)](QDialog* dialog) {
        const auto closeAnyway = qScopeGuard([dialog] {
            if (dialog->isVisible())
                dialog->reject();
        });
        actions();
    };
}

}  // namespace

class TArtsDlgTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDir> dir_;
    std::unique_ptr<Program> program_;
    std::map<std::string, std::string> songs_;  // song file by the title's first word

    // Starts the program over both playlists; an entry is a UTF-8 title, and after "|" its Feel.
    Program& Start(const std::vector<std::string>& list0, const std::vector<std::string>& list1 = {}) {
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
        program_ = std::make_unique<Program>(*dir_);
        return *program_;
    }

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

    void CreationFollowsTheSettingsAndTheSettingsWindow() {
        TArtsDlg& w = Start({}).window;
        QCOMPARE(w.windowTitle(), U8("アーチストの選択"));
        QCOMPARE(Find<QPushButton>(w, "GetBitBtn")->toolTip(), U8("選択する"));
        QCOMPARE(QFontInfo(Find<QListWidget>(w, "DataListBox")->font()).family(),
                 testing::FamilyNamed(QStringLiteral("IPAMincho")));
        program_->model.settings.USEFONT = 0;
        w.ApplyListFont();
        w.ApplyHints(false);
        QCOMPARE(QFontInfo(Find<QListWidget>(w, "ArtistListBox")->font()).family(),
                 testing::FamilyNamed(QStringLiteral("IPAGothic")));
        QVERIFY(Find<QPushButton>(w, "PutBitBtn")->toolTip().isEmpty());
    }

    // Two artists picked by the Get button and by double clicks, then OK: the player plays list 0's
    // entries artist by artist, then list 1's, and the song window shows their lines.
    void PickTwoArtistsAndPlayThem() {
        Program& p =
            Start({"B1 by Bob", "A1 by Ann", "Z1 by Zoe", "R1 by Ann|3"}, {"A2 by Anne", "B2 by Bob|0"});
        TArtsDlg& w = p.window;
        auto* artists = Find<QListWidget>(w, "ArtistListBox");
        auto* picks = Find<QListWidget>(w, "PickUpListBox");
        QRect frame;
        ModalAnswers answers({InWindow([&] {
            frame = w.frameGeometry();
            QVERIFY(!QApplication::overrideCursor());
            QCOMPARE(p.rig.deck.shown.back().text, std::string(".. Search Artists"));
            QCOMPARE(Rows(artists), QStringList({"Ann", "Anne", "Bob", "Zoe"}));
            Click(w, "GetBitBtn");  // nothing selected: nothing moves
            ClickRow(artists, "Bob");
            Click(w, "GetBitBtn");
            DoubleClickRow(artists, "Ann");
            DoubleClickRow(picks, "Bob");  // back to its sorted place
            QCOMPARE(Rows(artists), QStringList({"Anne", "Bob", "Zoe"}));
            ClickRow(picks, "Ann");
            Click(w, "PutBitBtn");
            DoubleClickRow(artists, "Bob");
            DoubleClickRow(artists, "Ann");
            QCOMPARE(Rows(picks), QStringList({"Bob", "Ann"}));
            // A picture for the eye when KORVA_GRAB_DIR names a folder.
            if (const QString folder = qEnvironmentVariable("KORVA_GRAB_DIR"); !folder.isEmpty())
                QVERIFY(w.grab().save(folder + QStringLiteral("/TArtsDlg.png")));
            Click(w, "OkBitBtn");
        })});
        p.rig.ThePlayer().Play();
        QCOMPARE(answers.Answered(), 1u);
        QVERIFY(!w.isVisible());
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY((frame.center() - area.center()).manhattanLength() <= 2);

        // "A2 by Anne" belongs to Ann; "R1 by Ann" never plays.
        QCOMPARE(Rows(Find<QListView>(p.song, "ViewListBox")),
                 QStringList({"M +0 B1 by Bob", "M +0 A1 by Ann", "L +0 B2 by Bob", "M +0 A2 by Anne"}));
        QCOMPARE(p.song.windowTitle(), U8("ARTIST (NOR/END) 4曲"));
        for (int i = 0; i < 3; ++i) p.rig.device.FinishAndDeliver();
        QCOMPARE(p.rig.device.opened,
                 (std::vector<std::string>{songs_["B1"], songs_["A1"], songs_["B2"], songs_["A2"]}));
    }

    // An entry whose Feel is no number is told of and the window stays usable: the scan shows the
    // pick-up artist's titles when both lists have a selection, and CANS leaves nothing to play.
    void AnUnreadableEntryThenDataScanThenCans() {
        Program& p = Start({"Zed by Ann", "Rest by Ann|3", "Beat by Bob", "Odd by Cy|x"}, {"alpha by Anne"});
        TArtsDlg& w = p.window;
        auto* artists = Find<QListWidget>(w, "ArtistListBox");
        auto* picks = Find<QListWidget>(w, "PickUpListBox");
        ModalAnswers answers({InWindow([&] {
            DoubleClickRow(artists, "Ann");
            DoubleClickRow(artists, "Cy");
            Click(w, "OkBitBtn");
            QVERIFY(w.isVisible());
            QCOMPARE(p.rig.messages.shown.size(), std::size_t{1});
            DoubleClickRow(picks, "Cy");
            ClickRow(artists, "Bob");
            ClickRow(picks, "Ann");
            Click(w, "SpeedButton1");
            QCOMPARE(Rows(Find<QListWidget>(w, "DataListBox")), QStringList({"alpha by Anne", "Zed by Ann"}));
            Click(w, "CansBitBtn");
        })});
        p.rig.ThePlayer().Play();
        QCOMPARE(answers.Answered(), 1u);
        QVERIFY(!w.isVisible());
        QVERIFY(p.model.PlayQueue.empty());
        QVERIFY(p.rig.device.opened.empty());
        QCOMPARE(p.rig.deck.shown.back(), (testing::StatusEntry{"", StatusKind::Notice}));
    }
};

}  // namespace korva

QTEST_MAIN(korva::TArtsDlgTest)
#include "TArtsDlgTest.moc"
