#pragma once
// The settings window: the mode panel along the bottom and six pages (basic settings, the two list
// pages, advanced settings, the search page, the sound page). Every change on the first five acts on
// the settings at once, and their save button writes them; the sound page keeps its edits until its
// own save button. Created once at start-up, hidden; shown modelessly and refilled each time.

#include <QDialog>
#include <array>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/AppModel.h"
#include "app/Ports.h"
#include "ui/QtViews.h"
#include "ui/WindowLinks.h"
#include "windows/ListEditing.h"
#include "windows/SettingsWindow.h"
#include "windows/SoundPage.h"

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QTabWidget;
class QToolButton;

namespace korva {

class TBadDlg;

class TSetUpDlg final : public QDialog, public SettingsWindowLink, private SettingsWindowView {
    Q_OBJECT
  public:
    // Runs the window's creation: hints from USEHNT2 and the list font.
    TSetUpDlg(AppModel& model, SettingsPorts ports, MessageView& messages, QWidget* parent = nullptr);
    // Another window whose hints and list font follow the settings; it takes the list font now.
    void AddWindowLook(WindowLook& look);
    ~TSetUpDlg() override;

    // SettingsWindowLink
    void LoadSettingsWindow() override;
    void ShowSettingsWindow() override;
    void OpenListPage(int list) override;
    void OpenSearchPage() override;
    void FocusSearchEdit() override;
    void CheckListMode(int playmod) override;
    void PressOrderButton(int rndmode) override;
    void ShowDropIndicator(bool stayOnTop) override;

    // The about window opened by K97Panel and the search page's product label.
    void SetAboutWindow(QDialog* about) { about_ = about; }
    // The window that lists the songs the path check did not find.
    void SetBadFileWindow(TBadDlg* bad) { bad_ = bad; }
    // The list font of the settings: this window's fields and lists, then the other windows'.
    void ApplyListFont();
    // The MIDI output ports the system lists (UTF-8 names), asked each time the sound page is shown.
    // Without a lister the sound page offers the built-in synthesizer alone.
    void SetMidiPortLister(std::function<std::vector<std::string>()> lister) {
        portLister_ = std::move(lister);
    }
    // Where the sound page looks for installed SoundFonts; Debian's folders unless set.
    void SetSoundFontFolders(std::vector<std::filesystem::path> folders) {
        soundFontFolders_ = std::move(folders);
    }
    // Stands in for the SoundFont file dialog; nullptr puts Qt's own back.
    void SetSoundFontDialog(SoundFontDialog* dialog) {
        soundFontDialog_ = dialog ? dialog : &qtSoundFontDialog_;
    }

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    // Where a hint lives: a page of KorvaSet (0-5) or the mode panel.
    enum HintArea { Page0, Page1, Page2, Page3, Page4, Page5, ModeArea };
    static constexpr int kSoundPage = 5;

    void BuildWindow();
    QWidget* BuildModePanel();
    QWidget* BuildBasicPage();
    QWidget* BuildListPage(int list);
    QWidget* BuildAdvancedPage();
    QWidget* BuildSearchPage();
    QWidget* BuildSoundPage();
    void FormCreate();
    void ApplyHints(std::initializer_list<HintArea> areas, bool on);

    // Makers of the controls: each is named, spoken and hinted as the window says.
    QPushButton* Button(QWidget* parent, const char* name, const QString& caption, const QString& hint,
                        HintArea area);
    QToolButton* SpeedButton(QWidget* parent, const char* name, const QString& caption, const QString& hint,
                             HintArea area);
    QLabel* Panel(QWidget* parent, const char* name);
    QLineEdit* Edit(QWidget* parent, SetUpEdit which, const char* name, const QString& label,
                    const QString& hint, HintArea area);
    QScrollBar* ScrollBar(QWidget* parent, SetUpScrollBar which, const char* name, const QString& label,
                          const QString& hint, QLabel* panel, HintArea area);
    QCheckBox* CheckBox(QWidget* parent, SetUpCheckBox which, const char* name, const QString& caption,
                        const QString& hint, HintArea area);
    QGroupBox* RadioGroup(QWidget* parent, SetUpRadioGroup which, const char* name, const QString& title,
                          const QStringList& items, int columns);
    void Hint(QWidget* widget, const QString& hint, HintArea area);

    // What the controls do.
    void TimeBandButtonClick(int band, int list);
    void ScrollBarChange(SetUpScrollBar which, int position);
    void CheckBoxClick(SetUpCheckBox which, bool checked);
    void EditChange(SetUpEdit which, const QString& text);
    void RefBitBtnClick();
    void SpeedButton2Click();
    void IntroBitBtnClick();
    void K97PanelClick();
    void KorvaSetChange(int page);
    void ClearButtonClick();
    void ClearSearchPage();
    void ClearListPage(int list);

