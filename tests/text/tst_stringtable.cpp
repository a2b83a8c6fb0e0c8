#include "text/FileErrorText.h"
#include "text/StringTable.h"

#include <QTest>

#include <cerrno>
#include <cstring>
#include <limits>

class tst_StringTable : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void everyIdInBothLanguages();
    void gapsAreEmpty();
    void ownTextsInBothLanguages();
    void fileErrorReasons_data();
    void fileErrorReasons();
    void exactTexts_data();
    void exactTexts();
    void lookupOrder_data();
    void lookupOrder();
    void extremeIds_data();
    void extremeIds();
};

namespace
{

struct Range {
    qint32 first;
    qint32 last;
};

// The IDs without an entry, in either language.
const QList<Range> kGaps = {{1011, 1029}, {1037, 1049}, {1051, 1199}, {1206, 1299},
                            {1303, 1499}, {1505, 1506}, {1523, 1599}, {1604, 1604},
                            {1607, 1607}, {1609, 1621}, {1631, 1699}};
constexpr qint32 kFirstId = 1000;
constexpr qint32 kLastId = 1701;
constexpr qint32 kEnglishOnly = 1608;

bool inGap(qint32 id)
{
    return std::any_of(kGaps.begin(), kGaps.end(),
                       [id](const Range &gap) { return id >= gap.first && id <= gap.last; });
}

} // namespace

void tst_StringTable::everyIdInBothLanguages()
{
    int entries = 0;
    for (qint32 id = kFirstId; id <= kLastId; ++id) {
        if (inGap(id))
            continue;
        QVERIFY2(!fkt_ToolsGetResStringEnglish(id).isEmpty(), qPrintable(QString::number(id)));
        QCOMPARE(fkt_ToolsGetResStringGerman(id).isEmpty(), id == kEnglishOnly);
        ++entries;
    }
    QCOMPARE(entries, 67);
}

void tst_StringTable::gapsAreEmpty()
{
    for (const Range &gap : kGaps) {
        for (qint32 id = gap.first; id <= gap.last; ++id) {
            for (quint8 language : {quint8(0), quint8(1)})
                QVERIFY2(fkt_ToolsGetResString(id, language).isEmpty(),
                         qPrintable(QString::number(id)));
        }
    }
    for (qint32 id : {kFirstId - 1, kLastId + 1, 0, 21000, -1000})
        QVERIFY(fkt_ToolsGetResString(id, 1).isEmpty() && fkt_ToolsGetResString(id, 0).isEmpty());
}

// Texts the program added beyond the original table: each in both languages.
void tst_StringTable::ownTextsInBothLanguages()
{
    int entries = 0;
    for (qint32 id = kLastId + 1; id < 3000; ++id) {
        const bool german = !fkt_ToolsGetResStringGerman(id).isEmpty();
        QVERIFY2(german == !fkt_ToolsGetResStringEnglish(id).isEmpty(),
                 qPrintable(QString::number(id)));
        entries += german ? 1 : 0;
    }
    QVERIFY(entries >= 19);
    // The texts of the ports across the network (1900-1916) and of ports on
    // demand (1917-1922) in their range 1900-1949, the rest still free.
    for (qint32 id = 1900; id <= 1949; ++id)
        QVERIFY2(fkt_ToolsGetResStringGerman(id).isEmpty() == (id > 1922),
                 qPrintable(QString::number(id)));
}

void tst_StringTable::fileErrorReasons_data()
{
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("german");
    QTest::addColumn<QString>("english");
    QTest::newRow("disk full") << ENOSPC << u"Der Datenträger ist voll."_qs << u"The disk is full."_qs;
    QTest::newRow("quota") << EDQUOT << u"Der Datenträger ist voll."_qs << u"The disk is full."_qs;
    QTest::newRow("no permission") << EACCES << u"Keine Berechtigung."_qs << u"Permission denied."_qs;
    QTest::newRow("read-only") << EROFS << u"Der Datenträger ist schreibgeschützt."_qs
                               << u"The file system is read-only."_qs;
    QTest::newRow("missing folder") << ENOENT << u"Die Datei oder der Ordner existiert nicht."_qs
                                    << u"The file or folder does not exist."_qs;
    const QString system = QString::fromLocal8Bit(std::strerror(EIO));
    QTest::newRow("other: the system's text") << EIO << system << system;
}

void tst_StringTable::fileErrorReasons()
{
    QFETCH(int, error);
    QFETCH(QString, german);
    QFETCH(QString, english);
    QCOMPARE(fileErrorReason(error, 0), german);
    QCOMPARE(fileErrorReason(error, 1), english);
}

