#pragma once

#include "ProjectConfig.h"
#include "Result.h"

#include <QDate>
#include <QHash>

#include <optional>

namespace bp {

// What a project was made from, kept as a small hidden file in the project folder so that a
// template can be applied to it again later with the same names.
struct ProjectRecord {
    static inline const QString fileName = QStringLiteral(".brindlepath.json");
    static constexpr int currentVersion = 1;

    int version = currentVersion;
    std::optional<QUuid> customTemplateID;
    // The built-in template when there is no custom one.
    PlatformTemplate platform = PlatformTemplate::tikTokReels;
    ProjectType type = ProjectType::video;
    ExtraSet extras = {};
    QString name;                             // {naam} as typed
    QDate date;                               // {datum}
    std::optional<int> counter;               // {teller}
    QHash<QString, QString> fieldValues = {}; // as typed

    friend bool operator==(const ProjectRecord &, const ProjectRecord &) = default;

    // {"version":1,"customTemplate":"UUID"|absent,"template":raw,"type":raw,"extras":[raw…],
    //  "name":…,"date":"yyyy-MM-dd","counter":n|absent,"fields":{…}}
    QByteArray encode() const;
    // Unknown keys are ignored; a newer version, bad JSON or wrong types fail.
    static Result<ProjectRecord> decode(const QByteArray &json);
    // projectFolder/.brindlepath.json; a missing file fails with ENOENT.
    static Result<ProjectRecord> read(const QString &projectFolder);
    // Writes the record only when the project has none yet: an existing one is kept.
    Result<void> writeNew(const QString &projectFolder) const;

    // The configuration that renders this project's names again, into its parent folder.
    ProjectConfig config(const QString &projectFolder) const;
};

} // namespace bp
