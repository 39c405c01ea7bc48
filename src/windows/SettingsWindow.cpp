#include "windows/SettingsWindow.h"

#include <algorithm>
#include <cstdio>

#include "app/Errors.h"
#include "app/SettingsFile.h"
#include "text/Encoding.h"
#include "text/ShiftJis.h"

namespace korva {

namespace {

// Templates so that one table serves the const record as well.
template <typename S>
auto EditField(S& s, SetUpEdit edit) -> decltype(&s.LST0DIR) {
    switch (edit) {
        case SetUpEdit::List0DirEdit:
            return &s.LST0DIR;
        case SetUpEdit::List1DirEdit:
            return &s.LST1DIR;
        case SetUpEdit::EditorEdit:
            return &s.EDTPATH;
        case SetUpEdit::KnifeEdit:
            return &s.SMFPATH;
        case SetUpEdit::Btn1Edit:
            return &s.SMFBTN1;
        case SetUpEdit::Btn2Edit:
            return &s.SMFBTN2;
        case SetUpEdit::Param1Edit:
            return &s.SMFPRM1;
        case SetUpEdit::Param2Edit:
            return &s.SMFPRM2;
    }
    return nullptr;
}

template <typename S>
auto CheckBoxField(S& s, SetUpCheckBox box) -> decltype(&s.POSCTRL) {
    switch (box) {
        case SetUpCheckBox::PosCheckBox:
            return &s.POSCTRL;
        case SetUpCheckBox::ViewCheckBox:
            return &s.INTLOCK;
        case SetUpCheckBox::VolCheckBox:
            return &s.AUTOVOL;
        case SetUpCheckBox::FrontCheckBox:
            return &s.VIWFRNT;
        case SetUpCheckBox::ClockCheckBox:
            return &s.USECLOK;
        case SetUpCheckBox::StreemCheckBox:
            return &s.USESTRM;
        case SetUpCheckBox::HintCheckBox:
            return &s.USEHNT1;
        case SetUpCheckBox::Hint2CheckBox:
            return &s.USEHNT2;
        case SetUpCheckBox::CloseCheckBox:
            return &s.AUTOCLS;
        case SetUpCheckBox::UseCVS2CheckBox:
            return &s.USECVS2;
        case SetUpCheckBox::UseSNG2CheckBox:
            return &s.USESNG2;
        case SetUpCheckBox::UseMM2SCheckBox:
            return &s.USEMM2S;
        case SetUpCheckBox::UseKnifCheckBox:
            return &s.USEKNIF;
    }
    return nullptr;
}

int RadioGroupSetting(const Settings& s, SetUpRadioGroup group) {
    switch (group) {
        case SetUpRadioGroup::ResetRadioGroup:
            return s.SENDRST;
        case SetUpRadioGroup::FixdRadioGroup:
            return s.FIXDPOS;
        case SetUpRadioGroup::DesignRadioGroup:
            return s.DELUXED;
        case SetUpRadioGroup::StartRadioGroup:
            return s.ATSTART;
    }
    return -1;
}

}  // namespace

PathField PathFieldOf(SetUpEdit edit) {
    switch (edit) {
        case SetUpEdit::EditorEdit:
            return PathField::EDIT;
        case SetUpEdit::KnifeEdit:
            return PathField::KNIF;
        case SetUpEdit::List0DirEdit:
            return PathField::LST0;
        case SetUpEdit::List1DirEdit:
            return PathField::LST1;
        default:
            return PathField::None;
    }
}

std::optional<SetUpEdit> PathEditOf(PathField field) {
    switch (field) {
        case PathField::EDIT:
            return SetUpEdit::EditorEdit;
        case PathField::KNIF:
            return SetUpEdit::KnifeEdit;
        case PathField::LST0:
            return SetUpEdit::List0DirEdit;
        case PathField::LST1:
            return SetUpEdit::List1DirEdit;
        case PathField::None:
            break;
    }
    return std::nullopt;
}

ScrollRange RangeOf(SetUpScrollBar bar) {
    switch (bar) {
        case SetUpScrollBar::AdjustHScrollBar:
        case SetUpScrollBar::AdjustVScrollBar:
            return {0, 200, 1, 10};
        case SetUpScrollBar::FontScrollBar:
            return {8, 14, 1, 1};
        case SetUpScrollBar::IntroScrollBar:
        case SetUpScrollBar::CloseScrollBar:
            return {10, 60, 5, 10};
    }
    return {};
}

int ItemCount(SetUpRadioGroup group) {
    switch (group) {
        case SetUpRadioGroup::ResetRadioGroup:
            return 4;
        case SetUpRadioGroup::FixdRadioGroup:
            return 9;
        case SetUpRadioGroup::DesignRadioGroup:
            return 2;
        case SetUpRadioGroup::StartRadioGroup:
            return 3;
    }
    return 0;
}

std::string EditValue(const Settings& settings, SetUpEdit edit) {
    return *EditField(settings, edit);
}

bool CheckBoxValue(const Settings& settings, SetUpCheckBox box) {
    return *CheckBoxField(settings, box);
}

std::optional<int> RadioGroupValue(const Settings& settings, SetUpRadioGroup group) {
    const int value = RadioGroupSetting(settings, group);
    if (value < 0 || value >= ItemCount(group))
        return std::nullopt;
    return value;
}

int ScrollBarValue(const AppModel& model, SetUpScrollBar bar) {
    const Settings& s = model.settings;
    int value = 0;
    switch (bar) {
        case SetUpScrollBar::AdjustHScrollBar:
            value = s.ADJUSTH;
            break;
        case SetUpScrollBar::AdjustVScrollBar:
            value = s.ADJUSTV;
            break;
        case SetUpScrollBar::FontScrollBar:
            value = s.FONTSIZ;
            break;
        case SetUpScrollBar::IntroScrollBar:
            value = model.play.IntroSeconds;
            break;
        case SetUpScrollBar::CloseScrollBar:
            value = s.CLSTIME;
            break;
    }
    const ScrollRange range = RangeOf(bar);
    return std::clamp(value, range.min, range.max);
}

std::optional<int> ModeButtonOf(std::uint8_t playmod) {
    if (playmod > EASY)
        return std::nullopt;
    return playmod;
}

std::optional<int> OrderButtonOf(std::uint8_t rndmode) {
    if (rndmode > RND)
        return std::nullopt;
    return rndmode;
}

int CycleButtonOf(std::uint8_t cycmode) {
    return cycmode == 1 ? 1 : 0;
}

std::optional<int> PressedTimeBandList(const Settings& settings, int band) {
    if (band < 0 || band > 5)
        return std::nullopt;
    const int list = settings.PROGRM[static_cast<std::size_t>(band)];
    if (list != 0 && list != 1)
        return std::nullopt;
    return list;
}

std::array<std::string, 6> TimeBandCaptions(const std::string& timband) {
    std::array<std::string, 6> captions;
    const auto hours = TimeBandHours(timband);
    for (std::size_t band = 0; band < captions.size(); ++band) {
        if (!hours) {
            captions[band] = "??..??";
            continue;
        }
        char text[16];
        std::snprintf(text, sizeof text, "%02d..%02d", (*hours)[band], (*hours)[(band + 1) % 6]);
        captions[band] = text;
    }
    return captions;
}

std::string StoredListFolder(std::string_view typed) {
    return WithTrailingPathDelimiter(typed);
}

SettingsWindow::SettingsWindow(AppModel& model, SettingsPorts ports, SettingsWindowView& view,
                               MessageView& messages)
    : model_(model), ports_(ports), view_(view), messages_(messages) {}

void SettingsWindow::ApplyWindowHints() {
    for (WindowLook* look : looks_) look->ApplyHints(model_.settings.USEHNT2);
}

void SettingsWindow::ApplyListFont() {
    for (WindowLook* look : looks_) look->ApplyListFont();
}

void SettingsWindow::ModeRadioButtonClick(std::uint8_t playmod) {
    if (model_.settings.PLAYMOD != playmod)
        ports_.actions.Stop();
    model_.settings.PLAYMOD = playmod;
    ports_.deck.ShowModeLabel();
}

void SettingsWindow::CycSpeedButtonClick(int cycmode) {
    model_.settings.CYCMODE = static_cast<std::uint8_t>(cycmode);
}

void SettingsWindow::RndSpeedButtonClick(int rndmode) {
    model_.settings.RNDMODE = static_cast<std::uint8_t>(rndmode);
    // The deck shows the order in force, whichever window changed it.
    ports_.deck.ShowOrderLabel();
}

void SettingsWindow::TimeBandButtonClick(int band, int list) {
    if (band >= 0 && band <= 5)
        model_.settings.PROGRM[static_cast<std::size_t>(band)] = static_cast<std::uint8_t>(list);
}

void SettingsWindow::EditChange(SetUpEdit edit, const std::string& sjisText) {
    const bool folder = edit == SetUpEdit::List0DirEdit || edit == SetUpEdit::List1DirEdit;
    *EditField(model_.settings, edit) = folder ? StoredListFolder(sjisText) : sjisText;
}

void SettingsWindow::CheckBoxClick(SetUpCheckBox box, bool checked) {
    *CheckBoxField(model_.settings, box) = checked;
    switch (box) {
        case SetUpCheckBox::PosCheckBox:
            if (checked)
                ports_.deck.PlaceWindowsOnGrid();
            break;
        case SetUpCheckBox::VolCheckBox:
            if (!checked) {
                ports_.deck.HideVolumeControls();
            } else if (!ports_.actions.FindVolumeDevice()) {
                ports_.deck.ShowStatus(Sjis(".. 音量制御できません"), StatusKind::Notice);
            }
            break;
        case SetUpCheckBox::FrontCheckBox:
            ports_.deck.ApplyStayOnTop();
            if (!checked)
                messages_.ShowMessage(Sjis("ドラッグ＆ドロップをすぐに受付けます"));
            break;
        case SetUpCheckBox::HintCheckBox:
            ports_.deck.ApplyDeckHints();
            break;
        case SetUpCheckBox::Hint2CheckBox:
            ApplyWindowHints();
            break;
        default:
            break;
    }
}

void SettingsWindow::RadioGroupClick(SetUpRadioGroup group, int index) {
    if (index < 0 || index >= ItemCount(group))
        return;
    Settings& s = model_.settings;
    switch (group) {
        case SetUpRadioGroup::ResetRadioGroup:
            s.SENDRST = static_cast<std::uint8_t>(index);
            break;
        case SetUpRadioGroup::FixdRadioGroup:
            s.FIXDPOS = static_cast<std::uint8_t>(index);
            PlaceIfControlled();
            break;
        case SetUpRadioGroup::DesignRadioGroup:
            s.DELUXED = index;
            break;
        case SetUpRadioGroup::StartRadioGroup:
            s.ATSTART = index;
            break;
    }
}

void SettingsWindow::ScrollBarChange(SetUpScrollBar bar, int position) {
    const ScrollRange range = RangeOf(bar);
    const int value = std::clamp(position, range.min, range.max);
    Settings& s = model_.settings;
    switch (bar) {
        case SetUpScrollBar::AdjustHScrollBar:
            s.ADJUSTH = static_cast<std::uint8_t>(value);
            PlaceIfControlled();
            break;
        case SetUpScrollBar::AdjustVScrollBar:
            s.ADJUSTV = static_cast<std::uint8_t>(value);
            PlaceIfControlled();
            break;
        case SetUpScrollBar::FontScrollBar:
            s.FONTSIZ = static_cast<std::uint8_t>(value);
            break;
        case SetUpScrollBar::IntroScrollBar:
            model_.play.IntroSeconds = value;
            break;
        case SetUpScrollBar::CloseScrollBar:
            s.CLSTIME = static_cast<std::uint8_t>(value);
            break;
    }
}

void SettingsWindow::FontRadioButtonClick(int usefont) {
    model_.settings.USEFONT = static_cast<std::uint8_t>(usefont == 1 ? 1 : 0);
}

void SettingsWindow::PlaceIfControlled() {
    if (model_.settings.POSCTRL)
        ports_.deck.PlaceWindowsOnGrid();
}

std::optional<FilledPath> SettingsWindow::RefBitBtnClick() {
    if (ReferenceTarget == PathField::EDIT || ReferenceTarget == PathField::KNIF) {
        const bool editor = ReferenceTarget == PathField::EDIT;
        auto chosen = view_.ChooseProgramFile(Sjis(editor ? "ドキュメント閲覧ツールを選択してください"
                                                          : "ＳＭＦナイフのパスを選択してください"),
                                              "ALL File");
        if (!chosen)
            return std::nullopt;
        return FilledPath{ReferenceTarget, std::move(*chosen)};
    }
    model_.LastFolder.clear();
    const auto folder = view_.ChooseFolder(model_.LastFolder);
    if (!folder)
        return std::nullopt;
    model_.LastFolder = WithTrailingPathDelimiter(*folder);
    const bool fills = ReferenceTarget == PathField::LST0 || ReferenceTarget == PathField::LST1;
    return FilledPath{fills ? ReferenceTarget : PathField::None, model_.LastFolder};
}

std::optional<std::string> SettingsWindow::SpeedButton2Click() {
    auto chosen = view_.ChooseProgramFile(Sjis("ＳＭＦナイフを選択してください"), "EXE.File");
    if (chosen)
        model_.settings.SMFPATH = *chosen;
    return chosen;
}

void SettingsWindow::IntroBitBtnClick(std::optional<int> list, int introSeconds) {
    if (!list || (*list != 0 && *list != 1)) {
        messages_.ShowMessage(Sjis("リスト０またはリスト１を指定してください"));
        return;
    }
    Settings& s = model_.settings;
    // The radio button's own action sets the mode; setting it here as well keeps the mode right
    // when that button was already checked while another mode was in force.
    view_.CheckListMode(*list);
    ModeRadioButtonClick(static_cast<std::uint8_t>(*list));
    s.RNDMODE = NOR;
    view_.PressOrderButton(NOR);
    ports_.deck.ShowOrderLabel();
    s.CYCMODE = 0;
    view_.PressCycleButton(0);
    ports_.actions.PlayIntro(introSeconds);
}

void SettingsWindow::SaveBitBtnClick() {
    try {
        SaveSettings(model_.folders.SettingsPath(), model_.settings, messages_);
    } catch (const UserError& error) {
        messages_.ShowMessage(error.Text());
    }
}

}  // namespace korva
