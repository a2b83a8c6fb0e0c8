// Figures of the main window (offscreen unless a display is given):
//   start    time from the start of main() to the window shown, resident memory then
//   log      32,002 lines appended while the window shows the log, then the poll
//            that clears it: mean cost of one append, longest stall of the event loop

#include "app/SystemFolders.h"
#include "app/modGlobal.h"
#include "engine/TermiosPort.h"
#include "engine/TerminalEngine.h"
#include "ui/MessageBoxes.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

namespace {

long residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

} // namespace

int main(int argc, char *argv[])
{
    QElapsedTimer sinceStart;
    sinceStart.start();
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
    QApplication app(argc, argv);
    MessageBoxes::setPresenter([](const MessageBoxes::Message &) {}); // no port here

    SettingsRecord settings;
    TermiosPort port([](int) { return PortPath{QString(), QStringLiteral("no device")}; });
    frmMain window(settings, port);
    window.Form_Load();
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    std::printf("start: window shown %lld ms after main() began, resident memory %ld KiB\n",
                static_cast<long long>(sinceStart.elapsed()), residentKiB());

    TrafficLog &log = window.engine().log();
    // The poll that clears the log is run by hand below, so it can be timed.
    window.engine().stopTimers();
    qint64 longestGapNs = 0;
    QElapsedTimer gap;
    gap.start();
    QTimer heartbeat;
    heartbeat.setTimerType(Qt::PreciseTimer);
    heartbeat.setInterval(1);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        longestGapNs = qMax(longestGapNs, gap.nsecsElapsed());
        gap.restart();
    });
    heartbeat.start();

    const int total = 32002;
    const QString content = QStringLiteral("<STX>0123456789ABCDEF telegram <ETX><CR><LF>");
    qint64 appendNs = 0;
    int appended = 0;
    QEventLoop done;
    QTimer feeder;
    QObject::connect(&feeder, &QTimer::timeout, [&] {
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < 100 && appended < total; ++i, ++appended)
            log.AppendTrafficLine(TrafficLog::Direction::Received, content,
                                  QDateTime::currentDateTimeUtc());
        appendNs += t.nsecsElapsed();
        if (appended >= total)
            done.quit();
    });
    feeder.start(1);
    done.exec();
    feeder.stop();
    QTest::qWait(50);
    const qint64 appendStallNs = longestGapNs;

    longestGapNs = 0;
    gap.restart();
    QElapsedTimer clearing;
    clearing.start();
    window.engine().receiver().PollReceiveBuffer();
    const qint64 clearNs = clearing.nsecsElapsed();
    QTest::qWait(50);
    const qint64 clearStallNs = longestGapNs;
    std::printf("log: %d lines, mean append %.1f us, longest event-loop stall while appending "
                "%.1f ms; the clearing poll took %.1f ms, longest stall around it %.1f ms "
                "(log now %d lines)\n",
                total, appendNs / 1000.0 / total, appendStallNs / 1e6, clearNs / 1e6,
                clearStallNs / 1e6, log.count());
    window.close();
    return 0;
}
