#include "app/IniProfile.h"
#include "app/ReplacingFile.h"
#include "app/WholeFile.h"
#include "text/Codec.h"

#include "TestFiles.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QFile>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>

using IniProfile::GetPrivateProfileString;
using IniProfile::WritePrivateProfileString;

using namespace TestFiles;

namespace {

const QString kDefault = QStringLiteral("DEF");

} // namespace

class tst_IniProfile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();

    void reading_data();
    void reading();
    void missingFileOrFolderGivesDefault();
    void longDefaultComesBackWhole();

    void writing_data();
    void writing();
    void newFileUsesCrlf();
    void valuesComeBackExactly_data();
    void valuesComeBackExactly();
    void everyByteOfAValueRoundTrips();
    void longValueIsStoredAndReadWhole();
    void sectionReadAgreesWithSingleReads();
    void characterWithoutByteIsWrittenAsQuestionMark();
    void refusedWritesChangeNothing_data();
    void refusedWritesChangeNothing();

    void batchEqualsOneWritePerKey_data();
    void batchEqualsOneWritePerKey();
    void batchPassesOverRefusedKeys();

    void writeKeepsPermissions_data();
    void writeKeepsPermissions();
    void fullDiskLeavesOldFileIntact();
    void readOnlyFolderLeavesOldFileIntact();
    void pathThatIsAFolderIsNeitherReadNorWritten();
    void pipeDoesNotHang();
    void oversizedFileIsNeitherReadNorWritten();
    void failedWriteSaysWhy_data();
    void failedWriteSaysWhy();
    void leftoversOfKilledSaves_data();
    void leftoversOfKilledSaves();
    void temporaryFileOfASave_data();
    void temporaryFileOfASave();
    void readBufferFollowsFileSize_data();
    void readBufferFollowsFileSize();

    void garbageReadsDefaults_data();
    void garbageReadsDefaults();
    void writingIntoGarbageKeepsEveryByte();
    void valueAfterTenMegabytesIsFound();

