#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QImage>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QTabWidget>
#include <QtTest>
#include <filesystem>
#include <memory>

#include "support/QtTestSupport.h"
#include "support/SettingsWindowRig.h"
#include "text/Encoding.h"
#include "ui/QtText.h"

namespace korva {
namespace {

using testing::Choose;
using testing::Find;
using testing::ModalAnswers;
using testing::Program;
using testing::TempDir;
using testing::U8;

QStringList Items(QComboBox* box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
    return items;
}

void Click(QAbstractButton* button) {
    const bool indicator = qobject_cast<QCheckBox*>(button) != nullptr;
    QTest::mouseClick(button, Qt::LeftButton, {}, indicator ? QPoint(6, button->height() / 2) : QPoint());
}

// The controls of the built-in synthesizer, which a chosen port leaves without use.
const char* const kSynthControls[] = {"SoundFontComboBox", "SoundFontRefBitBtn", "ReverbCheckBox",
                                      "ChorusCheckBox", "GainSpinBox"};

}  // namespace

class TSetUpDlgSoundTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDir> dir_;
    std::unique_ptr<Program> program_;
    std::vector<std::string> ports_;  // what the system lists as MIDI output ports, now
    int listed_ = 0;                  // how often the window asked for them
    std::filesystem::path soundFonts_;

    // The program over a KORVA.INI holding these lines; the window opened by the SET button.
    Program& Open(const std::string& ini = {}) {
        if (!ini.empty())
            dir_->Write("KORVA.INI", ini);
        program_ = std::make_unique<Program>(*dir_);
        program_->window.SetMidiPortLister([this] {
            ++listed_;
            return ports_;
        });
        program_->window.SetSoundFontFolders({soundFonts_});
        program_->window.LoadSettingsWindow();
        program_->window.ShowSettingsWindow();
        return *program_;
    }
    QTabWidget* Pages() { return Find<QTabWidget>(program_->window, "KorvaSet"); }
    void ShowSoundPage() { Pages()->setCurrentIndex(Pages()->count() - 1); }
    QComboBox* Combo(const char* name) { return Find<QComboBox>(program_->window, name); }

  private slots:
    void init() {
        dir_ = std::make_unique<TempDir>();
        soundFonts_ = dir_->Path() / "sf2";
        std::filesystem::create_directory(soundFonts_);
        dir_->Write("sf2/Piano.sf2", "RIFF");
        dir_->Write("sf2/Strings.sf3", "RIFF");
        ports_ = {"Midi Through:Midi Through Port-0 14:0", "SC-88 Pro:SC-88 Pro MIDI 1 20:0"};
        listed_ = 0;
    }
    void cleanup() {
        program_.reset();
        QCOMPARE(testing::WindowsLeftBehind(), QStringList());
        dir_.reset();
    }

