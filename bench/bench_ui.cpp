// Figures of the main window (offscreen unless a display is given):
//   start    time from the start of main() to the window shown, resident memory then
//   log      32,002 lines appended while the window shows the log, then the poll
//            that clears it: mean cost of one append, longest stall of the event loop
//   token    a 32,767-character token from the special character dialog into a
//            command box: time and processor time from Accept to the token in place

#include "app/SystemFolders.h"
#include "app/modGlobal.h"
#include "ports/TermiosPort.h"
#include "engine/TerminalEngine.h"
#include "ui/InsertSpecialChar.h"
#include "ui/MessageBoxes.h"
#include "ui/frmMain.h"
#include "ui/frmSpecialChar.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <ctime>

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

qint64 processCpuNs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

// Accepts the special character dialog with a code of `digits` characters
// and measures until the token stands in the box.
void insertLongToken(frmMain &window, SettingsRecord &settings, int digits)
{
    auto *box = window.findChild<QLineEdit *>(QStringLiteral("txtBefehl1"));
    box->clear();
    QElapsedTimer wall;
    qint64 cpuAtAccept = 0;
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<frmSpecialChar *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        auto *number = dialog->findChild<QLineEdit *>(QStringLiteral("txtNumeric"));
        QTest::keyClick(number, Qt::Key_7);
        number->setText(QString(digits, u'7'));
        wall.start();
        cpuAtAccept = processCpuNs();
        dialog->findChild<QPushButton *>(QStringLiteral("cmdOk"))->click();
    });
    fkt_ToolsShowSpecialCharDialog(2, settings, box, &window);
    while (box->text().size() < digits + 2)
        QCoreApplication::processEvents();
    std::printf("token: %d characters into a command box in %.1f ms (processor %.1f ms), "
                "tooltip %lld characters\n",
                int(box->text().size()), wall.nsecsElapsed() / 1e6,
                (processCpuNs() - cpuAtAccept) / 1e6, static_cast<long long>(box->toolTip().size()));
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

    insertLongToken(window, settings, 32765);
    window.close();
    return 0;
}
