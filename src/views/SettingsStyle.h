#pragma once

#include <QString>

class QFrame;
class QLabel;
class QPushButton;

namespace bp::SettingsStyle {

// The grouped-form look of the settings window: a caption above each section, the section's
// rows on a rounded card.
QLabel *sectionHeader(const QString &title);
QFrame *sectionCard();

// An ordinary bordered push button of the form, at this text size; Return presses it when
// it has focus.
QPushButton *formButton(const QString &title, qreal size);

// The platform picker and text fields on the dark cards.
QString comboSheet();

} // namespace bp::SettingsStyle
