#include "Scenario.h"

#include "Feed.h"
#include "LogChecker.h"
#include "Probes.h"
#include "RecordingFollower.h"

#include "app/SystemFolders.h"
#include "app/modGlobal.h"
#include "engine/LogRecorder.h"
#include "ports/PortByEntry.h"
#include "ports/Ser2Net.h"
#include "engine/TerminalEngine.h"
#include "host/ComPortMap.h"
#include "host/SerialDeviceSource.h"
#include "text/Codec.h"
#include "ui/LogView.h"
#include "ui/MessageBoxes.h"
#include "ui/frmMain.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <csignal>
#include <memory>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Phase {
    QString label;
    Feed::Plan plan;
    bool hex = false; // the log shown in the hex view
};

// What a phase measured, for views compared side by side.
struct Figures {
    bool complete = false;
    double appendedMs = 0; // last line appended after the last byte was written
    double paintedMs = 0;  // and on screen
    double cpuPercent = 0;
    quint64 frames = 0;
    bool hexShowsEveryByte = true;
};

struct Spec {
    QList<Phase> phases;
    int peculiar = 1;
    bool probeTimer = false;
    bool typeKeys = false;
    double idleSeconds = 0;
    qint64 logUntilBytes = 0; // memory: flood until this much was logged
    bool save = false;
    bool throughSer2net = false; // the second phase reaches the device through ser2net
    bool record = false;         // the log is recorded to a file through the File menu
    bool compareViews = false;   // text and hex view side by side
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
                       {"hex view", steady(Feed::Pattern::Text), true}};
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

struct Peer {
    pid_t pid = 0;
    int go = -1;   // write end
    int done = -1; // read end
};

