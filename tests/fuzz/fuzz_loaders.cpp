// The loaders of Settings.ini, the command files and Ports.ini on real files
// in a private folder: what they read against a literal reading of the file,
// load -> save -> load gives the same record, keys and sections the program
// does not own keep their values, and a Ports.ini entry is exactly the path
// the file names, in UTF-8 when the whole file is UTF-8, else in
// Windows-1252. The recording's file may also come from its percent-encoded
// UTF-8 key.

#include "FuzzInput.h"
#include "IniReference.h"

#include "app/SettingsStore.h"
#include "app/SystemFolders.h"
#include "app/WholeFile.h"
#include "host/PortsIniFile.h"

#include <QFile>
#include <QRegularExpression>

#include <cctype>
#include <cstdlib>

namespace {

QString dataFolder()
{
    return privateFolder().path() + QStringLiteral("/data/Kavrel/Lintrova/");
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        propertyFailed("the private folder takes a file", path);
}

QByteArray readFile(const QString &path)
{
    return WholeFile::read(path, 1 << 20).value_or(QByteArray("(unreadable)"));
}

struct NumberKey {
    const char *name;
    int defaultValue;
    bool wide; // signed 16-bit, else 0..255
};

const NumberKey kNumberKeys[] = {
        {"ComPort", 0, false},        {"Baudrate", 0, false},     {"Dataformat", 0, false},
        {"Handshake", 0, false},      {"RTS", 0, false},          {"DTR", 1, false},
        {"Peculiar", 1, false},       {"Language", 0, false},     {"PrefixOption", 0, false},
        {"ReadjustOption", 0, false}, {"DeleteSendChars", 1, false}, {"ShowOptions", 0, false},
        {"CharDelay", 0, true},       {"WaitTime", 0, true},      {"RecordLog", 0, false},
        {"HexView", 0, false}};

// Keys the program writes; everything else in the files is someone else's.
const QByteArrayList kWrittenSettings = {
    "ComPort",     "Baudrate",      "Dataformat",      "Handshake",
    "Peculiar",    "Language",      "PrefixOption",    "ReadjustOption",
    "PrefixChars", "ReadjustChars", "DeleteSendChars", "CharDelay",
    "WaitTime",    "RecordLog",     "RecordLogFile",   "RecordLogFileUtf8",
    "HexView",     "LineEnd"};

// The text of bytes that are UTF-8 as RFC 3629 has it, read one code point
// at a time; nothing for any other bytes.
std::optional<QString> referenceUtf8(const QByteArray &bytes)
{
    QList<char32_t> points;
    for (qsizetype i = 0; i < bytes.size();) {
        const uchar first = uchar(bytes[i]);
        const int length = first < 0x80    ? 1
                           : first >= 0xF0 ? 4
                           : first >= 0xE0 ? 3
                           : first >= 0xC0 ? 2
                                           : 0;
        if (length == 0 || i + length > bytes.size())
            return std::nullopt;
        char32_t point = length == 1 ? first : first & (0xFF >> (length + 1));
        for (int k = 1; k < length; ++k) {
            const uchar next = uchar(bytes[i + k]);
            if ((next & 0xC0) != 0x80)
                return std::nullopt;
            point = (point << 6) | (next & 0x3F);
        }
        const char32_t lowest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (point < lowest[length] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF))
            return std::nullopt;
        points.append(point);
        i += length;
    }
    return QString::fromUcs4(points.constData(), points.size());
}

// '%' and two hex digits as their byte; nothing for a '%' without them.
std::optional<QByteArray> referencePercent(const QByteArray &text)
{
    QByteArray out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out.append(text[i]);
            continue;
        }
        if (i + 2 >= text.size() || !std::isxdigit(uchar(text[i + 1])) ||
            !std::isxdigit(uchar(text[i + 2])))
            return std::nullopt;
        out.append(char(text.mid(i + 1, 2).toInt(nullptr, 16)));
        i += 2;
    }
    return out;
}

