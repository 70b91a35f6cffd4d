#pragma once

#include <QObject>
#include <QPoint>

class QEvent;

// Application-wide event filter: any widget with the dynamic property "canMove" set
// to true can be dragged with the left mouse button (for frameless windows).
class AppInit : public QObject
{
    Q_OBJECT

public:
    // The single object, created on first use; safe against concurrent first calls.
    static AppInit *Instance();
    // Deletes the object; main() calls it after the event loop, before the application
    // object goes. A later Instance() creates a fresh one.
    static void release();

    ~AppInit() override;

    // Installs the filter on the application, so it sees the events of every object.
    void start();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    AppInit();

    bool mousePressed = false;
    QPoint mousePoint;
};
