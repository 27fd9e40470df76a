#include "FolderDialog.h"

#include <QDir>
#include <QFileDialog>

namespace bp::FolderDialog {

std::optional<QString> choose(QWidget *parent, const QString &title, const QString &startIn)
{
    QFileDialog dialog(parent, title, startIn);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Selecteer"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return QDir::cleanPath(dialog.selectedFiles().constFirst());
}

} // namespace bp::FolderDialog