// The file of a recording as its two keys give it: the UTF-8 one when it is
// a path whose form with '?' for each character without a byte (and for a
// line end) is the other key.
QString referenceRecordLogFile(const QByteArray &settingsFile)
{
    const QByteArray section("SETTINGS");
    const QString narrow =
        Codec::toText(IniReference::value(settingsFile, section, "RecordLogFile").value_or(""));
    const QByteArray wide =
        IniReference::value(settingsFile, section, "RecordLogFileUtf8").value_or("");
    const auto bytes = referencePercent(wide);
    const auto path = bytes ? referenceUtf8(*bytes) : std::nullopt;
    if (wide.isEmpty() || !path || path->isEmpty())
        return narrow;
    QString form;
    for (const QChar c : *path) {
        const auto byte = Codec::byteFromChar(c);
        form += !byte || c == u'\r' || c == u'\n' ? QChar(u'?') : Codec::charFromByte(*byte);
    }
    return form == narrow ? *path : narrow;
}

QList<QPair<QString, qint64>> numbersOf(const SettingsRecord &s)
{
    return {{"ComPort", s.ComPort},     {"Baudrate", s.Baudrate},
            {"Dataformat", s.Dataformat}, {"Handshake", s.Handshake},
            {"RTS", s.RTS},             {"DTR", s.DTR},
            {"Peculiar", s.Peculiar},   {"Language", s.Language},
            {"PrefixOption", s.PrefixOption}, {"ReadjustOption", s.ReadjustOption},
            {"DeleteSendChars", s.DeleteSendChars}, {"ShowOptions", s.ShowOptions},
            {"CharDelay", s.CharDelay}, {"WaitTime", s.WaitTime},
            {"RecordLog", s.RecordLog}, {"HexView", s.HexView}};
}

QString describe(const SettingsRecord &s, const CommandTexts &slots)
{
    QString text;
    for (const auto &[name, value] : numbersOf(s))
        text += name + QLatin1Char('=') + QString::number(value) + QLatin1Char(' ');
    text += QStringLiteral("Prefix=") + visible(s.PrefixChars) + QStringLiteral(" Readjust=")
            + visible(s.ReadjustChars) + QStringLiteral(" RecordLogFile=")
            + visible(s.RecordLogFile);
    for (const QString &slot : slots)
        text += QStringLiteral(" | ") + visible(slot);
    return text;
}

// A number as a settings key holds it: a decimal integer with white space
// around, in the field's range; else the key's default.
qint64 referenceNumber(const std::optional<QByteArray> &value, const NumberKey &key)
{
    if (!value)
        return key.defaultValue;
    const QString text = Codec::toText(*value).trimmed();
    qsizetype i = text.startsWith(QLatin1Char('+')) || text.startsWith(QLatin1Char('-')) ? 1 : 0;
    if (i == text.size())
        return key.defaultValue;
    for (qsizetype k = i; k < text.size(); ++k) {
        if (text[k] < QLatin1Char('0') || text[k] > QLatin1Char('9'))
            return key.defaultValue;
    }
    bool ok = false;
    const qint64 n = text.toLongLong(&ok);
    const qint64 low = key.wide ? -32768 : 0;
    const qint64 high = key.wide ? 32767 : 255;
    return ok && n >= low && n <= high ? n : key.defaultValue;
}

void checkLoadedAsWritten(const QByteArray &settingsFile, const QByteArray &commandFile,
                          const SettingsRecord &s, const CommandTexts &slots)
{
    const QByteArray section("SETTINGS");
    const auto numbers = numbersOf(s);
    for (qsizetype i = 0; i < numbers.size(); ++i) {
        const NumberKey &key = kNumberKeys[i];
        const auto value = IniReference::value(settingsFile, section, key.name);
        FUZZ_CHECK(numbers[i].second == referenceNumber(value, key),
                   QString::fromLatin1(key.name) + QLatin1Char('=') + QString::number(numbers[i].second));
    }
    FUZZ_CHECK(s.PrefixChars
                       == Codec::toText(IniReference::value(settingsFile, section, "PrefixChars").value_or("")),
               visible(s.PrefixChars));
    FUZZ_CHECK(s.ReadjustChars
                       == Codec::toText(IniReference::value(settingsFile, section, "ReadjustChars").value_or("")),
               visible(s.ReadjustChars));
    FUZZ_CHECK(s.RecordLogFile == referenceRecordLogFile(settingsFile), visible(s.RecordLogFile));
    for (int i = 0; i < 8; ++i) {
        const QByteArray key = "Param" + QByteArray::number(i + 1);
        FUZZ_CHECK(slots[i] == Codec::toText(IniReference::value(commandFile, section, key).value_or("")),
                   visible(slots[i]));
    }
}