private:
    QString path(const QString &name = QStringLiteral("test.ini")) const
    {
        return m_dir->filePath(name);
    }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_IniProfile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void tst_IniProfile::reading_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    const QString S = QStringLiteral("SETTINGS");
    const QString K = QStringLiteral("ComPort");
    QTest::newRow("plain") << QByteArray("[SETTINGS]\r\nComPort=3\r\n") << S << K << "3";
    QTest::newRow("LF only") << QByteArray("[SETTINGS]\nComPort=3\n") << S << K << "3";
    QTest::newRow("no line end at end") << QByteArray("[SETTINGS]\nComPort=3") << S << K << "3";
    QTest::newRow("CR ends the file") << QByteArray("[SETTINGS]\r\nComPort=3\r") << S << K << "3";
    QTest::newRow("names ignore case")
        << QByteArray("[settings]\nCOMPORT=4\n") << QStringLiteral("Settings") << "comPort"
        << "4";
    QTest::newRow("accented names ignore case")
        << QByteArray("[\xC4RGER]\n\x8A" "ALT=1\n") << QString::fromUtf8("\xC3\xA4rger")
        << QString::fromUtf8("\xC5\xA1" "alt") << "1";
    QTest::newRow("blanks around = and in brackets")
        << QByteArray("[ SETTINGS ]\n  ComPort   =   7  \n") << S << K << "7";
    QTest::newRow("tabs are blanks") << QByteArray("[SETTINGS]\n\tComPort\t=\t7\t\n") << S << K
                                     << "7";
    QTest::newRow("text after ] ignored")
        << QByteArray("[SETTINGS] ; main\nComPort=2\n") << S << K << "2";
    QTest::newRow("double quotes removed")
        << QByteArray("[SETTINGS]\nComPort=\" a b \"\n") << S << K << " a b ";
    QTest::newRow("single quotes removed")
        << QByteArray("[SETTINGS]\nComPort=' a '\n") << S << K << " a ";
    QTest::newRow("only one pair removed")
        << QByteArray("[SETTINGS]\nComPort=\"\"x\"\"\n") << S << K << "\"x\"";
    QTest::newRow("mixed quotes kept") << QByteArray("[SETTINGS]\nComPort=\"x'\n") << S << K
                                       << "\"x'";
    QTest::newRow("lone quote kept") << QByteArray("[SETTINGS]\nComPort=\"\n") << S << K << "\"";
    QTest::newRow("inner quotes kept")
        << QByteArray("[SETTINGS]\nComPort=a\"b\"c\n") << S << K << "a\"b\"c";
    QTest::newRow("empty value is not the default")
        << QByteArray("[SETTINGS]\nComPort=\n") << S << K << "";
    QTest::newRow("= inside the value") << QByteArray("[SETTINGS]\nComPort=a=b\n") << S << K
                                        << "a=b";
    QTest::newRow("missing section") << QByteArray("[OTHER]\nComPort=3\n") << S << K << kDefault;
    QTest::newRow("missing key") << QByteArray("[SETTINGS]\nBaudrate=3\n") << S << K << kDefault;
    QTest::newRow("key of the next section")
        << QByteArray("[SETTINGS]\nA=1\n[OTHER]\nComPort=3\n") << S << K << kDefault;
    QTest::newRow("key before any section ignored")
        << QByteArray("ComPort=9\n[SETTINGS]\nA=1\n") << S << K << kDefault;
    QTest::newRow("first of two sections counts")
        << QByteArray("[SETTINGS]\nComPort=1\n[X]\n[SETTINGS]\nComPort=2\n") << S << K << "1";
    QTest::newRow("key only in second section not seen")
        << QByteArray("[SETTINGS]\nA=1\n[SETTINGS]\nComPort=2\n") << S << K << kDefault;
    QTest::newRow("first of two keys counts")
        << QByteArray("[SETTINGS]\nComPort=1\ncomport=2\n") << S << K << "1";
    QTest::newRow("line without = ignored")
        << QByteArray("[SETTINGS]\nComPort\nComPort 5\nComPort=6\n") << S << K << "6";
    QTest::newRow("semicolon comment") << QByteArray("[SETTINGS]\n;ComPort=9\n") << S << K
                                       << kDefault;
    QTest::newRow("hash comment") << QByteArray("[SETTINGS]\n  # ComPort=9\nComPort=1\n") << S
                                  << K << "1";
    QTest::newRow("header without ] ignored")
        << QByteArray("[SETTINGS]\n[broken\nComPort=5\n") << S << K << "5";
    QTest::newRow("byte-order mark skipped")
        << QByteArray("\xEF\xBB\xBF[SETTINGS]\r\nComPort=8\r\n") << S << K << "8";
    QTest::newRow("NUL bytes before the section")
        << (QByteArray(100, '\0') + "\n[SETTINGS]\nComPort=4\n") << S << K << "4";
    QTest::newRow("value of 300 read whole, was cut to 254")
        << (QByteArray("[SETTINGS]\nComPort=") + QByteArray(300, 'x') + "\n") << S << K
        << QString(300, QLatin1Char('x'));
    QTest::newRow("value of a megabyte read whole")
        << (QByteArray("[SETTINGS]\nComPort=") + QByteArray(1 << 20, 'x') + "\n") << S << K
        << QString(1 << 20, QLatin1Char('x'));
    QTest::newRow("high bytes through the codec")
        << QByteArray("[SETTINGS]\nComPort=\x80\xE4\x81\n") << S << K
        << QString::fromUtf8("\xE2\x82\xAC\xC3\xA4\xC2\x81");
    QTest::newRow("empty file") << QByteArray() << S << K << kDefault;
}

void tst_IniProfile::reading()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    writeBytes(path(), file);
    QCOMPARE(GetPrivateProfileString(section, key, kDefault, path()), expected);
}

void tst_IniProfile::missingFileOrFolderGivesDefault()
{
    QCOMPARE(GetPrivateProfileString("SETTINGS", "A", kDefault, path()), kDefault);
    QCOMPARE(GetPrivateProfileString("SETTINGS", "A", kDefault, path("no/such/dir/x.ini")),
             kDefault);
    QCOMPARE(GetPrivateProfileString("SETTINGS", "A", kDefault, QString()), kDefault);
}

void tst_IniProfile::longDefaultComesBackWhole()
{
    // Fixed: a default was cut to 254 characters like a value read.
    const QString longDefault(300, QLatin1Char('d'));
    QCOMPARE(GetPrivateProfileString("SETTINGS", "A", longDefault, path()), longDefault);
}

