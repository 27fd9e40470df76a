#include "stores/TemplateEquality.h"

#include "model/TemplateFiles.h"
#include "stores/CustomTemplateStore.h"
#include "stores/TemplateArchive.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <QTimeZone>

#include <archive.h>
#include <archive_entry.h>
#include <locale.h>

using namespace bp;

namespace {

struct Entry {
    QByteArray name;
    QByteArray data = "x";
    unsigned type = AE_IFREG;
};

// An archive as an attacker would make it, names taken as raw bytes.
QByteArray zip(const QList<Entry> &entries)
{
    const locale_t c = newlocale(LC_CTYPE_MASK, "C", locale_t(nullptr));
    const locale_t previous = uselocale(c);
    QByteArray out(4 << 20, '\0');
    size_t used = 0;
    archive *a = archive_write_new();
    archive_write_set_format_zip(a);
    archive_write_open_memory(a, out.data(), size_t(out.size()), &used);
    for (const Entry &e : entries) {
        archive_entry *entry = archive_entry_new();
        archive_entry_set_pathname(entry, e.name.constData());
        archive_entry_set_filetype(entry, e.type);
        archive_entry_set_perm(entry, 0644);
        if (e.type == AE_IFLNK)
            archive_entry_set_symlink(entry, e.data.constData());
        else
            archive_entry_set_size(entry, e.data.size());
        EXPECT_EQ(archive_write_header(a, entry), ARCHIVE_OK) << archive_error_string(a);
        if (e.type == AE_IFREG)
            archive_write_data(a, e.data.constData(), size_t(e.data.size()));
        archive_entry_free(entry);
    }
    archive_write_free(a);
    uselocale(previous);
    freelocale(c);
    out.truncate(qsizetype(used));
    return out;
}

CustomTemplate withFiles(QList<TemplateFile> files, QList<CustomFolderNode> children = {})
{
    return {QUuid::createUuid(),
            "Shoot",
            "heart",
            {{QUuid::createUuid(), "01_Docs", children, files}},
            QDateTime::fromMSecsSinceEpoch(1700000000500, QTimeZone::utc())};
}

class TemplateArchiveTest : public testing::Test {
protected:
    QTemporaryDir m_dir;
    QByteArray m_dataHome = qgetenv("XDG_DATA_HOME");
    void useDataHome(const char *name) { qputenv("XDG_DATA_HOME", m_dir.filePath(name).toUtf8()); }
    void SetUp() override { useDataHome("data"); }
    void TearDown() override { qputenv("XDG_DATA_HOME", m_dataHome); }
};

TEST_F(TemplateArchiveTest, CarriesATemplateAndTheBytesOfItsFilesToAnotherDataHome)
{
    const QByteArray brief = "Klant: {klant}\r\n\xc3\xa9\n";
    const QByteArray lut("\0\xff\x01 binary", 10);
    const CustomTemplate t = withFiles(
        {{"{naam}.cube", "lut.cube"}},
        {{QUuid::createUuid(), "Sub", {}, {{"brief {klant}.txt", "a/b/brïef.txt", true}}}});
    const QString own = TemplateFiles::ownFolder(t.id);
    ASSERT_TRUE(QDir().mkpath(own + "/a/b"));
    for (const auto &[source, bytes] : {std::pair{"a/b/brïef.txt", brief}, {"lut.cube", lut}}) {
        QFile file(own + '/' + source);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    const QString archive = m_dir.filePath("shoot.bptemplate");
    const Result<void> written = TemplateArchive::write(t, archive);
    ASSERT_TRUE(written.ok()) << written.error().message.toStdString();

    useDataHome("elsewhere");
    PreferenceSuite suite{PreferenceSuite::standardName, m_dir.filePath("config")};
    CustomTemplateStore store(suite);
    const Result<TemplateArchive::Imported> imported = TemplateArchive::import(store, archive);
    ASSERT_TRUE(imported.ok()) << imported.error().message.toStdString();
    EXPECT_FALSE(imported.value().skipped);
    EXPECT_EQ(store.templates(), QList{t});
    const QString copy = TemplateFiles::ownFolder(t.id);
    EXPECT_NE(copy, own);
    for (const auto &[source, bytes] : {std::pair{"a/b/brïef.txt", brief}, {"lut.cube", lut}}) {
        QFile file(copy + '/' + source);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << source;
        EXPECT_EQ(file.readAll(), bytes) << source;
    }
    // Never replaced: the second import keeps what is there.
    const Result<TemplateArchive::Imported> again = TemplateArchive::import(store, archive);
    ASSERT_TRUE(again.ok());
    EXPECT_TRUE(again.value().skipped);
    EXPECT_EQ(store.templates().size(), 1);
}

TEST_F(TemplateArchiveTest, RefusesHostileArchivesAsAWholeWritingNothing)
{
    const CustomTemplate t = withFiles({{"a.txt", "a.txt"}});
    const Entry doc{"template.json", CustomTemplateJson::encode({t})};
    const QList<Entry> good{doc, {"a.txt"}};
    TemplateArchive::Limits few;
    few.maxEntries = 3;
    const struct {
        const char *what;
        QList<Entry> entries;
        TemplateArchive::Limits limits = {};
    } cases[] = {
        {"leaves its folder", good + QList<Entry>{{"d/../../x"}}},
        {"absolute", good + QList<Entry>{{"/etc/x"}}},
        {"symbolic link", good + QList<Entry>{{"link", "/etc/passwd", AE_IFLNK}}},
        {"compressed more than 100 to 1", good + QList<Entry>{{"big", QByteArray(8 << 20, 0)}}},
        {"more than 3 entries", good + QList<Entry>{{"b"}, {"c"}}, few},
        {"appears twice", good + QList<Entry>{{"a.txt"}}},
        {"not UTF-8", good + QList<Entry>{{"bad\xff.txt"}}},
        {"a.txt", {doc}},
        {"not one", {{"template.json", CustomTemplateJson::encode({t, t})}, {"a.txt"}}},
        {"\"../a.txt\" leaves",
         {{"template.json", CustomTemplateJson::encode({withFiles({{"a", "../a.txt"}})})},
          {"a.txt"}}},
    };
    const QString parent = m_dir.filePath("parent");
    ASSERT_TRUE(QDir().mkpath(parent + "/keep"));
    const auto listing = [&parent] {
        return QDir(parent).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    };
    ASSERT_TRUE(TemplateArchive::readData(zip(good), m_dir.filePath("ok")).ok());
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const Result<CustomTemplate> read =
            TemplateArchive::readData(zip(c.entries), parent + "/target", c.limits);
        ASSERT_FALSE(read.ok());
        EXPECT_TRUE(read.error().message.contains(c.what)) << read.error().message.toStdString();
        EXPECT_EQ(listing(), QStringList{"keep"});
    }
}

} // namespace
