#include "app/CommandFile.h"

#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace TestFiles;

namespace {

CommandTexts numbered(const QString &stem)
{
    CommandTexts texts;
    for (std::size_t i = 0; i < texts.size(); ++i)
        texts[i] = stem + QString::number(i + 1);
    return texts;
}

} // namespace

class tst_CommandFile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();

    void loadSetsAllEightSlots_data();
    void loadSetsAllEightSlots();
    void newFileListsParamsInOrder();
    void saveKeepsOtherKeysAndSections();
    void commandsComeBackExactly_data();
    void commandsComeBackExactly();
    void longCommandComesBackWhole();
    void characterWithoutByteIsWrittenAsQuestionMark();

    void emptyPathAsksTheChooser();
    void cancelOrNoChooserChangesNothing();

private:
    QString path(const QString &name = QStringLiteral("cmds.icf")) const
    {
        return m_dir->filePath(name);
    }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_CommandFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void tst_CommandFile::loadSetsAllEightSlots_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("slots");
    const QStringList empty(8, QString());
    QStringList third = empty;
    third[2] = "<STX>abc<ETX>";
    QTest::newRow("only Param3") << QByteArray("[SETTINGS]\r\nParam3=<STX>abc<ETX>\r\n") << third;
    QTest::newRow("a settings file")
        << QByteArray("[SETTINGS]\r\nComPort=0\r\nBaudrate=5\r\nPrefixChars=<STX>\r\n") << empty;
    QTest::newRow("other section") << QByteArray("[OTHER]\nParam1=x\n") << empty;
    QTest::newRow("garbage") << QByteArray(4096, '\0') << empty;
    QStringList all;
    for (int i = 1; i <= 8; ++i)
        all << QString("c%1").arg(i);
    QTest::newRow("all, lower case, out of order")
        << QByteArray("[settings]\nparam8=c8\nPARAM1=c1\nParam2=c2\nParam3=c3\n"
                      "Param4=c4\nParam5=c5\nParam6=c6\nParam7=c7\n")
        << all;
}

void tst_CommandFile::loadSetsAllEightSlots()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, slots);
    writeBytes(path(), file);
    const auto texts = fkt_MainLoadCommandFile(path());
    QVERIFY(texts);
    QCOMPARE(QStringList(texts->begin(), texts->end()), slots);
}

void tst_CommandFile::newFileListsParamsInOrder()
{
    CommandTexts texts = numbered("cmd");
    texts[4].clear();
    QVERIFY(fkt_MainSaveCommandFile(path(), texts));
    QCOMPARE(readBytes(path()), QByteArray("[SETTINGS]\r\nParam1=cmd1\r\nParam2=cmd2\r\n"
                                           "Param3=cmd3\r\nParam4=cmd4\r\nParam5=\r\n"
                                           "Param6=cmd6\r\nParam7=cmd7\r\nParam8=cmd8\r\n"));
    QCOMPARE(*fkt_MainLoadCommandFile(path()), texts);
}

void tst_CommandFile::saveKeepsOtherKeysAndSections()
{
    writeBytes(path(), "; my commands\n[INFO]\nAuthor = me\n\n[SETTINGS]\nParam2 = old\n"
                       "Note=keep\n\n[LAST]\nParam1=other section\n");
    QVERIFY(fkt_MainSaveCommandFile(path(), numbered("n")));
    QCOMPARE(readBytes(path()),
             QByteArray("; my commands\n[INFO]\nAuthor = me\n\n[SETTINGS]\nParam2=n2\n"
                        "Note=keep\nParam1=n1\nParam3=n3\nParam4=n4\nParam5=n5\nParam6=n6\n"
                        "Param7=n7\nParam8=n8\n\n[LAST]\nParam1=other section\n"));
}

void tst_CommandFile::commandsComeBackExactly_data()
{
    QTest::addColumn<QString>("command");
    QTest::newRow("blank at start") << " <STX>A";
    QTest::newRow("blank at end") << "<STX>A ";
    QTest::newRow("blanks both ends") << "  x  ";
    QTest::newRow("quoted") << "\"A\"";
    QTest::newRow("control characters raw") << QString(QChar(2)) + "A" + QChar(3);
    QTest::newRow("high characters") << QString::fromUtf8("\xE2\x82\xAC\xC3\xA4");
}

void tst_CommandFile::commandsComeBackExactly()
{
    QFETCH(QString, command);
    CommandTexts texts = numbered("x");
    texts[0] = command;
    texts[7] = command;
    QVERIFY(fkt_MainSaveCommandFile(path(), texts));
    QCOMPARE(*fkt_MainLoadCommandFile(path()), texts);
}

void tst_CommandFile::longCommandComesBackWhole()
{
    // Fixed: a command line of 300 characters came back with 254.
    CommandTexts texts;
    texts[5] = QString(300, 'q');
    texts[7] = QString(40000, 'r');
    QVERIFY(fkt_MainSaveCommandFile(path(), texts));
    QCOMPARE(*fkt_MainLoadCommandFile(path()), texts);
}

void tst_CommandFile::characterWithoutByteIsWrittenAsQuestionMark()
{
    // A changed command must not come back as the one saved before it; the
    // characters the 8-bit file cannot hold become '?'.
    QVERIFY(fkt_MainSaveCommandFile(path(), numbered("old")));
    CommandTexts texts = numbered("new");
    texts[1] = QString::fromUtf8("A\xE6\x97\xA5\xCE\xA9" "B");
    QVERIFY(fkt_MainSaveCommandFile(path(), texts));
    CommandTexts expected = numbered("new");
    expected[1] = "A??B";
    QCOMPARE(*fkt_MainLoadCommandFile(path()), expected);
}

void tst_CommandFile::emptyPathAsksTheChooser()
{
    int asked = 0;
    const FileChooser chooser = [&] {
        ++asked;
        return path("chosen.icf");
    };
    QVERIFY(fkt_MainSaveCommandFile(QString(), numbered("c"), chooser));
    QCOMPARE(asked, 1);
    QCOMPARE(*fkt_MainLoadCommandFile(path("chosen.icf")), numbered("c"));
    QCOMPARE(*fkt_MainLoadCommandFile(QString(), chooser), numbered("c"));
    QCOMPARE(asked, 2);
    // With a path the chooser is never asked.
    QVERIFY(fkt_MainLoadCommandFile(path(), chooser));
    QCOMPARE(asked, 2);
}

void tst_CommandFile::cancelOrNoChooserChangesNothing()
{
    const FileChooser cancel = [] { return QString(); };
    QVERIFY(!fkt_MainLoadCommandFile(QString(), cancel));
    QVERIFY(!fkt_MainLoadCommandFile(QString()));
    QVERIFY(!fkt_MainSaveCommandFile(QString(), numbered("c"), cancel));
    QVERIFY(!fkt_MainSaveCommandFile(QString(), numbered("c")));
    QVERIFY(QDir(m_dir->path()).isEmpty());
}

QTEST_APPLESS_MAIN(tst_CommandFile)
#include "tst_commandfile.moc"
