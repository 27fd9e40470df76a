// Drives the real brindlepath binary with a private XDG_CONFIG_HOME.
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

namespace {

struct Output {
    int status = -1;
    QString out;
    QString err;
};

class Cli : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    QString shoots = tmp.path() + "/Shoots";

    Output run(const QStringList &args, const QByteArray &input = {})
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", tmp.path() + "/config");
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(tmp.path());
        p.start(BP_CLI_PATH, args);
        EXPECT_TRUE(p.waitForStarted());
        p.write(input);
        p.closeWriteChannel();
        EXPECT_TRUE(p.waitForFinished(60000));
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
                QString::fromUtf8(p.readAllStandardError())};
    }
    QJsonObject json(const Output &o) { return QJsonDocument::fromJson(o.out.toUtf8()).object(); }
};

TEST_F(Cli, CreateSinglePrintsTheProjectAndBuildsTheTree)
{
    const Output o = run({"create", "--target", "Shoots", "--name", "Nike_Shoot_Zomer",
                          "--template", "youTube", "--date", "2026-12-07"});
    ASSERT_EQ(o.status, 0) << o.err.toStdString();
    const QString project = shoots + "/2026-12-07_Nike_Shoot_Zomer";
    EXPECT_EQ(o.out, project + "\n");
    EXPECT_TRUE(QDir(project + "/01_Footage/Camera_B").exists());
    EXPECT_TRUE(QDir(project + "/01_Footage/Drone").exists());
    EXPECT_TRUE(QDir(project + "/03_Graphics/Thumbnails").exists());
    EXPECT_FALSE(QDir(project + "/06_Client_Deliverables").exists());
}

TEST_F(Cli, CreateBatchFromStandardInputAsJson)
{
    const Output o = run({"create", "--target", shoots, "--batch", "-", "--extras", "none",
                          "--date", "2026-01-02", "--json"},
                         "  A  \n\nB\n");
    ASSERT_EQ(o.status, 0) << o.err.toStdString();
    EXPECT_EQ(json(o)["projects"].toArray(),
              (QJsonArray{shoots + "/2026-01-02_A", shoots + "/2026-01-02_B"}));
    EXPECT_FALSE(json(o).contains("moves"));
    EXPECT_FALSE(QDir(shoots + "/2026-01-02_A/01_Footage/Camera_A").exists());
}

TEST_F(Cli, CreateWithSortMovesLooseFilesAndReportsThem)
{
    QDir().mkpath(shoots);
    QFile clip(shoots + "/clip.MOV");
    ASSERT_TRUE(clip.open(QIODevice::WriteOnly));
    clip.close();
    const Output o = run(
        {"create", "--target", shoots, "--name", "P", "--date", "2026-12-07", "--sort", "--json"});
    ASSERT_EQ(o.status, 0) << o.err.toStdString();
    const QString dest = shoots + "/2026-12-07_P/01_Footage/clip.MOV";
    EXPECT_EQ(json(o)["moves"].toArray(),
              (QJsonArray{QJsonObject{{"source", clip.fileName()}, {"destination", dest}}}));
    EXPECT_TRUE(QFile::exists(dest));
}

TEST_F(Cli, PreviewJsonCountsTreeAndProjectFolder)
{
    const Output o = run({"preview", "--name", "  Nike: Shoot/Zomer ", "--template", "tikTokReels",
                          "--extras", "none", "--date", "2026-12-07", "--json"});
    ASSERT_EQ(o.status, 0) << o.err.toStdString();
    const QJsonObject doc = json(o);
    EXPECT_EQ(doc["projectFolders"].toArray(), QJsonArray{"2026-12-07_Nike- Shoot-Zomer"});
    EXPECT_EQ(doc["folderCount"].toInt(), 6);
    EXPECT_EQ(doc["roots"].toArray().size(), 5);
    EXPECT_EQ(doc["roots"].toArray()[0].toObject()["children"].toArray(), QJsonArray());
    EXPECT_FALSE(QDir(shoots).exists());
}

