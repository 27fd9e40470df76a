// "brindlepath integrate" run for real in a private home: what it writes, what it leaves alone.
#include "platform/FileManagerActions.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <optional>
#include <ostream>

namespace {

struct Output {
    int status = -1;
    QString out;
    QString err;
};

// One kind of file the command writes, and how its file manager turns it into a command line
// (modelled with sh) for one chosen folder.
struct Place {
    const char *name;
    const char *path; // below the temporary home
    bool executable;
    const char *systemPath; // below a system data folder; empty when there is none
};

const Place places[] = {
    {"nautilus", "data/nautilus/scripts/Brindlepath - Maak Structuur", true, ""},
    {"nemo", "data/nemo/actions/brindlepath-maak-structuur.nemo_action", false,
     "nemo/actions/brindlepath-maak-structuur.nemo_action"},
    {"dolphin", "data/kio/servicemenus/brindlepath-maak-structuur.desktop", true,
     "kio/servicemenus/brindlepath-maak-structuur.desktop"},
};

void PrintTo(const Place &place, std::ostream *os)
{
    *os << place.name;
}

// A key file's string value as GLib and KConfig read it; an unknown escape makes it unreadable.
std::optional<QString> keyFileString(const QString &value)
{
    QString result;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] != u'\\') {
            result += value[i];
            continue;
        }
        const QChar next = i + 1 < value.size() ? value[++i] : QChar();
        if (next == u'\\')
            result += next;
        else if (next == u's')
            result += u' ';
        else
            return std::nullopt;
    }
    return result;
}

const QString ucaOriginal = QStringLiteral("<?xml encoding=\"UTF-8\" version=\"1.0\"?>\n"
                                           "<actions>\n"
                                           "<action>\n"
                                           "\t<icon>utilities-terminal</icon>\n"
                                           "\t<name>Open Terminal Here</name>\n"
                                           "\t<unique-id>1700000000000000-1</unique-id>\n"
                                           "\t<command>exo-open --working-directory %f</command>\n"
                                           "\t<description>A &amp; B</description>\n"
                                           "\t<patterns>*</patterns>\n"
                                           "\t<startup-notify/>\n"
                                           "\t<directories/>\n"
                                           "</action>\n"
                                           "</actions>\n");

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(data);
}

// The <command> of our Thunar action.
QString thunarCommand(const QByteArray &uca)
{
    // Thunar's own declaration is not XML; the reader does not need one.
    QByteArray text = uca;
    if (text.startsWith("<?xml"))
        text.remove(0, text.indexOf("?>") + 2);
    QXmlStreamReader reader(text);
    QString command;
    bool ours = false;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement() && reader.name() == u"command") {
            command = reader.readElementText();
        } else if (reader.isStartElement() && reader.name() == u"unique-id") {
            ours = reader.readElementText() == u"com.quenmoor.brindlepath.maak-structuur";
        } else if (reader.isEndElement() && reader.name() == u"action") {
            if (ours)
                return command;
        }
    }
    return {};
}

class Integrate : public ::testing::Test {
protected:
    // Next to the program, so that it can be linked under other names.
    QTemporaryDir tmp{QFileInfo(QStringLiteral(BP_CLI_PATH)).path() + "/integrate-XXXXXX"};
    QString program = QStringLiteral(BP_CLI_PATH);
    QString uca = tmp.path() + "/config/Thunar/uca.xml";

