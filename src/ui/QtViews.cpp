#include "ui/QtViews.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

#include "text/Encoding.h"
#include "text/ShiftJis.h"
#include "ui/QtText.h"

namespace korva {

void QtMessageView::ShowMessage(const std::string& sjisText) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("KORVA97"), FromSjis(sjisText), QMessageBox::Ok,
                    parent_);
    box.setObjectName(QStringLiteral("KorvaMessageBox"));
    box.exec();
}

std::optional<std::string> QtFolderDialog::ChooseFolder(const std::string& startFolder) {
    QString start = startFolder.empty() ? QDir::currentPath() : FromSjis(startFolder);
    for (;;) {
        // Qt's own dialog honours ReadOnly; a desktop's native one may still offer "New Folder".
        QFileDialog dialog(parent_, QString(), start);
        dialog.setObjectName(QStringLiteral("FolderDialog"));
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::ReadOnly |
                          QFileDialog::DontUseNativeDialog);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        const QString chosen = dialog.selectedFiles().front();
        if (auto sjis = ToSjis(chosen))
            return WithTrailingPathDelimiter(*sjis);
        messages_.ShowMessage(UnholdableNamesMessage({ToSjisForMessage(chosen)}));
        start = chosen;
    }
}

std::optional<std::string> QtSoundFontDialog::ChooseSoundFont(const std::string& sjisStartFolder) {
    QFileDialog dialog(parent_, QStringLiteral("SoundFont の選択"), FromSjis(sjisStartFolder),
                       QStringLiteral("SoundFont (*.sf2 *.sf3)"));
    dialog.setObjectName(QStringLiteral("SoundFontDialog"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::ReadOnly);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    const QString chosen = dialog.selectedFiles().front();
    if (auto sjis = ToSjis(chosen))
        return sjis;
    messages_.ShowMessage(UnholdableNamesMessage({ToSjisForMessage(chosen)}));
    return std::nullopt;
}

QtTimer::QtTimer(const QString& objectName, std::function<void()> onTick) {
    timer_.setObjectName(objectName);
    QObject::connect(&timer_, &QTimer::timeout, std::move(onTick));
}

}  // namespace korva
