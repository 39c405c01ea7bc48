#include "convert/AutoConvert.h"

#include <cerrno>
#include <cstdio>

#include "app/Errors.h"
#include "app/FileSystem.h"
#include "app/SettingsFile.h"
#include "convert/CommandLine.h"
#include "convert/ForeignFormats.h"
#include "text/Encoding.h"
#include "text/ShiftJis.h"

namespace korva {

std::string NumberedSongLine(int position, const std::string& path) {
    char number[24];
    std::snprintf(number, sizeof number, "%3.3d ", position + 1);
    return number + path;
}

AutoConvert::AutoConvert(AppModel& model, const Views& views, std::function<void()> pressStop)
    : model_(model), state_(model.conversion), views_(views), pressStop_(std::move(pressStop)) {}

bool AutoConvert::IsForeign(const std::string& sjisPath) const {
    return IsForeignAtPlayTime(sjisPath);
}

PlayTimeConverter::Outcome AutoConvert::ConvertEntry(AppModel& model) {
    const int position = model.play.QueuePosition;
    const std::string path(model.PlayQueue.at(static_cast<std::size_t>(position)));
    const unsigned stops = model.play.StopCount;
    state_.ConvertState = NotConverted;
    if (state_.ContinuousConvert) {
        try {
            RunConverter(BuildContinuousCommandLine(path));
        } catch (const UserError& error) {
            if (model.play.StopCount != stops)
                return Outcome::Abandoned;
            views_.messages->ShowMessage(error.Text());
            pressStop_();
            return Outcome::Stopped;
        }
    } else {
        ConvertForeignFile(path);
    }
    // While the window was open or the converter ran, the user may have stopped play or dropped
    // other files: the queue is no longer the one this entry belongs to.
    if (model.play.StopCount != stops || model.play.QueuePosition != position ||
        static_cast<std::size_t>(position) >= model.PlayQueue.size() ||
        model.PlayQueue[static_cast<std::size_t>(position)] != path)
        return Outcome::Abandoned;
    switch (state_.ConvertState) {
        case Converted:
            model.PlayQueue.Set(static_cast<std::size_t>(position), state_.ConvertedPath);
            if (static_cast<std::size_t>(position) < model.SongLines.size()) {
                model.SongLines.Set(static_cast<std::size_t>(position),
                                    NumberedSongLine(position, state_.ConvertedPath));
                views_.songList->SongLinesChanged();
            }
            return Outcome::Converted;
        case FolderCancelled:
            if (model.PlayQueue.size() > 1) {
                ++model.play.QueuePosition;
                return Outcome::NextEntry;
            }
            pressStop_();
            return Outcome::Stopped;
        default:
            pressStop_();
            return Outcome::Stopped;
    }
}

void AutoConvert::ConvertForeignFile(const std::string& sjisPath) {
    state_.ActiveTemplate = TemplateOfRow(model_.settings, ForeignRow(sjisPath));
    state_.ConvertSource = sjisPath;
    fields_.kind = ForeignLabel(sjisPath);
    fields_.converter = ConverterNameOf(state_.ActiveTemplate);
    Changed();
    if (window_)
        window_->ShowConversionWindow();
}

std::string AutoConvert::ConverterFolder(const std::string& templateText) const {
    const auto converter = ConverterPathOf(templateText, "");
    return converter ? model_.folders.SupportFolderOf(*converter) : model_.folders.ProgramFolder;
}

void AutoConvert::PrepareCommandLine(const std::string& templateText, const std::string& source,
                                     const std::string& folder) {
    const std::string converterFolder = ConverterFolder(templateText);
    const auto converter = ConverterPathOf(templateText, converterFolder);
    if (!converter || !FileExistsIgnoringCase(*converter)) {
        state_.ConvertState = NotConverted;
        fields_.message = Sjis("警告：変換に必要なコンバータが見つかりません");
        views_.status->ShowStatus(Sjis(".. コンバータがない"), StatusKind::Notice);
        return;
    }
    fields_.commandLine = ExpandTemplate(templateText, source, folder, converterFolder);
    // A converter given no output folder writes where it runs: in its own folder.
    state_.ConvertedPath = PredictedOutput(source, folder.empty() ? converterFolder : folder);
    fields_.message = FileExistsIgnoringCase(state_.ConvertedPath)
                          ? Sjis("警告：コンバート先に同名のファイルがあります")
                          : "";
    fields_.startEnabled = true;
    fields_.continuousEnabled = true;
    state_.LastOutputFolder = folder;
}

std::string AutoConvert::BuildContinuousCommandLine(const std::string& source) {
    const std::string converterFolder = ConverterFolder(state_.ActiveTemplate);
    const std::string& folder = state_.LastOutputFolder;
    state_.ConvertedPath = PredictedOutput(source, folder.empty() ? converterFolder : folder);
    return ExpandTemplate(state_.ActiveTemplate, source, folder, converterFolder);
}

void AutoConvert::RunConverter(const std::string& commandLine) {
    StatusView& status = *views_.status;
    status.ShowStatus(".. Auto Convert Start", StatusKind::Notice);
    if (runner_ == nullptr)  // nothing can start programs here
        throw UserError("Exec Error : " + std::to_string(ENOSYS));
    const ProcessStart start = runner_->Start(commandLine, ConverterFolder(state_.ActiveTemplate));
    if (start.kind == ProgramKind::ThroughWine)
        status.ShowStatus(".. Auto Convert Start (wine)", StatusKind::Notice);
    if (start.errorNumber != 0) {
        if (start.kind == ProgramKind::WindowsWithoutWine)
            status.ShowStatus(Sjis(".. Windows のプログラムには wine が必要です"), StatusKind::Error);
        throw UserError("Exec Error : " + std::to_string(start.errorNumber));
    }
    if (!runner_->WaitForEnd())
        return;  // the program is closing: the conversion has not finished
    status.ShowStatus(".. Auto Convert End", StatusKind::Notice);
    try {
        SaveConvHis(model_.folders.SettingsPath(), model_.LastFolder);
    } catch (const WriteError&) {
        // The history only offers a folder again; the converted song still plays.
    }
    state_.ConvertState = Converted;
}

void AutoConvert::FormActivate() {
    state_.ContinuousConvert = false;
    if (const auto history = ReadConvHis(model_.folders.SettingsPath()))
        model_.LastFolder = *history;
    fields_.historyCaption = model_.LastFolder;
    fields_.historyEnabled = !fields_.historyCaption.empty();
    Changed();
}

void AutoConvert::FormClose() {
    fields_.commandLine.clear();
    fields_.message.clear();
    fields_.outputFolder.clear();
    fields_.down = FolderButton::None;
    fields_.startEnabled = false;
    fields_.continuousEnabled = false;
    Changed();
}

void AutoConvert::PrepareInto(const std::string& folder, FolderButton button) {
    fields_.down = button;
    PrepareCommandLine(state_.ActiveTemplate, state_.ConvertSource, folder);
    fields_.outputFolder = folder;
    Changed();
}

void AutoConvert::List0SpeedButtonClick() {
    PrepareInto(model_.settings.LST0DIR, FolderButton::List0);
}

void AutoConvert::List1SpeedButtonClick() {
    PrepareInto(model_.settings.LST1DIR, FolderButton::List1);
}

void AutoConvert::OtherSpeedButtonClick() {
    fields_.down = FolderButton::Other;
    fields_.outputFolder.clear();
    fields_.commandLine.clear();
    fields_.startEnabled = false;
    Changed();
    const auto chosen = views_.folderDialog->ChooseFolder(model_.LastFolder);
    if (chosen) {
        fields_.historyCaption = *chosen;
        fields_.historyEnabled = !chosen->empty();
        model_.LastFolder = WithTrailingPathDelimiter(*chosen);
        PrepareCommandLine(state_.ActiveTemplate, state_.ConvertSource, model_.LastFolder);
        fields_.outputFolder = model_.LastFolder;
    } else {
        state_.ConvertState = FolderCancelled;
    }
    fields_.down = FolderButton::None;  // released either way
    Changed();
}

void AutoConvert::CnvHisSpeedButtonClick() {
    if (!fields_.historyCaption.empty())
        model_.LastFolder = fields_.historyCaption;
    model_.LastFolder = WithTrailingPathDelimiter(model_.LastFolder);
    // The history button does not stay down; the folder buttons no longer name the output.
    PrepareInto(model_.LastFolder, FolderButton::None);
}

void AutoConvert::StartButtonClick() {
    try {
        RunConverter(fields_.commandLine);
    } catch (const UserError& error) {
        views_.messages->ShowMessage(error.Text());  // the window stays open
        return;
    }
    Close();
}

void AutoConvert::CntiCnvButtonClick() {
    state_.ContinuousConvert = true;
    StartButtonClick();
}

void AutoConvert::CansButtonClick() {
    Close();
}

void AutoConvert::Close() {
    if (window_)
        window_->CloseConversionWindow();
}

void AutoConvert::Changed() {
    if (window_)
        window_->ConversionFieldsChanged();
}

}  // namespace korva
