#include "offload/AscMhl.h"
#include "offload/OffloadReport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace bp::offload;
using namespace bp::offload::mhl;

namespace {

void put(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(data);
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

HashEntry entry(const QString &path, const QByteArray &data, HashKind kind = HashKind::xxh128)
{
    Hasher hasher(kind);
    hasher.add(data.constData(), data.size());
    const QDateTime time =
        QDateTime::fromString(QStringLiteral("2026-03-05T10:15:00Z"), Qt::ISODate);
    return HashEntry{path, data.size(), time, kind, hasher.hexDigest(), Action::original, time};
}

Creator creator()
{
    Creator c;
    c.creationDate = QDateTime::currentDateTimeUtc();
    c.hostName = QStringLiteral("set-laptop");
    c.toolVersion = QStringLiteral("1.0.0");
    return c;
}

} // namespace

TEST(AscMhl, c4IdMatchesPublishedVectors)
{
    EXPECT_EQ(c4Id(""), QLatin1String("c459dsjfscH38cYeXXYogktxf4Cd9ibshE3BHUo6a58hBXmRQdZrAkZzsWc"
                                      "bWtDg5oQstpDuni4Hirj75GEmTc1sFT"));
    EXPECT_EQ(c4Id("foo"), QLatin1String("c45xZeXwMSpqXjpDumcHMA6mhoAmGHkUo7r9WmN2UgSEQzj9KjgseaQd"
                                         "kEJ11fGb5S1WEENcV3q8RFWwEeVpC7Fjk2"));
}

// Tools in the field reject manifests that break the schema (element order above all).
TEST(AscMhl, writtenGenerationsAndChainValidateAgainstTheSchema)
{
    const QString xsd = QStringLiteral(BP_ASCMHL_XSD);
    if (!QFileInfo::exists(xsd + QStringLiteral("/ASCMHL.xsd")))
        GTEST_SKIP() << "no ASC MHL schema at " << xsd.toStdString();
    const QString xmllint = QStandardPaths::findExecutable(QStringLiteral("xmllint"));
    if (xmllint.isEmpty())
        GTEST_SKIP() << "xmllint is not installed (package libxml2-utils)";
    QTemporaryDir dir;
    const QString root = dir.filePath(QStringLiteral("A001"));
    QList<HashEntry> hashes{entry(QStringLiteral("CLIPS/a & b <é>.mov"), "clip"),
                            entry(QStringLiteral("CLIPS/a & b <é>.mov"), "clip", HashKind::md5),
                            entry(QStringLiteral("CLIPS/a & b <é>.mov"), "clip", HashKind::xxh64)};
    hashes[2].action = Action::failed;
    ASSERT_TRUE(addGeneration(root, hashes, creator()).ok());
    const bp::Result<QString> second = addGeneration(root, {hashes[0]}, creator());
    ASSERT_TRUE(second.ok());
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^0002_A001_\\d{4}-\\d\\d-\\d\\d_\\d{6}Z\\.mhl$"))
                    .match(second.value())
                    .hasMatch())
        << second.value().toStdString();
    const QString history = root + QStringLiteral("/ascmhl/");
    for (const auto &[schema, file] :
         {std::pair{QStringLiteral("ASCMHL.xsd"), second.value()},
          std::pair{QStringLiteral("ASCMHL.xsd"), QDir(history).entryList({"0001_*"}).value(0)},
          std::pair{QStringLiteral("ASCMHLDirectory__combined.xsd"),
                    QStringLiteral("ascmhl_chain.xml")}}) {
        QProcess lint;
        lint.setProcessChannelMode(QProcess::MergedChannels);
        lint.start(xmllint, {QStringLiteral("--noout"), QStringLiteral("--schema"),
                             xsd + QLatin1Char('/') + schema, history + file});
        ASSERT_TRUE(lint.waitForFinished(30000));
        EXPECT_EQ(lint.exitCode(), 0) << lint.readAll().toStdString();
    }
}

