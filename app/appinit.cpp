#include "appinit.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QMutex>
#include <QMutexLocker>
#include <QThread>
#include <QWidget>
#include <memory>

namespace {

QMutex g_instanceMutex;
std::unique_ptr<AppInit> g_instance;

} // namespace

AppInit::AppInit() = default;

AppInit::~AppInit() = default;

AppInit *AppInit::Instance()
{
    QMutexLocker locker(&g_instanceMutex);
    if (!g_instance) {
        g_instance.reset(new AppInit);
        // A filter must live in the thread of the objects it watches, whoever asked first.
        if (QCoreApplication *app = QCoreApplication::instance())
            g_instance->moveToThread(app->thread());
    }
    return g_instance.get();
}

void AppInit::release()
{
    std::unique_ptr<AppInit> gone;
    {
        QMutexLocker locker(&g_instanceMutex);
        gone = std::move(g_instance);
    }
}

void AppInit::start()
{
    if (QCoreApplication *app = QCoreApplication::instance())
        app->installEventFilter(this);
}

bool AppInit::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    // Cheap type test first: this runs for every event of the program.
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease &&
        type != QEvent::MouseMove)
        return QObject::eventFilter(watched, event);

    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget || !widget->property("canMove").toBool())
        return QObject::eventFilter(watched, event);

    auto *mouseEvent = static_cast<QMouseEvent *>(event);
    const QPoint globalPos = mouseEvent->globalPosition().toPoint();
    switch (type) {
    case QEvent::MouseButtonPress:
        if (mouseEvent->button() != Qt::LeftButton)
            break;
        mousePressed = true;
        mousePoint = globalPos - widget->pos();
        return true;
    case QEvent::MouseButtonRelease:
        mousePressed = false;
        return true;
    case QEvent::MouseMove:
        if (!mousePressed || mouseEvent->buttons() == Qt::NoButton)
            break;
        widget->move(globalPos - mousePoint);
        return true;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
