#include "ui/DocumentViewer.h"

#include <QPlainTextEdit>
#include <QProcess>
#include <QVBoxLayout>

#include "app/FileSystem.h"
#include "convert/CommandLine.h"
#include "playlist/CompanionDocument.h"
#include "text/Encoding.h"
#include "text/ShiftJis.h"
#include "ui/ListFont.h"
#include "ui/QtText.h"

namespace korva {

namespace {

// The file's path on disk: the existing file whose name matches ignoring case, else the path as
// given. Empty when the text is no valid Shift-JIS.
std::string DiskPath(const std::string& sjisPath) {
    try {
        if (const auto found = FindIgnoringCase(sjisPath))
            return found->string();
        return ToFsPath(sjisPath).string();
    } catch (const EncodingError&) {
        return {};
    }
}

}  // namespace

DocumentWindow::DocumentWindow() {
    setObjectName(QStringLiteral("DocumentWindow"));
    setWindowFlag(Qt::Window);
    setAttribute(Qt::WA_DeleteOnClose);
    // A document left open must not keep the program running after the player has closed.
    setAttribute(Qt::WA_QuitOnClose, false);
    text_ = new QPlainTextEdit(this);
    text_->setObjectName(QStringLiteral("DocumentText"));
    text_->setReadOnly(true);
    text_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(text_);
    resize(640, 480);
}

void DocumentWindow::ShowDocument(const std::string& sjisPath, const QFont& font) {
    const QString name = FromSjis(FileNamePart(sjisPath));
    setWindowTitle(name);
    text_->setAccessibleName(name);
    text_->setFont(font);
    ReadProblem problem;
    const auto bytes = ReadRegularFile(sjisPath, kTextFileLimit, &problem);
    if (bytes)
        text_->setPlainText(QString::fromStdString(DocumentDisplayText(*bytes)));
    else if (IsRefused(problem))
        text_->setPlainText(FromSjis(ReadProblemMessage(sjisPath, problem)));
    else
        text_->setPlainText(FromSjis(Sjis("ファイル（ ") + sjisPath + Sjis("）を開けません")));
}

QString DocumentWindow::Text() const {
    return text_->toPlainText();
}

DocumentViewer::DocumentViewer(const Settings& settings, QObject* parent)
    : QObject(parent), settings_(settings) {}

DocumentViewer::~DocumentViewer() {
    for (auto& [path, window] : windows_) delete window.data();
}

void DocumentViewer::Open(const std::string& sjisDocument) {
    const ViewerCommand command = DocumentViewerCommand(settings_.EDTPATH, sjisDocument);
    const std::string document = DiskPath(command.document);
    if (!command.builtIn) {
        if (document.empty())
            return;
        // The editor's setting may carry options ("mousepad --disable-server"): it is split as
        // converter command lines are, and the document goes last as one argument, with no shell.
        const std::vector<std::string> words = SplitCommandLine(command.program);
        if (words.empty())
            return;
        try {
            QStringList arguments;
            for (std::size_t i = 1; i < words.size(); ++i)
                arguments << FromSjis(words[i]);
            arguments << QString::fromStdString(document);
            const QString program = QString::fromStdString(ToFsPath(words.front()).string());
            QProcess::startDetached(program, arguments);
        } catch (const EncodingError&) {
            // A program name that cannot be a file name cannot start; that is not reported.
        }
        return;
    }
    std::erase_if(windows_, [](const auto& entry) { return entry.second.isNull(); });
    QPointer<DocumentWindow>& window = windows_[document.empty() ? command.document : document];
    if (!window)
        window = new DocumentWindow;
    window->ShowDocument(command.document, ListFont(settings_));
    window->show();
    window->raise();
    window->activateWindow();
}

std::vector<DocumentWindow*> DocumentViewer::Windows() const {
    std::vector<DocumentWindow*> open;
    for (const auto& [path, window] : windows_) {
        if (window)
            open.push_back(window.data());
    }
    return open;
}

}  // namespace korva
