// The demo list that scripts/run.sh puts into an empty program folder: five songs with their titles,
// one of them Japanese, a list that names them and settings that choose it, so that pressing Play
// plays them. A second run, or a folder that holds a user's own list, gets nothing.

#include <QAbstractButton>
#include <QProcess>
#include <QTest>
#include <filesystem>
#include <set>

#include "app/FileSystem.h"
#include "platform/SynthSettings.h"
#include "playback/SmfReader.h"
#include "playlist/PlaylistEntry.h"
#include "playlist/SmfTitle.h"
#include "support/QtTestSupport.h"
#include "support/TempDir.h"
#include "text/Encoding.h"
#include "ui/KorvaApp.h"
#include "ui/TMainForm.h"

using namespace korva;

namespace {

int RunDemoScript(const std::string& folder) {
    QProcess script;
    script.start(QStringLiteral("python3"),
                 {QStringLiteral(KORVA_DATA_DIR "/../scripts/make_demo.py"), QString::fromStdString(folder)});
    if (!script.waitForFinished(60000))
        return -1;
    return script.exitStatus() == QProcess::NormalExit ? script.exitCode() : -1;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

}  // namespace

class DemoListTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { KeepJackFromStartingServers(); }
    void cleanup() { QCOMPARE(testing::WindowsLeftBehind(), QStringList()); }

    void FirstRunGetsFiveTitledSongsThatPlay() {
        testing::TempDir dir;
        QCOMPARE(RunDemoScript(dir.Folder()), 0);
        const std::string list = dir.Read("KORVA.DT0");
        QVERIFY(list.size() > 2 && list.substr(list.size() - 2) == "\r\n");
        const std::vector<std::string> lines = Lines(list);
        QCOMPARE(lines.size(), std::size_t{5});
        std::vector<std::string> names;
        for (const std::string& line : lines) {
            QVERIFY2(IsValidEntryLine(line), line.c_str());
            PlaylistEntry entry;
            SplitEntry(line, entry);
            QCOMPARE(entry.Vol, std::string("+0"));
            QCOMPARE(entry.Feel, std::string("1"));
            QCOMPARE(QString::fromStdString(ToDisplayUtf8(ReadSmfTitle(entry.Path))),
                     QString::fromStdString(ToDisplayUtf8(entry.Name)));  // its Track Name
            const SmfReadResult song = ReadSmf(ReadWholeFile(entry.Path).value_or(""));
            QVERIFY(song.Ok());
            std::set<int> channels;
            for (const auto& track : song.song.tracks)
                for (const SmfEvent& event : track.events)
                    if (event.IsChannel() && (event.status & 0xF0) == 0x90)
                        channels.insert(event.status & 0x0F);
            QVERIFY2(channels.size() >= 3, entry.Name.c_str());  // several instruments
            names.push_back(entry.Name);
        }
        QVERIFY(std::find(names.begin(), names.end(), Sjis("さくらさくら")) != names.end());
        QCOMPARE(dir.Read("KORVA.INI"), std::string("[KORVA]\r\nPLAYMOD=0\r\n"));

        // Later runs add nothing and change nothing.
        const std::string settings = dir.Read("KORVA.INI");
        QCOMPARE(RunDemoScript(dir.Folder()), 0);
        QCOMPARE(dir.Read("KORVA.DT0"), list);
        QCOMPARE(dir.Read("KORVA.INI"), settings);

        // Play plays the list's first song.
        for (const char* reset : {"KORVA_GM.MID", "KORVA_GS.MID", "KORVA_88.MID"})
            std::filesystem::copy_file(std::filesystem::path(KORVA_DATA_DIR) / reset, dir.Path() / reset);
        KorvaApp app(dir.Folder(), {});
        QCOMPARE(app.Model().settings.PLAYMOD, std::uint8_t{LIST0});
        auto* play = app.MainForm().findChild<QAbstractButton*>(QStringLiteral("PlaySpeedButton"));
        QVERIFY(play);
        QTest::mouseClick(play, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(app.TheJukebox().Commands().DevicePlaying(), 10000);
        QCOMPARE(app.Model().PlayQueue.size(), std::size_t{5});
        QTRY_COMPARE_WITH_TIMEOUT(QString::fromStdString(ToDisplayUtf8(app.MainForm().Status().Text())),
                                  QStringLiteral("Amazing Grace (hymn)"),
                                  10000);  // by title, after the reset
        QTest::mouseClick(app.MainForm().findChild<QAbstractButton*>(QStringLiteral("StopSpeedButton")),
                          Qt::LeftButton);
    }

    void UsersOwnListIsNeverTouched() {
        testing::TempDir dir;
        dir.Write("KORVA.DT1", "Mine\t/music/mine.mid\t+0\t1\r\n");
        QCOMPARE(RunDemoScript(dir.Folder()), 0);
        QVERIFY(!dir.Exists("KORVA.DT0"));
        QVERIFY(!dir.Exists("KORVA.INI"));
        QVERIFY(!dir.Exists("demo"));
        QCOMPARE(dir.Read("KORVA.DT1"), std::string("Mine\t/music/mine.mid\t+0\t1\r\n"));
    }
};

QTEST_MAIN(DemoListTest)
#include "DemoListTest.moc"
