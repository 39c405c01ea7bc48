#include "ui/TRemoteDlg.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTimer>
#include <QWindow>
#include <QtTest>
#include <memory>

#include "support/JukeboxRig.h"
#include "support/QtTestSupport.h"
#include "support/TempDir.h"
#include "text/Encoding.h"
#include "text/ShiftJis.h"
#include "ui/DocumentViewer.h"
#include "ui/QtText.h"
#include "ui/TMainForm.h"
#include "ui/TViewDlg.h"
#include "ui/TVolDlg.h"

namespace korva {

using testing::U8;

// The strip among the real windows it drives, over a core with a scripted device: the deck, the
// song window and the volume window, linked as the program links them.
class TRemoteDlgTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<testing::TempDir> dir_;
    std::unique_ptr<testing::JukeboxRig> rig_;
    std::unique_ptr<TMainForm> deck_;
    std::unique_ptr<QtMessageView> messages_;
    std::unique_ptr<DocumentViewer> viewer_;
    TRemoteDlg* remote_ = nullptr;
    TViewDlg* songWindow_ = nullptr;
    TVolDlg* volumeWindow_ = nullptr;
    const QPoint deckPlace_{200, 150};

    // The program's start over a KORVA.INI with the given [KORVA] lines; the deck shows at deckPlace_.
    void Start(const std::string& korvaKeys) {
        Stop();
        dir_ = std::make_unique<testing::TempDir>();
        rig_ = std::make_unique<testing::JukeboxRig>(dir_->Folder());
        dir_->Write("KORVA.INI", "[KORVA]\r\n" + korvaKeys);
        deck_ = std::make_unique<TMainForm>(rig_->jukebox);
        messages_ = std::make_unique<QtMessageView>(deck_.get());
        rig_->jukebox.AttachDeck(*deck_, *deck_, *deck_);
        rig_->jukebox.AttachDialogs(*messages_, rig_->folderDialog);
        rig_->Connect();
        remote_ = new TRemoteDlg(rig_->jukebox, deck_.get());
        viewer_ = std::make_unique<DocumentViewer>(rig_->Model().settings);
        songWindow_ = new TViewDlg(rig_->jukebox, *messages_, *viewer_, deck_.get());
        volumeWindow_ = new TVolDlg(rig_->jukebox, deck_.get());
        rig_->jukebox.AttachSongList(*songWindow_);
        rig_->jukebox.AttachVolumeWindow(*volumeWindow_);
        rig_->jukebox.CheckVolumeDevice();
        remote_->SetTargets({deck_.get(), songWindow_});
        deck_->SetLinks({nullptr, remote_, volumeWindow_});
        deck_->move(deckPlace_);
        deck_->show();
        QVERIFY(QTest::qWaitForWindowExposed(deck_.get()));
    }
    void Stop() {
        messages_.reset();
        deck_.reset();
        viewer_.reset();
        rig_.reset();
        dir_.reset();
    }
    // The right press on the deck's minimise button.
    void Enter() {
        QTest::mousePress(testing::Find(*deck_, "IcoSpeedButton"), Qt::RightButton);
        QVERIFY(QTest::qWaitForWindowExposed(remote_));
    }
    QAbstractButton* Button(const char* name) { return testing::Find<QAbstractButton>(*remote_, name); }
    void Click(const char* name) { QTest::mouseClick(Button(name), Qt::LeftButton); }
    // The outer corner as the native window has it: under X11 the window manager frames the strip
    // after Qt has placed it.
    QPoint Place() const {
        return remote_->windowHandle() ? remote_->windowHandle()->framePosition() : remote_->pos();
    }
    // A mouse move over the drag handle to a place on the screen.
    void MoveOverHandle(const QPoint& global, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
        QWidget* handle = testing::Find(*remote_, "FreePanel");
        QMouseEvent move(QEvent::MouseMove, QPointF(handle->mapFromGlobal(global)), QPointF(global),
                         Qt::NoButton, buttons, modifiers);
        QApplication::sendEvent(handle, &move);
    }
    // Under a window manager frames come and go asynchronously.
    void WaitForFrame(bool framed) {
        QCOMPARE(remote_->TitleBarShown(), framed);
        QCOMPARE(remote_->windowFlags().testFlag(Qt::FramelessWindowHint), !framed);
        QVERIFY(QTest::qWaitForWindowExposed(remote_));
        if (QGuiApplication::platformName() == QLatin1String("xcb"))
            QTRY_COMPARE_WITH_TIMEOUT(remote_->windowHandle()->frameMargins().top() > 0, framed, 15000);
    }

