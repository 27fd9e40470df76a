#include "views/OnboardingView.h"

#include "model/WhenFinished.h"
#include "stores/Preferences.h"
#include "views/AccessibleRole.h"
#include "views/BPLogoView.h"
#include "views/EaseInOut.h"
#include "views/ErrorText.h"
#include "views/GoldButtonStyle.h"
#include "views/GoldOutlineButtonStyle.h"
#include "views/HeaderBand.h"
#include "views/LogoShadow.h"
#include "views/StepIndicator.h"
#include "views/Style.h"
#include "views/SymbolIcons.h"

#include <QFrame>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QVBoxLayout>
#include <QVariantAnimation>
#include <QtConcurrent>

namespace bp {
namespace {

// Holds the step content; the pages are placed by hand so they can slide.
class Stage final : public QWidget {
public:
    std::function<void()> onResize;

protected:
    void resizeEvent(QResizeEvent *event) override
    {
        QWidget::resizeEvent(event);
        if (onResize)
            onResize();
    }
};

// One step's content. A logo's shadow reaches beyond the logo, so the page paints it.
class StepPage final : public QWidget {
public:
    void setShadowedLogo(BPLogoView *logo, const LogoShadow &shadow)
    {
        m_logo = logo;
        m_shadow = shadow;
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        if (!m_logo)
            return;
        QPainter p(this);
        const QRect place(m_logo->mapTo(this, QPoint(0, 0)), m_logo->size());
        m_shadow.paint(p, QRectF(place));
    }

private:
    QPointer<BPLogoView> m_logo;
    LogoShadow m_shadow;
};

// A symbol on a filled shape with an optional 1-wide border inside its edge: the round
// badges and the square tiles of the steps.
class SymbolTile final : public QWidget {
public:
    SymbolTile(int side, qreal radius, const QColor &fill, const QColor &border,
               const QString &symbol, qreal symbolSize, const QColor &symbolColor,
               const QString &accessibleName)
        : m_radius(radius), m_fill(fill), m_border(border), m_symbol(symbol),
          m_symbolSize(symbolSize), m_symbolColor(symbolColor)
    {
        setFixedSize(side, side);
        setAttribute(Qt::WA_TranslucentBackground);
        setAccessibleRole(this, QAccessible::Graphic);
        setAccessibleName(accessibleName);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF shape(rect());
        if (m_border.alpha() > 0) {
            Style::paintFramedShape(p, shape, m_radius, m_fill, m_border);
        } else {
            p.setPen(Qt::NoPen);
            p.setBrush(m_fill);
            p.drawRoundedRect(shape, m_radius, m_radius);
        }
        const QRectF symbolRect(shape.center() - QPointF(m_symbolSize, m_symbolSize) / 2,
                                QSizeF(m_symbolSize, m_symbolSize));
        SymbolIcons::paint(p, symbolRect, m_symbol, m_symbolColor);
    }

private:
    qreal m_radius;
    QColor m_fill;
    QColor m_border;
    QString m_symbol;
    qreal m_symbolSize;
    QColor m_symbolColor;
};

// Rings its focus only once the window has seen a key press.
class FocusButton final : public QPushButton {
public:
    FocusButton(const QString &text, const bool &keyboardUsed)
        : QPushButton(text), m_keyboardUsed(keyboardUsed)
    {
        setCursor(Qt::PointingHandCursor);
        // Return presses the focused button, as Space does.
        setAutoDefault(true);
    }

protected:
    void initStyleOption(QStyleOptionButton *option) const override
    {
        QPushButton::initStyleOption(option);
        if (!m_keyboardUsed)
            option->state &= ~QStyle::State_HasFocus;
    }

private:
    const bool &m_keyboardUsed;
};

QString managerName(FileManagerSetup::Manager manager)
{
    using M = FileManagerSetup::Manager;
    switch (manager) {
    case M::nautilus:
        return QStringLiteral("Nautilus");
    case M::nemo:
        return QStringLiteral("Nemo");
    case M::caja:
        return QStringLiteral("Caja");
    case M::thunar:
        return QStringLiteral("Thunar");
    case M::dolphin:
        return QStringLiteral("Dolphin");
    }
    return {};
}

// Where the entry appears in that file manager's context menu of a folder.
QString entryPlace(FileManagerSetup::Manager manager)
{
    using M = FileManagerSetup::Manager;
    switch (manager) {
    case M::nautilus:
        return QStringLiteral("Scripts → Brindlepath - Maak Structuur");
    // Dolphin gathers more than three service actions under "Acties".
    case M::dolphin:
        return QStringLiteral("in het menu of onder Acties");
    default:
        return QStringLiteral("direct in het menu");
    }
}

// What became of the entry in that file manager.
QString entryState(const FileManagerSetup::Entry &entry)
{
    using S = FileManagerSetup::State;
    QString state;
    switch (entry.state) {
    case S::ready:
        state = entryPlace(entry.manager);
        break;
    case S::needsPlugin:
        state = QStringLiteral("installeer het pakket brindlepath-%1")
                    .arg(managerName(entry.manager).toLower());
        break;
    case S::leftAlone:
        state = QStringLiteral("eigen versie gevonden, niet aangepast");
        break;
    case S::failed:
        state = QStringLiteral("mislukt, kon niet schrijven");
        break;
    }
    return state;
}

QFrame *band(const QString &name, const QColor &background)
{
    auto *frame = new QFrame;
    frame->setObjectName(name);
    frame->setStyleSheet(
        QStringLiteral("QFrame#%1 { background: %2; }").arg(name, Style::css(background)));
    return frame;
}

QLabel *centredLabel(const QString &text, qreal size, QFont::Weight weight, qreal opacity)
{
    QLabel *label = Style::label(text, size, weight, bpText, opacity);
    label->setAlignment(Qt::AlignHCenter);
    label->setAccessibleName(QString(text).replace(QLatin1Char('\n'), QLatin1Char(' ')));
    return label;
}

// Centred lines with 3 points between them, wrapping inside `padding` on either side.
// Spans between double asterisks are bold; the asterisks are not shown.
QLabel *paragraph(const QString &markdown, qreal size, qreal opacity, int padding)
{
    QString html;
    QString plain;
    bool bold = false;
    const QStringList spans = markdown.split(QStringLiteral("**"));
    for (const QString &span : spans) {
        const QString escaped = span.toHtmlEscaped().replace(QLatin1Char('\n'), "<br>");
        html += bold ? QStringLiteral("<b>") + escaped + QStringLiteral("</b>") : escaped;
        plain += span;
        bold = !bold;
    }
    QLabel *label = Style::label(QString(), size, QFont::Normal, bpText, opacity);
    label->setTextFormat(Qt::RichText);
    label->setText(QStringLiteral("<p align=\"center\" style=\"margin: 0; line-height: 3px;"
                                  " -qt-line-height-type: line-distance;\">%1</p>")
                       .arg(html));
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setContentsMargins(padding, 0, padding, 0);
    // Rich text would reach assistive technology with its markup.
    label->setAccessibleName(plain.replace(QLatin1Char('\n'), QLatin1Char(' ')));
    return label;
}

QVBoxLayout *centredColumn(QWidget *page, int spacing)
{
    auto *column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(spacing);
    return column;
}

} // namespace

OnboardingView::OnboardingView(std::function<void()> onComplete, FileManagerSetup &fileManagers,
                               PreferenceSuite &suite, QWidget *parent)
    : QWidget(parent), m_onComplete(std::move(onComplete)), m_fileManagers(fileManagers),
      m_suite(suite)
{
    m_worker.setMaxThreadCount(1);
    setObjectName(QStringLiteral("onboardingView"));
    Style::setUpWindow(this, QStringLiteral("Welkom bij Brindlepath"),
                       QSize(viewWidth, viewHeight));

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(buildHeader());
    column->addWidget(Style::rule());
    auto *stage = new Stage;
    stage->setObjectName(QStringLiteral("stepStage"));
    stage->onResize = [this] {
        placeContent(m_leaving ? m_transition->currentValue().toReal() : 1);
    };
    m_stage = stage;
    column->addWidget(m_stage, 1);
    column->addWidget(Style::rule());
    column->addWidget(buildFooter());

    m_transition = new QVariantAnimation(this);
    m_transition->setDuration(int(easeInOutDuration.count()));
    m_transition->setEasingCurve(easeInOut());
    m_transition->setStartValue(0.0);
    m_transition->setEndValue(1.0);
    connect(m_transition, &QVariantAnimation::valueChanged, this,
            [this](const QVariant &value) { placeContent(value.toReal()); });
    connect(m_transition, &QVariantAnimation::finished, this, &OnboardingView::settleTransition);

    m_content = buildStep(m_step);
    placeContent(1);
    m_forward->setFocus();
}

OnboardingView::~OnboardingView()
{
    // The setup refers to nothing of the window, but its result comes back to it.
    m_worker.waitForDone();
}

void OnboardingView::setTrayShown(bool shown)
{
    if (shown == m_trayShown)
        return;
    m_trayShown = shown;
    // Only the welcome and the last step speak of the tray; neither holds focus.
    if (m_step == 1)
        return;
    if (m_transition->state() == QAbstractAnimation::Running) {
        m_transition->stop();
        settleTransition();
    }
    QWidget *old = m_content;
    m_content = buildStep(m_step);
    placeContent(1);
    old->hide();
    old->deleteLater();
}

bool OnboardingView::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && !m_keyboardUsed) {
        m_keyboardUsed = true;
        if (auto *widget = qobject_cast<QWidget *>(watched))
            widget->update();
    }
    return QWidget::eventFilter(watched, event);
}

