#pragma once
// A song's companion documents (".TXT" and ".DOC" beside it) and how a document is shown.

#include <string>
#include <string_view>

namespace korva {

enum class DocumentKind { Txt, Doc };

// The song's path up to its first "." followed by ".TXT" or ".DOC". The cut is at the first dot of
// the whole path, so a folder named "v1.2" ends the name there.
std::string CompanionDocument(std::string_view songPath, DocumentKind kind);

// The companion document of a queue or playlist entry: of its Path field, or of the whole entry
// when it has none (a bare file path, as the EASY queue holds).
std::string CompanionDocumentOfEntry(std::string_view entry, DocumentKind kind);

// How a document is opened: the EDTPATH program with the document as its one argument, or, with
// EDTPATH blank, the program's own text window.
struct ViewerCommand {
    bool builtIn = false;
    std::string program;   // EDTPATH without surrounding blanks (Shift-JIS)
    std::string document;  // Shift-JIS
};
ViewerCommand DocumentViewerCommand(std::string_view edtpath, std::string_view document);

// A document's bytes as text to show (UTF-8): decoded from Shift-JIS, CR LF and lone CR turned into
// line feeds, an end-of-file mark (0x1A) at the very end dropped; bytes that are not Shift-JIS show
// as U+FFFD.
std::string DocumentDisplayText(std::string_view sjisBytes);

}  // namespace korva
