#pragma once

#include <QString>

namespace bp {

// Shows a folder or file, selected, in the desktop's file manager.
class FileManager {
public:
    virtual ~FileManager() = default;
    virtual void reveal(const QString &path) = 0;
};

} // namespace bp