    QString at(const Place &place) const { return tmp.path() + '/' + place.path; }

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", tmp.path() + "/home");
        env.insert("XDG_DATA_HOME", tmp.path() + "/data");
        env.insert("XDG_CONFIG_HOME", tmp.path() + "/config");
        env.insert("XDG_DATA_DIRS", tmp.path() + "/system/share");
        env.insert("XDG_CONFIG_DIRS", tmp.path() + "/system/etc");
        env.insert("PATH", tmp.path() + "/bin:/usr/bin:/bin");
        return env;
    }

    Output run(const QStringList &args)
    {
        QProcess p;
        p.setProcessEnvironment(environment());
        p.start(program, args);
        EXPECT_TRUE(p.waitForFinished(60000));
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
                QString::fromUtf8(p.readAllStandardError())};
    }

    Output integrate()
    {
        Output o = run({"integrate"});
        EXPECT_EQ(o.status, 0) << o.err.toStdString();
        return o;
    }

    // The program under another name, made with a hard link.
    void useProgramAt(const QString &path)
    {
        QDir().mkpath(QFileInfo(path).path());
        ASSERT_EQ(
            ::link(QFile::encodeName(program).constData(), QFile::encodeName(path).constData()), 0);
        program = path;
    }

    // The arguments sh gives the command, one a line.
    static QStringList arguments(const QString &script, const QStringList &args = {},
                                 const QMap<QString, QString> &variables = {},
                                 const QString &folder = {})
    {
        QProcess sh;
        QProcessEnvironment env;
        env.insert("PATH", "/usr/bin:/bin");
        for (auto it = variables.begin(); it != variables.end(); ++it)
            env.insert(it.key(), it.value());
        sh.setProcessEnvironment(env);
        sh.setWorkingDirectory(folder);
        sh.start("/bin/sh", QStringList{"-c", script, "sh"} + args);
        EXPECT_TRUE(sh.waitForFinished(10000));
        return QString::fromUtf8(sh.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    }

    // What the file manager runs for the action on a folder (its shell-like splitting done
    // by sh).
    QStringList argumentsFor(const Place &place, const QString &folder)
    {
        const QString text = QString::fromUtf8(readAll(at(place)));
        if (place.name == std::string("nautilus"))
            return arguments(QString(text).replace("exec ", "printf '%s\\n' "), {"ignored"},
                             {{"NAUTILUS_SCRIPT_SELECTED_FILE_PATHS", folder + "\n/second one"}});
        // Key files first take away their escapes; the folder comes quoted.
        const std::optional<QString> line =
            keyFileString(text.section("Exec=", 1).section('\n', 0, 0));
        if (!line)
            return {QStringLiteral("unreadable Exec=")};
        return arguments("printf '%s\\n' " + QString(*line).replace("%F", '\'' + folder + '\''));
    }
};

TEST_F(Integrate, TwiceThenRemoveLeavesOtherThunarActionsByteForByte)
{
    writeAll(uca, ucaOriginal.toUtf8());
    const Output first = integrate();
    EXPECT_EQ(first.out.count("Installed "), 4) << first.out.toStdString();
    QMap<QString, QByteArray> written;
    for (const Place &place : places) {
        written[place.name] = readAll(at(place));
        EXPECT_TRUE(written[place.name].contains(QFile::encodeName(program) + " open"))
            << place.name;
        EXPECT_EQ(QFileInfo(at(place)).isExecutable(), place.executable) << place.name;
    }
    const QByteArray merged = readAll(uca);
    EXPECT_TRUE(merged.startsWith(ucaOriginal.chopped(11).toUtf8())); // all but </actions>
    EXPECT_EQ(thunarCommand(merged), program + " open %f");

    const Output second = integrate();
    EXPECT_EQ(second.out.count("Up to date: "), 4) << second.out.toStdString();
    EXPECT_TRUE(second.err.isEmpty()) << second.err.toStdString();
    for (const Place &place : places)
        EXPECT_EQ(readAll(at(place)), written[place.name]) << place.name;
    EXPECT_EQ(readAll(uca), merged);

    const Output removed = run({"integrate", "--remove"});
    ASSERT_EQ(removed.status, 0) << removed.err.toStdString();
    EXPECT_EQ(removed.out.count("Removed "), 4) << removed.out.toStdString();
    for (const Place &place : places)
        EXPECT_FALSE(QFileInfo::exists(at(place))) << place.name;
    EXPECT_EQ(readAll(uca), ucaOriginal.toUtf8());
}

TEST_F(Integrate, WithoutAUserFileThunarStartsFromTheSystemOneAndAnEmptyRootIsFilled)
{
    writeAll(tmp.path() + "/system/etc/Thunar/uca.xml", ucaOriginal.toUtf8());
    integrate();
    EXPECT_TRUE(readAll(uca).startsWith(ucaOriginal.chopped(11).toUtf8()));
    EXPECT_FALSE(thunarCommand(readAll(uca)).isEmpty());

    writeAll(uca, "<actions/>\n");
    integrate();
    EXPECT_FALSE(thunarCommand(readAll(uca)).isEmpty()) << readAll(uca).toStdString();
}

