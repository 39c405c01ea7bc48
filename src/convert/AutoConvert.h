#pragma once
// Converting foreign sequencer files at play time: the conversion window's logic, running the
// converter, the conversion history (CONVHIS) and the continuous mode, which converts the following
// foreign entries without asking. The window only draws ConversionFields and forwards its events.

#include <functional>
#include <string>

#include "app/AppModel.h"
#include "convert/ProcessRunner.h"
#include "playback/Player.h"
#include "playback/PlayerViews.h"

namespace korva {

// The three folder buttons that stay down when pressed; at most one is down.
enum class FolderButton { None, List0, List1, Other };

// What the conversion window shows (Shift-JIS texts).
struct ConversionFields {
    std::string kind;            // KindPanel: "RCP" ... "SEQ"
    std::string converter;       // ConvPanel: the converter's name
    std::string outputFolder;    // OutPutPanel
    std::string commandLine;     // CnvEdit: what the start buttons run
    std::string message;         // MsgPanel: warnings
    std::string historyCaption;  // CnvHisSpeedButton: the last folder chosen
    bool historyEnabled = false;
    bool startEnabled = false;       // StartButton
    bool continuousEnabled = false;  // CntiCnvButton
    FolderButton down = FolderButton::None;
};

// The conversion window as the logic sees it.
class ConversionWindowView {
  public:
    virtual ~ConversionWindowView() = default;
    // Shows the window modally; returns once it has closed.
    virtual void ShowConversionWindow() = 0;
    virtual void CloseConversionWindow() = 0;
    // The fields changed; the window shows them.
    virtual void ConversionFieldsChanged() = 0;
};

class AutoConvert final : public PlayTimeConverter {
  public:
    // The views are read at every use; pressStop presses the main window's Stop.
    AutoConvert(AppModel& model, const Views& views, std::function<void()> pressStop);

    void AttachWindow(ConversionWindowView* window) { window_ = window; }
    void AttachRunner(ProcessRunner* runner) { runner_ = runner; }

    // PlayTimeConverter: conversion of the EASY queue entry at QueuePosition.
    bool IsForeign(const std::string& sjisPath) const override;
    Outcome ConvertEntry(AppModel& model) override;

    // Chooses the template by the file's extension and shows the conversion window for it. The
    // caller reads ConvertState afterwards.
    void ConvertForeignFile(const std::string& sjisPath);
    // Checks the converter, fills the command line, predicts the output and enables the start buttons.
    void PrepareCommandLine(const std::string& templateText, const std::string& source,
                            const std::string& folder);
    // The command line of continuous mode, with the last template and output folder; sets ConvertedPath.
    std::string BuildContinuousCommandLine(const std::string& source);
    // Runs the command line and waits for its end, then records CONVHIS and sets ConvertState to
    // Converted. Raises UserError "Exec Error : <errno>" when it cannot start.
    void RunConverter(const std::string& commandLine);

    // The conversion window's events.
    const ConversionFields& Fields() const { return fields_; }
    void FormActivate();
    void FormClose();
    void List0SpeedButtonClick();
    void List1SpeedButtonClick();
    void OtherSpeedButtonClick();
    void CnvHisSpeedButtonClick();
    void StartButtonClick();
    void CntiCnvButtonClick();
    void CansButtonClick();
    // The user edits the command line.
    void CnvEditChange(const std::string& sjisText) { fields_.commandLine = sjisText; }

  private:
    void PrepareInto(const std::string& folder, FolderButton button);
    // The folder the template's converter is found in (and runs in): the first support folder that
    // holds it, else the program folder.
    std::string ConverterFolder(const std::string& templateText) const;
    void Changed();
    void Close();

    AppModel& model_;
    ConversionState& state_;
    const Views& views_;
    std::function<void()> pressStop_;
    ConversionWindowView* window_ = nullptr;
    ProcessRunner* runner_ = nullptr;
    ConversionFields fields_;
};

// The song window's line for a queue entry: the 1-based number as "%3.3d " and the path.
std::string NumberedSongLine(int position, const std::string& path);

}  // namespace korva
