// Template files are copied into projects that may already hold a file of that name, on any
// file system a project lives on.

#include "sorting/FileCopy.h"
#include "MountSupport.h"
#include "SortTestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

namespace bp {
namespace {

using test::FileSystemKind;
using test::Mount;
using test::readFile;
using test::writeFile;

QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

TEST(FileCopy, NeverReplacesAndLeavesNoTemporaryOnAnyFileSystem)
{
    const QTemporaryDir work(QDir::currentPath() + "/bp-copy-XXXXXX");
    const QString source = work.filePath("brief.txt");
    const QByteArray bytes = QByteArray(3 << 20, 'b') + "end";
    ASSERT_TRUE(writeFile(source, bytes));
    for (FileSystemKind kind :
         {FileSystemKind::disk, FileSystemKind::tmpfs, FileSystemKind::fuseFat}) {
        const Mount mount(kind, work.path());
        if (!mount.ok()) {
            std::printf("skipping %s: %s\n", test::kindName(kind), qPrintable(mount.error()));
            continue;
        }
        SCOPED_TRACE(test::kindName(kind));
        const QString copy = mount.path() + "/Brief.txt";
        const QString taken = mount.path() + "/Notes.txt";
        ASSERT_TRUE(writeFile(taken, "the user's own notes"));

        const auto first = FileCopy::copyNew(source, copy);
        ASSERT_TRUE(first.ok()) << qPrintable(first.error().message);
        EXPECT_EQ(first.value(), FileCopy::Outcome::copied);
        EXPECT_EQ(readFile(copy), bytes);

        const auto again = FileCopy::copyNew(source, taken);
        ASSERT_TRUE(again.ok());
        EXPECT_EQ(again.value(), FileCopy::Outcome::kept);
        const auto written = FileCopy::writeNew(taken, "rendered");
        ASSERT_TRUE(written.ok());
        EXPECT_EQ(written.value(), FileCopy::Outcome::kept);
        EXPECT_EQ(readFile(taken), "the user's own notes");
        EXPECT_EQ(entries(mount.path()), QStringList({"Brief.txt", "Notes.txt"}));

        const auto missing = FileCopy::copyNew(work.filePath("gone"), mount.path() + "/X");
        EXPECT_FALSE(missing.ok());
        EXPECT_EQ(entries(mount.path()), QStringList({"Brief.txt", "Notes.txt"}));
    }
}

TEST(FileCopy, FallsBackFromReflinkToCopyRangeToPlainReads)
{
    const QTemporaryDir work;
    const Mount tmpfs(FileSystemKind::tmpfs, work.path());
    const QString dir = tmpfs.ok() ? tmpfs.path() : work.path();
    const QByteArray bytes = QByteArray(5 << 20, 'x') + "tail";
    ASSERT_TRUE(writeFile(dir + "/src", bytes));

    ASSERT_TRUE(FileCopy::copyNew(dir + "/src", dir + "/a").ok());
    if (tmpfs.ok()) { // tmpfs shares no extents
        EXPECT_EQ(FileCopy::lastMethod(), FileCopy::Method::copyRange);
    }
    ASSERT_TRUE(FileCopy::copyNew(dir + "/src", dir + "/b", FileCopy::Method::copyRange).ok());
    EXPECT_EQ(FileCopy::lastMethod(), FileCopy::Method::copyRange);
    ASSERT_TRUE(FileCopy::copyNew(dir + "/src", dir + "/c", FileCopy::Method::readWrite).ok());
    EXPECT_EQ(FileCopy::lastMethod(), FileCopy::Method::readWrite);
    for (const char *name : {"/a", "/b", "/c"})
        EXPECT_EQ(readFile(dir + name), bytes) << name;
}

} // namespace
} // namespace bp
