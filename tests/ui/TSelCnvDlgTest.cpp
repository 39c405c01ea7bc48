#include "ui/TSelCnvDlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <filesystem>
#include <fstream>
#include <memory>

#include "support/JukeboxRig.h"
#include "support/QtTestSupport.h"
#include "support/SmfWriter.h"
#include "support/TempDir.h"
#include "text/Encoding.h"
#include "text/ShiftJis.h"
#include "ui/QtProcessRunner.h"

namespace korva {

using testing::Find;
using testing::ModalAnswers;
using testing::U8;

class TSelCnvDlgTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<testing::TempDir> dir_;  // the program folder, with "my songs/" and "out dir/"
    std::unique_ptr<testing::JukeboxRig> rig_;
    std::unique_ptr<TSelCnvDlg> window_;
    QtProcessRunner runner_;
    std::string songs_;
    std::string out_;

    void Make(bool hints = true) {
        dir_ = std::make_unique<testing::TempDir>();
        songs_ = dir_->Folder() + "my songs/";
        out_ = dir_->Folder() + "out dir/";
        std::filesystem::create_directory(songs_);
        std::filesystem::create_directory(out_);
        testing::SmfWriter smf;
        smf.AddTrack().Note(0, 480, 0, 60);
        dir_->Write("song.smf", smf.Bytes());
        rig_ = std::make_unique<testing::JukeboxRig>(dir_->Folder());
        Settings& s = rig_->Model().settings;
        s.PLAYMOD = EASY;
        s.SENDRST = 0;
        s.USEHNT2 = hints;
        s.LST0DIR = out_;
        s.CNVTSNG = "SNG2S.EXE % /O#";  // not there: continuous mode must not need it
        window_ = std::make_unique<TSelCnvDlg>(rig_->jukebox);
        rig_->jukebox.AttachConversion(*window_, runner_);
        rig_->Connect();
    }
    // The stand-in converter: copies the test song to the predicted name in the folder of its "-O"
    // argument, notes its source in "log.txt" and exits with the given code.
    void Converter(int exitCode, const std::string& before = "") {
        const std::string path =
            dir_->Write("CVS.EXE", "#!/bin/sh\n" + before +
                                       "name=$(basename \"$1\")\ncp song.smf \"${3#-O}${name%%.*}.MID\"\n" +
                                       "echo \"$1\" >> log.txt\nexit " + std::to_string(exitCode) + "\n");
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    }
    void Queue(const std::vector<std::string>& names) {
        AppModel& model = rig_->Model();
        model.PlayQueue.clear();
        for (const std::string& name : names) {
            const std::string content =
                ExtensionOf(name) == ".mid" ? std::string(dir_->Read("song.smf")) : "RCM";
            model.PlayQueue.push_back(songs_ + name);
            std::ofstream(songs_ + name, std::ios::binary) << content;
        }
        model.SongLines = model.PlayQueue;
        model.play.QueuePosition = 0;
    }
    static ModalAnswers::Answer Clicks(std::vector<const char*> names) {
        return [names](QDialog* dialog) {
            for (const char* name : names) Find<QPushButton>(*dialog, name)->click();
        };
    }
    QStringList Statuses() const {
        QStringList out;
        for (const std::string& text : rig_->deck.Texts()) out << QString::fromStdString(ToDisplayUtf8(text));
        return out;
    }

  private slots:
    void cleanup() {
        window_.reset();
        rig_.reset();
        dir_.reset();
        QVERIFY(testing::WindowsLeftBehind().isEmpty());
    }

