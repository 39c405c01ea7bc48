#include "ui/TSetUpDlg.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QTabWidget>
#include <QToolButton>
#include <QtTest>
#include <filesystem>
#include <memory>

#include "app/SettingsFile.h"
#include "support/JukeboxRig.h"
#include "support/QtTestSupport.h"
#include "support/SettingsWindowRig.h"
#include "support/TempDir.h"
#include "text/Encoding.h"
#include "ui/DocumentViewer.h"
#include "ui/QtText.h"
#include "ui/TBadDlg.h"
#include "ui/TVerDlg.h"
#include "ui/TViewDlg.h"

namespace korva {
namespace {

using testing::Choose;
using testing::Find;
using testing::ModalAnswers;
using testing::Program;
using testing::TempDir;
using testing::U8;

QRadioButton* Item(QWidget& window, const char* group, int index) {
    return Find<QGroupBox>(window, group)->findChildren<QRadioButton*>().at(index);
}

// Clicks where the user would: a check box or radio button on its indicator, other buttons in the middle.
void Click(QAbstractButton* button) {
    const bool indicator = qobject_cast<QCheckBox*>(button) || qobject_cast<QRadioButton*>(button);
    QTest::mouseClick(button, Qt::LeftButton, {}, indicator ? QPoint(6, button->height() / 2) : QPoint());
}

// Selects all of a field's text and deletes it, as the user would.
void ClearField(QLineEdit* edit) {
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Backspace);
}

// Japanese text arrives from the input method as committed text.
void TypeJapanese(QLineEdit* edit, const QString& text) {
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(edit, &event);
}

QColor CaptionColour(QAbstractButton* button) {
    return button->palette().color(QPalette::ButtonText);
}

}  // namespace

class TSetUpDlgTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<TempDir> dir_;
    std::unique_ptr<Program> program_;

    // The program starts over a KORVA.INI with these [KORVA] lines; the window is opened as the SET
    // button opens it.
    Program& Open(const std::string& korvaKeys = {}) {
        if (!korvaKeys.empty())
            dir_->Write("KORVA.INI", "[KORVA]\r\n" + korvaKeys);
        program_ = std::make_unique<Program>(*dir_);
        program_->window.LoadSettingsWindow();
        program_->window.ShowSettingsWindow();
        return *program_;
    }

  private slots:
    void init() { dir_ = std::make_unique<TempDir>(); }

    void cleanup() {
        program_.reset();
        QCOMPARE(testing::WindowsLeftBehind(), QStringList());
        dir_.reset();
    }

    void CreationShapesTheWindow_data() {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<bool>("hints");
        QTest::newRow("hints") << "" << true;
        QTest::newRow("no hints") << "USEHNT2=0\r\n" << false;
    }
    void CreationShapesTheWindow() {
        QFETCH(QString, keys);
        QFETCH(bool, hints);
        if (!keys.isEmpty())
            dir_->Write("KORVA.INI", "[KORVA]\r\n" + keys.toStdString());
        program_ = std::make_unique<Program>(*dir_);
        TSetUpDlg& w = program_->window;
        QVERIFY(!w.isVisible());
        QCOMPARE(w.windowTitle(), U8("KORVA97の設定"));
        auto* pages = Find<QTabWidget>(w, "KorvaSet");
        const QStringList captions = {U8("  基本の設定  "), U8("  リスト０編集  "), U8("  リスト１編集  "),
                                      U8("  高度な設定  "), U8("  リストの検索  "), U8("音源")};
        QCOMPARE(pages->count(), captions.size());
        for (int i = 0; i < pages->count(); ++i) {
            QCOMPARE(pages->tabText(i), captions[i]);
            QCOMPARE(pages->widget(i)->objectName(), QStringLiteral("KorvaSet%1").arg(i));
        }
        QCOMPARE(pages->currentIndex(), 0);
        // All six tabs fit side by side. The window keeps its size unless they need more width, and
        // then it grows by no more than they need.
        w.layout()->activate();
        QVERIFY(pages->tabBar()->tabRect(pages->count() - 1).right() < pages->width());
        QCOMPARE(w.height(), 407);
        QVERIFY(w.width() >= 473);
        if (w.width() > 473)
            QVERIFY(pages->width() - pages->tabBar()->sizeHint().width() <= 4);
        // Hints of every page and the mode panel follow USEHNT2; accessible texts are always there.
        const auto hint = [&](const char* name) { return Find(w, name)->toolTip(); };
        QCOMPARE(hint("EasyRadioButton"), hints ? U8("リストを使用しない") : QString());
        QCOMPARE(hint("SaveBitBtn"), hints ? U8("「基本の設定」「高度な設定」を保存する") : QString());
        QCOMPARE(hint("Ctrl1Button"), hints ? U8("新曲マーク(!1,!2,!3)を制御する") : QString());
        QCOMPARE(hint("K97Panel"),
                 hints ? U8("クリックで「ＫＯＲＶＡ９７について」をオープンします") : QString());
        QCOMPARE(Find(w, "Pro31SpeedButton")->accessibleDescription(),
                 U8("リスト0/1の切り替え時刻を設定する"));
        QCOMPARE(Find(w, "RefBitBtn")->accessibleName(), U8("参照"));
        QCOMPARE(Find(w, "List0DirEdit")->accessibleName(), U8("リスト０追加で最初に開くフォルダ"));
        QCOMPARE(Find(w, "AdjustVScrollBar")->accessibleName(), U8("垂直微調"));
        QCOMPARE(Find<QToolButton>(w, "Rnd1SpeedButton")->text(), U8("新曲優先"));
        QCOMPARE(Find<QPushButton>(w, "Ctrl0Button")->text(), U8("！制御  "));
        QCOMPARE(Find<QGroupBox>(w, "FixdRadioGroup")->title(), U8(" 画面表示位置の指定 "));
        QCOMPARE(Item(w, "FixdRadioGroup", 5)->text(), U8("中下"));
        QCOMPARE(Item(w, "DesignRadioGroup", 1)->text(), U8("デラックス  "));
        QCOMPARE(Find<QLabel>(w, "DDPanel")->text(), U8("有効"));
        // The viewer buttons start disabled.
        for (const char* name : {"TxtButton0", "DocButton1"}) QVERIFY2(!Find(w, name)->isEnabled(), name);
        for (const char* name :
             {"Man0Button", "Auto1Button", "Edit0Button", "Del0Button", "Mon1Button", "Ctrl0Button"})
            QVERIFY2(Find(w, name)->isEnabled(), name);
        // Every control the window names exists.
        for (const char* name : {"ModePanel",          "ProgRadioButton",  "List0RadioButton",
                                 "List1RadioButton",   "List2RadioButton", "ArtsRadioButton",
                                 "Cyc0SpeedButton",    "Cyc1SpeedButton",  "Rnd0SpeedButton",
                                 "Rnd2SpeedButton",    "CloseBitBtn",      "List1DirEdit",
                                 "EditorEdit",         "PosCheckBox",      "AdjustHScrollBar",
                                 "AdjustHPanel",       "AdjustVPanel",     "Pro00SpeedButton",
                                 "Pro51SpeedButton",   "ResetRadioGroup",  "ViewCheckBox",
                                 "VolCheckBox",        "FrontCheckBox",    "ClockCheckBox",
                                 "StreemCheckBox",     "HintCheckBox",     "Hint2CheckBox",
                                 "DesignRadioGroup",   "StartRadioGroup",  "GoticRadioButton",
                                 "MinchyoRadioButton", "FontScrollBar",    "FontPanel",
                                 "Play0RadioButton",   "Play1RadioButton", "IntroBitBtn",
                                 "IntroScrollBar",     "IntroPanel",       "CloseCheckBox",
                                 "CloseScrollBar",     "ClosePanel",       "UseKnifCheckBox",
                                 "KnifeEdit",          "SpeedButton2",     "Btn1Edit",
                                 "Param1Edit",         "Btn2Edit",         "Param2Edit",
                                 "UseCVS2CheckBox",    "UseSNG2CheckBox",  "UseMM2SCheckBox",
                                 "List0ListBox",       "List1ListBox",     "Name0Edit",
                                 "Path1Edit",          "Feel0RadioGroup",  "Vol1ScrollBar",
                                 "Vol0Panel",          "Count1Panel",      "Edit0Button",
                                 "Mon1Button",         "Copy0BitBtn",      "FindEdit",
                                 "ClearButton",        "MsgLabel",         "Find0Panel",
                                 "Find1Panel",         "Find0ListBox",     "Find1ListBox",
                                 "FindMonEdit",        "K97Label"})
            Find(w, name);
        // Creation applies the list font, here and in the other windows.
        QCOMPARE(Find<QListView>(program_->song, "ViewListBox")->font().pointSize(), 11);
        QVERIFY(Find<QRadioButton>(w, "GoticRadioButton")->isChecked());
        QCOMPARE(Find<QLabel>(w, "FontPanel")->text(), QStringLiteral("11"));
    }

    void OpeningFillsEveryControl() {
        Program& p = Open(
            "PLAYMOD=1\r\nRNDMODE=2\r\nCYCMODE=1\r\nADJUSTH=12\r\nADJUSTV=250\r\nFIXDPOS=7\r\nSENDRST=3\r\n"
            "EDTPATH=/usr/bin/less\r\nSMFBTN2=" +
            Sjis("遅く") +
            "\r\nLST0DIR=/"
            "m\r\nVIWFRNT=1\r\nUSECLOK=0\r\nDELUXED=1\r\nATSTART=2\r\nAUTOCLS=1\r\nCLSTIME=45\r\n"
            "USEMM2S=1\r\nPROGRM1=1\r\nPROGRM2=1\r\nPROGRM4=7\r\n");
        TSetUpDlg& w = p.window;
        QVERIFY(w.isVisible());
        QVERIFY(Find<QRadioButton>(w, "List1RadioButton")->isChecked());
        QVERIFY(Find<QToolButton>(w, "Rnd2SpeedButton")->isChecked());
        QVERIFY(Find<QToolButton>(w, "Cyc1SpeedButton")->isChecked());
        QCOMPARE(Find<QScrollBar>(w, "AdjustHScrollBar")->value(), 12);
        QCOMPARE(Find<QLabel>(w, "AdjustHPanel")->text(), QStringLiteral("12"));
        QCOMPARE(Find<QLabel>(w, "AdjustVPanel")->text(), QStringLiteral("200"));  // the bar's end
        QVERIFY(Item(w, "FixdRadioGroup", 7)->isChecked());
        QVERIFY(Item(w, "ResetRadioGroup", 3)->isChecked());
        QCOMPARE(Find<QLineEdit>(w, "EditorEdit")->text(), QStringLiteral("/usr/bin/less"));
        QCOMPARE(Find<QLineEdit>(w, "Btn2Edit")->text(), U8("遅く"));
        QCOMPARE(Find<QLineEdit>(w, "List0DirEdit")->text(), QStringLiteral("/m/"));
        QVERIFY(Find<QCheckBox>(w, "FrontCheckBox")->isChecked());
        QCOMPARE(Find<QLabel>(w, "DDPanel")->text(), U8("無効"));
        QVERIFY(!Find<QCheckBox>(w, "ClockCheckBox")->isChecked());
        QVERIFY(Find<QCheckBox>(w, "ViewCheckBox")->isChecked());
        QVERIFY(Item(w, "DesignRadioGroup", 1)->isChecked());
        QVERIFY(Item(w, "StartRadioGroup", 2)->isChecked());
        QCOMPARE(Find<QLabel>(w, "IntroPanel")->text(), QStringLiteral("30"));
        QVERIFY(Find<QCheckBox>(w, "CloseCheckBox")->isChecked());
        QVERIFY(Find<QCheckBox>(w, "UseMM2SCheckBox")->isChecked());
        QVERIFY(!Find<QCheckBox>(w, "UseKnifCheckBox")->isChecked());
        QCOMPARE(Find<QScrollBar>(w, "CloseScrollBar")->value(), 45);
        QCOMPARE(Find<QLabel>(w, "ClosePanel")->text(), QStringLiteral("45"));
        // Bands 1 and 2 play list 1, band 4's value names no list and presses neither button.
        for (int band = 0; band < 6; ++band) {
            const bool list1 = band == 1 || band == 2;
            auto* button0 = Find<QToolButton>(
                w, QStringLiteral("Pro%1%2SpeedButton").arg(band).arg(0).toLatin1().constData());
            auto* button1 = Find<QToolButton>(
                w, QStringLiteral("Pro%1%2SpeedButton").arg(band).arg(1).toLatin1().constData());
            QCOMPARE(button0->isChecked(), band != 4 && !list1);
            QCOMPARE(button1->isChecked(), list1);
            if (band != 4) {
                QCOMPARE(CaptionColour(list1 ? button1 : button0), QColor(Qt::red));
                QCOMPARE(CaptionColour(list1 ? button0 : button1), QColor(Qt::black));
            }
        }
        QCOMPARE(Find<QToolButton>(w, "Pro50SpeedButton")->text(), QStringLiteral("22..06"));
        QCOMPARE(Find<QToolButton>(w, "Pro51SpeedButton")->text(), QStringLiteral("22..06"));
        QCOMPARE(Find<QToolButton>(w, "Pro20SpeedButton")->text(), QStringLiteral("12..13"));
        // The fill ran the change actions: a bar held at its end stores what it shows; the mode was
        // confirmed without stopping anything; no message about dropping appeared.
        QCOMPARE(p.model.settings.ADJUSTV, 200);
        QCOMPARE(p.model.settings.PROGRM[4], 7);
        QVERIFY(!p.host.calls.contains(QStringLiteral("Stop")));
        QVERIFY(p.host.calls.contains(QStringLiteral("ModeLabel1")));
        QVERIFY(p.host.calls.contains(QStringLiteral("OnTop")));
        QVERIFY(p.messages.shown.isEmpty());
    }

    void OutOfRangeValuesSelectNothingAndStayAsTheyAre() {
        Program& p = Open("FIXDPOS=9\r\nSENDRST=4\r\nRNDMODE=3\r\nATSTART=5\r\n");
        for (const char* group : {"FixdRadioGroup", "ResetRadioGroup", "StartRadioGroup"}) {
            for (QRadioButton* item : Find<QGroupBox>(p.window, group)->findChildren<QRadioButton*>())
                QVERIFY2(!item->isChecked(), group);
        }
        for (const char* name : {"Rnd0SpeedButton", "Rnd1SpeedButton", "Rnd2SpeedButton"})
            QVERIFY(!Find<QToolButton>(p.window, name)->isChecked());
        QCOMPARE(p.model.settings.FIXDPOS, 9);
        QCOMPARE(p.model.settings.SENDRST, 4);
        QCOMPARE(p.model.settings.RNDMODE, 3);
        QCOMPARE(p.model.settings.ATSTART, 5);
    }

    void ModeRadioButtons_data() {
        QTest::addColumn<int>("playmod");
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("stops");
        QTest::addColumn<int>("after");
        QTest::newRow("the mode in force") << 0 << "List0RadioButton" << false << 0;
        QTest::newRow("another mode") << 0 << "ProgRadioButton" << true << 3;
        QTest::newRow("EASY from ARTS") << 4 << "EasyRadioButton" << true << 5;
        QTest::newRow("2LIST") << 5 << "List2RadioButton" << true << 2;
    }
    void ModeRadioButtons() {
        QFETCH(int, playmod);
        QFETCH(QString, button);
        QFETCH(bool, stops);
        QFETCH(int, after);
        Program& p = Open("PLAYMOD=" + std::to_string(playmod) + "\r\n");
        p.host.calls.clear();
        Click(Find<QRadioButton>(p.window, button.toLatin1().constData()));
        QCOMPARE(p.model.settings.PLAYMOD, after);
        QCOMPARE(p.host.calls.contains(QStringLiteral("Stop")), stops);
        if (stops)
            QCOMPARE(p.host.calls,
                     QStringList({QStringLiteral("Stop"), QStringLiteral("ModeLabel%1").arg(after)}));
    }

    void OrderAndCycleButtonsSetTheirKeys() {
        Program& p = Open();
        p.host.calls.clear();
        Click(Find<QToolButton>(p.window, "Rnd1SpeedButton"));
        Click(Find<QToolButton>(p.window, "Cyc1SpeedButton"));
        QCOMPARE(p.model.settings.RNDMODE, NEW);
        QCOMPARE(p.model.settings.CYCMODE, 1);
        // The deck's order label follows; nothing else happens.
        QCOMPARE(p.host.calls, QStringList(QStringLiteral("OrderLabel1")));
        QVERIFY(!Find<QToolButton>(p.window, "Cyc0SpeedButton")->isChecked());
        // The deck's order button presses the window's button and nothing else.
        p.window.PressOrderButton(2);
        QVERIFY(Find<QToolButton>(p.window, "Rnd2SpeedButton")->isChecked());
        QCOMPARE(p.model.settings.RNDMODE, NEW);
    }

    void TimeBandCaptions_data() {
        QTest::addColumn<QString>("timband");
        QTest::addColumn<QStringList>("captions");
        QTest::newRow("default") << "060912131722"
                                 << QStringList{"06..09", "09..12", "12..13", "13..17", "17..22", "22..06"};
        QTest::newRow("11 characters")
            << "06091213172" << QStringList{"??..??", "??..??", "??..??", "??..??", "??..??", "??..??"};
        QTest::newRow("13 characters")
            << "0609121317220" << QStringList{"??..??", "??..??", "??..??", "??..??", "??..??", "??..??"};
    }
    void TimeBandCaptions() {
        QFETCH(QString, timband);
        QFETCH(QStringList, captions);
        Program& p = Open("TIMBAND=" + timband.toStdString() + "\r\n");
        for (int band = 0; band < 6; ++band) {
            for (int list = 0; list < 2; ++list) {
                auto* button = Find<QToolButton>(
                    p.window,
                    QStringLiteral("Pro%1%2SpeedButton").arg(band).arg(list).toLatin1().constData());
                QCOMPARE(button->text(), captions[band]);
            }
        }
    }

    void TimeBandButtonsChooseTheListOfTheirBand() {
        Program& p = Open();
        auto* list0 = Find<QToolButton>(p.window, "Pro30SpeedButton");
        auto* list1 = Find<QToolButton>(p.window, "Pro31SpeedButton");
        QVERIFY(list0->isChecked());
        Click(list1);
        QCOMPARE(p.model.settings.PROGRM[3], 1);
        QVERIFY(list1->isChecked());
        QVERIFY(!list0->isChecked());
        QCOMPARE(CaptionColour(list1), QColor(Qt::red));
        QCOMPARE(CaptionColour(list0), QColor(Qt::black));
        QVERIFY(Find<QToolButton>(p.window, "Pro20SpeedButton")->isChecked());  // the other bands stay
        Click(list0);
        QCOMPARE(p.model.settings.PROGRM[3], 0);
        QCOMPARE(CaptionColour(list0), QColor(Qt::red));
    }

    void ListFoldersAreStoredWithADelimiter() {
        Program& p = Open("LST1DIR=/old\r\n");
        auto* list0 = Find<QLineEdit>(p.window, "List0DirEdit");
        QTest::keyClicks(list0, QStringLiteral("/home/u/midi"));
        QCOMPARE(list0->text(), QStringLiteral("/home/u/midi"));
        QCOMPARE(p.model.settings.LST0DIR, "/home/u/midi/");
        auto* list1 = Find<QLineEdit>(p.window, "List1DirEdit");
        QCOMPARE(list1->text(), QStringLiteral("/old/"));
        ClearField(list1);
        QCOMPARE(p.model.settings.LST1DIR, "");
        QTest::keyClicks(Find<QLineEdit>(p.window, "Param2Edit"), QStringLiteral("b.cfg"));
        QCOMPARE(p.model.settings.SMFPRM2, "b.cfg");
    }

    void BrowseButtonServesTheFieldPressedLast() {
        Program& p = Open();
        TSetUpDlg& w = p.window;
        const std::string folder = dir_->Folder() + "songs";
        std::filesystem::create_directory(folder);
        const std::string viewer = dir_->Write("viewer", "#!/bin/sh\n");
        p.model.LastFolder = "/somewhere/";
        {
            // Before any field was pressed: a folder is chosen for no field.
            ModalAnswers answers({Choose(folder)});
            Click(Find<QPushButton>(w, "RefBitBtn"));
            QCOMPARE(answers.Answered(), std::size_t{1});
        }
        QCOMPARE(p.model.LastFolder, folder + "/");
        for (const char* name : {"List0DirEdit", "List1DirEdit", "EditorEdit", "KnifeEdit"})
            QVERIFY(Find<QLineEdit>(w, name)->text().isEmpty());
        QCOMPARE(p.model.settings.LST0DIR, "");

        auto* list1 = Find<QLineEdit>(w, "List1DirEdit");
        QTest::keyClicks(list1, QStringLiteral("/typed"));
        QTest::mouseClick(list1, Qt::LeftButton);
        QCOMPARE(list1->selectedText(), QStringLiteral("/typed"));
        {
            ModalAnswers answers({Choose(folder)});
            Click(Find<QPushButton>(w, "RefBitBtn"));
        }
        QCOMPARE(list1->text(), QString::fromStdString(folder + "/"));
        QCOMPARE(p.model.settings.LST1DIR, folder + "/");

        QTest::mouseClick(Find<QLineEdit>(w, "EditorEdit"), Qt::LeftButton);
        {
            ModalAnswers answers({Choose(viewer)});
            Click(Find<QPushButton>(w, "RefBitBtn"));
            QCOMPARE(answers.titles, QStringList{U8("ドキュメント閲覧ツールを選択してください")});
        }
        QCOMPARE(p.model.settings.EDTPATH, viewer);
        QCOMPARE(Find<QLineEdit>(w, "EditorEdit")->text(), QString::fromStdString(viewer));

        // A cancelled dialog changes nothing.
        {
            ModalAnswers cancel;
            Click(Find<QPushButton>(w, "RefBitBtn"));
        }
        QCOMPARE(p.model.settings.EDTPATH, viewer);
        QVERIFY(p.messages.shown.isEmpty());
    }

    void KnifeBrowseButtonFillsTheKnifePath() {
        Program& p = Open();
        const std::string knife = dir_->Write("knife", "#!/bin/sh\n");
        {
            ModalAnswers answers({Choose(knife)});
            Click(Find<QPushButton>(p.window, "SpeedButton2"));
            QCOMPARE(answers.titles, QStringList{U8("ＳＭＦナイフを選択してください")});
        }
        QCOMPARE(p.model.settings.SMFPATH, knife);
        QCOMPARE(Find<QLineEdit>(p.window, "KnifeEdit")->text(), QString::fromStdString(knife));
    }

    void ClearingFrontCheckBoxSaysSoEveryTime() {
        Program& p = Open();
        auto* front = Find<QCheckBox>(p.window, "FrontCheckBox");
        auto* dd = Find<QLabel>(p.window, "DDPanel");
        p.host.calls.clear();
        for (int round = 1; round <= 2; ++round) {
            Click(front);
            QVERIFY(p.model.settings.VIWFRNT);
            QCOMPARE(dd->text(), U8("無効"));
            QCOMPARE(dd->palette().color(QPalette::Window), QColor(255, 0, 255));
            QCOMPARE(p.messages.shown.size(), round - 1);
            Click(front);
            QVERIFY(!p.model.settings.VIWFRNT);
            QCOMPARE(dd->text(), U8("有効"));
            QCOMPARE(dd->palette().color(QPalette::Window), QColor(0, 0, 128));
            QCOMPARE(p.messages.shown.size(), round);
            QCOMPARE(p.messages.shown.back(), U8("ドラッグ＆ドロップをすぐに受付けます"));
        }
        QCOMPARE(p.host.calls, QStringList({"OnTop", "NotOnTop", "OnTop", "NotOnTop"}));
        // The main window's activation sets the indicator as well.
        p.window.ShowDropIndicator(true);
        QCOMPARE(dd->text(), U8("無効"));
    }

    void PositionChangesMoveTheWindowsOnlyUnderGridControl() {
        Program& p = Open();
        p.host.calls.clear();
        Click(Item(p.window, "FixdRadioGroup", 2));
        Find<QScrollBar>(p.window, "AdjustHScrollBar")->triggerAction(QAbstractSlider::SliderPageStepAdd);
        Find<QScrollBar>(p.window, "AdjustVScrollBar")->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(p.model.settings.FIXDPOS, 2);
        QCOMPARE(p.model.settings.ADJUSTH, 10);
        QCOMPARE(p.model.settings.ADJUSTV, 1);
        QCOMPARE(Find<QLabel>(p.window, "AdjustHPanel")->text(), QStringLiteral("10"));
        QVERIFY(p.host.calls.isEmpty());
        Click(Find<QCheckBox>(p.window, "PosCheckBox"));
        QCOMPARE(p.host.calls, QStringList{QStringLiteral("Place2/10/1")});
        Click(Item(p.window, "FixdRadioGroup", 8));
        QCOMPARE(p.host.calls.last(), QStringLiteral("Place8/10/1"));
        Click(Find<QCheckBox>(p.window, "PosCheckBox"));
        Find<QScrollBar>(p.window, "AdjustVScrollBar")->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QCOMPARE(p.host.calls.size(), 2);
        QVERIFY(!p.model.settings.POSCTRL);
    }

    void OpeningWithGridControlPlacesTheWindowsAtOnce() {
        Program& p = Open("POSCTRL=1\r\nFIXDPOS=0\r\nADJUSTH=5\r\n");
        QVERIFY(p.host.calls.contains(QStringLiteral("Place0/5/0")));
    }

    void FontChangesReachTheOtherWindows() {
        Program& p = Open();
        TSetUpDlg& w = p.window;
        auto* size = Find<QScrollBar>(w, "FontScrollBar");
        size->triggerAction(QAbstractSlider::SliderToMaximum);
        QCOMPARE(p.model.settings.FONTSIZ, 14);
        QCOMPARE(Find<QLabel>(w, "FontPanel")->text(), QStringLiteral("14"));
        const auto points = [](QWidget& window, const char* name) {
            return Find(window, name)->font().pointSize();
        };
        QCOMPARE(points(p.song, "ViewListBox"), 14);
        QCOMPARE(points(p.bad, "BadListBox"), 14);
        QCOMPARE(points(w, "List1ListBox"), 14);
        QCOMPARE(points(w, "FindEdit"), 14);
        QCOMPARE(points(w, "Param2Edit"), 14);
        Click(Find<QRadioButton>(w, "MinchyoRadioButton"));
        QCOMPARE(p.model.settings.USEFONT, 1);
        QCOMPARE(QFontInfo(Find(p.song, "ViewListBox")->font()).family(),
                 testing::FamilyNamed(QStringLiteral("IPAMincho")));
        QCOMPARE(QFontInfo(Find(p.bad, "BadListBox")->font()).family(),
                 testing::FamilyNamed(QStringLiteral("IPAMincho")));
        QCOMPARE(QFontInfo(Find(w, "Name0Edit")->font()).family(),
                 testing::FamilyNamed(QStringLiteral("IPAMincho")));
        QVERIFY(!Find<QRadioButton>(w, "GoticRadioButton")->isChecked());
    }

    void VolumeControlSwitches() {
        Program& p = Open();
        auto* vol = Find<QCheckBox>(p.window, "VolCheckBox");
        p.host.volumeDevice = false;
        p.host.calls.clear();
        Click(vol);
        QVERIFY(p.model.settings.AUTOVOL);
        QCOMPARE(p.host.calls,
                 QStringList({QStringLiteral("EnableVolume"), U8(".. 音量制御できません/Notice")}));
        Click(vol);
        QCOMPARE(p.host.calls.last(), QStringLiteral("DisableVolume"));
        QVERIFY(!p.model.settings.AUTOVOL);
    }

    void HintSwitches() {
        Program& p = Open();
        TSetUpDlg& w = p.window;
        p.host.calls.clear();
        Click(Find<QCheckBox>(w, "HintCheckBox"));
        QVERIFY(!p.model.settings.USEHNT1);
        Click(Find<QCheckBox>(w, "Hint2CheckBox"));
        QVERIFY(!p.model.settings.USEHNT2);
        QCOMPARE(p.host.calls, QStringList({QStringLiteral("DeckHints")}));
        // The other windows' hints go at once.
        for (const QWidget* control : p.song.findChildren<QWidget*>())
            QVERIFY2(control->toolTip().isEmpty(), qPrintable(control->objectName()));
        // At once on the mode panel and the list 0 page; elsewhere from the next start.
        QVERIFY(Find(w, "ArtsRadioButton")->toolTip().isEmpty());
        QVERIFY(Find(w, "Path0Edit")->toolTip().isEmpty());
        QCOMPARE(Find(w, "Path1Edit")->toolTip(), U8("この欄は表示専用です"));
        QCOMPARE(Find(w, "RefBitBtn")->toolTip(), U8("パスを参照する"));
    }

    void OtherCheckBoxesStoreTheirKeys_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("key");
        QTest::newRow("ViewCheckBox") << "ViewCheckBox"
                                      << "INTLOCK";
        QTest::newRow("ClockCheckBox") << "ClockCheckBox"
                                       << "USECLOK";
        QTest::newRow("StreemCheckBox") << "StreemCheckBox"
                                        << "USESTRM";
        QTest::newRow("CloseCheckBox") << "CloseCheckBox"
                                       << "AUTOCLS";
        QTest::newRow("UseCVS2CheckBox") << "UseCVS2CheckBox"
                                         << "USECVS2";
        QTest::newRow("UseSNG2CheckBox") << "UseSNG2CheckBox"
                                         << "USESNG2";
        QTest::newRow("UseKnifCheckBox") << "UseKnifCheckBox"
                                         << "USEKNIF";
    }
    void OtherCheckBoxesStoreTheirKeys() {
        QFETCH(QString, box);
        QFETCH(QString, key);
        Program& p = Open();
        auto* check = Find<QCheckBox>(p.window, box.toLatin1().constData());
        const bool before = check->isChecked();
        p.host.calls.clear();
        Click(check);
        QCOMPARE(check->isChecked(), !before);
        // The key's value as the save button writes it.
        p.window.findChild<QPushButton*>(QStringLiteral("SaveBitBtn"))->click();
        const std::string ini = dir_->Read("KORVA.INI");
        const std::string line = "\r\n" + key.toStdString() + "=" + (before ? "0" : "1") + "\r\n";
        QVERIFY2(ini.find(line) != std::string::npos, ini.c_str());
        QVERIFY(p.host.calls.isEmpty());
    }

    void IntroPlayNeedsAList() {
        Program& p = Open("PLAYMOD=0\r\n");
        p.host.calls.clear();
        Click(Find<QPushButton>(p.window, "IntroBitBtn"));
        QCOMPARE(p.messages.shown, QStringList{U8("リスト０またはリスト１を指定してください")});
        QVERIFY(p.host.calls.isEmpty());
    }

    void IntroPlayOfList1() {
        Program& p = Open("PLAYMOD=0\r\nRNDMODE=2\r\nCYCMODE=1\r\n");
        TSetUpDlg& w = p.window;
        Find<QScrollBar>(w, "IntroScrollBar")->triggerAction(QAbstractSlider::SliderToMinimum);
        QCOMPARE(Find<QLabel>(w, "IntroPanel")->text(), QStringLiteral("10"));
        Click(Find<QRadioButton>(w, "Play1RadioButton"));
        p.host.calls.clear();
        Click(Find<QPushButton>(w, "IntroBitBtn"));
        QCOMPARE(p.host.calls, QStringList({"Stop", "ModeLabel1", "ModeLabel1", "OrderLabel0", "Intro 10"}));
        QVERIFY(Find<QRadioButton>(w, "List1RadioButton")->isChecked());
        QVERIFY(Find<QToolButton>(w, "Rnd0SpeedButton")->isChecked());
        QVERIFY(Find<QToolButton>(w, "Cyc0SpeedButton")->isChecked());
        QCOMPARE(p.model.settings.PLAYMOD, LIST1);
        QCOMPARE(p.model.settings.RNDMODE, NOR);
        QCOMPARE(p.model.settings.CYCMODE, 0);
        QCOMPARE(p.model.play.IntroSeconds, 10);
        QVERIFY(p.messages.shown.isEmpty());
    }

    void SavedSettingsAreReadAgainAndForeignLinesSurvive() {
        dir_->Write("KORVA.INI", "; my notes\r\n[KORVA]\r\nMYKEY=keep me\r\nSENDRST=1\r\n[OTHER]\r\nX=1\r\n");
        Program& p = Open();
        TSetUpDlg& w = p.window;
        TypeJapanese(Find<QLineEdit>(w, "Btn1Edit"), U8("ゆっくり"));
        Click(Item(w, "ResetRadioGroup", 2));
        Click(Find<QCheckBox>(w, "UseKnifCheckBox"));
        Find<QScrollBar>(w, "CloseScrollBar")->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        Click(Find<QPushButton>(w, "SaveBitBtn"));
        QCOMPARE(p.messages.shown, QStringList{U8("各種の設定を保存しました")});

        testing::JukeboxRig fresh(dir_->Folder());  // the program started again
        const AppModel& again = Program::LoadModel(fresh);
        QCOMPARE(QString::fromStdString(ToDisplayUtf8(again.settings.SMFBTN1)), U8("ゆっくり"));
        QCOMPARE(again.settings.SENDRST, 2);
        QVERIFY(again.settings.USEKNIF);
        QCOMPARE(again.settings.CLSTIME, 35);
        const std::string ini = dir_->Read("KORVA.INI");
        QVERIFY(ini.starts_with("; my notes\r\n[KORVA]\r\nMYKEY=keep me\r\nSENDRST=2\r\n"));
        QVERIFY(ini.find("[OTHER]\r\nX=1\r\n") != std::string::npos);
    }

    void SaveThatCannotWriteSaysWhy() {
        Program& p = Open();
        std::filesystem::create_directory(dir_->Path() / "KORVA.INI");
        Click(Find<QPushButton>(p.window, "SaveBitBtn"));
        QCOMPARE(p.messages.shown.size(), 1);
        QVERIFY2(p.messages.shown.front().contains(U8("書き込めません")),
                 qPrintable(p.messages.shown.front()));
    }

    void ClosingTurnsTheSetLabelBack() {
        Program& p = Open();
        QVERIFY(!p.host.calls.contains(QStringLiteral("Closed")));
        Click(Find<QPushButton>(p.window, "CloseBitBtn"));
        QVERIFY(!p.window.isVisible());
        QCOMPARE(p.host.calls.count(QStringLiteral("Closed")), 1);
        p.window.ShowSettingsWindow();
        QTest::keyClick(&p.window, Qt::Key_Escape);
        QVERIFY(!p.window.isVisible());
        QCOMPARE(p.host.calls.count(QStringLiteral("Closed")), 2);
    }

    void MainWindowReachesThePages() {
        Program& p = Open();
        TSetUpDlg& w = p.window;
        auto* pages = Find<QTabWidget>(w, "KorvaSet");
        Find<QLineEdit>(w, "Name1Edit")->setText(QStringLiteral("typed"));
        w.OpenListPage(1);
        QCOMPARE(pages->currentIndex(), 2);
        QVERIFY(Find<QLineEdit>(w, "Name1Edit")->text().isEmpty());
        QCOMPARE(Find<QLabel>(w, "Vol1Panel")->text(), QStringLiteral("+0"));
        Find<QLineEdit>(w, "FindEdit")->setText(QStringLiteral("abc"));
        Find<QLineEdit>(w, "FindMonEdit")->setText(QStringLiteral("x"));
        Find<QListWidget>(w, "Find0ListBox")->addItem(QStringLiteral("found"));
        w.OpenSearchPage();
        QCOMPARE(pages->currentIndex(), 4);
        QVERIFY(Find<QLineEdit>(w, "FindEdit")->text().isEmpty());
        QVERIFY(Find<QLineEdit>(w, "FindMonEdit")->text().isEmpty());
        QCOMPARE(Find<QListWidget>(w, "Find0ListBox")->count(), 0);
        QCOMPARE(Find<QLabel>(w, "Find0Panel")->text(), U8("   リスト０のパス"));
        p.host.calls.clear();
        w.CheckListMode(ARTS);
        QVERIFY(Find<QRadioButton>(w, "ArtsRadioButton")->isChecked());
        QCOMPARE(p.model.settings.PLAYMOD, ARTS);
        QCOMPARE(p.host.calls, QStringList({QStringLiteral("Stop"), QStringLiteral("ModeLabel4")}));
    }

    void ProductLabelsOpenTheAboutWindow_data() {
        QTest::addColumn<QString>("label");
        QTest::newRow("advanced page") << "K97Panel";
        QTest::newRow("search page") << "K97Label";
    }
    void ProductLabelsOpenTheAboutWindow() {
        QFETCH(QString, label);
        Program& p = Open();
        TVerDlg about("2.3.1", &p.window);
        p.window.SetAboutWindow(&about);
        Find<QTabWidget>(p.window, "KorvaSet")->setCurrentIndex(label == QStringLiteral("K97Panel") ? 3 : 4);
        QPoint centre;
        ModalAnswers answers({[&centre](QDialog* dialog) {
            centre = dialog->frameGeometry().center();
            Click(Find<QPushButton>(*dialog, "Button1"));
        }});
        QTest::mouseClick(Find<QLabel>(p.window, label.toLatin1().constData()), Qt::LeftButton);
        QCOMPARE(answers.titles, QStringList{U8("ＫＯＲＶＡ９７について")});
        // It opens in the middle of the screen (give or take the frame the platform adds once it is
        // shown), not over the settings window's corner.
        QVERIFY((centre - QGuiApplication::primaryScreen()->availableGeometry().center()).manhattanLength() <=
                8);
        QVERIFY(!about.isVisible());
        QCOMPARE(about.result(), int(QDialog::Accepted));
    }

    void AboutWindowShowsItsTexts() {
        TVerDlg about("9.8.7");
        QCOMPARE(about.windowTitle(), U8("ＫＯＲＶＡ９７について"));
        QCOMPARE(about.size(), QSize(419, 157));
        QCOMPARE(Find<QLabel>(about, "Label13")->text(), QStringLiteral("KORVA97"));
        QCOMPARE(Find<QLabel>(about, "Label14")->toolTip(), U8("ＭＩＤＩファンに贈るＢＧＭ用プレーヤ"));
        QCOMPARE(Find<QLabel>(about, "Label15")->text(), QStringLiteral("Version: 1.00 (1997.5.5)"));
        QCOMPARE(Find<QLabel>(about, "Label15")->toolTip(), QStringLiteral("Release 1997.5.5"));
        QCOMPARE(Find<QLabel>(about, "Image1")->toolTip(),
                 U8("すべてのＭＩＤＩデータ作者の皆様にお礼申し上げます"));
        QVERIFY(!Find<QLabel>(about, "Image1")->pixmap().isNull());
        QCOMPARE(Find<QLabel>(about, "Label21")->text(), QStringLiteral("Build: %1 (Qt %2, FluidSynth 9.8.7)")
                                                             .arg(QStringLiteral(KORVA_VERSION), qVersion()));
        for (const char* name : {"Label13", "Label16", "Label18", "Label20", "Label21"})
            QVERIFY2(!Find<QLabel>(about, name)->toolTip().isEmpty(), name);
        QVERIFY(Find<QLabel>(about, "Label16")->geometry().right() < about.width());
    }

    void BadFileWindowKeepsItsMargin() {
        AppModel model;
        model.settings.USEFONT = 1;
        model.settings.FONTSIZ = 9;
        TBadDlg bad(model);
        auto* list = Find<QListWidget>(bad, "BadListBox");
        QCOMPARE(bad.size(), QSize(400, 132));
        QCOMPARE(list->geometry(), QRect(10, 10, 380, 112));
        QCOMPARE(QFontInfo(list->font()).family(), testing::FamilyNamed(QStringLiteral("IPAMincho")));
        QCOMPARE(list->font().pointSize(), 9);
        bad.AddBadLine(Sjis("曲 → /gone.mid"));
        bad.ShowBadList(Sjis("ＭＩＤＩファイルが存在しないデータ"));
        QVERIFY(bad.isVisible());
        QCOMPARE(bad.windowTitle(), U8("ＭＩＤＩファイルが存在しないデータ"));
        QCOMPARE(list->item(0)->text(), U8("曲 → /gone.mid"));
        bad.resize(520, 300);
        QCOMPARE(list->geometry(), QRect(10, 10, 500, 280));
        bad.ClearBadList();
        QCOMPARE(list->count(), 0);
    }

    // Saves pictures of the six pages and the about window when KORVA_GRAB_DIR names a folder.
    // The window has a fixed size: every caption must fit in it whole, whatever Japanese font the
    // system has and whatever the locale (under a Japanese one, font families go by their Japanese
    // names). The suite runs this test under both.
    void everyCaptionFitsTheFixedWindow() {
        Program& p = Open("PROGRM2=1\r\n");
        auto* pages = Find<QTabWidget>(p.window, "KorvaSet");
        QVERIFY2(pages->tabBar()->sizeHint().width() <= pages->tabBar()->width(),
                 "the tabs need scroll arrows");
        for (int i = 0; i < pages->count(); ++i) {
            pages->setCurrentIndex(i);
            p.window.grab();  // lays the page out
            for (QWidget* widget : p.window.findChildren<QWidget*>()) {
                if (!widget->isVisible())
                    continue;
                // The room the caption has and the room it needs: a check or radio box also needs
                // its indicator, which its minimum size counts; other buttons are drawn with
                // padding of their own, and labels are drawn in their contents.
                QString text;
                int room = 0;
                int needed = 0;
                if (qobject_cast<QCheckBox*>(widget) || qobject_cast<QRadioButton*>(widget)) {
                    text = static_cast<QAbstractButton*>(widget)->text();
                    room = widget->width();
                    needed = widget->minimumSizeHint().width();
                } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
                    text = button->text();
                    room = button->width() - 4;
                    needed = button->fontMetrics().horizontalAdvance(text);
                } else if (auto* label = qobject_cast<QLabel*>(widget); label && !label->wordWrap()) {
                    text = label->text();
                    room = label->contentsRect().width();
                    for (const QString& line : text.split(QLatin1Char('\n')))
                        needed = std::max(needed, label->fontMetrics().horizontalAdvance(line));
                }
                if (text.trimmed().isEmpty())
                    continue;
                QVERIFY2(room >= needed, qPrintable(QStringLiteral("\"%1\" (%2) on page %3: %4 of %5 pixels")
                                                        .arg(text, widget->objectName())
                                                        .arg(i)
                                                        .arg(room)
                                                        .arg(needed)));
            }
        }
    }

    void grabPages() {
        Program& p = Open("PROGRM2=1\r\nPROGRM3=1\r\nPOSCTRL=1\r\nSMFBTN1=" + Sjis("テンポ") + "\r\n");
        auto* pages = Find<QTabWidget>(p.window, "KorvaSet");
        const QString folder = qEnvironmentVariable("KORVA_GRAB_DIR");
        const QStringList names = {"basic", "list0", "list1", "advanced", "search", "sound"};
        for (int i = 0; i < pages->count(); ++i) {
            pages->setCurrentIndex(i);
            const QPixmap picture = p.window.grab();
            QCOMPARE(picture.deviceIndependentSize().toSize(), p.window.size());
            if (!folder.isEmpty())
                QVERIFY(picture.save(folder + QStringLiteral("/settings-%1.png").arg(names[i])));
        }
        TVerDlg about("2.3.1");
        const QPixmap picture = about.grab();
        QCOMPARE(picture.deviceIndependentSize().toSize(), QSize(419, 157));
        if (!folder.isEmpty())
            QVERIFY(picture.save(folder + QStringLiteral("/about.png")));
    }
};

}  // namespace korva

QTEST_MAIN(korva::TSetUpDlgTest)
#include "TSetUpDlgTest.moc"
