#include "ViewTestSupport.h"

#include "views/BPLogoView.h"
#include "views/GoldButtonStyle.h"
#include "views/GoldOutlineButtonStyle.h"
#include "views/PreviewPanel.h"
#include "views/Style.h"
#include "views/SuccessOverlay.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>

namespace bp::test {
namespace {

enum class Shot { empty, filled, batch, error, success };

struct ShotCase {
    Shot shot;
    const char *file;
    bool createEnabled;
};

void PrintTo(const ShotCase &c, std::ostream *os)
{
    *os << c.file;
}

QColor over(const QColor &top, qreal opacity, const QColor &below)
{
    return QColor::fromRgbF(float(top.redF() * opacity + below.redF() * (1 - opacity)),
                            float(top.greenF() * opacity + below.greenF() * (1 - opacity)),
                            float(top.blueF() * opacity + below.blueF() * (1 - opacity)));
}

class RenderingTest : public WindowFixture, public ::testing::WithParamInterface<ShotCase> {
protected:
    void arrange(Shot shot)
    {
        switch (shot) {
        case Shot::empty:
            edit([](ProjectConfig &c) {
                c.projectName.clear();
                c.targetFolderURL.reset();
            });
            break;
        case Shot::filled:
            ASSERT_TRUE(CustomTemplateStore::shared().save("Mijn template", {}).ok());
            edit([](ProjectConfig &c) { c.projectName = "Nike_Shoot_Zomer"; });
            break;
        case Shot::batch:
            edit([](ProjectConfig &c) {
                c.batchMode = true;
                c.batchNames = "Nike_Shoot_Maandag\nAdidas_Shoot_Dinsdag\nPuma_Shoot_Woensdag";
            });
            break;
        case Shot::error: {
            const QString blocker = QDir(m_dir.path()).filePath("file-in-the-way");
            QFile file(blocker);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            edit([&](ProjectConfig &c) {
                c.projectName = "Nike_Shoot_Zomer";
                c.targetFolderURL = blocker;
            });
            static_cast<void>(m_model->createStructure());
            ASSERT_TRUE(QTest::qWaitFor([this] { return m_model->errorMessage().has_value(); }));
            break;
        }
        case Shot::success:
            edit([](ProjectConfig &c) {
                c.projectName = "Nike_Shoot_Zomer";
                c.sortExistingFiles = false;
            });
            static_cast<void>(m_model->createStructure());
            ASSERT_TRUE(
                QTest::qWaitFor([this] { return m_window->successOverlay()->opacity() >= 1.0; }));
            break;
        }
        // Settle the preview's cross-fade so the picture shows the new state only.
        ASSERT_TRUE(QTest::qWaitFor([this] { return !m_window->previewPanel()->isFading(); }));
        QCoreApplication::processEvents();
    }