  private slots:
    void cleanup() {
        Stop();
        QCOMPARE(testing::WindowsLeftBehind(), QStringList());
    }

    void stripIsBuiltAsDesigned_data() {
        QTest::addColumn<bool>("hints");
        QTest::newRow("hints on") << true;
        QTest::newRow("hints off") << false;
    }
    void stripIsBuiltAsDesigned() {
        QFETCH(bool, hints);
        Start(hints ? "USEHNT2=1\r\n" : "USEHNT2=0\r\n");
        struct Control {
            const char* name;
            const char* caption;  // empty: a glyph
            const char* hint;
        };
        const Control controls[] = {
            {"PowBitBtn", "", "終了する"},
            {"FreePanel", "＊", "タイトルバーなしの時、左ドラッグで移動する"},
            {"ViewBitBtn", "L", "演奏リストをON･OFFする"},
            {"BackBitBtn", "<", "前の曲に移る"},
            {"NextBitBtn", ">", "次の曲に移る"},
            {"PlayBitBtn", "", "PLAYボタン"},
            {"PauseBitBtn", "", "PAUSEボタン"},
            {"StopBitBtn", "", "STOPボタン"},
            {"ExitBitBtn", "EXIT", "通常表示に切り替える"},
            {"DownBitBtn", "", "基準音量を下げる"},
            {"LeftBitBtn", "D", "音量を一時下げる"},
            {"RightBitBtn", "U", "音量を一時上げる"},
            {"UpBitBtn", "", "基準音量を上げる"},
            {"BarBitBtn", "T", "タイトルバーをON･OFFする"},
        };
        int left = 0;
        for (const Control& c : controls) {
            QWidget* control = testing::Find(*remote_, c.name);
            QCOMPARE(control->x(), left);  // left to right, edge to edge
            left += control->width();
            QCOMPARE(control->height(), 21);
            QCOMPARE(control->accessibleDescription(), U8(c.hint));
            QCOMPARE(control->toolTip(), hints ? U8(c.hint) : QString());
            const QString caption = U8(c.caption);
            if (auto* button = qobject_cast<QAbstractButton*>(control)) {
                QCOMPARE(button->text(), caption);
                QCOMPARE(button->icon().isNull(), !caption.isEmpty());
                QCOMPARE(button->accessibleName(), caption.isEmpty() ? U8(c.hint) : caption);
            } else {
                QCOMPARE(qobject_cast<QLabel*>(control)->text(), caption);
            }
        }
        QCOMPARE(left, 290);

        Enter();
        QVERIFY(deck_->isHidden());
        QCOMPARE(remote_->size(), QSize(290, 21));
        QCOMPARE(Place(), deckPlace_);
        QCOMPARE(remote_->windowTitle(), QStringLiteral("KORVA97"));
        QVERIFY(remote_->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(!remote_->windowFlags().testFlag(Qt::FramelessWindowHint));
        remote_->resize(400, 60);  // the strip keeps its size
        QCOMPARE(remote_->size(), QSize(290, 21));
    }

    void everyCloseBringsTheDeckBack_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("EXIT") << "EXIT";
        QTest::newRow("EXIT without title bar") << "EXIT frameless";
        QTest::newRow("system menu") << "close";
        QTest::newRow("power") << "power";
    }
    void everyCloseBringsTheDeckBack() {
        QFETCH(QString, how);
        Start("POSCTRL=0\r\n");
        volumeWindow_->show();  // open before the strip: it waits until the strip closes
        Enter();
        QVERIFY(!volumeWindow_->isEnabled());
        QVERIFY(remote_->isEnabled());
        if (how == "EXIT frameless") {
            QCursor::setPos(500, 500);
            Click("BarBitBtn");
            QVERIFY(!remote_->TitleBarShown());
        }
        if (how == "close") {
            remote_->close();
        } else {
            Click(how == "power" ? "PowBitBtn" : "ExitBitBtn");
        }
        QVERIFY(remote_->isHidden());
        QVERIFY(deck_->isVisible());
        QVERIFY(volumeWindow_->isEnabled());
        QVERIFY(remote_->TitleBarShown());  // EXIT restores the title bar before it closes
        if (how == "power") {
            // The deck's power button ran: it stored the deck's place on its way out.
            QCOMPARE(rig_->Model().settings.MANHPOS, deckPlace_.x());
            QVERIFY(dir_->Read("KORVA.INI").find("MANHPOS=200") != std::string::npos);
        }
    }

