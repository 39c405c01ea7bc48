// The core's dialog ports over Qt: the folder dialog starts where it is told, offers no folder
// creation, and refuses a folder whose name Shift-JIS cannot hold.

#include <QDialogButtonBox>
#include <QDir>
#include <QPushButton>
#include <QFileDialog>
#include <QToolButton>
#include <QtTest>
#include <filesystem>

#include "support/Fakes.h"
#include "support/QtTestSupport.h"
#include "support/TempDir.h"
#include "text/Encoding.h"
#include "ui/QtText.h"
#include "ui/QtTranslations.h"
#include "ui/QtViews.h"

using namespace korva;

class QtViewsTest : public QObject {
    Q_OBJECT

  private slots:
    void cleanup() { QCOMPARE(testing::WindowsLeftBehind(), QStringList()); }

    void folderDialogStartsInTheCurrentFolderAndCreatesNoFolders() {
        testing::TempDir dir;
        const QString current = QDir::currentPath();
        QDir::setCurrent(QString::fromStdString(dir.Path().string()));
        testing::RecordingMessages messages;
        QtFolderDialog folders(nullptr, messages);
        QString startedIn;
        bool offersNewFolder = true;
        testing::ModalAnswers answers({[&](QDialog* dialog) {
            auto* files = qobject_cast<QFileDialog*>(dialog);
            QVERIFY(files);
            QCOMPARE(files->objectName(), QStringLiteral("FolderDialog"));
            startedIn = files->directory().absolutePath();
            auto* newFolder = files->findChild<QToolButton*>(QStringLiteral("newFolderButton"));
            offersNewFolder = newFolder && newFolder->isEnabled() && !newFolder->isHidden();
            dialog->reject();
        }});
        QCOMPARE(folders.ChooseFolder(""), std::optional<std::string>());
        QDir::setCurrent(current);
        QCOMPARE(startedIn, QDir(QString::fromStdString(dir.Path().string())).absolutePath());
        QVERIFY(!offersNewFolder);
    }

    // Whatever the locale, Qt's own dialog speaks Japanese like the rest of the program.
    void folderDialogSpeaksJapanese() {
        QVERIFY(InstallJapaneseTranslations());
        testing::RecordingMessages messages;
        QtFolderDialog folders(nullptr, messages);
        QString title;
        QStringList buttons;
        testing::ModalAnswers answers({[&](QDialog* dialog) {
            title = dialog->windowTitle();
            for (QAbstractButton* button : dialog->findChild<QDialogButtonBox*>()->buttons())
                buttons << button->text();
            dialog->reject();
        }});
        QCOMPARE(folders.ChooseFolder(""), std::optional<std::string>());
        QCOMPARE(title, testing::U8("ディレクトリの検索"));
        buttons.sort();
        QCOMPARE(buttons, QStringList({testing::U8("キャンセル"), testing::U8("選択(&C)")}));
    }

    void folderChosenEndsInADelimiterAndAnUnholdableNameIsRefused() {
        testing::TempDir dir;
        const QString plain = QString::fromStdString(dir.Path().string()) + QStringLiteral("/songs");
        const QString accented = QString::fromStdString(dir.Path().string()) + QStringLiteral("/caf\u00e9");
        QDir().mkpath(plain);
        QDir().mkpath(accented);
        testing::RecordingMessages messages;
        QtFolderDialog folders(nullptr, messages);
        auto choose = [](const QString& folder) {
            return [folder](QDialog* dialog) {
                auto* files = qobject_cast<QFileDialog*>(dialog);
                QVERIFY(files);
                files->setDirectory(folder);
                files->selectFile(folder);
                dialog->accept();
            };
        };
        testing::ModalAnswers answers({choose(accented), choose(plain)});
        const auto chosen = folders.ChooseFolder(*ToSjis(QString::fromStdString(dir.Folder())));
        QCOMPARE(chosen.value_or(""), *ToSjis(plain) + "/");
        QCOMPARE(messages.shown.size(), std::size_t{1});
        QVERIFY(FromSjis(messages.shown[0]).contains(QStringLiteral("caf\u00e9")));
    }
};

QTEST_MAIN(QtViewsTest)
#include "QtViewsTest.moc"