void tst_IniProfile::writing_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("after");

    const QString S = QStringLiteral("SETTINGS");
    QTest::newRow("replaced in place, CRLF kept")
        << QByteArray("; head\r\n[SETTINGS]\r\nA=1\r\nB=2\r\n") << S << "A" << "9"
        << QByteArray("; head\r\n[SETTINGS]\r\nA=9\r\nB=2\r\n");
    QTest::newRow("odd spacing of a replaced line goes, others stay")
        << QByteArray("[ SETTINGS ]\n  a =  1  \n B = 2 \n") << S << "A" << "9"
        << QByteArray("[ SETTINGS ]\nA=9\n B = 2 \n");
    QTest::newRow("last line without line end replaced")
        << QByteArray("[SETTINGS]\nA=1") << S << "A" << "2" << QByteArray("[SETTINGS]\nA=2");
    QTest::newRow("first of two keys replaced")
        << QByteArray("[SETTINGS]\nA=1\nA=2\n") << S << "A" << "3"
        << QByteArray("[SETTINGS]\nA=3\nA=2\n");
    QTest::newRow("first of two sections written")
        << QByteArray("[SETTINGS]\nB=1\n[SETTINGS]\nA=2\n") << S << "A" << "3"
        << QByteArray("[SETTINGS]\nB=1\nA=3\n[SETTINGS]\nA=2\n");
    QTest::newRow("added after the last key, before blank lines and comments")
        << QByteArray("[SETTINGS]\r\nA=1\r\n\r\n; next\r\n[OTHER]\r\nX=1\r\n") << S << "B"
        << "2" << QByteArray("[SETTINGS]\r\nA=1\r\nB=2\r\n\r\n; next\r\n[OTHER]\r\nX=1\r\n");
    QTest::newRow("added after the last key, ignored lines between keys stay")
        << QByteArray("[SETTINGS]\nA=1\n; c\nB=2\njunk\n") << S << "C" << "3"
        << QByteArray("[SETTINGS]\nA=1\n; c\nB=2\nC=3\njunk\n");
    QTest::newRow("added after the header of an empty section")
        << QByteArray("[SETTINGS]\n\n[OTHER]\n") << S << "A" << "1"
        << QByteArray("[SETTINGS]\nA=1\n\n[OTHER]\n");
    QTest::newRow("added after a last line without line end")
        << QByteArray("[SETTINGS]\nA=1") << S << "B" << "2"
        << QByteArray("[SETTINGS]\nA=1\nB=2\n");
    QTest::newRow("added after a last line ending in CR")
        << QByteArray("[SETTINGS]\r\nA=1\r") << S << "B" << "2"
        << QByteArray("[SETTINGS]\r\nA=1\r\nB=2\r\n");
    QTest::newRow("section appended, LF kept")
        << QByteArray("[OTHER]\nX=1\n") << S << "A" << "1"
        << QByteArray("[OTHER]\nX=1\n[SETTINGS]\nA=1\n");
    QTest::newRow("section appended after a line without line end")
        << QByteArray("; only a comment") << S << "A" << "1"
        << QByteArray("; only a comment\r\n[SETTINGS]\r\nA=1\r\n");
    QTest::newRow("byte-order mark kept")
        << QByteArray("\xEF\xBB\xBF[SETTINGS]\nA=1\n") << S << "A" << "2"
        << QByteArray("\xEF\xBB\xBF[SETTINGS]\nA=2\n");
    QTest::newRow("only a byte-order mark")
        << QByteArray("\xEF\xBB\xBF") << S << "A" << "2"
        << QByteArray("\xEF\xBB\xBF[SETTINGS]\r\nA=2\r\n");
    QTest::newRow("key before any section is not replaced")
        << QByteArray("A=0\n[SETTINGS]\n") << S << "A" << "1"
        << QByteArray("A=0\n[SETTINGS]\nA=1\n");
    QTest::newRow("case-insensitive match takes the caller's spelling")
        << QByteArray("[settings]\ncomport=1\n") << S << "ComPort" << "2"
        << QByteArray("[settings]\nComPort=2\n");
    QTest::newRow("blank at the start is quoted")
        << QByteArray("[SETTINGS]\n") << S << "A" << " x" << QByteArray("[SETTINGS]\nA=\" x\"\n");
    QTest::newRow("blank at the end is quoted")
        << QByteArray("[SETTINGS]\n") << S << "A" << "x\t" << QByteArray("[SETTINGS]\nA=\"x\t\"\n");
    QTest::newRow("enclosing quotes are quoted")
        << QByteArray("[SETTINGS]\n") << S << "A" << "'x'" << QByteArray("[SETTINGS]\nA=\"'x'\"\n");
    QTest::newRow("inner blanks and quotes are not quoted")
        << QByteArray("[SETTINGS]\n") << S << "A" << "a \"b\" c"
        << QByteArray("[SETTINGS]\nA=a \"b\" c\n");
    QTest::newRow("empty value") << QByteArray("[SETTINGS]\nA=1\n") << S << "A" << ""
                                 << QByteArray("[SETTINGS]\nA=\n");
}

void tst_IniProfile::writing()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, after);
    writeBytes(path(), before);
    QVERIFY(WritePrivateProfileString(section, key, value, path()));
    QCOMPARE(readBytes(path()), after);
    QCOMPARE(GetPrivateProfileString(section, key, kDefault, path()), value);
}

