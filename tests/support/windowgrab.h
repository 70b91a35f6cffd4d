#pragma once

#include "catalogue.h"

#include <QDir>
#include <QFileInfo>
#include <QTextBrowser>
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

    // The report of a filled page saved as STEM_en.png, then as STEM_zh.png built under the
    // program's own Chinese catalogue; false when a step fails or the Chinese title is missing.
    template <typename Report, typename Page>
    static bool saveReports(Page &page, const QString &stem)
    {
        if (!save(new Report(&page), stem + QLatin1String("_en.png")))
            return false;
        page.reportValues.isChinese = true;
        Report *chinese = nullptr;
        {
            Catalogue zh;
            if (!zh.install())
                return false;
            chinese = new Report(&page);
        }
        const auto *browser =
            chinese->template findChild<QTextBrowser *>(QStringLiteral("textBrowser"));
        return browser && browser->toPlainText().contains(QStringLiteral("紫外辐照计测试报告")) &&
               save(chinese, stem + QLatin1String("_zh.png"));
    }
};
