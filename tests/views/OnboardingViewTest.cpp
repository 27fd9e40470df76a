#include "SettingsTestSupport.h"
#include "support/TestSupport.h"

#include "views/OnboardingView.h"
#include "views/StepIndicator.h"
#include "views/Style.h"

#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>

#include <memory>

namespace bp::test {
namespace {

using test::PrintTo;

class OnboardingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        clearPreferences();
        m_view = std::make_unique<OnboardingView>(
            [this] {
                // What a shell would read inside its callback.
                completedSeenByCallback.append(
                    Preferences::onboardingCompleted(PreferenceSuite::standard()));
            },
            m_fileManagers, PreferenceSuite::standard());
        ASSERT_TRUE(showActive(*m_view));
    }

    void TearDown() override
    {
        m_view.reset();
        drainWrites();
    }

    void settle()
    {
        ASSERT_TRUE(QTest::qWaitFor([this] { return !m_view->isAnimating(); }));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    void goTo(int step)
    {
        while (m_view->step() < step) {
            QTest::mouseClick(m_view->forwardButton(), Qt::LeftButton);
            settle();
        }
    }
    QStringList labelTexts() const
    {
        QStringList texts;
        for (QLabel *label : m_view->stepContent()->findChildren<QLabel *>())
            texts.append(accessibleName(label));
        return texts;
    }

    RecordingFileManagerSetup m_fileManagers;
    QList<bool> completedSeenByCallback;
    std::unique_ptr<OnboardingView> m_view;
};

struct StepCase {
    const char *name;
    int step;
    const char *content;
    const char *forwardTitle;
    bool backShown;
    QStringList texts;
};

class OnboardingSteps : public OnboardingTest, public ::testing::WithParamInterface<StepCase> {};

TEST_P(OnboardingSteps, ShowTheirContentFooterAndIndicator)
{
    const StepCase &c = GetParam();
    goTo(c.step);

    EXPECT_EQ(m_view->stepContent()->objectName(), c.content);
    for (const QString &text : c.texts)
        EXPECT_TRUE(labelTexts().contains(text)) << text.toStdString();
    EXPECT_EQ(m_view->forwardButton()->text(), c.forwardTitle);
    EXPECT_EQ(m_view->backButton()->isVisible(), c.backShown);
    // The forward button always ends the footer, 28 from its right edge.
    QWidget *footer = m_view->forwardButton()->parentWidget();
    EXPECT_EQ(m_view->forwardButton()->geometry().right(), footer->width() - 28 - 1);

    StepIndicator *indicator = m_view->stepIndicator();
    for (int i = 0; i < StepIndicator::count; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(indicator->capsuleWidth(i), i == c.step ? 22 : 8);
        EXPECT_EQ(indicator->capsuleColor(i), i <= c.step ? bpBlue : bpBorder);
    }
    EXPECT_EQ(accessibleName(indicator), QString("Stap %1 van 3").arg(c.step + 1));
}

INSTANTIATE_TEST_SUITE_P(
    Onboarding, OnboardingSteps,
    ::testing::Values(
        StepCase{"welcome",
                 0,
                 "stepWelcome",
                 "Volgende →",
                 false,
                 {"Welkom bij Brindlepath",
                  "Maak in 10 seconden een complete projectmapstructuur voor foto- en "
                  "videoprojecten — rechtstreeks vanuit bestandsbeheer of via het systeemvak."}},
        StepCase{"activate",
                 1,
                 "stepActivate",
                 "Volgende →",
                 true,
                 {"Actie in bestandsbeheer",
                  "Rechtsklik op een map in bestandsbeheer → Scripts of Acties → Brindlepath - "
                  "Maak Structuur",
                  "Voegt de actie toe aan elk bestandsbeheer op deze computer"}},
        StepCase{"ready",
                 2,
                 "stepReady",
                 "Aan de slag →",
                 true,
                 {"Klaar om te beginnen!", "Rechtsklik in bestandsbeheer", "of",
                  "Icoon in het systeemvak"}}),
    byName);

struct MoveCase {
    const char *name;
    int from;
    bool forward;
};

class OnboardingMoves : public OnboardingTest, public ::testing::WithParamInterface<MoveCase> {};

// Forward and back both bring the new content in from the right and send the old one left.
TEST_P(OnboardingMoves, NewContentEntersFromTheTrailingEdge)
{
    const MoveCase &c = GetParam();
    goTo(c.from);
    QWidget *old = m_view->stepContent();
    QTest::mouseClick(c.forward ? m_view->forwardButton() : m_view->backButton(), Qt::LeftButton);
    QWidget *incoming = m_view->stepContent();
    ASSERT_NE(incoming, old);
    EXPECT_EQ(m_view->step(), c.from + (c.forward ? 1 : -1));

    ASSERT_TRUE(m_view->isAnimating());
    // At the start the new content waits beyond the right edge, fully transparent.
    EXPECT_EQ(incoming->x(), incoming->parentWidget()->width());
    auto *fade = qobject_cast<QGraphicsOpacityEffect *>(incoming->graphicsEffect());
    ASSERT_NE(fade, nullptr);
    EXPECT_EQ(fade->opacity(), 0.0);
    EXPECT_EQ(old->x(), 0);

    QPointer<QWidget> leaving(old);
    int lastIncomingX = incoming->x();
    int lastLeavingX = old->x();
    bool monotonic = true;
    while (m_view->isAnimating()) {
        QTest::qWait(10);
        if (incoming->x() > lastIncomingX || (leaving && leaving->x() > lastLeavingX))
            monotonic = false;
        lastIncomingX = incoming->x();
        if (leaving)
            lastLeavingX = leaving->x();
    }
    EXPECT_TRUE(monotonic);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(incoming->x(), 0);
    EXPECT_EQ(incoming->graphicsEffect(), nullptr);
    EXPECT_TRUE(leaving.isNull());
}

INSTANTIATE_TEST_SUITE_P(Onboarding, OnboardingMoves,
                         ::testing::Values(MoveCase{"forwardFromWelcome", 0, true},
                                           MoveCase{"forwardFromActivate", 1, true},
                                           MoveCase{"backFromReady", 2, false},
                                           MoveCase{"backFromActivate", 1, false}),
                         byName);

TEST_F(OnboardingTest, FinishingWritesTheKeyBeforeCallingBackOnce)
{
    goTo(2);
    QTest::mouseClick(m_view->forwardButton(), Qt::LeftButton);
    // A second press while the write is on its way must not finish twice.
    QTest::mouseClick(m_view->forwardButton(), Qt::LeftButton);
    drainWrites();
    EXPECT_EQ(completedSeenByCallback, QList<bool>{true});
    EXPECT_TRUE(Preferences::onboardingCompleted(PreferenceSuite::standard()));
}

TEST_F(OnboardingTest, AFinishThatCannotBeStoredSaysWhyAndStaysOpen)
{
    goTo(2);
    const QString folder = PreferenceSuite::standard().directory();
    ASSERT_TRUE(QDir().mkpath(folder));
    if (const int err = setImmutable(folder, true))
        GTEST_SKIP() << "the config folder cannot be made read-only here: " << strerror(err);
    const auto unlock = qScopeGuard([&] { setImmutable(folder, false); });
    QTest::mouseClick(m_view->forwardButton(), Qt::LeftButton);
    drainWrites();
    QTRY_VERIFY(m_view->messageLabel()->isVisible());
    setImmutable(folder, false);
    EXPECT_TRUE(accessibleName(m_view->messageLabel()).startsWith("Kon instelling niet opslaan: "));
    EXPECT_TRUE(completedSeenByCallback.isEmpty());

    // Once the folder can be written again, finishing goes through.
    QTest::mouseClick(m_view->forwardButton(), Qt::LeftButton);
    drainWrites();
    QTRY_COMPARE(completedSeenByCallback, QList<bool>{true});
    EXPECT_EQ(completedSeenByCallback, QList<bool>{true});
}

class OnboardingClose : public OnboardingTest, public ::testing::WithParamInterface<int> {};

TEST_P(OnboardingClose, ClosingWritesNothing)
{
    goTo(GetParam());
    m_view->close();
    drainWrites();
    EXPECT_FALSE(PreferenceSuite::standard().contains(PreferenceKeys::onboardingCompleted));
    EXPECT_TRUE(completedSeenByCallback.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Onboarding, OnboardingClose, ::testing::Values(0, 1, 2),
                         [](const auto &info) { return "atStep" + std::to_string(info.param); });

TEST_F(OnboardingTest, PrepareButtonSaysWhereEachFileManagerShowsTheEntry)
{
    using S = FileManagerSetup::State;
    using M = FileManagerSetup::Manager;
    goTo(1);
    m_fileManagers.entries = {{M::nautilus, S::ready},
                              {M::nemo, S::ready},
                              {M::dolphin, S::failed},
                              {M::thunar, S::ready}};
    QTest::mouseClick(m_view->prepareButton(), Qt::LeftButton);
    QSignalSpy prepared(m_view.get(), &OnboardingView::fileManagersPrepared);
    ASSERT_TRUE(prepared.wait());
    EXPECT_EQ(accessibleName(m_view->fileManagerHint()),
              "Nautilus: Scripts → Brindlepath - Maak Structuur, Nemo, Thunar: direct in het "
              "menu, Dolphin: mislukt, kon niet schrijven");
    EXPECT_EQ(m_fileManagers.runs, 1);
    EXPECT_EQ(m_view->step(), 1);
    EXPECT_FALSE(PreferenceSuite::standard().contains(PreferenceKeys::onboardingCompleted));
}

TEST_F(OnboardingTest, WithoutATrayTheTextsPointAtTheAppOverviewAndTheShortcut)
{
    m_view->setTrayShown(false);
    EXPECT_TRUE(labelTexts().contains("Maak in 10 seconden een complete projectmapstructuur voor "
                                      "foto- en videoprojecten — rechtstreeks vanuit "
                                      "bestandsbeheer, het appoverzicht of met Ctrl+Alt+N."));
    goTo(2);
    const QStringList texts = labelTexts();
    EXPECT_TRUE(texts.contains("Appoverzicht of Ctrl+Alt+N"));
    EXPECT_TRUE(texts.contains("Rechtsklik op Brindlepath in het appoverzicht voor Nieuwe "
                               "projectstructuur… of Instellingen…"));
    EXPECT_FALSE(texts.join(' ').contains("systeemvak"));
    // A tray host that answers later brings the tray back into the texts.
    m_view->setTrayShown(true);
    EXPECT_TRUE(labelTexts().contains("Icoon in het systeemvak"));
}

TEST_F(OnboardingTest, KeyboardAloneGoesThroughEveryStepAndFinishes)
{
    // Opens ready to go on, its focus shown only once a key is pressed.
    EXPECT_EQ(QApplication::focusWidget(), m_view->forwardButton());
    const QImage quiet = m_view->forwardButton()->grab().toImage();
    QTest::keyClick(m_view->forwardButton(), Qt::Key_Tab);
    EXPECT_NE(m_view->forwardButton()->grab().toImage(), quiet);
    QTest::keyClick(m_view->forwardButton(), Qt::Key_Return);
    settle();
    ASSERT_EQ(m_view->step(), 1);

    // Step 1: the file-manager button, back and forward, in a cycle.
    QPushButton *open = m_view->prepareButton();
    const QList<QWidget *> cycle = tabCycle(*m_view);
    EXPECT_EQ(cycle.size(), 3);
    EXPECT_TRUE(cycle.contains(open));
    EXPECT_TRUE(cycle.contains(m_view->backButton()));
    open->setFocus();
    QTest::keyClick(open, Qt::Key_Space);
    EXPECT_TRUE(QTest::qWaitFor([this] { return m_fileManagers.runs == 1; }));

    m_view->backButton()->setFocus();
    QTest::keyClick(m_view->backButton(), Qt::Key_Space);
    settle();
    EXPECT_EQ(m_view->step(), 0);
    // The back button went away with focus in it; focus lands on the way forward.
    EXPECT_EQ(QApplication::focusWidget(), m_view->forwardButton());
    EXPECT_EQ(tabCycle(*m_view), QList<QWidget *>{m_view->forwardButton()});

    QTest::keyClick(m_view->forwardButton(), Qt::Key_Space);
    settle();
    QTest::keyClick(m_view->forwardButton(), Qt::Key_Return);
    settle();
    ASSERT_EQ(m_view->step(), 2);
    QTest::keyClick(m_view->forwardButton(), Qt::Key_Return);
    drainWrites();
    EXPECT_EQ(completedSeenByCallback, QList<bool>{true});
}

class OnboardingAccessibility : public OnboardingTest, public ::testing::WithParamInterface<int> {};

// Every text, picture and control of the step reaches assistive technology by name and role.
TEST_P(OnboardingAccessibility, EveryWidgetHasANameAndARole)
{
    goTo(GetParam());
    int named = 0;
    for (QWidget *widget : m_view->findChildren<QWidget *>()) {
        // Containers only group; the leaves are what a user perceives.
        if (!widget->isVisible() ||
            !widget->findChildren<QWidget *>(Qt::FindDirectChildrenOnly).isEmpty())
            continue;
        const QAccessible::Role role = accessibleRole(widget);
        if (role == QAccessible::Separator || widget->height() <= 1)
            continue; // the rules
        SCOPED_TRACE(widget->metaObject()->className());
        const QString name = accessibleName(widget);
        EXPECT_FALSE(name.isEmpty());
        EXPECT_FALSE(name.contains('<')) << name.toStdString();
        EXPECT_NE(role, QAccessible::Client) << name.toStdString();
        EXPECT_NE(role, QAccessible::NoRole) << name.toStdString();
        ++named;
    }
    EXPECT_GE(named, 5);
    EXPECT_EQ(accessibleRole(m_view->forwardButton()), QAccessible::Button);
    EXPECT_EQ(accessibleRole(m_view->stepIndicator()), QAccessible::StaticText);
}

INSTANTIATE_TEST_SUITE_P(Onboarding, OnboardingAccessibility, ::testing::Values(0, 1, 2),
                         [](const auto &info) { return "step" + std::to_string(info.param); });

} // namespace
} // namespace bp::test