TEST_F(Integrate, AnUnreadableUcaFileIsLeftAloneAndTheRestInstalled)
{
    writeAll(uca, "<actions><action>");
    const Output o = integrate();
    EXPECT_TRUE(o.err.contains("not a Thunar actions file")) << o.err.toStdString();
    EXPECT_EQ(readAll(uca), "<actions><action>");
    EXPECT_TRUE(QFileInfo::exists(at(places[0])));
}

// Another action given a byte that is not UTF-8 (a Latin-1 "café") stays byte for byte.
TEST_F(Integrate, ThunarActionsThatAreNotUtf8AreKeptByteForByte)
{
    writeAll(uca, ucaOriginal.toUtf8());
    integrate();
    writeAll(uca, readAll(uca).replace("Terminal Here", "caf\xe9"));
    EXPECT_EQ(run({"integrate", "--remove"}).status, 0);
    EXPECT_EQ(readAll(uca), ucaOriginal.toUtf8().replace("Terminal Here", "caf\xe9"));
    integrate();
    EXPECT_EQ(thunarCommand(readAll(uca).replace('\xe9', 'e')), program + " open %f");
}

// A dangling link in our place would make us create a file wherever it points.
TEST_F(Integrate, DanglingLinksAreLeftAsTheyAre)
{
    for (const QString &link : {at(places[0]), uca})
        QDir().mkpath(QFileInfo(link).path()), QFile::link(tmp.path() + "/gone", link);
    const Output o = run({"integrate"});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err.count(": a symbolic link"), 2) << o.err.toStdString();
    EXPECT_EQ(run({"integrate", "--remove"}).status, 0);
    EXPECT_TRUE(QFileInfo(uca).isSymLink() && QFileInfo(at(places[0])).isSymLink());
    EXPECT_FALSE(QFileInfo::exists(tmp.path() + "/gone"));
}

TEST_F(Integrate, ProgramOnPathIsNamedPlainly)
{
    useProgramAt(tmp.path() + "/bin/brindlepath");
    integrate();
    EXPECT_EQ(argumentsFor(places[1], "/x"), (QStringList{"brindlepath", "open", "/x"}));
    EXPECT_EQ(thunarCommand(readAll(uca)), "brindlepath open %f");
}

// Nautilus gives local selections as paths (and as names relative to the open folder), and
// nothing at all when the script is chosen on the open folder itself.
TEST_F(Integrate, NautilusScriptOpensTheFirstSelectedFolderOrTheOpenOne)
{
    integrate();
    const QString script =
        QString::fromUtf8(readAll(at(places[0]))).replace("exec ", "printf '%s\\n' ");
    const QString open = QDir(tmp.path()).canonicalPath();
    EXPECT_EQ(arguments(script, {"A B", "C"},
                        {{"NAUTILUS_SCRIPT_SELECTED_FILE_PATHS", "/x/A B\n/x/C"}}, open),
              (QStringList{program, "open", "/x/A B"}));
    EXPECT_EQ(arguments(script, {}, {{"NAUTILUS_SCRIPT_CURRENT_URI", "file://" + open}}, open),
              (QStringList{program, "open", open}));
    EXPECT_EQ(arguments(script, {}, {{"NAUTILUS_SCRIPT_CURRENT_URI", "sftp://host/x"}}, open),
              QStringList());
}

TEST_F(Integrate, UnknownArgumentIsAUsageError)
{
    const Output o = run({"integrate", "--all"});
    EXPECT_EQ(o.status, 2);
    EXPECT_TRUE(o.err.contains("brindlepath integrate [--remove]")) << o.err.toStdString();
}

class IntegratePlace : public Integrate, public ::testing::WithParamInterface<Place> {};

TEST_P(IntegratePlace, ProgramPathWithBlanksAndQuotesReachesItAsOneArgument)
{
    useProgramAt(tmp.path() + "/it's a \"dir\" $HOME/brindlepath");
    integrate();
    EXPECT_EQ(argumentsFor(GetParam(), "/Shoots/Nike Zomer"),
              (QStringList{program, "open", "/Shoots/Nike Zomer"}));
}

