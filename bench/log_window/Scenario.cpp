#include "Scenario.h"

#include "Feed.h"
#include "LogChecker.h"
#include "Peers.h"
#include "Probes.h"
#include "RecordingFollower.h"

#include "app/SystemFolders.h"
#include "app/modGlobal.h"
#include "engine/LogRecorder.h"
#include "ports/PortByEntry.h"
#include "ports/Ser2Net.h"
#include "engine/TerminalEngine.h"
#include "text/StreamMatcher.h"
#include "text/Tokens.h"
#include "host/ComPortMap.h"
#include "host/SerialDeviceSource.h"
#include "text/Codec.h"
#include "ui/LogView.h"
#include "ui/MessageBoxes.h"
#include "ui/frmMain.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QProcess>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <poll.h>
#include <thread>
#include <vector>
#include <cstdio>
#include <csignal>
#include <ctime>
#include <memory>
#include <fcntl.h>
#include <pty.h>
#include <time.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Phase {
    QString label;
    Feed::Plan plan;
    int quietMs = 0;     // the quiet time (Delay [ms]) during the phase
    bool record = false; // the log is recorded to a file through the File menu
    bool hex = false;    // the log shown in the hex view
    int lineEnd = 0;     // LineEnd during the phase (1: a block also ends at LF)
    bool plot = false;   // the plot shown under the log (View > Plot)
    bool triggers = false; // 16 trigger rules run, one of them answering the feed
};

// The targets a scenario prints its figures beside.
enum class Targets {
    None,
    Stream,  // 92,160 B/s at quiet time 100 ms: every byte, late by at most 150 ms, CPU
    Fastest, // a writer that never pauses: rate beside the peers, keys, memory
    Paced,   // 92,160 B/s at quiet time 0: CPU beside the peers
    Lines,   // 92,160 B/s of lines, LineEnd=LF beside quiet-time framing: lines, CPU, keys
    LinesFastest, // lines from a writer that never pauses, LineEnd=LF: rate beside the peers
    Plot,    // lines of numbers at 92,160 B/s: the plot's CPU, keys to screen
    Triggers, // 92,160 B/s with and without 16 trigger rules: CPU, match to reply
};

struct Spec {
    QList<Phase> phases;
    int peculiar = 1;
    bool probeTimer = false;
    bool typeKeys = false;
    double idleSeconds = 0;
    qint64 logUntilBytes = 0; // memory: flood until this much was logged
    bool save = false;
    bool find = false;           // no-match searches through a full log
    bool accessible = false;     // the lines on screen asked of the accessible interface
    bool throughSer2net = false; // the second phase reaches the device through ser2net
    bool record = false;         // the log is recorded to a file through the File menu
    bool compareViews = false;   // text and hex view side by side
    bool wholeFlood = false;     // a flood is followed until the log shows all of it
    bool peers = false;          // the other serial terminals get the same feed
    bool sendFile = false;       // a file sent to a reading peer, then the stream received
    Targets targets = Targets::None;
};

// What a phase measured, for the targets and for views compared side by side.
struct Figures {
    bool complete = false; // every byte once and in order
    qint64 bytes = 0;
    qint64 lines = 0; // [IN] lines
    double seconds = 0;
    double cpuPercent = 0;
    double lastLineMs = 0; // appended after the last byte was written
    double paintedMs = 0;  // and on screen
    quint64 frames = 0;
    bool hexShowsEveryByte = true;
    double writtenPerSecond = 0;
    QList<double> keyMs; // key press to painted send box
    long peakKiB = 0;
    bool recorded = false; // the recording holds every line appended
    qsizetype plotFrames = 0;
    double plotPaintMs = 0; // all its frames together
    QList<double> replyMs; // last byte of a match written to first byte of its reply read
    double matchingPercent = 0; // the matcher alone on the phase's bytes, % of a core
    qint64 matches = 0;    // matches the feed held
};

Feed::Plan steady(Feed::Pattern pattern)
{
    Feed::Plan plan;
    plan.pattern = pattern;
    return plan;
}

Feed::Plan bursts(int size)
{
    Feed::Plan plan;
    plan.pace = Feed::Pace::Bursts;
    plan.chunkBytes = size;
    plan.burstsPerSecond = 40;
    plan.seconds = 10;
    return plan;
}

Feed::Plan flood(double seconds)
{
    Feed::Plan plan;
    plan.pattern = Feed::Pattern::Bytes;
    plan.pace = Feed::Pace::Flood;
    plan.chunkBytes = 4096;
    plan.seconds = seconds;
    return plan;
}

std::optional<Spec> specFor(const QString &name)
{
    Spec spec;
    if (name == "text-p0" || name == "text-p1" || name == "bytes-p0" || name == "bytes-p1") {
        const bool text = name.startsWith("text");
        spec.peculiar = name.endsWith("p1") ? 1 : 0;
        spec.phases = {{name, steady(text ? Feed::Pattern::Text : Feed::Pattern::Bytes)}};
    } else if (name == "hex") {
        spec.phases = {{"text view (text-p1)", steady(Feed::Pattern::Text)},
                       {"hex view", steady(Feed::Pattern::Text), 0, false, true}};
        spec.compareViews = true;
    } else if (name == "bursts") {
        spec.phases = {{"bursts of 2048", bursts(2048)}, {"bursts of 20", bursts(20)}};
    } else if (name == "flood") {
        spec.phases = {{name, flood(10)}};
        spec.probeTimer = true;
    } else if (name == "responsive") {
        spec.phases = {{name, steady(Feed::Pattern::Text)}};
        spec.probeTimer = true;
        spec.typeKeys = true;
    } else if (name == "idle") {
        spec.idleSeconds = 20;
    } else if (name == "memory") {
        spec.phases = {{name, flood(3600)}};
        spec.logUntilBytes = 100'000'000;
    } else if (name == "record") {
        Feed::Plan plan = steady(Feed::Pattern::Text);
        plan.seconds = 120;
        spec.phases = {{"text feed 120 s, recorded to a file", plan}};
        spec.record = true;
    } else if (name == "save") {
        spec.save = true;
    } else if (name == "find") {
        spec.find = true;
    } else if (name == "a11y") {
        spec.accessible = true;
    } else if (name == "stream") {
        // Half a block more than 60 s, so that the last block is one that
        // ends by falling quiet.
        Feed::Plan plan = steady(Feed::Pattern::Text);
        plan.seconds = 60 + 1024.0 / plan.bytesPerSecond;
        spec.phases = {{"92,160 B/s text for 60 s, quiet time 0", plan, 0},
                       {"92,160 B/s text for 60 s, quiet time 100 ms", plan, 100}};
        spec.targets = Targets::Stream;
    } else if (name == "fastest") {
        Feed::Plan plan = flood(20);
        plan.pattern = Feed::Pattern::Text;
        spec.phases = {{"text as fast as it is taken for 20 s, quiet time 100 ms", plan, 100},
                       {"the same, recorded to a file", plan, 100, true}};
        spec.typeKeys = true;
        spec.wholeFlood = true;
        spec.peers = true;
        spec.targets = Targets::Fastest;
    } else if (name == "paced") {
        spec.phases = {{"92,160 B/s text for 20 s, quiet time 0", steady(Feed::Pattern::Text), 0}};
        spec.peers = true;
        spec.targets = Targets::Paced;
    } else if (name == "lines") {
        // Chunks of 64 bytes: most lines come in two reads.
        Feed::Plan plan = steady(Feed::Pattern::Lines);
        plan.seconds = 30;
        spec.phases = {{"92,160 B/s of 80-character lines for 30 s, quiet-time framing (100 ms)",
                        plan, 100},
                       {"the same with LineEnd=LF", plan, 100, false, false, 1}};
        spec.typeKeys = true;
        spec.targets = Targets::Lines;
    } else if (name == "lines-fastest") {
        Feed::Plan plan = flood(20);
        plan.pattern = Feed::Pattern::Lines;
        spec.phases = {{"80-character lines as fast as they are taken for 20 s, LineEnd=LF", plan,
                        100, false, false, 1}};
        spec.wholeFlood = true;
        spec.peers = true;
        spec.targets = Targets::LinesFastest;
    } else if (name == "plot") {
        // Shown for 70 s, so that the plot's minute fills with 66,000 points a series.
        Feed::Plan shown = steady(Feed::Pattern::Numbers);
        shown.seconds = 70;
        spec.phases = {
            {"lines of three numbers for 20 s, plot hidden", steady(Feed::Pattern::Numbers)},
            {"the same for 70 s, plot shown", shown, 0, false, false, 0, true}};
        spec.typeKeys = true;
        spec.targets = Targets::Plot;
    } else if (name == "sendfile") {
        spec.sendFile = true;
    } else if (name == "triggers") {
        Feed::Plan plan = steady(Feed::Pattern::Text);
        plan.seconds = 30;
        spec.phases = {{"92,160 B/s text for 30 s, quiet time 0, no trigger rules", plan},
                       {"the same with 16 trigger rules", plan, 0, false, false, 0, false, true}};
        spec.targets = Targets::Triggers;
    } else if (name == "rfc2217") {
        spec.phases = {{"local pseudo-terminal", steady(Feed::Pattern::Text)},
                       {"through ser2net (RFC 2217)", steady(Feed::Pattern::Text)}};
        spec.throughSer2net = true;
    } else {
        return std::nullopt;
    }
    return spec;
}

void runEventsFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

class NoDevices : public SerialDeviceSource {
public:
    QList<SerialDevice> devices() const override { return {}; }
};

// The window as a user has it: settings from its data folder, COM1 open as
// Ports.ini maps it.
struct Program {
    QTemporaryDir data;
    NoDevices devices;
    SettingsRecord settings;
    std::unique_ptr<PortByEntry> port;
    std::unique_ptr<frmMain> window;
    int master = -1; // the device's end of the pseudo-terminal

    bool open(const QString &slave, int peculiar, int quietMs)
    {
        qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
        SystemFolders::SetProgramFolderForTesting(data.path() + QStringLiteral("/none"));
        QDir().mkpath(SystemFolders::DataFolder());
        QFile ini(SystemFolders::DataFolder() + QStringLiteral("Settings.ini"));
        if (!ini.open(QIODevice::WriteOnly))
            return false;
        ini.write(QStringLiteral("[SETTINGS]\r\nComPort=0\r\nBaudrate=13\r\nPeculiar=%1\r\n"
                                 "WaitTime=%2\r\nShowOptions=1\r\nDTR=1\r\n")
                      .arg(peculiar)
                      .arg(quietMs)
                      .toLatin1());
        ini.close();
        if (!mapCom1(slave))
            return false;
        MessageBoxes::setPresenter([](const MessageBoxes::Message &m) {
            std::fprintf(stderr, "message: %s: %s\n", qPrintable(m.title), qPrintable(m.text));
        });
        port = std::make_unique<PortByEntry>([this](int n) {
            ComPortMap map(settings.DataFolder, devices);
            const ComPortMap::Lookup found = map.pathFor(n, settings.Language);
            return PortPath{found.path, found.error, found.mappedPath, found.identity};
        });
        window = std::make_unique<frmMain>(settings, *port);
        window->Form_Load();
        window->show();
        return QTest::qWaitForWindowExposed(window.get()) && port->PortOpen();
    }
    bool mapCom1(const QString &entry)
    {
        QFile ini(SystemFolders::DataFolder() + QStringLiteral("Ports.ini"));
        return ini.open(QIODevice::WriteOnly) &&
               ini.write("[PORTS]\r\nCOM1=" + entry.toLocal8Bit() + "\r\n") > 0;
    }
    // COM1 is now what `entry` names, opened as Accept in the settings does.
    bool reopenAs(const QString &entry)
    {
        if (!mapCom1(entry))
            return false;
        window->engine().connection().fkt_MainOpenPort();
        return port->PortOpen();
    }
    LogView *logView() const { return window->findChild<LogView *>("lstSendReceive"); }
    // As the user types it into the Delay [ms] box.
    void setQuietTime(int ms)
    {
        window->findChild<QLineEdit *>("txtWaitTime")->setText(QString::number(ms));
    }
};

struct Meter {
    double cpu = 0;
    double server = 0;
    long wakes = 0;
    qint64 startNs = 0;
    qint64 serverPid = 0;
    Meter() : serverPid(qEnvironmentVariableIntValue("LINTROVA_BENCH_XPID")) { restart(); }
    void restart()
    {
        cpu = Probes::processCpuSeconds();
        wakes = Probes::wakeUps();
        server = Probes::processCpuSeconds(serverPid);
        startNs = Feed::monotonicNs();
    }
    double cpuUsed() const { return Probes::processCpuSeconds() - cpu; }
    double serverUsed() const
    {
        const double now = Probes::processCpuSeconds(serverPid);
        return now < 0 || server < 0 ? -1 : now - server;
    }
};

void printTimerLateness(const Probes::TimerLateness &probe)
{
    const QList<double> &late = probe.latenessMs();
    const double worst = Probes::largest(late);
    std::printf("  1 ms timer: %lld ticks, lateness median %.2f ms, 99th percentile %.2f ms, "
                "max %.1f ms\n",
                static_cast<long long>(late.size()), Probes::percentile(late, 50),
                Probes::percentile(late, 99), worst);
}

// Types letters into the send box through the X server, as a user would.
std::unique_ptr<QProcess> typeKeys(frmMain &window)
{
    auto *box = window.findChild<QLineEdit *>("txtSend");
    box->setFocus();
    const QString id = QString::number(window.winId());
    QProcess::execute(QStringLiteral("xdotool"),
                      {QStringLiteral("windowfocus"), QStringLiteral("--sync"), id});
    auto typist = std::make_unique<QProcess>();
    typist->start(QStringLiteral("xdotool"),
                  {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("250"),
                   QStringLiteral("abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyzabcdefgh")});
    return typist;
}

// Ticks File > Record log, choosing a file in the program's folder.
std::unique_ptr<RecordingFollower> startRecording(Program &program)
{
    const QString path = program.data.filePath(QStringLiteral("recorded.log"));
    auto follower = std::make_unique<RecordingFollower>(program.window->engine().log(), path);
    program.window->setLogFileChooser([path](const QString &) { return path; });
    program.window->findChild<QAction *>("mnuFileRecordLog")->trigger();
    return follower;
}

// Reads the recording thread's CPU, unticks the item and compares the file
// with every line appended meanwhile.
bool stopRecording(Program &program, RecordingFollower &follower)
{
    const double threadCpu = Probes::threadCpuSeconds("lintrova-record");
    follower.poll();
    program.window->findChild<QAction *>("mnuFileRecordLog")->trigger();
    program.window->recorder().finish();
    follower.poll(); // the rest, synced when recording stopped
    QFile file(program.window->recorder().path());
    const bool same = follower.complete();
    std::printf("  recorded file: %lld bytes, the same as every line appended: %s\n",
                static_cast<long long>(file.size()), same ? "yes" : "NO");
    std::printf("  recording thread CPU %.2f s; a line reached the file after %.0f ms median, "
                "%.0f ms at most (seen by a reader looking ten times a second)\n",
                threadCpu, follower.medianLagMs(), follower.maxLagMs());
    return same;
}

