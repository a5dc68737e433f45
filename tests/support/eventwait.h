#pragma once

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

// Runs the event loop until pred() holds or timeoutMs has passed, and
// returns pred(). Unlike QTest::qWaitFor it never sleeps between rounds:
// the web engine hops through the event loop many times per page, and a
// pause at each hop turns a 0.3 s load into seconds.
template <typename Pred> bool WaitUntil(Pred pred, int timeoutMs)
{
    if (pred())
        return true;
    QEventLoop loop;
    QTimer tick;
    QElapsedTimer elapsed;
    elapsed.start();
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        if (pred() || elapsed.elapsed() >= timeoutMs)
            loop.quit();
    });
    tick.start(5);
    loop.exec();
    return pred();
}

// Lets the event loop run for a while.
inline void RunEventsFor(int ms)
{
    WaitUntil([] { return false; }, ms);
}
