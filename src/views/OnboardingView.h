#pragma once

#include "platform/FileManagerSetup.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QThreadPool>
#include <QWidget>

#include <functional>
#include <optional>

class QVariantAnimation;

namespace bp {

class PreferenceSuite;
class StepIndicator;

// The first-run window's content: welcome, how to reach the program from the file manager,
// and the ways to start a project. Finishing records that onboarding is done and then calls
// onComplete; closing the window records nothing.
class OnboardingView final : public QWidget {
    Q_OBJECT
public:
    static constexpr int viewWidth = 520;
    static constexpr int viewHeight = 400;
    static constexpr int lastStep = 2;

    OnboardingView(std::function<void()> onComplete, FileManagerSetup &fileManagers,
                   PreferenceSuite &suite, QWidget *parent = nullptr);
    // Waits for a file-manager setup still running.
    ~OnboardingView() override;

    // Whether the tray shows our icon; without one the texts point at what this desktop has.
    void setTrayShown(bool shown);

    int step() const { return m_step; }
    StepIndicator *stepIndicator() const { return m_indicator; }
    QPushButton *backButton() const { return m_back; }
    QPushButton *forwardButton() const { return m_forward; }
    // Why finishing could not be recorded; hidden while there is nothing to say.
    QLabel *messageLabel() const { return m_message; }
    // Step 1's button that makes the file-manager entries ready, and where it says they are.
    QPushButton *prepareButton() const { return m_prepare; }
    QLabel *fileManagerHint() const { return m_hint; }
    // The step content on screen (the incoming one during a transition).
    QWidget *stepContent() const { return m_content; }
    bool isAnimating() const;

Q_SIGNALS:
    void stepChanged(int step);
    // The file-manager setup has finished and its result is on screen.
    void fileManagersPrepared();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

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
    void prepareFileManagers();
    void updateHint();
    QPushButton *button(const QString &text);

    std::function<void()> m_onComplete;
    FileManagerSetup &m_fileManagers;
    PreferenceSuite &m_suite;
    bool m_trayShown = true;
    // Focus shows only after a key press: the button focused at opening has no ring before.
    bool m_keyboardUsed = false;
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
    // On step 1's page, which goes when the step changes.
    QPointer<QPushButton> m_prepare;
    QPointer<QLabel> m_hint;
    bool m_preparing = false;
    std::optional<QList<FileManagerSetup::Entry>> m_prepared;
    QThreadPool m_worker;
};

} // namespace bp
