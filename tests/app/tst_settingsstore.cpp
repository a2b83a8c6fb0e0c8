#include "app/SettingsStore.h"
#include "app/SystemFolders.h"

#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <functional>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

using namespace TestFiles;

namespace {

// Every stored field of the record by its key, as a number or a text.
QString field(const SettingsRecord &s, const QString &key)
{
    static const std::map<QString, std::function<QString(const SettingsRecord &)>> fields = {
        {"ComPort", [](auto &r) { return QString::number(r.ComPort); }},
        {"Baudrate", [](auto &r) { return QString::number(r.Baudrate); }},
        {"BaudrateValue", [](auto &r) { return QString::number(r.BaudrateValue); }},
        {"Dataformat", [](auto &r) { return QString::number(r.Dataformat); }},
        {"Handshake", [](auto &r) { return QString::number(r.Handshake); }},
        {"RTS", [](auto &r) { return QString::number(r.RTS); }},
        {"DTR", [](auto &r) { return QString::number(r.DTR); }},
        {"Peculiar", [](auto &r) { return QString::number(r.Peculiar); }},
        {"Language", [](auto &r) { return QString::number(r.Language); }},
        {"PrefixOption", [](auto &r) { return QString::number(r.PrefixOption); }},
        {"ReadjustOption", [](auto &r) { return QString::number(r.ReadjustOption); }},
        {"PrefixChars", [](auto &r) { return r.PrefixChars; }},
        {"ReadjustChars", [](auto &r) { return r.ReadjustChars; }},
        {"DeleteSendChars", [](auto &r) { return QString::number(r.DeleteSendChars); }},
        {"ShowOptions", [](auto &r) { return QString::number(r.ShowOptions); }},
        {"CharDelay", [](auto &r) { return QString::number(r.CharDelay); }},
        {"WaitTime", [](auto &r) { return QString::number(r.WaitTime); }},
        {"RecordLog", [](auto &r) { return QString::number(r.RecordLog); }},
        {"RecordLogFile", [](auto &r) { return r.RecordLogFile; }},
        {"HexView", [](auto &r) { return QString::number(r.HexView); }},
        {"LineEnd", [](auto &r) { return QString::number(r.LineEnd); }},
        {"CheckSum", [](auto &r) { return QString::number(r.CheckSum); }},
    };
    return fields.at(key)(s);
}

const QStringList kAllKeys = {
    "ComPort",     "Baudrate",      "Dataformat",      "Handshake",    "RTS",
    "DTR",         "Peculiar",      "Language",        "PrefixOption", "ReadjustOption",
    "PrefixChars", "ReadjustChars", "DeleteSendChars", "ShowOptions",  "CharDelay",
    "WaitTime",    "RecordLog",     "RecordLogFile",   "HexView",      "BaudrateValue"};

const QStringList kDefaults = {"0", "0", "0", "0", "0", "1", "1", "0", "0", "0",
                               "",  "",  "1", "0", "0", "0", "0", "",  "0", "0"};

} // namespace

class tst_SettingsStore : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void firstStartWithTemplate();
    void firstStartWithoutTemplateKeepsSettingsAtExit();
    void existingSettingsAreNotReplacedByTemplate();
    void readOnlyTemplateGivesWritableCopy();
    void templateFolders_data();
    void templateFolders();
    void roundTripOfEveryField_data();
    void roundTripOfEveryField();
    void numericKeys_data();
    void numericKeys();
    void waitTimeText_data();
    void waitTimeText();
    void handWrittenFileKeepsForeignLines();
    void garbageFilesLoadDefaults_data();
    void garbageFilesLoadDefaults();
    void failedSaveKeepsOldFiles();
    void saveFailuresNameFileAndReason_data();
    void saveFailuresNameFileAndReason();
    void readOnlyDataFolder();
    void recordNeverLoadedSavesNothing();
    void firstStartLanguage_data();
    void firstStartLanguage();
    void profileKeepsItsOwnFiles();
    void hexViewKeyOnlyOnceUsed_data();
    void hexViewKeyOnlyOnceUsed();
    void recordLogFileComesBackExactly_data();
    void recordLogFileComesBackExactly();
    void recordLogFileKeysEditedByHand_data();
    void recordLogFileKeysEditedByHand();

private:
    QString dataFolder() const { return m_root->path() + "/xdg/Kavrel/Lintrova/"; }
    QString programFolder() const { return m_root->path() + "/program"; }
    QString sharedFolder() const { return m_root->path() + "/share/lintrova"; }
    std::unique_ptr<QTemporaryDir> m_root;
};

void tst_SettingsStore::init()
{
    m_root = std::make_unique<QTemporaryDir>();
    QVERIFY(m_root->isValid());
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_root->path() + "/xdg"));
    QVERIFY(QDir().mkpath(programFolder()));
    SystemFolders::SetProgramFolderForTesting(programFolder());
    // Never the template of a Lintrova installed on this machine.
    SystemFolders::SetSharedFolderForTesting(sharedFolder());
    // A first start follows the desktop's language; the tests say which.
    qunsetenv("LC_ALL");
    qunsetenv("LC_MESSAGES");
    qputenv("LANG", "C.UTF-8");
}

void tst_SettingsStore::cleanup()
{
    SystemFolders::SetProgramFolderForTesting(QString());
    SystemFolders::SetSharedFolderForTesting(QString());
    SystemFolders::SetProfile(QString());
}

