// Converter templates and command lines: the input is cut at its first two NUL bytes into a
// template, a source path and an output folder.

#include <cstdlib>

#include "FuzzSupport.h"
#include "convert/CommandLine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace korva;
    std::string_view rest = fuzz::Input(data, size);
    auto next = [&rest] {
        const std::size_t nul = rest.find('\0');
        const std::string_view part = rest.substr(0, nul);
        rest = nul == std::string_view::npos ? std::string_view() : rest.substr(nul + 1);
        return part;
    };
    const std::string_view templateText = next();
    const std::string_view source = next();
    const std::string_view outputFolder = rest;

    const std::string line = ExpandTemplate(templateText, source, outputFolder, "/opt/korva/");
    (void)SplitCommandLine(line);
    (void)SplitCommandLine(templateText);
    (void)ConverterPathOf(templateText, "/opt/korva/");
    (void)ConverterNameOf(templateText);
    (void)PredictedOutput(source, outputFolder);
    // A path quoted for a command line comes back whole, valid Shift-JIS or not (a NUL would end it
    // on any real command line).
    if (source.find('\0') == std::string_view::npos) {
        const auto split = SplitCommandLine(QuoteArgument(source));
        if (!source.empty() && (split.size() != 1 || split[0] != source))
            std::abort();
    }
    return 0;
}
