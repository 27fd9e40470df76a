#pragma once

#include <QWidget>

#include <functional>

class QLabel;
class QPushButton;
class QVariantAnimation;

namespace bp {

class PreferenceSuite;
class StartupSettings;
class StepIndicator;

// The first-run window's content: welcome, how to reach the program from the file manager,
// and the two ways to start a project. Finishing records that onboarding is done and then
// calls onComplete; closing the window records nothing.
class OnboardingView final : public QWidget {
    Q_OBJECT
public:
    static constexpr int viewWidth = 520;
    static constexpr int viewHeight = 400;
    static constexpr int lastStep = 2;

    OnboardingView(std::function<void()> onComplete, StartupSettings &startupSettings,
                   PreferenceSuite &suite, QWidget *parent = nullptr);

    // The fixed, dark "Welkom bij Brindlepath" window, shown and deleted when closed. Finishing
    // calls afterComplete and closes it.
    static OnboardingView *openWindow(StartupSettings &startupSettings, PreferenceSuite &suite,
                                      std::function<void()> afterComplete = {});

    int step() const { return m_step; }
    StepIndicator *stepIndicator() const { return m_indicator; }
    QPushButton *backButton() const { return m_back; }
    QPushButton *forwardButton() const { return m_forward; }
    // Why finishing could not be recorded; hidden while there is nothing to say.
    QLabel *messageLabel() const { return m_message; }
    // The step content on screen (the incoming one during a transition).
    QWidget *stepContent() const { return m_content; }
    bool isAnimating() const;

Q_SIGNALS:
    void stepChanged(int step);

private:
    QWidget *buildHeader();
    QWidget *buildFooter();
    QWidget *buildStep(int step);
    QWidget *stepWelcome();
    QWidget *stepActivate();
    QWidget *stepReady();
    QWidget *iconCard(const QString &icon, const QString &label, const QString &accessibleIcon);

    void setStep(int step);
    void placeContent(qreal progress);
    void settleTransition();
    void goForward();
    void finish();

    std::function<void()> m_onComplete;
    StartupSettings &m_startupSettings;
    PreferenceSuite &m_suite;
    int m_step = 0;
    bool m_finishing = false;
    StepIndicator *m_indicator = nullptr;
    QWidget *m_stage = nullptr;
    QWidget *m_content = nullptr;
    QWidget *m_leaving = nullptr;
    QVariantAnimation *m_transition = nullptr;
    QPushButton *m_back = nullptr;
    QPushButton *m_forward = nullptr;
    QLabel *m_message = nullptr;
};

} // namespace bp
