#pragma once

#include "offload/CardLayout.h"
#include "offload/OffloadTypes.h"

#include <QFuture>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

namespace bp {

class OffloadCard;

// The state of the offload window: the cards to choose from, the source, the one or two
// offload folders, the hash and verify choices, and the run with its progress and outcome.
// Runs on the UI thread; the copy itself runs off it.
class OffloadModel final : public QObject {
    Q_OBJECT
public:
    enum class State { idle, running, finished };
    // Why a run cannot start, in the order they are checked.
    enum class Problem {
        none,
        noSource,
        sourceMissing, // the source is not an existing folder
        noDestination,
        destinationInSource, // a copy would land on the card itself
        sameDestinations,    // the second copy goes where the first does
        running,
    };

    // Starts and cancels a run; by default through OffloadCard.
    struct Runner {
        std::function<QFuture<offload::OffloadOutcome>(const offload::OffloadRequest &,
                                                       offload::OffloadProgressFunction)>
            run;
        std::function<void()> cancel;
    };

    explicit OffloadModel(QObject *parent = nullptr);
    explicit OffloadModel(Runner runner, QObject *parent = nullptr);
    ~OffloadModel() override;

    const QList<offload::CardInfo> &cards() const { return m_cards; }
    void setCards(const QList<offload::CardInfo> &cards);
    void addCard(const offload::CardInfo &card);
    void removeCard(const QString &root);

    // The source: a detected card, or any folder the user chose.
    void chooseCard(const QString &root);
    void chooseFolder(const QString &path);
    const QString &source() const { return m_source; }
    // The detected card that is the source, if it is one.
    std::optional<offload::CardInfo> sourceCard() const;

    // The project the card goes into; none leaves the destination to the user.
    void setProject(const QString &project);
    const QString &project() const { return m_project; }
    // The offload folder; follows the source and project until the user picks one.
    void setDestination(const QString &folder);
    const QString &destination() const { return m_destination; }
    // Empty: one copy only.
    void setSecondDestination(const QString &folder);
    const QString &secondDestination() const { return m_second; }

    void setHash(offload::HashKind hash);
    offload::HashKind hash() const { return m_hash; }
    // True: "kopie en controle"; false: "alleen kopie".
    void setVerify(bool verify);
    bool verify() const { return m_verify; }

    // Every file is at every destination: verified, or copied when only copying was asked.
    static bool succeeded(const offload::OffloadOutcome &outcome);

    Problem problem() const;
    bool canStart() const { return problem() == Problem::none; }
    offload::OffloadRequest request() const;

    // False when the run cannot start (see problem()).
    bool start();
    void cancel();
    State state() const { return m_state; }
    bool isCancelling() const { return m_cancelling; }
    const offload::OffloadProgress &progress() const { return m_progress; }
    // The last run's, once it has finished.
    const std::optional<offload::OffloadOutcome> &outcome() const { return m_outcome; }

Q_SIGNALS:
    void cardsChanged();
    // The source, destinations or choices changed.
    void choicesChanged();
    void stateChanged();
    void progressChanged();
    // A run ended, done, failed or cancelled; outcome() holds it.
    void finished();

private:
    void followDefaultDestination();
    void applyProgress(const offload::OffloadProgress &progress);
    void finish(const offload::OffloadOutcome &outcome);
    void setState(State state);

    std::unique_ptr<OffloadCard> m_card;
    Runner m_runner;
    QList<offload::CardInfo> m_cards;
    QString m_source;
    QString m_project;
    QString m_destination;
    bool m_destinationChosen = false;
    QString m_second;
    offload::HashKind m_hash = offload::HashKind::xxh128;
    bool m_verify = true;
    State m_state = State::idle;
    bool m_cancelling = false;
    offload::OffloadProgress m_progress;
    std::optional<offload::OffloadOutcome> m_outcome;
};

} // namespace bp