    void PageFollowsTheAdvancedOneWithItsControlsInOrder() {
        Program& p = Open();
        QTabWidget* pages = Pages();
        const int advanced = pages->indexOf(Find(p.window, "KorvaSet3"));
        QCOMPARE(pages->tabText(advanced), U8("  高度な設定  "));
        QCOMPARE(pages->tabText(pages->count() - 1), U8("音源"));
        QVERIFY(pages->count() - 1 > advanced);
        ShowSoundPage();
        p.window.grab();  // lays the page out
        QWidget* page = pages->currentWidget();
        QCOMPARE(Find<QGroupBox>(p.window, "OutputGroupBox")->title().trimmed(), U8("出力先"));
        QCOMPARE(Find<QGroupBox>(p.window, "SynthGroupBox")->title().trimmed(), U8("内蔵シンセサイザー"));
        QCOMPARE(Combo("OutputComboBox")->accessibleName(), U8("出力先"));
        QCOMPARE(Find<QPushButton>(p.window, "SoundFontRefBitBtn")->text(), U8("参照"));
        QCOMPARE(Find<QCheckBox>(p.window, "ReverbCheckBox")->text(), U8("リバーブ"));
        QCOMPARE(Find<QCheckBox>(p.window, "ChorusCheckBox")->text(), U8("コーラス"));
        QCOMPARE(Find<QPushButton>(p.window, "SynthSaveBitBtn")->text(), U8("設定保存"));
        auto* gain = Find<QDoubleSpinBox>(p.window, "GainSpinBox");
        QCOMPARE(gain->minimum(), 0.01);
        QCOMPARE(gain->maximum(), 2.0);
        QCOMPARE(gain->singleStep(), 0.05);
        QCOMPARE(gain->value(), 0.2);
        // Top to bottom, left to right, every control on the page and inside it.
        const QStringList order = {"OutputComboBox", "SoundFontComboBox", "SoundFontRefBitBtn",
                                   "ReverbCheckBox", "ChorusCheckBox",    "GainSpinBox",
                                   "SynthSaveBitBtn"};
        QPoint last(-1, -1);
        for (const QString& name : order) {
            QWidget* control = Find(p.window, name.toLatin1().constData());
            QVERIFY2(page->isAncestorOf(control), qPrintable(name));
            QVERIFY2(page->rect().contains(QRect(control->mapTo(page, QPoint()), control->size())),
                     qPrintable(name));
            const QPoint at = control->mapTo(page, QPoint());
            QVERIFY2(at.y() > last.y() || (at.y() == last.y() && at.x() > last.x()), qPrintable(name));
            last = at;
        }
        QCOMPARE(Items(Combo("SoundFontComboBox")),
                 QStringList({U8("標準（システムの SoundFont）"),
                              QString::fromStdString(
                                  (std::filesystem::canonical(soundFonts_) / "Piano.sf2").string()),
                              QString::fromStdString(
                                  (std::filesystem::canonical(soundFonts_) / "Strings.sf3").string())}));
        QCOMPARE(Combo("SoundFontComboBox")->currentIndex(), 0);
        QCOMPARE(Find(p.window, "SynthSaveBitBtn")->toolTip(),
                 U8("「音源」を保存する．有効になるのは次の曲から"));
    }

    void HintsFollowTheSetting() {
        Program& p = Open("[KORVA]\r\nUSEHNT2=0\r\n");
        QVERIFY(Find(p.window, "SynthSaveBitBtn")->toolTip().isEmpty());
        QVERIFY(Combo("OutputComboBox")->toolTip().isEmpty());
        QVERIFY(!Combo("OutputComboBox")->accessibleDescription().isEmpty());
    }

    void PortsAreListedAfreshEachTimeThePageIsShown() {
        Program& p = Open();
        QCOMPARE(listed_, 0);  // the other pages have no use for them
        ShowSoundPage();
        QCOMPARE(listed_, 1);
        QCOMPARE(
            Items(Combo("OutputComboBox")),
            QStringList({U8("内蔵シンセサイザー"), QStringLiteral("Midi Through:Midi Through Port-0 14:0"),
                         QStringLiteral("SC-88 Pro:SC-88 Pro MIDI 1 20:0")}));
        QCOMPARE(Combo("OutputComboBox")->currentIndex(), 0);

        ports_ = {"FLUID Synth (1234):Synth input port (1234:0) 128:0", "外部音源"};
        Pages()->setCurrentIndex(0);
        ShowSoundPage();
        QCOMPARE(Items(Combo("OutputComboBox")),
                 QStringList({U8("内蔵シンセサイザー"),
                              QStringLiteral("FLUID Synth (1234):Synth input port (1234:0) 128:0"),
                              U8("外部音源")}));

        // Closed and shown again with the page current.
        ports_ = {"Later"};
        p.window.close();
        p.window.LoadSettingsWindow();
        p.window.ShowSettingsWindow();
        QCOMPARE(Items(Combo("OutputComboBox")),
                 QStringList({U8("内蔵シンセサイザー"), QStringLiteral("Later")}));
        QCOMPARE(listed_, 3);
    }