void tst_IniProfile::newFileUsesCrlf()
{
    QVERIFY(WritePrivateProfileString("SETTINGS", "A", "1", path()));
    QVERIFY(WritePrivateProfileString("SETTINGS", "B", "2", path()));
    QVERIFY(WritePrivateProfileString("OTHER", "C", "3", path()));
    QCOMPARE(readBytes(path()), QByteArray("[SETTINGS]\r\nA=1\r\nB=2\r\n[OTHER]\r\nC=3\r\n"));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{"test.ini"}); // no temporary file left behind
}

void tst_IniProfile::valuesComeBackExactly_data()
{
    QTest::addColumn<QString>("value");
    QTest::newRow("leading blank") << " <STX>";
    QTest::newRow("trailing blank") << "<ETX> ";
    QTest::newRow("only blanks") << "   ";
    QTest::newRow("tab at both ends") << "\tx\t";
    QTest::newRow("double-quoted") << "\"x\"";
    QTest::newRow("single-quoted") << "'x'";
    QTest::newRow("quote and blank") << "\" x \"";
    QTest::newRow("lone quote") << "\"";
    QTest::newRow("two quotes") << "\"\"";
    QTest::newRow("equals sign") << "a=b";
    QTest::newRow("looks like a section") << "[SETTINGS]";
    QTest::newRow("looks like a comment") << ";x";
    QTest::newRow("NUL inside") << QString(QChar(0)) + "a" + QChar(0);
    QTest::newRow("exactly 254") << QString(254, QLatin1Char('z'));
    QTest::newRow("255, was cut") << QString(255, QLatin1Char('z'));
    QTest::newRow("300 with blanks at the ends, was cut")
        << QLatin1Char(' ') + QString(298, QLatin1Char('z')) + QLatin1Char(' ');
    QTest::newRow("100,000") << QString(100000, QLatin1Char('z'));
}

void tst_IniProfile::valuesComeBackExactly()
{
    QFETCH(QString, value);
    writeBytes(path(), "[SETTINGS]\r\nX=1\r\n");
    QVERIFY(WritePrivateProfileString("SETTINGS", "Param1", value, path()));
    QCOMPARE(GetPrivateProfileString("SETTINGS", "Param1", kDefault, path()), value);
    QCOMPARE(GetPrivateProfileString("SETTINGS", "X", kDefault, path()), QString("1"));
}

void tst_IniProfile::everyByteOfAValueRoundTrips()
{
    QByteArray bytes;
    for (int b = 0; b < 256; ++b) {
        if (b != '\r' && b != '\n')
            bytes.append(char(b));
    }
    // Whole, and in two halves that are short enough for any reader.
    for (const QByteArray &part : {bytes, bytes.left(127), bytes.mid(127)}) {
        const QString value = Codec::toText(part);
        QVERIFY(WritePrivateProfileString("SETTINGS", "V", value, path()));
        QCOMPARE(GetPrivateProfileString("SETTINGS", "V", kDefault, path()), value);
    }
}

void tst_IniProfile::longValueIsStoredAndReadWhole()
{
    // Fixed: the read gave back the first 254 characters.
    const QString value(300, QLatin1Char('L'));
    QVERIFY(WritePrivateProfileString("SETTINGS", "A", value, path()));
    QVERIFY(readBytes(path()).contains(QByteArray("A=" + QByteArray(300, 'L') + "\r\n")));
    QCOMPARE(GetPrivateProfileString("SETTINGS", "A", kDefault, path()), value);
}

void tst_IniProfile::sectionReadAgreesWithSingleReads()
{
    QFile file(path());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("Early=0\r\n[Other]\r\nA=other\r\n[ports]\r\n; comment\r\nCOM1=/dev/a\r\n"
               "com1=/dev/second\r\n  COM2 = \" /dev/b \"\r\nnoequals\r\nLong=" +
               QByteArray(300, 'x') + "\r\n[PORTS]\r\nCOM3=/dev/later\r\n");
    file.close();
    const IniProfile::KeyValues values = IniProfile::GetPrivateProfileSection("PORTS", path());
    QStringList keys;
    for (const auto &[key, value] : values) {
        keys << key;
        QCOMPARE(value, GetPrivateProfileString("PORTS", key, kDefault, path()));
    }
    QCOMPARE(keys, (QStringList{"COM1", "COM2", "Long"}));
    QCOMPARE(values[1].second, QStringLiteral(" /dev/b "));
    QCOMPARE(values[2].second, QString(300, QLatin1Char('x')));
    QVERIFY(IniProfile::GetPrivateProfileSection("MISSING", path()).isEmpty());
    QVERIFY(IniProfile::GetPrivateProfileSection("PORTS", path("none.ini")).isEmpty());
}

