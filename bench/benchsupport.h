#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTextStream>
#include <QTimer>
#include <QVector>
#include <algorithm>
#include <functional>

// Small helpers shared by the benchmark programs. Figures go to stdout as "name value unit",
// everything else to stderr.
namespace BenchSupport {

inline void printFigure(const char *name, double value, const char *unit, int decimals)
{
    QTextStream(stdout) << name << ' ' << QString::number(value, 'f', decimals) << ' ' << unit
                        << Qt::endl;
}

inline QTextStream &log()
{
    static QTextStream err(stderr);
    return err;
}

inline double median(QVector<double> values)
{
    if (values.isEmpty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const qsizetype mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2.0;
}

// Runs the event loop until `done` holds or `timeoutMs` passed; true when it held. The
// condition is looked at every millisecond, which bounds the error of a timing taken here.
inline bool waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    if (done())
        return true;
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        if (done() || clock.elapsed() >= timeoutMs)
            loop.quit();
    });
    tick.start(1);
    loop.exec();
    return done();
}

// Lets queued work (start-up reads, timers) run for a while.
inline void settle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace BenchSupport
