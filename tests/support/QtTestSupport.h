#pragma once
// Helpers for the window tests: finding controls by name, answering modal dialogs, and checking
// that a test leaves no window behind. Header-only, so that the test support library stays free
// of Qt.

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFont>
#include <QFontInfo>
#include <QMessageBox>
#include <QTimer>
#include <QToolTip>
#include <QtTest>
#include <functional>
#include <string>
#include <vector>

namespace korva::testing {

// The name of the family a font of the given family name is drawn with. Under a Japanese locale
// installed families go by their Japanese names ("IPA明朝" for "IPAMincho"); a family a widget
// shows is compared with this, not with the name it was asked by.
inline QString FamilyNamed(const QString& family) {
    return QFontInfo(QFont(family)).family();
}

inline QString U8(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// The control with the given objectName; the test cannot go on without it.
template <typename W = QWidget>
W* Find(QWidget& window, const char* name) {
    auto* widget = window.findChild<W*>(QLatin1String(name));
    if (!widget)
        qFatal("no control %s", name);
    return widget;
}

// Answers modal dialogs from posted timer events, one answer per dialog in the order they appear:
// keeps each dialog's title and message text, then lets the answer close it (no answer: rejected).
class ModalAnswers {
  public:
    using Answer = std::function<void(QDialog*)>;
    explicit ModalAnswers(std::vector<Answer> answers = {Answer()}) : answers_(std::move(answers)) { Arm(); }
    QStringList titles;
    QStringList texts;
    std::size_t Answered() const { return next_; }

  private:
    void Arm() {
        QTimer::singleShot(5, &context_, [this] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return Arm();
            titles << dialog->windowTitle();
            auto* box = qobject_cast<QMessageBox*>(dialog);
            texts << (box ? box->text() : QString());
            const Answer answer = answers_[next_++];
            if (answer) {
                answer(dialog);
            } else {
                dialog->reject();
            }
            if (next_ < answers_.size())
                Arm();
        });
    }
    QObject context_;  // pending polls die with it
    std::vector<Answer> answers_;
    std::size_t next_ = 0;
};

// Chooses a file or folder in a file dialog.
inline ModalAnswers::Answer Choose(const std::string& path) {
    return [path](QDialog* dialog) {
        auto* files = qobject_cast<QFileDialog*>(dialog);
        QVERIFY(files);
        files->selectFile(QString::fromStdString(path));
        dialog->accept();
    };
}

// The top-level windows still alive once hints are gone and pending deletions done.
inline QStringList WindowsLeftBehind() {
    QToolTip::hideText();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QStringList left;
    for (QWidget* window : QApplication::topLevelWidgets())
        left << QString::fromLatin1(window->metaObject()->className()) + QLatin1Char(' ') +
                    window->objectName();
    return left;
}

}  // namespace korva::testing
