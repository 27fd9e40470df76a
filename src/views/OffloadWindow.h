#pragma once

#include <QWidget>

#include <functional>
#include <optional>

class QComboBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QStackedWidget;

namespace bp {

class OffloadModel;

// The "Kaart importeren" window: the card or folder to copy, the offload folder in the project
// and an optional second copy, the hash and verify choices; then the run's progress with its
// cancel, and the result. All state lives in the model, which the caller owns.
class OffloadWindow final : public QWidget {
    Q_OBJECT
public:
    static inline const QString title = QStringLiteral("Kaart importeren");
    // Asks for a folder, starting in startIn; none when cancelled.
    using Picker = std::function<std::optional<QString>(QWidget *parent, const QString &title,
                                                        const QString &startIn)>;

    explicit OffloadWindow(OffloadModel &model, QWidget *parent = nullptr);

    OffloadModel &model() const { return m_model; }
    void setPicker(Picker picker) { m_picker = std::move(picker); }

    QComboBox *sourceBox() const { return m_source; }
    QComboBox *destinationBox() const { return m_destination; }
    QPushButton *startButton() const { return m_start; }
    QListWidget *resultList() const { return m_results; }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    QWidget *buildForm();
    QWidget *buildRunPage();
    QWidget *buildActionBar();
    void refreshCards();
    void refreshDestinations();
    void refreshChoices();
    void refreshState();
    void refreshProgress();
    void refreshResult();
    std::optional<QString> pick(const QString &title, const QString &startIn);

    OffloadModel &m_model;
    Picker m_picker;
    bool m_filling = false;
    QLabel *m_project = nullptr;
    QStackedWidget *m_pages = nullptr;
    QComboBox *m_source = nullptr;
    QComboBox *m_destination = nullptr;
    QComboBox *m_second = nullptr;
    QComboBox *m_hash = nullptr;
    QComboBox *m_verify = nullptr;
    QLabel *m_problem = nullptr;
    QLabel *m_runTitle = nullptr;
    QProgressBar *m_bar = nullptr;
    QLabel *m_rate = nullptr;
    QLabel *m_current = nullptr;
    QLabel *m_summary = nullptr;
    QListWidget *m_results = nullptr;
    QPushButton *m_close = nullptr;
    QPushButton *m_cancel = nullptr;
    QPushButton *m_again = nullptr;
    QPushButton *m_start = nullptr;
};

} // namespace bp
