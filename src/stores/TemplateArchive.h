#pragma once

#include "model/CustomTemplate.h"
#include "model/Result.h"

#include <QByteArray>
#include <QString>
#include <QUuid>

namespace bp {
class CustomTemplateStore;
}

namespace bp::TemplateArchive {

// A template with its files as one zip: template.json (the document of that one template)
// and the files at their sources, the layout TemplateFolder reads.
inline const QString suffix = QStringLiteral("bptemplate");

// What an archive may unpack to. Anything beyond is refused as a whole: such archives come
// from an attacker or a broken tool, never from an export.
struct Limits {
    qint64 maxEntries = 10'000;
    qint64 maxUnpackedBytes = qint64(512) << 20;
    // Unpacked bytes per byte of archive (zip bombs)...
    qint64 maxRatio = 100;
    // ...counted only beyond this many unpacked bytes: a small text file alone may compress
    // better than that, and a small archive cannot fill a disk.
    qint64 ratioFreeBytes = qint64(1) << 20;
};

// Writes t and the files of its folder (TemplateFiles::folderOf) to archivePath, a file the
// user chose: under a temporary name first, then renamed over it where its folder allows.
Result<void> write(const CustomTemplate &t, const QString &archivePath);

// Checks the whole archive while unpacking it into a temporary folder next to intoFolder, and
// only when all of it passed gives that folder intoFolder's name, never replacing one that
// exists. A refused archive leaves nothing behind. The template comes back with filesFolder =
// intoFolder. Refused: any entry other than regular files and folders (links, devices),
// absolute names, "." or "..", names that are not UTF-8 or given twice, more entries or bytes
// than the limits allow, and a template.json that does not hold exactly one template whose
// sources all name files of the archive.
Result<CustomTemplate> read(const QString &archivePath, const QString &intoFolder,
                            const Limits &limits = {});
Result<CustomTemplate> readData(const QByteArray &archive, const QString &intoFolder,
                                const Limits &limits = {});

struct Imported {
    CustomTemplate tmpl;
    // A template with this id was there already: it was kept and nothing was unpacked.
    bool skipped = false;
};
// The first half of an import, for any thread: unpacks the archive's template into its own
// folder (TemplateFiles::ownFolder) unless its id is among known. The template comes back
// with filesFolder empty, ready to be put in the store.
Result<Imported> unpackOwn(const QString &archivePath, const QList<QUuid> &known,
                           const Limits &limits = {});
// The whole import where blocking is fine: unpackOwn against the stored ids, then put; a put
// that fails removes the unpacked folder again. A template whose id is stored already is
// skipped, as the JSON import skips it.
Result<Imported> import(CustomTemplateStore &store, const QString &archivePath,
                        const Limits &limits = {});

} // namespace bp::TemplateArchive