// Whether every [IN] line's hex text gives back its bytes; checked after the
// measurement, so it costs the program nothing.
bool hexShowsEveryByte(const TrafficLog &log)
{
    for (int i = 0; i < log.count(); ++i) {
        const QByteArray bytes = log.lineBytes(i).mid(TrafficLog::kPrefixLength);
        const QByteArray hex =
            log.shownBytes(i, TrafficLog::Form::Hex).mid(TrafficLog::kPrefixLength);
        if (QByteArray::fromHex(hex) != bytes ||
            hex.size() != std::max<qsizetype>(0, bytes.size() * 3 - 1))
            return false;
    }
    return true;
}

// The text feed's line k (64 bytes, one chunk) begins with k in seven
// digits and goes on "ick brown": "000ick brown" ends in every thousandth
// line, 1.44 times a second
// at 92,160 B/s, below the loop guard's 10. Fifteen more rules never match;
// their cost is the same, as all patterns are matched in one pass.
constexpr int kTriggerEvery = 1000;

void setTriggerRules(Program &program, bool on)
{
    TriggerSet set;
    if (on) {
        for (int i = 1; i <= 15; ++i) {
            TriggerRule rule;
            rule.when = QStringLiteral("no such text %1<CR>").arg(i);
            rule.send = QStringLiteral("<NAK>");
            set.rules << rule;
        }
        TriggerRule answering;
        answering.when = QStringLiteral("000ick brown");
        answering.send = QStringLiteral("<ACK>");
        set.rules << answering;
    }
    program.window->engine().triggers().setRules(set);
}

// Reads the replies from the device's end on a thread of its own, each
// byte's arrival on the steady clock.
class ReplyReader {
public:
    explicit ReplyReader(int master) : m_master(master)
    {
        m_thread = std::thread([this] {
            while (!m_stop) {
                pollfd watch{m_master, POLLIN, 0};
                if (::poll(&watch, 1, 50) <= 0)
                    continue;
                char buffer[256];
                const ssize_t n = ::read(m_master, buffer, sizeof buffer);
                const qint64 now = Feed::monotonicNs();
                for (ssize_t i = 0; i < n; ++i)
                    m_arrivals.push_back(now);
            }
        });
    }
    // The arrival times, once the thread has ended.
    std::vector<qint64> stop()
    {
        m_stop = true;
        m_thread.join();
        return m_arrivals;
    }

private:
    int m_master;
    std::atomic<bool> m_stop{false};
    std::vector<qint64> m_arrivals;
    std::thread m_thread;
};

// Reply i answers line 1000 i, whose chunk the feed wrote at its due time.
QList<double> replyTimes(const std::vector<qint64> &arrivals, qint64 goNs, const Feed::Plan &plan)
{
    QList<double> ms;
    for (std::size_t i = 0; i < arrivals.size(); ++i) {
        const double written = goNs + double(i) * kTriggerEvery * 64 * 1e9 / plan.bytesPerSecond;
        ms << (arrivals[i] - written) / 1e6;
    }
    return ms;
}