void tst_SettingsStore::firstStartWithTemplate()
{
    const QByteArray templ("[SETTINGS]\r\nComPort=3\r\nBaudrate=5\r\nRTS=1\r\nDTR=0\r\n"
                           "ShowOptions=1\r\nPrefixChars=<STX>\r\nWaitTime=100\r\n");
    writeBytes(programFolder() + "/Settings.ini", templ);
    writeBytes(programFolder() + "/DefaultCommands.icf", "[SETTINGS]\r\nParam1=x\r\n");
    SettingsRecord s;
    CommandTexts slots;
    slots.fill("before");
    fkt_MainLoadSettings(s, slots);

    QCOMPARE(s.DataFolder, dataFolder());
    QCOMPARE(readBytes(dataFolder() + "Settings.ini"), templ);
    QVERIFY(!QFile::exists(dataFolder() + "DefaultCommands.icf"));
    QCOMPARE(modeOf(m_root->path() + "/xdg/Kavrel"), 0700);
    QCOMPARE(modeOf(dataFolder()), 0700);
    QCOMPARE(int(s.ComPort), 3);
    QCOMPARE(int(s.Baudrate), 5);
    QCOMPARE(int(s.RTS), 1);
    QCOMPARE(int(s.DTR), 0);
    QCOMPARE(int(s.ShowOptions), 1);
    QCOMPARE(s.PrefixChars, QString("<STX>"));
    QCOMPARE(int(s.WaitTime), 100);
    QCOMPARE(int(s.Peculiar), 1); // missing from the template: its default
    QCOMPARE(slots, CommandTexts{});
}

void tst_SettingsStore::firstStartWithoutTemplateKeepsSettingsAtExit()
{
    SettingsRecord s;
    s.ComPort = 9; // every field is loaded, none keeps what it had
    CommandTexts slots;
    slots.fill("before");
    fkt_MainLoadSettings(s, slots);
    for (int i = 0; i < kAllKeys.size(); ++i)
        QCOMPARE(field(s, kAllKeys[i]), kDefaults[i]);
    QCOMPARE(slots, CommandTexts{});
    QVERIFY(!QFileInfo::exists(m_root->path() + "/xdg"));

    s.Baudrate = 5;
    s.PrefixChars = "<STX>";
    slots[0] = "<ENQ>";
    fkt_MainSaveSettings(s, 250, slots);
    QCOMPARE(readBytes(dataFolder() + "Settings.ini"),
             QByteArray("[SETTINGS]\r\nComPort=0\r\nBaudrate=5\r\nDataformat=0\r\nHandshake=0\r\n"
                        "Peculiar=1\r\nLanguage=0\r\nPrefixOption=0\r\nReadjustOption=0\r\n"
                        "PrefixChars=<STX>\r\nReadjustChars=\r\nDeleteSendChars=1\r\n"
                        "CharDelay=0\r\nWaitTime=250\r\n"));
    QCOMPARE(modeOf(dataFolder()), 0700);
    SettingsRecord again;
    CommandTexts slotsAgain;
    fkt_MainLoadSettings(again, slotsAgain);
    QCOMPARE(int(again.Baudrate), 5);
    QCOMPARE(int(again.WaitTime), 250);
    QCOMPARE(slotsAgain, slots);
}

void tst_SettingsStore::existingSettingsAreNotReplacedByTemplate()
{
    writeBytes(programFolder() + "/Settings.ini", "[SETTINGS]\nComPort=3\n");
    writeBytes(dataFolder() + "Settings.ini", "[SETTINGS]\nComPort=7\n");
    SettingsRecord s;
    CommandTexts slots;
    fkt_MainLoadSettings(s, slots);
    QCOMPARE(int(s.ComPort), 7);
    QCOMPARE(readBytes(dataFolder() + "Settings.ini"), QByteArray("[SETTINGS]\nComPort=7\n"));
}