QPushButton *OnboardingView::button(const QString &text)
{
    auto *made = new FocusButton(text, m_keyboardUsed);
    made->installEventFilter(this);
    return made;
}

QWidget *OnboardingView::buildHeader()
{
    m_indicator = new StepIndicator;
    return new HeaderBand({26, 14, QMargins(28, 14, 28, 14), 10}, m_indicator);
}

QWidget *OnboardingView::buildFooter()
{
    QFrame *footer = band(QStringLiteral("footer"), bpCard);
    auto *row = new QHBoxLayout(footer);
    row->setContentsMargins(28, 16, 28, 16);

    m_back = button(QStringLiteral("← Terug"));
    m_back->setObjectName(QStringLiteral("backButton"));
    m_back->setFont(Style::uiFont(13));
    m_back->setStyleSheet(Style::plainButtonSheet(bpText, 0.45));
    m_back->setVisible(false);
    connect(m_back, &QPushButton::clicked, this, [this] {
        if (m_step > 0)
            setStep(m_step - 1);
    });
    row->addWidget(m_back, 0, Qt::AlignVCenter);
    row->addStretch(1);
    m_message = Style::label(QString(), 11, QFont::Normal, bpRed);
    m_message->setObjectName(QStringLiteral("finishMessage"));
    m_message->setWordWrap(true);
    m_message->setVisible(false);
    row->addWidget(m_message, 1, Qt::AlignVCenter);

    m_forward = button(QStringLiteral("Volgende →"));
    m_forward->setObjectName(QStringLiteral("forwardButton"));
    GoldButtonStyle::apply(m_forward);
    connect(m_forward, &QPushButton::clicked, this, &OnboardingView::goForward);
    row->addWidget(m_forward, 0, Qt::AlignVCenter);
    return footer;
}

