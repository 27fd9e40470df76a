#include "offload/Hasher.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace bp::offload;

// The published vectors, fed whole and in uneven pieces: byte order and streaming both count.
TEST(Hasher, matchesPublishedVectorsHoweverFed)
{
    struct Vector {
        HashKind kind;
        const char *empty;
        const char *abc;
    };
    const Vector vectors[] = {
        {HashKind::xxh128, "99aa06d3014798d86001c324468d497f", "06b05ab6733a618578af5f94892f3950"},
        {HashKind::xxh3, "2d06800538d394c2", "78af5f94892f3950"},
        {HashKind::xxh64, "ef46db3751d8e999", "44bc2cf5ad770999"},
        {HashKind::md5, "d41d8cd98f00b204e9800998ecf8427e", "900150983cd24fb0d6963f7d28e17f72"},
    };
    for (const Vector &v : vectors) {
        SCOPED_TRACE(hashName(v.kind).toStdString());
        EXPECT_EQ(hashKindFromName(hashName(v.kind)), v.kind);
        Hasher hasher(v.kind);
        EXPECT_EQ(hasher.hexDigest(), QLatin1String(v.empty));
        hasher.add("a", 1);
        hasher.add("bc", 2);
        EXPECT_EQ(hasher.hexDigest(), QLatin1String(v.abc));
        hasher.reset();
        hasher.add("abc", 3);
        EXPECT_EQ(hasher.hexDigest(), QLatin1String(v.abc));
    }
    EXPECT_FALSE(hashKindFromName(u"sha1"));
}

TEST(Hasher, hashesFilesLargerThanOneReadAndReportsMissingOnes)
{
    QTemporaryDir dir;
    QByteArray data(9 << 20, Qt::Uninitialized);
    for (qsizetype i = 0; i < data.size(); ++i)
        data[i] = char(i * 7 + i / 4096);
    QFile file(dir.filePath(QStringLiteral("clip.mov")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(data);
    file.close();
    Hasher whole(HashKind::xxh128);
    whole.add(data.constData(), data.size());
    const bp::Result<QString> read = hashFile(file.fileName(), HashKind::xxh128);
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(read.value(), whole.hexDigest());
    const bp::Result<QString> missing =
        hashFile(dir.filePath(QStringLiteral("nope")), HashKind::xxh128);
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().code, ENOENT);
}
