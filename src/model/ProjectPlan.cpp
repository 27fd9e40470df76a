#include "ProjectPlan.h"

#include "TemplateEngine.h"
#include "TemplateFiles.h"

#include <QDir>

#include <algorithm>
#include <functional>
#include <mutex>

namespace bp {
namespace {

const QString counterKey = QStringLiteral("teller");

bool hasTokens(const NamePattern &pattern)
{
    return std::any_of(pattern.parts().cbegin(), pattern.parts().cend(),
                       [](const NamePattern::Part &part) { return part.isToken; });
}

bool hasCounter(const NamePattern &pattern)
{
    return std::any_of(
        pattern.parts().cbegin(), pattern.parts().cend(),
        [](const NamePattern::Part &part) { return part.isToken && part.text == counterKey; });
}

// filesFolder: where the template's stored sources are.
FolderNode withIds(const CustomFolderNode &custom, const QDir &filesFolder)
{
    FolderNode node;
    node.id = custom.id.isNull() ? QUuid::createUuid() : custom.id;
    node.name = custom.name;
    node.children.reserve(custom.children.size());
    for (const CustomFolderNode &child : custom.children)
        node.children.append(withIds(child, filesFolder));
    for (const TemplateFile &file : custom.files)
        node.files.append({file.name, filesFolder.absoluteFilePath(file.source), file.render});
    return node;
}

void appendOnce(QList<NameProblem> &into, const NameProblem &problem)
{
    const bool known = std::any_of(into.cbegin(), into.cend(), [&](const NameProblem &had) {
        return had.kind == problem.kind && had.key == problem.key;
    });
    if (!known)
        into.append(problem);
}

void addProblems(QList<NameProblem> &into, const std::vector<FolderNote> &notes,
                 const std::function<bool(const NameProblem &)> &skip)
{
    for (const FolderNote &note : notes) {
        for (const NameProblem &problem : note.problems) {
            if (!skip(problem))
                appendOnce(into, problem);
        }
    }
}

} // namespace

struct ProjectPlan::Data {
    bool custom = false;
    QList<FolderNode> tree;
    QList<FieldDefinition> fields;
    NamePattern project = NamePattern::projectDefault();
    // A custom tree's names, depth first, parents first; its files' names in the same order.
    std::vector<NamePattern> names;
    std::vector<NamePattern> fileNames;
    bool counts = false;
    bool treeHasTokens = false;
    // A custom tree without tokens renders the same every time: done once.
    RenderedProject constantTree;
    // The last rendering of a tree with tokens. Plans are shared with worker threads.
    struct Memo {
        QString name;
        QDate date;
        std::optional<int> number;
        QHash<QString, QString> values;
        RenderedProject project;
    };
    mutable std::mutex memoLock;
    mutable std::optional<Memo> memo;