QWidget *OnboardingView::buildStep(int step)
{
    switch (step) {
    case 0:
        return stepWelcome();
    case 1:
        return stepActivate();
    default:
        return stepReady();
    }
}

QWidget *OnboardingView::stepWelcome()
{
    auto *page = new StepPage;
    page->setObjectName(QStringLiteral("stepWelcome"));
    QVBoxLayout *column = centredColumn(page, 22);
    column->addStretch(1);
    auto *logo = new BPLogoView(80);
    page->setShadowedLogo(logo, {Style::withAlpha(bpBlue, 0.35), 24, QPointF(0, 10)});
    column->addWidget(logo, 0, Qt::AlignHCenter);
    column->addWidget(centredLabel(QStringLiteral("Welkom bij Brindlepath"), 22, QFont::Bold, 1.0));
    const QString ways = m_trayShown
                             ? QStringLiteral("bestandsbeheer of via het systeemvak")
                             : QStringLiteral("bestandsbeheer, het appoverzicht of met Ctrl+Alt+N");
    column->addWidget(paragraph(QStringLiteral("Maak in 10 seconden een complete "
                                               "projectmapstructuur voor foto- en videoprojecten "
                                               "— rechtstreeks vanuit ") +
                                    ways + QLatin1Char('.'),
                                13, 0.55, 52));
    column->addStretch(1);
    return page;
}

