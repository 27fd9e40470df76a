#pragma once

// Shared by the onboarding and settings window tests.

#include "ViewTestSupport.h"
#include "platform/FileManagerSetup.h"
#include "platform/LoginItem.h"
#include "platform/ShortcutRegistrar.h"
#include "stores/Preferences.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QImage>
#include <QTest>
#include <QThreadPool>
#include <QWidget>

#include <atomic>
#include <optional>

namespace bp::test {

// Names a parameterised case by its `name` field.
inline constexpr auto byName = [](const auto &info) { return std::string(info.param.name); };

// Prints such a case by its name too (bring it in with `using test::PrintTo;`).
template <typename Case>
requires requires(const Case &c)
{
    std::string(c.name);
}
void PrintTo(const Case &c, std::ostream *os)
{
    *os << c.name;
}

class RecordingFileManagerSetup final : public FileManagerSetup {
public:
    QList<Entry> prepare() override
    {
        ++runs;
        return entries;
    }
    QList<Entry> entries;
    std::atomic<int> runs = 0;
};

// Answers every request with outcome.
class RecordingShortcutRegistrar final : public ShortcutRegistrar {
public:
    void requestRegistration(Done done) override
    {
        ++requests;
        done(outcome);
    }
    int requests = 0;
    ShortcutRegistration outcome = ShortcutRegistration::added;
};

// Starts in the given state; a set failure makes every change fail and change nothing.
class RecordingLoginItem final : public LoginItem {
public:
    explicit RecordingLoginItem(bool enabled = false) : enabled(enabled) {}
    bool isEnabled() const override { return enabled; }
    Result<void> setEnabled(bool on) override
    {
        requested.append(on);
        if (failure)
            return *failure;
        enabled = on;
        return success();
    }
    bool enabled;
    std::optional<Error> failure;
    QList<bool> requested;
};

// Lets every preference write asked for so far land, and its continuations run.
inline void drainWrites()
{
    PreferenceSuite::writer().waitForDone();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

inline void clearPreferences()
{
    drainWrites();
    PreferenceSuite &suite = PreferenceSuite::standard();
    for (const QString &key : {PreferenceKeys::onboardingCompleted, PreferenceKeys::defaultTemplate,
                               PreferenceKeys::defaultBasePath})
        ASSERT_TRUE(suite.remove(key).ok());
}

// Shows the widget as an active window, so focus and key presses reach it.
inline ::testing::AssertionResult showActive(QWidget &window)
{
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return ::testing::AssertionFailure() << "window not exposed";
    window.activateWindow();
    if (!QTest::qWaitForWindowActive(&window))
        return ::testing::AssertionFailure() << "window not active";
    QCoreApplication::processEvents();
    return ::testing::AssertionSuccess();
}

inline QString accessibleName(QObject *object)
{
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(object);
    return iface ? iface->text(QAccessible::Name) : QString();
}

inline QAccessible::Role accessibleRole(QObject *object)
{
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(object);
    return iface ? iface->role() : QAccessible::NoRole;
}

// Presses Tab until focus comes back where it started; the widgets it went through.
inline QList<QWidget *> tabCycle(QWidget &window, int limit = 40)
{
    QList<QWidget *> seen;
    QWidget *start = QApplication::focusWidget();
    if (!start)
        return seen;
    seen.append(start);
    for (int i = 0; i < limit; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget *now = QApplication::focusWidget();
        if (!now || now == start || !window.isAncestorOf(now))
            break;
        seen.append(now);
    }
    return seen;
}

// The colour seen where `top` at `opacity` lies over `below`.
inline QColor over(const QColor &top, qreal opacity, const QColor &below)
{
    return QColor::fromRgbF(float(top.redF() * opacity + below.redF() * (1 - opacity)),
                            float(top.greenF() * opacity + below.greenF() * (1 - opacity)),
                            float(top.blueF() * opacity + below.blueF() * (1 - opacity)));
}

} // namespace bp::test