int runPhase(Program &program, const Spec &spec, const Phase &phase, const Feed::Child &peer,
             Figures &figures)
{
    setTriggerRules(program, phase.triggers);
    std::unique_ptr<ReplyReader> replies;
    if (phase.triggers)
        replies = std::make_unique<ReplyReader>(program.master);
    program.setQuietTime(phase.quietMs);
    program.settings.LineEnd = quint8(phase.lineEnd); // as the settings dialog sets it
    TrafficLog &log = program.window->engine().log();
    auto *hexItem = program.window->findChild<QAction *>("mnuViewHex");
    if (hexItem->isChecked() != phase.hex)
        hexItem->trigger();
    auto *plotItem = program.window->findChild<QAction *>("mnuViewPlot");
    if (plotItem->isChecked() != phase.plot)
        plotItem->trigger();
    Probes::PaintEnds plotPaints(program.window->findChild<QWidget *>("picPlot"));
    Probes::PaintEnds paints(program.logView()->viewport());
    LogChecker checker(log, phase.plan.pattern);
    Probes::TimerLateness lateness;
    std::unique_ptr<Probes::KeyToPaint> keys;
    std::unique_ptr<QProcess> typist;
    if (spec.probeTimer)
        lateness.start();
    // With the plot shown, the keys come in the last 16 s, when its minute is full.
    QTimer typingStart;
    typingStart.setSingleShot(true);
    QObject::connect(&typingStart, &QTimer::timeout, [&] { typist = typeKeys(*program.window); });
    if (spec.typeKeys) {
        keys = std::make_unique<Probes::KeyToPaint>(program.window->findChild<QLineEdit *>("txtSend"));
        typingStart.start(phase.plot ? int((phase.plan.seconds - 16) * 1000) : 0);
    }
    const quint64 frames0 = program.logView()->framesDone();
    Feed::Report report;
    bool reported = false;
    QSocketNotifier doneWatch(peer.done, QSocketNotifier::Read);
    QObject::connect(&doneWatch, &QSocketNotifier::activated, [&] {
        reported = ::read(peer.done, &report, sizeof report) == sizeof report;
        doneWatch.setEnabled(false);
    });
    std::unique_ptr<RecordingFollower> follower;
    if (spec.record || phase.record)
        follower = startRecording(program);
    long nextRssMark = 10'000'000;
    const bool flooding = phase.plan.pace == Feed::Pace::Flood && !spec.wholeFlood;
    Meter meter;
    const char go = 1;
    if (::write(peer.go, &go, 1) != 1)
        return 1;
    const qint64 goNs = Feed::monotonicNs();
    const qint64 limitNs = meter.startNs + qint64((phase.plan.seconds + 60) * 1e9);
    bool done = false;
    while (!done && Feed::monotonicNs() < limitNs) {
        runEventsFor(200);
        if (spec.logUntilBytes > 0) {
            while (checker.bytesSeen() >= nextRssMark) {
                std::printf("  %3ld MB logged: resident %ld KiB (peak %ld KiB), log %d lines\n",
                            nextRssMark / 1'000'000, Probes::residentKiB(),
                            Probes::peakResidentKiB(), log.count());
                std::fflush(stdout);
                nextRssMark += 10'000'000;
            }
            done = checker.bytesSeen() >= spec.logUntilBytes || !checker.inOrder();
        } else if (flooding) {
            done = reported;
        } else {
            done = reported && (checker.bytesSeen() >= report.bytesWritten || !checker.inOrder());
        }
    }
    const double cpu = meter.cpuUsed();
    const double server = meter.serverUsed();
    const double wall = (Feed::monotonicNs() - meter.startNs) / 1e9;
    const long wakes = Probes::wakeUps() - meter.wakes;
    lateness.stop();
    if (spec.logUntilBytes > 0)
        ::kill(peer.pid, SIGTERM);
    const bool complete = flooding || spec.logUntilBytes > 0 ||
                          (reported && checker.bytesSeen() == report.bytesWritten);
    figures.complete = checker.inOrder() && complete;
    figures.bytes = checker.bytesSeen();
    figures.lines = checker.lines();
    figures.seconds = wall;
    figures.cpuPercent = 100.0 * cpu / wall;
    figures.lastLineMs = (checker.lastLineNs() - report.lastWriteNs) / 1e6;
    figures.writtenPerSecond = report.bytesWritten / phase.plan.seconds;
    figures.peakKiB = Probes::peakResidentKiB();
    std::printf("%s: %lld bytes in %lld [IN] lines, every byte once and in order: %s\n",
                qPrintable(phase.label), static_cast<long long>(checker.bytesSeen()),
                static_cast<long long>(checker.lines()), figures.complete ? "yes" : "NO");
    if (flooding) {
        std::printf("  peer wrote %lld bytes in %.1f s; the log showed %.0f bytes/s\n",
                    static_cast<long long>(report.bytesWritten), phase.plan.seconds,
                    checker.bytesSeen() / wall);
    } else if (spec.logUntilBytes == 0) {
        if (phase.plan.pace == Feed::Pace::Flood)
            std::printf("  the writer wrote %lld bytes in %.1f s (%.2f MB/s)\n",
                        static_cast<long long>(report.bytesWritten), phase.plan.seconds,
                        figures.writtenPerSecond / 1e6);
        std::printf("  last line appended %.1f ms after the last byte was written\n",
                    figures.lastLineMs);
    }
    const qint64 painted = paints.firstAfter(checker.lastLineNs());
    figures.paintedMs = painted < 0 ? -1 : (painted - report.lastWriteNs) / 1e6;
    figures.frames = program.logView()->framesDone() - frames0;
    if (phase.hex)
        figures.hexShowsEveryByte = hexShowsEveryByte(log);
    figures.plotFrames = plotPaints.count();
    figures.plotPaintMs = plotPaints.busyMs();
    std::printf("  program CPU %.2f s over %.1f s = %.2f %% of a core; X server CPU %.2f s; "
                "%llu frames; %.0f wake-ups a second; peak resident %ld KiB\n",
                cpu, wall, figures.cpuPercent, server,
                static_cast<unsigned long long>(program.logView()->framesDone() - frames0),
                wakes / wall, figures.peakKiB);
    if (spec.probeTimer)
        printTimerLateness(lateness);
    if (replies) {
        figures.replyMs = replyTimes(replies->stop(), goNs, phase.plan);
        figures.matches = (report.bytesWritten / 64 + kTriggerEvery - 1) / kTriggerEvery;
        // The matcher alone on the same bytes, as the port hands them over
        // (reads of 64): the program's CPU above also holds the load of the
        // machine's other work.
        StreamMatcher matcher;
        QList<QByteArray> patterns;
        for (const TriggerRule &rule : program.window->engine().triggers().rules().rules)
            patterns << DecodeToBytes(rule.when).value_or(QByteArray());
        matcher.setPatterns(patterns);
        qint64 found = 0;
        QList<QByteArray> reads;
        for (qint64 at = 0; at < report.bytesWritten; at += 64)
            reads << Feed::bytes(phase.plan.pattern, at, 64);
        const auto threadCpu = [] {
            timespec t{};
            clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
            return double(t.tv_sec) + t.tv_nsec / 1e9;
        };
        const double startCpu = threadCpu();
        for (const QByteArray &read : std::as_const(reads))
            matcher.feed(read, [&found](int, qsizetype) { ++found; });
        figures.matchingPercent = 100.0 * (threadCpu() - startCpu) / wall;
        std::printf("  the matcher alone: %lld matches in %lld bytes, %.3f %% of a core over the "
                    "phase\n",
                    static_cast<long long>(found), static_cast<long long>(report.bytesWritten),
                    figures.matchingPercent);
        double worst = 0;
        int worstAt = -1;
        for (int i = 0; i < figures.replyMs.size(); ++i)
            if (figures.replyMs[i] > worst)
                worst = figures.replyMs[worstAt = i];
        std::printf("  the latest reply answered line %d\n", worstAt * kTriggerEvery);
        std::printf("  %lld replies to %lld matches; last byte of a match to the first of its "
                    "reply: median %.2f ms, max %.2f ms\n",
                    static_cast<long long>(figures.replyMs.size()),
                    static_cast<long long>(figures.matches),
                    Probes::percentile(figures.replyMs, 50), worst);
    }
    if (follower) {
        figures.recorded = stopRecording(program, *follower);
        if (!figures.recorded)
            return 1;
    }
    if (keys) {
        if (typist)
            typist->waitForFinished(30000);
        figures.keyMs = keys->latencyMs();
        const double worst = Probes::largest(figures.keyMs);
        std::printf("  key to painted send box: %lld keys, median %.2f ms, max %.2f ms\n",
                    static_cast<long long>(figures.keyMs.size()),
                    Probes::percentile(figures.keyMs, 50), worst);
    }
    std::fflush(stdout);
    return figures.complete ? 0 : 1;
}

// The sendfile scenario: a 10 MB file of the text pattern, sent through
// File > Send file to a peer that reads at 92,160 B/s as a UART would.
constexpr qint64 kSendFileBytes = 10 * 1024 * 1024;
constexpr double kPeerReadsPerSecond = 92160;

struct ReaderReport {
    qint64 bytes = 0;
    bool inOrder = true;
    double seconds = 0;    // from the first byte read to the last
    double fedPercent = 0; // of the 10 ms ticks that found all that was due
};

// Forks the reading peer (before the application starts threads): after a
// byte on `go` it takes what is due every 10 ms at the peer's rate. Time the
// port leaves it short is not made up, as a UART's idle time is lost.
Feed::Child startReader(int master)
{
    int go[2], done[2];
    if (::pipe(go) != 0 || ::pipe(done) != 0)
        return {};
    Feed::Child child;
    child.pid = ::fork();
    if (child.pid == 0) {
        char byte = 0;
        if (::read(go[0], &byte, 1) != 1)
            _exit(1);
        ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
        ReaderReport report;
        constexpr qint64 kTickNs = 10'000'000;
        qint64 next = Feed::monotonicNs(), firstNs = -1, lastNs = 0, ticks = 0, fed = 0;
        double due = 0;
        char buffer[4096];
        while (report.bytes < kSendFileBytes && (firstNs < 0 || next - lastNs < 30'000'000'000)) {
            next += kTickNs;
            const timespec at{time_t(next / 1'000'000'000), long(next % 1'000'000'000)};
            ::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr);
            due += kPeerReadsPerSecond * kTickNs / 1e9;
            const qint64 want = std::min<qint64>(qint64(due), kSendFileBytes - report.bytes);
            qint64 got = 0;
            while (got < want) {
                const ssize_t n = ::read(master, buffer,
                                         size_t(std::min<qint64>(want - got, 4096)));
                if (n <= 0)
                    break;
                for (ssize_t i = 0; i < n; ++i)
                    report.inOrder &= buffer[i] ==
                                      Feed::byteAt(Feed::Pattern::Text, report.bytes + i);
                report.bytes += n;
                got += n;
            }
            due -= want;
            if (got > 0 && firstNs < 0)
                firstNs = next;
            if (got > 0)
                lastNs = next;
            if (firstNs >= 0 && report.bytes < kSendFileBytes) {
                ++ticks;
                fed += got == want;
            }
        }
        report.seconds = (lastNs - firstNs) / 1e9;
        report.fedPercent = ticks > 0 ? 100.0 * fed / ticks : 0;
        _exit(::write(done[1], &report, sizeof report) == sizeof report ? 0 : 1);
    }
    ::close(go[0]);
    ::close(done[1]);
    child.go = go[1];
    child.done = done[0];
    return child;
}

