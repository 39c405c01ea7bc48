#pragma once
// Opens documents (a song's TXT and DOC files) for reading. With EDTPATH set, that program is started
// detached with the document as its one argument. With EDTPATH blank the program's own read-only
// text window shows it: companion documents are Shift-JIS text, which most editors here would show
// garbled. One window per document; opening a document again refreshes its window and brings it to
// the front.

#include <QPointer>
#include <QWidget>
#include <map>
#include <string>
#include <vector>

#include "app/Settings.h"
#include "windows/SettingsWindow.h"

class QPlainTextEdit;

namespace korva {

class DocumentWindow final : public QWidget {
    Q_OBJECT
  public:
    DocumentWindow();

    // Reads the document again and shows it in the font given.
    void ShowDocument(const std::string& sjisPath, const QFont& font);
    QString Text() const;

  private:
    QPlainTextEdit* text_ = nullptr;
};

class DocumentViewer final : public QObject, public DocumentView {
    Q_OBJECT
  public:
    explicit DocumentViewer(const Settings& settings, QObject* parent = nullptr);
    ~DocumentViewer() override;
    DocumentViewer(const DocumentViewer&) = delete;
    DocumentViewer& operator=(const DocumentViewer&) = delete;

    // Opens the document (a Shift-JIS path) as EDTPATH says. The file's name is matched ignoring
    // letter case. Whether an outside program could start is not looked at.
    void Open(const std::string& sjisDocument);
    void OpenDocument(const std::string& sjisPath) override { Open(sjisPath); }

    // The program's own windows now open.
    std::vector<DocumentWindow*> Windows() const;

  private:
    const Settings& settings_;
    std::map<std::string, QPointer<DocumentWindow>> windows_;  // by the file's path
};

}  // namespace korva
