#pragma once

#include <QFlags>
#include <QString>

namespace bp {

// What making a folder name safe changed in it, so a preview can mark the name and say why.
enum class ComponentChange {
    forbiddenCharacter = 0x1, // one of the ten characters / : \ ? % * | " < > became "-"
    controlCharacter = 0x2,   // a control character became "-"
    trimmedEnd = 0x4,         // trailing dots or spaces were removed
    reservedName = 0x8,       // a device name (CON, COM1, ...) got a "-"
    emptyName = 0x10,         // nothing but dots was left, so the name became "-"
};
Q_DECLARE_FLAGS(ComponentChanges, ComponentChange)

namespace PathComponent {

// The longest folder name most file systems take, in UTF-8 bytes.
inline constexpr qsizetype maxBytes = 255;

struct Safe {
    QString text;
    ComponentChanges changes;
    bool tooLong = false; // over maxBytes: refused, never cut
};

// The ten characters project names have always had replaced by "-".
bool isForbidden(QChar c);
// What makeSafe() replaces by "-": the ten characters and control characters.
bool isReplaced(QChar c);

// One folder name that is valid on ext4, FAT, exFAT, NTFS and SMB shares and can neither
// make a folder level nor leave its parent: the ten characters and control characters
// become "-", trailing dots and spaces go, a device name gets "-" after its base name
// ("CON" -> "CON-", "nul.txt" -> "nul-.txt"), and an empty result becomes "-".
Safe makeSafe(const QString &name);

// Only the ten characters replaced: how project folder names have always been made, kept
// for templates without their own pattern so their names stay byte for byte the same.
Safe makeSafeAsBefore(const QString &name);

// Whether Windows reserves the name (CON, PRN, AUX, NUL, COM1-9, LPT1-9, any case, with or
// without an extension).
bool isReserved(const QString &name);

} // namespace PathComponent
} // namespace bp

// At global scope, as Qt means it: inside bp it would hide Qt's own operator| for keys.
Q_DECLARE_OPERATORS_FOR_FLAGS(bp::ComponentChanges)