    void titleBarOffAndOnReturnsToTheSavedPlace() {
        Start("");
        Enter();
        WaitForFrame(true);
        QCOMPARE(Place(), deckPlace_);
        QCursor::setPos(640, 400);
        Click("BarBitBtn");
        WaitForFrame(false);
        QCOMPARE(remote_->size(), QSize(290, 21));
        // The strip's middle line comes under the cursor; its left stays.
        QTRY_COMPARE(Place(), QPoint(deckPlace_.x(), 400 - 10));
        MoveOverHandle({100, 300}, Qt::LeftButton, Qt::NoModifier);
        QTRY_COMPARE(Place(), QPoint(100 - 29, 300 - 10));
        Click("BarBitBtn");
        WaitForFrame(true);
        QTRY_VERIFY(!remote_->PlaceHeld());  // from here on the user may drag it by its title bar
        QCOMPARE(Place(), deckPlace_);
        QCOMPARE(remote_->size(), QSize(290, 21));
        // And once more from a new place, dragged twice meanwhile.
        remote_->move(330, 260);
        QTRY_COMPARE(Place(), QPoint(330, 260));
        Click("BarBitBtn");
        WaitForFrame(false);
        MoveOverHandle({700, 500}, Qt::LeftButton, Qt::NoModifier);
        MoveOverHandle({50, 60}, Qt::LeftButton, Qt::NoModifier);
        QTRY_COMPARE(Place(), QPoint(50 - 29, 60 - 10));
        Click("BarBitBtn");
        WaitForFrame(true);
        QTRY_COMPARE(Place(), QPoint(330, 260));
    }