// What we write reads back the same, and what other tools write is read for what we know.
TEST(AscMhl, roundTripsAndReadsOtherToolsManifests)
{
    QTemporaryDir dir;
    const HashEntry first = entry(QStringLiteral("DCIM/100/A.JPG"), "a");
    HashEntry again = first;
    again.action = Action::failed;
    ASSERT_TRUE(addGeneration(dir.path(), {first}, creator()).ok());
    ASSERT_TRUE(addGeneration(dir.path(), {again}, creator()).ok());
    const bp::Result<History> history = readHistory(dir.path());
    ASSERT_TRUE(history.ok()) << history.error().message.toStdString();
    ASSERT_EQ(history.value().generations.size(), 2);
    const Generation &generation = history.value().generations[0];
    EXPECT_EQ(generation.number, 1);
    EXPECT_EQ(generation.creator.hostName, QLatin1String("set-laptop"));
    EXPECT_EQ(generation.creator.processType, QLatin1String("transfer"));
    ASSERT_EQ(generation.hashes.size(), 1);
    const HashEntry &read = generation.hashes[0];
    EXPECT_EQ(std::tie(read.path, read.size, read.lastModified, read.digest, read.hashDate),
              std::tie(first.path, first.size, first.lastModified, first.digest, first.hashDate));
    // A failed later check does not hide the good hash.
    ASSERT_NE(history.value().latest(first.path), nullptr);
    EXPECT_EQ(history.value().latest(first.path)->action, Action::original);

    const QByteArray foreign = R"(<?xml version="1.0" encoding="UTF-8"?>
<hashlist version="2.0" xmlns="urn:ASC:MHL:v2.0">
  <creatorinfo><creationdate>2022-02-08T14:54:36.763024-08:00</creationdate>
    <hostname>dit</hostname><tool version="1.0">other</tool></creatorinfo>
  <processinfo><process>in-place</process><roothash><content><xxh64>92950bc8fda076ec</xxh64>
    </content><structure><xxh64>2c2ce52605558158</xxh64></structure></roothash></processinfo>
  <hashes>
    <directoryhash><path>Clips</path><content><xxh64>8d02114c32e28cbe</xxh64></content>
      <structure><xxh64>f557f8ca8e5a88ef</xxh64></structure></directoryhash>
    <hash><path size="48" lastmodificationdate="2020-01-17T14:30:00+01:00">Clips/A.mov</path>
      <c4 action="original">c45xZeXwMSpqXjpDumcHMA6mhoAmGHkUo7r9WmN2UgSEQzj9KjgseaQdkEJ11fGb5S1WEENcV3q8RFWwEeVpC7Fjk2</c4>
      <sha1>0beec7b5ea3f0fdbc95d0dd47f3c5bc275da8a33</sha1>
      <xxh64 action="verified" hashdate="2022-02-08T14:54:36.763024-08:00">0AC48E431D4538BA</xxh64>
      <metadata><any><deep/></any></metadata></hash>
  </hashes>
  <references><hashlistreference><path>x/ascmhl/0001.mhl</path><c4>c4x</c4></hashlistreference></references>
</hashlist>)";
    const bp::Result<Generation> parsed = parseGeneration(foreign);
    ASSERT_TRUE(parsed.ok()) << parsed.error().message.toStdString();
    ASSERT_EQ(parsed.value().hashes.size(), 1);
    const HashEntry &other = parsed.value().hashes[0];
    EXPECT_EQ(other.format, HashKind::xxh64);
    EXPECT_EQ(other.digest, QLatin1String("0ac48e431d4538ba"));
    EXPECT_EQ(other.action, Action::verified);
    EXPECT_EQ(other.size, 48);
    EXPECT_EQ(other.lastModified, QDateTime::fromString("2020-01-17T13:30:00Z", Qt::ISODate));
    EXPECT_TRUE(other.hashDate.isValid());
    // A manifest must not point outside its folder.
    QByteArray escaping = foreign;
    escaping.replace(">Clips/A.mov<", ">Clips/../../A.mov<");
    EXPECT_FALSE(parseGeneration(escaping).ok());
}

