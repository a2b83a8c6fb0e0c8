#include "text/StringTable.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <limits>

namespace
{

constexpr qint32 kEnglishOffset = 10000;

struct Entry {
    qint32 id;
    const char16_t *text;
};

// Sorted by id; German entries first, then English ones (German id + 10000).
// 1606 is a file-dialog filter; 1608 exists in English only.
// A plain array: deducing a std::array of this many entries exceeds clang's
// limit for fold expressions.
constexpr Entry kEntries[] = {
    Entry{1000, u"Lintrova"},
    Entry{1001, u"Datei"},
    Entry{1002, u"Beenden"},
    Entry{1003, u"Bearbeiten"},
    Entry{1004, u"Voreinstellungen"},
    Entry{1005, u"?"},
    Entry{1006, u"Programm Info"},
    Entry{1007, u"Befehls-Konfigurationsdatei laden..."},
    Entry{1008, u"Befehls-Konfigurationsdatei speichern..."},
    Entry{1009, u"Befehls-Konfiguration"},
    Entry{1010, u"Blockcheck errechnen!"},
    Entry{1030, u"Zu sendende Zeichen:"},
    Entry{1031, u"Gesendete und empfangene Zeichen:"},
    Entry{1032, u"Sonderzeichen einfügen..."},
    Entry{1033, u"Zeichen senden"},
    Entry{1034, u"Liste löschen"},
    Entry{1035, u"Befehl %% [F%%]"},
    Entry{1036, u"Beenden"},
    Entry{1050, u"Inhalt der Zeile:"},
    Entry{1200, u"Programm Info"},
    Entry{1201, u"Programm:"},
    Entry{1202, u"Software Version:"},
    Entry{1203, u"Datum:"},
    Entry{1204, u"Entwickler:"},
    Entry{1205, u"OK"},
    Entry{1300, u"Sonderzeichen auswählen und einfügen"},
    Entry{1301, u"Übernehmen"},
    Entry{1302, u"Abbrechen"},
    Entry{1500, u"Voreinstellungen"},
    Entry{1501, u"Schnittstelle"},
    Entry{1502, u"International"},
    Entry{1503, u"Darstellung"},
    Entry{1504, u"Einstellung"},
    Entry{1507, u"PC-Schnittstelle"},
    Entry{1508, u"Baudrate"},
    Entry{1509, u"Datenformat"},
    Entry{1510, u"Programmsprache"},
    Entry{1511, u"Sonderzeichen interpretiert darstellen"},
    Entry{1512, u"Übernehmen"},
    Entry{1513, u"Abbrechen"},
    Entry{1514, u"8 Datenbits, 1 Stoppbit, Keine Parität"},
    Entry{1515, u"7 Datenbits, 2 Stoppbit, keine Parität"},
    Entry{1516, u"7 Datenbits, 1 Stoppbit, gerade Parität"},
    Entry{1517, u"7 Datenbits, 1 Stoppbit, ungerade Parität"},
    Entry{1518, u"8 Datenbits, 2 Stoppbit, keine Parität"},
    Entry{1519, u"8 Datenbits, 1 Stoppbit, gerade Parität"},
    Entry{1520, u"8 Datenbits, 1 Stoppbit, ungerade Parität"},
    Entry{1521, u"Zeichenverzögerung"},
    Entry{1522, u"Handshake"},
    Entry{1600, u"Keine Schnittstelle geöffnet!"},
    Entry{1601, u"Schnittstelle COM%% mit %% Baud %% und %% ist geöffnet."},
    Entry{
        1602,
        u"Es ist ein Fehler bei folgender Aktion aufgetreten: %%.%%Beschreibung: %%.%%Fehler: %%."},
    Entry{1603, u"Fehler aufgetreten"},
    Entry{1605, u"Schnittstelle öffnen"},
    Entry{1606, u"Befehls-Konfigurationsdateien (*.icf)|*.icf"},
    Entry{1622, u"Benutzerdefiniertes Zeichen"},
    Entry{1623, u"Vordefinierte Sonderzeichen"},
    Entry{1624, u"Einstellungen"},
    Entry{1625, u"'Zu sendende Zeichen' nach Abarbeitung löschen"},
    Entry{1626, u"An 'Zu sendende Zeichen' voranstellen:"},
    Entry{1627, u"Sonderzeichen einfügen..."},
    Entry{1628, u"An 'Zu sendende Zeichen' anhängen:"},
    Entry{1629, u"Kommandozeile"},
    Entry{1630, u"(ASCII-Wert 0 - 255)"},
    Entry{1700, u"COM-Port Anschlussnummer darf COM 16 nicht überschreiten, bitte konfigurieren "
                u"Sie die COM-Anschlussnummer unter 'Anschlusseinstellungen' -> 'Erweitert' im "
                u"Gerätemanager zu einer kleineren COM und wiederholen Sie den Vorgang!"},
    Entry{1701, u"Überschreitung der COM Anschlussnummer"},
    Entry{1800, u"Protokoll speichern..."},
    Entry{1801, u"Zeile kopieren"},
    Entry{1802, u"Alles kopieren"},
    Entry{1803, u"Protokolldateien (*.log)"},
    Entry{1804, u"Alle Dateien (*)"},
    Entry{1805, u"Das Protokoll konnte nicht als %% gespeichert werden. %%"},
    Entry{1806, u"Protokoll speichern"},
    Entry{1810, u"Der Datenträger ist voll."},
    Entry{1811, u"Keine Berechtigung."},
    Entry{1812, u"Der Datenträger ist schreibgeschützt."},
    Entry{1813, u"Die Datei oder der Ordner existiert nicht."},
    Entry{1814, u"Der Name ist der eines Ordners."},
    Entry{1820, u"COM%% ist keinem Gerät zugeordnet; ordnen Sie in %% eines zu oder schließen "
                u"Sie das Gerät an"},
    Entry{1821, u"COM%% ist %% zugeordnet, das nicht vorhanden ist; schließen Sie das Gerät an "
                u"oder ändern Sie %%"},
    Entry{1822, u"%% ist nicht vorhanden"},
    Entry{1823, u"Schnittstelle belegt: %% wird von einem anderen Programm benutzt"},
    Entry{1824, u"Keine Berechtigung für %%: Unter Debian muss der Benutzer zur Gruppe dialout "
                u"gehören und sich danach neu anmelden"},
    Entry{1825, u"%% ist keine serielle Schnittstelle"},
    Entry{1826, u"Für COM%% ist kein Gerät bekannt"},
    Entry{1840, u"Die Datei %% konnte beim Beenden nicht gespeichert werden. %%"},
    Entry{1841, u"Einstellungen nicht gespeichert"},
    Entry{1860, u"Befehl %%"},
    Entry{1861, u"Voranzustellende Zeichen"},
    Entry{1862, u"Anzuhängende Zeichen"},
    Entry{1863, u"Sonderzeichen einfügen... (voranzustellende Zeichen)"},
    Entry{1864, u"Sonderzeichen einfügen... (anzuhängende Zeichen)"},
    Entry{1865, u"Lintrova-Logo"},
    Entry{1870, u"Protokoll mitschreiben..."},
    Entry{1871, u"Protokoll mitschreiben (an eine vorhandene Datei wird angehängt)"},
    Entry{1872, u"Protokoll mitschreiben"},
    Entry{1873, u"Die Datei %% wird schon von einem anderen Lintrova-Fenster mitgeschrieben."},
    Entry{1874, u"Das Protokoll kann nicht in %% mitgeschrieben werden. %%"},
    Entry{1875, u"Das Mitschreiben in %% wurde beendet. %%"},
    Entry{1876, u"Die Datei wurde entfernt oder ersetzt."},
    Entry{1877, u"● REC"},
    Entry{1878, u"Das Protokoll wird mitgeschrieben in %%"},
    Entry{1879, u"Protokoll wird mitgeschrieben"},
    Entry{1880, u"&Mitschreiben"},
    Entry{1900, u"Verbinde mit %%..."},
    Entry{1901, u"Verbindung zu %% abgelehnt: Dort nimmt kein Server Verbindungen an"},
    Entry{1902, u"%% ist nicht erreichbar: Es gibt keinen Weg zu diesem Netz oder Rechner"},
    Entry{1903, u"Der Rechnername von %% ist nicht bekannt"},
    Entry{1904, u"%% hat nicht innerhalb von 5 s geantwortet"},
    Entry{1905, u"Schnittstelle belegt: %% wird von einem anderen Programm benutzt (der Server hat "
                u"die Verbindung sofort wieder geschlossen)"},
    Entry{1906, u"Schnittstelle belegt: %% wird von einem anderen Programm benutzt (der Server "
                u"sagt: %%)"},
    Entry{1907, u"Die Verbindung zu %% ist abgebrochen"},
    Entry{1908, u"%% hat die Verbindung geschlossen, bevor die Einstellungen bestätigt waren"},
    Entry{1909, u"%% beherrscht die Steuerung serieller Schnittstellen nach RFC 2217 nicht"},
    Entry{1910, u"%% hat die Einstellung %% = %% nicht übernommen (Antwort: %%)"},
    Entry{1911, u"Baudrate"},
    Entry{1912, u"Datenbits"},
    Entry{1913, u"Parität"},
    Entry{1914, u"Stoppbits"},
    Entry{1915, u"Handshake"},
    Entry{1916, u"%% kann RTS/CTS und XON/XOFF nicht zusammen verwenden"},
    Entry{2100, u"Nicht gesendet: %% ist kein gültiges Steuerzeichen"},
    Entry{2101, u"Nicht gesendet: %% ist kein gültiges Steuerzeichen im Präfix"},
    Entry{2102, u"Nicht gesendet: %% ist kein gültiges Steuerzeichen im Suffix"},
    Entry{2103, u"Nicht gesendet: Das Zeichen %% gibt es im Zeichensatz Windows-1252 nicht"},
    Entry{2104, u"Nicht gesendet: Das Zeichen %% im Präfix gibt es im Zeichensatz Windows-1252 "
                u"nicht"},
    Entry{2105, u"Nicht gesendet: Das Zeichen %% im Suffix gibt es im Zeichensatz Windows-1252 "
                u"nicht"},
    Entry{2106, u"Keine Prüfsumme angehängt: %% ist kein gültiges Steuerzeichen"},
    Entry{2107, u"Keine Prüfsumme angehängt: Das Zeichen %% gibt es im Zeichensatz Windows-1252 "
                u"nicht"},
    Entry{2108, u"Keine Prüfsumme angehängt: Das Feld ist leer"},
    Entry{2120, u"Ansicht"},
    Entry{2121, u"Hexadezimal"},
    Entry{2122, u"Prüfsumme anhängen"},
    Entry{2123, u"CRC-16/MODBUS (niederwertiges Byte zuerst)"},
    Entry{2124, u"CRC-16/CCITT-FALSE (höherwertiges Byte zuerst)"},
    Entry{2125, u"CRC-16/XMODEM (höherwertiges Byte zuerst)"},
    Entry{2126, u"CRC-8 (Polynom 0x07)"},
    Entry{2127, u"LRC (Zweierkomplement der Summe)"},
    Entry{2128, u"SUM-8 (Summe modulo 256)"},
    Entry{2129, u"XOR-8 (aller Bytes)"},
    Entry{2140, u"„%%“ ist kein Zeichencode von 0 bis 255."},
    Entry{11000, u"Lintrova"},
    Entry{11001, u"File"},
    Entry{11002, u"Quit"},
    Entry{11003, u"Edit"},
    Entry{11004, u"General Settings"},
    Entry{11005, u"?"},
    Entry{11006, u"Program Info"},
    Entry{11007, u"Load command configuration file..."},
    Entry{11008, u"Save command configuration file..."},
    Entry{11009, u"Command Configuration"},
    Entry{11010, u"Calculate block check!"},
    Entry{11030, u"Characters to send:"},
    Entry{11031, u"Sent and received characters:"},
    Entry{11032, u"Insert special character..."},
    Entry{11033, u"Send Characters"},
    Entry{11034, u"Delete list"},
    Entry{11035, u"Command %% [F%%]"},
    Entry{11036, u"Quit"},
    Entry{11050, u"Line data content:"},
    Entry{11200, u"Program Info"},
    Entry{11201, u"Program:"},
    Entry{11202, u"Software version:"},
    Entry{11203, u"Date:"},
    Entry{11204, u"Engineer:"},
    Entry{11205, u"OK"},
    Entry{11300, u"Select and insert special character"},
    Entry{11301, u"Accept"},
    Entry{11302, u"Cancel"},
    Entry{11500, u"General Settings"},
    Entry{11501, u"Interface"},
    Entry{11502, u"International"},
    Entry{11503, u"Presentation"},
    Entry{11504, u"Interface"},
    Entry{11507, u"PC-Interface"},
    Entry{11508, u"Baud rate"},
    Entry{11509, u"Data format"},
    Entry{11510, u"Program language"},
    Entry{11511, u"Interpret special characters"},
    Entry{11512, u"Accept"},
    Entry{11513, u"Cancel"},
    Entry{11514, u"8 Data bits, 1 Stop bit, no Parity"},
    Entry{11515, u"7 Data bits, 2 Stop bits, no Parity"},
    Entry{11516, u"7 Data bits, 1 Stop bit, even Parity"},
    Entry{11517, u"7 Data bits, 1 Stop bit, odd Parity"},
    Entry{11518, u"8 Data bits, 2 Stop bits, no Parity"},
    Entry{11519, u"8 Data bits, 1 Stop bit, even Parity"},
    Entry{11520, u"8 Data bits, 1 Stop bit, odd Parity"},
    Entry{11521, u"Character Delay"},
    Entry{11522, u"Handshake"},
    Entry{11600, u"No interface connection opened!"},
    Entry{11601, u"Interface COM%% is opened with %% baud %% and %%."},
    Entry{11602, u"An error occured with followning action: %%.%%Description: %%.%%Error: %%."},
    Entry{11603, u"Error occured"},
    Entry{11605, u"Open Interface"},
    Entry{11606, u"Command configuration files (*.icf)|*.icf"},
    Entry{11608, u"Calculate block check"},
    Entry{11622, u"User defined character"},
    Entry{11623, u"Predefined character"},
    Entry{11624, u"Settings"},
    Entry{11625, u"Delete 'Characters to send' after processing"},
    Entry{11626, u"Prefix to 'Characters to send':"},
    Entry{11627, u"Insert special character..."},
    Entry{11628, u"Attach to 'Characters to send':"},
    Entry{11629, u"Command line"},
    Entry{11630, u"(ASCI value 0 - 255)"},
    Entry{11700, u"COM port port number may not exceed COM 16, please configure the COM port "
                 u"number under 'Port settings' -> 'Advanced' in the device manager to a smaller "
                 u"COM and repeat the process!"},
    Entry{11701, u"Exceeding COM port number"},
    Entry{11800, u"Save log..."},
    Entry{11801, u"Copy line"},
    Entry{11802, u"Copy all"},
    Entry{11803, u"Log files (*.log)"},
    Entry{11804, u"All files (*)"},
    Entry{11805, u"The log could not be saved as %%. %%"},
    Entry{11806, u"Save log"},
    Entry{11810, u"The disk is full."},
    Entry{11811, u"Permission denied."},
    Entry{11812, u"The file system is read-only."},
    Entry{11813, u"The file or folder does not exist."},
    Entry{11814, u"The name is that of a folder."},
    Entry{11820, u"COM%% is not assigned to a device; assign one in %% or connect the device"},
    Entry{11821, u"COM%% is assigned to %%, which is not present; connect the device or change %%"},
    Entry{11822, u"%% is not present"},
    Entry{11823, u"port busy: %% is in use by another program"},
    Entry{11824, u"permission denied for %%: on Debian the user must be in the group dialout and "
                 u"log in again"},
    Entry{11825, u"%% is not a serial device"},
    Entry{11826, u"there is no device for COM%%"},
    Entry{11840, u"The file %% could not be saved at exit. %%"},
    Entry{11841, u"Settings not saved"},
    Entry{11860, u"Command %%"},
    Entry{11861, u"Characters to prefix"},
    Entry{11862, u"Characters to attach"},
    Entry{11863, u"Insert special character... (characters to prefix)"},
    Entry{11864, u"Insert special character... (characters to attach)"},
    Entry{11865, u"Lintrova logo"},
    Entry{11870, u"Record log..."},
    Entry{11871, u"Record log (an existing file is appended to)"},
    Entry{11872, u"Record log"},
    Entry{11873, u"The file %% is already being recorded by another Lintrova window."},
    Entry{11874, u"The log cannot be recorded to %%. %%"},
    Entry{11875, u"Recording to %% has stopped. %%"},
    Entry{11876, u"The file was removed or replaced."},
    Entry{11877, u"● REC"},
    Entry{11878, u"The log is being recorded to %%"},
    Entry{11879, u"Log recording"},
    Entry{11880, u"&Record"},
    Entry{11900, u"Connecting to %%..."},
    Entry{11901, u"connection to %% refused: no server accepts connections there"},
    Entry{11902, u"%% is unreachable: there is no route to its network or host"},
    Entry{11903, u"the host name of %% is not known"},
    Entry{11904, u"%% did not answer within 5 s"},
    Entry{11905, u"port busy: %% is in use by another program (the server closed the connection "
                 u"at once)"},
    Entry{11906, u"port busy: %% is in use by another program (the server says: %%)"},
    Entry{11907, u"the connection to %% was lost"},
    Entry{11908, u"%% closed the connection before the settings were confirmed"},
    Entry{11909, u"%% does not offer serial port control (RFC 2217)"},
    Entry{11910, u"%% did not take the setting %% = %% (answer: %%)"},
    Entry{11911, u"baud rate"},
    Entry{11912, u"data bits"},
    Entry{11913, u"parity"},
    Entry{11914, u"stop bits"},
    Entry{11915, u"handshake"},
    Entry{11916, u"%% cannot use RTS/CTS and XON/XOFF together"},
    Entry{12100, u"Not sent: %% is not a valid control character"},
    Entry{12101, u"Not sent: %% is not a valid control character in the prefix"},
    Entry{12102, u"Not sent: %% is not a valid control character in the suffix"},
    Entry{12103, u"Not sent: the character %% does not exist in the Windows-1252 character set"},
    Entry{12104, u"Not sent: the character %% in the prefix does not exist in the Windows-1252 "
                 u"character set"},
    Entry{12105, u"Not sent: the character %% in the suffix does not exist in the Windows-1252 "
                 u"character set"},
    Entry{12106, u"No checksum appended: %% is not a valid control character"},
    Entry{12107, u"No checksum appended: the character %% does not exist in the Windows-1252 "
                 u"character set"},
    Entry{12108, u"No checksum appended: the box is empty"},
    Entry{12120, u"View"},
    Entry{12121, u"Hexadecimal"},
    Entry{12122, u"Append checksum"},
    Entry{12123, u"CRC-16/MODBUS (low byte first)"},
    Entry{12124, u"CRC-16/CCITT-FALSE (high byte first)"},
    Entry{12125, u"CRC-16/XMODEM (high byte first)"},
    Entry{12126, u"CRC-8 (polynomial 0x07)"},
    Entry{12127, u"LRC (two's complement of the sum)"},
    Entry{12128, u"SUM-8 (sum modulo 256)"},
    Entry{12129, u"XOR-8 (of all bytes)"},
    Entry{12140, u"\"%%\" is not a character code from 0 to 255."},
};

constexpr bool isSortedById()
{
    for (std::size_t i = 1; i < std::size(kEntries); ++i) {
        if (kEntries[i - 1].id >= kEntries[i].id)
            return false;
    }
    return true;
}
static_assert(isSortedById(), "lookups search the table by id, each id once");

QString entry(qint32 id)
{
    const auto found =
        std::lower_bound(std::begin(kEntries), std::end(kEntries), id,
                         [](const Entry &e, qint32 wanted) { return e.id < wanted; });
    if (found == std::end(kEntries) || found->id != id)
        return QString();
    return QString::fromUtf16(found->text);
}

} // namespace

QString fkt_ToolsGetResString(qint32 id, quint8 language)
{
    // Emptiness of the text decides, not existence of the entry.
    QString text = fkt_ToolsGetResStringByLanguage(id, language);
    if (text.isEmpty())
        text = fkt_ToolsGetResStringEnglish(id);
    if (text.isEmpty())
        text = fkt_ToolsGetResStringGerman(id);
    return text;
}

QString fkt_ToolsGetResStringByLanguage(qint32 id, quint8 language)
{
    return language == 0 ? fkt_ToolsGetResStringGerman(id) : fkt_ToolsGetResStringEnglish(id);
}

QString fkt_ToolsGetResStringEnglish(qint32 id)
{
    if (id > std::numeric_limits<qint32>::max() - kEnglishOffset)
        return QString();
    return entry(id + kEnglishOffset);
}

QString fkt_ToolsGetResStringGerman(qint32 id)
{
    return entry(id);
}