    void windowShowsItsControlsAndHintsByUsehnt2() {
        Make(false);
        QCOMPARE(window_->windowTitle(), U8("オートコンバート"));
        QCOMPARE(window_->size(), QSize(514, 233));
        const std::vector<std::pair<const char*, const char*>> buttons{
            {"List0SpeedButton", "リスト０フォルダ"},    {"List1SpeedButton", "リスト１フォルダ"},
            {"OtherSpeedButton", "新規に選択する"},      {"StartButton", "１曲毎に確認しながら変換"},
            {"CntiCnvButton", "確認を省略して連続変換"}, {"CansButton", "コンバートを中止"}};
        for (const auto& [name, caption] : buttons) {
            auto* button = Find<QPushButton>(*window_, name);
            QCOMPARE(button->text(), U8(caption));
            QVERIFY(button->toolTip().isEmpty());
        }
        QVERIFY(!Find<QPushButton>(*window_, "StartButton")->isEnabled());
        QVERIFY(!Find<QPushButton>(*window_, "CntiCnvButton")->isEnabled());
        QVERIFY(!Find<QPushButton>(*window_, "CnvHisSpeedButton")->isEnabled());
        for (const char* panel : {"KindPanel", "ConvPanel", "OutPutPanel", "MsgPanel"})
            Find<QLabel>(*window_, panel);
        Find<QLineEdit>(*window_, "CnvEdit");
        bool historyCaption = false;
        for (QLabel* label : window_->findChildren<QLabel*>())
            historyCaption |= label->text() == U8("▼前回選択したフォルダを指定");
        QVERIFY(historyCaption);
        rig_->Model().settings.USEHNT2 = true;
        TSelCnvDlg withHints(rig_->jukebox);
        QVERIFY(!Find<QPushButton>(withHints, "StartButton")->toolTip().isEmpty());
    }

    void convertedSongPlaysWhateverTheConverterExitCode_data() {
        QTest::addColumn<int>("exitCode");
        QTest::newRow("exit 0") << 0;
        QTest::newRow("exit 3") << 3;
    }
    void convertedSongPlaysWhateverTheConverterExitCode() {
        QFETCH(int, exitCode);
        Make();
        Converter(exitCode);
        rig_->folderDialog.answer = out_.substr(0, out_.size() - 1);
        Queue({"A.B.RCP"});
        bool buttonsUpAfterChoice = false;
        ModalAnswers answers({[&](QDialog* dialog) {
            QCOMPARE(Find<QLabel>(*dialog, "KindPanel")->text(), QStringLiteral("RCP"));
            QCOMPARE(Find<QLabel>(*dialog, "ConvPanel")->text(), QStringLiteral("CVS.EXE"));
            Find<QPushButton>(*dialog, "List0SpeedButton")->click();
            QVERIFY(Find<QPushButton>(*dialog, "List0SpeedButton")->isChecked());
            Find<QPushButton>(*dialog, "OtherSpeedButton")->click();
            buttonsUpAfterChoice = !Find<QPushButton>(*dialog, "List0SpeedButton")->isChecked() &&
                                   !Find<QPushButton>(*dialog, "OtherSpeedButton")->isChecked();
            QCOMPARE(Find<QLabel>(*dialog, "OutPutPanel")->text(), QString::fromStdString(out_));
            QCOMPARE(Find<QLineEdit>(*dialog, "CnvEdit")->text(),
                     QString::fromStdString(dir_->Folder() + "CVS.EXE \"" + songs_ + "A.B.RCP\" -Flog -O\"" +
                                            out_ + "\""));
            Find<QPushButton>(*dialog, "StartButton")->click();
        }});
        rig_->ThePlayer().PlayEasyEntry();
        QCOMPARE(answers.Answered(), std::size_t(1));
        QVERIFY(buttonsUpAfterChoice);
        const std::string converted = out_ + "A.MID";
        QCOMPARE(rig_->device.OpenFile(), converted);
        QCOMPARE(rig_->Model().PlayQueue.front(), converted);
        QCOMPARE(rig_->Model().SongLines.front(), "001 " + converted);
        QVERIFY(Statuses().contains(QStringLiteral(".. Auto Convert End")));
        QCOMPARE(Statuses().back(), QStringLiteral("A.MID /No.1"));
        QVERIFY(dir_->Read("KORVA.INI").find("CONVHIS=" + out_) != std::string::npos);
        // Closing reset the window.
        QVERIFY(Find<QLineEdit>(*window_, "CnvEdit")->text().isEmpty());
        QVERIFY(!Find<QPushButton>(*window_, "StartButton")->isEnabled());
        QCOMPARE(Find<QPushButton>(*window_, "CnvHisSpeedButton")->text(),
                 QString::fromStdString(out_.substr(0, out_.size() - 1)));
    }