Feed::Plan sameStream()
{
    Feed::Plan plan = steady(Feed::Pattern::Text);
    plan.seconds = kSendFileBytes / kPeerReadsPerSecond;
    return plan;
}

int runSendFile(Program &program, const Feed::Child &reader, const Feed::Child &feed)
{
    const QString path = program.data.filePath(QStringLiteral("send.bin"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    for (qint64 at = 0; at < kSendFileBytes; at += 1 << 20)
        file.write(Feed::bytes(Feed::Pattern::Text, at,
                               qsizetype(std::min<qint64>(1 << 20, kSendFileBytes - at))));
    file.close();
    program.window->setSendFileChooser([path] { return path; });
    // The pause dialog is answered as a user would: Send, no pause.
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&answer] {
        if (QWidget *dialog = QApplication::activeModalWidget()) {
            answer.stop();
            dialog->findChild<QPushButton *>(QStringLiteral("cmdSend"))->click();
        }
    });
    answer.start(20);
    runEventsFor(500);
    const long residentBefore = Probes::residentKiB();
    long residentMost = residentBefore;
    auto *box = program.window->findChild<QLineEdit *>("txtSend");
    Probes::KeyToPaint keys(box);
    std::unique_ptr<QProcess> typist = typeKeys(*program.window);
    const char go = 1;
    if (::write(reader.go, &go, 1) != 1)
        return 1;
    Meter meter;
    program.window->findChild<QAction *>("mnuFileSendFile")->trigger();
    TerminalEngine &engine = program.window->engine();
    while (engine.sendingFile()) {
        runEventsFor(200);
        residentMost = std::max(residentMost, Probes::residentKiB());
        if (typist->state() == QProcess::NotRunning) { // keys typed all the way through
            box->clear();
            typist = typeKeys(*program.window);
        }
    }
    const double sendCpu = meter.cpuUsed();
    const double sendWall = (Feed::monotonicNs() - meter.startNs) / 1e9;
    typist->waitForFinished(30000);
    ReaderReport got;
    pollfd watch{reader.done, POLLIN, 0};
    if (::poll(&watch, 1, 60000) != 1 || ::read(reader.done, &got, sizeof got) != sizeof got)
        std::printf("  the reading peer did not report\n");
    QList<double> keyMs = keys.latencyMs();
    const double keyWorst = keyMs.isEmpty() ? -1 : Probes::largest(keyMs);
    const qint64 sent = engine.fileSender().sentBytes();
    const int sentLines = engine.log().count();
    std::printf(
        "sendfile: a %lld-byte file through File > Send file to a peer reading at 92,160 B/s\n",
        static_cast<long long>(kSendFileBytes));
    std::printf("  handed to the port %lld bytes; the peer read %lld in %.1f s\n",
                static_cast<long long>(sent), static_cast<long long>(got.bytes), got.seconds);
    program.window->engine().cmdDelete_Click();
    program.settings.Peculiar = 1;
    Spec spec;
    Figures received;
    const Phase phase{"receiving the same stream (text feed at 92,160 B/s, quiet time 0)",
                      sameStream()};
    const int status = runPhase(program, spec, phase, feed, received);
    const double sendPercent = 100.0 * sendCpu / sendWall;
    const bool whole = got.inOrder && got.bytes == kSendFileBytes && sent == kSendFileBytes;
    std::printf("sendfile targets:\n");
    std::printf("  every byte once and in order: %s (target: yes)\n", whole ? "yes" : "NO");
    std::printf("  port kept fed %.1f %% of the time (target: at least 90 %%)\n", got.fedPercent);
    std::printf(
        "  CPU sending %.2f %% of a core, receiving %.2f %%: %.2f times (target: at most 2)\n",
        sendPercent, received.cpuPercent,
        received.cpuPercent > 0 ? sendPercent / received.cpuPercent : 0);
    std::printf(
        "  key press to painted send box while sending: %lld keys, median %.2f ms, max %.2f ms "
        "(target: at most 50 ms)\n",
        static_cast<long long>(keyMs.size()), Probes::percentile(keyMs, 50), keyWorst);
    std::printf("  resident size grew by %ld KiB while sending, the log's %d lines included "
                "(target: at most 16 MB beyond the log's lines)\n",
                residentMost - residentBefore, sentLines);
    std::fflush(stdout);
    return whole ? status : 1;
}

int runIdle(Program &program, double seconds)
{
    runEventsFor(1000); // start-up settles
    Meter meter;
    runEventsFor(int(seconds * 1000));
    const double cpu = meter.cpuUsed();
    std::printf("  %.1f wake-ups a second\n", (Probes::wakeUps() - meter.wakes) / seconds);
    std::printf("idle: port open, %.0f s: program CPU %.3f s = %.3f %% of a core; receive timer "
                "%s, repetition timer %s\n",
                seconds, cpu, 100.0 * cpu / seconds,
                program.window->engine().receiveTimerEnabled() ? "running" : "off",
                program.window->engine().repeatTimerEnabled() ? "running" : "off");
    return 0;
}

void printTarget(const QString &figure, const QString &target);
QString yesNo(bool yes);

// A full log saved through the File menu, then kept as LastLog.txt by the
// window's end.
int runSave(Program &program)
{
    TrafficLog &log = program.window->engine().log();
    const QString block = Codec::toText(
        Feed::bytes(Feed::Pattern::Bytes, 0, 2048 - TrafficLog::kPrefixLength));
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (int i = 0; i < TrafficLog::kClearAboveIndex + 1; ++i)
        log.AppendTrafficLine(TrafficLog::Direction::Received, block, now);
    runEventsFor(200);
    const QString path = program.data.filePath(QStringLiteral("saved.log"));
    program.window->setLogFileChooser([path](const QString &) { return path; });
    QElapsedTimer clock;
    clock.start();
    program.window->findChild<QAction *>("mnuFileSaveLog")->trigger();
    const qint64 ms = clock.elapsed();
    std::printf("save: %d lines of 2,048 characters (bytes 0-255): %lld ms, file %lld bytes; "
                "resident %ld KiB with the full log\n",
                log.count(), static_cast<long long>(ms),
                static_cast<long long>(QFileInfo(path).size()), Probes::residentKiB());
    const QString lastLog = program.settings.DataFolder + QStringLiteral("LastLog.txt");
    clock.restart();
    program.window->close();
    const qint64 endMs = clock.elapsed();
    printTarget(QStringLiteral("the end with a full log: %1 ms, LastLog.txt %2 bytes")
                    .arg(endMs)
                    .arg(QFileInfo(lastLog).size()),
                QStringLiteral("under 2 s: %1").arg(yesNo(endMs < 2000)));
    return QFileInfo(path).size() > 0 && QFileInfo(lastLog).size() == QFileInfo(path).size() ? 0
                                                                                             : 1;
}


// Milliseconds of one search through the find bar, started by its Next button.
double timedSearch(Program &program, const QString &text)
{
    program.window->findChild<QLineEdit *>("txtFind")->setText(text);
    QPushButton *next = program.window->findChild<QPushButton *>("cmdFindNext");
    QElapsedTimer clock;
    clock.start();
    next->click();
    return clock.nsecsElapsed() / 1e6;
}

double medianOfFive(Program &program, const QString &text)
{
    QList<double> times;
    for (int i = 0; i < 5; ++i)
        times.append(timedSearch(program, text));
    std::sort(times.begin(), times.end());
    return times[2];
}

