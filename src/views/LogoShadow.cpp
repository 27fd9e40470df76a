#include "views/LogoShadow.h"

#include "views/BPLogoView.h"

#include <QCache>
#include <QImage>
#include <QPainter>

#include <cmath>
#include <vector>

namespace bp {
namespace {

std::vector<float> gaussianKernel(qreal sigma)
{
    const int half = std::max(1, int(std::ceil(sigma * 3)));
    std::vector<float> kernel(size_t(2 * half + 1));
    float sum = 0;
    for (int i = -half; i <= half; ++i) {
        const float weight = float(std::exp(-(i * i) / (2 * sigma * sigma)));
        kernel[size_t(i + half)] = weight;
        sum += weight;
    }
    for (float &weight : kernel)
        weight /= sum;
    return kernel;
}

// Blurs the alpha channel in two passes and paints it in one colour.
QImage blurredSilhouette(const QImage &alpha, qreal sigma, const QColor &color)
{
    const int w = alpha.width();
    const int h = alpha.height();
    const std::vector<float> kernel = gaussianKernel(sigma);
    const int half = int(kernel.size() / 2);
    std::vector<float> source(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(alpha.constScanLine(y));
        for (int x = 0; x < w; ++x)
            source[size_t(y) * size_t(w) + size_t(x)] = float(qAlpha(line[x])) / 255.0f;
    }
    std::vector<float> across(source.size());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float sum = 0;
            for (int k = -half; k <= half; ++k) {
                const int xx = x + k;
                if (xx >= 0 && xx < w)
                    sum += source[size_t(y) * size_t(w) + size_t(xx)] * kernel[size_t(k + half)];
            }
            across[size_t(y) * size_t(w) + size_t(x)] = sum;
        }
    QImage result(w, h, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < h; ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(result.scanLine(y));
        for (int x = 0; x < w; ++x) {
            float sum = 0;
            for (int k = -half; k <= half; ++k) {
                const int yy = y + k;
                if (yy >= 0 && yy < h)
                    sum += across[size_t(yy) * size_t(w) + size_t(x)] * kernel[size_t(k + half)];
            }
            const float a = std::clamp(sum * float(color.alphaF()), 0.0f, 1.0f);
            line[x] = qRgba(int(std::lround(color.red() * a)), int(std::lround(color.green() * a)),
                            int(std::lround(color.blue() * a)), int(std::lround(255 * a)));
        }
    }
    return result;
}

QCache<QString, QImage> &shadowCache()
{
    static QCache<QString, QImage> cache(8);
    return cache;
}

} // namespace

void LogoShadow::clearCache()
{
    shadowCache().clear();
}

void LogoShadow::paint(QPainter &painter, const QRectF &logoRect) const
{
    // A shadow's blur radius spreads the edge over about twice its standard deviation.
    const qreal sigma = blurRadius / 2;
    const qreal margin = std::ceil(sigma * 3) + 1;
    const qreal dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QString key = QStringLiteral("%1/%2/%3/%4")
                            .arg(logoRect.width())
                            .arg(color.rgba())
                            .arg(blurRadius)
                            .arg(dpr);
    QImage *image = shadowCache().object(key);
    if (!image) {
        const QSize pixels =
            (QSizeF(logoRect.size()) + QSizeF(2 * margin, 2 * margin)).toSize() * dpr;
        QImage silhouette(pixels, QImage::Format_ARGB32_Premultiplied);
        silhouette.fill(Qt::transparent);
        {
            QPainter p(&silhouette);
            p.scale(dpr, dpr);
            BPLogoView::paintLogo(p, QPointF(margin, margin), logoRect.width());
        }
        image = new QImage(blurredSilhouette(silhouette, sigma * dpr, color));
        image->setDevicePixelRatio(dpr);
        shadowCache().insert(key, image);
    }
    painter.drawImage(logoRect.topLeft() + offset - QPointF(margin, margin), *image);
}

} // namespace bp