    void continuousModeKeepsHandlingEventsAndTheFirstTemplate() {
        Make();
        Converter(0, "touch running\ncase \"$1\" in *A.RCP) sleep 2;; esac\nrm running\n");
        Queue({"A.RCP", "B.SNG"});
        int ticksWhileConverting = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&] { ticksWhileConverting += dir_->Exists("running") ? 1 : 0; });
        ticker.start(50);
        ModalAnswers answers({Clicks({"List0SpeedButton", "CntiCnvButton"})});
        rig_->ThePlayer().PlayEasyEntry();
        QVERIFY(ticksWhileConverting > 0);
        QCOMPARE(rig_->device.OpenFile(), out_ + "A.MID");
        rig_->device.FinishAndDeliver();
        QCOMPARE(rig_->device.OpenFile(), out_ + "B.MID");
        QCOMPARE(rig_->Model().SongLines[1], "002 " + out_ + "B.MID");
        QCOMPARE(answers.Answered(), std::size_t(1));
        QCOMPARE(dir_->Read("log.txt"), songs_ + "A.RCP\n" + songs_ + "B.SNG\n");
        // The deck's Stop ends continuous mode.
        QVERIFY(rig_->Model().conversion.ContinuousConvert);
        rig_->jukebox.Commands().Stop();
        QVERIFY(!rig_->Model().conversion.ContinuousConvert);
    }

    void converterThatCannotStartIsReportedAndTheWindowStaysOpen_data() {
        QTest::addColumn<bool>("executable");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("byKeys");
        QTest::newRow("missing") << true << "/nonexistent/x.exe"
                                 << "Exec Error : 2" << true;
        QTest::newRow("not executable") << false << ""
                                        << "Exec Error : 13" << true;
        // A screen reader or speech input sets the text without an edit signal.
        QTest::newRow("set by an assistive tool") << true << "/nonexistent/y.exe"
                                                  << "Exec Error : 2" << false;
    }
    void converterThatCannotStartIsReportedAndTheWindowStaysOpen() {
        QFETCH(bool, executable);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        QFETCH(bool, byKeys);
        Make();
        Converter(0);
        if (!executable)
            std::filesystem::permissions(dir_->Folder() + "CVS.EXE", std::filesystem::perms::owner_read);
        Queue({"A.RCP"});
        bool stayedOpen = false;
        ModalAnswers answers({[&](QDialog* dialog) {
            Find<QPushButton>(*dialog, "List0SpeedButton")->click();
            if (!typed.isEmpty()) {
                auto* edit = Find<QLineEdit>(*dialog, "CnvEdit");
                if (byKeys) {
                    edit->selectAll();
                    QTest::keyClicks(edit, typed);
                } else {
                    edit->setText(typed);
                }
            }
            Find<QPushButton>(*dialog, "StartButton")->click();
            stayedOpen = dialog->isVisible();
            Find<QPushButton>(*dialog, "CansButton")->click();
        }});
        rig_->ThePlayer().PlayEasyEntry();
        QVERIFY(stayedOpen);
        QCOMPARE(rig_->messages.shown, std::vector<std::string>{message.toStdString()});
        QVERIFY(rig_->device.opened.empty());
        QCOMPARE(Statuses().front(), QStringLiteral(".. Auto Convert Start"));
    }
};

}  // namespace korva

QTEST_MAIN(korva::TSelCnvDlgTest)
#include "TSelCnvDlgTest.moc"
