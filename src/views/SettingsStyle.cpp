#include "views/SettingsStyle.h"

#include "views/Style.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

namespace bp::SettingsStyle {

QLabel *sectionHeader(const QString &title)
{
    QLabel *label = Style::label(title, 11, QFont::DemiBold, bpText, 0.55);
    label->setContentsMargins(4, 0, 0, 0);
    return label;
}

QFrame *sectionCard()
{
    auto *card = new QFrame;
    card->setObjectName(QStringLiteral("sectionCard"));
    card->setStyleSheet(QStringLiteral("QFrame#sectionCard { background: %1; border: 1px solid %2;"
                                       " border-radius: 8px; }")
                            .arg(Style::css(bpCard), Style::css(bpBorder)));
    return card;
}

QPushButton *formButton(const QString &title, qreal size)
{
    auto *button = new QPushButton(title);
    button->setFont(Style::uiFont(size));
    button->setAutoDefault(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setStyleSheet(QStringLiteral("QPushButton { background: %1; color: %2;"
                                         " border: 1px solid %3; border-radius: 5px;"
                                         " padding: 3px 10px; }"
                                         "QPushButton:focus { border-color: %4; }"
                                         "QPushButton:pressed { background: %5; }")
                              .arg(Style::css(bpBorder), Style::css(bpText),
                                   Style::css(bpText, 0.12), Style::css(bpBlue, 0.85),
                                   Style::css(bpText, 0.2)));
    return button;
}

QString comboSheet()
{
    return QStringLiteral("QComboBox { background: %1; color: %2; border: 1px solid %3;"
                          " border-radius: 5px; padding: 3px 8px; }"
                          "QComboBox:focus { border-color: %4; }"
                          "QComboBox::drop-down { border: none; background: transparent;"
                          " width: 24px; }"
                          "QComboBox::down-arrow { image: none; width: 0; height: 0; }"
                          "QComboBox QAbstractItemView { background: %5; color: %2;"
                          " border: 1px solid %1; selection-background-color: %6;"
                          " outline: 0; }")
        .arg(Style::css(bpBorder), Style::css(bpText), Style::css(bpText, 0.12),
             Style::css(bpBlue, 0.85), Style::css(bpCard), Style::css(bpBlue, 0.35));
}

} // namespace bp::SettingsStyle
