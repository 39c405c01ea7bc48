// The volume window's real buttons over the jukebox's volume control and a recording output.

#include <QTest>
#include <QToolButton>
#include <memory>

#include "support/JukeboxRig.h"
#include "support/QtTestSupport.h"
#include "ui/TVolDlg.h"

using namespace korva;

class TVolDlgTest : public QObject {
    Q_OBJECT

  private:
    static QColor CaptionColour(QToolButton* button) { return button->palette().color(QPalette::ButtonText); }

    // A connected core with the window's view attached, the volume read from initvol.
    struct Program {
        explicit Program(const std::string& initvol) {
            rig.Model().settings.INITVOL = initvol;
            rig.Connect();
            rig.jukebox.AttachVolumeWindow(window);
        }
        testing::JukeboxRig rig{""};
        TVolDlg window{rig.jukebox};
    };

  private slots:
    void cleanup() { QCOMPARE(testing::WindowsLeftBehind(), QStringList()); }

    void LevelButtonSetsBaseKeepsFineDigitsAndMarksTheEffectiveLevel() {
        Program p("A123C456");
        TVolDlg& window = p.window;
        auto* up = testing::Find<QToolButton>(window, "VolUpSpeedButton");
        QTest::mouseClick(up, Qt::LeftButton);  // effective 8, base still 7
        QCOMPARE(CaptionColour(window.LevelButton(8)), QColor(Qt::red));
        QCOMPARE(p.rig.Model().settings.INITVOL, std::string("A123C456"));

        QTest::mouseClick(window.LevelButton(4), Qt::LeftButton);  // new base 4, the +1 stays
        QCOMPARE(p.rig.Model().settings.INITVOL, std::string("51235456"));
        QCOMPARE(p.rig.output.set.back(), 0x71237456u);  // level 5 ("7") on a base of 4
        QVERIFY(window.LevelButton(4)->isChecked());
        QVERIFY(!window.LevelButton(7)->isChecked());
        QCOMPARE(CaptionColour(window.LevelButton(5)), QColor(Qt::red));
        QCOMPARE(CaptionColour(window.LevelButton(8)), QColor(Qt::black));
        QCOMPARE(p.rig.deck.bar, 4);
    }

    void CloseButtonSetsTheLevelAndClosesTheWindow() {
        Program p("FFFFFFFF");
        p.window.show();
        auto* closer = testing::Find<QToolButton>(p.window, "SpeedButton19");
        QCOMPARE(closer->accessibleName(), QStringLiteral("基準音量を設定した後でウィンドウを閉じる"));
        p.rig.Model().settings.INITVOL = "0FFF0FFF";
        QTest::mouseClick(closer, Qt::LeftButton);
        QCOMPARE(p.rig.Model().settings.INITVOL, std::string("FFFFFFFF"));
        QVERIFY(!p.window.isVisible());
    }
};

QTEST_MAIN(TVolDlgTest)
#include "TVolDlgTest.moc"