// Every key of before that owned does not name reads the same in after.
void checkForeignKeysKept(const QByteArray &before, const QByteArray &after,
                          const QByteArrayList &owned)
{
    for (const auto &[section, key] : IniReference::names(before)) {
        bool isOwned = false;
        for (const QByteArray &name : owned)
            isOwned |= IniReference::sameName(section, "SETTINGS") && IniReference::sameName(key, name);
        if (isOwned)
            continue;
        FUZZ_CHECK(IniReference::value(after, section, key) == IniReference::value(before, section, key),
                   visible(section) + QLatin1Char('/') + visible(key) + QStringLiteral(" in\n")
                           + visible(after));
    }
}

void checkSettingsAndCommands(const QByteArray &settingsFile, const QByteArray &commandFile)
{
    const QString settingsPath = SettingsFilePath(dataFolder());
    const QString commandPath = DefaultCommandFilePath(dataFolder());
    writeFile(settingsPath, settingsFile);
    writeFile(commandPath, commandFile);

    SettingsRecord first;
    CommandTexts firstSlots;
    fkt_MainLoadSettings(first, firstSlots);
    FUZZ_CHECK(first.DataFolder == dataFolder(), first.DataFolder);
    checkLoadedAsWritten(settingsFile, commandFile, first, firstSlots);

    SettingsRecord saved = first;
    fkt_MainSaveSettings(saved, first.WaitTime, firstSlots);
    const QByteArray settingsAfter = readFile(settingsPath);
    const QByteArray commandsAfter = readFile(commandPath);

    SettingsRecord second;
    CommandTexts secondSlots;
    fkt_MainLoadSettings(second, secondSlots);
    FUZZ_CHECK(describe(second, secondSlots) == describe(first, firstSlots),
               describe(first, firstSlots) + QStringLiteral("\n") + describe(second, secondSlots)
                       + QStringLiteral("\n") + visible(settingsAfter));

    QByteArrayList params;
    for (int i = 1; i <= 8; ++i)
        params << "Param" + QByteArray::number(i);
    checkForeignKeysKept(settingsFile, settingsAfter, kWrittenSettings);
    checkForeignKeysKept(commandFile, commandsAfter, params);
}

// COMn as the file spells it for n from 1 to 256, any case, no leading zero.
int comNumber(const QByteArray &name)
{
    if (name.size() < 4 || name.left(3).toUpper() != "COM" || name[3] == '0')
        return 0;
    int n = 0;
    for (qsizetype i = 3; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9' || i > 5)
            return 0;
        n = n * 10 + (name[i] - '0');
    }
    return n <= 256 ? n : 0;
}

// The entries a literal reading of Ports.ini gives: the first key of each
// number in the first PORTS section, whose value is an absolute path without
// white space at its ends.
// The URL forms an entry may take instead of a path, read with a pattern of
// their own: loop://, or rfc2217:// or socket:// with a host name (labels of
// letters, digits, '-' and '_', at most 253 characters), or an IPv6 address in
// brackets (hex digits, ':' and '.', with a ':'), then a port 1-65535 without
// leading zeros.
bool isAddressEntry(const QString &value)
{
    static const QRegularExpression form(QStringLiteral(
        "\\A(?:loop://|(?:rfc2217|socket)://"
        "(?:(?<name>[A-Za-z0-9_-]+(?:\\.[A-Za-z0-9_-]+)*)|\\[(?<ipv6>[0-9A-Fa-f.:]+)\\])"
        ":(?<port>[1-9][0-9]{0,4}))\\z"));
    const QRegularExpressionMatch match = form.match(value);
    if (!match.hasMatch())
        return false;
    if (value == QLatin1String("loop://"))
        return true;
    const QString ipv6 = match.captured(QStringLiteral("ipv6"));
    if (match.hasCaptured(QStringLiteral("ipv6")) && !ipv6.isEmpty()
        && (ipv6.size() < 2 || !ipv6.contains(QLatin1Char(':'))))
        return false;
    if (match.captured(QStringLiteral("name")).size() > 253)
        return false;
    return match.captured(QStringLiteral("port")).toInt() <= 65535;
}