QWidget *OnboardingView::stepActivate()
{
    auto *page = new StepPage;
    page->setObjectName(QStringLiteral("stepActivate"));
    QVBoxLayout *column = centredColumn(page, 14);
    column->addStretch(1);
    column->addWidget(new SymbolTile(72, 36, bpCard, bpBorder,
                                     QStringLiteral("cursorarrow.click.2"), 30, bpBlue,
                                     QStringLiteral("Rechtsklik")),
                      0, Qt::AlignHCenter);
    column->addWidget(
        centredLabel(QStringLiteral("Actie in bestandsbeheer"), 20, QFont::Bold, 1.0));
    column->addWidget(paragraph(QStringLiteral("Rechtsklik op een map in bestandsbeheer → "
                                               "**Scripts** of **Acties**\n→ **Brindlepath - Maak "
                                               "Structuur**"),
                                13, 0.55, 40));
    m_prepare = button(QStringLiteral("Zet klaar in bestandsbeheer"));
    m_prepare->setObjectName(QStringLiteral("prepareFileManagersButton"));
    GoldOutlineButtonStyle::apply(m_prepare);
    connect(m_prepare, &QPushButton::clicked, this, &OnboardingView::prepareFileManagers);
    column->addWidget(m_prepare, 0, Qt::AlignHCenter);
    m_hint = centredLabel(QString(), 10.5, QFont::Normal, 0.45);
    m_hint->setObjectName(QStringLiteral("fileManagerHint"));
    m_hint->setWordWrap(true);
    updateHint();
    column->addWidget(m_hint);
    column->addStretch(1);
    return page;
}

QWidget *OnboardingView::stepReady()
{
    auto *page = new StepPage;
    page->setObjectName(QStringLiteral("stepReady"));
    QVBoxLayout *column = centredColumn(page, 26);
    column->addStretch(1);
    auto *badge = new SymbolTile(72, 36, Style::withAlpha(bpBlue, 0.12), Qt::transparent,
                                 QStringLiteral("checkmark"), 28, bpBlue, QStringLiteral("Klaar"));
    column->addWidget(badge, 0, Qt::AlignHCenter);
    column->addWidget(centredLabel(QStringLiteral("Klaar om te beginnen!"), 22, QFont::Bold, 1.0));

    auto *ways = new QHBoxLayout;
    ways->setSpacing(40);
    ways->addStretch(1);
    ways->addWidget(iconCard(QStringLiteral("cursorarrow.click.2"),
                             QStringLiteral("Rechtsklik\nin bestandsbeheer"),
                             QStringLiteral("Rechtsklik")),
                    0, Qt::AlignVCenter);
    // The caption style of the desktop: 10 points.
    ways->addWidget(Style::label(QStringLiteral("of"), 10, QFont::Normal, bpText, 0.25), 0,
                    Qt::AlignVCenter);
    if (m_trayShown) {
        ways->addWidget(iconCard(QStringLiteral("menubar.rectangle"),
                                 QStringLiteral("Icoon in het\nsysteemvak"),
                                 QStringLiteral("Systeemvak")),
                        0, Qt::AlignVCenter);
    } else {
        ways->addWidget(iconCard(QStringLiteral("folder.badge.plus"),
                                 QStringLiteral("Appoverzicht\nof Ctrl+Alt+N"),
                                 QStringLiteral("Appoverzicht")),
                        0, Qt::AlignVCenter);
    }
    ways->addStretch(1);
    column->addLayout(ways);
    // Without a tray the menu's two entries are the desktop entry's own actions.
    if (!m_trayShown) {
        column->setSpacing(12);
        column->addWidget(paragraph(QStringLiteral("Rechtsklik op Brindlepath in het appoverzicht "
                                                   "voor **Nieuwe projectstructuur…** of "
                                                   "**Instellingen…**"),
                                    11, 0.45, 40));
    }
    column->addStretch(1);
    return page;
}

