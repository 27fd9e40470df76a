// The onboarding steps and settings tabs as pictures: saved for a person to look at, and
// checked for the palette where the layout puts it.
#include "SettingsTestSupport.h"

#include "stores/CustomTemplateStore.h"
#include "views/AboutTab.h"
#include "views/BPLogoView.h"
#include "views/GeneralTab.h"
#include "views/OnboardingView.h"
#include "views/SettingsView.h"
#include "views/StepIndicator.h"
#include "views/Style.h"
#include "views/TemplatesTab.h"
#include "views/ToggleSwitch.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>

namespace bp::test {
namespace {

using test::PrintTo;

QImage grabAndSave(QWidget &widget, const QString &file)
{
    const QImage image = widget.grab().toImage();
    QDir().mkpath(BP_SCREENSHOT_DIR);
    image.save(QDir(BP_SCREENSHOT_DIR).filePath(file));
    return image;
}

QPoint at(QWidget *widget, QWidget *window, QPoint point)
{
    return widget->mapTo(window, point);
}

// The desktop in light mode: the windows must stay dark anyway.
class LightDesktop {
public:
    LightDesktop() : m_saved(QApplication::palette())
    {
        QPalette light(Qt::white);
        light.setColor(QPalette::Window, QColor(240, 240, 240));
        light.setColor(QPalette::Base, Qt::white);
        light.setColor(QPalette::Text, Qt::black);
        light.setColor(QPalette::WindowText, Qt::black);
        QApplication::setPalette(light);
    }
    ~LightDesktop() { QApplication::setPalette(m_saved); }

private:
    QPalette m_saved;
};

struct OnboardingShot {
    const char *name;
    int step;
};

class OnboardingRendering : public ::testing::Test,
                            public ::testing::WithParamInterface<OnboardingShot> {
protected:
    void SetUp() override { clearPreferences(); }
    LightDesktop m_light;
    RecordingFileManagerSetup m_fileManagers;
};

TEST_P(OnboardingRendering, PaletteAppearsWhereTheLayoutPutsIt)
{
    const OnboardingShot &c = GetParam();
    OnboardingView view([] {}, m_fileManagers, PreferenceSuite::standard());
    ASSERT_TRUE(showActive(view));
    while (view.step() < c.step) {
        QTest::mouseClick(view.forwardButton(), Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !view.isAnimating(); }));
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const QImage image = grabAndSave(view, QStringLiteral("onboarding-%1.png").arg(c.name));
    ASSERT_EQ(image.size() / image.devicePixelRatio(), QSize(520, 400));
    EXPECT_EQ(view.windowTitle(), "Welkom bij Brindlepath");

    QWidget *header = view.findChild<QWidget *>("header");
    QWidget *footer = view.findChild<QWidget *>("footer");
    EXPECT_TRUE(near(image, {260, 3}, bpCard));
    EXPECT_TRUE(near(image, {260, header->geometry().bottom() + 1}, bpBorder));
    EXPECT_TRUE(near(image, {4, 200}, bpDark));
    EXPECT_TRUE(near(image, {260, footer->geometry().top() - 1}, bpBorder));
    EXPECT_TRUE(near(image, {260, 397}, bpCard));

    StepIndicator *indicator = view.stepIndicator();
    for (int i = 0; i < StepIndicator::count; ++i) {
        const QPoint centre = indicator->capsuleRect(i).center().toPoint();
        EXPECT_TRUE(near(image, at(indicator, &view, centre), i <= c.step ? bpBlue : bpBorder))
            << "capsule " << i;
    }
    QPushButton *forward = view.forwardButton();
    EXPECT_TRUE(near(image, at(forward, &view, {6, forward->height() / 2}), bpBlue));