void tst_IniProfile::characterWithoutByteIsWrittenAsQuestionMark()
{
    QVERIFY(WritePrivateProfileString("SETTINGS", "A", "old", path()));
    QVERIFY(WritePrivateProfileString("SETTINGS", "A", QString::fromUtf8("x\xE6\x97\xA5\xC3\xA4"),
                                      path()));
    QCOMPARE(GetPrivateProfileString("SETTINGS", "A", kDefault, path()),
             QString::fromUtf8("x?\xC3\xA4"));
}

void tst_IniProfile::refusedWritesChangeNothing_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::newRow("LF in value") << "SETTINGS" << "A" << "x\ny";
    QTest::newRow("CR in value") << "SETTINGS" << "A" << "x\r";
    QTest::newRow("empty key") << "SETTINGS" << "" << "1";
    QTest::newRow("blank key") << "SETTINGS" << " " << "1";
    QTest::newRow("= in key") << "SETTINGS" << "A=B" << "1";
    QTest::newRow("key like a section") << "SETTINGS" << "[A" << "1";
    QTest::newRow("key like a comment") << "SETTINGS" << ";A" << "1";
    QTest::newRow("LF in key") << "SETTINGS" << "A\nB" << "1";
    QTest::newRow("empty section") << "" << "A" << "1";
    QTest::newRow("] in section") << "SET]TINGS" << "A" << "1";
    QTest::newRow("LF in section") << "SET\nTINGS" << "A" << "1";
}

void tst_IniProfile::refusedWritesChangeNothing()
{
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    const QByteArray before("[SETTINGS]\r\nA=0\r\n");
    writeBytes(path(), before);
    QVERIFY(!WritePrivateProfileString(section, key, value, path()));
    QCOMPARE(readBytes(path()), before);
    QVERIFY(!WritePrivateProfileString(section, key, value, path("new.ini")));
    QVERIFY(!QFile::exists(path("new.ini")));
}

void tst_IniProfile::batchEqualsOneWritePerKey_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::newRow("missing file") << QByteArray();
    QTest::newRow("LF file with other sections")
        << QByteArray("; c\n[A]\nx=1\n[SETTINGS]\nB=old\n\n[Z]\nC=1");
    QTest::newRow("CRLF, duplicate keys") << QByteArray("[settings]\r\nc=1\r\nC=2\r\n");
    QTest::newRow("garbage") << QByteArray("\0\0\xFF[\r=\n=x\n");
}

void tst_IniProfile::batchEqualsOneWritePerKey()
{
    QFETCH(QByteArray, before);
    const IniProfile::KeyValues keyValues = {
        {"A", "1"}, {"B", " two "}, {"C", "'3'"}, {"A", "again"}, {"D", ""}};
    const QString one = path("one.ini");
    const QString batch = path("batch.ini");
    if (!before.isNull()) {
        writeBytes(one, before);
        writeBytes(batch, before);
    }
    for (const auto &[key, value] : keyValues)
        QVERIFY(WritePrivateProfileString("SETTINGS", key, value, one));
    QVERIFY(IniProfile::WritePrivateProfileStrings("SETTINGS", keyValues, batch));
    QCOMPARE(readBytes(batch), readBytes(one));
}

void tst_IniProfile::batchPassesOverRefusedKeys()
{
    writeBytes(path(), "[SETTINGS]\nA=0\nB=0\n");
    QVERIFY(!IniProfile::WritePrivateProfileStrings(
        "SETTINGS", {{"A", "1"}, {"B", "x\ny"}, {"C", "3"}}, path()));
    QCOMPARE(readBytes(path()), QByteArray("[SETTINGS]\nA=1\nB=0\nC=3\n"));
    QVERIFY(IniProfile::WritePrivateProfileStrings("SETTINGS", {}, path("none.ini")));
    QVERIFY(!QFile::exists(path("none.ini")));
}

void tst_IniProfile::writeKeepsPermissions_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("0600") << 0600;
    QTest::newRow("0640") << 0640;
    QTest::newRow("0664") << 0664;
}

void tst_IniProfile::writeKeepsPermissions()
{
    QFETCH(int, mode);
    writeBytes(path(), "[SETTINGS]\nA=1\n");
    QCOMPARE(::chmod(QFile::encodeName(path()).constData(), mode_t(mode)), 0);
    QVERIFY(WritePrivateProfileString("SETTINGS", "A", "2", path()));
    struct stat st {};
    QCOMPARE(::stat(QFile::encodeName(path()).constData(), &st), 0);
    QCOMPARE(int(st.st_mode & 07777), mode);
}

