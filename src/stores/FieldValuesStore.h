#pragma once

#include "PreferenceSuite.h"

#include <QFuture>
#include <QHash>
#include <QUuid>

namespace bp::FieldValuesStore {

// The field values last used with each custom template, under one key of a suite:
// {"<template id>": {"<field key>": "<value>"}}.
inline const QString key = QStringLiteral("fieldValues");

// The values last used with the template; none when there are none or they cannot be read.
QHash<QString, QString> values(const PreferenceSuite &suite, const QUuid &templateID);

// Replaces the template's values and keeps every other template's, as a read-modify-write
// under the suite's lock on its writer thread. A stored value that is not an object is
// copied aside before it is replaced.
QFuture<Result<void>> rememberLater(PreferenceSuite &suite, const QUuid &templateID,
                                    const QHash<QString, QString> &values);

} // namespace bp::FieldValuesStore