void tst_StringTable::exactTexts_data()
{
    QTest::addColumn<qint32>("id");
    QTest::addColumn<QString>("german");
    QTest::addColumn<QString>("english");
    QTest::newRow("1000") << 1000 << u"Lintrova"_qs << u"Lintrova"_qs;
    QTest::newRow("1005") << 1005 << u"?"_qs << u"?"_qs;
    QTest::newRow("1010") << 1010 << u"Blockcheck errechnen!"_qs << u"Calculate block check!"_qs;
    QTest::newRow("1032") << 1032 << u"Sonderzeichen einfügen..."_qs
                          << u"Insert special character..."_qs;
    QTest::newRow("1035") << 1035 << u"Befehl %% [F%%]"_qs << u"Command %% [F%%]"_qs;
    QTest::newRow("1034") << 1034 << u"Liste löschen"_qs << u"Delete list"_qs;
    QTest::newRow("1300") << 1300 << u"Sonderzeichen auswählen und einfügen"_qs
                          << u"Select and insert special character"_qs;
    QTest::newRow("1050") << 1050 << u"Inhalt der Zeile:"_qs << u"Line data content:"_qs;
    QTest::newRow("1202") << 1202 << u"Software Version:"_qs << u"Software version:"_qs;
    QTest::newRow("1301") << 1301 << u"Übernehmen"_qs << u"Accept"_qs;
    QTest::newRow("1504") << 1504 << u"Einstellung"_qs << u"Interface"_qs;
    QTest::newRow("1514") << 1514 << u"8 Datenbits, 1 Stoppbit, Keine Parität"_qs
                          << u"8 Data bits, 1 Stop bit, no Parity"_qs;
    QTest::newRow("1515") << 1515 << u"7 Datenbits, 2 Stoppbit, keine Parität"_qs
                          << u"7 Data bits, 2 Stop bits, no Parity"_qs;
    QTest::newRow("1521") << 1521 << u"Zeichenverzögerung"_qs << u"Character Delay"_qs;
    QTest::newRow("1600") << 1600 << u"Keine Schnittstelle geöffnet!"_qs
                          << u"No interface connection opened!"_qs;
    QTest::newRow("1601") << 1601 << u"Schnittstelle COM%% mit %% Baud %% und %% ist geöffnet."_qs
                          << u"Interface COM%% is opened with %% baud %% and %%."_qs;
    QTest::newRow("1602")
        << 1602
        << u"Es ist ein Fehler bei folgender Aktion aufgetreten: %%.%%Beschreibung: %%.%%Fehler: %%."_qs
        << u"An error occured with followning action: %%.%%Description: %%.%%Error: %%."_qs;
    QTest::newRow("1603") << 1603 << u"Fehler aufgetreten"_qs << u"Error occured"_qs;
    QTest::newRow("1605") << 1605 << u"Schnittstelle öffnen"_qs << u"Open Interface"_qs;
    QTest::newRow("1606") << 1606 << u"Befehls-Konfigurationsdateien (*.icf)|*.icf"_qs
                          << u"Command configuration files (*.icf)|*.icf"_qs;
    QTest::newRow("1608") << 1608 << QString() << u"Calculate block check"_qs;
    QTest::newRow("1625") << 1625 << u"'Zu sendende Zeichen' nach Abarbeitung löschen"_qs
                          << u"Delete 'Characters to send' after processing"_qs;
    QTest::newRow("1626") << 1626 << u"An 'Zu sendende Zeichen' voranstellen:"_qs
                          << u"Prefix to 'Characters to send':"_qs;
    QTest::newRow("1628") << 1628 << u"An 'Zu sendende Zeichen' anhängen:"_qs
                          << u"Attach to 'Characters to send':"_qs;
    QTest::newRow("1630") << 1630 << u"(ASCII-Wert 0 - 255)"_qs << u"(ASCI value 0 - 255)"_qs;
    QTest::newRow("1700")
        << 1700
        << u"COM-Port Anschlussnummer darf COM 16 nicht überschreiten, bitte konfigurieren Sie die "
           "COM-Anschlussnummer unter 'Anschlusseinstellungen' -> 'Erweitert' im Gerätemanager zu "
           "einer kleineren COM und wiederholen Sie den Vorgang!"_qs
        << u"COM port port number may not exceed COM 16, please configure the COM port number "
           u"under "
           "'Port settings' -> 'Advanced' in the device manager to a smaller COM and repeat the "
           "process!"_qs;
    QTest::newRow("1701") << 1701 << u"Überschreitung der COM Anschlussnummer"_qs
                          << u"Exceeding COM port number"_qs;
    // The port layer's own descriptions; the error box adds the final stop.
    QTest::newRow("1820 not assigned")
        << 1820
        << u"COM%% ist keinem Gerät zugeordnet; ordnen Sie in %% eines zu oder schließen Sie das "
           "Gerät an"_qs
        << u"COM%% is not assigned to a device; assign one in %% or connect the device"_qs;
    QTest::newRow("1821 not present")
        << 1821
        << u"COM%% ist %% zugeordnet, das nicht vorhanden ist; schließen Sie das Gerät an oder "
           "ändern Sie %%"_qs
        << u"COM%% is assigned to %%, which is not present; connect the device or change %%"_qs;
    QTest::newRow("1822 path not present") << 1822 << u"%% ist nicht vorhanden"_qs
                                           << u"%% is not present"_qs;
    QTest::newRow("1823 busy") << 1823
                               << u"Schnittstelle belegt: %% wird von einem anderen Programm benutzt"_qs
                               << u"port busy: %% is in use by another program"_qs;
    QTest::newRow("1824 permission denied")
        << 1824
        << u"Keine Berechtigung für %%: Unter Debian muss der Benutzer zur Gruppe dialout gehören "
           "und sich danach neu anmelden"_qs
        << u"permission denied for %%: on Debian the user must be in the group dialout and log in "
           "again"_qs;
    QTest::newRow("1825 not a serial device") << 1825 << u"%% ist keine serielle Schnittstelle"_qs
                                              << u"%% is not a serial device"_qs;
    QTest::newRow("1826 no device") << 1826 << u"Für COM%% ist kein Gerät bekannt"_qs
                                    << u"there is no device for COM%%"_qs;
    QTest::newRow("1840") << 1840 << u"Die Datei %% konnte beim Beenden nicht gespeichert werden. %%"_qs
                          << u"The file %% could not be saved at exit. %%"_qs;
    QTest::newRow("1841") << 1841 << u"Einstellungen nicht gespeichert"_qs << u"Settings not saved"_qs;
    QTest::newRow("1860") << 1860 << u"Befehl %%"_qs << u"Command %%"_qs;
    QTest::newRow("1861") << 1861 << u"Voranzustellende Zeichen"_qs << u"Characters to prefix"_qs;
    QTest::newRow("1862") << 1862 << u"Anzuhängende Zeichen"_qs << u"Characters to attach"_qs;
    QTest::newRow("1863") << 1863 << u"Sonderzeichen einfügen... (voranzustellende Zeichen)"_qs
                          << u"Insert special character... (characters to prefix)"_qs;
    QTest::newRow("1864") << 1864 << u"Sonderzeichen einfügen... (anzuhängende Zeichen)"_qs
                          << u"Insert special character... (characters to attach)"_qs;
    QTest::newRow("1865") << 1865 << u"Lintrova-Logo"_qs << u"Lintrova logo"_qs;
    // Ports across the network: the status while connecting, the failures of
    // the opening (each names host:port), a setting the server did not take.
    QTest::newRow("1900 connecting") << 1900 << u"Verbinde mit %%..."_qs << u"Connecting to %%..."_qs;
    QTest::newRow("1901 refused")
        << 1901 << u"Verbindung zu %% abgelehnt: Dort nimmt kein Server Verbindungen an"_qs
        << u"connection to %% refused: no server accepts connections there"_qs;
    QTest::newRow("1902 unreachable")
        << 1902 << u"%% ist nicht erreichbar: Es gibt keinen Weg zu diesem Netz oder Rechner"_qs
        << u"%% is unreachable: there is no route to its network or host"_qs;
    QTest::newRow("1903 name not known") << 1903 << u"Der Rechnername von %% ist nicht bekannt"_qs
                                         << u"the host name of %% is not known"_qs;
    QTest::newRow("1904 no answer") << 1904 << u"%% hat nicht innerhalb von 5 s geantwortet"_qs
                                    << u"%% did not answer within 5 s"_qs;
    QTest::newRow("1905 busy")
        << 1905
        << u"Schnittstelle belegt: %% wird von einem anderen Programm benutzt (der Server hat die "
           "Verbindung sofort wieder geschlossen)"_qs
        << u"port busy: %% is in use by another program (the server closed the connection at once)"_qs;
    QTest::newRow("1906 busy, the server's words")
        << 1906
        << u"Schnittstelle belegt: %% wird von einem anderen Programm benutzt (der Server sagt: %%)"_qs
        << u"port busy: %% is in use by another program (the server says: %%)"_qs;
    QTest::newRow("1907 lost") << 1907 << u"Die Verbindung zu %% ist abgebrochen"_qs
                               << u"the connection to %% was lost"_qs;
    QTest::newRow("1908 closed before the settings")
        << 1908 << u"%% hat die Verbindung geschlossen, bevor die Einstellungen bestätigt waren"_qs
        << u"%% closed the connection before the settings were confirmed"_qs;
    QTest::newRow("1909 no serial control")
        << 1909 << u"%% beherrscht die Steuerung serieller Schnittstellen nach RFC 2217 nicht"_qs
        << u"%% does not offer serial port control (RFC 2217)"_qs;
    QTest::newRow("1910 setting not taken")
        << 1910 << u"%% hat die Einstellung %% = %% nicht übernommen (Antwort: %%)"_qs
        << u"%% did not take the setting %% = %% (answer: %%)"_qs;
    QTest::newRow("1911") << 1911 << u"Baudrate"_qs << u"baud rate"_qs;
    QTest::newRow("1912") << 1912 << u"Datenbits"_qs << u"data bits"_qs;
    QTest::newRow("1913") << 1913 << u"Parität"_qs << u"parity"_qs;
    QTest::newRow("1914") << 1914 << u"Stoppbits"_qs << u"stop bits"_qs;
    QTest::newRow("1915") << 1915 << u"Handshake"_qs << u"handshake"_qs;
    QTest::newRow("1916 both handshakes")
        << 1916 << u"%% kann RTS/CTS und XON/XOFF nicht zusammen verwenden"_qs
        << u"%% cannot use RTS/CTS and XON/XOFF together"_qs;
    QTest::newRow("1917 waiting field")
        << 1917 << u"Warte auf COM%% (%%)..."_qs << u"Waiting for COM%% (%%)..."_qs;
    QTest::newRow("1918") << 1918 << u"&Schnittstelle öffnen"_qs << u"Open &port"_qs;
    QTest::newRow("1919") << 1919 << u"&Schnittstelle schließen"_qs << u"Close &port"_qs;
    QTest::newRow("1920 changed by another window")
        << 1920
        << u"Die Datei %% wurde inzwischen von einem anderen Lintrova-Fenster geändert. "
           "Überschreiben?"_qs
        << u"The file %% was changed by another Lintrova window in the meantime. Overwrite it?"_qs;
}

