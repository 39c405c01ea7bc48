#include "ui/TMainForm.h"

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QRawFont>
#include <QScreen>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <QTimer>
#include <QToolTip>
#include <QUrl>
#include <QtTest>
#include <deque>
#include <filesystem>
#include <memory>

#include "support/FifoGuard.h"
#include "support/JukeboxRig.h"
#include "support/QtTestSupport.h"
#include "support/TempDir.h"
#include "text/Encoding.h"
#include "text/ShiftJis.h"
#include "ui/DeckArt.h"
#include "ui/QtText.h"
#include "windows/TitleScroll.h"

namespace korva {
namespace {

using testing::Choose;
using testing::ModalAnswers;
using testing::U8;

// The windows made after the deck that it opens itself.
class FakeWindows final : public SettingsWindowLink, public RemoteWindowLink {
  public:
    void LoadSettingsWindow() override { calls << QStringLiteral("Load"); }
    void ShowSettingsWindow() override { calls << QStringLiteral("ShowSettings"); }
    void OpenListPage(int list) override { calls << QStringLiteral("ListPage%1").arg(list); }
    void OpenSearchPage() override { calls << QStringLiteral("SearchPage"); }
    void FocusSearchEdit() override { calls << QStringLiteral("FocusFind"); }
    void CheckListMode(int playmod) override { calls << QStringLiteral("Mode%1").arg(playmod); }
    void PressOrderButton(int rndmode) override { calls << QStringLiteral("Rnd%1").arg(rndmode); }
    void ShowDropIndicator(bool onTop) override {
        calls << (onTop ? QStringLiteral("DD-off") : QStringLiteral("DD-on"));
    }
    void SetStatusCaption(const QString& text) override { caption = text; }
    void EnterRemote() override { calls << QStringLiteral("Remote"); }
    QStringList calls;
    QString caption;
};

// Drags files over the window and drops them, as the desktop does.
void DropFiles(QWidget* window, const QList<QUrl>& urls) {
    QMimeData mime;
    mime.setUrls(urls);
    const QPoint at(100, 30);
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &drop);
}

}  // namespace

class TMainFormTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<testing::TempDir> dir_;
    std::unique_ptr<testing::JukeboxRig> rig_;
    AppModel* model_ = nullptr;
    FakeWindows windows_;
    std::unique_ptr<TMainForm> form_;
    std::unique_ptr<QtMessageView> messages_;

    // Creates the deck over a KORVA.INI with the given [KORVA] lines, as the program does at start:
    // the deck reads the settings, the core is connected over a scripted device, auto start is armed.
    void MakeForm(const std::string& korvaKeys = {}) {
        if (!korvaKeys.empty())
            dir_->Write("KORVA.INI", "[KORVA]\r\n" + korvaKeys);
        form_ = std::make_unique<TMainForm>(rig_->jukebox);
        messages_ = std::make_unique<QtMessageView>(form_.get());
        rig_->jukebox.AttachDeck(*form_, *form_, *form_);
        rig_->jukebox.AttachDialogs(*messages_, rig_->folderDialog);
        rig_->Connect();
        form_->SetLinks({&windows_, &windows_, nullptr});
        form_->ArmAutoStart();
    }
    // The device plays (or holds paused) a song of its own.
    void SetDevice(bool playing, bool paused) {
        if (!playing && !paused)
            return;
        rig_->device.Open(dir_->Write("playing.mid", "MThd"));
        rig_->device.Play();
        if (paused)
            rig_->device.Pause();
    }
    template <typename W = QWidget>
    W* Find(const char* name) {
        return testing::Find<W>(*form_, name);
    }
    QString Display() { return Find<QLabel>("DispLabel")->text(); }

  private slots:
    void init() {
        dir_ = std::make_unique<testing::TempDir>();
        rig_ = std::make_unique<testing::JukeboxRig>(dir_->Folder(), 7, true);
        model_ = &rig_->Model();
        windows_ = FakeWindows();
        QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    }

    void cleanup() {
        messages_.reset();
        form_.reset();
        QCOMPARE(testing::WindowsLeftBehind(), QStringList());
        rig_.reset();
        dir_.reset();
    }

    void everyControlIsNamedAndSpeaks() {
        MakeForm();
        const char* buttons[] = {"PowSpeedButton",   "IcoSpeedButton",  "BarSpeedButton",   "BackSpeedButton",
                                 "NextSpeedButton",  "PlaySpeedButton", "PauseSpeedButton", "StopSpeedButton",
                                 "SetUpSpeedButton", "ModeSpeedButton", "RndSpeedButton"};
        for (const char* name : buttons) {
            auto* button = Find(name);
            QVERIFY2(!button->accessibleName().isEmpty(), name);
            QCOMPARE(button->accessibleName(), button->accessibleDescription());
        }
        QCOMPARE(Find("PowSpeedButton")->accessibleName(), U8("KORVA96を終了します"));
        QCOMPARE(Find("VolScrollBar")->accessibleName(), U8("基準音量を設定します"));
        const std::pair<const char*, const char*> captions[] = {
            {"BackLabel", "BAK"},  {"NextLabel", "NXT"},
            {"PlayLabel", "PLAY"}, {"PauseLabel", "I I"},
            {"StopLabel", "STOP"}, {"SetUpLabel", "SET"},
            {"VolLabel", "VOL"},   {"UpLabel", "H i"},
            {"DownLabel", "Lo"},   {"NameLabel", "KORVA97 model100"},
            {"ModeLabel", "ESY"},  {"InfoLabel", "NOR"}};
        for (const auto& [name, caption] : captions)
            QCOMPARE(Find<QLabel>(name)->text(), QString::fromUtf8(caption));
        for (const char* name : {"SideLImage", "SideRImage", "Panel1", "Panel2"})
            QVERIFY(!Find(name)->accessibleName().isEmpty());
        QCOMPARE(Find("DispLabel")->accessibleDescription(), U8("クリックすると曲ウィンドウを開く"));
        QCOMPARE(form_->windowTitle(), QStringLiteral("KORVA97"));
        QVERIFY(form_->windowFlags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(form_->acceptDrops());
        // The volume controls wait for a volume-capable device; the name plate stands in for them.
        for (const char* name : {"VolScrollBar", "VolLabel", "UpLabel", "DownLabel"})
            QVERIFY(Find(name)->isHidden());
        QVERIFY(!Find("NameLabel")->isHidden());
        form_->ShowVolumeControls();
        QVERIFY(Find("NameLabel")->isHidden());
        QVERIFY(!Find("UpLabel")->isHidden());

        // The narrow volume bar still shows its slider, further right for a higher level.
        auto* bar = Find<QScrollBar>("VolScrollBar");
        const auto sliderAt = [bar](int level) {
            QStyleOptionSlider option;
            option.initFrom(bar);
            option.orientation = Qt::Horizontal;
            option.minimum = bar->minimum();
            option.maximum = bar->maximum();
            option.pageStep = bar->pageStep();
            option.sliderPosition = option.sliderValue = level;
            option.subControls = QStyle::SC_All;
            return bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider,
                                                bar);
        };
        QVERIFY(sliderAt(0).width() > 0);
        QVERIFY(sliderAt(9).left() > sliderAt(0).left());
    }

    void designSetsTheClientSize_data() {
        QTest::addColumn<int>("deluxed");
        QTest::addColumn<QSize>("client");
        QTest::addColumn<bool>("sides");
        QTest::newRow("standard") << 0 << QSize(309, 75) << false;
        QTest::newRow("deluxe") << 1 << QSize(339, 75) << true;
        QTest::newRow("any other number is deluxe") << 2 << QSize(339, 75) << true;
    }
    void designSetsTheClientSize() {
        QFETCH(int, deluxed);
        QFETCH(QSize, client);
        QFETCH(bool, sides);
        MakeForm("DELUXED=" + std::to_string(deluxed) + "\r\n");
        form_->show();
        QCOMPARE(form_->size(), client);
        form_->resize(500, 200);  // the deck keeps its size
        QCOMPARE(form_->size(), client);
        auto* left = Find("SideLImage");
        auto* right = Find("SideRImage");
        auto* body = Find("Panel1");
        QCOMPARE(left->isVisible(), sides);
        QCOMPARE(right->isVisible(), sides);
        if (sides) {
            QCOMPARE(left->geometry().right() + 1, body->x());
            QCOMPARE(body->geometry().right() + 1, right->x());
            QCOMPARE(right->geometry().right() + 1, client.width());
        } else {
            QCOMPARE(body->geometry(), QRect(QPoint(0, 0), client));
        }
    }

    void newSongMarksAreRemoved_data() {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        QTest::newRow("mark 2") << "!2 Rydeen"
                                << "Rydeen";
    }
    void newSongMarksAreRemoved() {
        QFETCH(QString, message);
        QFETCH(QString, shown);
        MakeForm();
        form_->ShowStatus(*ToSjis(message), StatusKind::Normal);
        QCOMPARE(Display(), shown);
        QCOMPARE(windows_.caption, shown);
    }

    void kindsHaveTheirLook() {
        MakeForm();
        auto* disp = Find<QLabel>("DispLabel");
        auto* baseTimer = form_->findChild<QTimer*>(QStringLiteral("BaseTimer"));
        QVERIFY(baseTimer && baseTimer->isActive());
        QCOMPARE(baseTimer->interval(), 3000);
        form_->ShowStatus(".. Search Artists", StatusKind::Notice);
        QVERIFY(disp->font().italic());
        QVERIFY(disp->font().bold());
        QCOMPARE(LabelColour(disp), kAqua);
        QVERIFY(baseTimer->isActive());
        form_->ShowStatus("Broken song", StatusKind::Error);
        QVERIFY(!disp->font().italic());
        QCOMPARE(LabelColour(disp), kYellow);
        QVERIFY2(!baseTimer->isActive(), "an Error stops the clock");
        form_->EnableClock();
        model_->settings.USECLOK = false;
        form_->ShowStatus("Broken song", StatusKind::Error);
        QVERIFY2(baseTimer->isActive(), "without the clock an Error stops nothing");
        form_->ShowStatus("Title", StatusKind::Normal);
        QVERIFY(!disp->font().italic());
        QCOMPARE(LabelColour(disp), kAqua);
    }

    void clockShowsDateAndWeekday() {
        MakeForm();
        form_->BaseTimerTimer();
        QCOMPARE(Display(), U8(" 26/03/01 日曜日   09:05"));
        rig_->clock.now = {2031, 12, 24, 3, 23, 59, 0};
        form_->BaseTimerTimer();
        QCOMPARE(Display(), U8(" 31/12/24 水曜日   23:59"));
    }

    void longTitleScrollsTickByTick() {
        MakeForm();
        SetDevice(true, false);
        const QString title = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcd");  // 40 characters
        form_->ShowStatus("!3 " + title.toStdString(), StatusKind::Normal);
        QVERIFY(form_->Status().TextWidth() > kDisplayWidth);
        model_->play.ScrollPos = 1;  // as a song start sets it
        QStringList expected{title, title};
        for (int from = 1; from <= 40 - 11; ++from) expected << title.mid(from);  // down to character N - 10
        QCOMPARE(expected.last(), QStringLiteral("3456789abcd"));
        expected << FromSjis(ScrollBanner()) << title << title.mid(1);
        QStringList shown;
        for (int tick = 0; tick < expected.size(); ++tick) {
            form_->BaseTimerTimer();
            shown << Display();
        }
        QCOMPARE(shown, expected);
        QCOMPARE(LabelColour(Find<QLabel>("DispLabel")), kAqua);
    }

    void onlyTitlesWiderThanTheDisplayScroll() {
        MakeForm();
        model_->play.PauseFlag = true;  // a paused title scrolls as a playing one
        const QFontMetrics metrics(Find<QLabel>("DispLabel")->font());
        QString fits;
        while (metrics.horizontalAdvance(fits + QLatin1Char('M')) <= kDisplayWidth) fits += QLatin1Char('M');
        for (const QString& title : {fits, fits + QLatin1Char('M')}) {
            form_->ShowStatus(title.toStdString(), StatusKind::Normal);
            QCOMPARE(form_->Status().TextWidth(), metrics.horizontalAdvance(title));
            model_->play.ScrollPos = 1;
            for (int tick = 0; tick < 3; ++tick) form_->BaseTimerTimer();
            QCOMPARE(Display() != title, metrics.horizontalAdvance(title) > kDisplayWidth);
        }
    }

    void scrollingOffNeverScrolls() {
        MakeForm("USESTRM=0\r\n");
        SetDevice(true, false);
        const std::string title(80, 'W');
        form_->ShowStatus(title, StatusKind::Normal);
        model_->play.ScrollPos = 1;
        for (int tick = 0; tick < 100; ++tick) {
            form_->BaseTimerTimer();
            QCOMPARE(Display().toStdString(), title);
        }
        QCOMPARE(model_->play.ScrollPos, 1);
    }

    void modeStepsBothWaysOnlyWhenStopped_data() {
        QTest::addColumn<int>("playmod");
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("playing");
        QTest::addColumn<bool>("paused");
        QTest::addColumn<QString>("code");
        QTest::newRow("left on LS1") << 1 << int(Qt::LeftButton) << false << false << "2LS";
        QTest::newRow("right on LS0") << 0 << int(Qt::RightButton) << false << false << "ESY";
        QTest::newRow("playing blocks") << 1 << int(Qt::LeftButton) << true << false << "LS1";
        QTest::newRow("paused blocks") << 1 << int(Qt::RightButton) << false << true << "LS1";
    }
    void modeStepsBothWaysOnlyWhenStopped() {
        QFETCH(int, playmod);
        QFETCH(int, button);
        QFETCH(bool, playing);
        QFETCH(bool, paused);
        QFETCH(QString, code);
        MakeForm("PLAYMOD=" + std::to_string(playmod) + "\r\n");
        SetDevice(playing, paused);
        QTest::mousePress(Find("ModeSpeedButton"), Qt::MouseButton(button));
        QTest::mouseRelease(Find("ModeSpeedButton"), Qt::MouseButton(button));
        QCOMPARE(Find<QLabel>("ModeLabel")->text(), code);
        const bool stepped = !playing && !paused;
        QCOMPARE(windows_.calls, stepped ? QStringList{QStringLiteral("Mode%1").arg(model_->settings.PLAYMOD)}
                                         : QStringList{});
    }

    void orderStepsBothWays() {
        MakeForm("RNDMODE=2\r\n");
        SetDevice(true, false);  // the order changes at any time
        auto* rnd = Find("RndSpeedButton");
        auto* info = Find<QLabel>("InfoLabel");
        QCOMPARE(info->text(), QStringLiteral("RND"));  // set while the settings are read
        QStringList forward;
        for (int i = 0; i < 3; ++i) {
            QTest::mouseClick(rnd, Qt::LeftButton);
            forward << info->text();
        }
        QCOMPARE(forward, (QStringList{"NOR", "NEW", "RND"}));
        QStringList backward;
        for (int i = 0; i < 3; ++i) {
            QTest::mousePress(rnd, Qt::RightButton);
            QTest::mouseRelease(rnd, Qt::RightButton);
            backward << info->text();
        }
        QCOMPARE(backward, (QStringList{"NEW", "NOR", "RND"}));
        QCOMPARE(windows_.calls, (QStringList{"Rnd0", "Rnd1", "Rnd2", "Rnd1", "Rnd0", "Rnd2"}));
        QCOMPARE(model_->settings.RNDMODE, RND);
    }

    void droppedFilesAreAcceptedByExtension_data() {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QStringList>("queued");
        QTest::newRow("converter off")
            << QStringList{"a.mid", "b.RCP"} << "USECVS2=0" << QStringList{"a.mid"};
        QTest::newRow("converter on")
            << QStringList{"a.mid", "b.RCP"} << "USECVS2=1" << QStringList{"a.mid", "b.RCP"};
        QTest::newRow(".R is part of .RCP.MCP.R36")
            << QStringList{"c.R"} << "USECVS2=1" << QStringList{"c.R"};
        QTest::newRow("SNG needs its converter")
            << QStringList{"d.sng", "e.MID"} << "USESNG2=0" << QStringList{"e.MID"};
    }
    void droppedFilesAreAcceptedByExtension() {
        QFETCH(QStringList, files);
        QFETCH(QString, keys);
        QFETCH(QStringList, queued);
        MakeForm(keys.toStdString() + "\r\nPLAYMOD=1\r\nSENDRST=0\r\n");
        QList<QUrl> urls;
        for (const QString& f : files) {
            dir_->Write(f.toStdString(), "MThd");
            urls << QUrl::fromLocalFile(QString::fromStdString(dir_->Folder()) + f);
        }
        DropFiles(form_.get(), urls);
        QStringList queue;
        for (const std::string_view path : model_->PlayQueue)
            queue << QString::fromStdString(FileNamePart(std::string(path)));
        QCOMPARE(queue, queued);
        // The first entry plays at once, and the song window lists the queue.
        QCOMPARE(rig_->device.OpenFile(), model_->PlayQueue.front());
        QCOMPARE(model_->play.SavedListMode, 1);
        QCOMPARE(int(model_->settings.PLAYMOD), int(EASY));
        QVERIFY(rig_->songList.shown);
        QCOMPARE(rig_->songList.selected, 0);
    }

    void threeDroppedFilesAreSortedAndNumbered() {
        MakeForm("PLAYMOD=2\r\n");
        const std::string folder = dir_->Folder();
        for (const char* name : {"c.mid", "A.mid", "b.mid"}) dir_->Write(name, "MThd");
        const QList<QUrl> urls{QUrl::fromLocalFile(QString::fromStdString(folder + "c.mid")),
                               QUrl::fromLocalFile(QString::fromStdString(folder + "A.mid")),
                               QUrl::fromLocalFile(QString::fromStdString(folder + "b.mid"))};
        DropFiles(form_.get(), urls);
        QCOMPARE(model_->SongLines,
                 (std::vector<std::string>{"001 " + folder + "A.mid", "002 " + folder + "b.mid",
                                           "003 " + folder + "c.mid"}));
        // In RND order the one generator draws the queue. A second drop keeps the list mode from
        // before the first, for the stop to restore.
        QCOMPARE(model_->play.SavedListMode, 2);
        model_->settings.RNDMODE = RND;
        rig_->scripted.draws = {1, 1, 0};
        DropFiles(form_.get(), urls);
        QCOMPARE(model_->PlayQueue,
                 (std::vector<std::string>{folder + "A.mid", folder + "b.mid", folder + "c.mid"}));
        QCOMPARE(model_->SongLines[0], "001 " + folder + "A.mid");
        QCOMPARE(model_->play.SavedListMode, 2);
    }

    // While the deck stays on top it takes no drops (the settings window shows "無効"); once it no
    // longer does, it takes them again.
    void staysOnTopTakesNoDrops() {
        MakeForm("PLAYMOD=0\r\nVIWFRNT=1\r\n");
        const std::string song = dir_->Write("a.mid", "MThd");
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(song))});
        const QPoint at(100, 30);
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form_.get(), &enter);
        QVERIFY(!enter.isAccepted());
        QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form_.get(), &drop);
        QVERIFY(model_->SongLines.empty());
        QCOMPARE(int(model_->settings.PLAYMOD), int(LIST0));

        model_->settings.VIWFRNT = 0;
        DropFiles(form_.get(), {QUrl::fromLocalFile(QString::fromStdString(song))});
        QCOMPARE(model_->SongLines, (std::vector<std::string>{"001 " + song}));
    }

    // Files handed over (by a second start or the media controls) while the core waits in one of
    // its messages play once the message is closed, not under it.
    void filesHandedOverDuringACoreMessagePlayAfterIt() {
        MakeForm("PLAYMOD=0\r\nSENDRST=0\r\n");
        dir_->Write("KORVA.DT0", "B\t" + dir_->Folder() + "B.mid\t+0\t1\r\n");  // B.mid is missing
        const std::string song = dir_->Write("d.mid", "MThd");
        std::vector<std::string> linesUnderTheMessage{"-"};
        ModalAnswers answers({[&](QDialog* box) {
            form_->PlayLocalFiles({QString::fromStdString(song)});
            linesUnderTheMessage = model_->SongLines.ToStrings();
            box->accept();
        }});
        Find<DeckButton>("PlaySpeedButton")->click();
        QCOMPARE(answers.Answered(), 1u);
        QVERIFY(linesUnderTheMessage.empty() || linesUnderTheMessage.front() != "001 " + song);
        QTRY_COMPARE(model_->SongLines.ToStrings(), std::vector<std::string>{"001 " + song});
        QCOMPARE(rig_->device.OpenFile(), song);
    }

    void nothingPlayableIsRefused() {
        MakeForm();
        model_->PlayQueue = {"kept"};
        ModalAnswers answer;
        DropFiles(form_.get(), {QUrl::fromLocalFile(QString::fromStdString(dir_->Folder() + "notes.txt"))});
        QCOMPARE(answer.texts.value(0),
                 U8("ドラッグ＆ドロップされたファイルはＫＯＲＶＡ９７の再生対象外です"));
        QCOMPARE(model_->PlayQueue, std::vector<std::string>{"kept"});
        QVERIFY(rig_->device.opened.empty());
    }

    void nameShiftJisCannotHoldIsReportedAndTheRestPlays() {
        MakeForm();
        const QString folder = QString::fromStdString(dir_->Folder());
        dir_->Write("ok.mid", "MThd");
        ModalAnswers answer;
        DropFiles(form_.get(), {QUrl::fromLocalFile(folder + QStringLiteral("caf\u00e9.mid")),
                                QUrl::fromLocalFile(folder + QStringLiteral("ok.mid"))});
        QVERIFY2(answer.texts.value(0).startsWith(U8("次の名前には Shift-JIS で表せない文字があるため")) &&
                     answer.texts.value(0).contains(QStringLiteral("caf\u00e9.mid")),
                 qPrintable(answer.texts.value(0)));
        QCOMPARE(model_->PlayQueue, std::vector<std::string>{dir_->Folder() + "ok.mid"});
    }

    void rightPressOnSetUpChoosesAFileToPlay() {
        MakeForm("RNDMODE=2\r\n");
        const std::string chosen = dir_->Write("Song.MID", "MThd");
        QStringList filters;
        bool readOnly = false;
        ModalAnswers answer({[&](QDialog* dialog) {
            auto* files = qobject_cast<QFileDialog*>(dialog);
            QVERIFY(files);
            filters = files->nameFilters();
            readOnly = files->testOption(QFileDialog::ReadOnly);
            Choose(chosen)(dialog);
        }});
        QTest::mousePress(Find("SetUpSpeedButton"), Qt::RightButton);
        QCOMPARE(answer.titles, QStringList{U8("ＭＩＤＩファイルを選択してください")});
        QCOMPARE(filters,
                 (QStringList{"MID File(*.MID)", "RCP File(*.RCP)", "SNG File(*.SNG)", "ALL File(*.*)"}));
        QVERIFY(readOnly);
        QCOMPARE(model_->PlayQueue, std::vector<std::string>{chosen});
        QCOMPARE(model_->SongLines, std::vector<std::string>{"001 " + chosen});
        QCOMPARE(rig_->device.OpenFile(), chosen);
        QCOMPARE(LabelColour(Find<QLabel>("SetUpLabel")), kTeal);
    }

    void cancelledOrUnplayableChoiceChangesNothing() {
        MakeForm();
        {
            ModalAnswers cancel;
            QTest::mousePress(Find("SetUpSpeedButton"), Qt::RightButton);
            QCOMPARE(cancel.titles.size(), 1);
        }
        const std::string chosen = dir_->Write("readme.txt", "text");
        ModalAnswers answers({Choose(chosen), {}});
        QTest::mousePress(Find("SetUpSpeedButton"), Qt::RightButton);
        QCOMPARE(answers.texts.value(1), U8("選択されたファイルはＫＯＲＶＡ９７の再生対象外です"));
        QVERIFY(rig_->device.opened.empty());
        QVERIFY(model_->PlayQueue.empty());
    }

    void backAndNextOnlyWhilePlayingInsideTheQueue_data() {
        QTest::addColumn<bool>("playing");
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("positionAfter");
        QTest::addColumn<bool>("stops");
        QTest::newRow("back on the second") << true << 1 << "BackSpeedButton" << -1 << true;
        QTest::newRow("back on the first") << true << 0 << "BackSpeedButton" << 0 << false;
        QTest::newRow("next on the second") << true << 1 << "NextSpeedButton" << 1 << true;
        QTest::newRow("next on the last") << true << 2 << "NextSpeedButton" << 2 << false;
        QTest::newRow("back while stopped") << false << 2 << "BackSpeedButton" << 2 << false;
        QTest::newRow("next while stopped") << false << 0 << "NextSpeedButton" << 0 << false;
    }
    void backAndNextOnlyWhilePlayingInsideTheQueue() {
        QFETCH(bool, playing);
        QFETCH(int, position);
        QFETCH(QString, button);
        QFETCH(int, positionAfter);
        QFETCH(bool, stops);
        MakeForm();
        model_->PlayQueue = {"a", "b", "c"};
        model_->play.QueuePosition = position;
        SetDevice(playing, false);
        const DeviceMode before = rig_->device.Mode();
        QTest::mouseClick(Find(button.toLatin1().constData()), Qt::LeftButton);
        QCOMPARE(model_->play.QueuePosition, positionAfter);
        // Only the device stops; its notice, once delivered, plays the entry at the new position.
        QCOMPARE(rig_->device.Mode(), stops ? DeviceMode::Stopped : before);
    }

    void displayLabelsLightWhileHeld_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("label");
        QTest::addColumn<int>("mouse");
        QTest::addColumn<quint32>("held");
        QTest::addColumn<quint32>("released");
        QTest::newRow("back") << "BackSpeedButton"
                              << "BackLabel" << int(Qt::LeftButton) << quint32(kLime) << quint32(kTeal);
        QTest::newRow("next, middle")
            << "NextSpeedButton"
            << "NextLabel" << int(Qt::MiddleButton) << quint32(kLime) << quint32(kTeal);
        QTest::newRow("stop") << "StopSpeedButton"
                              << "StopLabel" << int(Qt::LeftButton) << quint32(kLime) << quint32(kTeal);
        QTest::newRow("stop, right") << "StopSpeedButton"
                                     << "StopLabel" << int(Qt::RightButton) << quint32(kTeal)
                                     << quint32(kTeal);
        QTest::newRow("set up stays lit")
            << "SetUpSpeedButton"
            << "SetUpLabel" << int(Qt::LeftButton) << quint32(kLime) << quint32(kLime);
        QTest::newRow("up") << "UpLabel"
                            << "UpLabel" << int(Qt::LeftButton) << quint32(kRed) << quint32(kBlack);
        QTest::newRow("down, right") << "DownLabel"
                                     << "DownLabel" << int(Qt::RightButton) << quint32(kRed)
                                     << quint32(kBlack);
    }
    void displayLabelsLightWhileHeld() {
        QFETCH(QString, button);
        QFETCH(QString, label);
        QFETCH(int, mouse);
        QFETCH(quint32, held);
        QFETCH(quint32, released);
        MakeForm();
        form_->ShowVolumeControls();
        auto* control = Find(button.toLatin1().constData());
        auto* display = Find<QLabel>(label.toLatin1().constData());
        QTest::mousePress(control, Qt::MouseButton(mouse));
        QCOMPARE(LabelColour(display), held);
        QTest::mouseRelease(control, Qt::MouseButton(mouse));
        QCOMPARE(LabelColour(display), released);
        if (label == QStringLiteral("SetUpLabel")) {
            QCOMPARE(windows_.calls, (QStringList{"Load", "ShowSettings"}));
            form_->SettingsWindowClosed();
            QCOMPARE(LabelColour(display), kTeal);
        }
    }

    void pressesOpenOtherWindows_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QStringList>("calls");
        QTest::newRow("back: list 0")
            << "BackSpeedButton" << QStringList{"ListPage0", "Load", "ShowSettings"};
        QTest::newRow("next: list 1")
            << "NextSpeedButton" << QStringList{"ListPage1", "Load", "ShowSettings"};
        QTest::newRow("play: search")
            << "PlaySpeedButton" << QStringList{"SearchPage", "Load", "ShowSettings", "FocusFind"};
        QTest::newRow("minimise: remote") << "IcoSpeedButton" << QStringList{"Remote"};
        QTest::newRow("display, left: song window") << "DispLabel" << QStringList{};
    }
    void pressesOpenOtherWindows() {
        QFETCH(QString, button);
        QFETCH(QStringList, calls);
        MakeForm();
        const auto mouse = button == QStringLiteral("DispLabel") ? Qt::LeftButton : Qt::RightButton;
        QTest::mouseClick(Find(button.toLatin1().constData()), mouse);
        QCOMPARE(windows_.calls, calls);
        QCOMPARE(rig_->songList.shown, button == QStringLiteral("DispLabel"));
        QCOMPARE(rig_->device.playCalls, 0);
    }

    void titleBarTogglesAndMinimiseKeyIconifies() {
        MakeForm();
        form_->show();
        form_->move(40, 50);
        SetDevice(true, false);
        const int plays = rig_->device.playCalls;
        QTest::mouseClick(Find("BarSpeedButton"), Qt::LeftButton);
        QVERIFY(!form_->windowFlags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(form_->isVisible());
        QCOMPARE(form_->size(), QSize(309, 75));
        QTest::mouseClick(Find("BarSpeedButton"), Qt::LeftButton);
        QVERIFY(form_->windowFlags().testFlag(Qt::FramelessWindowHint));
        QCOMPARE(rig_->device.playCalls, plays + 2);  // the device is told to play again each time
        QTest::mouseClick(Find("IcoSpeedButton"), Qt::LeftButton);
        QVERIFY(form_->isMinimized());
    }

    void powerStoresThePositionAndQuits_data() {
        QTest::addColumn<bool>("posctrl");
        QTest::newRow("manual position") << false;
        QTest::newRow("fixed position") << true;
    }
    void powerStoresThePositionAndQuits() {
        QFETCH(bool, posctrl);
        MakeForm(posctrl ? "POSCTRL=1\r\n" : "");
        form_->show();
        form_->move(123, 45);
        const std::string before = dir_->Exists("KORVA.INI") ? dir_->Read("KORVA.INI") : std::string();
        QTest::mouseClick(Find("PowSpeedButton"), Qt::LeftButton);
        QVERIFY(!form_->isVisible());
        if (posctrl) {
            QCOMPARE(dir_->Read("KORVA.INI"), before);
        } else {
            const QString ini = QString::fromStdString(dir_->Read("KORVA.INI"));
            QVERIFY2(ini.contains(QStringLiteral("[POS00]")) && ini.contains(QStringLiteral("MANHPOS=123")) &&
                         ini.contains(QStringLiteral("MANVPOS=45")),
                     qPrintable(ini));
        }
    }

    void powerQuitsEvenWhenThePositionCannotBeWritten() {
        MakeForm();
        std::filesystem::create_directory(dir_->Path() / "KORVA.INI");  // no file can replace a folder
        form_->show();
        ModalAnswers answer;
        QTest::mouseClick(Find("PowSpeedButton"), Qt::LeftButton);
        const QString ini = QString::fromStdString(dir_->Folder()) + QStringLiteral("KORVA.INI");
        QCOMPARE(answer.texts.value(0),
                 ini + U8(" に書き込めません\nファイル ") + ini + U8(" を読み込めません（フォルダです）"));
        QVERIFY(!form_->isVisible());
    }

    // KORVA.INI is a FIFO: the deck comes up at once with every default and says on its status line
    // what the settings file is (a message box would hold an unattended start).
    void settingsFileThatIsAFifoIsNamedOnTheStatusLine() {
        const std::string ini = dir_->Folder() + "KORVA.INI";
        QVERIFY(testing::MakeFifo(ini));
        {
            const testing::FifoRelease watch({ini});
            MakeForm();
            QVERIFY(!watch.Released());
        }
        form_->show();
        QCOMPARE(model_->settings.PLAYMOD, Settings{}.PLAYMOD);
        QCOMPARE(Display(), U8("ファイル ") + QString::fromStdString(ini) +
                                U8(" を読み込めません（名前付きパイプです）"));
    }

    void rightPressOnPowerSavesAllSettings() {
        MakeForm("PLAYMOD=2\r\n");
        form_->show();
        model_->settings.CYCMODE = 1;
        ModalAnswers answer;
        QTest::mousePress(Find("PowSpeedButton"), Qt::RightButton);
        QCOMPARE(answer.texts.value(0), U8("各種の設定を保存しました"));
        const QString ini = QString::fromStdString(dir_->Read("KORVA.INI"));
        QVERIFY2(ini.contains(QStringLiteral("CYCMODE=1")) && ini.contains(QStringLiteral("PLAYMOD=2")),
                 qPrintable(ini));
        QVERIFY(form_->isVisible());
    }

    void autoStartPressesPlayOnceItsTimeHasCome() {
        const std::string song = dir_->Write("A.mid", "MThd");
        dir_->Write("KORVA.DT0", "A\t" + song + "\t+0\t1\r\n");
        MakeForm("ATSTART=1\r\nPLAYMOD=0\r\nSENDRST=0\r\n");
        auto* openTimer = form_->findChild<QTimer*>(QStringLiteral("OpenTimer"));
        QVERIFY(openTimer);
        QVERIFY(openTimer->isActive());
        QCOMPARE(openTimer->interval(), 4000);
        QCOMPARE(Display(), QStringLiteral(".. Auto Start(3sec)"));
        QVERIFY(Find<QLabel>("DispLabel")->font().italic());
        form_->OpenTimerTimer();
        QVERIFY(!openTimer->isActive());
        QCOMPARE(rig_->device.OpenFile(), song);
    }

    void noAutoStartInEasyMode() {
        MakeForm("ATSTART=1\r\nPLAYMOD=5\r\n");
        QVERIFY(!form_->findChild<QTimer*>(QStringLiteral("OpenTimer"))->isActive());
        QVERIFY(!Display().startsWith(QStringLiteral("..")));
    }

    void placement_data() {
        QTest::addColumn<std::string>("keys");
        QTest::addColumn<QPoint>("expected");  // negative: from the right and bottom screen edges
        QTest::newRow("remembered position")
            << std::string("[POS00]\r\nMANHPOS=100\r\nMANVPOS=100\r\n") << QPoint(100, 100);
        QTest::newRow("fixed position wins") << std::string(
                                                    "POSCTRL=1\r\nFIXDPOS=8\r\nADJUSTH=10\r\nADJUSTV=20\r\n"
                                                    "[POS00]\r\nMANHPOS=100\r\nMANVPOS=100\r\n")
                                             << QPoint(-309 - 10, -75 - 20);
    }
    void placement() {
        QFETCH(std::string, keys);
        QFETCH(QPoint, expected);
        MakeForm(keys);
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        if (expected.x() < 0)
            expected += QPoint(screen.width(), screen.height());
        QCOMPARE(form_->pos(), screen.topLeft() + expected);
    }

    void activationSetsTheVolumeBar_data() {
        QTest::addColumn<QString>("initvol");
        QTest::addColumn<int>("bar");
        QTest::newRow("B") << "BFFFBFFF" << 7;
        QTest::newRow("0") << "0FFF0FFF" << 0;
        QTest::newRow("lower-case b") << "bFFFbFFF" << 0;
        QTest::newRow("5") << "5FFF5FFF" << 4;
        QTest::newRow("F") << "FFFFFFFF" << 9;
    }
    void activationSetsTheVolumeBar() {
        QFETCH(QString, initvol);
        QFETCH(int, bar);
        MakeForm("INITVOL=" + initvol.toStdString() + "\r\nVIWFRNT=1\r\n");
        form_->show();
        form_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form_.get()));
        QCOMPARE(Find<QScrollBar>("VolScrollBar")->value(), bar);
        QVERIFY(form_->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(windows_.calls.contains(QStringLiteral("DD-off")));
        QCOMPARE(!rig_->output.set.empty(), bar != 0);  // a moved bar sets the base level
    }

    void panelsDragTheWindow_data() {
        QTest::addColumn<QString>("surface");
        QTest::newRow("left side") << "SideLImage";
        QTest::newRow("right side") << "SideRImage";
        QTest::newRow("body") << "Panel1";
        QTest::newRow("display") << "Panel2";
    }
    void panelsDragTheWindow() {
        QFETCH(QString, surface);
        MakeForm("DELUXED=1\r\n");
        form_->show();
        form_->move(200, 150);
        QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
        auto* panel = Find(surface.toLatin1().constData());
        const QPoint grip(4, 3);
        QTest::mousePress(panel, Qt::LeftButton, {}, grip);
        QMouseEvent move(QEvent::MouseMove, QPointF(grip + QPoint(20, 30)),
                         panel->mapToGlobal(QPointF(grip + QPoint(20, 30))), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(panel, &move);
        QTest::mouseRelease(panel, Qt::LeftButton, {}, grip + QPoint(20, 30));
        QCOMPARE(form_->pos(), QPoint(220, 180));
    }

    void hintsAppearBesideTheCursor_data() {
        QTest::addColumn<bool>("hints");
        QTest::newRow("hints on") << true;
        QTest::newRow("hints off") << false;
    }
    void hintsAppearBesideTheCursor() {
        QFETCH(bool, hints);
        MakeForm(hints ? "USEHNT1=1\r\n" : "USEHNT1=0\r\n");
        form_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
        auto* play = Find("PlaySpeedButton");
        const QPoint cursor = play->mapToGlobal(QPoint(5, 5));
        QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), cursor);
        QApplication::sendEvent(play, &help);
        QCOMPARE(play->accessibleDescription(), U8("再生開始、PAUSE解除をします"));
        if (!hints) {
            QVERIFY(!QToolTip::isVisible());
            return;
        }
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), U8("再生開始、PAUSE解除をします"));
        QWidget* tip = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->inherits("QTipLabel") && w->isVisible())
                tip = w;
        QVERIFY(tip);
        QCOMPARE(tip->pos(), cursor + QPoint(20, 20));
    }

    void displayFontHoldsEveryJapaneseText() {
        MakeForm();
        QStringList texts;
        for (QWidget* w : form_->findChildren<QWidget*>())
            texts << w->accessibleDescription() << w->accessibleName();
        for (int day = 1; day <= 7; ++day) texts << QLocale().dayName(day);
        texts << U8("ドラッグ＆ドロップされたファイルはＫＯＲＶＡ９７の再生対象外です")
              << U8("選択されたファイルはＫＯＲＶＡ９７の再生対象外です") << U8(".. 音量制御できません")
              << U8("ＭＩＤＩファイルを選択してください") << U8("KORVA.INI に書き込めません")
              << FromSjis(ScrollBanner());
        const QRawFont display = QRawFont::fromFont(Find("DispLabel")->font());
        QVERIFY(display.isValid());
        const QFontMetrics hints(QToolTip::font());
        QStringList missing;
        for (const QString& text : texts) {
            for (const char32_t c : text.toUcs4()) {
                if (c < 0x80)
                    continue;
                if (!display.supportsCharacter(c))
                    missing << QStringLiteral("display: %1 in %2").arg(QString::fromUcs4(&c, 1), text);
                if (!hints.inFontUcs4(c))
                    missing << QStringLiteral("hint: %1 in %2").arg(QString::fromUcs4(&c, 1), text);
            }
        }
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QLatin1Char('\n'))));
    }

    // Pictures of both designs for the documentation: KORVA_GRAB_DIR names the folder.
    void grabDeck() {
        const QString folder = qEnvironmentVariable("KORVA_GRAB_DIR");
        if (folder.isEmpty())
            QSKIP("KORVA_GRAB_DIR not set");
        for (const auto& [deluxed, file] :
             {std::pair{0, "deck-standard.png"}, std::pair{1, "deck-deluxe.png"}}) {
            form_.reset();
            MakeForm("DELUXED=" + std::to_string(deluxed) + "\r\nPLAYMOD=0\r\nRNDMODE=2\r\n");
            form_->SetPlayLabelLit(true);
            form_->ShowStatus(Sjis("!1 ジムノペディ 第1番 /No.3"), StatusKind::Normal);
            if (deluxed)
                form_->ShowVolumeControls();
            form_->show();
            QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
            QVERIFY(form_->grab().save(QDir(folder).filePath(QLatin1String(file))));
        }
    }
};

}  // namespace korva

QTEST_MAIN(korva::TMainFormTest)
#include "TMainFormTest.moc"
