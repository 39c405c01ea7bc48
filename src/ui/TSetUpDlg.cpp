#include "ui/TSetUpDlg.h"

#include "ui/Centring.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFileDialog>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QToolButton>
#include <algorithm>

#include "text/Encoding.h"
#include "ui/ListFont.h"
#include "ui/QtText.h"
#include "ui/QtViews.h"

namespace korva {

namespace {

// Checks the button with the id, or none for nullopt (an exclusive group must let go for that).
void CheckOnly(QButtonGroup* group, std::optional<int> id) {
    if (id && group->button(*id)) {
        group->button(*id)->setChecked(true);
        return;
    }
    group->setExclusive(false);
    for (QAbstractButton* button : group->buttons()) button->setChecked(false);
    group->setExclusive(true);
}

}  // namespace

TSetUpDlg::TSetUpDlg(AppModel& model, SettingsPorts ports, MessageView& messages, QWidget* parent)
    : QDialog(parent),
      model_(model),
      ports_(ports),
      messages_(messages),
      folderDialog_(this, messages),
      rules_(model, ports, *this, messages),
      editor_(model, ports.actions, ports.documents, messages),
      sound_(model, messages),
      qtSoundFontDialog_(this, messages) {
    BuildWindow();
    WireListPage(0);
    WireListPage(1);
    FormCreate();
}

TSetUpDlg::~TSetUpDlg() = default;

void TSetUpDlg::AddWindowLook(WindowLook& look) {
    rules_.AddWindowLook(look);
    look.ApplyListFont();
}

void TSetUpDlg::SetPaletteColour(QWidget* widget, QPalette::ColorRole role, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(role, colour);
    widget->setPalette(palette);
}

void TSetUpDlg::FormCreate() {
    ApplyHints({Page0, Page1, Page2, Page3, Page4, Page5, ModeArea}, model_.settings.USEHNT2);
    ShowDropIndicator(model_.settings.VIWFRNT);
    ApplyListFont();
}

void TSetUpDlg::ApplyHints(std::initializer_list<HintArea> areas, bool on) {
    for (const HintedControl& control : hints_) {
        if (std::find(areas.begin(), areas.end(), control.area) != areas.end())
            control.widget->setToolTip(on ? control.hint : QString());
    }
}

void TSetUpDlg::ApplyListFont() {
    // A size from the file beyond the bar's range is held at the bar's end, where the bar shows it.
    rules_.ScrollBarChange(SetUpScrollBar::FontScrollBar,
                           ScrollBarValue(model_, SetUpScrollBar::FontScrollBar));
    const QFont font = ListFont(model_.settings);
    goticRadioButton_->setChecked(model_.settings.USEFONT != 1);
    minchyoRadioButton_->setChecked(model_.settings.USEFONT == 1);
    for (QWidget* widget : listFontWidgets_) widget->setFont(font);
    {
        // The bar follows the size; its own change action would apply the font a second time.
        const QSignalBlocker blocker(scrollBars_[static_cast<std::size_t>(SetUpScrollBar::FontScrollBar)]);
        ShowScrollBar(SetUpScrollBar::FontScrollBar, model_.settings.FONTSIZ);
    }
    rules_.ApplyListFont();
}

void TSetUpDlg::ShowScrollBar(SetUpScrollBar which, int value) {
    const auto index = static_cast<std::size_t>(which);
    scrollBars_[index]->setValue(value);
    scrollPanels_[index]->setText(QString::number(scrollBars_[index]->value()));
}

void TSetUpDlg::LoadSettingsWindow() {
    const Settings& s = model_.settings;
    CheckListMode(s.PLAYMOD);
    ShowScrollBar(SetUpScrollBar::AdjustHScrollBar, ScrollBarValue(model_, SetUpScrollBar::AdjustHScrollBar));
    ShowScrollBar(SetUpScrollBar::AdjustVScrollBar, ScrollBarValue(model_, SetUpScrollBar::AdjustVScrollBar));
    for (SetUpEdit edit :
         {SetUpEdit::EditorEdit, SetUpEdit::KnifeEdit, SetUpEdit::Btn1Edit, SetUpEdit::Btn2Edit,
          SetUpEdit::Param1Edit, SetUpEdit::Param2Edit, SetUpEdit::List0DirEdit, SetUpEdit::List1DirEdit})
        edits_[static_cast<std::size_t>(edit)]->setText(FromSjis(EditValue(model_.settings, edit)));
    for (SetUpRadioGroup group : {SetUpRadioGroup::ResetRadioGroup, SetUpRadioGroup::FixdRadioGroup})
        CheckOnly(radioGroups_[static_cast<std::size_t>(group)], RadioGroupValue(s, group));
    PressOrderButton(s.RNDMODE);
    PressCycleButton(s.CYCMODE);
    const auto check = [this](std::initializer_list<SetUpCheckBox> boxes) {
        for (SetUpCheckBox box : boxes)
            checkBoxes_[static_cast<std::size_t>(box)]->setChecked(CheckBoxValue(model_.settings, box));
    };
    check({SetUpCheckBox::PosCheckBox, SetUpCheckBox::FrontCheckBox, SetUpCheckBox::ViewCheckBox,
           SetUpCheckBox::VolCheckBox, SetUpCheckBox::HintCheckBox, SetUpCheckBox::Hint2CheckBox,
           SetUpCheckBox::ClockCheckBox, SetUpCheckBox::StreemCheckBox});
    for (SetUpRadioGroup group : {SetUpRadioGroup::DesignRadioGroup, SetUpRadioGroup::StartRadioGroup})
        CheckOnly(radioGroups_[static_cast<std::size_t>(group)], RadioGroupValue(s, group));
    ShowScrollBar(SetUpScrollBar::IntroScrollBar, ScrollBarValue(model_, SetUpScrollBar::IntroScrollBar));
    check({SetUpCheckBox::CloseCheckBox, SetUpCheckBox::UseCVS2CheckBox, SetUpCheckBox::UseSNG2CheckBox,
           SetUpCheckBox::UseMM2SCheckBox, SetUpCheckBox::UseKnifCheckBox});
    ShowScrollBar(SetUpScrollBar::CloseScrollBar, ScrollBarValue(model_, SetUpScrollBar::CloseScrollBar));
    for (int band = 0; band < 6; ++band) {
        if (const auto list = PressedTimeBandList(s, band))
            TimeBandButtonClick(band, *list);
    }
    const auto captions = TimeBandCaptions(s.TIMBAND);
    for (std::size_t band = 0; band < captions.size(); ++band) {
        for (QToolButton* button : bandButtons_[band]) {
            button->setText(QString::fromStdString(captions[band]));
            const QString list =
                button == bandButtons_[band][0] ? QStringLiteral("リスト０") : QStringLiteral("リスト１");
            button->setAccessibleName(list + QLatin1Char(' ') + button->text());
        }
    }
}

void TSetUpDlg::ShowSettingsWindow() {
    if (!placed_) {
        // Centred on the screen the first time; afterwards where the user left it.
        CentreOnScreen(*this);
        placed_ = true;
    }
    show();
    raise();
    activateWindow();
}

void TSetUpDlg::OpenListPage(int list) {
    if (list != 0 && list != 1)
        return;
    // Making the page current enters it; a page that is current already is entered again.
    if (korvaSet_->currentIndex() == list + 1)
        EnterListPage(list);
    else
        korvaSet_->setCurrentIndex(list + 1);
}

void TSetUpDlg::OpenSearchPage() {
    korvaSet_->setCurrentIndex(4);
    ClearSearchPage();
}

void TSetUpDlg::FocusSearchEdit() {
    findEdit_->setFocus();
}

void TSetUpDlg::CheckListMode(int playmod) {
    if (const auto mode = ModeButtonOf(static_cast<std::uint8_t>(playmod)); mode && playmod >= 0)
        modeGroup_->button(*mode)->setChecked(true);
}

void TSetUpDlg::PressOrderButton(int rndmode) {
    CheckOnly(rndGroup_, rndmode >= 0 ? OrderButtonOf(static_cast<std::uint8_t>(rndmode)) : std::nullopt);
}

void TSetUpDlg::PressCycleButton(int cycmode) {
    CheckOnly(cycGroup_, CycleButtonOf(static_cast<std::uint8_t>(cycmode)));
}

void TSetUpDlg::ShowDropIndicator(bool stayOnTop) {
    ddPanel_->setText(stayOnTop ? QStringLiteral("無効") : QStringLiteral("有効"));
    SetPaletteColour(ddPanel_, QPalette::Window, stayOnTop ? QColor(255, 0, 255) : QColor(0, 0, 128));
    SetPaletteColour(ddPanel_, QPalette::WindowText, Qt::white);
}

void TSetUpDlg::TimeBandButtonClick(int band, int list) {
    const auto& pair = bandButtons_[static_cast<std::size_t>(band)];
    pair[static_cast<std::size_t>(list)]->setChecked(true);
    SetPaletteColour(pair[static_cast<std::size_t>(list)], QPalette::ButtonText, Qt::red);
    SetPaletteColour(pair[static_cast<std::size_t>(1 - list)], QPalette::ButtonText, Qt::black);
    rules_.TimeBandButtonClick(band, list);
}

void TSetUpDlg::ScrollBarChange(SetUpScrollBar which, int position) {
    rules_.ScrollBarChange(which, position);
    scrollPanels_[static_cast<std::size_t>(which)]->setText(QString::number(position));
    if (which == SetUpScrollBar::FontScrollBar)
        ApplyListFont();
}

void TSetUpDlg::CheckBoxClick(SetUpCheckBox which, bool checked) {
    rules_.CheckBoxClick(which, checked);
    if (which == SetUpCheckBox::FrontCheckBox)
        ShowDropIndicator(checked);
    if (which == SetUpCheckBox::Hint2CheckBox)
        ApplyHints({Page1, ModeArea}, checked);
}

void TSetUpDlg::EditChange(SetUpEdit which, const QString& text) {
    // Text that Shift-JIS cannot hold is not stored; the setting keeps the last text it could hold.
    if (const auto sjis = ToSjis(text))
        rules_.EditChange(which, *sjis);
}

void TSetUpDlg::RefBitBtnClick() {
    const auto filled = rules_.RefBitBtnClick();
    if (!filled)
        return;
    const std::optional<SetUpEdit> field = PathEditOf(filled->field);
    if (field)
        edits_[static_cast<std::size_t>(*field)]->setText(FromSjis(filled->path));
}

void TSetUpDlg::SpeedButton2Click() {
    if (const auto chosen = rules_.SpeedButton2Click())
        edits_[static_cast<std::size_t>(SetUpEdit::KnifeEdit)]->setText(FromSjis(*chosen));
}

void TSetUpDlg::IntroBitBtnClick() {
    const std::optional<int> list = play0RadioButton_->isChecked()   ? std::optional<int>(0)
                                    : play1RadioButton_->isChecked() ? std::optional<int>(1)
                                                                     : std::nullopt;
    rules_.IntroBitBtnClick(list,
                            scrollBars_[static_cast<std::size_t>(SetUpScrollBar::IntroScrollBar)]->value());
}

void TSetUpDlg::K97PanelClick() {
    if (about_) {
        CentreOnScreen(*about_);
        about_->exec();
    }
}

void TSetUpDlg::KorvaSetChange(int page) {
    if (page == 1 || page == 2)
        EnterListPage(page - 1);
    if (page == 4)
        findEdit_->setFocus();
    if (page == kSoundPage)
        EnterSoundPage();
}

void TSetUpDlg::ClearButtonClick() {
    ClearSearchPage();
    findEdit_->setFocus();
}

void TSetUpDlg::ClearSearchPage() {
    findEdit_->clear();
    msgLabel_->clear();
    findMonEdit_->clear();
    find0ListBox_->clear();
    find1ListBox_->clear();
    foundLines_ = {};
    findMonLine_.clear();
}

void TSetUpDlg::ClearListPage(int list) {
    ListPage& page = listPages_[static_cast<std::size_t>(list)];
    ShowName(list, {});
    ShowPath(list, {});
    CheckOnly(page.feel, std::nullopt);
    page.vol->setValue(0);
    page.volPanel->setText(QStringLiteral("+0"));
    page.txt->setEnabled(false);
    page.doc->setEnabled(false);
}

void TSetUpDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Shown again with the sound page current, the page is entered again; a window brought back
    // from the taskbar is no new showing, and keeps the page as it was.
    if (!event->spontaneous() && korvaSet_->currentIndex() == kSoundPage)
        EnterSoundPage();
}