void tst_IniProfile::fullDiskLeavesOldFileIntact()
{
    const QByteArray before = "[SETTINGS]\r\n" + QByteArray(200, 'k') + "=1\r\n";
    writeBytes(path(), before);
    {
        FileSizeLimit limit(64);
        QVERIFY(limit.active());
        QVERIFY(!WritePrivateProfileString("SETTINGS", "A", "2", path()));
        QVERIFY(!WritePrivateProfileString("SETTINGS", "A", QString(100, 'x'), path("new.ini")));
    }
    QCOMPARE(readBytes(path()), before);
    QVERIFY(!QFile::exists(path("new.ini")));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"test.ini"});
}

void tst_IniProfile::readOnlyFolderLeavesOldFileIntact()
{
    if (::geteuid() == 0)
        QSKIP("root writes into read-only folders; the full-disk test covers the failure path");
    const QByteArray before("[SETTINGS]\nA=1\n");
    writeBytes(path(), before);
    QFile::setPermissions(m_dir->path(), QFile::ReadOwner | QFile::ExeOwner);
    const bool written = WritePrivateProfileString("SETTINGS", "A", "2", path());
    QFile::setPermissions(m_dir->path(),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(!written);
    QCOMPARE(readBytes(path()), before);
}

void tst_IniProfile::pathThatIsAFolderIsNeitherReadNorWritten()
{
    QVERIFY(QDir(m_dir->path()).mkdir("folder.ini"));
    QCOMPARE(GetPrivateProfileString("SETTINGS", "A", kDefault, path("folder.ini")), kDefault);
    QVERIFY(!WritePrivateProfileString("SETTINGS", "A", "1", path("folder.ini")));
    QVERIFY(QFileInfo(path("folder.ini")).isDir());
}

void tst_IniProfile::pipeDoesNotHang()
{
    QCOMPARE(::mkfifo(QFile::encodeName(path("pipe.ini")).constData(), 0600), 0);
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(GetPrivateProfileString("SETTINGS", "A", kDefault, path("pipe.ini")), kDefault);
    QVERIFY(!WritePrivateProfileString("SETTINGS", "A", "1", path("pipe.ini")));
    QVERIFY(timer.elapsed() < 5000);
}

void tst_IniProfile::oversizedFileIsNeitherReadNorWritten()
{
    writeBytes(path(), "[SETTINGS]\nA=1\n");
    {
        QFile f(path());
        QVERIFY(f.resize(IniProfile::kMaxFileSize + 1)); // sparse: cheap to make
    }
    QCOMPARE(GetPrivateProfileString("SETTINGS", "A", kDefault, path()), kDefault);
    QVERIFY(!WritePrivateProfileString("SETTINGS", "A", "2", path()));
    QCOMPARE(QFileInfo(path()).size(), IniProfile::kMaxFileSize + 1);
    QFile f(path());
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.read(15), QByteArray("[SETTINGS]\nA=1\n"));
}

void tst_IniProfile::failedWriteSaysWhy_data()
{
    QTest::addColumn<QString>("target"); // what stands at the path
    QTest::addColumn<int>("error");
    QTest::newRow("written") << "file" << 0;
    QTest::newRow("new file") << "nothing" << 0;
    QTest::newRow("a folder") << "folder" << EISDIR;
    QTest::newRow("a pipe") << "pipe" << EINVAL;
    QTest::newRow("larger than the limit") << "oversized" << EFBIG;
    QTest::newRow("disk full") << "full disk" << EFBIG;
    QTest::newRow("missing folder") << "missing folder" << ENOENT;
    QTest::newRow("a file where a folder should be") << "file as folder" << ENOTDIR;
    QTest::newRow("a refused key") << "refused key" << EINVAL;
}

// The errno of the failure comes back to the caller, for a message.
void tst_IniProfile::failedWriteSaysWhy()
{
    QFETCH(QString, target);
    QFETCH(int, error);
    QString at = path();
    if (target == "file" || target == "full disk" || target == "refused key") {
        writeBytes(at, "[SETTINGS]\nA=1\n");
    } else if (target == "folder") {
        QVERIFY(QDir(m_dir->path()).mkdir("test.ini"));
    } else if (target == "pipe") {
        QCOMPARE(::mkfifo(QFile::encodeName(at).constData(), 0600), 0);
    } else if (target == "oversized") {
        writeBytes(at, "[SETTINGS]\nA=1\n");
        QFile f(at);
        QVERIFY(f.resize(IniProfile::kMaxFileSize + 1));
    } else if (target == "missing folder") {
        at = path("missing/test.ini");
    } else if (target == "file as folder") {
        writeBytes(path("plain"), "x");
        at = path("plain/test.ini");
    }
    const IniProfile::KeyValues keys{{"A", QString(200, 'x')},
                                     {target == "refused key" ? "=" : "B", "2"}};
    int reported = -1;
    bool written = false;
    {
        std::unique_ptr<FileSizeLimit> limit;
        if (target == "full disk")
            limit = std::make_unique<FileSizeLimit>(64);
        written = IniProfile::WritePrivateProfileStrings("SETTINGS", keys, at, &reported);
    }
    QCOMPARE(written, error == 0);
    QCOMPARE(reported, error);
}

