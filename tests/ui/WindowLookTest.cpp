// The settings window changes the look of the program's other windows: the real windows, made and
// linked as the program makes them, follow its hint box and its list font at once.

#include <QCheckBox>
#include <QListView>
#include <QListWidget>
#include <QScrollBar>
#include <QTest>
#include <memory>

#include "support/JukeboxRig.h"
#include "support/QtTestSupport.h"
#include "ui/DocumentViewer.h"
#include "ui/QtViews.h"
#include "ui/TArtsDlg.h"
#include "ui/TBadDlg.h"
#include "ui/TMainForm.h"
#include "ui/TRemoteDlg.h"
#include "ui/TSelCnvDlg.h"
#include "ui/TSetUpDlg.h"
#include "ui/TViewDlg.h"
#include "ui/TVolDlg.h"

using namespace korva;

class WindowLookTest : public QObject {
    Q_OBJECT

  private:
    struct Program {
        Program() {
            rig.Model().settings.USEHNT2 = 1;
            rig.Connect();
            messages = std::make_unique<QtMessageView>(&deck);
            viewer = std::make_unique<DocumentViewer>(rig.Model().settings);
            song = new TViewDlg(rig.jukebox, *messages, *viewer, &deck);
            volume = new TVolDlg(rig.jukebox, &deck);
            conversion = new TSelCnvDlg(rig.jukebox, &deck);
            bad = new TBadDlg(rig.Model(), &deck);
            artists = new TArtsDlg(rig.jukebox, &deck);
            remote = new TRemoteDlg(rig.jukebox, &deck);
            settings =
                new TSetUpDlg(rig.Model(), SettingsPorts{rig.jukebox, deck, *viewer}, *messages, &deck);
            for (WindowLook* look :
                 std::initializer_list<WindowLook*>{song, volume, remote, artists, conversion, bad})
                settings->AddWindowLook(*look);
            settings->LoadSettingsWindow();
        }
        testing::JukeboxRig rig{""};
        TMainForm deck{rig.jukebox};
        std::unique_ptr<QtMessageView> messages;
        std::unique_ptr<DocumentViewer> viewer;
        TViewDlg* song = nullptr;
        TVolDlg* volume = nullptr;
        TSelCnvDlg* conversion = nullptr;
        TBadDlg* bad = nullptr;
        TArtsDlg* artists = nullptr;
        TRemoteDlg* remote = nullptr;
        TSetUpDlg* settings = nullptr;

        std::vector<QWidget*> HintedWindows() const { return {song, volume, conversion, artists, remote}; }
    };

    static int HintsShown(const QWidget& window) {
        int shown = 0;
        for (const QWidget* widget : window.findChildren<QWidget*>()) shown += !widget->toolTip().isEmpty();
        return shown;
    }

  private slots:
    void cleanup() { QCOMPARE(testing::WindowsLeftBehind(), QStringList()); }

    void windowHintsSwitchAtOnceInEveryWindow() {
        Program p;
        for (QWidget* window : p.HintedWindows())
            QVERIFY2(HintsShown(*window) > 0, qPrintable(window->objectName()));
        auto* box = testing::Find<QCheckBox>(*p.settings, "Hint2CheckBox");
        QVERIFY(box->isChecked());
        box->click();
        QVERIFY(!p.rig.Model().settings.USEHNT2);
        for (QWidget* window : p.HintedWindows())
            QVERIFY2(HintsShown(*window) == 0, qPrintable(window->objectName()));
        box->click();
        QCOMPARE(testing::Find(*p.volume, "VolDownSpeedButton")->toolTip(),
                 QStringLiteral("音量を一時的に下げる"));
        for (QWidget* window : p.HintedWindows())
            QVERIFY2(HintsShown(*window) > 0, qPrintable(window->objectName()));
    }

    void listFontReachesEveryList() {
        Program p;
        testing::Find<QScrollBar>(*p.settings, "FontScrollBar")
            ->triggerAction(QAbstractSlider::SliderToMaximum);
        const int points = p.rig.Model().settings.FONTSIZ;
        QCOMPARE(points, 14);
        QCOMPARE(testing::Find<QListWidget>(*p.bad, "BadListBox")->font().pointSize(), points);
        QCOMPARE(testing::Find<QListView>(*p.song, "ViewListBox")->font().pointSize(), points);
        const auto artistLists = p.artists->findChildren<QListWidget*>();
        QVERIFY(!artistLists.isEmpty());
        for (const QListWidget* list : artistLists) QCOMPARE(list->font().pointSize(), points);
    }
};

QTEST_MAIN(WindowLookTest)
#include "WindowLookTest.moc"
