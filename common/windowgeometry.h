#pragma once

#include <QObject>
#include <QString>

class QWidget;

// Keeps a window's size and place between runs: restored when kept is called, saved in the
// settings whenever the window is hidden or closed. Owned by the window it watches.
class WindowGeometry : public QObject
{
    Q_OBJECT

public:
    // `key` names the window in the settings ("curve", "library", ...).
    static WindowGeometry *keep(QWidget *window, const QString &key);
    // Forgets what was kept under `key`: the next window comes up at its own size.
    static void forget(const QString &key);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    WindowGeometry(QWidget *window, const QString &key);
    void save();

    QWidget *m_window;
    QString m_key;
    bool m_shown = false;
};
