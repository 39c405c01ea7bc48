#pragma once
// The settings window's rules: what each of its controls does to the settings record and to the rest of
// the program. Every change acts at once; the file is written only by the save button. The window shows
// the settings, forwards each change here and draws what these rules decide.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/AppModel.h"
#include "app/Ports.h"
#include "jukebox/Actions.h"

namespace korva {

// What the settings window changes on the deck: its labels, its place with the volume window beside
// it, staying on top, its volume controls, its hints and its status line. The deck implements it.
class SettingsDeckView {
  public:
    virtual ~SettingsDeckView() = default;
    virtual void ShowModeLabel() = 0;         // the deck shows the code of PLAYMOD
    virtual void ShowOrderLabel() = 0;        // the deck shows the code of RNDMODE
    virtual void PlaceWindowsOnGrid() = 0;    // the deck to its FIXDPOS cell, the volume window beside it
    virtual void ApplyStayOnTop() = 0;        // the deck stays on top exactly while VIWFRNT is on
    virtual void HideVolumeControls() = 0;    // the deck's name label again; the volume window closes
    virtual void ApplyDeckHints() = 0;        // the deck's hints follow USEHNT1
    virtual void SettingsWindowClosed() = 0;  // the deck's SET label returns to rest
    virtual void ShowStatus(const std::string& sjisText, StatusKind kind) = 0;  // the deck's status line
};

// A window whose look follows the settings: the hints of its controls (USEHNT2) and the font of its
// lists (USEFONT, FONTSIZ). A window without hints or without lists leaves that one alone.
class WindowLook {
  public:
    virtual ~WindowLook() = default;
    virtual void ApplyHints(bool) {}
    virtual void ApplyListFont() {}
};

// The viewer of a list entry's companion document.
class DocumentView {
  public:
    virtual ~DocumentView() = default;
    virtual void OpenDocument(const std::string& sjisPath) = 0;
};

// What the settings window reaches beyond itself.
struct SettingsPorts {
    Actions& actions;
    SettingsDeckView& deck;
    DocumentView& documents;
};

// What the rules ask of the settings window itself.
class SettingsWindowView {
  public:
    virtual ~SettingsWindowView() = default;
    // Checks the radio button of a list mode; its own click action then runs.
    virtual void CheckListMode(int playmod) = 0;
    virtual void PressOrderButton(int rndmode) = 0;
    virtual void PressCycleButton(int cycmode) = 0;
    // An open-file dialog for a program; nullopt when cancelled.
    virtual std::optional<std::string> ChooseProgramFile(const std::string& sjisTitle,
                                                         const std::string& filterName) = 0;
    // The folder dialog, starting at startFolder (or where it starts by default when that is empty).
    virtual std::optional<std::string> ChooseFolder(const std::string& startFolder) = 0;
};

// The path fields that the browse button serves; ReferenceTarget names the one pressed last.
enum class PathField { None, EDIT, KNIF, LST0, LST1 };

enum class SetUpEdit {
    List0DirEdit,
    List1DirEdit,
    EditorEdit,
    KnifeEdit,
    Btn1Edit,
    Btn2Edit,
    Param1Edit,
    Param2Edit
};
inline constexpr int kSetUpEditCount = 8;

// The path field of an edit (None for the others), and the edit of a path field.
PathField PathFieldOf(SetUpEdit edit);
std::optional<SetUpEdit> PathEditOf(PathField field);

enum class SetUpCheckBox {
    PosCheckBox,
    ViewCheckBox,
    VolCheckBox,
    FrontCheckBox,
    ClockCheckBox,
    StreemCheckBox,
    HintCheckBox,
    Hint2CheckBox,
    CloseCheckBox,
    UseCVS2CheckBox,
    UseSNG2CheckBox,
    UseMM2SCheckBox,
    UseKnifCheckBox,
};
inline constexpr int kSetUpCheckBoxCount = 13;

enum class SetUpRadioGroup { ResetRadioGroup, FixdRadioGroup, DesignRadioGroup, StartRadioGroup };

enum class SetUpScrollBar {
    AdjustHScrollBar,
    AdjustVScrollBar,
    FontScrollBar,
    IntroScrollBar,
    CloseScrollBar
};

struct ScrollRange {
    int min = 0;
    int max = 0;
    int smallStep = 1;
    int largeStep = 1;
};

ScrollRange RangeOf(SetUpScrollBar bar);
int ItemCount(SetUpRadioGroup group);

// What the window shows when it is filled from the settings.
std::string EditValue(const Settings& settings, SetUpEdit edit);
bool CheckBoxValue(const Settings& settings, SetUpCheckBox box);
// The selected item; nullopt when the setting names no item, and none is selected.
std::optional<int> RadioGroupValue(const Settings& settings, SetUpRadioGroup group);
// The position: the setting, or IntroSeconds, held in the bar's range.
int ScrollBarValue(const AppModel& model, SetUpScrollBar bar);
// The mode radio button of PLAYMOD, the order button of RNDMODE: nullopt for a value that has none.
std::optional<int> ModeButtonOf(std::uint8_t playmod);
std::optional<int> OrderButtonOf(std::uint8_t rndmode);
// CYCMODE 1 puts the cyclic button down, any other value the normal one.
int CycleButtonOf(std::uint8_t cycmode);

// The list whose time-band button of `band` is down: PROGRMn when it is 0 or 1, else none.
std::optional<int> PressedTimeBandList(const Settings& settings, int band);
// Band k's caption: its start hour, "..", the next band's start hour (band 5 ends at band 0's), two
// digits each, as "06..09"; "??..??" for every band when TIMBAND is not exactly 12 characters.
std::array<std::string, 6> TimeBandCaptions(const std::string& timband);

// A list folder as typed is stored ending in "/"; an empty text stays empty.
std::string StoredListFolder(std::string_view typed);

// The path field that the browse button fills, and with what.
struct FilledPath {
    PathField field = PathField::None;
    std::string path;
};

class SettingsWindow {
  public:
    SettingsWindow(AppModel& model, SettingsPorts ports, SettingsWindowView& view, MessageView& messages);