TEST_F(Integrate, ThunarCommandWithBlanksAndQuotesInTheProgramPath)
{
    useProgramAt(tmp.path() + "/it's a \"dir\" $HOME/brindlepath");
    integrate();
    // Thunar puts the folder in as g_shell_quote does and runs the line with sh.
    const QString line = thunarCommand(readAll(uca)).replace("%f", "'/Shoots/Nike Zomer'");
    EXPECT_EQ(arguments("printf '%s\\n' " + line),
              (QStringList{program, "open", "/Shoots/Nike Zomer"}));
}

TEST_P(IntegratePlace, ChangedByTheUserSurvivesRerunAndRemove)
{
    integrate();
    const QByteArray edited = readAll(at(GetParam())) + "# mine\n";
    writeAll(at(GetParam()), edited);

    const Output again = integrate();
    EXPECT_TRUE(again.err.contains("left " + at(GetParam()) + " alone: changed"))
        << again.err.toStdString();
    const Output removed = run({"integrate", "--remove"});
    EXPECT_EQ(removed.status, 0);
    EXPECT_EQ(readAll(at(GetParam())), edited);
    EXPECT_EQ(removed.out.count("Removed "), 3) << removed.out.toStdString();
}

TEST_P(IntegratePlace, FileThatWasNeverOursIsNotOverwritten)
{
    writeAll(at(GetParam()), "someone else's\n");
    const Output o = integrate();
    EXPECT_TRUE(o.err.contains("not written by brindlepath")) << o.err.toStdString();
    run({"integrate", "--remove"});
    EXPECT_EQ(readAll(at(GetParam())), "someone else's\n");
}

INSTANTIATE_TEST_SUITE_P(, IntegratePlace, ::testing::ValuesIn(places),
                         [](const auto &info) { return std::string(info.param.name); });

// Nemo and Dolphin also read the system's data folders; Nautilus reads scripts per user only.
class SystemWidePlace : public IntegratePlace {};

TEST_P(SystemWidePlace, InstalledForAllUsersMeansNoCopyOfOurOwn)
{
    integrate();
    ASSERT_TRUE(QFileInfo::exists(at(GetParam())));
    writeAll(tmp.path() + "/system/share/" + GetParam().systemPath, "installed\n");
    const Output o = integrate();
    EXPECT_TRUE(o.out.contains("Installed for all users: ")) << o.out.toStdString();
    EXPECT_FALSE(QFileInfo::exists(at(GetParam())));
}

INSTANTIATE_TEST_SUITE_P(, SystemWidePlace, ::testing::ValuesIn(places + 1, std::end(places)),
                         [](const auto &info) { return std::string(info.param.name); });

// The Thunar action changed by hand in uca.xml: the same rule, for one element of a file.
TEST_F(Integrate, ThunarActionChangedByTheUserSurvivesRerunAndRemove)
{
    integrate();
    QByteArray text = readAll(uca);
    text.replace(" open %f", " open %f --mine");
    writeAll(uca, text);
    const Output again = integrate();
    EXPECT_TRUE(again.err.contains("alone: changed")) << again.err.toStdString();
    run({"integrate", "--remove"});
    EXPECT_EQ(readAll(uca), text);
}

// The agent's first start: once only, and never again after the user removed the actions.
TEST_F(Integrate, FirstLaunchInstallsOnce)
{
    const QProcessEnvironment env = environment();
    for (const char *key : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_DATA_DIRS", "XDG_CONFIG_DIRS"})
        qputenv(key, env.value(QLatin1String(key)).toLocal8Bit());

    EXPECT_TRUE(bp::FileManagerActions::integrateOnce(QStringLiteral("brindlepath")));
    EXPECT_TRUE(QFileInfo::exists(at(places[0])));
    EXPECT_EQ(thunarCommand(readAll(uca)), "brindlepath open %f");

    ASSERT_EQ(run({"integrate", "--remove"}).status, 0);
    EXPECT_FALSE(bp::FileManagerActions::integrateOnce(QStringLiteral("brindlepath")));
    EXPECT_FALSE(QFileInfo::exists(at(places[0])));
    EXPECT_TRUE(thunarCommand(readAll(uca)).isEmpty());
}

} // namespace
