#pragma once

#include "model/NamePattern.h"
#include "model/ProjectConfig.h"
#include "model/Result.h"
#include "sorting/FileCopy.h"

namespace bp::TemplateFilePut {

// What putting a tree's files did.
struct Put {
    int copied = 0;
    QStringList kept; // paths that were taken already and left as they were
};

// One file as a project gets it: its rendered contents when it asks for them (refused, with
// nothing written, when they are not UTF-8), else a copy of its source; never replacing.
Result<FileCopy::Outcome> putFile(const PlannedFile &file, const QString &to,
                                  const TokenValues &values);

// Every file of a rendered tree into its folder below projectPath, which must exist. Stops at
// the first failure; what was put before it stays.
Result<Put> putAll(const QList<FolderNode> &tree, const QString &projectPath,
                   const TokenValues &values);

} // namespace bp::TemplateFilePut
