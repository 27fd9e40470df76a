#include "offload/AscMhl.h"

#include "model/FileSystem.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QSysInfo>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace bp::offload::mhl {

namespace {

const QString hashlistNamespace = QStringLiteral("urn:ASC:MHL:v2.0");
const QString directoryNamespace = QStringLiteral("urn:ASC:MHL:DIRECTORY:v2.0");
const QString historyFolder = QStringLiteral("ascmhl");
const QString chainName = QStringLiteral("ascmhl_chain.xml");
// Deeper nesting than any manifest needs is refused before it costs memory.
constexpr int maxDepth = 64;
constexpr qsizetype maxPathLength = 4096;
constexpr int maxSequence = 999999;

Error invalid(const QString &message)
{
    Error error = Error::withMessage(message, EINVAL);
    error.kind = Error::Kind::invalidDocument;
    return error;
}

QString xsDateTime(const QDateTime &time)
{
    return time.toUTC().toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss")) +
           QStringLiteral("+00:00");
}

QDateTime parseDateTime(QStringView text)
{
    const QDateTime time = QDateTime::fromString(text.trimmed().toString(), Qt::ISODateWithMs);
    return time.isValid() ? time.toUTC() : QDateTime();
}

QString actionName(Action action)
{
    switch (action) {
    case Action::verified:
        return QStringLiteral("verified");
    case Action::failed:
        return QStringLiteral("failed");
    case Action::original:
        break;
    }
    return QStringLiteral("original");
}

// XML 1.0 cannot carry other control characters, not even as references.
bool xmlCanHold(QStringView text)
{
    return text.isValidUtf16() && std::all_of(text.cbegin(), text.cend(), [](QChar c) {
               return c >= u' ' ? c != QChar(0xfffe) && c != QChar(0xffff)
                                : c == u'\t' || c == u'\n' || c == u'\r';
           });
}

// A path inside the history's root: relative, without empty, "." or ".." parts, and one a
// manifest can hold (a mis-declared encoding can hand over lone surrogates).
bool isSafeRelativePath(const QString &path)
{
    if (path.isEmpty() || path.size() > maxPathLength || !xmlCanHold(path))
        return false;
    const QList<QStringView> parts = QStringView(path).split(u'/');
    return std::none_of(parts.cbegin(), parts.cend(), [](QStringView part) {
        return part.isEmpty() || part == u"." || part == u"..";
    });
}

bool isHexDigest(const QString &digest, HashKind kind)
{
    const qsizetype length = (kind == HashKind::xxh3 || kind == HashKind::xxh64) ? 16 : 32;
    return digest.size() == length && std::all_of(digest.cbegin(), digest.cend(), [](QChar c) {
               return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f');
           });
}

bool isC4Id(QStringView id)
{
    static const QRegularExpression pattern(QStringLiteral("^c4[1-9A-HJ-NP-Za-km-z]{88}$"));
    return pattern.match(id).hasMatch();
}

// Text whose carriage returns survive reading: a literal one would come back as a newline.
void writeText(QXmlStreamWriter &xml, const QString &text)
{
    const QList<QStringView> parts = QStringView(text).split(u'\r');
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (i > 0)
            xml.writeEntityReference(QStringLiteral("#13"));
        xml.writeCharacters(parts[i].toString());
    }
}

// The schema lists a path's hash elements in this order.
constexpr HashKind schemaOrder[] = {HashKind::md5, HashKind::xxh128, HashKind::xxh3,
                                    HashKind::xxh64};

// Skips the element just started, refusing to follow it deeper than maxDepth.
bool skipElement(QXmlStreamReader &xml, qsizetype depth)
{
    qsizetype level = 1;
    while (level > 0 && !xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::StartElement && depth + ++level > maxDepth)
            return false;
        if (token == QXmlStreamReader::EndElement)
            --level;
    }
    return true;
}

// The text of the element just started, its child elements skipped; nullopt when too deep.
std::optional<QString> readText(QXmlStreamReader &xml, qsizetype depth)
{
    QString text;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::Characters)
            text += xml.text();
        else if (token == QXmlStreamReader::StartElement && !skipElement(xml, depth + 1))
            return std::nullopt;
        else if (token == QXmlStreamReader::EndElement)
            break;
    }
    return text;
}