void tst_StringTable::exactTexts()
{
    QFETCH(qint32, id);
    QFETCH(QString, german);
    QFETCH(QString, english);
    QCOMPARE(fkt_ToolsGetResStringGerman(id), german);
    QCOMPARE(fkt_ToolsGetResStringEnglish(id), english);
    QCOMPARE(fkt_ToolsGetResStringByLanguage(id, 0), german);
    QCOMPARE(fkt_ToolsGetResStringByLanguage(id, 1), english);
}

void tst_StringTable::lookupOrder_data()
{
    QTest::addColumn<qint32>("id");
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("expected");
    QTest::newRow("German") << 1033 << 0 << u"Zeichen senden"_qs;
    QTest::newRow("English") << 1033 << 1 << u"Send Characters"_qs;
    QTest::newRow("any other value is English") << 1033 << 7 << u"Send Characters"_qs;
    QTest::newRow("255 is English") << 1033 << 255 << u"Send Characters"_qs;
    QTest::newRow("German falls back to English") << 1608 << 0 << u"Calculate block check"_qs;
    QTest::newRow("English only, English") << 1608 << 1 << u"Calculate block check"_qs;
    QTest::newRow("neither") << 1607 << 0 << QString();
    QTest::newRow("neither, English") << 1607 << 1 << QString();
    QTest::newRow("template unfilled") << 1035 << 0 << u"Befehl %% [F%%]"_qs;
}

void tst_StringTable::lookupOrder()
{
    QFETCH(qint32, id);
    QFETCH(int, language);
    QFETCH(QString, expected);
    QCOMPARE(fkt_ToolsGetResString(id, quint8(language)), expected);
}

void tst_StringTable::extremeIds_data()
{
    QTest::addColumn<qint32>("id");
    QTest::newRow("max") << std::numeric_limits<qint32>::max();
    QTest::newRow("just below overflow") << std::numeric_limits<qint32>::max() - 10000;
    QTest::newRow("min") << std::numeric_limits<qint32>::min();
}

void tst_StringTable::extremeIds()
{
    QFETCH(qint32, id);
    QCOMPARE(fkt_ToolsGetResString(id, 0), QString());
    QCOMPARE(fkt_ToolsGetResString(id, 1), QString());
}

QTEST_GUILESS_MAIN(tst_StringTable)
#include "tst_stringtable.moc"