Peer startPeer(int master, const Feed::Plan &plan)
{
    int go[2], done[2];
    if (::pipe(go) != 0 || ::pipe(done) != 0)
        return {};
    Peer peer;
    peer.pid = Feed::start(master, plan, go[0], done[1]);
    ::close(go[0]);
    ::close(done[1]);
    peer.go = go[1];
    peer.done = done[0];
    return peer;
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

    bool open(const QString &slave, int peculiar)
    {
        qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
        SystemFolders::SetProgramFolderForTesting(data.path() + QStringLiteral("/none"));
        QDir().mkpath(SystemFolders::DataFolder());
        QFile ini(SystemFolders::DataFolder() + QStringLiteral("Settings.ini"));
        if (!ini.open(QIODevice::WriteOnly))
            return false;
        ini.write(QStringLiteral("[SETTINGS]\r\nComPort=0\r\nBaudrate=13\r\nPeculiar=%1\r\n"
                                 "WaitTime=0\r\nShowOptions=1\r\nDTR=1\r\n")
                      .arg(peculiar)
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
    double worst = 0;
    for (double l : late)
        worst = std::max(worst, l);
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
    QFile file(program.window->recorder().path());
    const bool same = file.open(QIODevice::ReadOnly) && file.readAll() == follower.expected();
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

int runPhase(Program &program, const Spec &spec, const Phase &phase, const Peer &peer,
             Figures *figures = nullptr)
{
    TrafficLog &log = program.window->engine().log();
    auto *hexItem = program.window->findChild<QAction *>("mnuViewHex");
    if (hexItem->isChecked() != phase.hex)
        hexItem->trigger();
    Probes::PaintEnds paints(program.logView()->viewport());
    LogChecker checker(log, phase.plan.pattern);
    Probes::TimerLateness lateness;
    std::unique_ptr<Probes::KeyToPaint> keys;
    std::unique_ptr<QProcess> typist;
    if (spec.probeTimer)
        lateness.start();
    if (spec.typeKeys) {
        keys = std::make_unique<Probes::KeyToPaint>(program.window->findChild<QLineEdit *>("txtSend"));
        typist = typeKeys(*program.window);
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
    if (spec.record)
        follower = startRecording(program);
    long nextRssMark = 10'000'000;
    Meter meter;
    const char go = 1;
    if (::write(peer.go, &go, 1) != 1)
        return 1;
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
        } else if (phase.plan.pace == Feed::Pace::Flood) {
            done = reported;
        } else {
            done = reported && checker.bytesSeen() >= report.bytesWritten;
        }
    }
    const double cpu = meter.cpuUsed();
    const double server = meter.serverUsed();
    const double wall = (Feed::monotonicNs() - meter.startNs) / 1e9;
    const long wakes = Probes::wakeUps() - meter.wakes;
    lateness.stop();
    if (spec.logUntilBytes > 0)
        ::kill(peer.pid, SIGTERM);
    const bool complete = phase.plan.pace == Feed::Pace::Flood || spec.logUntilBytes > 0 ||
                          (reported && checker.bytesSeen() == report.bytesWritten);
    std::printf("%s: %lld bytes in %lld [IN] lines, every byte once and in order: %s\n",
                qPrintable(phase.label), static_cast<long long>(checker.bytesSeen()),
                static_cast<long long>(checker.lines()),
                checker.inOrder() && complete ? "yes" : "NO");
    if (phase.plan.pace == Feed::Pace::Flood && spec.logUntilBytes == 0) {
        std::printf("  peer wrote %lld bytes in %.1f s; the log showed %.0f bytes/s\n",
                    static_cast<long long>(report.bytesWritten), phase.plan.seconds,
                    checker.bytesSeen() / wall);
    } else if (spec.logUntilBytes == 0) {
        std::printf("  last line appended %.1f ms after the last byte was written\n",
                    (checker.lastLineNs() - report.lastWriteNs) / 1e6);
    }
    if (figures) {
        figures->complete = checker.inOrder() && complete;
        figures->appendedMs = (checker.lastLineNs() - report.lastWriteNs) / 1e6;
        const qint64 painted = paints.firstAfter(checker.lastLineNs());
        figures->paintedMs = painted < 0 ? -1 : (painted - report.lastWriteNs) / 1e6;
        figures->cpuPercent = 100.0 * cpu / wall;
        figures->frames = program.logView()->framesDone() - frames0;
        if (phase.hex)
            figures->hexShowsEveryByte = hexShowsEveryByte(log);
    }
    std::printf("  program CPU %.2f s over %.1f s = %.2f %% of a core; X server CPU %.2f s; "
                "%llu frames; %.0f wake-ups a second\n",
                cpu, wall, 100.0 * cpu / wall, server,
                static_cast<unsigned long long>(program.logView()->framesDone() - frames0),
                wakes / wall);
    if (spec.probeTimer)
        printTimerLateness(lateness);
    if (follower && !stopRecording(program, *follower))
        return 1;
    if (keys) {
        if (typist)
            typist->waitForFinished(30000);
        const QList<double> &latency = keys->latencyMs();
        double worst = 0;
        for (double l : latency)
            worst = std::max(worst, l);
        std::printf("  key to painted send box: %lld keys, median %.2f ms, max %.2f ms\n",
                    static_cast<long long>(latency.size()), Probes::percentile(latency, 50),
                    worst);
    }
    std::fflush(stdout);
    return checker.inOrder() && complete ? 0 : 1;
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

int runSave(Program &program)
{
    TrafficLog &log = program.window->engine().log();
    const QString block = Codec::toText(Feed::bytes(Feed::Pattern::Bytes, 0, 2048 - 21));
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (int i = 0; i < 32000; ++i)
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
    return QFileInfo(path).size() > 0 ? 0 : 1;
}

void printViewsSideBySide(const Figures &text, const Figures &hex)
{
    const auto yes = [](bool b) { return b ? "yes" : "NO"; };
    std::printf("\n%-44s %12s %12s\n", "92,160 B/s text feed, quiet time 0", "text view",
                "hex view");
    std::printf("%-44s %12s %12s\n", "every byte once and in order", yes(text.complete),
                yes(hex.complete));
    std::printf("%-44s %12s %12s\n", "every byte shown in hex", "", yes(hex.hexShowsEveryByte));
    std::printf("%-44s %12.1f %12.1f\n", "last line appended after last byte (ms)", text.appendedMs,
                hex.appendedMs);
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
    QList<Peer> peers;
    for (const Phase &phase : spec->phases)
        peers.append(startPeer(master, phase.plan));

    QApplication app(argc, argv);
    Program program;
    if (!program.open(QString::fromLocal8Bit(slaveName), spec->peculiar)) {
        std::fprintf(stderr, "%s: the window or its port did not open\n", qPrintable(name));
        return 1;
    }
    ::close(slave);
    int status = 0;
    if (spec->idleSeconds > 0)
        status = runIdle(program, spec->idleSeconds);
    else if (spec->save)
        status = runSave(program);
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
        status |= runPhase(program, *spec, spec->phases[i], peers[i], &figures[i]);
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
    for (const Peer &peer : peers) {
        ::kill(peer.pid, SIGTERM);
        ::waitpid(peer.pid, nullptr, 0);
    }
    return status;
}

} // namespace Scenario