// A full log of lines of 2,048 bytes 0-255, their control characters shown as
// tokens (the receive path with Peculiar=1). No feed runs meanwhile.
TrafficLog &fillLog(Program &program)
{
    TrafficLog &log = program.window->engine().log();
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (int i = 0; i < TrafficLog::kClearAboveIndex + 1; ++i) {
        const QString block = Codec::toText(
            Feed::bytes(Feed::Pattern::Bytes, i, 2048 - TrafficLog::kPrefixLength));
        log.AppendTrafficLine(TrafficLog::Direction::Received, block, now,
                              TrafficLog::TextForm::Tokens);
    }
    return log;
}

// The full log searched for a text it does not hold in the text view and for
// bytes it does not hold in the hex view.
int runFind(Program &program)
{
    TrafficLog &log = fillLog(program);
    program.window->findChild<QAction *>("mnuViewFind")->trigger();
    runEventsFor(500);
    const double text = medianOfFive(program, QStringLiteral("zzqx"));
    const QString result = program.window->findChild<QLabel *>("labFindResult")->text();
    program.window->findChild<QAction *>("mnuViewHex")->trigger();
    runEventsFor(200);
    const double hex = medianOfFive(program, QStringLiteral("D2 D2"));
    const QString hexResult = program.window->findChild<QLabel *>("labFindResult")->text();
    std::printf("find: %d lines of 2,048 bytes 0-255 (control characters as tokens), the feed "
                "stopped; median of 5 searches without a match (\"%s\", \"%s\"):\n",
                log.count(), qPrintable(result), qPrintable(hexResult));
    printTarget(QStringLiteral("text view, \"zzqx\": %1 ms").arg(text, 0, 'f', 1),
                QStringLiteral("under 100 ms: %1").arg(yesNo(text < 100)));
    printTarget(QStringLiteral("hex view, \"D2 D2\": %1 ms").arg(hex, 0, 'f', 1),
                QStringLiteral("under 100 ms: %1").arg(yesNo(hex < 100)));
    return log.count() == TrafficLog::kClearAboveIndex + 1 && !result.isEmpty() ? 0 : 1;
}

// What a screen reader asks to read the screen: the line at the top of the
// view, then each line below it while it is on screen, its name, state and
// place. Returns the lines read.
int queryVisibleLines(LogView &view)
{
    QAccessibleInterface *list = QAccessible::queryAccessibleInterface(&view);
    const QPoint top = view.viewport()->mapToGlobal(QPoint(1, 1));
    QAccessibleInterface *line = list ? list->childAt(top.x(), top.y()) : nullptr;
    int read = 0;
    for (int row = line ? list->indexOfChild(line) : list->childCount(); row < list->childCount();
         ++row) {
        line = list->child(row);
        if (line->state().offscreen)
            break;
        read += !line->text(QAccessible::Name).isEmpty() && line->rect().isValid();
    }
    return read;
}

