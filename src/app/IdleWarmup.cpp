#include "IdleWarmup.h"

#include "views/BPLogoView.h"
#include "views/GoldButtonStyle.h"
#include "views/Style.h"
#include "views/SymbolIcons.h"

#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSplitter>
#include <QStandardItemModel>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace bp {

void warmUpWindows()
{
    // Outlives the view below that shows it.
    QStandardItemModel folders;
    QWidget sample;
    Style::applyDarkPalette(&sample);
    sample.setStyleSheet(Style::windowStyleSheet());
    auto *column = new QVBoxLayout(&sample);
    // The marks come from other faces than the letters: finding those is the costly part.
    const QString text = QStringLiteral("Brindlepath 2026 — Maak structuur → ← … × é ✓ 📅");
    for (const QFont::Weight weight : {QFont::Normal, QFont::DemiBold, QFont::Bold})
        column->addWidget(Style::label(text, 13, weight, bpText));
    auto *mono = Style::label(text, 11.5, QFont::Normal, bpText);
    mono->setFont(Style::monoFont(11.5));
    column->addWidget(mono);
    auto *field = new QLineEdit(text);
    field->setStyleSheet(Style::fieldSheet(QStringLiteral("QLineEdit"), 7, 8, 10));
    column->addWidget(field);
    auto *button = new QPushButton(text);
    GoldButtonStyle::apply(button);
    button->setGraphicsEffect(new QGraphicsOpacityEffect(button));
    column->addWidget(button);
    column->addWidget(new BPLogoView(24));
    auto *icon = new QLabel;
    icon->setPixmap(SymbolIcons::pixmap(QStringLiteral("folder.fill"), bpBlue, 16));
    column->addWidget(icon);
    column->addWidget(new QToolButton);
    column->addWidget(new QPlainTextEdit(text));

    // The form scrolls beside a tree of the folders to be made.
    auto *splitter = new QSplitter;
    auto *scroll = new QScrollArea;
    scroll->setWidget(new QLabel(text));
    splitter->addWidget(scroll);
    folders.appendRow(new QStandardItem(text));
    folders.item(0)->appendRow(new QStandardItem(text));
    auto *tree = new QTreeView;
    tree->setModel(&folders);
    tree->expandAll();
    splitter->addWidget(tree);
    column->addWidget(splitter);

    QPixmap canvas(sample.sizeHint());
    sample.render(&canvas);
}

} // namespace bp
