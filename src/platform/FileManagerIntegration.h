#pragma once

#include "FileManagerSetup.h"

#include <QString>

namespace bp {

// The real setup: the per-user actions of FileManagerActions, reported per file manager whose
// program is on PATH. Holds nothing, so any thread may use it.
class FileManagerIntegration final : public FileManagerSetup {
public:
    // command as FileManagerActions::programCommand gives it.
    explicit FileManagerIntegration(QString command);

    QList<Entry> prepare() override;

private:
    QString m_command;
};

} // namespace bp
