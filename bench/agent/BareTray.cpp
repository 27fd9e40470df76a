// The least a Qt tray application can be: an icon with a four-item menu and nothing else. The
// agent's start, memory and idle figures are measured against this one.
#include <QApplication>
#include <QIcon>
#include <QMenu>
#include <QPixmap>
#include <QSystemTrayIcon>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);

    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(QColor(0x1e, 0x6f, 0xd9));
        icon.addPixmap(pixmap);
    }
    QMenu menu;
    for (const char *title : {"New", "Undo", "Settings", "Quit"})
        menu.addAction(QString::fromLatin1(title));
    QObject::connect(menu.actions().last(), &QAction::triggered, &app, &QApplication::quit);

    QSystemTrayIcon tray(icon);
    tray.setToolTip(QStringLiteral("Bare tray"));
    tray.setContextMenu(&menu);
    tray.show();
    return QApplication::exec();
}
