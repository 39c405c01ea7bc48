#include "convert/ForeignFormats.h"

#include "text/ShiftJis.h"

namespace korva {

namespace {

constexpr std::string_view kPlayExtensions = ".MID.RCP.MCP.R36.SNG.MM2.MMC.SEQ";

// The 0-based position of the upper-cased extension in the list; npos when it is not there.
std::size_t PositionIn(std::string_view list, std::string_view sjisPath) {
    const std::string extension = UpperCase(ExtensionOf(sjisPath));
    if (extension.empty())
        return std::string_view::npos;
    return list.find(extension);
}

}  // namespace

int ForeignRow(std::string_view sjisPath) {
    const std::size_t at = PositionIn(kForeignExtensions, sjisPath);
    return at == std::string_view::npos ? 0 : static_cast<int>((at + 1) / 4);
}

std::string ForeignLabel(std::string_view sjisPath) {
    const std::size_t at = PositionIn(kForeignExtensions, sjisPath);
    return std::string(kForeignLabels.substr(at == std::string_view::npos ? 0 : at, 3));
}

const std::string& TemplateOfRow(const Settings& settings, int row) {
    switch (row) {
        case 1:
            return settings.CNVTMCP;
        case 2:
            return settings.CNVTR36;
        case 3:
            return settings.CNVTSNG;
        case 4:
            return settings.CNVTMM2;
        case 5:
            return settings.CNVTMMC;
        case 6:
            return settings.CNVTSEQ;
        default:
            return settings.CNVTRCP;
    }
}

bool IsForeignAtPlayTime(std::string_view sjisPath) {
    const std::size_t at = PositionIn(kPlayExtensions, sjisPath);
    return at != std::string_view::npos && at + 1 >= 4;
}

}  // namespace korva
