#pragma once

#include <QString>

#include <optional>

namespace bp::offload {

// What a mounted card holds, recognised by the folders cameras and recorders write.
enum class CardKind { video, photo, audio };

struct CardInfo {
    QString root;  // the mount point (or chosen folder)
    QString label; // the file system's label, else the mount point's name
    CardKind kind = CardKind::video;
    QString layout; // what was recognised, e.g. "Sony XAVC", "GoPro", "DCIM"
};

// Recognises DCIM, PRIVATE/M4ROOT, XDROOT, CONTENTS/CLIPS001, PRIVATE/AVCHD, DCIM/100GOPRO,
// BRAW files in the root and sound recorders' folders; nullopt for anything else.
std::optional<CardInfo> recogniseCard(const QString &root, const QString &label);

// Where a card goes in project by default: <video folder>/<label> for video cards, the photo
// folder for photo cards and <audio folder>/<label> for recorders, found among the project's
// numbered folders ("01_Footage", "02_Audio", …); project/<label> when it has none.
QString defaultOffloadFolder(const QString &project, const CardInfo &card);

} // namespace bp::offload