QWidget *OnboardingView::iconCard(const QString &icon, const QString &label,
                                  const QString &accessibleIcon)
{
    auto *card = new QWidget;
    card->setObjectName(QStringLiteral("iconCard"));
    QVBoxLayout *column = centredColumn(card, 10);
    column->addWidget(new SymbolTile(58, 12, bpCard, bpBorder, icon, 22, bpBlue, accessibleIcon), 0,
                      Qt::AlignHCenter);
    column->addWidget(centredLabel(label, 11, QFont::Normal, 0.45), 0, Qt::AlignHCenter);
    return card;
}

bool OnboardingView::isAnimating() const
{
    return m_transition->state() == QAbstractAnimation::Running || m_indicator->isAnimating();
}

void OnboardingView::goForward()
{
    if (m_step < lastStep)
        setStep(m_step + 1);
    else
        finish();
}

void OnboardingView::setStep(int step)
{
    // A step change mid-transition first completes the one running.
    if (m_transition->state() == QAbstractAnimation::Running) {
        m_transition->stop();
        settleTransition();
    }
    const bool backHadFocus = m_back->hasFocus();
    m_step = step;
    m_indicator->setStep(step);
    m_back->setVisible(step >= 1);
    m_forward->setText(step == lastStep ? QStringLiteral("Aan de slag →")
                                        : QStringLiteral("Volgende →"));
    m_forward->updateGeometry();
    if (backHadFocus && !m_back->isVisible())
        m_forward->setFocus();

    // The new content comes in from the trailing edge and the old one leaves towards the
    // leading edge, both fading; going back moves the same way.
    m_leaving = m_content;
    // The page on its way out is no longer a stop for Tab.
    if (m_leaving) {
        if (m_leaving->isAncestorOf(focusWidget()))
            m_forward->setFocus();
        for (QWidget *child : m_leaving->findChildren<QWidget *>())
            child->setFocusPolicy(Qt::NoFocus);
    }
    m_content = buildStep(step);
    for (QWidget *page : {m_leaving, m_content}) {
        auto *fade = new QGraphicsOpacityEffect(page);
        page->setGraphicsEffect(fade);
    }
    placeContent(0);
    m_transition->start();
    Q_EMIT stepChanged(step);
}

void OnboardingView::placeContent(qreal progress)
{
    const QRect area = m_stage->rect();
    // Trailing and leading follow the reading direction.
    const int direction = layoutDirection() == Qt::RightToLeft ? -1 : 1;
    const int travel = area.width() * direction;
    if (m_content) {
        if (m_content->parentWidget() != m_stage) {
            m_content->setParent(m_stage);
            m_content->show();
        }
        m_content->setGeometry(area.translated(int(std::lround(travel * (1 - progress))), 0));
        if (auto *fade = qobject_cast<QGraphicsOpacityEffect *>(m_content->graphicsEffect()))
            fade->setOpacity(progress);
    }
    if (m_leaving) {
        m_leaving->setGeometry(area.translated(int(std::lround(-travel * progress)), 0));
        if (auto *fade = qobject_cast<QGraphicsOpacityEffect *>(m_leaving->graphicsEffect()))
            fade->setOpacity(1 - progress);
    }
}