TEST_F(Cli, TemplatesSaveListExportImportRoundTrip)
{
    const Output saved =
        run({"templates", "save", "Mijn template", "--template", "photoShoot", "--extras", "none"});
    ASSERT_EQ(saved.status, 0) << saved.err.toStdString();
    const QString id = saved.out.trimmed();
    EXPECT_EQ(id, id.toUpper());

    const Output listed = run({"templates", "list"});
    EXPECT_TRUE(listed.out.contains(id + "  Mijn template  (5 folders)"))
        << listed.out.toStdString();

    ASSERT_EQ(run({"templates", "export", "out.json"}).status, 0);
    const Output created = run({"create", "--target", shoots, "--name", "C", "--custom-template",
                                id, "--date", "2026-12-07"});
    ASSERT_EQ(created.status, 0) << created.err.toStdString();
    EXPECT_TRUE(QDir(shoots + "/2026-12-07_C/02_Edits").exists());

    ASSERT_EQ(run({"templates", "delete", id}).status, 0);
    EXPECT_EQ(run({"templates", "list"}).out, "");
    const Output imported = run({"templates", "import", "out.json"});
    ASSERT_EQ(imported.status, 0) << imported.err.toStdString();
    EXPECT_TRUE(run({"templates", "list"}).out.contains(id));
    // Importing the same document again adds nothing.
    ASSERT_EQ(
        run({"templates", "import", "-"}, run({"templates", "export", "-"}).out.toUtf8()).status,
        0);
    EXPECT_EQ(run({"templates", "list"}).out.count('\n'), 1);
}

TEST_F(Cli, ImportOfBadDocumentFailsAndChangesNothing)
{
    const Output o = run({"templates", "import", "-"}, "not json");
    EXPECT_EQ(o.status, 1);
    EXPECT_TRUE(o.err.startsWith("brindlepath: Import mislukt: ")) << o.err.toStdString();
    EXPECT_EQ(run({"templates", "list", "--json"}).out, "[]\n");
}

TEST_F(Cli, DamagedStoredTemplatesFailListAndExportAndAreKeptAsideBySave)
{
    const QByteArray doc = R"([{"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","name":"good",)"
                           R"("icon":"i","roots":[],"createdAt":0},{"icon":null}])";
    QDir().mkpath(tmp.path() + "/config/brindlepath");
    QFile file(tmp.path() + "/config/brindlepath/com.quenmoor.brindlepath.json");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"customTemplates":{"base64":")" + doc.toBase64() + R"("}})");
    file.close();
    const Output listed = run({"templates", "list"});
    EXPECT_EQ(listed.status, 1);
    EXPECT_TRUE(listed.out.contains("good") && listed.err.contains("niet leesbaar"));
    EXPECT_EQ(run({"templates", "export", "-"}).status, 1);
    QFile kept(run({"templates", "save", "new"}).err.section("bewaard als ", 1).trimmed());
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), doc);
    EXPECT_EQ(run({"templates", "list"}).status, 0);
}

TEST_F(Cli, SharedTemplatesAreListedWithTheirSourceAndUsable)
{
    const QString id = "0F8FAD5B-D9CB-469F-A165-70867728950E";
    QDir().mkpath(tmp.path() + "/share/studio");
    QFile doc(tmp.path() + "/share/studio/template.json");
    ASSERT_TRUE(doc.open(QIODevice::WriteOnly));
    doc.write(R"([{"id":")" + id.toUtf8() +
              R"(","name":"Studio","icon":"i","roots":[)"
              R"({"id":"1F8FAD5B-D9CB-469F-A165-70867728950E","name":"Edit","children":[]}],)"
              R"("createdAt":0}])");
    doc.close();
    ASSERT_EQ(run({"config", "set", "sharedTemplatesFolder", tmp.path() + "/share"}).status, 0);
    const QJsonArray listed =
        QJsonDocument::fromJson(run({"templates", "list", "--json"}).out.toUtf8()).array();
    ASSERT_EQ(listed.size(), 1);
    EXPECT_EQ(listed[0]["id"].toString(), id);
    EXPECT_EQ(listed[0]["source"].toString(), "shared");
    EXPECT_TRUE(run({"templates", "list"}).out.contains("Studio  (1 folder)  gedeeld"));
    EXPECT_EQ(run({"templates", "export", "-"}).out, "[]");
    const Output made = run({"create", "--target", shoots, "--name", "P", "--custom-template", id,
                             "--date", "2026-12-07"});
    ASSERT_EQ(made.status, 0) << made.err.toStdString();
    EXPECT_TRUE(QDir(shoots + "/2026-12-07_P/Edit").exists());
}

