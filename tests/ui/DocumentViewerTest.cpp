#include "ui/DocumentViewer.h"

#include <QApplication>
#include <QFontInfo>
#include <QPlainTextEdit>
#include <QtTest>
#include <filesystem>
#include <memory>

#include "support/FifoGuard.h"
#include "support/QtTestSupport.h"
#include "support/TempDir.h"
#include "text/Encoding.h"

namespace korva {
namespace {

using testing::TempDir;
using testing::U8;

QPlainTextEdit* TextOf(DocumentWindow* window) {
    return window->findChild<QPlainTextEdit*>(QStringLiteral("DocumentText"));
}

}  // namespace

class DocumentViewerTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<TempDir> dir_;
    Settings settings_;
    std::unique_ptr<DocumentViewer> viewer_;

    // An editor that writes the number of its arguments and each argument to args.txt.
    std::string RecordingEditor() {
        const std::string record = dir_->Folder() + "args.txt";
        const std::string editor =
            dir_->Write("editor.sh", "#!/bin/sh\nprintf '%s|' \"$#\" \"$@\" > '" + record + "'\n");
        std::filesystem::permissions(editor, std::filesystem::perms::owner_all);
        return editor;
    }

  private slots:
    void init() {
        dir_ = std::make_unique<TempDir>();
        settings_ = Settings();
        viewer_ = std::make_unique<DocumentViewer>(settings_);
    }

    void cleanup() {
        viewer_.reset();
        QCOMPARE(testing::WindowsLeftBehind(), QStringList());
        dir_.reset();
    }

    void ShiftJisDocumentIsShownDecoded() {
        settings_.USEFONT = 1;
        settings_.FONTSIZ = 12;
        // "ソ表能" end in the byte of "\", the full-width space is 81 40; lines end in CR LF.
        const std::string path =
            dir_->Write("song.txt", Sjis("ソ表能　全角スペース\r\nＭＩＤＩ曲の説明です。\r\n") + "\x1A");
        viewer_->Open(dir_->Folder() + "SONG.TXT");  // the companion name, in the program's letter case
        QCOMPARE(viewer_->Windows().size(), std::size_t{1});
        DocumentWindow* window = viewer_->Windows().front();
        QVERIFY(window->isVisible());
        QCOMPARE(window->Text(), U8("ソ表能　全角スペース\nＭＩＤＩ曲の説明です。\n"));
        QCOMPARE(window->windowTitle(), QStringLiteral("SONG.TXT"));
        QPlainTextEdit* text = TextOf(window);
        QVERIFY(text->isReadOnly());
        QCOMPARE(QFontInfo(text->font()).family(), testing::FamilyNamed(QStringLiteral("IPAMincho")));
        QCOMPARE(text->font().pointSize(), 12);
        const QString png = qEnvironmentVariable("KORVA_GRAB_DIR");
        if (!png.isEmpty())
            QVERIFY(window->grab().save(png + QStringLiteral("/DocumentViewer.png")));
    }

    void OneWindowPerDocument() {
        const std::string a = dir_->Write("a.txt", "first");
        const std::string b = dir_->Write("b.doc", "other");
        viewer_->Open(a);
        dir_->Write("a.txt", "changed");
        viewer_->Open(a);
        QCOMPARE(viewer_->Windows().size(), std::size_t{1});
        QCOMPARE(viewer_->Windows().front()->Text(), QStringLiteral("changed"));
        viewer_->Open(b);
        QCOMPARE(viewer_->Windows().size(), std::size_t{2});

        viewer_->Windows().front()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(viewer_->Windows().size(), std::size_t{1});
        QCOMPARE(viewer_->Windows().front()->Text(), QStringLiteral("other"));
        viewer_->Open(a);
        QCOMPARE(viewer_->Windows().size(), std::size_t{2});
    }

    void MissingDocumentSaysSoInItsWindow() {
        const std::string missing = dir_->Folder() + "none.TXT";
        viewer_->Open(missing);
        QCOMPARE(viewer_->Windows().size(), std::size_t{1});
        const QString text = viewer_->Windows().front()->Text();
        QVERIFY2(text.contains(QString::fromStdString(missing)), qPrintable(text));
        QVERIFY(text.contains(U8("開けません")));
    }

    // A companion document that is a FIFO or a link to a device: the window opens at once and says
    // what the file is instead of freezing the program or reading without end.
    void DocumentThatIsNoFileIsNamedWithWhatItIs() {
        const std::string fifo = dir_->Folder() + "song.TXT";
        QVERIFY(testing::MakeFifo(fifo));
        std::filesystem::create_symlink("/dev/zero", dir_->Path() / "song.DOC");
        {
            // Windows are made on this thread; a reader stuck on the FIFO is let go by the watch.
            const testing::FifoRelease watch({fifo});
            viewer_->Open(fifo);
            viewer_->Open(dir_->Folder() + "song.DOC");
            QVERIFY(!watch.Released());
        }
        QCOMPARE(viewer_->Windows().size(), std::size_t{2});
        QStringList texts;
        for (DocumentWindow* window : viewer_->Windows()) texts << window->Text();
        texts.sort();
        QCOMPARE(texts,
                 (QStringList{
                     QString::fromStdString(ToDisplayUtf8(Sjis("ファイル ") + dir_->Folder() +
                                                          Sjis("song.DOC を読み込めません（デバイスです）"))),
                     QString::fromStdString(ToDisplayUtf8(
                         Sjis("ファイル ") + fifo + Sjis(" を読み込めません（名前付きパイプです）")))}));
    }

    void EditorProgramGetsTheDocumentAsOneArgument() {
        settings_.EDTPATH = " " + RecordingEditor() + " ";
        std::filesystem::create_directories(dir_->Path() / "my songs");
        const std::string document = dir_->Write("my songs/a b.txt", "x");
        viewer_->Open(dir_->Folder() + "my songs/A B.TXT");
        QTRY_COMPARE(QString::fromStdString(dir_->Read("args.txt")),
                     QString::fromStdString("1|" + document + "|"));
        QVERIFY(viewer_->Windows().empty());
    }

    // Options in the editor's setting reach it as arguments of their own, quoted ones whole, and
    // the document comes last.
    void EditorSettingWithOptionsIsSplitIntoArguments() {
        settings_.EDTPATH = RecordingEditor() + " --new-window \"two words\"";
        const std::string document = dir_->Write("a.txt", "x");
        viewer_->Open(document);
        QTRY_COMPARE(QString::fromStdString(dir_->Read("args.txt")),
                     QString::fromStdString("3|--new-window|two words|" + document + "|"));
    }

    void EditorThatCannotStartIsNotReported() {
        settings_.EDTPATH = dir_->Folder() + "no-such-editor";
        viewer_->Open(dir_->Write("a.txt", "x"));
        QVERIFY(viewer_->Windows().empty());
        QCOMPARE(QApplication::topLevelWidgets().size(), 0);
    }
};

}  // namespace korva

QTEST_MAIN(korva::DocumentViewerTest)
#include "DocumentViewerTest.moc"