bool namesAPort(const QString &value)
{
    return value.startsWith(QLatin1Char('/')) || isAddressEntry(value);
}

QMap<int, QString> referenceEntries(const QByteArray &file)
{
    const bool utf8 = referenceUtf8(file).has_value();
    QMap<int, QString> entries;
    QSet<int> seen;
    const QList<QByteArray> lines = IniReference::rawLines(file);
    bool inPorts = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const auto line = IniReference::parse(IniReference::contentOf(lines[i], i == 0));
        if (line.kind == IniReference::Parsed::Section) {
            if (inPorts)
                break;
            inPorts = IniReference::sameName(line.name, "PORTS");
        } else if (line.kind == IniReference::Parsed::Key && inPorts) {
            const int n = comNumber(line.name);
            if (n == 0 || seen.contains(n))
                continue;
            seen.insert(n);
            const QString path =
                utf8 ? referenceUtf8(line.value).value_or(QStringLiteral("(no UTF-8)"))
                     : Codec::toText(line.value);
            if (namesAPort(path) && path.trimmed() == path)
                entries.insert(n, path);
        }
    }
    return entries;
}

QString describeEntries(const QMap<int, QString> &entries)
{
    QString text;
    for (auto it = entries.cbegin(); it != entries.cend(); ++it)
        text += QStringLiteral("COM%1=%2\n").arg(it.key()).arg(visible(it.value()));
    return text;
}

void checkPortsIni(const QByteArray &portsFile, int number, const QByteArray &newPath)
{
    const PortsIniFile ports(dataFolder());
    writeFile(ports.filePath(), portsFile);
    const QMap<int, QString> expected = referenceEntries(portsFile);
    FUZZ_CHECK(ports.entries() == expected,
               visible(portsFile) + QStringLiteral("\nread:\n") + describeEntries(ports.entries()) +
                   QStringLiteral("expected:\n") + describeEntries(expected));
    // Single entries: those the file has, a few it lacks, the edges.
    QSet<int> numbers{0, 1, 2, 256, 257, number};
    for (auto it = expected.cbegin(); it != expected.cend(); ++it)
        numbers.insert(it.key());
    for (const int n : std::as_const(numbers))
        FUZZ_CHECK(ports.entry(n) == expected.value(n), QString::number(n));

    // Recording a number: it reads back exactly, every other entry stays,
    // and a UTF-8 file stays UTF-8.
    const auto widePath = referenceUtf8(newPath);
    const QString path = widePath ? *widePath : Codec::toText(newPath);
    const bool usable = number >= 1 && number <= 256 && namesAPort(path)
                        && path.trimmed() == path && !path.contains(QLatin1Char('\r'))
                        && !path.contains(QLatin1Char('\n'));
    const bool recorded = ports.setEntry(number, path);
    FUZZ_CHECK(recorded == usable, QString::number(number) + QLatin1Char(' ') + visible(path));
    QMap<int, QString> after = expected;
    if (recorded)
        after.insert(number, path);
    const QByteArray written = readFile(ports.filePath());
    FUZZ_CHECK(ports.entries() == after, visible(written));
    if (referenceUtf8(portsFile))
        FUZZ_CHECK(referenceUtf8(written).has_value(), visible(written));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    if (!privateFolder().isValid())
        std::abort();
    qputenv("XDG_DATA_HOME", QFile::encodeName(privateFolder().path() + QStringLiteral("/data")));
    QDir().mkpath(dataFolder());
    QDir().mkpath(privateFolder().path() + QStringLiteral("/program"));
    SystemFolders::SetProgramFolderForTesting(privateFolder().path() + QStringLiteral("/program"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    const uint8_t options = in.byte();
    const int number = in.below(256) + (options & 1);
    const QByteArray newPath = in.piece(60);
    const QByteArray settingsFile = in.piece(255);
    const QByteArray commandFile = in.piece(255);
    const QByteArray portsFile = in.rest();
    checkSettingsAndCommands(settingsFile, commandFile);
    checkPortsIni(portsFile, number, newPath);
    return 0;
}