TEST_F(Cli, ConfigDefaultsFeedCreate)
{
    ASSERT_EQ(run({"config", "set", "defaultBasePath", shoots}).status, 0);
    ASSERT_EQ(run({"config", "set", "defaultTemplate", "commercial"}).status, 0);
    EXPECT_EQ(run({"config", "get", "defaultTemplate"}).out, "commercial\n");
    const Output o = run({"create", "--name", "D", "--date", "2026-12-07"});
    ASSERT_EQ(o.status, 0) << o.err.toStdString();
    EXPECT_TRUE(QDir(shoots + "/2026-12-07_D/01_Briefs_and_Approvals").exists());
    ASSERT_EQ(run({"config", "unset", "defaultBasePath"}).status, 0);
    EXPECT_EQ(run({"config", "get", "defaultBasePath"}).status, 1);
    EXPECT_EQ(run({"config", "list"}).out, "defaultTemplate=commercial\n");
}

TEST_F(Cli, SortDryRunMovesNothing)
{
    QDir().mkpath(shoots + "/P");
    QFile song(shoots + "/song.wav");
    ASSERT_TRUE(song.open(QIODevice::WriteOnly));
    song.close();
    const Output dry = run({"sort", "--source", shoots, "--into", shoots + "/P", "--dry-run"});
    ASSERT_EQ(dry.status, 0) << dry.err.toStdString();
    EXPECT_EQ(dry.out, song.fileName() + " -> " + shoots + "/P/02_Audio/song.wav\n");
    EXPECT_TRUE(QFile::exists(song.fileName()));
    ASSERT_EQ(run({"sort", "--source", shoots, "--into", shoots + "/P"}).status, 0);
    EXPECT_TRUE(QFile::exists(shoots + "/P/02_Audio/song.wav"));
}

TEST_F(Cli, FileSystemFailureReportsTheSystemMessage)
{
    QFile blocker(tmp.path() + "/file");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const Output o = run({"create", "--target", blocker.fileName(), "--name", "X"});
    EXPECT_EQ(o.status, 1);
    EXPECT_TRUE(o.err.startsWith("brindlepath: " + blocker.fileName())) << o.err.toStdString();
    EXPECT_TRUE(o.err.contains("Not a directory")) << o.err.toStdString();
}

// "Nike" numbers its projects and asks for fields; "Kapot" names a token nothing fills.
const QString nike = "0F8FAD5B-D9CB-469F-A165-70867728950E";
const QString kapot = "2F8FAD5B-D9CB-469F-A165-70867728950E";
const QByteArray fieldTemplates =
    R"([{"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","name":"Nike","icon":"i","createdAt":0,)"
    R"("roots":[{"id":"1F8FAD5B-D9CB-469F-A165-70867728950E","name":"{klant}_Deliverables",)"
    R"("children":[]}],"projectNamePattern":"{teller}_{klant}_{naam}","fields":[)"
    R"({"key":"klant","label":"Klant","kind":"text","required":true,"default":"",)"
    R"("pattern":"[A-Z][a-z]+"},{"key":"nr","label":"Job","kind":"number","required":false,)"
    R"("default":""},{"key":"soort","label":"Soort","kind":"choice","required":false,)"
    R"("default":"","choices":["Foto","Video"]}]},{"id":"2F8FAD5B-D9CB-469F-A165-70867728950E",)"
    R"("name":"Kapot","icon":"i","roots":[],"createdAt":0,"projectNamePattern":"{naam}_{x}"}])";

