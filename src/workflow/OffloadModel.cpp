#include "workflow/OffloadModel.h"

#include "model/WhenFinished.h"
#include "workflow/OffloadCard.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QPointer>

#include <memory>

namespace bp {
namespace {

QString clean(const QString &path)
{
    return path.isEmpty() ? path : QDir::cleanPath(QDir::current().absoluteFilePath(path));
}

// Through links too, as far as the path exists: a card may be reached by another name.
QString resolved(const QString &path)
{
    QString existing = path;
    QString rest;
    while (!existing.isEmpty() && !QFileInfo::exists(existing)) {
        const qsizetype slash = existing.lastIndexOf(QLatin1Char('/'));
        if (slash <= 0)
            return path;
        rest.prepend(existing.mid(slash));
        existing.truncate(slash);
    }
    const QString canonical = QFileInfo(existing).canonicalFilePath();
    return canonical.isEmpty() ? path : canonical + rest;
}

bool inside(const QString &path, const QString &folder)
{
    const QString p = resolved(path);
    const QString f = resolved(folder);
    return p == f || p.startsWith(f.endsWith(QLatin1Char('/')) ? f : f + QLatin1Char('/'));
}

// The newest progress of a run, handed from the copying thread to the UI thread; only one
// hand-over waits in the queue at a time, however often the engine reports.
struct ProgressSlot {
    QMutex mutex;
    offload::OffloadProgress latest;
    bool posted = false;
};

} // namespace

OffloadModel::OffloadModel(QObject *parent)
    : QObject(parent), m_card(std::make_unique<OffloadCard>())
{
    OffloadCard *card = m_card.get();
    m_runner.run = [card](const offload::OffloadRequest &request,
                          offload::OffloadProgressFunction progress) {
        return card->run(request, std::move(progress));
    };
    m_runner.cancel = [card] { card->cancel(); };
}

OffloadModel::OffloadModel(Runner runner, QObject *parent)
    : QObject(parent), m_runner(std::move(runner))
{}

OffloadModel::~OffloadModel()
{
    // A run still going is told to end; it holds its own copies of what it needs.
    if (m_state == State::running && m_runner.cancel)
        m_runner.cancel();
}

void OffloadModel::setCards(const QList<offload::CardInfo> &cards)
{
    m_cards = cards;
    Q_EMIT cardsChanged();
    // A card preselected by root before the list came gets its label and kind now.
    followDefaultDestination();
    Q_EMIT choicesChanged();
}

void OffloadModel::addCard(const offload::CardInfo &card)
{
    removeCard(card.root);
    m_cards.append(card);
    Q_EMIT cardsChanged();
    // The first card seen while nothing is chosen becomes the source; a chosen card seen again
    // gets its default folder from its label.
    if (m_state != State::running && (m_source.isEmpty() || clean(card.root) == m_source))
        chooseCard(card.root);
}

void OffloadModel::removeCard(const QString &root)
{
    const qsizetype removed =
        m_cards.removeIf([&](const offload::CardInfo &c) { return c.root == root; });
    if (removed)
        Q_EMIT cardsChanged();
    // A chosen card that went stays chosen: the problem says it is gone.
    if (removed && root == m_source)
        Q_EMIT choicesChanged();
}

void OffloadModel::chooseCard(const QString &root)
{
    m_source = clean(root);
    followDefaultDestination();
    Q_EMIT choicesChanged();
}

void OffloadModel::chooseFolder(const QString &path)
{
    chooseCard(path);
}

std::optional<offload::CardInfo> OffloadModel::sourceCard() const
{
    for (const offload::CardInfo &card : m_cards)
        if (clean(card.root) == m_source)
            return card;
    return std::nullopt;
}

void OffloadModel::setProject(const QString &project)
{
    m_project = clean(project);
    followDefaultDestination();
    Q_EMIT choicesChanged();
}

void OffloadModel::setDestination(const QString &folder)
{
    m_destination = clean(folder);
    m_destinationChosen = !m_destination.isEmpty();
    if (!m_destinationChosen)
        followDefaultDestination();
    Q_EMIT choicesChanged();
}

void OffloadModel::setSecondDestination(const QString &folder)
{
    m_second = clean(folder);
    Q_EMIT choicesChanged();
}

void OffloadModel::setHash(offload::HashKind hash)
{
    m_hash = hash;
    Q_EMIT choicesChanged();
}

void OffloadModel::setVerify(bool verify)
{
    m_verify = verify;
    Q_EMIT choicesChanged();
}

void OffloadModel::followDefaultDestination()
{
    if (m_destinationChosen || m_project.isEmpty() || m_source.isEmpty())
        return;
    // A chosen folder is told by its layout as a detected card is; anything else goes in as
    // video under its own name.
    const QString name = QFileInfo(m_source).fileName();
    std::optional<offload::CardInfo> card = sourceCard();
    if (!card)
        card = offload::recogniseCard(m_source, name);
    m_destination = clean(offload::defaultOffloadFolder(
        m_project, card.value_or(offload::CardInfo{m_source, name, offload::CardKind::video, {}})));
}

OffloadModel::Problem OffloadModel::problem() const
{
    if (m_state == State::running)
        return Problem::running;
    if (m_source.isEmpty())
        return Problem::noSource;
    if (!QFileInfo(m_source).isDir())
        return Problem::sourceMissing;
    if (m_destination.isEmpty())
        return Problem::noDestination;
    if (inside(m_destination, m_source) || (!m_second.isEmpty() && inside(m_second, m_source)))
        return Problem::destinationInSource;
    if (!m_second.isEmpty() && resolved(m_second) == resolved(m_destination))
        return Problem::sameDestinations;
    return Problem::none;
}

bool OffloadModel::succeeded(const offload::OffloadOutcome &outcome)
{
    return !outcome.cancelled && !outcome.destinations.isEmpty() &&
           outcome.firstFailure().isEmpty();
}

offload::OffloadRequest OffloadModel::request() const
{
    offload::OffloadRequest request;
    request.source = m_source;
    request.destinations = {m_destination};
    if (!m_second.isEmpty())
        request.destinations.append(m_second);
    request.hash = m_hash;
    request.verify = m_verify;
    return request;
}

bool OffloadModel::start()
{
    if (!canStart())
        return false;
    m_outcome.reset();
    m_progress = {};
    m_cancelling = false;
    auto slot = std::make_shared<ProgressSlot>();
    // Made here, dereferenced only on this thread.
    const QPointer<OffloadModel> self(this);
    auto progress = [slot, self](const offload::OffloadProgress &now) {
        const QMutexLocker lock(&slot->mutex);
        slot->latest = now;
        if (std::exchange(slot->posted, true))
            return;
        QMetaObject::invokeMethod(
            qApp,
            [slot, self] {
                offload::OffloadProgress latest;
                {
                    const QMutexLocker lock(&slot->mutex);
                    latest = slot->latest;
                    slot->posted = false;
                }
                if (self)
                    self->applyProgress(latest);
            },
            Qt::QueuedConnection);
    };
    const QFuture<offload::OffloadOutcome> run = m_runner.run(request(), std::move(progress));
    setState(State::running);
    whenFinished(run, this, [this](const offload::OffloadOutcome &outcome) { finish(outcome); });
    return true;
}

void OffloadModel::cancel()
{
    if (m_state != State::running || m_cancelling)
        return;
    m_cancelling = true;
    m_runner.cancel();
    Q_EMIT stateChanged();
}

void OffloadModel::applyProgress(const offload::OffloadProgress &progress)
{
    // A report that comes after the end would only move the bar back.
    if (m_state != State::running)
        return;
    m_progress = progress;
    Q_EMIT progressChanged();
}

void OffloadModel::finish(const offload::OffloadOutcome &outcome)
{
    m_outcome = outcome;
    m_cancelling = false;
    setState(State::finished);
    Q_EMIT finished();
}

void OffloadModel::setState(State state)
{
    m_state = state;
    Q_EMIT stateChanged();
    Q_EMIT choicesChanged();
}

} // namespace bp