void tst_IniProfile::leftoversOfKilledSaves_data()
{
    QTest::addColumn<QString>("name"); // in the folder of the file saved
    QTest::addColumn<QString>("kind"); // "file", "folder" or "link"
    QTest::addColumn<int>("ageSeconds");
    QTest::addColumn<bool>("removed");
    const QString own = ".test.ini.lintrova-save-";
    QTest::newRow("older than a minute") << own + "a1B2c3"
                                         << "file" << 120 << true;
    QTest::newRow("a save in progress") << own + "a1B2c3"
                                        << "file" << 10 << false;
    QTest::newRow("five characters") << own + "a1B2c"
                                     << "file" << 120 << false;
    QTest::newRow("seven characters") << own + "a1B2c3d"
                                      << "file" << 120 << false;
    QTest::newRow("not from mkstemp") << own + "a1-2c3"
                                      << "file" << 120 << false;
    QTest::newRow("another file's save in the folder") << ".other.ini.lintrova-save-a1B2c3"
                                                       << "file" << 120 << true;
    QTest::newRow("the marker without a name") << "..lintrova-save-a1B2c3"
                                               << "file" << 120 << false;
    QTest::newRow("without the leading dot") << "test.ini.lintrova-save-a1B2c3"
                                             << "file" << 120 << false;
    QTest::newRow("another marker") << ".test.ini.lintrova-saved-a1B2c3"
                                    << "file" << 120 << false;
    QTest::newRow("a folder") << own + "a1B2c3"
                              << "folder" << 120 << false;
    QTest::newRow("a link") << own + "a1B2c3"
                            << "link" << 120 << false;
    QTest::newRow("the file itself") << "test.ini" << "file" << 120 << false;
    QTest::newRow("beside the linked file") << "linked/.real.ini.lintrova-save-ZZZZZZ"
                                            << "file" << 120 << true;
    QTest::newRow("beside the linked file, another file's")
        << "linked/.other.ini.lintrova-save-ZZZZZZ"
        << "file" << 120 << false;
    // Fixed: every name of the file, '.' and six letters or digits went.
    QTest::newRow("a user's copy .backup") << "test.ini.backup"
                                           << "file" << 120 << false;
    QTest::newRow("a user's copy .orig01") << "test.ini.orig01"
                                           << "file" << 120 << false;
    QTest::newRow("a user's copy .sicher") << "test.ini.sicher"
                                           << "file" << 120 << false;
    QTest::newRow("a user's copy .a1B2c3") << "test.ini.a1B2c3"
                                           << "file" << 120 << false;
    QTest::newRow("a user's hidden copy") << ".test.ini.a1B2c3"
                                          << "file" << 120 << false;
    QTest::newRow("a user's copy beside the linked file") << "linked/real.ini.before"
                                                          << "file" << 120 << false;
}

void tst_IniProfile::leftoversOfKilledSaves()
{
    QFETCH(QString, name);
    QFETCH(QString, kind);
    QFETCH(int, ageSeconds);
    QFETCH(bool, removed);
    writeBytes(path(), "[SETTINGS]\nA=1\n");
    if (name.startsWith("linked/")) { // test.ini is a link to linked/real.ini
        writeBytes(path("linked/real.ini"), "[SETTINGS]\n");
        QFile::remove(path());
        QVERIFY(QFile::link(path("linked/real.ini"), path()));
    }
    const QString leftover = path(name);
    if (kind == "folder") {
        QVERIFY(QDir().mkpath(leftover));
    } else if (kind == "link") {
        writeBytes(path("elsewhere"), "x");
        QVERIFY(QFile::link(path("elsewhere"), leftover));
    } else if (name != "test.ini") {
        writeBytes(leftover, "[SETTINGS]\nA=");
    }
    timespec times[2] = {};
    times[0].tv_sec = times[1].tv_sec = ::time(nullptr) - ageSeconds;
    QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(leftover).constData(), times,
                         AT_SYMLINK_NOFOLLOW), 0);
    QCOMPARE(ReplacingFile::removeLeftovers(m_dir->path(), std::chrono::minutes(1)),
             removed ? 1 : 0);
    QCOMPARE(QFileInfo::exists(leftover) || QFileInfo(leftover).isSymLink(), !removed);
    QVERIFY(QFileInfo::exists(path()));
}