    // The other windows whose look follows the settings.
    void AddWindowLook(WindowLook& look) { looks_.push_back(&look); }
    // Their hints follow USEHNT2; their lists take the list font.
    void ApplyWindowHints();
    void ApplyListFont();

    // Mode panel. A mode other than the one in force stops playback first.
    void ModeRadioButtonClick(std::uint8_t playmod);
    void CycSpeedButtonClick(int cycmode);
    void RndSpeedButtonClick(int rndmode);

    void TimeBandButtonClick(int band, int list);
    void EditChange(SetUpEdit edit, const std::string& sjisText);
    void CheckBoxClick(SetUpCheckBox box, bool checked);
    void RadioGroupClick(SetUpRadioGroup group, int index);
    void ScrollBarChange(SetUpScrollBar bar, int position);
    void FontRadioButtonClick(int usefont);

    // A press in a path field makes it the browse button's target.
    void PathFieldMouseDown(PathField field) { ReferenceTarget = field; }
    // The browse button: a program for the viewer or knife field, else a folder. Returns the field to
    // fill (None when the folder serves no field) and its new text; nullopt when the dialog was cancelled.
    std::optional<FilledPath> RefBitBtnClick();
    // The knife's own browse button: SMFPATH takes the chosen program, which is returned for the field.
    std::optional<std::string> SpeedButton2Click();

    // Intro play of the list chosen (0 or 1; nullopt when neither is), each song for introSeconds.
    void IntroBitBtnClick(std::optional<int> list, int introSeconds);
    // Writes the settings file; a failure is shown as a message.
    void SaveBitBtnClick();
    void FormClose() { ports_.deck.SettingsWindowClosed(); }

    PathField ReferenceTarget = PathField::None;

  private:
    void PlaceIfControlled();

    AppModel& model_;
    SettingsPorts ports_;
    SettingsWindowView& view_;
    MessageView& messages_;
    std::vector<WindowLook*> looks_;
};

}  // namespace korva
