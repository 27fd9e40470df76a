#pragma once

#include "CustomTemplate.h"

namespace bp::TemplateEngine {

// The root folders to create inside the project folder. A custom template named by
// config.customTemplateID and present in customTemplates wins over the built-in tree;
// callers pass the custom template store's current list.
QList<FolderNode> resolve(const ProjectConfig &config,
                          const QList<CustomTemplate> &customTemplates = {});

// The unfiltered built-in tree of a template (every optional branch present).
const QList<FolderNode> &builtInTree(PlatformTemplate platform);

} // namespace bp::TemplateEngine