void tst_SettingsStore::readOnlyTemplateGivesWritableCopy()
{
    writeBytes(programFolder() + "/Settings.ini", "[SETTINGS]\nComPort=3\n");
    QVERIFY(QFile::setPermissions(programFolder() + "/Settings.ini",
                                  QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    SettingsRecord s;
    CommandTexts slots;
    fkt_MainLoadSettings(s, slots);
    QCOMPARE(int(s.ComPort), 3);
    QVERIFY(modeOf(dataFolder() + "Settings.ini") & 0200);
}

// A null beside or installed means no file there; "<pipe>" a named pipe,
// which would block a reader. A null expected means no copy is made.
void tst_SettingsStore::templateFolders_data()
{
    QTest::addColumn<QByteArray>("beside");
    QTest::addColumn<QByteArray>("installed");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<int>("comPort");
    const QByteArray none;
    const QByteArray beside("[SETTINGS]\nComPort=1\n");
    const QByteArray installed("[SETTINGS]\nComPort=2\n");
    QTest::newRow("beside the program only") << beside << none << beside << 1;
    QTest::newRow("installed only") << none << installed << installed << 2;
    QTest::newRow("beside the program wins over installed") << beside << installed << beside << 1;
    QTest::newRow("an empty template beside the program still wins")
        << QByteArray("") << installed << QByteArray("") << 0;
    QTest::newRow("a pipe beside the program is passed over")
        << QByteArray("<pipe>") << installed << installed << 2;
    QTest::newRow("a pipe and nothing installed copies nothing")
        << QByteArray("<pipe>") << none << none << 0;
    QTest::newRow("no template anywhere") << none << none << none << 0;
}

void tst_SettingsStore::templateFolders()
{
    QFETCH(QByteArray, beside);
    QFETCH(QByteArray, installed);
    QFETCH(QByteArray, expected);
    QFETCH(int, comPort);
    const auto place = [](const QString &folder, const QByteArray &content) {
        if (content.isNull())
            return true;
        if (content != "<pipe>") {
            writeBytes(folder + "/Settings.ini", content);
            return !QTest::currentTestFailed();
        }
        return QDir().mkpath(folder) &&
               ::mkfifo(QFile::encodeName(folder + "/Settings.ini").constData(), 0600) == 0;
    };
    QVERIFY(place(programFolder(), beside));
    QVERIFY(place(sharedFolder(), installed));
    if (installed.isNull())
        QVERIFY(!QFileInfo::exists(sharedFolder() + "/Settings.ini"));

    SettingsRecord s;
    CommandTexts slots;
    fkt_MainLoadSettings(s, slots);
    QCOMPARE(int(s.ComPort), comPort);
    if (expected.isNull())
        QVERIFY(!QFileInfo::exists(dataFolder()));
    else
        QCOMPARE(readBytes(dataFolder() + "Settings.ini"), expected);
}

void tst_SettingsStore::roundTripOfEveryField_data()
{
    QTest::addColumn<int>("byteValue");
    QTest::addColumn<int>("wordValue");
    QTest::addColumn<QString>("text");
    QTest::newRow("zeros") << 0 << 0 << "";
    QTest::newRow("largest") << 255 << 32767 << "<STX>";
    QTest::newRow("smallest 16-bit") << 1 << -32768 << "<CR><LF>";
    QTest::newRow("blanks at the edges") << 2 << -1 << " <STX> ";
    QTest::newRow("quoted text") << 3 << 10 << "\"<ETX>\"";
    QTest::newRow("254 characters") << 4 << 20 << QString(254, '#');
    QTest::newRow("300 characters, were cut to 254") << 6 << 40 << QString(300, '#');
    QTest::newRow("semicolon and equals") << 5 << 30 << ";a=b[c]";
}

void tst_SettingsStore::roundTripOfEveryField()
{
    QFETCH(int, byteValue);
    QFETCH(int, wordValue);
    QFETCH(QString, text);
    writeBytes(dataFolder() + "Settings.ini", "[SETTINGS]\r\nRTS=1\r\nDTR=0\r\nShowOptions=2\r\n");
    SettingsRecord s;
    CommandTexts slots;
    fkt_MainLoadSettings(s, slots);
    s.ComPort = s.Baudrate = s.Dataformat = s.Handshake = quint8(byteValue);
    s.Peculiar = s.Language = s.PrefixOption = s.ReadjustOption = quint8(byteValue);
    s.DeleteSendChars = quint8(byteValue);
    s.RTS = s.DTR = s.ShowOptions = 77; // never written
    s.PrefixChars = text;
    s.ReadjustChars = text + "x";
    s.CharDelay = qint16(wordValue);
    s.RecordLog = quint8(byteValue);
    s.RecordLogFile = text;
    s.RecordLogKeys = true; // the log was recorded
    s.HexView = quint8(byteValue);
    s.HexViewKey = true; // the view was switched
    s.BaudrateValue = byteValue * 1000 + 50; // a rate typed: its key comes into the file
    for (auto &slot : slots)
        slot = text;
    fkt_MainSaveSettings(s, qint16(wordValue), slots);

    SettingsRecord back;
    CommandTexts slotsBack;
    fkt_MainLoadSettings(back, slotsBack);
    for (const QString &key : kAllKeys) {
        if (key == "RTS" || key == "DTR" || key == "ShowOptions")
            continue;
        QCOMPARE(field(back, key), field(s, key));
    }
    QCOMPARE(int(back.RTS), 1);
    QCOMPARE(int(back.DTR), 0);
    QCOMPARE(int(back.ShowOptions), 2);
    QCOMPARE(int(back.WaitTime), wordValue);
    QCOMPARE(slotsBack, slots);
}

void tst_SettingsStore::numericKeys_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty") << "ComPort" << QByteArray("") << "0";
    QTest::newRow("words") << "Baudrate" << QByteArray("fast") << "0";
    QTest::newRow("trailing letters") << "Dataformat" << QByteArray("12abc") << "0";
    QTest::newRow("256 in an 8-bit key") << "Handshake" << QByteArray("256") << "0";
    QTest::newRow("255 in an 8-bit key") << "Handshake" << QByteArray("255") << "255";
    QTest::newRow("negative in an 8-bit key") << "Language" << QByteArray("-1") << "0";
    QTest::newRow("words where the default is 1") << "DTR" << QByteArray("on") << "1";
    QTest::newRow("256 where the default is 1") << "Peculiar" << QByteArray("256") << "1";
    QTest::newRow("empty where the default is 1") << "DeleteSendChars" << QByteArray("") << "1";
    QTest::newRow("plus sign") << "ComPort" << QByteArray("+5") << "5";
    QTest::newRow("blanks inside quotes") << "ComPort" << QByteArray("\" 5 \"") << "5";
    QTest::newRow("40000 in CharDelay") << "CharDelay" << QByteArray("40000") << "0";
    QTest::newRow("negative CharDelay") << "CharDelay" << QByteArray("-32768") << "-32768";
    QTest::newRow("32768 in WaitTime") << "WaitTime" << QByteArray("32768") << "0";
    QTest::newRow("decimal point in WaitTime") << "WaitTime" << QByteArray("1.5") << "0";
    QTest::newRow("LineEnd CR LF") << "LineEnd" << QByteArray("3") << "3";
    QTest::newRow("LineEnd beyond the kinds counts as off") << "LineEnd" << QByteArray("4") << "0";
    QTest::newRow("BaudrateValue 250000") << "BaudrateValue" << QByteArray("250000") << "250000";
    QTest::newRow("BaudrateValue 50") << "BaudrateValue" << QByteArray("50") << "50";
    QTest::newRow("BaudrateValue 4000000") << "BaudrateValue" << QByteArray("4000000") << "4000000";
    QTest::newRow("BaudrateValue below 50: the list's entry")
        << "BaudrateValue" << QByteArray("49") << "0";
    QTest::newRow("BaudrateValue beyond 4000000: the list's entry")
        << "BaudrateValue" << QByteArray("4000001") << "0";
    QTest::newRow("CheckSum XOR-8") << "CheckSum" << QByteArray("7") << "7";
    QTest::newRow("CheckSum beyond the algorithms counts as off")
        << "CheckSum" << QByteArray("8") << "0";
    QTest::newRow("prefix keeps its text") << "PrefixChars" << QByteArray("<STX>") << "<STX>";
}

void tst_SettingsStore::numericKeys()
{
    QFETCH(QString, key);
    QFETCH(QByteArray, text);
    QFETCH(QString, expected);
    writeBytes(dataFolder() + "Settings.ini",
               "[SETTINGS]\r\n" + key.toLatin1() + "=" + text + "\r\nComPort=9\r\n");
    SettingsRecord s;
    CommandTexts slots;
    fkt_MainLoadSettings(s, slots);
    QCOMPARE(field(s, key), expected);
}

// How the window reads its box is tested with the window (tst_frmMain).
void tst_SettingsStore::waitTimeText_data()
{
    QTest::addColumn<std::optional<qint16>>("waitTime");
    QTest::addColumn<int>("expected");
    QTest::newRow("number") << std::optional<qint16>(250) << 250;
    QTest::newRow("zero") << std::optional<qint16>(0) << 0;
    QTest::newRow("negative") << std::optional<qint16>(-1) << -1;
    QTest::newRow("smallest") << std::optional<qint16>(-32768) << -32768;
    QTest::newRow("no number keeps") << std::optional<qint16>() << 100;
}

void tst_SettingsStore::waitTimeText()
{
    QFETCH(std::optional<qint16>, waitTime);
    QFETCH(int, expected);
    writeBytes(dataFolder() + "Settings.ini", "[SETTINGS]\r\nWaitTime=100\r\n");
    SettingsRecord s;
    CommandTexts slots;
    fkt_MainLoadSettings(s, slots);
    fkt_MainSaveSettings(s, waitTime, slots);
    QCOMPARE(int(s.WaitTime), expected);
    QVERIFY(readBytes(dataFolder() + "Settings.ini")
                .contains(QByteArray("\r\nWaitTime=" + QByteArray::number(expected) + "\r\n")));
}

void tst_SettingsStore::handWrittenFileKeepsForeignLines()
{
    const QByteArray before = "; Lintrova settings, edited by hand\r\n"
                              "\r\n"
                              "[Window]\r\n"
                              "Left = 10\r\n"
                              "\r\n"
                              "[ settings ]\r\n"
                              "  comport =  2   \r\n"
                              "# the line is slow\r\n"
                              "CharDelay=\t5\r\n"
                              "RTS = 1\r\n"
                              "Unknown=keep me\r\n"
                              "DTR=0\r\n"
                              "ShowOptions = 1 ; visible\r\n"
                              "a line without equals\r\n"
                              "\r\n"
                              "; trailing comment of the section\r\n"
                              "[Extra]\r\n"
                              "ComPort=99\r\n";
    writeBytes(dataFolder() + "Settings.ini", before);
    SettingsRecord s;
    CommandTexts slots;
    fkt_MainLoadSettings(s, slots);
    QCOMPARE(int(s.ComPort), 2);
    QCOMPARE(int(s.CharDelay), 5);
    QCOMPARE(int(s.RTS), 1);
    QCOMPARE(int(s.ShowOptions), 0); // "1 ; visible" is no number
    s.ComPort = 4;
    fkt_MainSaveSettings(s, 30, slots);
    const QByteArray after = "; Lintrova settings, edited by hand\r\n"
                             "\r\n"
                             "[Window]\r\n"
                             "Left = 10\r\n"
                             "\r\n"
                             "[ settings ]\r\n"
                             "ComPort=4\r\n"
                             "# the line is slow\r\n"
                             "CharDelay=5\r\n"
                             "RTS = 1\r\n"
                             "Unknown=keep me\r\n"
                             "DTR=0\r\n"
                             "ShowOptions = 1 ; visible\r\n"
                             "Baudrate=0\r\n"
                             "Dataformat=0\r\n"
                             "Handshake=0\r\n"
                             "Peculiar=1\r\n"
                             "Language=0\r\n"
                             "PrefixOption=0\r\n"
                             "ReadjustOption=0\r\n"
                             "PrefixChars=\r\n"
                             "ReadjustChars=\r\n"
                             "DeleteSendChars=1\r\n"
                             "WaitTime=30\r\n"
                             "a line without equals\r\n"
                             "\r\n"
                             "; trailing comment of the section\r\n"
                             "[Extra]\r\n"
                             "ComPort=99\r\n";
    QCOMPARE(readBytes(dataFolder() + "Settings.ini"), after);
}

void tst_SettingsStore::garbageFilesLoadDefaults_data()
{
    QTest::addColumn<QByteArray>("garbage");
    QTest::newRow("random bytes") << randomBytes(100 * 1024, 11);
    QTest::newRow("NUL bytes") << QByteArray(100 * 1024, '\0');
    QTest::newRow("10 MB") << randomBytes(10 * 1024 * 1024, 12).replace('[', '(');
}

void tst_SettingsStore::garbageFilesLoadDefaults()
{
    QFETCH(QByteArray, garbage);
    writeBytes(dataFolder() + "Settings.ini", garbage);
    writeBytes(dataFolder() + "DefaultCommands.icf", garbage);
    SettingsRecord s;
    CommandTexts slots;
    slots.fill("before");
    fkt_MainLoadSettings(s, slots);
    for (int i = 0; i < kAllKeys.size(); ++i)
        QCOMPARE(field(s, kAllKeys[i]), kDefaults[i]);
    QCOMPARE(slots, CommandTexts{});

    s.ComPort = 6;
    slots[3] = "four";
    fkt_MainSaveSettings(s, 7, slots);
    QVERIFY(readBytes(dataFolder() + "Settings.ini").startsWith(garbage));
    SettingsRecord back;
    CommandTexts slotsBack;
    fkt_MainLoadSettings(back, slotsBack);
    QCOMPARE(int(back.ComPort), 6);
    QCOMPARE(int(back.WaitTime), 7);
    QCOMPARE(slotsBack, slots);
}

void tst_SettingsStore::failedSaveKeepsOldFiles()
{
    const QByteArray settings = "[SETTINGS]\r\nComPort=1\r\n" + QByteArray(300, ';') + "\r\n";
    const QByteArray commands = "[SETTINGS]\r\nParam1=old\r\n" + QByteArray(300, ';') + "\r\n";
    writeBytes(dataFolder() + "Settings.ini", settings);
    writeBytes(dataFolder() + "DefaultCommands.icf", commands);
    SettingsRecord s;
    CommandTexts slots;
    fkt_MainLoadSettings(s, slots);
    s.ComPort = 2;
    slots[0] = "new";
    QList<SaveFailure> failures;
    {
        FileSizeLimit diskFull(100);
        QVERIFY(diskFull.active());
        failures = fkt_MainSaveSettings(s, 5, slots);
    }
    QCOMPARE(failures.size(), 2); // the command file is tried all the same
    QCOMPARE(failures[0].path, dataFolder() + "Settings.ini");
    QCOMPARE(failures[0].error, EFBIG);
    QCOMPARE(failures[1].path, dataFolder() + "DefaultCommands.icf");
    QCOMPARE(failures[1].error, EFBIG);
    QCOMPARE(readBytes(dataFolder() + "Settings.ini"), settings);
    QCOMPARE(readBytes(dataFolder() + "DefaultCommands.icf"), commands);
    QCOMPARE(QDir(dataFolder()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

void tst_SettingsStore::saveFailuresNameFileAndReason_data()
{
    QTest::addColumn<QString>("folderName"); // a folder where a file should be
    QTest::addColumn<QStringList>("failed");
    QTest::addColumn<int>("error");
    QTest::newRow("saved") << "" << QStringList() << 0;
    QTest::newRow("settings file") << "Settings.ini" << QStringList{"Settings.ini"} << EISDIR;
    QTest::newRow("command file") << "DefaultCommands.icf" << QStringList{"DefaultCommands.icf"}
                                  << EISDIR;
}

void tst_SettingsStore::saveFailuresNameFileAndReason()
{
    QFETCH(QString, folderName);
    QFETCH(QStringList, failed);
    QFETCH(int, error);
    writeBytes(dataFolder() + "Settings.ini", "[SETTINGS]\r\nComPort=1\r\n");
    SettingsRecord s;
    CommandTexts slots;
    fkt_MainLoadSettings(s, slots);
    if (!folderName.isEmpty()) {
        QFile::remove(dataFolder() + folderName);
        QVERIFY(QDir().mkpath(dataFolder() + folderName));
    }
    QStringList named;
    for (const SaveFailure &failure : fkt_MainSaveSettings(s, 5, slots)) {
        named << QFileInfo(failure.path).fileName();
        QCOMPARE(failure.error, error);
        QCOMPARE(QFileInfo(failure.path).path() + u'/', dataFolder());
    }
    QCOMPARE(named, failed);
}

void tst_SettingsStore::readOnlyDataFolder()
{
    if (::geteuid() == 0)
        QSKIP("root writes into read-only folders; failedSaveKeepsOldFiles covers the failure");
    const QByteArray settings = "[SETTINGS]\r\nComPort=1\r\n";
    writeBytes(dataFolder() + "Settings.ini", settings);
    SettingsRecord s;
    CommandTexts slots;
    fkt_MainLoadSettings(s, slots);
    s.ComPort = 2;
    QVERIFY(QFile::setPermissions(dataFolder(), QFile::ReadOwner | QFile::ExeOwner));
    const QList<SaveFailure> failures = fkt_MainSaveSettings(s, 5, slots);
    QFile::setPermissions(dataFolder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(readBytes(dataFolder() + "Settings.ini"), settings);
    QCOMPARE(failures.size(), 2);
    QCOMPARE(failures[0].error, EACCES);
}

void tst_SettingsStore::recordNeverLoadedSavesNothing()
{
    SettingsRecord s;
    CommandTexts slots;
    QVERIFY(fkt_MainSaveSettings(s, 5, slots).isEmpty());
    QVERIFY(!QFileInfo::exists(m_root->path() + "/xdg"));
    QVERIFY(!QFileInfo::exists("Settings.ini"));
}

void tst_SettingsStore::firstStartLanguage_data()
{
    // null: the variable is unset
    QTest::addColumn<QByteArray>("lcAll");
    QTest::addColumn<QByteArray>("lcMessages");
    QTest::addColumn<QByteArray>("lang");
    QTest::addColumn<QByteArray>("templateLanguage"); // null: no template at all
    QTest::addColumn<int>("language");
    const QByteArray unset;
    QTest::newRow("British English")
        << unset << unset << QByteArray("en_GB.UTF-8") << QByteArray("0") << 1;
    QTest::newRow("French") << unset << unset << QByteArray("fr_FR.UTF-8") << QByteArray("0") << 1;
    QTest::newRow("German: the template's value")
        << unset << unset << QByteArray("de_DE.UTF-8") << QByteArray("0") << 0;
    QTest::newRow("German, the template says English")
        << unset << unset << QByteArray("de_AT@euro") << QByteArray("1") << 1;
    QTest::newRow("nothing set") << unset << unset << unset << QByteArray("0") << 0;
    QTest::newRow("all empty") << QByteArray("") << QByteArray("") << QByteArray("")
                               << QByteArray("0") << 0;
    QTest::newRow("C") << unset << unset << QByteArray("C") << QByteArray("0") << 0;
    QTest::newRow("C.UTF-8") << unset << unset << QByteArray("C.UTF-8") << QByteArray("0") << 0;
    QTest::newRow("POSIX") << QByteArray("POSIX") << unset << QByteArray("en_US.UTF-8")
                           << QByteArray("0") << 0;
    QTest::newRow("LC_ALL before LANG")
        << QByteArray("de_DE.UTF-8") << unset << QByteArray("en_US.UTF-8") << QByteArray("0") << 0;
    QTest::newRow("an empty LC_ALL is passed over")
        << QByteArray("") << QByteArray("en_GB.UTF-8") << QByteArray("de_DE.UTF-8")
        << QByteArray("0") << 1;
    QTest::newRow("LC_MESSAGES before LANG")
        << unset << QByteArray("de_CH.UTF-8") << QByteArray("fr_FR.UTF-8") << QByteArray("0") << 0;
    QTest::newRow("no template: English all the same")
        << unset << unset << QByteArray("en_GB.UTF-8") << QByteArray() << 1;
}

// Only the very first start: later starts follow Settings.ini.
void tst_SettingsStore::firstStartLanguage()
{
    QFETCH(QByteArray, lcAll);
    QFETCH(QByteArray, lcMessages);
    QFETCH(QByteArray, lang);
    QFETCH(QByteArray, templateLanguage);
    QFETCH(int, language);
    const auto set = [](const char *name, const QByteArray &value) {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    };
    set("LC_ALL", lcAll);
    set("LC_MESSAGES", lcMessages);
    set("LANG", lang);
    const QByteArray templ =
        "[SETTINGS]\r\nComPort=2\r\nLanguage=" + templateLanguage + "\r\nWaitTime=100\r\n";
    if (!templateLanguage.isNull())
        writeBytes(programFolder() + "/Settings.ini", templ);
    SettingsRecord s;
    CommandTexts slots;
    fkt_MainLoadSettings(s, slots);
    QCOMPARE(int(s.Language), language);
    if (!templateLanguage.isNull()) {
        QByteArray copied = templ;
        const QByteArray was = QByteArray("Language=").append(templateLanguage);
        copied.replace(was, QByteArray("Language=").append(QByteArray::number(language)));
        QCOMPARE(readBytes(dataFolder() + "Settings.ini"), copied);
    }
    fkt_MainSaveSettings(s, 100, slots);

    // The next start, whatever the desktop speaks now.
    qputenv("LC_ALL", language == 1 ? "de_DE.UTF-8" : "en_GB.UTF-8");
    SettingsRecord again;
    fkt_MainLoadSettings(again, slots);
    QCOMPARE(int(again.Language), language);
}

// A profile keeps Settings.ini and DefaultCommands.icf in a folder of its
// own, made from the template on first use; the data folder's own files are
// not touched.
void tst_SettingsStore::profileKeepsItsOwnFiles()
{
    writeBytes(programFolder() + "/Settings.ini", "[SETTINGS]\r\nComPort=3\r\n");
    writeBytes(dataFolder() + "Settings.ini", "[SETTINGS]\r\nComPort=7\r\n");
    SystemFolders::SetProfile("bench-2");
    QCOMPARE(SystemFolders::Profile(), QString("bench-2"));
    const QString profile = dataFolder() + "profiles/bench-2/";
    QCOMPARE(SystemFolders::ProfileFolder(), profile);
    SettingsRecord s;
    CommandTexts slots;
    fkt_MainLoadSettings(s, slots);
    QCOMPARE(s.DataFolder, profile);
    QCOMPARE(int(s.ComPort), 3); // the template's, not the data folder's 7
    slots[1] = "two";
    s.ComPort = 4;
    QVERIFY(fkt_MainSaveSettings(s, 100, slots).isEmpty());
    QVERIFY(readBytes(profile + "Settings.ini").contains("ComPort=4"));
    QVERIFY(readBytes(profile + "DefaultCommands.icf").contains("Param2=two"));
    QCOMPARE(readBytes(dataFolder() + "Settings.ini"), QByteArray("[SETTINGS]\r\nComPort=7\r\n"));
    QVERIFY(!QFileInfo::exists(dataFolder() + "DefaultCommands.icf"));

    // A name that is no profile name ends the profile instead of naming a
    // folder elsewhere.
    SystemFolders::SetProfile("../elsewhere");
    QCOMPARE(SystemFolders::Profile(), QString());
    QCOMPARE(SystemFolders::ProfileFolder(), dataFolder());
}

void tst_SettingsStore::hexViewKeyOnlyOnceUsed_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("switchedTo"); // -1: the view was not switched
    QTest::addColumn<int>("loaded");
    QTest::addColumn<QByteArray>("written"); // the HexView line saved, or empty
    QTest::newRow("never used: no key") << QByteArray() << -1 << 0 << QByteArray();
    QTest::newRow("switched on") << QByteArray() << 1 << 0 << QByteArray("HexView=1");
    QTest::newRow("switched back off") << QByteArray() << 0 << 0 << QByteArray("HexView=0");
    QTest::newRow("in the file, kept")
        << QByteArray("HexView=1\r\n") << -1 << 1 << QByteArray("HexView=1");
    QTest::newRow("in the file as 0, kept")
        << QByteArray("HexView=0\r\n") << -1 << 0 << QByteArray("HexView=0");
    QTest::newRow("a word in the file")
        << QByteArray("HexView=on\r\n") << -1 << 0 << QByteArray("HexView=0");
}

// As RecordLog: users who never switch the view, the line end or the check
// keep their file as it was.
void tst_SettingsStore::hexViewKeyOnlyOnceUsed()
{
    QFETCH(QByteArray, file);
    QFETCH(int, switchedTo);
    QFETCH(int, loaded);
    QFETCH(QByteArray, written);
    // LineEnd's and CheckSum's keys are kept the same way, alongside.
    const auto lineEnd = [](const QByteArray &text) -> QByteArray {
        return text + QByteArray(text).replace("HexView", "LineEnd") +
               QByteArray(text).replace("HexView", "CheckSum");
    };
    writeBytes(dataFolder() + "Settings.ini", "[SETTINGS]\r\nComPort=0\r\n" + lineEnd(file));
    SettingsRecord s;
    CommandTexts slots;
    fkt_MainLoadSettings(s, slots);
    QCOMPARE(int(s.HexView) * 100 + s.LineEnd * 10 + s.CheckSum, loaded * 111);
    if (switchedTo >= 0) {
        s.HexView = s.LineEnd = s.CheckSum = quint8(switchedTo);
        s.HexViewKey = s.LineEndKey = s.CheckSumKey = true;
    }
    QVERIFY(fkt_MainSaveSettings(s, 0, slots).isEmpty());
    QFile saved(dataFolder() + "Settings.ini");
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QByteArrayList lines;
    for (const QByteArray &line : saved.readAll().split('\n'))
        if (line.startsWith("HexView") || line.startsWith("LineEnd") || line.startsWith("CheckSum"))
            lines << line.trimmed();
    QCOMPARE(lines.join(), lineEnd(written));
}

void tst_SettingsStore::recordLogFileComesBackExactly_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("keys"); // the recording's keys as the file holds them
    QTest::newRow("Windows-1252") << "/logs/Müller.log"
                                  << QByteArray(
                                         "RecordLog=1\r\nRecordLogFile=/logs/M\xFCller.log\r\n");
    QTest::newRow("blanks at the ends")
        << " /logs/a b.log " << QByteArray("RecordLog=1\r\nRecordLogFile=\" /logs/a b.log \"\r\n");
    // Fixed: such a path was not kept, and the recording did not resume.
    QTest::newRow("Polish") << "/logs/łódź.log"
                            << QByteArray("RecordLog=1\r\nRecordLogFile=/logs/?\xF3"
                                          "d?.log\r\n"
                                          "RecordLogFileUtf8=/logs/%C5%82%C3%B3d%C5%BA.log\r\n");
    QTest::newRow("Cyrillic folder")
        << "/журнал/x.log"
        << QByteArray("RecordLog=1\r\nRecordLogFile=/??????"
                      "/x.log\r\n"
                      "RecordLogFileUtf8=/%D0%B6%D1%83%D1%80%D0%BD%D0%B0%D0%BB/"
                      "x.log\r\n");
    QTest::newRow("beyond 16 bits, a percent sign")
        << "/logs/100% 😀.log"
        << QByteArray("RecordLog=1\r\nRecordLogFile=/logs/100% ??.log\r\n"
                      "RecordLogFileUtf8=/logs/100%25%20%F0%9F%98%80.log\r\n");
    QTest::newRow("a line end") << "/logs/a\nb.log"
                                << QByteArray("RecordLog=1\r\nRecordLogFile=/logs/a?b.log\r\n"
                                              "RecordLogFileUtf8=/logs/a%0Ab.log\r\n");
    QTest::newRow("blanks at the ends and a Czech letter")
        << " /logs/ť "
        << QByteArray("RecordLog=1\r\nRecordLogFile=\" /logs/? \"\r\n"
                      "RecordLogFileUtf8=%20/logs/%C5%A5%20\r\n");
}

// The file of a recording comes back as it was, in keys of the settings
// file's own character set; a second save leaves the file as it is.
void tst_SettingsStore::recordLogFileComesBackExactly()
{
    QFETCH(QString, path);
    QFETCH(QByteArray, keys);
    const QByteArray before("[SETTINGS]\r\nComPort=0\r\n");
    writeBytes(dataFolder() + "Settings.ini", before);
    SettingsRecord s;
    CommandTexts slots;
    fkt_MainLoadSettings(s, slots);
    QVERIFY(isKeepableRecordLogFile(path));
    s.RecordLog = 1;
    s.RecordLogFile = path;
    s.RecordLogKeys = true;
    QVERIFY(fkt_MainSaveSettings(s, 0, slots).isEmpty());
    const QByteArray saved = readBytes(dataFolder() + "Settings.ini");
    QVERIFY2(saved.endsWith(QByteArray("WaitTime=0\r\n" + keys)), saved);
    SettingsRecord back;
    fkt_MainLoadSettings(back, slots);
    QCOMPARE(back.RecordLogFile, path);
    QCOMPARE(int(back.RecordLog), 1);
    QVERIFY(fkt_MainSaveSettings(back, 0, slots).isEmpty());
    QCOMPARE(readBytes(dataFolder() + "Settings.ini"), saved);
}

void tst_SettingsStore::recordLogFileKeysEditedByHand_data()
{
    QTest::addColumn<QByteArray>("keys");
    QTest::addColumn<QString>("loaded");
    QTest::addColumn<QByteArray>("saved"); // the lines of the keys written back at the end
    QTest::newRow("both keys agree")
        << QByteArray("RecordLogFile=/a/?.log\nRecordLogFileUtf8=/a/%C5%82.log\n") << "/a/ł.log"
        << QByteArray("RecordLogFile=/a/?.log\nRecordLogFileUtf8=/a/%C5%82.log\n");
    QTest::newRow("the narrow key edited since")
        << QByteArray("RecordLogFile=/b/x.log\nRecordLogFileUtf8=/a/%C5%82.log\n") << "/b/x.log"
        << QByteArray("RecordLogFile=/b/x.log\nRecordLogFileUtf8=\n");
    QTest::newRow("the wide key is no UTF-8")
        << QByteArray("RecordLogFile=/a/?.log\nRecordLogFileUtf8=/a/%C5.log\n") << "/a/?.log"
        << QByteArray("RecordLogFile=/a/?.log\nRecordLogFileUtf8=\n");
    QTest::newRow("lower-case hex digits")
        << QByteArray("RecordLogFile=/a/?.log\nRecordLogFileUtf8=/a/%c5%9b.log\n") << "/a/ś.log"
        << QByteArray("RecordLogFile=/a/?.log\nRecordLogFileUtf8=/a/%C5%9B.log\n");
    QTest::newRow("no hex digits after the percent sign")
        << QByteArray("RecordLogFile=/a/?.log\nRecordLogFileUtf8=/a/%C5%G2.log\n") << "/a/?.log"
        << QByteArray("RecordLogFile=/a/?.log\nRecordLogFileUtf8=\n");
    QTest::newRow("a percent sign cut off")
        << QByteArray("RecordLogFile=/a/?\nRecordLogFileUtf8=/a/%C5%8\n") << "/a/?"
        << QByteArray("RecordLogFile=/a/?\nRecordLogFileUtf8=\n");
    QTest::newRow("an overlong form")
        << QByteArray("RecordLogFile=/a/?.log\nRecordLogFileUtf8=/a/%C0%AF.log\n") << "/a/?.log"
        << QByteArray("RecordLogFile=/a/?.log\nRecordLogFileUtf8=\n");
    QTest::newRow("the wide key empty")
        << QByteArray("RecordLogFile=/a/x.log\nRecordLogFileUtf8=\n") << "/a/x.log"
        << QByteArray("RecordLogFile=/a/x.log\nRecordLogFileUtf8=\n");
    QTest::newRow("a Windows-1252 path in the wide key")
        << QByteArray("RecordLogFile=/a/\xE4.log\nRecordLogFileUtf8=/a/%C3%A4.log\n") << "/a/ä.log"
        << QByteArray("RecordLogFile=/a/\xE4.log\nRecordLogFileUtf8=\n");
    QTest::newRow("only the wide key") << QByteArray("RecordLogFileUtf8=/a/%C5%82.log\n") << ""
                                       << QByteArray("RecordLogFile=\nRecordLogFileUtf8=\n");
}

// What a hand edit leaves: the narrow key wins unless the wide one is the
// same path.
void tst_SettingsStore::recordLogFileKeysEditedByHand()
{
    QFETCH(QByteArray, keys);
    QFETCH(QString, loaded);
    QFETCH(QByteArray, saved);
    writeBytes(dataFolder() + "Settings.ini", "[SETTINGS]\nRecordLog=0\n" + keys);
    SettingsRecord s;
    CommandTexts slots;
    fkt_MainLoadSettings(s, slots);
    QCOMPARE(s.RecordLogFile, loaded);
    QVERIFY(fkt_MainSaveSettings(s, 0, slots).isEmpty());
    const QByteArray after = readBytes(dataFolder() + "Settings.ini");
    for (const QByteArray &line : saved.split('\n')) {
        if (!line.isEmpty())
            QVERIFY2(after.contains(QByteArray('\n' + line + '\n')), after);
    }
    QCOMPARE(after.count("RecordLogFile="), 1);
    QCOMPARE(after.count("RecordLogFileUtf8="), 1);
}

QTEST_GUILESS_MAIN(tst_SettingsStore)
#include "tst_settingsstore.moc"
