#pragma once

#include "model/FolderCreator.h"
#include "stores/CustomTemplateStore.h"
#include "support/RecordingHost.h"
#include "views/FormPanel.h"
#include "views/PreviewPanel.h"
#include "views/ProjectSetupWindow.h"
#include "views/SymbolIcons.h"
#include "workflow/ProjectSetupModel.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QPromise>
#include <QTemporaryDir>
#include <QTest>
#include <QtConcurrent>

#include <memory>

namespace bp::test {

// Names a parameterised case by its `name` field.
inline constexpr auto caseName = [](const auto &info) { return std::string(info.param.name); };

// Every symbol painted while it lives, with the device and place it went to.
class SymbolRecorder {
public:
    SymbolRecorder()
    {
        SymbolIcons::setPaintObserver(
            [this](const QPaintDevice *device, const QString &name, const QRectF &rect) {
                m_painted.append({device, name, rect});
            });
    }
    ~SymbolRecorder() { SymbolIcons::setPaintObserver({}); }

    // Where the symbol went, on the device or (null) anywhere.
    QList<QRectF> find(const QString &name, const QPaintDevice *device = nullptr) const
    {
        QList<QRectF> rects;
        for (const auto &[on, painted, rect] : m_painted)
            if (painted == name && (!device || on == device))
                rects.append(rect);
        return rects;
    }

private:
    QList<std::tuple<const QPaintDevice *, QString, QRectF>> m_painted;
};

// A shown setup window on a fresh model whose target is a private temporary folder.
class WindowFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        // Changes of an earlier test still on their way must not land in this one.
        PreferenceSuite::writer().waitForDone();
        QCoreApplication::processEvents();
        CustomTemplateStore &store = CustomTemplateStore::shared();
        while (!store.templates().isEmpty())
            ASSERT_TRUE(store.remove(store.templates().constFirst().id).ok());
        m_model = std::make_unique<ProjectSetupModel>(m_dir.path(), m_host, m_stores);
        m_window = std::make_unique<ProjectSetupWindow>(*m_model);
        m_window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
        // Shortcuts only reach the active window.
        m_window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
        QCoreApplication::processEvents();
    }

    void TearDown() override
    {
        m_window.reset();
        m_model.reset();
    }

    template <typename T> T *find(const QString &name) const
    {
        T *widget = m_window->findChild<T *>(name);
        EXPECT_NE(widget, nullptr) << name.toStdString();
        return widget;
    }
    QString labelText(const QString &name) const { return find<QLabel>(name)->text(); }
    bool shown(const QString &name) const { return find<QWidget>(name)->isVisible(); }

    void edit(const std::function<void(ProjectConfig &)> &change)
    {
        ProjectConfig config = m_model->config();
        change(config);
        m_model->setConfig(config);
    }
    void click(QAbstractButton *button) { QTest::mouseClick(button, Qt::LeftButton); }

    static QString today() { return FormPanel::todayPrefix(); }
    static QString folderName(const QString &name)
    {
        return FolderCreator::projectFolderName(name, QDateTime::currentDateTime());
    }

    QTemporaryDir m_dir;
    RecordingHost m_host;
    const Stores m_stores = Stores::processWide();
    std::unique_ptr<ProjectSetupModel> m_model;
    std::unique_ptr<ProjectSetupWindow> m_window;
};

// Whether the pixel at `at` has the expected colour, give or take rounding.
inline ::testing::AssertionResult near(const QImage &image, QPoint at, const QColor &expected,
                                       int tolerance = 3)
{
    const QColor got = image.pixelColor(at);
    if (std::abs(got.red() - expected.red()) <= tolerance &&
        std::abs(got.green() - expected.green()) <= tolerance &&
        std::abs(got.blue() - expected.blue()) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "at " << at.x() << "," << at.y() << " got " << got.name().toStdString()
           << " expected " << expected.name().toStdString();
}

} // namespace bp::test
