#pragma once
// Answers the modal dialogs a window test opens, from posted timer events.

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <string>
#include <vector>

namespace korva::testing {

// One answer per dialog in the order they appear: keeps each dialog's title and message text, then
// lets the answer close it (no answer: rejected).
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

}  // namespace korva::testing
