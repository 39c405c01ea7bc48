#include "windows/SettingsWindow.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "support/Fakes.h"
#include "support/TempDir.h"
#include "text/Encoding.h"

namespace korva {
namespace {

using Log = std::vector<std::string>;

// Records what the rules ask of the program and of the window, in one log to keep the order.
class Recorder final : public testing::RecordingSettingsPorts, public SettingsWindowView {
  public:
    explicit Recorder(AppModel& model) : RecordingSettingsPorts(model) {}

    void CheckListMode(int playmod) override { log.push_back("CheckMode" + std::to_string(playmod)); }
    void PressOrderButton(int rndmode) override { log.push_back("OrderButton" + std::to_string(rndmode)); }
    void PressCycleButton(int cycmode) override { log.push_back("CycleButton" + std::to_string(cycmode)); }
    std::optional<std::string> ChooseProgramFile(const std::string& title,
                                                 const std::string& filter) override {
        log.push_back("File:" + ToDisplayUtf8(title) + "|" + filter);
        return NextChoice();
    }
    std::optional<std::string> ChooseFolder(const std::string& start) override {
        log.push_back("Folder:" + start);
        return NextChoice();
    }

    std::deque<std::optional<std::string>> choices;  // the dialogs' answers; none left: cancelled

  private:
    std::optional<std::string> NextChoice() {
        if (choices.empty())
            return std::nullopt;
        auto choice = choices.front();
        choices.pop_front();
        return choice;
    }
};

struct Messages final : MessageView {
    Log shown;
    void ShowMessage(const std::string& text) override { shown.push_back(ToDisplayUtf8(text)); }
};

class SettingsWindowTest : public ::testing::Test {
  protected:
    AppModel model;
    Recorder recorder{model};
    Messages messages;
    SettingsWindow rules{model, recorder.Ports(), recorder, messages};
    // The recorder stands for the other windows too.
    SettingsWindowTest() { rules.AddWindowLook(recorder); }
};

struct ModeCase {
    const char* label;
    int playmodBefore;
    int savedListMode;
    int clicked;
    Log log;
};

class ModeRadioButtonTest : public SettingsWindowTest, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(ModeRadioButtonTest, StopsOnlyForAnotherMode) {
    const ModeCase& c = GetParam();
    model.settings.PLAYMOD = static_cast<std::uint8_t>(c.playmodBefore);
    model.play.SavedListMode = c.savedListMode;
    rules.ModeRadioButtonClick(static_cast<std::uint8_t>(c.clicked));
    EXPECT_EQ(model.settings.PLAYMOD, c.clicked);
    EXPECT_EQ(recorder.log, c.log);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ModeRadioButtonTest,
    ::testing::Values(ModeCase{"TheModeInForce", 0, -1, 0, {"ModeLabel0"}},
                      ModeCase{"AnotherMode", 0, -1, 3, {"Stop", "ModeLabel3"}},
                      ModeCase{"EasyFromList1", 1, -1, 5, {"Stop", "ModeLabel5"}},
                      // A dropped file switched to EASY: the stop restores LIST1, the click still wins.
                      ModeCase{"AfterADrop", 5, 1, 2, {"Stop", "ModeLabel2"}}),
    [](const auto& testCase) { return std::string(testCase.param.label); });

TEST(TimeBandCaptionsTest, HoursOfEachBandOrQuestionMarks) {
    using Captions = std::array<std::string, 6>;
    const Captions unknown{"??..??", "??..??", "??..??", "??..??", "??..??", "??..??"};
    EXPECT_EQ(TimeBandCaptions("060912131722"),
              (Captions{"06..09", "09..12", "12..13", "13..17", "17..22", "22..06"}));
    EXPECT_EQ(TimeBandCaptions("0009x2131700"),
              (Captions{"00..09", "09..00", "00..13", "13..17", "17..00", "00..00"}));
    EXPECT_EQ(TimeBandCaptions("06091213172"), unknown);
    EXPECT_EQ(TimeBandCaptions("0609121317221"), unknown);
    EXPECT_EQ(TimeBandCaptions(""), unknown);
}

TEST(PressedTimeBandListTest, OnlyListsZeroAndOne) {
    Settings s;
    s.PROGRM = {0, 1, 2, 255, 1, 0};
    const std::array<std::optional<int>, 6> expected{0, 1, std::nullopt, std::nullopt, 1, 0};
    for (int band = 0; band < 6; ++band) EXPECT_EQ(PressedTimeBandList(s, band), expected[band]) << band;
    EXPECT_EQ(PressedTimeBandList(s, 6), std::nullopt);
}

TEST_F(SettingsWindowTest, TimeBandButtonSetsItsBandsList) {
    rules.TimeBandButtonClick(2, 1);
    rules.TimeBandButtonClick(5, 1);
    rules.TimeBandButtonClick(5, 0);
    EXPECT_EQ(model.settings.PROGRM, (std::array<std::uint8_t, 6>{0, 0, 1, 0, 0, 0}));
    EXPECT_TRUE(recorder.log.empty());
}

struct EditCase {
    SetUpEdit edit;
    const char* typed;
    const char* stored;
    std::string Settings::*key;
};

TEST_F(SettingsWindowTest, EveryEditStoresItsKeyAndListFoldersEndInADelimiter) {
    const std::vector<EditCase> cases = {
        {SetUpEdit::List0DirEdit, "/home/u/midi", "/home/u/midi/", &Settings::LST0DIR},
        {SetUpEdit::List0DirEdit, "", "", &Settings::LST0DIR},
        {SetUpEdit::List1DirEdit, "/m/", "/m/", &Settings::LST1DIR},
        {SetUpEdit::List1DirEdit, "/曲", "/曲/", &Settings::LST1DIR},
        {SetUpEdit::EditorEdit, "/usr/bin/mousepad", "/usr/bin/mousepad", &Settings::EDTPATH},
        {SetUpEdit::KnifeEdit, "/opt/knife", "/opt/knife", &Settings::SMFPATH},
        {SetUpEdit::Btn1Edit, "テンポ", "テンポ", &Settings::SMFBTN1},
        {SetUpEdit::Btn2Edit, "x", "x", &Settings::SMFBTN2},
        {SetUpEdit::Param1Edit, "a.cfg -t", "a.cfg -t", &Settings::SMFPRM1},
        {SetUpEdit::Param2Edit, "b.cfg", "b.cfg", &Settings::SMFPRM2},
    };
    for (const EditCase& c : cases) {
        rules.EditChange(c.edit, Sjis(c.typed));
        EXPECT_EQ(model.settings.*c.key, Sjis(c.stored)) << c.typed;
        EXPECT_EQ(EditValue(model.settings, c.edit), Sjis(c.stored)) << c.typed;
    }
}

struct CheckCase {
    const char* label;
    SetUpCheckBox box;
    bool checked;
    bool volumeDevice;
    bool Settings::*key;
    Log log;
    int messages;
};

class CheckBoxTest : public SettingsWindowTest, public ::testing::WithParamInterface<CheckCase> {};

TEST_P(CheckBoxTest, StoresTheKeyAndRunsItsEffect) {
    const CheckCase& c = GetParam();
    recorder.volumeDevice = c.volumeDevice;
    model.settings.*c.key = !c.checked;
    rules.CheckBoxClick(c.box, c.checked);
    EXPECT_EQ(model.settings.*c.key, c.checked);
    EXPECT_EQ(CheckBoxValue(model.settings, c.box), c.checked);
    EXPECT_EQ(recorder.log, c.log);
    ASSERT_EQ(static_cast<int>(messages.shown.size()), c.messages);
    if (c.messages > 0) {
        EXPECT_EQ(messages.shown.front(), "ドラッグ＆ドロップをすぐに受付けます");
    }
}

using B = SetUpCheckBox;
using S = Settings;
INSTANTIATE_TEST_SUITE_P(
    Boxes, CheckBoxTest,
    ::testing::Values(CheckCase{"PosTicked", B::PosCheckBox, true, true, &S::POSCTRL, {"Place"}, 0},
                      CheckCase{"PosCleared", B::PosCheckBox, false, true, &S::POSCTRL, {}, 0},
                      CheckCase{"VolTicked", B::VolCheckBox, true, true, &S::AUTOVOL, {"EnableVolume"}, 0},
                      CheckCase{"VolTickedWithoutDevice",
                                B::VolCheckBox,
                                true,
                                false,
                                &S::AUTOVOL,
                                {"EnableVolume", "Status:.. 音量制御できません/Notice"},
                                0},
                      CheckCase{"VolCleared", B::VolCheckBox, false, true, &S::AUTOVOL, {"DisableVolume"}, 0},
                      CheckCase{"FrontTicked", B::FrontCheckBox, true, true, &S::VIWFRNT, {"OnTop"}, 0},
                      CheckCase{"FrontCleared", B::FrontCheckBox, false, true, &S::VIWFRNT, {"NotOnTop"}, 1},
                      CheckCase{"HintCleared", B::HintCheckBox, false, true, &S::USEHNT1, {"NoDeckHints"}, 0},
                      CheckCase{"Hint2Ticked", B::Hint2CheckBox, true, true, &S::USEHNT2, {"WindowHints"}, 0},
                      CheckCase{"View", B::ViewCheckBox, false, true, &S::INTLOCK, {}, 0},
                      CheckCase{"Clock", B::ClockCheckBox, false, true, &S::USECLOK, {}, 0},
                      CheckCase{"Streem", B::StreemCheckBox, false, true, &S::USESTRM, {}, 0},
                      CheckCase{"Close", B::CloseCheckBox, true, true, &S::AUTOCLS, {}, 0},
                      CheckCase{"UseCVS2", B::UseCVS2CheckBox, true, true, &S::USECVS2, {}, 0},
                      CheckCase{"UseSNG2", B::UseSNG2CheckBox, true, true, &S::USESNG2, {}, 0},
                      CheckCase{"UseMM2S", B::UseMM2SCheckBox, true, true, &S::USEMM2S, {}, 0},
                      CheckCase{"UseKnif", B::UseKnifCheckBox, true, true, &S::USEKNIF, {}, 0}),
    [](const auto& testCase) { return std::string(testCase.param.label); });

struct PositionCase {
    const char* label;
    bool posctrl;
    bool isScrollBar;
    int control;  // a SetUpScrollBar or SetUpRadioGroup
    int value;
    int fixdpos, adjusth, adjustv;
    bool placed;
};

class PositionTest : public SettingsWindowTest, public ::testing::WithParamInterface<PositionCase> {};

TEST_P(PositionTest, PlacesTheWindowsOnlyUnderGridControl) {
    const PositionCase& c = GetParam();
    model.settings.POSCTRL = c.posctrl;
    if (c.isScrollBar) {
        rules.ScrollBarChange(static_cast<SetUpScrollBar>(c.control), c.value);
    } else {
        rules.RadioGroupClick(static_cast<SetUpRadioGroup>(c.control), c.value);
    }
    EXPECT_EQ(model.settings.FIXDPOS, c.fixdpos);
    EXPECT_EQ(model.settings.ADJUSTH, c.adjusth);
    EXPECT_EQ(model.settings.ADJUSTV, c.adjustv);
    EXPECT_EQ(recorder.log, c.placed ? Log{"Place"} : Log{});
}

constexpr int kFixd = static_cast<int>(SetUpRadioGroup::FixdRadioGroup);
constexpr int kAdjH = static_cast<int>(SetUpScrollBar::AdjustHScrollBar);
constexpr int kAdjV = static_cast<int>(SetUpScrollBar::AdjustVScrollBar);
INSTANTIATE_TEST_SUITE_P(
    Position, PositionTest,
    ::testing::Values(PositionCase{"CellOff", false, false, kFixd, 6, 6, 0, 0, false},
                      PositionCase{"CellOn", true, false, kFixd, 0, 0, 0, 0, true},
                      PositionCase{"HorizontalOff", false, true, kAdjH, 30, 4, 30, 0, false},
                      PositionCase{"HorizontalOn", true, true, kAdjH, 200, 4, 200, 0, true},
                      PositionCase{"VerticalOn", true, true, kAdjV, 15, 4, 0, 15, true}),
    [](const auto& testCase) { return std::string(testCase.param.label); });

TEST_F(SettingsWindowTest, RadioGroupsStoreTheirItemAndShowOnlyItemsThatExist) {
    rules.RadioGroupClick(SetUpRadioGroup::ResetRadioGroup, 3);
    rules.RadioGroupClick(SetUpRadioGroup::DesignRadioGroup, 1);
    rules.RadioGroupClick(SetUpRadioGroup::StartRadioGroup, 2);
    rules.RadioGroupClick(SetUpRadioGroup::StartRadioGroup, 3);  // no such item
    EXPECT_EQ(model.settings.SENDRST, 3);
    EXPECT_EQ(model.settings.DELUXED, 1);
    EXPECT_EQ(model.settings.ATSTART, 2);
    EXPECT_EQ(RadioGroupValue(model.settings, SetUpRadioGroup::ResetRadioGroup), 3);
    model.settings.FIXDPOS = 9;
    model.settings.SENDRST = 4;
    model.settings.ATSTART = -1;
    EXPECT_EQ(RadioGroupValue(model.settings, SetUpRadioGroup::FixdRadioGroup), std::nullopt);
    EXPECT_EQ(RadioGroupValue(model.settings, SetUpRadioGroup::ResetRadioGroup), std::nullopt);
    EXPECT_EQ(RadioGroupValue(model.settings, SetUpRadioGroup::StartRadioGroup), std::nullopt);
    EXPECT_EQ(RadioGroupValue(model.settings, SetUpRadioGroup::DesignRadioGroup), 1);
}

TEST_F(SettingsWindowTest, ScrollBarsShowTheirSettingWithinTheirRange) {
    model.settings.ADJUSTH = 250;
    model.settings.ADJUSTV = 7;
    model.settings.FONTSIZ = 20;
    model.settings.CLSTIME = 0;
    model.play.IntroSeconds = 45;
    EXPECT_EQ(ScrollBarValue(model, SetUpScrollBar::AdjustHScrollBar), 200);
    EXPECT_EQ(ScrollBarValue(model, SetUpScrollBar::AdjustVScrollBar), 7);
    EXPECT_EQ(ScrollBarValue(model, SetUpScrollBar::FontScrollBar), 14);
    EXPECT_EQ(ScrollBarValue(model, SetUpScrollBar::CloseScrollBar), 10);
    EXPECT_EQ(ScrollBarValue(model, SetUpScrollBar::IntroScrollBar), 45);
    rules.ScrollBarChange(SetUpScrollBar::FontScrollBar, 9);
    rules.ScrollBarChange(SetUpScrollBar::CloseScrollBar, 55);
    rules.ScrollBarChange(SetUpScrollBar::IntroScrollBar, 15);
    EXPECT_EQ(model.settings.FONTSIZ, 9);
    EXPECT_EQ(model.settings.CLSTIME, 55);
    EXPECT_EQ(model.play.IntroSeconds, 15);
    rules.FontRadioButtonClick(1);
    EXPECT_EQ(model.settings.USEFONT, 1);
    rules.FontRadioButtonClick(0);
    EXPECT_EQ(model.settings.USEFONT, 0);
}

TEST(FillTest, ButtonsOfModeOrderAndCycle) {
    EXPECT_EQ(ModeButtonOf(0), 0);
    EXPECT_EQ(ModeButtonOf(5), 5);
    EXPECT_EQ(ModeButtonOf(6), std::nullopt);
    EXPECT_EQ(OrderButtonOf(2), 2);
    EXPECT_EQ(OrderButtonOf(3), std::nullopt);
    EXPECT_EQ(CycleButtonOf(1), 1);
    EXPECT_EQ(CycleButtonOf(0), 0);
    EXPECT_EQ(CycleButtonOf(7), 0);
}

struct BrowseCase {
    const char* label;
    PathField target;
    std::optional<std::string> answer;
    Log log;
    std::optional<PathField> filled;  // nullopt: nothing to fill (cancelled)
    std::string filledPath;
    std::string lastFolder;
};

TEST(PathFieldTest, TheFourPathEditsAndTheirFields) {
    const std::vector<std::pair<SetUpEdit, PathField>> paths = {{SetUpEdit::EditorEdit, PathField::EDIT},
                                                                {SetUpEdit::KnifeEdit, PathField::KNIF},
                                                                {SetUpEdit::List0DirEdit, PathField::LST0},
                                                                {SetUpEdit::List1DirEdit, PathField::LST1}};
    for (const auto& [edit, field] : paths) {
        EXPECT_EQ(PathFieldOf(edit), field);
        EXPECT_EQ(PathEditOf(field), edit);
    }
    for (SetUpEdit other :
         {SetUpEdit::Btn1Edit, SetUpEdit::Btn2Edit, SetUpEdit::Param1Edit, SetUpEdit::Param2Edit})
        EXPECT_EQ(PathFieldOf(other), PathField::None);
    EXPECT_EQ(PathEditOf(PathField::None), std::nullopt);
}

class RefBitBtnTest : public SettingsWindowTest, public ::testing::WithParamInterface<BrowseCase> {};

TEST_P(RefBitBtnTest, BrowsesForTheFieldPressedLast) {
    const BrowseCase& c = GetParam();
    model.LastFolder = "/before/";
    recorder.choices.push_back(c.answer);
    rules.PathFieldMouseDown(c.target);
    const auto filled = rules.RefBitBtnClick();
    EXPECT_EQ(recorder.log, c.log);
    ASSERT_EQ(filled.has_value(), c.filled.has_value());
    if (filled) {
        EXPECT_EQ(filled->field, *c.filled);
        EXPECT_EQ(filled->path, c.filledPath);
    }
    EXPECT_EQ(model.LastFolder, c.lastFolder);
    EXPECT_TRUE(messages.shown.empty());
}

const char* const kViewerTitle = "File:ドキュメント閲覧ツールを選択してください|ALL File";
const char* const kKnifeTitle = "File:ＳＭＦナイフのパスを選択してください|ALL File";
INSTANTIATE_TEST_SUITE_P(
    Targets, RefBitBtnTest,
    ::testing::Values(
        BrowseCase{"Viewer",
                   PathField::EDIT,
                   "/usr/bin/less",
                   {kViewerTitle},
                   PathField::EDIT,
                   "/usr/bin/less",
                   "/before/"},
        BrowseCase{
            "ViewerCancelled", PathField::EDIT, std::nullopt, {kViewerTitle}, std::nullopt, "", "/before/"},
        BrowseCase{"Knife", PathField::KNIF, "/opt/k", {kKnifeTitle}, PathField::KNIF, "/opt/k", "/before/"},
        BrowseCase{"List0", PathField::LST0, "/m", {"Folder:"}, PathField::LST0, "/m/", "/m/"},
        BrowseCase{"List1", PathField::LST1, "/n/", {"Folder:"}, PathField::LST1, "/n/", "/n/"},
        // Before any field was pressed: a folder is chosen for no field.
        BrowseCase{"NoFieldYet", PathField::None, "/m", {"Folder:"}, PathField::None, "/m/", "/m/"},
        BrowseCase{"FolderCancelled", PathField::LST0, std::nullopt, {"Folder:"}, std::nullopt, "", ""}),
    [](const auto& testCase) { return std::string(testCase.param.label); });

TEST_F(SettingsWindowTest, KnifeBrowseButtonStoresTheChosenProgram) {
    model.settings.SMFPATH = "/old";
    EXPECT_EQ(rules.SpeedButton2Click(), std::nullopt);
    EXPECT_EQ(model.settings.SMFPATH, "/old");
    recorder.choices.push_back("/opt/knife");
    EXPECT_EQ(rules.SpeedButton2Click(), "/opt/knife");
    EXPECT_EQ(model.settings.SMFPATH, "/opt/knife");
    EXPECT_EQ(recorder.log, (Log{"File:ＳＭＦナイフを選択してください|EXE.File",
                                 "File:ＳＭＦナイフを選択してください|EXE.File"}));
}

TEST_F(SettingsWindowTest, IntroPlayWithoutAListOnlySaysSo) {
    for (const std::optional<int> list : {std::optional<int>(), std::optional<int>(2)}) {
        rules.IntroBitBtnClick(list, 20);
    }
    EXPECT_EQ(messages.shown,
              (Log{"リスト０またはリスト１を指定してください", "リスト０またはリスト１を指定してください"}));
    EXPECT_TRUE(recorder.log.empty());
    EXPECT_EQ(model.play.IntroSeconds, 30);
}

TEST_F(SettingsWindowTest, IntroPlaySetsListOrderAndCycleThenRestartsPlayback) {
    model.settings.PLAYMOD = 0;
    model.settings.RNDMODE = RND;
    model.settings.CYCMODE = 1;
    rules.IntroBitBtnClick(1, 15);
    EXPECT_EQ(model.settings.PLAYMOD, 1);
    EXPECT_EQ(model.settings.RNDMODE, NOR);
    EXPECT_EQ(model.settings.CYCMODE, 0);
    EXPECT_EQ(recorder.log, (Log{"CheckMode1", "Stop", "ModeLabel1", "OrderButton0", "OrderLabel0",
                                 "CycleButton0", "Intro 15"}));
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(SettingsWindowTest, SaveWritesTheFileOrSaysWhyNot) {
    testing::TempDir dir;
    model.folders.ProgramFolder = dir.Folder();
    model.settings.SMFBTN1 = Sjis("速く");
    rules.SaveBitBtnClick();
    EXPECT_EQ(messages.shown, Log{"各種の設定を保存しました"});
    EXPECT_NE(dir.Read("KORVA.INI").find("SMFBTN1=" + Sjis("速く") + "\r\n"), std::string::npos);

    std::filesystem::remove(dir.Path() / "KORVA.INI");
    std::filesystem::create_directory(dir.Path() / "KORVA.INI");
    messages.shown.clear();
    rules.SaveBitBtnClick();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown.front().find("に書き込めません"), std::string::npos) << messages.shown.front();
}

TEST_F(SettingsWindowTest, ClosingTurnsTheSetLabelBack) {
    rules.FormClose();
    EXPECT_EQ(recorder.log, Log{"Closed"});
}

}  // namespace
}  // namespace korva