    void WithoutAListerOnlyTheBuiltInSynthIsOffered() {
        program_ = std::make_unique<Program>(*dir_);
        program_->window.ShowSettingsWindow();
        ShowSoundPage();
        QCOMPARE(Items(Combo("OutputComboBox")), QStringList({U8("内蔵シンセサイザー")}));
        QVERIFY(Find(program_->window, "SynthGroupBox")->isEnabled());
    }

    void ChoosingAPortDisablesTheSynthControls() {
        Program& p = Open();
        ShowSoundPage();
        for (const char* name : kSynthControls) QVERIFY2(Find(p.window, name)->isEnabled(), name);
        Combo("OutputComboBox")->setCurrentIndex(2);
        for (const char* name : kSynthControls) QVERIFY2(!Find(p.window, name)->isEnabled(), name);
        QVERIFY(Combo("OutputComboBox")->isEnabled());
        QVERIFY(Find(p.window, "SynthSaveBitBtn")->isEnabled());
        Combo("OutputComboBox")->setCurrentIndex(0);
        for (const char* name : kSynthControls) QVERIFY2(Find(p.window, name)->isEnabled(), name);
    }

    void SaveWritesTheSynthSectionAlone() {
        const std::string korva = "[KORVA]\r\nPLAYMOD=2\r\nMYKEY=mine\r\n";
        Program& p = Open(korva + "[SYNTH]\r\nAUDIODRV=alsa\r\n");
        // A change on another page acts on the settings at once but is written by its own button.
        Click(Find<QRadioButton>(p.window, "ArtsRadioButton"));
        QCOMPARE(p.model.settings.PLAYMOD, ARTS);
        ShowSoundPage();
        Combo("SoundFontComboBox")->setCurrentIndex(2);
        Click(Find<QCheckBox>(p.window, "ReverbCheckBox"));
        auto* gain = Find<QDoubleSpinBox>(p.window, "GainSpinBox");
        gain->stepUp();  // one step up from 0.20, as its up arrow does
        QCOMPARE(gain->value(), 0.25);
        // A port chosen afterwards leaves the synthesizer's controls as they were set, and saved.
        Combo("OutputComboBox")->setCurrentIndex(2);
        Combo("OutputComboBox")->setCurrentIndex(1);         // the last choice counts
        Click(Find<QCheckBox>(p.window, "ChorusCheckBox"));  // out of use: no change
        QCOMPARE(p.model.settings.MIDIOUT, std::string());   // nothing applied before the save
        Click(Find<QPushButton>(p.window, "SynthSaveBitBtn"));
        QCOMPARE(p.messages.shown, QStringList{U8("音源の設定を保存しました。次の曲から使われます")});
        const std::string strings = (std::filesystem::canonical(soundFonts_) / "Strings.sf3").string();
        QCOMPARE(
            QString::fromStdString(dir_->Read("KORVA.INI")),
            QString::fromStdString(
                korva + "[SYNTH]\r\nAUDIODRV=alsa\r\nSOUNDFONT=" + strings +
                "\r\nMIDIOUT=Midi Through:Midi Through Port-0 14:0\r\nREVERB=0\r\nCHORUS=1\r\nGAIN=25\r\n"));
        QCOMPARE(p.model.settings.MIDIOUT, std::string("Midi Through:Midi Through Port-0 14:0"));
        QCOMPARE(p.model.settings.SOUNDFONT, strings);
        QVERIFY(!p.model.settings.REVERB);
        QCOMPARE(p.model.settings.GAIN, 25);
        QCOMPARE(p.model.settings.PLAYMOD, ARTS);
    }

