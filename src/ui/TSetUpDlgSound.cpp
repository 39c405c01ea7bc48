// The settings window's sound page: the output, the built-in synthesizer's SoundFont and sound.

#include "ui/TSetUpDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QSignalBlocker>
#include <exception>

namespace korva {

namespace {

void ShowList(QComboBox* box, const SoundPageList& list) {
    box->clear();
    for (const SoundPageItem& item : list.items) box->addItem(QString::fromStdString(item.caption));
    box->setCurrentIndex(static_cast<int>(list.chosen));
}

}  // namespace

void TSetUpDlg::EnterSoundPage() {
    std::vector<std::string> ports;
    if (portLister_) {
        // A system that cannot list its ports offers none; the built-in synthesizer is always there.
        try {
            ports = portLister_();
        } catch (const std::exception&) {
            ports.clear();
        }
    }
    sound_.Fill(ports, InstalledSoundFonts(soundFontFolders_));
    ShowSoundPage();
}

void TSetUpDlg::ShowSoundPage() {
    // The controls show the rules' state; their own change actions would only repeat it.
    const QSignalBlocker outputs(outputComboBox_);
    const QSignalBlocker soundFonts(soundFontComboBox_);
    const QSignalBlocker reverb(reverbCheckBox_);
    const QSignalBlocker chorus(chorusCheckBox_);
    const QSignalBlocker gain(gainSpinBox_);
    ShowList(outputComboBox_, sound_.Outputs());
    ShowList(soundFontComboBox_, sound_.SoundFonts());
    reverbCheckBox_->setChecked(sound_.Reverb());
    chorusCheckBox_->setChecked(sound_.Chorus());
    gainSpinBox_->setValue(sound_.Gain() / 100.0);
    synthGroupBox_->setEnabled(sound_.SynthControlsEnabled());
}

void TSetUpDlg::OutputComboBoxChange(int index) {
    if (index < 0)
        return;
    sound_.ChooseOutput(static_cast<std::size_t>(index));
    synthGroupBox_->setEnabled(sound_.SynthControlsEnabled());
}

void TSetUpDlg::SoundFontRefBitBtnClick() {
    if (sound_.BrowseSoundFont(*soundFontDialog_))
        ShowSoundPage();
}

}  // namespace korva