    // The list pages.
    void WireListPage(int list);
    void EnterListPage(int list);
    void ShowTitles(int list);
    void ShowName(int list, const std::string& name);
    void ShowPath(int list, const std::string& path);
    std::optional<std::size_t> CurrentTitle(int list) const;
    void ListBoxClick(int list);
    void EditButtonClick(int list);
    void DelButtonClick(int list);
    void ManButtonClick(int list);
    void AutoButtonClick(int list);
    void CtrlButtonClick(int list);
    std::vector<std::size_t> SelectedTitles(int list) const;
    void MoveBitBtnClick(int list);

    // The path check and the search page.
    void CheckBitBtnClick();
    void FindButtonClick();
    void FindListBoxClick(QListWidget* clicked);
    void FindMonButtonClick();
    bool eventFilter(QObject* watched, QEvent* event) override;
    void ShowScrollBar(SetUpScrollBar which, int value);

    // The sound page: filled from the settings each time it is shown, drawn from its rules.
    void EnterSoundPage();
    void ShowSoundPage();
    void OutputComboBoxChange(int index);
    void SoundFontRefBitBtnClick();

    // SettingsWindowView
    void PressCycleButton(int cycmode) override;
    std::optional<std::string> ChooseProgramFile(const std::string& sjisTitle,
                                                 const std::string& filterName) override;
    std::optional<std::string> ChooseFolder(const std::string& startFolder) override;

    std::optional<std::string> ChosenPath(const QString& chosen);
    // An open-file dialog (OpenDialog1) for one existing file; nullopt when cancelled.
    std::optional<std::string> ChooseFile(const QString& title, const QString& filter, const QString& folder);
    static void SetPaletteColour(QWidget* widget, QPalette::ColorRole role, const QColor& colour);

    AppModel& model_;
    SettingsPorts ports_;
    MessageView& messages_;
    QtFolderDialog folderDialog_;
    SettingsWindow rules_;
    ListEditor editor_;
    QDialog* about_ = nullptr;
    TBadDlg* bad_ = nullptr;
    bool placed_ = false;

    struct HintedControl {
        QWidget* widget;
        QString hint;
        HintArea area;
    };
    std::vector<HintedControl> hints_;

    QTabWidget* korvaSet_ = nullptr;
    QButtonGroup* modeGroup_ = nullptr;
    QButtonGroup* cycGroup_ = nullptr;
    QButtonGroup* rndGroup_ = nullptr;
    std::array<std::array<QToolButton*, 2>, 6> bandButtons_{};
    std::array<QLineEdit*, kSetUpEditCount> edits_{};
    std::array<QCheckBox*, kSetUpCheckBoxCount> checkBoxes_{};
    std::array<QButtonGroup*, 4> radioGroups_{};
    std::array<QScrollBar*, 5> scrollBars_{};
    std::array<QLabel*, 5> scrollPanels_{};
    QLabel* ddPanel_ = nullptr;
    QRadioButton* goticRadioButton_ = nullptr;
    QRadioButton* minchyoRadioButton_ = nullptr;
    QRadioButton* play0RadioButton_ = nullptr;
    QRadioButton* play1RadioButton_ = nullptr;
    std::vector<QWidget*> listFontWidgets_;

    struct ListPage {
        QListWidget* titles = nullptr;
        QLineEdit* name = nullptr;
        QLineEdit* path = nullptr;
        QButtonGroup* feel = nullptr;
        QScrollBar* vol = nullptr;
        QLabel* volPanel = nullptr;
        QPushButton* txt = nullptr;
        QPushButton* doc = nullptr;
        QLabel* count = nullptr;
        QPushButton* man = nullptr;
        QPushButton* autoAdd = nullptr;
        QPushButton* edit = nullptr;
        QPushButton* del = nullptr;
        QPushButton* mon = nullptr;
        QPushButton* ctrl = nullptr;
        QPushButton* move = nullptr;
        QPushButton* copy = nullptr;
        QPushButton* send = nullptr;
        std::string shownName;  // the name and path as the line holds them, for an unchanged field
        std::string shownPath;
        int changedRow = -1;  // the row a press just made current, clicked on its release
    };
    std::array<ListPage, 2> listPages_{};

    QLineEdit* findEdit_ = nullptr;
    QLabel* msgLabel_ = nullptr;
    QLineEdit* findMonEdit_ = nullptr;
    QListWidget* find0ListBox_ = nullptr;
    QListWidget* find1ListBox_ = nullptr;
    std::array<QLabel*, 2> findPanels_{};
    std::array<std::vector<std::string>, 2> foundLines_;  // the lines the find lists show, as read
    std::string findMonLine_;                             // the line FindMonEdit was given

    SoundPage sound_;
    std::function<std::vector<std::string>()> portLister_;
    std::vector<std::filesystem::path> soundFontFolders_ = kInstalledSoundFontFolders;
    QtSoundFontDialog qtSoundFontDialog_;
    SoundFontDialog* soundFontDialog_ = &qtSoundFontDialog_;
    QComboBox* outputComboBox_ = nullptr;
    QGroupBox* synthGroupBox_ = nullptr;
    QComboBox* soundFontComboBox_ = nullptr;
    QCheckBox* reverbCheckBox_ = nullptr;
    QCheckBox* chorusCheckBox_ = nullptr;
    QDoubleSpinBox* gainSpinBox_ = nullptr;
};

}  // namespace korva