    QPoint centreOf(QWidget *widget) const
    {
        return widget->mapTo(m_window.get(), widget->rect().center());
    }
};

TEST_P(RenderingTest, PaletteAppearsWhereTheLayoutPutsIt)
{
    const ShotCase &c = GetParam();
    arrange(c.shot);
    const QImage image = m_window->grab().toImage();
    ASSERT_EQ(image.size() / image.devicePixelRatio(), QSize(640, 480));
    QDir().mkpath(BP_SCREENSHOT_DIR);
    image.save(QDir(BP_SCREENSHOT_DIR).filePath(c.file));
    if (c.shot == Shot::filled) {
        // The lower half of the form, for a person to look at.
        FormPanel *form = m_window->formPanel();
        form->verticalScrollBar()->setValue(form->verticalScrollBar()->maximum());
        form->grab().save(QDir(BP_SCREENSHOT_DIR).filePath("filled-form-bottom.png"));
        form->verticalScrollBar()->setValue(0);
    }

    const qreal dim = c.shot == Shot::success ? 0.92 : 0.0;
    const auto seen = [dim](const QColor &color) { return over(bpDark, dim, color); };

    // Form background, header band, the rule under it, and the logo's blue.
    EXPECT_TRUE(near(image, {5, 200}, seen(bpDark)));
    EXPECT_TRUE(near(image, {320, 4}, seen(bpCard)));
    QWidget *header = find<QWidget>("header");
    EXPECT_TRUE(near(image, {320, header->geometry().bottom() + 1}, seen(bpBorder)));
    auto *logo = m_window->findChild<BPLogoView *>();
    ASSERT_NE(logo, nullptr);
    const QPoint logoAt = logo->mapTo(m_window.get(), QPoint(20, 10));
    EXPECT_TRUE(near(image, logoAt, seen(bpBlue)));

    QPushButton *create = m_window->createButton();
    const QPoint fillAt = create->mapTo(m_window.get(), QPoint(5, create->height() / 2));
    const QColor buttonFill = c.createEnabled ? bpBlue : over(bpBlue, 0.35, bpCard);
    EXPECT_TRUE(near(image, fillAt, seen(buttonFill)));

    QWidget *errorBar = m_window->errorBar();
    EXPECT_EQ(errorBar->isVisible(), c.shot == Shot::error);
    if (c.shot == Shot::error) {
        const QPoint at = errorBar->mapTo(m_window.get(), QPoint(errorBar->width() - 3, 3));
        EXPECT_TRUE(near(image, at, over(bpRed, 0.07, bpDark)));
    }
    if (c.shot == Shot::success) {
        QLabel *check = nullptr;
        for (QLabel *label : m_window->successOverlay()->findChildren<QLabel *>())
            if (label->accessibleName() == "Gelukt")
                check = label;
        ASSERT_NE(check, nullptr);
        EXPECT_TRUE(near(image, centreOf(check) - QPoint(0, 16), bpBlue));
        EXPECT_EQ(m_window->successOverlay()->message(), "Structuur aangemaakt!");
    }
    if (c.shot == Shot::empty) {
        EXPECT_TRUE(m_window->previewPanel()->showsEmptyState());
        EXPECT_EQ(labelText("previewEmptyText"), "Voer een projectnaam in");
    }
}

INSTANTIATE_TEST_SUITE_P(States, RenderingTest,
                         ::testing::Values(ShotCase{Shot::empty, "empty.png", false},
                                           ShotCase{Shot::filled, "filled.png", true},
                                           ShotCase{Shot::batch, "batch.png", true},
                                           ShotCase{Shot::error, "error.png", true},
                                           ShotCase{Shot::success, "success.png", true}),
                         [](const ::testing::TestParamInfo<ShotCase> &info) {
                             return QFileInfo(info.param.file).baseName().toStdString();
                         });

TEST(LogoTest, FolderSpansTheGridAtAnySize)
{
    for (const int size : {72, 36}) {
        if (size == 72) {
            QImage big(288, 288, QImage::Format_ARGB32_Premultiplied);
            big.fill(bpDark);
            QPainter bigPainter(&big);
            BPLogoView::paintLogo(bigPainter, QPointF(0, 0), 288);
            bigPainter.end();
            QDir().mkpath(BP_SCREENSHOT_DIR);
            big.save(QDir(BP_SCREENSHOT_DIR).filePath("logo.png"));
        }
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        BPLogoView::paintLogo(painter, QPointF(0, 0), size);
        painter.end();
        const qreal unit = size / 72.0;
        // Inside the folder, left of the monogram; outside it above the tab; a letter stem.
        EXPECT_TRUE(near(image, QPoint(int(9 * unit), int(40 * unit)), bpBlue)) << size;
        EXPECT_EQ(image.pixelColor(int(40 * unit), int(10 * unit)).alpha(), 0) << size;
        EXPECT_EQ(image.pixelColor(int(3 * unit), int(40 * unit)).alpha(), 0) << size;
        EXPECT_TRUE(near(image, QPoint(int(15 * unit), int(40 * unit)), bpDark)) << size;
    }
}

struct ButtonShot {
    bool outline;
    bool pressed;
    qreal opacity; // of bpBlue over the dark ground where the shape is drawn
};

class ButtonStyleTest : public ::testing::TestWithParam<ButtonShot> {};

TEST_P(ButtonStyleTest, PressedStateDimsTheShape)
{
    QWidget ground;
    Style::applyDarkPalette(&ground);
    auto *button = new QPushButton(QStringLiteral("Volgende"), &ground);
    if (GetParam().outline)
        GoldOutlineButtonStyle::apply(button);
    else
        GoldButtonStyle::apply(button);
    button->adjustSize();
    ground.resize(button->size());
    button->setDown(GetParam().pressed);
    const QImage image = ground.grab().toImage();
    // Padded 18 by 8 around the label.
    const QFontMetrics metrics(button->font());
    EXPECT_EQ(button->width(), metrics.horizontalAdvance(button->text()) + 36);
    EXPECT_EQ(button->height(), metrics.height() + 16);
    // The fill left of the label, or the top edge of the outline.
    const QPoint at =
        GetParam().outline ? QPoint(button->width() / 2, 0) : QPoint(4, button->height() / 2);
    EXPECT_TRUE(near(image, at, over(bpBlue, GetParam().opacity, bpDark)));
}

INSTANTIATE_TEST_SUITE_P(Styles, ButtonStyleTest,
                         ::testing::Values(ButtonShot{false, false, 1.0},
                                           ButtonShot{false, true, 0.75},
                                           ButtonShot{true, false, 0.5},
                                           ButtonShot{true, true, 0.35}),
                         [](const ::testing::TestParamInfo<ButtonShot> &info) {
                             return std::string(info.param.outline ? "Outline" : "Filled") +
                                    (info.param.pressed ? "Pressed" : "Released");
                         });

} // namespace
} // namespace bp::test