    void PortThatIsGoneStaysChosenWithItsMark() {
        Program& p = Open("[SYNTH]\r\nMIDIOUT=" + Sjis("外部音源") + "\r\nGAIN=100000\r\n");
        ShowSoundPage();
        QCOMPARE(Combo("OutputComboBox")->currentText(), U8("外部音源（見つかりません）"));
        QCOMPARE(Combo("OutputComboBox")->currentIndex(), 3);
        QVERIFY(!Find(p.window, "SynthGroupBox")->isEnabled());
        QCOMPARE(Find<QDoubleSpinBox>(p.window, "GainSpinBox")->value(), 2.0);
        Click(Find<QPushButton>(p.window, "SynthSaveBitBtn"));
        QCOMPARE(p.model.settings.MIDIOUT, Sjis("外部音源"));
        QVERIFY(dir_->Read("KORVA.INI").find("MIDIOUT=" + Sjis("外部音源") + "\r\n") != std::string::npos);
        // Found again once the port is back.
        ports_.push_back("外部音源");
        Pages()->setCurrentIndex(0);
        ShowSoundPage();
        QCOMPARE(Combo("OutputComboBox")->currentIndex(), 3);
        QCOMPARE(Combo("OutputComboBox")->currentText(), U8("外部音源"));
    }

    void EditsNotSavedAreDroppedWhenThePageIsShownAgain() {
        Program& p = Open("[SYNTH]\r\nCHORUS=0\r\nGAIN=0\r\n");
        ShowSoundPage();
        QCOMPARE(Find<QDoubleSpinBox>(p.window, "GainSpinBox")->value(), 0.01);
        QVERIFY(!Find<QCheckBox>(p.window, "ChorusCheckBox")->isChecked());
        for (int leave = 0; leave < 2; ++leave) {
            Combo("OutputComboBox")->setCurrentIndex(1);
            Combo("SoundFontComboBox")->setCurrentIndex(1);
            Find<QCheckBox>(p.window, "ChorusCheckBox")->setChecked(true);
            Find<QDoubleSpinBox>(p.window, "GainSpinBox")->setValue(1.5);
            if (leave == 0) {
                Pages()->setCurrentIndex(3);
                ShowSoundPage();
            } else {
                Click(Find<QPushButton>(p.window, "CloseBitBtn"));
                p.window.ShowSettingsWindow();
            }
            QCOMPARE(Combo("OutputComboBox")->currentIndex(), 0);
            QCOMPARE(Combo("SoundFontComboBox")->currentIndex(), 0);
            QVERIFY(!Find<QCheckBox>(p.window, "ChorusCheckBox")->isChecked());
            QCOMPARE(Find<QDoubleSpinBox>(p.window, "GainSpinBox")->value(), 0.01);
            QVERIFY(Find(p.window, "SynthGroupBox")->isEnabled());
        }
        QCOMPARE(p.model.settings.GAIN, 0);
        QVERIFY(dir_->Read("KORVA.INI").find("MIDIOUT") == std::string::npos);
    }

    void NameShiftJisCannotHoldIsToldAndNothingIsWritten() {
        ports_ = {"Synthé 🎹"};
        const std::string ini = "[KORVA]\r\nPLAYMOD=2\r\n";
        Program& p = Open(ini);
        ShowSoundPage();
        Combo("OutputComboBox")->setCurrentIndex(1);
        QCOMPARE(Combo("OutputComboBox")->currentText(), QStringLiteral("Synthé 🎹"));
        Click(Find<QPushButton>(p.window, "SynthSaveBitBtn"));
        QCOMPARE(p.messages.shown.size(), 1);
        QVERIFY2(p.messages.shown[0].contains(QStringLiteral("Synthé 🎹")) &&
                     p.messages.shown[0].contains(U8("Shift-JIS")) &&
                     p.messages.shown[0].contains(U8("保存していません")),
                 qPrintable(p.messages.shown[0]));
        QCOMPARE(dir_->Read("KORVA.INI"), ini);
        QCOMPARE(p.model.settings.MIDIOUT, std::string());

        // A SoundFont file of such a name is refused by the file dialog.
        const std::string odd = dir_->Write("sf2/Ünïcode 🎹.sf2", "RIFF");
        Combo("OutputComboBox")->setCurrentIndex(0);
        ModalAnswers answers({Choose(odd)});
        Click(Find<QPushButton>(p.window, "SoundFontRefBitBtn"));
        QCOMPARE(answers.Answered(), 1u);
        QCOMPARE(p.messages.shown.size(), 2);
        QVERIFY2(p.messages.shown[1].contains(QStringLiteral("Ünïcode 🎹.sf2")),
                 qPrintable(p.messages.shown[1]));
        QCOMPARE(Combo("SoundFontComboBox")->currentIndex(), 0);
        QCOMPARE(dir_->Read("KORVA.INI"), ini);
    }

