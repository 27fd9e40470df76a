#pragma once

#include <QString>

#include <optional>

class QWidget;

namespace bp::FolderDialog {

// A modal chooser of one folder whose accept button reads "Selecteer"; the chosen folder, or
// none when cancelled.
std::optional<QString> choose(QWidget *parent, const QString &title,
                              const QString &startIn = QString());

} // namespace bp::FolderDialog
