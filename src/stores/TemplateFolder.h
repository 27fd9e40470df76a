#pragma once

#include "model/CustomTemplate.h"
#include "model/Result.h"

namespace bp::TemplateFolder {

// A template with its files as one folder: template.json, the document of exactly that one
// template, and the files its sources name. The layout of a .bptemplate archive and of a
// template in the shared library.
inline const QString documentName = QStringLiteral("template.json");

// Reads such a folder: template.json (exactly one template) and every source naming a
// regular file below dir (symlinks refused). The template comes back with filesFolder = dir.
Result<CustomTemplate> read(const QString &dir);

} // namespace bp::TemplateFolder
