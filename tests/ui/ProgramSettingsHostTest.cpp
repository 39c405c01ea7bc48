// What the settings window changes in the program's other windows, through the host the program
// uses: the windows are the real ones, linked as the program links them, over a scripted device.

#include <QListWidget>
#include <QTest>
#include <memory>

#include "support/JukeboxRig.h"
#include "support/QtTestSupport.h"
#include "ui/DocumentViewer.h"
#include "ui/ProgramSettingsHost.h"
#include "ui/QtViews.h"
#include "ui/TArtsDlg.h"
#include "ui/TBadDlg.h"
#include "ui/TMainForm.h"
#include "ui/TRemoteDlg.h"
#include "ui/TSelCnvDlg.h"
#include "ui/TViewDlg.h"
#include "ui/TVolDlg.h"

using namespace korva;

class ProgramSettingsHostTest : public QObject {
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
            host = std::make_unique<ProgramSettingsHost>(rig.jukebox, deck, *song, *volume, *viewer);
            host->SetRemoteWindow(*remote);
            host->SetArtistsWindow(*artists);
            host->SetConversionWindow(*conversion);
            host->SetBadFileWindow(*bad);
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
        std::unique_ptr<ProgramSettingsHost> host;

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
        p.rig.Model().settings.USEHNT2 = 0;
        p.host->ApplyWindowHints();
        for (QWidget* window : p.HintedWindows())
            QVERIFY2(HintsShown(*window) == 0, qPrintable(window->objectName()));
        p.rig.Model().settings.USEHNT2 = 1;
        p.host->ApplyWindowHints();
        QCOMPARE(testing::Find(*p.volume, "VolDownSpeedButton")->toolTip(),
                 QStringLiteral("音量を一時的に下げる"));
        for (QWidget* window : p.HintedWindows())
            QVERIFY2(HintsShown(*window) > 0, qPrintable(window->objectName()));
    }

    void listFontReachesEveryList() {
        Program p;
        p.rig.Model().settings.FONTSIZ = 23;
        p.host->ApplyListFont();
        QCOMPARE(testing::Find<QListWidget>(*p.bad, "BadListBox")->font().pointSize(), 23);
        QCOMPARE(testing::Find<QListWidget>(*p.song, "ViewListBox")->font().pointSize(), 23);
        const auto artistLists = p.artists->findChildren<QListWidget*>();
        QVERIFY(!artistLists.isEmpty());
        for (const QListWidget* list : artistLists) QCOMPARE(list->font().pointSize(), 23);
    }
};

QTEST_MAIN(ProgramSettingsHostTest)
#include "ProgramSettingsHostTest.moc"