TEST_F(Cli, FieldsAreCheckedBeforeAnythingIsMadeAndNumbersFollowOn)
{
    ASSERT_EQ(run({"templates", "import", "-"}, fieldTemplates).status, 0);
    const QStringList create{"create", "--target", shoots, "--custom-template",
                             nike,     "--name",   "Zomer"};
    const QList<std::pair<QStringList, QString>> refused{
        {{}, "--field klant=VALUE"},
        {{"--field", "klant=Ni=ke"}, "\u201cNi=ke\u201d does not match"},
        {{"--field", "klant=Nike", "--field", "nr=12a"}, "\u201c12a\u201d is not a number"},
        {{"--field", "klant=Nike", "--field", "soort=Audio"}, "not one of Foto, Video"},
        {{"--field", "klant=Nike", "--field", "bogus=1"}, "no field \u201cbogus\u201d"},
    };
    for (const auto &[args, named] : refused) {
        const Output o = run(create + args);
        EXPECT_EQ(o.status, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(o.err.contains(named)) << o.err.toStdString();
    }
    const Output unknown =
        run({"create", "--target", shoots, "--custom-template", kapot, "--name", "X"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_TRUE(unknown.err.contains("unknown token {x}")) << unknown.err.toStdString();
    EXPECT_FALSE(QDir(shoots).exists());

    for (const QString name : {"Zomer", "Winter"})
        ASSERT_EQ(
            run(create.mid(0, 5) + QStringList{"--name", name, "--field", "klant=Nike"}).status, 0);
    EXPECT_TRUE(QDir(shoots + "/001_Nike_Zomer/Nike_Deliverables").exists());
    EXPECT_TRUE(QDir(shoots + "/002_Nike_Winter").exists());
    const Output preview =
        run({"preview", "--target", shoots, "--custom-template", nike, "--batch", "-", "--json"},
            "A\nB\n");
    EXPECT_EQ(preview.status, 2);
    EXPECT_EQ(json(preview)["projectFolders"].toArray(),
              (QJsonArray{"003_{klant}_A", "004_{klant}_B"}));
    EXPECT_EQ(json(preview)["unresolved"].toArray(), QJsonArray{"klant"});
    const Output next = run(create + QStringList{"--field", "klant=Nike", "--json"});
    EXPECT_EQ(json(next)["projects"].toArray(), QJsonArray{shoots + "/003_Nike_Zomer"});
}

TEST_F(Cli, TemplatesShowPrintsFieldsAndItsJsonImportsBack)
{
    ASSERT_EQ(run({"templates", "import", "-"}, fieldTemplates).status, 0);
    const Output text = run({"templates", "show", nike});
    ASSERT_EQ(text.status, 0) << text.err.toStdString();
    for (const QString line : {"pattern: {teller}_{klant}_{naam}\n",
                               "  klant (Klant): text, required, pattern \u201c[A-Z][a-z]+\u201d\n",
                               "  soort (Soort): choice, choices Foto, Video\n",
                               "\u2514\u2500\u2500 {klant}_Deliverables\n"})
        EXPECT_TRUE(text.out.contains(line)) << text.out.toStdString();
    const Output object = run({"templates", "show", nike, "--json"});
    EXPECT_EQ(json(object)["fields"].toArray().size(), 3);
    ASSERT_EQ(run({"templates", "delete", nike}).status, 0);
    ASSERT_EQ(run({"templates", "import", "-"}, "[" + object.out.toUtf8() + "]").status, 0);
    EXPECT_EQ(run({"templates", "show", nike, "--json"}).out, object.out);
    EXPECT_EQ(run({"templates", "show", "00000000-0000-0000-0000-000000000001"}).status, 1);
}

class UsageErrors : public Cli, public ::testing::WithParamInterface<QStringList> {};

TEST_P(UsageErrors, ExitWithStatusTwoAndAUsageLine)
{
    const Output o = run(GetParam());
    EXPECT_EQ(o.status, 2) << o.err.toStdString();
    EXPECT_TRUE(o.err.startsWith("brindlepath: ")) << o.err.toStdString();
    EXPECT_TRUE(o.err.contains("Usage: ")) << o.err.toStdString();
    EXPECT_FALSE(QDir(tmp.path() + "/T").exists());
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, UsageErrors,
    ::testing::Values(QStringList{"frobnicate"},
                      QStringList{"create", "--target", "T", "--name", "X", "--template",
                                  "TikTokReels"},
                      QStringList{"create", "--target", "T", "--name", "X", "--extras", "laser"},
                      QStringList{"create", "--target", "T", "--batch", "-", "--sort"},
                      QStringList{"create", "--target", "T"}, QStringList{"create", "--name", "X"},
                      QStringList{"create", "--target", "T", "--name", "   "},
                      QStringList{"create", "--target", "T", "--name", "X", "--date", "7-12-2026"},
                      QStringList{"create", "--target", "T", "--name", "X", "--custom-template",
                                  "00000000-0000-0000-0000-000000000001"},
                      QStringList{"create", "--target", "T", "--name", "X", "--bogus"},
                      QStringList{"config", "set", "defaultTemplate", "tiktok"},
                      QStringList{"config", "set", "defaultBasePath", "relative/path"},
                      QStringList{"config", "set", "customTemplates", "[]"},
                      QStringList{"create", "--target", "T", "--name", "X", "--field", "klant"},
                      QStringList{"templates", "delete", "not-a-uuid"},
                      QStringList{"templates", "show", "not-a-uuid"},
                      QStringList{"sort", "--source", "T"}, QStringList{"offload", "--from", "T"},
                      QStringList{"offload", "--from", "T", "--into", "T", "--hash", "sha1"},
                      QStringList{"verify"}),
    [](const auto &info) { return bp::test::nameFromText(info.param.join(' ')); });

TEST_F(Cli, HelpAndVersion)
{
    const Output help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.startsWith("Usage: brindlepath"));
    const Output version = run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(version.out.startsWith("brindlepath "));
}

TEST_F(Cli, ApplyFillsInAProjectFromItsRecordAndNeedsATemplateWithoutOne)
{
    ASSERT_EQ(run({"create", "--target", shoots, "--name", "P", "--template", "tikTokReels",
                   "--extras", "none", "--date", "2026-12-07"})
                  .status,
              0);
    const QString project = shoots + "/2026-12-07_P";
    const QString gone = QDir(project).entryList(QDir::Dirs | QDir::NoDotAndDotDot).first();
    ASSERT_TRUE(QDir(project + "/" + gone).removeRecursively());

    const Output dry = run({"apply", "--into", project, "--dry-run", "--json"});
    ASSERT_EQ(dry.status, 0) << dry.err.toStdString();
    EXPECT_EQ(json(dry)["addedFolders"].toArray(), QJsonArray{gone});
    EXPECT_EQ(json(dry)["keptFolders"].toArray().size(), 4);
    EXPECT_FALSE(QDir(project + "/" + gone).exists());
    EXPECT_EQ(run({"apply", "--into", project}).status, 0);
    const Output again = run({"apply", "--into", project});
    EXPECT_EQ(again.status, 0);
    EXPECT_EQ(again.out, "nothing to add\n");

    QDir().mkpath(tmp.path() + "/Plain");
    EXPECT_EQ(run({"apply", "--into", "Plain", "--dry-run"}).status, 2);
    EXPECT_EQ(run({"apply", "--into", "Missing", "--template", "youTube"}).status, 1);
}

} // namespace

// The command's whole promise end to end: two verified copies with histories, a rerun that
// copies nothing, and verify catching one changed byte.
TEST_F(Cli, OffloadCopiesTwiceVerifiedRepeatsNothingAndVerifyCatchesAChangedByte)
{
    const QString card = tmp.path() + "/card";
    const QString photo = "DCIM/100MSDCF/DSC00001.ARW";
    ASSERT_TRUE(QDir().mkpath(card + "/DCIM/100MSDCF"));
    ASSERT_TRUE(QDir().mkpath(card + "/PRIVATE/M4ROOT/CLIP"));
    const auto write = [](const QString &path, const QByteArray &bytes) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    };
    ASSERT_TRUE(write(card + "/" + photo, QByteArray(300000, 'p')));
    ASSERT_TRUE(write(card + "/PRIVATE/M4ROOT/CLIP/C0001.MP4", QByteArray(5 << 20, 'v')));
    const QString into = shoots + "/P/01_Footage/A001";
    const QString also = tmp.path() + "/backup/A001";

    const Output first = run({"offload", "--from", card, "--into", into, "--also", also, "--json"});
    ASSERT_EQ(first.status, 0) << first.err.toStdString();
    const QJsonObject outcome =
        QJsonDocument::fromJson(first.out.trimmed().split('\n').last().toUtf8())
            .object()["outcome"]
            .toObject();
    EXPECT_TRUE(outcome["succeeded"].toBool());
    EXPECT_EQ(outcome["copiedFiles"].toInt(), 2);
    for (const QString &copy : {into, also}) {
        QFile copied(copy + "/" + photo);
        ASSERT_TRUE(copied.open(QIODevice::ReadOnly));
        EXPECT_EQ(copied.readAll(), QByteArray(300000, 'p'));
        EXPECT_FALSE(QDir(copy + "/ascmhl").entryList({"0001_*.mhl"}).isEmpty());
    }

    const Output again = run({"offload", "--from", card, "--into", into, "--also", also});
    EXPECT_EQ(again.status, 0) << again.err.toStdString();
    EXPECT_TRUE(again.out.contains("nothing to copy")) << again.out.toStdString();

    EXPECT_EQ(run({"verify", into}).status, 0);
    QFile copy(into + "/" + photo);
    ASSERT_TRUE(copy.open(QIODevice::ReadWrite));
    copy.seek(1234);
    copy.write("q");
    copy.close();
    const Output changed = run({"verify", into});
    EXPECT_EQ(changed.status, 1);
    EXPECT_TRUE(changed.out.contains("changed " + photo)) << changed.out.toStdString();
    EXPECT_EQ(run({"verify", tmp.path()}).status, 1);
}
