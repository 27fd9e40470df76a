#pragma once

#include <QList>

namespace bp {

// Makes the entry "Brindlepath - Maak Structuur" ready in the file managers of this machine,
// as "brindlepath integrate" does.
class FileManagerSetup {
public:
    enum class Manager { nautilus, nemo, caja, thunar, dolphin };
    enum class State {
        ready,
        // Only our plug-in package puts the entry there.
        needsPlugin,
        // Something of the user's own is in our place.
        leftAlone,
        failed,
    };
    struct Entry {
        Manager manager;
        State state;
        friend bool operator==(const Entry &, const Entry &) = default;
    };

    virtual ~FileManagerSetup() = default;
    // One entry per file manager installed here. Writes files: call it off the UI thread.
    virtual QList<Entry> prepare() = 0;
};

} // namespace bp