    void parseNames(const QList<FolderNode> &nodes)
    {
        for (const FolderNode &node : nodes) {
            names.push_back(NamePattern::parse(node.name));
            counts = counts || hasCounter(names.back());
            treeHasTokens = treeHasTokens || hasTokens(names.back());
            for (const PlannedFile &file : node.files) {
                fileNames.push_back(NamePattern::parse(file.name));
                counts = counts || hasCounter(fileNames.back());
                treeHasTokens = treeHasTokens || hasTokens(fileNames.back());
            }
            parseNames(node.children);
        }
    }
};

QStringList RenderedProject::unresolved() const
{
    QStringList keys = folder.unresolved();
    for (const auto *list : {&notes, &fileNotes}) {
        for (const FolderNote &note : *list) {
            for (const NameProblem &problem : note.problems) {
                if (problem.kind == NameProblem::Kind::unknownToken && !keys.contains(problem.key))
                    keys.append(problem.key);
            }
        }
    }
    return keys;
}

QStringList PlanProblems::unresolved() const
{
    QStringList keys;
    for (const NameProblem &problem : names) {
        if (problem.kind == NameProblem::Kind::unknownToken && !keys.contains(problem.key))
            keys.append(problem.key);
    }
    return keys;
}

QString PlanProblems::message() const
{
    QStringList parts;
    for (const FieldProblem &problem : fields)
        parts.append(problem.message());
    for (const NameProblem &problem : names)
        parts.append(problem.message());
    return parts.join(QStringLiteral("; "));
}

ProjectPlan::ProjectPlan(const QList<FolderNode> &builtInTree)
{
    auto data = std::make_shared<Data>();
    data->tree = builtInTree;
    d = std::move(data);
}

ProjectPlan ProjectPlan::forConfig(const ProjectConfig &config,
                                   const QList<CustomTemplate> &customTemplates)
{
    if (config.customTemplateID) {
        for (const CustomTemplate &custom : customTemplates) {
            if (custom.id == *config.customTemplateID)
                return forTemplate(custom);
        }
    }
    return ProjectPlan(TemplateEngine::resolve(config));
}

ProjectPlan ProjectPlan::forTemplate(const CustomTemplate &customTemplate)
{
    auto data = std::make_shared<Data>();
    data->custom = true;
    data->tree.reserve(customTemplate.roots.size());
    const QDir filesFolder(TemplateFiles::folderOf(customTemplate));
    for (const CustomFolderNode &root : customTemplate.roots)
        data->tree.append(withIds(root, filesFolder));
    data->fields = customTemplate.fields;
    data->project = NamePattern::forProject(customTemplate.projectNamePattern);
    data->counts = hasCounter(data->project);
    data->parseNames(data->tree);
    ProjectPlan plan;
    plan.d = data;
    if (!data->treeHasTokens)
        data->constantTree = plan.render({}, {}, std::nullopt, {});
    return plan;
}

bool ProjectPlan::isCustom() const
{
    return d->custom;
}

const QList<FolderNode> &ProjectPlan::tree() const
{
    return d->tree;
}

const QList<FieldDefinition> &ProjectPlan::fields() const
{
    return d->fields;
}

const NamePattern &ProjectPlan::projectPattern() const
{
    return d->project;
}

bool ProjectPlan::usesCounter() const
{
    return d->counts;
}

std::optional<int> ProjectPlan::counterIn(const QString &folderName) const
{
    return d->project.counterIn(folderName);
}

Fields::Resolved ProjectPlan::resolveFields(const QHash<QString, QString> &given) const
{
    return Fields::resolve(d->fields, given);
}

RenderedName ProjectPlan::renderFolderName(const QString &name, const QDate &date,
                                           std::optional<int> number,
                                           const QHash<QString, QString> &fieldValues) const
{
    return d->project.render(TokenValues{name, date, number, fieldValues});
}

RenderedProject ProjectPlan::render(const QString &name, const QDate &date,
                                    std::optional<int> number,
                                    const QHash<QString, QString> &fieldValues) const
{
    const bool memoised = d->custom && d->treeHasTokens;
    if (memoised) {
        const std::lock_guard lock(d->memoLock);
        if (d->memo && d->memo->name == name && d->memo->date == date &&
            d->memo->number == number && d->memo->values == fieldValues)
            return d->memo->project;
    }
    const TokenValues values{name, date, number, fieldValues};
    RenderedProject result;
    if (!d->custom) {
        // Built-in names are literal: shared as they are.
        result.tree = d->tree;
        result.notes.resize(size_t(countFolders(d->tree)));
    } else if (!d->treeHasTokens && !d->names.empty() &&
               d->constantTree.notes.size() == d->names.size()) {
        result.tree = d->constantTree.tree;
        result.notes = d->constantTree.notes;
        result.fileNotes = d->constantTree.fileNotes;
        result.treeOk = d->constantTree.treeOk;
    } else {
        result.tree = d->tree;
        result.notes.resize(d->names.size());
        result.fileNotes.resize(d->fileNames.size());
        size_t next = 0;
        size_t nextFile = 0;
        const auto renderName = [&](const NamePattern &pattern, QString &name, FolderNote &note) {
            RenderedName rendered = pattern.render(values);
            if (rendered.ok()) {
                if (rendered.text != name)
                    name = std::move(rendered.text);
                note.changes = rendered.changes;
            } else {
                note.problems = std::move(rendered.problems);
                result.treeOk = false;
            }
        };
        const auto renderNodes = [&](auto &self, QList<FolderNode> &nodes) -> void {
            for (FolderNode &node : nodes) {
                renderName(d->names[next], node.name, result.notes[next]);
                ++next;
                for (PlannedFile &file : node.files) {
                    renderName(d->fileNames[nextFile], file.name, result.fileNotes[nextFile]);
                    ++nextFile;
                }
                if (!node.children.isEmpty())
                    self(self, node.children);
            }
        };
        renderNodes(renderNodes, result.tree);
    }
    result.folder = d->project.render(values);
    if (memoised) {
        const std::lock_guard lock(d->memoLock);
        d->memo = Data::Memo{name, date, number, fieldValues, result};
    }
    return result;
}

PlanProblems ProjectPlan::problems(const QStringList &names, const QDate &date,
                                   const QHash<QString, QString> &given,
                                   std::optional<int> firstNumber) const
{
    PlanProblems result;
    const Fields::Resolved resolved = resolveFields(given);
    result.fields = resolved.problems;
    // A refused value is already named by its field problem.
    const auto namedByField = [&](const NameProblem &problem) {
        return problem.kind == NameProblem::Kind::unknownToken &&
               std::any_of(d->fields.cbegin(), d->fields.cend(),
                           [&](const FieldDefinition &field) { return field.key == problem.key; });
    };
    for (qsizetype i = 0; i < names.size(); ++i) {
        const std::optional<int> number =
            d->counts ? std::optional(firstNumber.value_or(1) + int(i)) : std::nullopt;
        const RenderedProject project = render(names.at(i), date, number, resolved.values);
        for (const NameProblem &problem : project.folder.problems) {
            if (!namedByField(problem))
                appendOnce(result.names, problem);
        }
        addProblems(result.names, project.notes, namedByField);
        addProblems(result.names, project.fileNotes, namedByField);
    }
    return result;
}

} // namespace bp