// The temporary file of a save lies beside the file it replaces (beside the
// file a link leads to), under a name of the program's own, and goes with
// the commit.
void tst_IniProfile::temporaryFileOfASave_data()
{
    QTest::addColumn<bool>("throughLink");
    QTest::newRow("the file itself") << false;
    QTest::newRow("through a link") << true;
}

void tst_IniProfile::temporaryFileOfASave()
{
    QFETCH(bool, throughLink);
    QString replaced = path();
    if (throughLink) {
        replaced = path("linked/real.ini");
        writeBytes(replaced, "old");
        QVERIFY(QFile::link(replaced, path()));
    }
    ReplacingFile file(path());
    QVERIFY(file.open());
    QVERIFY(file.write("new"));
    const QDir folder = QFileInfo(replaced).dir();
    const QStringList during = folder.entryList(QDir::Files | QDir::Hidden | QDir::NoSymLinks);
    const QStringList temporaries = during.filter(
        QRegularExpression("\\A\\." + QRegularExpression::escape(QFileInfo(replaced).fileName()) +
                           "\\.lintrova-save-[A-Za-z0-9]{6}\\z"));
    QCOMPARE(temporaries.size(), 1);
    QVERIFY(ReplacingFile::isTemporaryName(temporaries[0]));
    QVERIFY(file.commit());
    QCOMPARE(folder.entryList(QDir::Files | QDir::Hidden | QDir::NoSymLinks),
             QStringList{QFileInfo(replaced).fileName()});
    QCOMPARE(readBytes(path()), QByteArray("new"));
}

void tst_IniProfile::readBufferFollowsFileSize_data()
{
    QTest::addColumn<qsizetype>("size");
    QTest::addColumn<qint64>("limit");
    QTest::newRow("empty file") << qsizetype(0) << IniProfile::kMaxFileSize;
    QTest::newRow("small file, was 64 MiB") << qsizetype(15) << IniProfile::kMaxFileSize;
    QTest::newRow("one megabyte") << qsizetype(1 << 20) << IniProfile::kMaxFileSize;
    QTest::newRow("exactly at the limit") << qsizetype(1000) << qint64(1000);
    QTest::newRow("one byte over the limit") << qsizetype(1001) << qint64(1000);
}

void tst_IniProfile::readBufferFollowsFileSize()
{
    QFETCH(qsizetype, size);
    QFETCH(qint64, limit);
    const QByteArray content = randomBytes(size, 5);
    writeBytes(path(), content);
    const std::optional<QByteArray> bytes = WholeFile::read(path(), limit);
    if (size > limit) {
        QVERIFY(!bytes);
        return;
    }
    QVERIFY(bytes);
    QCOMPARE(*bytes, content);
    // Fixed: every read took a buffer of the limit, 64 MiB, whatever the size.
    QCOMPARE_LE(bytes->capacity(), size + 4096);
}

void tst_IniProfile::garbageReadsDefaults_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("random bytes") << randomBytes(64 * 1024, 1);
    QTest::newRow("NUL bytes") << QByteArray(64 * 1024, '\0');
    QTest::newRow("10 MB of random bytes") << randomBytes(10 * 1024 * 1024, 2);
    QTest::newRow("10 MB without a line end") << QByteArray(10 * 1024 * 1024, 'x');
    QTest::newRow("brackets and equals") << QByteArray(1024 * 1024, '[') + QByteArray(100, '=');
}

void tst_IniProfile::garbageReadsDefaults()
{
    QFETCH(QByteArray, file);
    writeBytes(path(), file);
    QCOMPARE(GetPrivateProfileString("SETTINGS", "ComPort", kDefault, path()), kDefault);
}

void tst_IniProfile::writingIntoGarbageKeepsEveryByte()
{
    const QByteArray garbage = randomBytes(256 * 1024, 3) + QByteArray(1000, '\0');
    writeBytes(path(), garbage);
    QVERIFY(WritePrivateProfileString("SETTINGS", "ComPort", "3", path()));
    const QByteArray after = readBytes(path());
    QVERIFY(after.startsWith(garbage));
    QCOMPARE(GetPrivateProfileString("SETTINGS", "ComPort", kDefault, path()), QString("3"));
}

void tst_IniProfile::valueAfterTenMegabytesIsFound()
{
    const QByteArray file =
        randomBytes(10 * 1024 * 1024, 4).replace('[', 'x') + "\n[SETTINGS]\nComPort=5\n";
    writeBytes(path(), file);
    QCOMPARE(GetPrivateProfileString("SETTINGS", "ComPort", kDefault, path()), QString("5"));
}

QTEST_APPLESS_MAIN(tst_IniProfile)
#include "tst_iniprofile.moc"
