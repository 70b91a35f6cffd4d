#include "windowgeometry.h"

#include "programsettings.h"

#include <QEvent>
#include <QWidget>

namespace {
QString settingsKey(const QString &key)
{
    return QStringLiteral("windows/") + key;
}
} // namespace

WindowGeometry::WindowGeometry(QWidget *window, const QString &key)
    : QObject(window), m_window(window), m_key(key)
{
}

WindowGeometry *WindowGeometry::keep(QWidget *window, const QString &key)
{
    if (!window)
        return nullptr;
    auto *keeper = new WindowGeometry(window, key);
    const QByteArray kept = ProgramSettings().value(settingsKey(key)).toByteArray();
    // Geometry from another screen set-up that no longer fits is put back on screen by Qt.
    if (!kept.isEmpty())
        window->restoreGeometry(kept);
    window->installEventFilter(keeper);
    return keeper;
}

void WindowGeometry::forget(const QString &key)
{
    ProgramSettings().remove(settingsKey(key));
}

bool WindowGeometry::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window) {
        if (event->type() == QEvent::Show)
            m_shown = true;
        // A window never shown has no size of its own worth keeping.
        else if (m_shown && (event->type() == QEvent::Hide || event->type() == QEvent::Close))
            save();
    }
    return QObject::eventFilter(watched, event);
}

void WindowGeometry::save()
{
    ProgramSettings().setValue(settingsKey(m_key), m_window->saveGeometry());
}