    void BrowseButtonOpensTheSoundFontDialogAndListsTheFile() {
        Program& p = Open();
        const std::string mine = dir_->Write("My Bank.sf2", "RIFF");
        ShowSoundPage();
        QStringList filters;
        QString start;
        ModalAnswers answers({[&](QDialog* dialog) {
            auto* files = qobject_cast<QFileDialog*>(dialog);
            QVERIFY(files);
            filters = files->nameFilters();
            start = files->directory().absolutePath();
            Choose(mine)(dialog);
        }});
        Click(Find<QPushButton>(p.window, "SoundFontRefBitBtn"));
        QCOMPARE(answers.titles, QStringList{U8("SoundFont の選択")});
        QCOMPARE(filters, QStringList{QStringLiteral("SoundFont (*.sf2 *.sf3)")});
        QCOMPARE(start, QStringLiteral("/usr/share/sounds/sf2"));
        QCOMPARE(Combo("SoundFontComboBox")->currentText(), QString::fromStdString(mine));
        QCOMPARE(Combo("SoundFontComboBox")->count(), 4);

        // The dialog can be stood in for; choosing the same file again lists it once.
        struct Fixed final : SoundFontDialog {
            std::string path;
            std::optional<std::string> ChooseSoundFont(const std::string&) override { return path; }
        } fixed;
        fixed.path = mine;
        p.window.SetSoundFontDialog(&fixed);
        Combo("SoundFontComboBox")->setCurrentIndex(1);
        Click(Find<QPushButton>(p.window, "SoundFontRefBitBtn"));
        QCOMPARE(Combo("SoundFontComboBox")->count(), 4);
        QCOMPARE(Combo("SoundFontComboBox")->currentIndex(), 3);
        p.window.SetSoundFontDialog(nullptr);
        Click(Find<QPushButton>(p.window, "SynthSaveBitBtn"));
        QCOMPARE(p.model.settings.SOUNDFONT, mine);
    }

    void PageFitsTheWindowWithoutGrowingIt() {
        Program& p = Open(
            "[SYNTH]\r\nSOUNDFONT=/a/very/long/folder/name/that/goes/on/and/on/and/on/for/a/while/"
            "longer/than/the/window/is/wide/Bank.sf2\r\n");
        ports_.push_back(std::string(120, 'P'));
        p.window.grab();
        const QSize before = p.window.size();
        ShowSoundPage();
        const QImage image = p.window.grab().toImage();
        // Long names in the lists do not widen the window.
        QCOMPARE(p.window.size(), before);
        QCOMPARE(image.size() / image.devicePixelRatio(), before);
        QWidget* page = Pages()->currentWidget();
        QVERIFY2(page->minimumSizeHint().width() <= page->width() &&
                     page->minimumSizeHint().height() <= page->height(),
                 qPrintable(QStringLiteral("%1x%2 in %3x%4")
                                .arg(page->minimumSizeHint().width())
                                .arg(page->minimumSizeHint().height())
                                .arg(page->width())
                                .arg(page->height())));
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); y += 3)
            for (int x = 0; x < image.width(); x += 3) colours.insert(image.pixel(x, y));
        QVERIFY2(colours.size() > 8, qPrintable(QString::number(colours.size())));
        const QString folder = qEnvironmentVariable("KORVA_GRAB_DIR");
        if (!folder.isEmpty()) {
            QVERIFY(image.save(folder + QStringLiteral("/settings-sound.png")));
            Combo("OutputComboBox")->setCurrentIndex(1);
            QVERIFY(p.window.grab().save(folder + QStringLiteral("/settings-sound-port.png")));
        }
    }
};

}  // namespace korva

QTEST_MAIN(korva::TSetUpDlgSoundTest)
#include "TSetUpDlgSoundTest.moc"
