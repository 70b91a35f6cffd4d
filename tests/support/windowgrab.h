#pragma once

#include <QDir>
#include <QFileInfo>
#include <QWidget>
#include <QtTest>

// Pictures of windows for people to look at, in the build's grabs folder (SOLVANE_GRAB_DIR of
// the test that includes this).
class WindowGrab
{
public:
    // Shows the window and saves its picture as `name` once it is on screen; false when a step
    // fails or the file is too small to hold a picture.
    static bool save(QWidget *window, const QString &name)
    {
        window->show();
        const QString dir = QString::fromUtf8(SOLVANE_GRAB_DIR);
        const QString file = dir + QLatin1Char('/') + name;
        return QTest::qWaitForWindowExposed(window) && QDir().mkpath(dir) &&
               window->grab().save(file) && QFileInfo(file).size() > 1000;
    }
};
