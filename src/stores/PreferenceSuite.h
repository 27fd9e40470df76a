#pragma once

#include "model/Result.h"

#include <QByteArray>
#include <QJsonObject>
#include <QObject>
#include <QStringList>

#include <optional>

namespace bp {

// One named key-value preference store: a JSON object file
// $XDG_CONFIG_HOME/brindlepath/<name>.json. Values keep their types (Boolean, text, list of
// texts, data); a value of another type reads as absent. Every read sees the file as it is
// on disk now, so changes made by other processes show up; every write is a locked
// read-modify-write that replaces the file atomically.
class PreferenceSuite final : public QObject {
    Q_OBJECT
public:
    // The folder that holds every suite: $XDG_CONFIG_HOME/brindlepath (default ~/.config).
    static QString configDirectory();

    // The program's own store and the suite shared with the file-manager plug-in.
    static PreferenceSuite &standard();
    static PreferenceSuite &appGroup();

    static inline const QString standardName = QStringLiteral("com.quenmoor.brindlepath");

    // A suite in configDirectory(), looked up again on every access.
    explicit PreferenceSuite(const QString &name, QObject *parent = nullptr);
    // A suite in an explicit folder (tests).
    PreferenceSuite(const QString &name, const QString &directory, QObject *parent = nullptr);

    QString name() const { return m_name; }
    QString directory() const;
    QString filePath() const;

    bool contains(const QString &key) const;
    std::optional<bool> boolValue(const QString &key) const;
    std::optional<QString> stringValue(const QString &key) const;
    std::optional<QStringList> stringListValue(const QString &key) const;
    std::optional<QByteArray> dataValue(const QString &key) const;
    QStringList keys() const;

    Result<void> setBool(const QString &key, bool value);
    Result<void> setString(const QString &key, const QString &value);
    Result<void> setStringList(const QString &key, const QStringList &value);
    Result<void> setData(const QString &key, const QByteArray &value);
    // Removing a key that is not there is no error and writes nothing.
    Result<void> remove(const QString &key);

Q_SIGNALS:
    // Emitted after this object changed a key on disk.
    void valueChanged(const QString &key);

private:
    QJsonObject readObject() const;
    // Locked read-modify-write; a null value removes the key.
    Result<void> write(const QString &key, const std::optional<QJsonValue> &value);

    QString m_name;
    QString m_directory; // empty: follow XDG_CONFIG_HOME
};

} // namespace bp
