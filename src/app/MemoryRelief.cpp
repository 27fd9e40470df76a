#include "MemoryRelief.h"

#include "views/LogoShadow.h"

#include <QApplication>
#include <QPixmapCache>
#include <QWidget>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace bp {

MemoryRelief::MemoryRelief(QObject *parent) : QObject(parent)
{
    // Long enough for the deletions the window's own deletion posts; one wake-up per window.
    m_delay.setSingleShot(true);
    m_delay.setInterval(100);
    connect(&m_delay, &QTimer::timeout, this, [] {
        for (const QWidget *widget : QApplication::topLevelWidgets()) {
            if (widget->isVisible())
                return;
        }
        relieve();
    });
}

void MemoryRelief::watch(QWidget *window)
{
    connect(window, &QObject::destroyed, this, &MemoryRelief::windowGone, Qt::UniqueConnection);
}

void MemoryRelief::windowGone()
{
    m_delay.start();
}

void MemoryRelief::relieve()
{
    QPixmapCache::clear();
    LogoShadow::clearCache();
#if defined(__GLIBC__)
    // Freed memory otherwise stays with the process, in every thread's arena.
    malloc_trim(0);
#endif
}

} // namespace bp