// The lines on screen of the full log through its accessible interface, as
// often as a client polling every 0.1 s asks; beside it one walk of every
// line, which the interface never needs to do itself.
int runAccessible(Program &program)
{
    TrafficLog &log = fillLog(program);
    runEventsFor(500);
    LogView &view = *program.window->findChild<LogView *>("lstSendReceive");
    QList<double> times;
    int read = 0;
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer clock;
        clock.start();
        read = queryVisibleLines(view);
        times.append(clock.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    QAccessibleInterface *list = QAccessible::queryAccessibleInterface(&view);
    QElapsedTimer clock;
    clock.start();
    qsizetype characters = 0;
    for (int row = 0; row < list->childCount(); ++row)
        characters += list->child(row)->text(QAccessible::Name).size();
    const double whole = clock.nsecsElapsed() / 1e6;
    std::printf("a11y: %d lines of 2,048 bytes 0-255 (control characters as tokens); one query "
                "of the %d lines on screen (median of 5): %.2f ms; for contrast, a walk of every "
                "line by a client: %.0f ms (%lld characters)\n",
                log.count(), read, times[2], whole, static_cast<long long>(characters));
    return read > 0 && log.count() == TrafficLog::kClearAboveIndex + 1 ? 0 : 1;
}

void printViewsSideBySide(const Figures &text, const Figures &hex)
{
    const auto yes = [](bool b) { return b ? "yes" : "NO"; };
    std::printf("\n%-44s %12s %12s\n", "92,160 B/s text feed, quiet time 0", "text view",
                "hex view");
    std::printf("%-44s %12s %12s\n", "every byte once and in order", yes(text.complete),
                yes(hex.complete));
    std::printf("%-44s %12s %12s\n", "every byte shown in hex", "", yes(hex.hexShowsEveryByte));
    std::printf("%-44s %12.1f %12.1f\n", "last line appended after last byte (ms)", text.lastLineMs,
                hex.lastLineMs);
    std::printf("%-44s %12.1f %12.1f\n", "last line on screen after last byte (ms)", text.paintedMs,
                hex.paintedMs);
    std::printf("%-44s %12.2f %12.2f\n", "program CPU (% of a core)", text.cpuPercent,
                hex.cpuPercent);
    std::printf("%-44s %12llu %12llu\n", "frames", static_cast<unsigned long long>(text.frames),
                static_cast<unsigned long long>(hex.frames));
    std::printf("hex view to text view: CPU %.2f (target at most 1.2), last line on screen "
                "%+.1f ms (target at most +10)\n",
                text.cpuPercent > 0 ? hex.cpuPercent / text.cpuPercent : 0.0,
                hex.paintedMs - text.paintedMs);
}

void printPeer(const Peers::Result &peer, const Feed::Plan &plan)
{
    if (!peer.failure.isEmpty()) {
        std::printf("%s: not measured: %s\n", qPrintable(peer.name), qPrintable(peer.failure));
        return;
    }
    std::printf("%s: the writer wrote %lld bytes in %.1f s (%.2f MB/s); CPU %.2f s = %.2f %% of "
                "a core; X server CPU %.2f s\n",
                qPrintable(peer.name), static_cast<long long>(peer.bytes), peer.seconds,
                peer.bytesPerSecond() / 1e6, peer.cpuSeconds, peer.cpuPercent(),
                peer.serverCpuSeconds);
    (void)plan;
    std::fflush(stdout);
}

const Peers::Result *peerNamed(const QList<Peers::Result> &peers, const char *name)
{
    for (const Peers::Result &peer : peers)
        if (peer.name == QLatin1String(name) && peer.failure.isEmpty())
            return &peer;
    return nullptr;
}

void printTarget(const QString &figure, const QString &target)
{
    std::printf("  %-66s target: %s\n", qPrintable(figure), qPrintable(target));
}

QString yesNo(bool yes)
{
    return yes ? QStringLiteral("yes") : QStringLiteral("NO");
}

// Lines of the feed that began, the last one perhaps cut short, beside the
// [IN] lines: the same number when every line of the device became one.
void printLineTargets(const Figures &f)
{
    const qint64 deviceLines = (f.bytes + Feed::kLinesLength - 1) / Feed::kLinesLength;
    printTarget(QStringLiteral("LineEnd=LF: every byte once and in order: %1").arg(yesNo(f.complete)),
                QStringLiteral("yes"));
    printTarget(QStringLiteral("%1 [IN] lines for %2 device lines: one each: %3")
                    .arg(f.lines)
                    .arg(deviceLines)
                    .arg(yesNo(f.complete && f.lines == deviceLines)),
                QStringLiteral("one [IN] line per device line"));
}

void printKeyTarget(const Figures &f)
{
    const double worst = Probes::largest(f.keyMs);
    printTarget(QStringLiteral("key press to screen: %1 keys, median %2 ms, max %3 ms")
                    .arg(f.keyMs.size())
                    .arg(Probes::percentile(f.keyMs, 50), 0, 'f', 1)
                    .arg(worst, 0, 'f', 1),
                QStringLiteral("every key within 50 ms"));
}

void printLinesFastestTargets(const Figures &f, const QList<Peers::Result> &peers)
{
    printLineTargets(f);
    const double rate = f.complete ? f.writtenPerSecond : 0;
    const Peers::Result *cuteCom = peerNamed(peers, "CuteCom");
    const Peers::Result *picocom = peerNamed(peers, "picocom");
    printTarget(QStringLiteral("%1 MB/s taken and shown; CuteCom %2: %3x")
                    .arg(rate / 1e6, 0, 'f', 2)
                    .arg(cuteCom ? QStringLiteral("%1 MB/s").arg(cuteCom->bytesPerSecond() / 1e6, 0, 'f', 2)
                                 : QStringLiteral("not measured"))
                    .arg(cuteCom ? rate / cuteCom->bytesPerSecond() : 0, 0, 'f', 2),
                QStringLiteral("at least CuteCom's (1.00x)"));
    printTarget(QStringLiteral("picocom %1: %2x")
                    .arg(picocom ? QStringLiteral("%1 MB/s").arg(picocom->bytesPerSecond() / 1e6, 0, 'f', 2)
                                 : QStringLiteral("not measured"))
                    .arg(picocom ? rate / picocom->bytesPerSecond() : 0, 0, 'f', 2),
                QStringLiteral("at least 50 % of picocom's (0.50x)"));
    printTarget(QStringLiteral("memory: peak resident %1 MB").arg(f.peakKiB / 1024.0, 0, 'f', 1),
                QStringLiteral("below 128 MB"));
}

// Each figure beside the target it is held to.
void printTargets(Targets targets, const QList<Figures> &figures, const QList<Peers::Result> &peers)
{
    if (targets == Targets::None || figures.isEmpty())
        return;
    std::printf("targets:\n");
    if (targets == Targets::Stream && figures.size() == 2) {
        const Figures &quiet0 = figures[0];
        const Figures &quiet100 = figures[1];
        printTarget(QStringLiteral("quiet time 100 ms: every byte once and in order: %1")
                        .arg(yesNo(quiet100.complete)),
                    QStringLiteral("yes"));
        printTarget(QStringLiteral("the last line %1 ms after the feed's end")
                        .arg(quiet100.lastLineMs, 0, 'f', 1),
                    QStringLiteral("at most 150 ms"));
        printTarget(QStringLiteral("CPU %1 % of a core at quiet time 100 ms, %2 % at 0 (%3)")
                        .arg(quiet100.cpuPercent, 0, 'f', 2)
                        .arg(quiet0.cpuPercent, 0, 'f', 2)
                        .arg(quiet100.cpuPercent / std::max(quiet0.cpuPercent, 1e-9), 0, 'f', 2),
                    QStringLiteral("no more than at quiet time 0 (at most 1.00)"));
    } else if (targets == Targets::Fastest) {
        const Figures &f = figures[0];
        const double rate = f.complete ? f.writtenPerSecond : 0;
        printTarget(QStringLiteral("every byte once and in order: %1").arg(yesNo(f.complete)),
                    QStringLiteral("yes"));
        const Peers::Result *cuteCom = peerNamed(peers, "CuteCom");
        const Peers::Result *picocom = peerNamed(peers, "picocom");
        QString against;
        if (cuteCom)
            against += QStringLiteral("at least CuteCom's %1 MB/s (now %2x)")
                           .arg(cuteCom->bytesPerSecond() / 1e6, 0, 'f', 2)
                           .arg(rate / cuteCom->bytesPerSecond(), 0, 'f', 2);
        else
            against += QStringLiteral("at least CuteCom's (not measured)");
        if (picocom)
            against += QStringLiteral(", aiming at picocom's %1 MB/s (now %2x)")
                           .arg(picocom->bytesPerSecond() / 1e6, 0, 'f', 2)
                           .arg(rate / picocom->bytesPerSecond(), 0, 'f', 2);
        printTarget(QStringLiteral("%1 MB/s taken and shown").arg(rate / 1e6, 0, 'f', 2), against);
        printKeyTarget(f);
        printTarget(
            QStringLiteral("memory: peak resident %1 MB").arg(f.peakKiB / 1024.0, 0, 'f', 1),
            QStringLiteral("below 128 MB"));
        if (figures.size() == 2) {
            const Figures &recorded = figures[1];
            printTarget(QStringLiteral("recorded: %1 MB/s, every byte in order: %2, the file "
                                       "holds every line: %3")
                            .arg(recorded.complete ? recorded.writtenPerSecond / 1e6 : 0, 0, 'f', 2)
                            .arg(yesNo(recorded.complete), yesNo(recorded.recorded)),
                        QStringLiteral("the recorder keeps up"));
            printTarget(QStringLiteral("memory with recording: peak resident %1 MB")
                            .arg(recorded.peakKiB / 1024.0, 0, 'f', 1),
                        QStringLiteral("below 128 MB"));
        }
    } else if (targets == Targets::Lines && figures.size() == 2) {
        const Figures &framed = figures[0];
        const Figures &lines = figures[1];
        printLineTargets(lines);
        printTarget(QStringLiteral("CPU %1 % of a core with LineEnd=LF, %2 % with quiet-time "
                                   "framing (%3x)")
                        .arg(lines.cpuPercent, 0, 'f', 2)
                        .arg(framed.cpuPercent, 0, 'f', 2)
                        .arg(lines.cpuPercent / std::max(framed.cpuPercent, 1e-9), 0, 'f', 2),
                    QStringLiteral("at most 1.50x"));
        printKeyTarget(lines);
    } else if (targets == Targets::Triggers && figures.size() == 2) {
        const Figures &none = figures[0];
        const Figures &rules = figures[1];
        printTarget(QStringLiteral("CPU %1 % of a core with 16 rules, %2 % without: %3 more")
                        .arg(rules.cpuPercent, 0, 'f', 2)
                        .arg(none.cpuPercent, 0, 'f', 2)
                        .arg(rules.cpuPercent - none.cpuPercent, 0, 'f', 2),
                    QStringLiteral("at most 0.50 more"));
        printTarget(QStringLiteral("the matcher alone: %1 % of a core")
                        .arg(rules.matchingPercent, 0, 'f', 3),
                    QStringLiteral("at most 0.50"));
        const double worst = rules.replyMs.isEmpty() ? -1 : Probes::largest(rules.replyMs);
        printTarget(QStringLiteral("match to reply (delay 0): %1 of %2 answered, max %3 ms")
                        .arg(rules.replyMs.size())
                        .arg(rules.matches)
                        .arg(worst, 0, 'f', 2),
                    QStringLiteral("every match, at most 20 ms"));
        printTarget(QStringLiteral("every byte once and in order with the rules: %1")
                        .arg(yesNo(rules.complete)),
                    QStringLiteral("yes"));
    } else if (targets == Targets::LinesFastest) {
        printLinesFastestTargets(figures[0], peers);
    } else if (targets == Targets::Plot && figures.size() == 2) {
        const Figures &hidden = figures[0];
        const Figures &shown = figures[1];
        printTarget(QStringLiteral("every byte once and in order: %1 hidden, %2 shown")
                        .arg(yesNo(hidden.complete), yesNo(shown.complete)),
                    QStringLiteral("yes"));
        printTarget(QStringLiteral("%1 [IN] lines a second (%2 records a second)")
                        .arg(shown.lines / shown.seconds, 0, 'f', 0)
                        .arg(shown.bytes / 84.0 / shown.seconds, 0, 'f', 0),
                    QStringLiteral("about 1,100 records a second"));
        printTarget(QStringLiteral("CPU %1 % of a core hidden, %2 % shown: the plot adds %3 %")
                        .arg(hidden.cpuPercent, 0, 'f', 2)
                        .arg(shown.cpuPercent, 0, 'f', 2)
                        .arg(shown.cpuPercent - hidden.cpuPercent, 0, 'f', 2),
                    QStringLiteral("at most 5 % of a core"));
        printTarget(
            QStringLiteral("plot: %1 frames (%2 a second), %3 ms each")
                .arg(shown.plotFrames)
                .arg(shown.plotFrames / shown.seconds, 0, 'f', 1)
                .arg(shown.plotPaintMs / std::max<qsizetype>(1, shown.plotFrames), 0, 'f', 2),
            QStringLiteral("a modest rate (at most 10 a second)"));
        const double worst = Probes::largest(shown.keyMs);
        printTarget(
            QStringLiteral("key press to screen, plot shown: %1 keys, median %2 ms, max %3 ms")
                .arg(shown.keyMs.size())
                .arg(Probes::percentile(shown.keyMs, 50), 0, 'f', 1)
                .arg(worst, 0, 'f', 1),
            QStringLiteral("every key within 50 ms"));
    } else if (targets == Targets::Paced) {
        const Figures &f = figures[0];
        printTarget(QStringLiteral("CPU %1 % of a core").arg(f.cpuPercent, 0, 'f', 2),
                    QStringLiteral("no more than 2.7 %"));
        const Peers::Result *best = nullptr;
        for (const char *name : {"CuteCom", "gtkterm"}) {
            const Peers::Result *peer = peerNamed(peers, name);
            if (peer && (!best || peer->cpuPercent() < best->cpuPercent()))
                best = peer;
        }
        if (best)
            printTarget(QStringLiteral("to the best window peer (%1, %2 %): %3")
                            .arg(best->name)
                            .arg(best->cpuPercent(), 0, 'f', 2)
                            .arg(f.cpuPercent / best->cpuPercent(), 0, 'f', 2),
                        QStringLiteral("no more than 0.55, aiming at 0.33"));
        else
            printTarget(QStringLiteral("to the best window peer: not measured"),
                        QStringLiteral("no more than 0.55, aiming at 0.33"));
    }
    std::fflush(stdout);
}

} // namespace