    QWidget *content = view.stepContent();
    if (c.step == 0) {
        BPLogoView *logo = nullptr;
        for (BPLogoView *candidate : content->findChildren<BPLogoView *>())
            logo = candidate;
        ASSERT_NE(logo, nullptr);
        EXPECT_EQ(logo->logoSize(), 80);
        // Inside the folder, below the monogram.
        EXPECT_TRUE(near(image, at(logo, &view, {40, 66}), bpBlue));
        // The blue shadow shows under the logo, not beside the window's edge.
        const QColor shadow = image.pixelColor(at(logo, &view, {40, logo->height() + 4}));
        EXPECT_GT(shadow.blue(), bpDark.blue() + 12) << shadow.name().toStdString();
        EXPECT_TRUE(near(image, at(logo, &view, {-60, 40}), bpDark));
    } else {
        const QList<QWidget *> tiles = content->findChildren<QWidget *>();
        QWidget *badge = nullptr;
        for (QWidget *tile : tiles)
            if (tile->size() == QSize(72, 72))
                badge = tile;
        ASSERT_NE(badge, nullptr);
        const QColor fill = c.step == 1 ? bpCard : over(bpBlue, 0.12, bpDark);
        EXPECT_TRUE(near(image, at(badge, &view, {10, 36}), fill));
        EXPECT_TRUE(near(image, at(badge, &view, {1, 1}), bpDark)); // outside the circle
        if (c.step == 2) {
            int cards = 0;
            for (QWidget *tile : tiles)
                if (tile->size() == QSize(58, 58)) {
                    EXPECT_TRUE(near(image, at(tile, &view, {6, 29}), bpCard));
                    ++cards;
                }
            EXPECT_EQ(cards, 2);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Onboarding, OnboardingRendering,
                         ::testing::Values(OnboardingShot{"welcome", 0},
                                           OnboardingShot{"activate", 1},
                                           OnboardingShot{"ready", 2}),
                         byName);

struct SettingsShot {
    const char *name;
    int tab;
};

class SettingsRendering : public ::testing::Test,
                          public ::testing::WithParamInterface<SettingsShot> {
protected:
    void SetUp() override
    {
        clearPreferences();
        ASSERT_TRUE(
            Preferences::setDefaultBasePath("/Volumes/Work/Projects", PreferenceSuite::standard())
                .ok());
        ASSERT_TRUE(m_store.save("Bruiloft Jansen", {}).ok());
        ASSERT_TRUE(m_store.save("Merkfilm Zomer", {}).ok());
    }
    void TearDown() override { drainWrites(); }

    LightDesktop m_light;
    QTemporaryDir m_tmp;
    PreferenceSuite m_suite{PreferenceSuite::standardName, m_tmp.path() + "/prefs"};
    CustomTemplateStore m_store{m_suite};
    RecordingShortcutRegistrar m_shortcuts;
    RecordingLoginItem m_login{true};
};

TEST_P(SettingsRendering, PaletteAppearsWhereTheLayoutPutsIt)
{
    const SettingsShot &c = GetParam();
    SettingsView view(PreferenceSuite::standard(), m_store, m_shortcuts, m_login);
    ASSERT_TRUE(showActive(view));
    view.tabs()->setCurrentIndex(c.tab);
    if (c.tab == 1) {
        // A message in the bar, as after a failed import.
        view.templatesTab()->setOpenLocation(
            [this](QWidget *) { return m_tmp.filePath("geen-bestand.json"); });
        view.templatesTab()->importTemplates();
        view.templatesTab()->deleteButtons().first()->setFocus();
    }
    QCoreApplication::processEvents();
    const QImage image = grabAndSave(view, QStringLiteral("settings-%1.png").arg(c.name));
    ASSERT_EQ(image.size() / image.devicePixelRatio(), QSize(520, 420));

    EXPECT_TRUE(near(image, {2, 2}, bpDark));
    EXPECT_TRUE(near(image, {2, 417}, bpDark));
    QTabBar *bar = view.tabs()->tabBar();
    const QRect selected = bar->tabRect(c.tab);
    const QRect other = bar->tabRect((c.tab + 1) % 3);
    const QColor selectedFill =
        image.pixelColor(at(bar, &view, {selected.center().x(), selected.top() + 2}));
    const QColor otherFill =
        image.pixelColor(at(bar, &view, {other.center().x(), other.top() + 2}));
    EXPECT_GT(selectedFill.blue() - selectedFill.red(), otherFill.blue() - otherFill.red() + 10);

    if (c.tab == 0) {
        GeneralTab *tab = view.generalTab();
        QWidget *card = tab->launchAtLoginSwitch()->parentWidget();
        EXPECT_TRUE(near(image, at(card, &view, {card->width() / 2, 3}), bpCard));
        ToggleSwitch *toggle = tab->launchAtLoginSwitch();
        const QRect track = toggle->trackRect();
        EXPECT_TRUE(toggle->isChecked());
        EXPECT_TRUE(near(image, at(toggle, &view, {track.left() + 4, track.center().y()}), bpBlue));
        EXPECT_TRUE(tab->removeButton()->isVisible());
    } else if (c.tab == 1) {
        TemplatesTab *tab = view.templatesTab();
        QWidget *bar = tab->exportButton()->parentWidget();
        EXPECT_TRUE(near(image, at(bar, &view, {3, 3}), bpCard));
        // The list's own ground, left of its sections.
        QWidget *list = tab->list();
        for (const int y : {4, list->height() / 2, list->height() - 4})
            EXPECT_TRUE(near(image, at(list, &view, {4, y}), bpDark)) << y;
        auto *badge = tab->findChild<QLabel *>("badge");
        EXPECT_TRUE(near(image, at(badge, &view, {3, badge->height() / 2}), bpBorder));
        EXPECT_TRUE(tab->messageLabel()->isVisible());
        EXPECT_TRUE(tab->customSection()->isVisible());
    } else {
        AboutTab *tab = view.aboutTab();
        BPLogoView *logo = tab->logo();
        EXPECT_TRUE(near(image, at(tab, &view, {6, 6}), bpDark));
        EXPECT_TRUE(near(image, at(logo, &view, {36, 60}), bpBlue));
        const QColor shadow = image.pixelColor(at(logo, &view, {36, logo->height() + 4}));
        EXPECT_GT(shadow.blue(), bpDark.blue() + 10) << shadow.name().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Settings, SettingsRendering,
                         ::testing::Values(SettingsShot{"general", 0}, SettingsShot{"templates", 1},
                                           SettingsShot{"about", 2}),
                         byName);

} // namespace
} // namespace bp::test
