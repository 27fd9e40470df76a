#pragma once

#include <QByteArray>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <string>
#include <sys/stat.h>

namespace bp::test {

inline bool writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::NewOnly) &&
           file.write(content) == content.size();
}

inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// The contents of every file below root, sorted. Files carry unique contents, so a lost or
// overwritten file shows up as a difference.
inline QList<QByteArray> contentsBelow(const QString &root)
{
    QList<QByteArray> contents;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        contents.append(readFile(it.next()));
    std::sort(contents.begin(), contents.end());
    return contents;
}

// Permission bits as stored; QFileInfo reports what the current user, often root, may do.
inline int modeOf(const QString &path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

// Sizes and checksums, sorted, instead of whole contents, so that a failure with large files
// stays readable.
inline QStringList fingerprints(const QList<QByteArray> &contents)
{
    QStringList prints;
    for (const QByteArray &content : contents)
        prints << QString::number(content.size()) + " bytes " +
                      QString::fromLatin1(
                          QCryptographicHash::hash(content, QCryptographicHash::Md5).toHex());
    prints.sort();
    return prints;
}

// A test name from a file name: ASCII letters and digits stay, accents are dropped, anything
// else becomes an underscore. Names with other scripts get the case's index to stay unique.
inline std::string paramName(const QString &text, size_t index)
{
    std::string name;
    bool foreign = false;
    for (const QChar c : text.normalized(QString::NormalizationForm_KD)) {
        if (c.unicode() < 0x80)
            name += c.isLetterOrNumber() ? char(c.unicode()) : '_';
        else
            foreign = foreign || !c.isMark();
    }
    return foreign || name.empty() ? name + '_' + std::to_string(index) : name;
}

} // namespace bp::test
