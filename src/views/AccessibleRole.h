#pragma once

#include <QAccessible>

class QWidget;

namespace bp {

// Gives a widget that paints itself the role assistive technology announces it with (Qt
// would report a plain pane). Call before anything else reaches its accessibility, setting
// its accessible name included: the first interface made for a widget is kept.
void setAccessibleRole(QWidget *widget, QAccessible::Role role);

} // namespace bp