struct PendingHash {
    QString path;
    bool hasPath = false;
    qint64 size = -1;
    QDateTime lastModified;
    QList<HashEntry> formats;
};

} // namespace

void History::buildIndex()
{
    index.clear();
    qsizetype entries = 0;
    for (qsizetype g = 0; g < generations.size(); ++g) {
        const QList<HashEntry> &hashes = generations[g].hashes;
        entries += hashes.size();
        for (qsizetype e = 0; e < hashes.size(); ++e)
            if (hashes[e].action != Action::failed)
                index.insert(hashes[e].path, {g, e}); // later ones win
    }
    indexedEntries = entries;
}

const HashEntry *History::latest(const QString &path) const
{
    qsizetype entries = 0;
    for (const Generation &generation : generations)
        entries += generation.hashes.size();
    if (entries == indexedEntries) {
        const auto found = index.constFind(path);
        if (found == index.cend())
            return nullptr;
        const auto [g, e] = found.value();
        if (g < generations.size() && e < generations[g].hashes.size()) {
            const HashEntry &entry = generations[g].hashes[e];
            if (entry.path == path && entry.action != Action::failed)
                return &entry;
        }
    }
    for (auto g = generations.crbegin(); g != generations.crend(); ++g)
        for (auto e = g->hashes.crbegin(); e != g->hashes.crend(); ++e)
            if (e->path == path && e->action != Action::failed)
                return &*e;
    return nullptr;
}

