// Renders the application's icons for the hicolor theme from the same painters the windows
// use, so the installed icons can never disagree with the logo in the program.

#include "views/BPLogoView.h"
#include "views/SymbolIcons.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>
#include <QTextStream>

#include <array>

namespace {

const QString iconName = QStringLiteral("com.quenmoor.brindlepath");
constexpr std::array pixelSizes{16, 22, 24, 32, 48, 64, 128, 256, 512};
// Symbolic icons are recoloured by the desktop; this grey is the theme's convention.
const QColor symbolicInk = QColor(0xbe, 0xbe, 0xbe);

bool makeFolderFor(const QString &file)
{
    return QDir().mkpath(QFileInfo(file).absolutePath());
}

bool writePng(const QString &file, int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        bp::BPLogoView::paintLogo(painter, QPointF(0, 0), size);
    }
    return makeFolderFor(file) && image.save(file, "PNG");
}

template <typename Paint> bool writeSvg(const QString &file, int size, Paint paint)
{
    if (!makeFolderFor(file))
        return false;
    QSvgGenerator generator;
    generator.setFileName(file);
    generator.setSize(QSize(size, size));
    generator.setViewBox(QRect(0, 0, size, size));
    generator.setTitle(QStringLiteral("Brindlepath"));
    QPainter painter;
    if (!painter.begin(&generator))
        return false;
    paint(painter);
    return painter.end();
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList arguments = QGuiApplication::arguments();
    if (arguments.size() != 2) {
        err << "usage: brindlepath-icons OUTPUT_DIR\n";
        return 2;
    }
    const QDir out(arguments[1]);
    const auto fail = [&err](const QString &file) {
        err << "brindlepath-icons: cannot write " << file << '\n';
        return 1;
    };

    for (const int size : pixelSizes) {
        const QString file =
            out.filePath(QStringLiteral("hicolor/%1x%1/apps/%2.png").arg(size).arg(iconName));
        if (!writePng(file, size))
            return fail(file);
    }
    const QString logo = out.filePath(QStringLiteral("hicolor/scalable/apps/%1.svg").arg(iconName));
    if (!writeSvg(logo, 72,
                  [](QPainter &painter) { bp::BPLogoView::paintLogo(painter, QPointF(0, 0), 72); }))
        return fail(logo);
    const QString symbolic =
        out.filePath(QStringLiteral("hicolor/symbolic/apps/%1-symbolic.svg").arg(iconName));
    if (!writeSvg(symbolic, 16, [](QPainter &painter) {
            bp::SymbolIcons::paint(painter, QRectF(0, 0, 16, 16), QStringLiteral("folder.fill"),
                                   symbolicInk);
        }))
        return fail(symbolic);
    return 0;
}
