#pragma once

#include "CustomTemplate.h"
#include "FieldDefinition.h"
#include "NamePattern.h"
#include "ProjectConfig.h"

#include <QDate>
#include <QHash>

#include <memory>
#include <optional>
#include <vector>

namespace bp {

// One folder of a rendered tree besides its name: what making the name safe changed, and
// why it has none.
struct FolderNote {
    ComponentChanges changes;
    QList<NameProblem> problems; // not empty: the tree shows the folder's name as typed
};

// One project as it would be made: the project folder's name and its tree, every name
// rendered and made safe.
struct RenderedProject {
    RenderedName folder;
    QList<FolderNode> tree;        // the plan's ids; names rendered
    std::vector<FolderNote> notes; // one per folder of tree, depth first, parents first
    // One per file of tree, folders depth first and parents first, each folder's files in
    // order. Files' names render as folder names do and count for treeOk.
    std::vector<FolderNote> fileNotes = {};
    bool treeOk = true; // no folder of tree has problems

    bool ok() const { return folder.ok() && treeOk; }
    // The token keys nothing gave a value for, anywhere in the project, each once: the
    // project folder's first, then the tree's depth first.
    QStringList unresolved() const;
};

// Why a set of projects cannot be made yet: values the fields refuse and names that do not
// render. Kinds, not sentences: windows and the command line word them.
struct PlanProblems {
    QList<FieldProblem> fields; // in field order
    QList<NameProblem> names;   // each kind and key once, the project folder's first

    bool isEmpty() const { return fields.isEmpty() && names.isEmpty(); }
    // The token keys of unknownToken problems, each once.
    QStringList unresolved() const;
    // English, for logs and the Error a run that ignored them ends with.
    QString message() const;
};

// A template's names, parsed once and rendered per project: the project folder's name
// pattern, its fields and its tree. Built-in templates keep their folder names literally
// and the project folder "{datum}_{naam}" as always; a custom template's folder names are
// patterns too, made safe as every rendered name is. Cheap to copy.
class ProjectPlan final {
public:
    // The built-in tree given, literally, under the default project name.
    explicit ProjectPlan(const QList<FolderNode> &builtInTree = {});
    // What config would make: its custom template (from customTemplates) when it names one
    // that is there, else its built-in template with its extras.
    static ProjectPlan forConfig(const ProjectConfig &config,
                                 const QList<CustomTemplate> &customTemplates);
    // A custom template as the editor has it; its folders keep their ids. Its files' sources
    // become absolute below TemplateFiles::folderOf(customTemplate); one that is absolute
    // already (a file the editor has not stored yet) stays as it is.
    static ProjectPlan forTemplate(const CustomTemplate &customTemplate);

    bool isCustom() const;
    const QList<FolderNode> &tree() const;
    const QList<FieldDefinition> &fields() const;
    const NamePattern &projectPattern() const;
    // The project folder's name or any folder's has {teller}: creation takes numbers.
    bool usesCounter() const;
    // The number in an existing project folder's name, for ProjectCounter.
    std::optional<int> counterIn(const QString &folderName) const;

    // The values to render with (Fields::resolve): once per change of the values, not per
    // project.
    Fields::Resolved resolveFields(const QHash<QString, QString> &given) const;

    // One project: name is one project name as typed (a batch name), date the {datum} day,
    // number the project's {teller} (none: a {teller} is unresolved). fieldValues come from
    // resolveFields(). The last rendering of a tree with tokens is kept: asked again with the
    // same values (the form's checks after the preview), it is not done again.
    RenderedProject render(const QString &name, const QDate &date, std::optional<int> number,
                           const QHash<QString, QString> &fieldValues) const;
    // The project folder's name alone, for lists of batch names.
    RenderedName renderFolderName(const QString &name, const QDate &date, std::optional<int> number,
                                  const QHash<QString, QString> &fieldValues) const;

    // What keeps these projects from being made: the given values checked against the
    // fields, and every name rendered, numbered from firstNumber when the plan counts (1
    // stands in when it is not known). With the number a preview showed, the first
    // project's rendering is the preview's own, not done again.
    PlanProblems problems(const QStringList &names, const QDate &date,
                          const QHash<QString, QString> &given,
                          std::optional<int> firstNumber = std::nullopt) const;

private:
    struct Data;
    std::shared_ptr<const Data> d;
};

} // namespace bp