TEST(AscMhl, changedOrUnreadableGenerationFailsTheHistoryAndNumbersNeverRepeat)
{
    QTemporaryDir dir;
    EXPECT_TRUE(readHistory(dir.path()).value().isEmpty());
    const bp::Result<QString> name = addGeneration(dir.path(), {entry("a", "a")}, creator());
    ASSERT_TRUE(name.ok());
    // A run killed between its generation and the chain never has its number taken again.
    put(dir.filePath(QStringLiteral("ascmhl/0002_x_2026-03-05_101500Z.mhl")), "unchained");
    EXPECT_TRUE(addGeneration(dir.path(), {}, creator()).value().startsWith(u"0003_"));
    EXPECT_EQ(readHistory(dir.path()).value().generations.size(), 2);
    const QString path = dir.filePath(QStringLiteral("ascmhl/") + name.value());
    QByteArray data = contents(path);
    data.replace("set-laptop", "set-laptoq");
    QFile::remove(path);
    put(path, data);
    const bp::Result<History> tampered = readHistory(dir.path());
    ASSERT_FALSE(tampered.ok());
    EXPECT_TRUE(tampered.error().message.contains(QLatin1String("C4")))
        << tampered.error().message.toStdString();
    QFile::remove(path);
    const bp::Result<History> missing = readHistory(dir.path());
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().code, ENOENT);
}

TEST(AscMhl, verifyFindsChangedMissingAndNewFilesOnly)
{
    QTemporaryDir dir;
    const QByteArray clip(3 << 20, 'c');
    QList<HashEntry> hashes;
    for (const QString &name : {QStringLiteral("same.txt"), QStringLiteral("CLIPS/flip.mov"),
                                QStringLiteral("gone.wav")}) {
        const QByteArray data = name.endsWith(u"mov") ? clip : name.toUtf8();
        put(dir.filePath(name), data);
        hashes.append(entry(name, data, name.endsWith(u"wav") ? HashKind::md5 : HashKind::xxh3));
    }
    ASSERT_TRUE(addGeneration(dir.path(), hashes, creator()).ok());
    ASSERT_TRUE(appendOffloadReport(dir.path(), OffloadOutcome()).ok());
    QByteArray flipped = clip;
    flipped[1 << 20] = 'd';
    put(dir.filePath(QStringLiteral("CLIPS/flip.mov")), flipped);
    QFile::remove(dir.filePath(QStringLiteral("gone.wav")));
    put(dir.filePath(QStringLiteral("CLIPS/new.mov")), "new");
    put(dir.filePath(QStringLiteral("CLIPS/.x.bp-offload-1")), "partial");
    std::atomic_bool cancel = false;
    qint64 last = -1;
    const bp::Result<VerifyReport> report = verifyFolder(
        dir.path(), cancel, [&](qint64 done, qint64, const QString &) { last = done; });
    ASSERT_TRUE(report.ok()) << report.error().message.toStdString();
    EXPECT_EQ(report.value().matched, QStringList{"same.txt"});
    EXPECT_EQ(report.value().changed, QStringList{"CLIPS/flip.mov"});
    EXPECT_EQ(report.value().missing, QStringList{"gone.wav"});
    EXPECT_EQ(report.value().added, QStringList{"CLIPS/new.mov"});
    EXPECT_FALSE(report.value().ok());
    EXPECT_EQ(last, clip.size() + 8);
    QTemporaryDir empty;
    EXPECT_FALSE(verifyFolder(empty.path(), cancel).ok());
}

TEST(OffloadReport, appendsEachRunBelowTheLastWithItsFiles)
{
    QTemporaryDir dir;
    OffloadOutcome outcome;
    outcome.request.source = QStringLiteral("/media/A001");
    outcome.request.destinations = {dir.path()};
    DestinationResult destination{dir.path(), {}, {}, std::nullopt};
    FileResult failed{QStringLiteral("CLIPS/B.mov"), {}, 10, {}, FileState::failed,
                      FileResult::Problem::mismatch, {}};
    destination.files = {failed};
    outcome.destinations = {destination};
    ASSERT_TRUE(appendOffloadReport(dir.path(), outcome).ok());
    ASSERT_TRUE(appendOffloadReport(dir.path(), outcome).ok());
    const QString text = QString::fromUtf8(contents(dir.filePath("ascmhl/offload-rapport.txt")));
    EXPECT_EQ(text.count(QStringLiteral("Kaart importeren — rapport")), 2);
    EXPECT_TRUE(
        text.contains(QLatin1String("Mislukt (1):\n  CLIPS/B.mov: kopie wijkt af van de bron")))
        << text.toStdString();
}
