#include "playlist/CompanionDocument.h"

#include "playlist/PlaylistEntry.h"
#include "text/Encoding.h"
#include "text/ShiftJis.h"

namespace korva {

std::string CompanionDocument(std::string_view songPath, DocumentKind kind) {
    return BeforeFirstDot(songPath) + (kind == DocumentKind::Txt ? ".TXT" : ".DOC");
}

std::string CompanionDocumentOfEntry(std::string_view entry, DocumentKind kind) {
    PlaylistEntry fields;
    SplitEntry(entry, fields);
    return CompanionDocument(fields.Path.empty() ? entry : std::string_view(fields.Path), kind);
}

ViewerCommand DocumentViewerCommand(std::string_view edtpath, std::string_view document) {
    ViewerCommand command;
    command.program = TrimBlanks(edtpath);
    command.builtIn = command.program.empty();
    command.document = std::string(document);
    return command;
}

std::string DocumentDisplayText(std::string_view sjisBytes) {
    if (!sjisBytes.empty() && sjisBytes.back() == '\x1A')
        sjisBytes.remove_suffix(1);
    // Line ends are single-byte and Shift-JIS second bytes start at 0x40, so a byte scan is safe.
    std::string lines;
    lines.reserve(sjisBytes.size());
    for (std::size_t i = 0; i < sjisBytes.size(); ++i) {
        if (sjisBytes[i] != '\r') {
            lines += sjisBytes[i];
            continue;
        }
        lines += '\n';
        if (i + 1 < sjisBytes.size() && sjisBytes[i + 1] == '\n')
            ++i;
    }
    return ToDisplayUtf8(lines);
}

}  // namespace korva