void OnboardingView::settleTransition()
{
    placeContent(1);
    if (m_leaving) {
        m_leaving->hide();
        m_leaving->deleteLater();
        m_leaving = nullptr;
    }
    if (m_content)
        m_content->setGraphicsEffect(nullptr);
}

void OnboardingView::prepareFileManagers()
{
    // Pressed again while it runs: the answer is on its way.
    if (m_preparing)
        return;
    m_preparing = true;
    updateHint();
    FileManagerSetup &setup = m_fileManagers;
    whenFinished(QtConcurrent::run(&m_worker, [&setup] { return setup.prepare(); }), this,
                 [this](const QList<FileManagerSetup::Entry> &entries) {
                     m_preparing = false;
                     m_prepared = entries;
                     updateHint();
                     Q_EMIT fileManagersPrepared();
                 });
}

void OnboardingView::updateHint()
{
    if (!m_hint)
        return;
    QStringList lines;
    QStringList html;
    if (m_preparing) {
        lines += QStringLiteral("Bezig…");
    } else if (!m_prepared) {
        lines += QStringLiteral("Voegt de actie toe aan elk bestandsbeheer op deze computer");
    } else {
        // File managers with the same outcome share a line: "Nemo, Thunar: direct in het menu".
        QStringList states;
        QList<QStringList> names;
        QList<bool> failed;
        for (const FileManagerSetup::Entry &entry : *m_prepared) {
            const QString state = entryState(entry);
            qsizetype at = states.indexOf(state);
            if (at < 0) {
                at = states.size();
                states += state;
                names += QStringList();
                failed += entry.state == FileManagerSetup::State::failed;
            }
            names[at] += managerName(entry.manager);
        }
        for (qsizetype i = 0; i < states.size(); ++i) {
            lines += names[i].join(QStringLiteral(", ")) + QStringLiteral(": ") + states[i];
            // What did not work stands out in red.
            html += failed[i] ? QStringLiteral("<span style=\"color: %1;\">%2</span>")
                                    .arg(Style::css(bpRed), lines.last().toHtmlEscaped())
                              : lines.last().toHtmlEscaped();
        }
        if (lines.isEmpty())
            lines += QStringLiteral("Geen bekend bestandsbeheer gevonden op deze computer");
    }
    if (html.isEmpty()) {
        m_hint->setTextFormat(Qt::PlainText);
        m_hint->setText(lines.join(QLatin1Char('\n')));
    } else {
        m_hint->setTextFormat(Qt::RichText);
        m_hint->setText(html.join(QStringLiteral("<br>")));
    }
    // Rich text would reach assistive technology with its markup.
    m_hint->setAccessibleName(lines.join(QStringLiteral(", ")));
}

void OnboardingView::finish()
{
    if (m_finishing)
        return;
    m_finishing = true;
    // The write goes first, so a shell that reads the key in onComplete already sees it. It
    // runs on the writer thread: another process may hold the preferences' lock.
    // A write that failed keeps the window open and says why: the next start would show it
    // again without the user knowing.
    whenFinished(Preferences::setOnboardingCompletedLater(true, m_suite), this,
                 [this](const Result<void> &stored) {
                     if (!stored) {
                         m_finishing = false;
                         const QString text = QStringLiteral("Kon instelling niet opslaan: ") +
                                              ErrorText::dutch(stored.error());
                         m_message->setText(text);
                         m_message->setAccessibleName(text);
                         m_message->setVisible(true);
                         return;
                     }
                     m_message->setVisible(false);
                     if (m_onComplete)
                         m_onComplete();
                 });
}

} // namespace bp
