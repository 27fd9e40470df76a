// Placeholder until the shared library's reading and watching land; lists nothing.
#include "SharedTemplateLibrary.h"

namespace bp {

struct SharedTemplateLibrary::State {
    PreferenceSuite &standard;
    QList<CustomTemplate> templates;
    QStringList problems;
};

SharedTemplateLibrary::SharedTemplateLibrary(PreferenceSuite &standard, QObject *parent)
    : QObject(parent), d(new State{standard, {}, {}})
{}

SharedTemplateLibrary::~SharedTemplateLibrary() = default;

QString SharedTemplateLibrary::folder() const
{
    return {};
}

bool SharedTemplateLibrary::isOffline() const
{
    return false;
}

const QList<CustomTemplate> &SharedTemplateLibrary::templates() const
{
    return d->templates;
}

const QStringList &SharedTemplateLibrary::problems() const
{
    return d->problems;
}

void SharedTemplateLibrary::setWatching(bool) {}

void SharedTemplateLibrary::reload() {}

} // namespace bp
