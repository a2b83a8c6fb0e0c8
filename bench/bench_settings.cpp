// Times loading and saving the settings and the default command file on
// files of normal size, and loading a 10 MB garbage settings file. Prints
// the median and the worst of several rounds; targets: 5 ms for each normal
// load or save, 1 s for the garbage load.
#include "app/SettingsStore.h"
#include "app/SystemFolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

void report(const char *what, int rounds, double targetMs, const std::function<void()> &prepare,
            const std::function<void()> &run)
{
    std::vector<double> ms;
    for (int i = 0; i < rounds; ++i) {
        prepare();
        QElapsedTimer timer;
        timer.start();
        run();
        ms.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%-44s median %8.3f ms  worst %8.3f ms  (target < %.0f ms, %d rounds)\n", what,
                ms[ms.size() / 2], ms.back(), targetMs, rounds);
}

QByteArray normalSettings()
{
    return "; settings\r\n[SETTINGS]\r\nComPort=2\r\nBaudrate=5\r\nDataformat=0\r\n"
           "Handshake=0\r\nPeculiar=1\r\nLanguage=1\r\nPrefixOption=1\r\nReadjustOption=1\r\n"
           "PrefixChars=<STX>\r\nReadjustChars=<ETX><BCC>\r\nDeleteSendChars=1\r\n"
           "CharDelay=5\r\nWaitTime=100\r\nRTS=0\r\nDTR=1\r\nShowOptions=1\r\n";
}

QByteArray normalCommands()
{
    QByteArray bytes = "[SETTINGS]\r\n";
    for (int i = 1; i <= 8; ++i)
        bytes += "Param" + QByteArray::number(i) + "=<STX>M0" + QByteArray::number(i) +
                 "<ETX>\r\n";
    return bytes;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir root;
    qputenv("XDG_DATA_HOME", QFile::encodeName(root.path()));
    SystemFolders::SetProgramFolderForTesting(root.path() + "/program");
    const QString data = SystemFolders::DataFolder();
    QDir().mkpath(data);
    std::printf("files in %s\n", qPrintable(data));

    SettingsRecord settings;
    CommandTexts slots;
    const auto normalFiles = [&] {
        writeBytes(SettingsFilePath(data), normalSettings());
        writeBytes(DefaultCommandFilePath(data), normalCommands());
    };
    report("load settings + default command file", 50, 5, normalFiles,
           [&] { fkt_MainLoadSettings(settings, slots); });
    report("save settings + default command file", 50, 5, normalFiles,
           [&] { fkt_MainSaveSettings(settings, qint16(100), slots); });

    QByteArray garbage(10 * 1024 * 1024, Qt::Uninitialized);
    QRandomGenerator gen(1);
    for (auto &b : garbage)
        b = char(gen.bounded(256));
    report("load of a 10 MB garbage settings file", 5, 1000,
           [&] {
               writeBytes(SettingsFilePath(data), garbage);
               writeBytes(DefaultCommandFilePath(data), normalCommands());
           },
           [&] { fkt_MainLoadSettings(settings, slots); });
    report("load of 10 MB garbage settings + commands", 5, 1000,
           [&] {
               writeBytes(SettingsFilePath(data), garbage);
               writeBytes(DefaultCommandFilePath(data), garbage);
           },
           [&] { fkt_MainLoadSettings(settings, slots); });
    return 0;
}