void TSetUpDlg::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    // A hide by the window system (minimising) is no close.
    if (!event->spontaneous())
        rules_.FormClose();
}

std::optional<std::string> TSetUpDlg::ChosenPath(const QString& chosen) {
    QString failed;
    if (auto sjis = ToSjis(chosen, &failed))
        return sjis;
    messages_.ShowMessage(UnholdableNamesMessage({ToSjisForMessage(chosen)}));
    return std::nullopt;
}

std::optional<std::string> TSetUpDlg::ChooseProgramFile(const std::string& sjisTitle,
                                                        const std::string& filterName) {
    // Programs here carry no extension, so every file is offered.
    return ChooseFile(FromSjis(sjisTitle), QString::fromStdString(filterName) + QStringLiteral("(*)"),
                      QString());
}

std::optional<std::string> TSetUpDlg::ChooseFile(const QString& title, const QString& filter,
                                                 const QString& folder) {
    QFileDialog dialog(this, title, folder, filter);
    dialog.setObjectName(QStringLiteral("OpenDialog1"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::ReadOnly);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return ChosenPath(dialog.selectedFiles().front());
}

std::optional<std::string> TSetUpDlg::ChooseFolder(const std::string& startFolder) {
    return folderDialog_.ChooseFolder(startFolder);
}

}  // namespace korva
