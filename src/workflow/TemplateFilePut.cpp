#include "TemplateFilePut.h"

#include "model/FileSystem.h"

#include <QDir>

namespace bp::TemplateFilePut {

Result<FileCopy::Outcome> putFile(const PlannedFile &file, const QString &to,
                                  const TokenValues &values)
{
    if (!file.render)
        return FileCopy::copyNew(file.sourcePath, to);
    const Result<QByteArray> text = FileSystem::readFile(file.sourcePath);
    if (!text)
        return text.error();
    const std::optional<QByteArray> rendered = NamePattern::renderText(text.value(), values);
    if (!rendered) {
        Error error = Error::fromErrno(EILSEQ, file.sourcePath);
        error.kind = Error::Kind::invalidDocument;
        return error;
    }
    return FileCopy::writeNew(to, *rendered);
}

Result<Put> putAll(const QList<FolderNode> &tree, const QString &projectPath,
                   const TokenValues &values)
{
    Put put;
    std::optional<Error> failed;
    const auto walk = [&](auto &self, const QList<FolderNode> &nodes, const QDir &parent) -> void {
        for (const FolderNode &node : nodes) {
            if (failed)
                return;
            const QDir folder(parent.filePath(node.name));
            for (const PlannedFile &file : node.files) {
                const QString to = folder.filePath(file.name);
                const Result<FileCopy::Outcome> outcome = putFile(file, to, values);
                if (!outcome) {
                    failed = outcome.error();
                    return;
                }
                if (outcome.value() == FileCopy::Outcome::copied)
                    ++put.copied;
                else
                    put.kept.append(to);
            }
            self(self, node.children, folder);
        }
    };
    walk(walk, tree, QDir(projectPath));
    if (failed)
        return *failed;
    return put;
}

} // namespace bp::TemplateFilePut
