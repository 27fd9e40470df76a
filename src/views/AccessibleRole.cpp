#include "views/AccessibleRole.h"

#include <QAccessibleWidget>
#include <QWidget>

namespace bp {
namespace {
const char *const roleProperty = "bpAccessibleRole";
} // namespace

void setAccessibleRole(QWidget *widget, QAccessible::Role role)
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory([](const QString &, QObject *object) -> QAccessibleInterface * {
            if (!object || !object->isWidgetType())
                return nullptr;
            const QVariant role = object->property(roleProperty);
            if (!role.isValid())
                return nullptr;
            return new QAccessibleWidget(static_cast<QWidget *>(object),
                                         QAccessible::Role(role.toInt()));
        });
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    widget->setProperty(roleProperty, int(role));
}

} // namespace bp
