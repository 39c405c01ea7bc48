#include "convert/SmfKnife.h"

#include "app/FileSystem.h"
#include "convert/CommandLine.h"
#include "text/Encoding.h"
#include "text/ShiftJis.h"

namespace korva {

std::string SmfKnifeBackupPath(std::string_view songPath) {
    return WithoutExtension(songPath) + ".MI_";
}

std::string SmfKnifeCommandLine(std::string_view toolPath, std::string_view songPath,
                                std::string_view parameters) {
    return QuoteArgument(toolPath) + " " + QuoteArgument(songPath) + " " +
           QuoteArgument(FolderPart(toolPath)) + std::string(parameters);
}

std::optional<std::string> SmfKnifeRefusal(const Settings& settings, std::string_view parameters) {
    if (settings.SMFPATH.empty() || !FileExistsIgnoringCase(settings.SMFPATH))
        return Sjis("ＳＭＦナイフをインストールし、そのパスを設定してください");
    if (parameters.empty())
        return Sjis("ＳＭＦナイフのＣＦＧファイル名とパラメータを設定してください");
    return std::nullopt;
}

}  // namespace korva