namespace Scenario {

int run(const QString &name, int argc, char *argv[])
{
    const std::optional<Spec> spec = specFor(name);
    if (!spec) {
        std::fprintf(stderr, "unknown scenario %s\n", qPrintable(name));
        return 2;
    }
    int master = -1, slave = -1;
    char slaveName[256] = {};
    if (::openpty(&master, &slave, slaveName, nullptr, nullptr) != 0)
        return 1;
    // The peers are forked before the application starts its threads.
    QList<Feed::Child> peers;
    for (const Phase &phase : spec->phases)
        peers.append(Feed::startChild(master, phase.plan));
    Feed::Child reader, sameFeed;
    if (spec->sendFile) {
        reader = startReader(master);
        sameFeed = Feed::startChild(master, sameStream());
    }
    QList<Peers::Prepared> others;
    if (spec->peers)
        others = Peers::prepare(spec->phases.first().plan);

    QApplication app(argc, argv);
    Program program;
    const int quietMs = spec->phases.isEmpty() ? 0 : spec->phases.first().quietMs;
    if (!program.open(QString::fromLocal8Bit(slaveName), spec->peculiar, quietMs)) {
        std::fprintf(stderr, "%s: the window or its port did not open\n", qPrintable(name));
        return 1;
    }
    ::close(slave);
    program.master = master;
    int status = 0;
    if (spec->idleSeconds > 0)
        status = runIdle(program, spec->idleSeconds);
    else if (spec->save)
        status = runSave(program);
    else if (spec->find)
        status = runFind(program);
    else if (spec->accessible)
        status = runAccessible(program);
    else if (spec->sendFile)
        status = runSendFile(program, reader, sameFeed);
    // The same device behind ser2net, at the rate the window sets.
    std::unique_ptr<Ser2Net> server;
    if (spec->throughSer2net) {
        if (Ser2Net::program().isEmpty()) {
            std::fprintf(stderr, "%s: ser2net is not installed (apt-get install ser2net)\n",
                         qPrintable(name));
            return 2;
        }
        server = std::make_unique<Ser2Net>(QString::fromLocal8Bit(slaveName),
                                           QStringLiteral("921600n81"));
        if (!server->start()) {
            std::fprintf(stderr, "%s: ser2net did not start: %s\n", qPrintable(name),
                         qPrintable(server->output()));
            return 1;
        }
    }
    QList<double> cpus;
    QList<Figures> figures(spec->phases.size());
    for (int i = 0; i < spec->phases.size(); ++i) {
        if (server && i == 1 && !program.reopenAs(server->rfc2217Url())) {
            std::fprintf(stderr, "%s: COM1 did not open through ser2net\n", qPrintable(name));
            return 1;
        }
        const double before = Probes::processCpuSeconds();
        const double serverBefore = server ? Probes::processCpuSeconds(server->pid()) : 0;
        status |= runPhase(program, *spec, spec->phases[i], peers[i], figures[i]);
        cpus.append(Probes::processCpuSeconds() - before);
        if (server && i == 1)
            std::printf("  ser2net CPU %.2f s\n",
                        Probes::processCpuSeconds(server->pid()) - serverBefore);
        program.window->engine().cmdDelete_Click();
    }
    if (server && cpus.size() == 2 && cpus[0] > 0) {
        std::printf("  program CPU through ser2net to that on the local pseudo-terminal: %.2f "
                    "(%.2f s to %.2f s)\n",
                    cpus[1] / cpus[0], cpus[1], cpus[0]);
        std::printf("then idle through ser2net:\n");
        status |= runIdle(program, 20);
    } else if (spec->compareViews && figures.size() == 2)
        printViewsSideBySide(figures[0], figures[1]);
    else if (cpus.size() == 2 && cpus[1] > 0)
        std::printf("  CPU of the first to the second: %.2f\n", cpus[0] / cpus[1]);
    program.window->close();
    if (spec->sendFile)
        peers << reader << sameFeed;
    for (const Feed::Child &peer : peers) {
        ::kill(peer.pid, SIGTERM);
        ::waitpid(peer.pid, nullptr, 0);
    }
    // The other terminals on the same display, one after the other, with the
    // same feed on pseudo-terminals of their own.
    QList<Peers::Result> results;
    for (Peers::Prepared &other : others) {
        results.append(Peers::measure(other, spec->phases.first().plan,
                                      qEnvironmentVariableIntValue("LINTROVA_BENCH_XPID")));
        printPeer(results.last(), spec->phases.first().plan);
    }
    Peers::release(others);
    printTargets(spec->targets, figures, results);
    return status;
}

} // namespace Scenario
