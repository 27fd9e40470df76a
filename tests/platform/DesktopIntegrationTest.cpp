// Start at login and the startup-applications settings, against a private config folder and
// a made-up desktop.
#include "platform/XdgAutostart.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>

using namespace bp;

namespace {

inline constexpr auto byName = [](const auto &info) { return std::string(info.param.name); };

template <typename Case>
requires requires(const Case &c)
{
    std::string(c.name);
}
void PrintTo(const Case &c, std::ostream *os)
{
    *os << c.name;
}

// XDG_CONFIG_HOME points at a fresh folder for each test.
class AutostartTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_home.isValid());
        m_saved = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", m_home.path().toLocal8Bit());
    }
    void TearDown() override { qputenv("XDG_CONFIG_HOME", m_saved); }

    QString entryPath() const
    {
        return m_home.path() + "/autostart/com.quenmoor.brindlepath.desktop";
    }
    void writeEntry(const QByteArray &text) const
    {
        QDir().mkpath(m_home.path() + "/autostart");
        QFile file(entryPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    QByteArray readEntry() const
    {
        QFile file(entryPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir m_home;
    QByteArray m_saved;
    XdgAutostart m_autostart;
};

TEST_F(AutostartTest, LivesInTheConfigHomesAutostartFolder)
{
    EXPECT_EQ(XdgAutostart::filePath(), entryPath());
    // A relative XDG_CONFIG_HOME is no valid setting.
    qputenv("XDG_CONFIG_HOME", "relative/config");
    EXPECT_EQ(XdgAutostart::directory(), QDir::homePath() + "/.config/autostart");
}

TEST_F(AutostartTest, SwitchingOnWritesAValidEntryThatStartsTheAgent)
{
    EXPECT_FALSE(m_autostart.isEnabled());
    ASSERT_TRUE(m_autostart.setEnabled(true).ok());
    EXPECT_TRUE(m_autostart.isEnabled());

    const QList<QByteArray> lines = readEntry().split('\n');
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.first(), "[Desktop Entry]");
    for (const char *line : {"Type=Application", "Name=Brindlepath", "Exec=brindlepath",
                             "Icon=com.quenmoor.brindlepath"})
        EXPECT_TRUE(lines.contains(line)) << line;
    // Every key once, each line a key=value pair or the group header.
    QSet<QByteArray> keys;
    for (const QByteArray &line : lines.mid(1)) {
        if (line.isEmpty())
            continue;
        ASSERT_GT(line.indexOf('='), 0) << line.toStdString();
        const QByteArray key = line.left(line.indexOf('='));
        EXPECT_FALSE(keys.contains(key)) << key.toStdString();
        keys.insert(key);
    }
    // No temporary file stays behind.
    EXPECT_EQ(QDir(m_home.path() + "/autostart").entryList(QDir::Files),
              QStringList{"com.quenmoor.brindlepath.desktop"});
}

TEST_F(AutostartTest, SwitchingOffRemovesTheEntryAndIsFineWithoutOne)
{
    ASSERT_TRUE(m_autostart.setEnabled(true).ok());
    ASSERT_TRUE(m_autostart.setEnabled(false).ok());
    EXPECT_FALSE(QFileInfo::exists(entryPath()));
    EXPECT_FALSE(m_autostart.isEnabled());
    EXPECT_TRUE(m_autostart.setEnabled(false).ok());
}

TEST_F(AutostartTest, SwitchingOnReplacesAnEntryThatSwitchedItselfOff)
{
    writeEntry("[Desktop Entry]\nType=Application\nExec=brindlepath\nHidden=true\n");
    ASSERT_FALSE(m_autostart.isEnabled());
    ASSERT_TRUE(m_autostart.setEnabled(true).ok());
    EXPECT_TRUE(m_autostart.isEnabled());
    EXPECT_EQ(readEntry(), XdgAutostart::entry());
}

TEST_F(AutostartTest, AFailedWriteIsReportedAndLeavesItOff)
{
    // A file where the autostart folder should be.
    QFile blocker(m_home.path() + "/autostart");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const Result<void> written = m_autostart.setEnabled(true);
    ASSERT_FALSE(written.ok());
    EXPECT_FALSE(written.error().message.isEmpty());
    EXPECT_FALSE(m_autostart.isEnabled());
}

struct EntryCase {
    const char *name;
    QByteArray text;
    bool enabled;
};

class AutostartEntries : public AutostartTest, public ::testing::WithParamInterface<EntryCase> {};

TEST_P(AutostartEntries, ReadAsOnOnlyWhenNothingSwitchesThemOff)
{
    writeEntry(GetParam().text);
    EXPECT_EQ(m_autostart.isEnabled(), GetParam().enabled);
}

const QByteArray head = "[Desktop Entry]\nType=Application\nName=Brindlepath\nExec=brindlepath\n";

INSTANTIATE_TEST_SUITE_P(
    Autostart, AutostartEntries,
    ::testing::Values(
        EntryCase{"ours", XdgAutostart::entry(), true},
        EntryCase{"hidden", head + "Hidden=true\n", false},
        EntryCase{"hiddenWithBlanks", head + "Hidden = true\n", false},
        EntryCase{"hiddenFirst", "[Desktop Entry]\nHidden=true\nExec=brindlepath\n", false},
        EntryCase{"gnomeDisabled", head + "X-GNOME-Autostart-enabled=false\n", false},
        EntryCase{"gnomeEnabled", head + "X-GNOME-Autostart-enabled=true\n", true},
        EntryCase{"notHidden", head + "Hidden=false\n", true},
        EntryCase{"keysAreCaseSensitive", head + "hidden=true\n", true},
        EntryCase{"commentedOut", head + "# Hidden=true\n", true},
        EntryCase{"otherGroupDoesNotCount", head + "[Desktop Action quit]\nHidden=true\n", true},
        EntryCase{"crlfLines", "[Desktop Entry]\r\nType=Application\r\nHidden=true\r\n", false},
        EntryCase{"emptyFile", "", true}),
    byName);

TEST_F(AutostartTest, MissingEntryReadsAsOff)
{
    EXPECT_FALSE(m_autostart.isEnabled());
    // A folder in the entry's place is no entry either.
    QDir().mkpath(entryPath());
    EXPECT_FALSE(m_autostart.isEnabled());
}

} // namespace
