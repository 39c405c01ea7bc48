// The volume window's real buttons over the volume control and a recording output.

#include <QTest>
#include <QToolButton>

#include "playback/VolumeControl.h"
#include "support/PlayerFakes.h"
#include "ui/TVolDlg.h"

using namespace korva;

namespace {

// Forwards the window's part of the volume view to the window, as the program does.
struct WindowView : VolumeView {
    TVolDlg* window = nullptr;
    int bar = -1;
    void ShowVolumeControls() override {}
    void MarkEffectiveLevel(int level) override { window->MarkEffectiveLevel(level); }
    void SetBaseButtonDown(int level) override { window->SetBaseButtonDown(level); }
    void SetVolumeBar(int level) override { bar = level; }
};

}  // namespace

class TVolDlgTest : public QObject {
    Q_OBJECT

  private:
    static QColor CaptionColour(QToolButton* button) { return button->palette().color(QPalette::ButtonText); }

  private slots:
    void LevelButtonSetsBaseKeepsFineDigitsAndMarksTheEffectiveLevel() {
        AppModel model;
        model.settings.INITVOL = "A123C456";
        testing::RecordingVolumeOutput output;
        WindowView view;
        TVolDlg window(model);
        view.window = &window;
        VolumeControl volume(model.settings, output, view);
        window.SetVolumeControl(&volume);

        auto* up = window.findChild<QToolButton*>(QStringLiteral("VolUpSpeedButton"));
        QVERIFY(up);
        QTest::mouseClick(up, Qt::LeftButton);  // effective 8, base still 7
        QCOMPARE(CaptionColour(window.LevelButton(8)), QColor(Qt::red));
        QCOMPARE(model.settings.INITVOL, std::string("A123C456"));

        QTest::mouseClick(window.LevelButton(4), Qt::LeftButton);  // new base 4, the +1 stays
        QCOMPARE(model.settings.INITVOL, std::string("51235456"));
        QCOMPARE(output.set.back(), 0x71237456u);  // level 5 ("7") on a base of 4
        QVERIFY(window.LevelButton(4)->isChecked());
        QVERIFY(!window.LevelButton(7)->isChecked());
        QCOMPARE(CaptionColour(window.LevelButton(5)), QColor(Qt::red));
        QCOMPARE(CaptionColour(window.LevelButton(8)), QColor(Qt::black));
        QCOMPARE(view.bar, 4);
    }

    void CloseButtonSetsTheLevelAndClosesTheWindow() {
        AppModel model;
        testing::RecordingVolumeOutput output;
        WindowView view;
        TVolDlg window(model);
        view.window = &window;
        VolumeControl volume(model.settings, output, view);
        window.SetVolumeControl(&volume);
        window.show();
        auto* closer = window.findChild<QToolButton*>(QStringLiteral("SpeedButton19"));
        QVERIFY(closer);
        QCOMPARE(closer->accessibleName(), QStringLiteral("基準音量を設定した後でウィンドウを閉じる"));
        QTest::mouseClick(closer, Qt::LeftButton);
        QCOMPARE(model.settings.INITVOL, std::string("FFFFFFFF"));
        QVERIFY(!window.isVisible());
    }
};

QTEST_MAIN(TVolDlgTest)
#include "TVolDlgTest.moc"