QByteArray generationXml(const Generation &generation)
{
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(2);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("hashlist"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("2.0"));
    xml.writeDefaultNamespace(hashlistNamespace);

    const Creator &creator = generation.creator;
    xml.writeStartElement(QStringLiteral("creatorinfo"));
    xml.writeTextElement(QStringLiteral("creationdate"), xsDateTime(creator.creationDate));
    xml.writeTextElement(QStringLiteral("hostname"), creator.hostName);
    xml.writeStartElement(QStringLiteral("tool"));
    if (!creator.toolVersion.isEmpty())
        xml.writeAttribute(QStringLiteral("version"), creator.toolVersion);
    xml.writeCharacters(creator.tool);
    xml.writeEndElement();
    xml.writeEndElement();

    xml.writeStartElement(QStringLiteral("processinfo"));
    xml.writeTextElement(QStringLiteral("process"), creator.processType);
    xml.writeEndElement();

    // One <hash> per path, its formats in the schema's order.
    QList<QString> order;
    QHash<QString, QList<const HashEntry *>> byPath;
    for (const HashEntry &entry : generation.hashes) {
        if (!xmlCanHold(entry.path))
            continue;
        auto &list = byPath[entry.path];
        if (list.isEmpty())
            order.append(entry.path);
        list.append(&entry);
    }
    if (!order.isEmpty()) {
        xml.writeStartElement(QStringLiteral("hashes"));
        for (const QString &path : order) {
            const QList<const HashEntry *> &entries = byPath[path];
            xml.writeStartElement(QStringLiteral("hash"));
            xml.writeStartElement(QStringLiteral("path"));
            if (entries.first()->size >= 0)
                xml.writeAttribute(QStringLiteral("size"), QString::number(entries.first()->size));
            if (entries.first()->lastModified.isValid())
                xml.writeAttribute(QStringLiteral("lastmodificationdate"),
                                   xsDateTime(entries.first()->lastModified));
            writeText(xml, path);
            xml.writeEndElement();
            for (HashKind kind : schemaOrder) {
                const auto found = std::find_if(entries.cbegin(), entries.cend(),
                                                [kind](auto *e) { return e->format == kind; });
                if (found == entries.cend())
                    continue;
                xml.writeStartElement(hashName(kind));
                xml.writeAttribute(QStringLiteral("action"), actionName((*found)->action));
                if ((*found)->hashDate.isValid())
                    xml.writeAttribute(QStringLiteral("hashdate"), xsDateTime((*found)->hashDate));
                xml.writeCharacters((*found)->digest);
                xml.writeEndElement();
            }
            xml.writeEndElement();
        }
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    return out;
}

Result<Generation> parseGeneration(const QByteArray &data)
{
    if (data.size() > maxManifestBytes)
        return invalid(QStringLiteral("ASC MHL generation too large"));
    QXmlStreamReader xml(data);
    Generation generation;
    generation.creator.tool.clear();
    generation.creator.processType.clear();
    const auto fail = [&xml](const QString &why) {
        return invalid(
            QStringLiteral("ASC MHL generation, line %1: %2").arg(xml.lineNumber()).arg(why));
    };
    // Only these few levels are read; everything else is skipped, its depth bounded.
    QList<QString> stack;
    PendingHash pending;
    bool complete = false;
    while (!complete && !xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::EndElement) {
            if (stack.size() == 3 && stack.last() == u"hash") {
                if (!pending.hasPath)
                    return fail(QStringLiteral("hash without path"));
                for (HashEntry &entry : pending.formats) {
                    entry.path = pending.path;
                    entry.size = pending.size;
                    entry.lastModified = pending.lastModified;
                    generation.hashes.append(std::move(entry));
                }
            }
            stack.removeLast();
            complete = stack.isEmpty();
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        const QString name = xml.name().toString();
        const QString parent = stack.isEmpty() ? QString() : stack.last();
        const QXmlStreamAttributes attributes = xml.attributes();
        const qsizetype depth = stack.size();
        if (depth == 0) {
            if (name != u"hashlist" || xml.namespaceUri() != hashlistNamespace)
                return fail(QStringLiteral("not an ASC MHL hashlist"));
            if (!attributes.value(QLatin1String("version")).startsWith(u"2."))
                return fail(QStringLiteral("not version 2"));
            stack.append(name);
        } else if (depth == 1 &&
                   (name == u"creatorinfo" || name == u"processinfo" || name == u"hashes")) {
            stack.append(name);
        } else if (depth == 2 && parent == u"hashes" && name == u"hash") {
            pending = PendingHash();
            stack.append(name);
        } else if (depth == 2 && parent == u"creatorinfo") {
            const std::optional<QString> text = readText(xml, depth);
            if (!text)
                return fail(QStringLiteral("nested too deeply"));
            if (name == u"creationdate")
                generation.creator.creationDate = parseDateTime(*text);
            else if (name == u"hostname")
                generation.creator.hostName = text->trimmed();
            else if (name == u"tool") {
                generation.creator.tool = text->trimmed();
                generation.creator.toolVersion =
                    attributes.value(QLatin1String("version")).toString();
            }
        } else if (depth == 2 && parent == u"processinfo" && name == u"process") {
            const std::optional<QString> text = readText(xml, depth);
            if (!text)
                return fail(QStringLiteral("nested too deeply"));
            generation.creator.processType = text->trimmed();
        } else if (depth == 3 && parent == u"hash" && name == u"path") {
            if (attributes.hasAttribute(QLatin1String("size"))) {
                bool ok = false;
                pending.size = attributes.value(QLatin1String("size")).trimmed().toLongLong(&ok);
                if (!ok || pending.size < 0)
                    return fail(QStringLiteral("invalid size"));
            }
            pending.lastModified =
                parseDateTime(attributes.value(QLatin1String("lastmodificationdate")));
            const std::optional<QString> text = readText(xml, depth);
            if (!text || !isSafeRelativePath(*text))
                return fail(QStringLiteral("invalid path"));
            pending.path = *text;
            pending.hasPath = true;
        } else if (const std::optional<HashKind> kind = hashKindFromName(name);
                   depth == 3 && parent == u"hash" && kind) {
            HashEntry entry;
            entry.format = *kind;
            const QStringView action = attributes.value(QLatin1String("action"));
            entry.action = action == u"failed"     ? Action::failed
                           : action == u"verified" ? Action::verified
                                                   : Action::original;
            entry.hashDate = parseDateTime(attributes.value(QLatin1String("hashdate")));
            const std::optional<QString> text = readText(xml, depth);
            if (!text)
                return fail(QStringLiteral("nested too deeply"));
            entry.digest = text->trimmed().toLower();
            if (!isHexDigest(entry.digest, *kind))
                return fail(QStringLiteral("invalid %1 digest").arg(name));
            pending.formats.append(entry);
        } else if (!skipElement(xml, depth)) {
            // Directory hashes, references, metadata and formats we do not keep.
            return fail(QStringLiteral("nested too deeply"));
        }
    }
    if (xml.hasError())
        return fail(xml.errorString());
    if (!complete)
        return fail(QStringLiteral("incomplete document"));
    return generation;
}

QString c4Id(const QByteArray &data)
{
    static constexpr char alphabet[] = "123456789ABCDEFGHJKLMNPQRSTUVWXYZabcdefghijkmnopqrstuvwxyz";
    QByteArray number = QCryptographicHash::hash(data, QCryptographicHash::Sha512);
    // The 512-bit digest as 88 base-58 digits, most significant first, padded with '1'.
    QByteArray digits(88, alphabet[0]);
    for (qsizetype position = digits.size() - 1; position >= 0; --position) {
        unsigned remainder = 0;
        for (char &byte : number) {
            const unsigned value = (remainder << 8) | quint8(byte);
            byte = char(value / 58);
            remainder = value % 58;
        }
        digits[position] = alphabet[remainder];
    }
    return QStringLiteral("c4") + QString::fromLatin1(digits);
}

QByteArray chainXml(const QList<ChainEntry> &chain)
{
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(2);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("ascmhldirectory"));
    xml.writeDefaultNamespace(directoryNamespace);
    for (const ChainEntry &entry : chain) {
        xml.writeStartElement(QStringLiteral("hashlist"));
        xml.writeAttribute(QStringLiteral("sequencenr"), QString::number(entry.sequence));
        xml.writeStartElement(QStringLiteral("path"));
        writeText(xml, entry.fileName);
        xml.writeEndElement();
        xml.writeTextElement(QStringLiteral("c4"), entry.c4);
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    return out;
}

Result<QList<ChainEntry>> parseChain(const QByteArray &data)
{
    if (data.size() > maxManifestBytes)
        return invalid(chainName + QStringLiteral(": too large"));
    QXmlStreamReader xml(data);
    const auto fail = [&xml](const QString &why) {
        return invalid(
            QStringLiteral("%1, line %2: %3").arg(chainName).arg(xml.lineNumber()).arg(why));
    };
    QList<ChainEntry> chain;
    QSet<int> sequences;
    qsizetype depth = 0;
    bool complete = false;
    while (!complete && !xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::EndElement) {
            if (depth == 2) {
                const ChainEntry &entry = chain.last();
                if (entry.fileName.isEmpty() || !isC4Id(entry.c4))
                    return fail(QStringLiteral("generation without a path or C4 id"));
            }
            complete = --depth == 0;
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        if (depth == 0) {
            if (xml.name() != u"ascmhldirectory" || xml.namespaceUri() != directoryNamespace)
                return fail(QStringLiteral("not an ASC MHL chain"));
            ++depth;
        } else if (depth == 1 && xml.name() == u"hashlist") {
            bool ok = false;
            const int sequence =
                xml.attributes().value(QLatin1String("sequencenr")).trimmed().toInt(&ok);
            if (!ok || sequence < 1 || sequence > maxSequence || sequences.contains(sequence))
                return fail(QStringLiteral("invalid sequence number"));
            sequences.insert(sequence);
            chain.append(ChainEntry{sequence, {}, {}});
            ++depth;
        } else if (depth == 2 && (xml.name() == u"path" || xml.name() == u"c4")) {
            const bool isPath = xml.name() == u"path";
            const std::optional<QString> text = readText(xml, depth);
            if (!text)
                return fail(QStringLiteral("nested too deeply"));
            if (isPath) {
                chain.last().fileName = *text;
                if (!isSafeRelativePath(*text) || text->contains(u'/'))
                    return fail(QStringLiteral("invalid generation name"));
            } else {
                chain.last().c4 = text->trimmed();
            }
        } else if (!skipElement(xml, depth)) {
            return fail(QStringLiteral("nested too deeply"));
        }
    }
    if (xml.hasError())
        return fail(xml.errorString());
    if (!complete)
        return fail(QStringLiteral("incomplete document"));
    std::sort(chain.begin(), chain.end(),
              [](const ChainEntry &a, const ChainEntry &b) { return a.sequence < b.sequence; });
    return chain;
}

namespace {

QString historyPath(const QString &root, const QString &name = {})
{
    const QString folder = QDir(root).filePath(historyFolder);
    return name.isEmpty() ? folder : folder + QLatin1Char('/') + name;
}

// The chain, or an empty one where the history has none yet.
Result<QList<ChainEntry>> readChain(const QString &root)
{
    const QString path = historyPath(root, chainName);
    const Result<QByteArray> data = FileSystem::readFile(path, maxManifestBytes);
    if (!data.ok())
        return data.error().code == ENOENT ? Result<QList<ChainEntry>>(QList<ChainEntry>())
                                           : Result<QList<ChainEntry>>(data.error());
    Result<QList<ChainEntry>> chain = parseChain(data.value());
    if (!chain.ok()) {
        Error error = chain.error();
        error.message = QDir(root).filePath(historyFolder) + QLatin1Char('/') + error.message;
        error.path = path;
        return error;
    }
    return chain;
}

// Holds an exclusive lock on the history folder, so that two runs into one folder take
// turns at the chain.
class FolderLock {
public:
    explicit FolderLock(const QString &folder)
        : m_fd(::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    {
        while (m_fd >= 0 && ::flock(m_fd, LOCK_EX) != 0 && errno == EINTR) {
        }
    }
    ~FolderLock()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FolderLock(const FolderLock &) = delete;
    FolderLock &operator=(const FolderLock &) = delete;

private:
    int m_fd;
};

} // namespace

Result<History> readHistory(const QString &root)
{
    History history{root, {}};
    const QString folder = historyPath(root);
    if (!FileSystem::exists(folder))
        return history;
    if (!FileSystem::isDirectory(folder))
        return Error::fromErrno(ENOTDIR, folder);
    const Result<QList<ChainEntry>> chain = readChain(root);
    if (!chain.ok())
        return chain.error();
    for (const ChainEntry &entry : chain.value()) {
        const QString path = historyPath(root, entry.fileName);
        const Result<QByteArray> data = FileSystem::readFile(path, maxManifestBytes);
        if (!data.ok())
            return data.error();
        if (c4Id(data.value()) != entry.c4) {
            Error error = invalid(path + QStringLiteral(": does not match its C4 id in ") +
                                  chainName + QStringLiteral(" (changed or damaged)"));
            error.path = path;
            return error;
        }
        Result<Generation> generation = parseGeneration(data.value());
        if (!generation.ok()) {
            Error error = generation.error();
            error.message = path + QStringLiteral(": ") + error.message;
            error.path = path;
            return error;
        }
        generation.value().number = entry.sequence;
        generation.value().fileName = entry.fileName;
        history.generations.append(std::move(generation).value());
    }
    history.buildIndex();
    return history;
}

Result<QString> addGeneration(const QString &root, const QList<HashEntry> &hashes,
                              const Creator &creator)
{
    const QString folder = historyPath(root);
    if (const Result<void> made = FileSystem::makePath(folder); !made.ok())
        return made.error();
    const FolderLock lock(folder);
    Result<QList<ChainEntry>> chain = readChain(root);
    if (!chain.ok())
        return chain.error();

    // After the chain's last generation and after any file an interrupted run left unchained.
    int number = 0;
    for (const ChainEntry &entry : chain.value())
        number = std::max(number, entry.sequence);
    static const QRegularExpression numbered(QStringLiteral("^(\\d{4,6})_.*\\.mhl$"));
    for (const QString &name : QDir(folder).entryList(QDir::Files | QDir::Hidden)) {
        const QRegularExpressionMatch match = numbered.match(name);
        if (match.hasMatch())
            number = std::max(number, match.captured(1).toInt());
    }
    if (++number > maxSequence)
        return invalid(folder + QStringLiteral(": too many generations"));

    Generation generation;
    generation.number = number;
    generation.creator = creator;
    if (!generation.creator.creationDate.isValid())
        generation.creator.creationDate = QDateTime::currentDateTimeUtc();
    if (generation.creator.hostName.isEmpty())
        generation.creator.hostName = QSysInfo::machineHostName();
    generation.hashes = hashes;
    QString folderName = QFileInfo(QDir(root).absolutePath()).fileName();
    const bool validUtf16 = QStringView(folderName).isValidUtf16();
    for (QChar &c : folderName)
        if (c < u' ' || c == QChar(0xfffe) || c == QChar(0xffff) ||
            (!validUtf16 && c.isSurrogate()))
            c = u'_';
    if (folderName.isEmpty())
        folderName = QStringLiteral("root");
    generation.fileName = QStringLiteral("%1_%2_%3Z.mhl")
                              .arg(number, 4, 10, QLatin1Char('0'))
                              .arg(folderName, generation.creator.creationDate.toUTC().toString(
                                                   QStringLiteral("yyyy-MM-dd_HHmmss")));

    const QByteArray xml = generationXml(generation);
    const QString path = historyPath(root, generation.fileName);
    if (const Result<void> written = FileSystem::writeNew(path, xml); !written.ok())
        return written.error();
    chain.value().append(ChainEntry{number, generation.fileName, c4Id(xml)});
    if (const Result<void> saved =
            FileSystem::writeAtomically(historyPath(root, chainName), chainXml(chain.value()));
        !saved.ok())
        return saved.error();
    return generation.fileName;
}

Result<VerifyReport> verifyFolder(const QString &root, const std::atomic_bool &cancel,
                                  const VerifyProgress &progress)
{
    const Result<History> read = readHistory(root);
    if (!read.ok())
        return read.error();
    const History &history = read.value();
    if (history.isEmpty())
        return Error::fromErrno(ENOENT, QDir(root).filePath(historyFolder));

    // Every path the history names; one with only failed entries can match nothing.
    QSet<QString> expected;
    for (const Generation &generation : history.generations)
        for (const HashEntry &entry : generation.hashes)
            expected.insert(entry.path);

    struct OnDisk {
        QString path;
        qint64 size;
    };
    QList<OnDisk> files;
    const QDir base(root);
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::NoSymLinks,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QString path = base.relativeFilePath(it.filePath());
        // The history itself and an offload's temporaries are not content.
        if (path.startsWith(historyFolder + QLatin1Char('/')) ||
            it.fileName().contains(QLatin1String(".bp-offload-")))
            continue;
        files.append(OnDisk{path, it.fileInfo().size()});
    }
    std::sort(files.begin(), files.end(),
              [](const OnDisk &a, const OnDisk &b) { return a.path < b.path; });

    VerifyReport report;
    qint64 total = 0;
    for (const OnDisk &file : files)
        if (expected.contains(file.path))
            total += file.size;
    qint64 done = 0;
    QSet<QString> seen;
    for (const OnDisk &file : files) {
        if (!expected.contains(file.path)) {
            report.added.append(file.path);
            continue;
        }
        seen.insert(file.path);
        const HashEntry *entry = history.latest(file.path);
        if (!entry || (entry->size >= 0 && entry->size != file.size)) {
            report.changed.append(file.path);
            done += file.size;
            continue;
        }
        if (progress)
            progress(done, total, file.path);
        const qint64 start = done;
        const Result<QString> digest =
            hashFile(base.filePath(file.path), entry->format, &cancel, [&](qint64 bytes) {
                done += bytes;
                if (progress)
                    progress(done, total, file.path);
            });
        done = start + file.size;
        if (!digest.ok() && digest.error().code == ECANCELED) {
            report.cancelled = true;
            return report;
        }
        if (!digest.ok())
            report.unreadable.append(file.path);
        else if (digest.value() == entry->digest)
            report.matched.append(file.path);
        else
            report.changed.append(file.path);
    }
    for (const QString &path : expected)
        if (!seen.contains(path))
            report.missing.append(path);
    report.missing.sort();
    if (progress)
        progress(total, total, {});
    return report;
}

} // namespace bp::offload::mhl