    void onlyTheLeftButtonAloneDragsWithoutTitleBar_data() {
        QTest::addColumn<bool>("titleBar");
        QTest::addColumn<int>("buttons");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("moves");
        QTest::newRow("left alone") << false << int(Qt::LeftButton) << int(Qt::NoModifier) << true;
        QTest::newRow("right") << false << int(Qt::RightButton) << int(Qt::NoModifier) << false;
        QTest::newRow("left and right")
            << false << int(Qt::LeftButton | Qt::RightButton) << int(Qt::NoModifier) << false;
        QTest::newRow("shift") << false << int(Qt::LeftButton) << int(Qt::ShiftModifier) << false;
        QTest::newRow("ctrl") << false << int(Qt::LeftButton) << int(Qt::ControlModifier) << false;
        QTest::newRow("title bar shown") << true << int(Qt::LeftButton) << int(Qt::NoModifier) << false;
    }
    void onlyTheLeftButtonAloneDragsWithoutTitleBar() {
        QFETCH(bool, titleBar);
        QFETCH(int, buttons);
        QFETCH(int, modifiers);
        QFETCH(bool, moves);
        Start("");
        Enter();
        if (!titleBar) {
            QCursor::setPos(400, 300);
            Click("BarBitBtn");
            WaitForFrame(false);
            QTRY_COMPARE(Place(), QPoint(deckPlace_.x(), 300 - 10));
        }
        // Read at once, before anything else could move the strip back or on.
        const QPoint before = remote_->geometry().topLeft();
        MoveOverHandle({120, 90}, Qt::MouseButtons(buttons), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(remote_->geometry().topLeft(), moves ? QPoint(120 - 29, 90 - 10) : before);
        if (moves)
            QTRY_COMPARE(Place(), QPoint(120 - 29, 90 - 10));
    }

    void temporaryVolumeButtonsFollowTheDeck_data() {
        QTest::addColumn<bool>("volumeControl");
        QTest::addColumn<bool>("volumeWindowOpen");
        QTest::newRow("volume control") << true << false;
        // The volume window, open before the strip, cannot be used; its buttons still act for D and U.
        QTest::newRow("volume control, volume window open") << true << true;
        QTest::newRow("no volume control") << false << false;
    }
    void temporaryVolumeButtonsFollowTheDeck() {
        QFETCH(bool, volumeControl);
        QFETCH(bool, volumeWindowOpen);
        Start(volumeControl ? "AUTOVOL=1\r\nINITVOL=BFFFBFFF\r\n" : "AUTOVOL=0\r\nINITVOL=BFFFBFFF\r\n");
        if (volumeWindowOpen)
            volumeWindow_->show();
        Enter();
        QCOMPARE(volumeWindow_->isEnabled(), !volumeWindowOpen);
        QCOMPARE(Button("LeftBitBtn")->isEnabled(), volumeControl);
        QCOMPARE(Button("RightBitBtn")->isEnabled(), volumeControl);
        QVERIFY(Button("DownBitBtn")->isEnabled());
        QVERIFY(Button("UpBitBtn")->isEnabled());
        if (!volumeControl)
            return;
        VolumeControl& volume = rig_->jukebox.Volume();
        auto* bar = testing::Find<QScrollBar>(*deck_, "VolScrollBar");
        Click("RightBitBtn");
        QCOMPARE(volume.EffectiveLevel(), 8);
        QCOMPARE(rig_->Model().settings.INITVOL, std::string("BFFFBFFF"));  // temporary only
        Click("LeftBitBtn");
        Click("LeftBitBtn");
        QCOMPARE(volume.EffectiveLevel(), 6);
        Click("UpBitBtn");  // the base steps; the temporary -1 stays on top of it
        QCOMPARE(rig_->Model().settings.INITVOL, std::string("DFFFDFFF"));
        QCOMPARE(bar->value(), 8);
        QCOMPARE(volume.EffectiveLevel(), 7);
        for (int i = 0; i < 10; ++i) Click("DownBitBtn");
        QCOMPARE(rig_->Model().settings.INITVOL, std::string("0FFF0FFF"));
        QCOMPARE(bar->value(), 0);
        for (int i = 0; i < 10; ++i) Click("UpBitBtn");
        QCOMPARE(rig_->Model().settings.INITVOL, std::string("FFFFFFFF"));
        QCOMPARE(bar->value(), 9);
    }

    void songWindowToggles() {
        Start("AUTOCLS=1\r\nCLSTIME=30\r\n");
        auto* closeTimer = songWindow_->findChild<QTimer*>(QStringLiteral("CloseTimer"));
        QVERIFY(closeTimer);
        Enter();
        Click("ViewBitBtn");
        QVERIFY(songWindow_->isVisible());
        QVERIFY(songWindow_->isEnabled());  // opened from the strip: usable beside it
        QVERIFY(songWindow_->SongWindowShown());
        QVERIFY2(!closeTimer->isActive(), "opened from the strip, it does not close by itself");
        Click("ViewBitBtn");
        QVERIFY(songWindow_->isHidden());
        QVERIFY(!songWindow_->SongWindowShown());

        // Closed by its own close, the window still counts as shown: the first press only clears
        // that, the second opens it.
        Click("ViewBitBtn");
        songWindow_->close();
        QVERIFY(songWindow_->isHidden());
        QVERIFY(songWindow_->SongWindowShown());
        Click("ViewBitBtn");
        QVERIFY(songWindow_->isHidden());
        Click("ViewBitBtn");
        QVERIFY(songWindow_->isVisible());

        // Open before the strip, it waits; opened again from the strip, it can be used.
        Click("ExitBitBtn");
        Enter();
        QVERIFY(!songWindow_->isEnabled());
        Click("ViewBitBtn");
        Click("ViewBitBtn");
        QVERIFY(songWindow_->isEnabled());
    }

    void statusMessagesBecomeTheCaption() {
        Start("");
        deck_->ShowStatus(".. Before", StatusKind::Notice);
        QCOMPARE(remote_->windowTitle(), QStringLiteral(".. Before"));
        Enter();
        deck_->ShowStatus(Sjis("!1 ジムノペディ"), StatusKind::Normal);
        QCOMPARE(remote_->windowTitle(), U8("ジムノペディ"));
        deck_->ShowStatus("Broken song", StatusKind::Error);
        QCOMPARE(remote_->windowTitle(), QStringLiteral("Broken song"));
    }

    // Play, Next, Back, Pause and Stop pressed on the strip and on the deck leave the same trail.
    void transportButtonsDoWhatTheDecksDo() {
        const char* presses[] = {"Play", "Next", "Next", "Back", "Pause", "Play", "Stop", "Back"};
        const auto run = [&](bool strip) {
            Start("PLAYMOD=0\r\nRNDMODE=0\r\nSENDRST=0\r\n");
            std::string list;
            for (const char* title : {"A", "B", "C", "D"})
                list += std::string(title) + "\t" + dir_->Write(std::string(title) + ".mid", "MThd") +
                        "\t+0\t1\r\n";
            dir_->Write("KORVA.DT0", list);
            if (strip)
                Enter();
            QStringList trail;
            for (const char* key : presses) {
                const QByteArray name = QByteArray(key) + (strip ? "BitBtn" : "SpeedButton");
                QTest::mouseClick(
                    testing::Find(strip ? static_cast<QWidget&>(*remote_) : *deck_, name.constData()),
                    Qt::LeftButton);
                rig_->device.DeliverNotices();
                trail << QStringLiteral("%1 %2 %3 %4")
                             .arg(QString::fromStdString(FileNamePart(rig_->device.OpenFile())))
                             .arg(int(rig_->device.Mode()))
                             .arg(rig_->Model().play.QueuePosition)
                             .arg(FromSjis(deck_->Status().Text()));
            }
            return trail;
        };
        const QStringList onDeck = run(false);
        QCOMPARE(run(true), onDeck);
        // Play, Next, Next, Back, Pause, resume, Stop, and Back while stopped doing nothing.
        QStringList files, modes;
        for (const QString& step : onDeck) {
            files << step.section(' ', 0, 0);
            modes << step.section(' ', 1, 1);
        }
        QCOMPARE(files, (QStringList{"A.mid", "B.mid", "C.mid", "B.mid", "B.mid", "B.mid", "", ""}));
        const QString playing = QString::number(int(DeviceMode::Playing));
        const QString none = QString::number(int(DeviceMode::None));
        QCOMPARE(modes, (QStringList{playing, playing, playing, playing,
                                     QString::number(int(DeviceMode::Paused)), playing, none, none}));
    }

    void grabStrip() {
        const QString folder = qEnvironmentVariable("KORVA_GRAB_DIR");
        if (folder.isEmpty())
            QSKIP("KORVA_GRAB_DIR not set");
        Start("AUTOVOL=1\r\n");
        Enter();
        QVERIFY(remote_->grab().save(QDir(folder).filePath(QStringLiteral("remote.png"))));
    }
};

}  // namespace korva

QTEST_MAIN(korva::TRemoteDlgTest)
#include "TRemoteDlgTest.moc"
