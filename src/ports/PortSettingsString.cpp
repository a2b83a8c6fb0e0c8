#include "ports/PortSettingsString.h"

#include "ports/PortErrors.h"
#include "ports/SerialPortControl.h"

#include <QStringList>

namespace {

constexpr qint32 minBaud = 50;
constexpr qint32 maxBaud = 4000000;

[[noreturn]] void refuse(const QString &text, const QString &why)
{
    throw PortError(PortErrors::InvalidSettings,
                    QStringLiteral("invalid port settings '%1': %2").arg(text, why));
}

// The field without the spaces and tabs around it; other white space stays
// and makes the field invalid.
QString withoutBlanks(const QString &field)
{
    qsizetype begin = 0;
    qsizetype end = field.size();
    while (begin < end && (field[begin] == QLatin1Char(' ') || field[begin] == QLatin1Char('\t')))
        ++begin;
    while (end > begin && (field[end - 1] == QLatin1Char(' ') || field[end - 1] == QLatin1Char('\t')))
        --end;
    return field.mid(begin, end - begin);
}

bool allDigits(const QString &field)
{
    if (field.isEmpty())
        return false;
    for (const QChar ch : field) {
        if (ch < QLatin1Char('0') || ch > QLatin1Char('9'))
            return false;
    }
    return true;
}

qint32 parseBaud(const QString &text, const QString &field)
{
    // Digits only: toInt would also take a sign or blanks inside the number.
    // Leading zeros do not count against the length.
    qsizetype firstDigit = 0;
    while (firstDigit + 1 < field.size() && field[firstDigit] == QLatin1Char('0'))
        ++firstDigit;
    const QString digits = field.mid(firstDigit);
    bool ok = false;
    const qint64 baud = allDigits(field) && digits.size() <= 9 ? digits.toLongLong(&ok) : 0;
    if (!ok || baud < minBaud || baud > maxBaud)
        refuse(text, QStringLiteral("the baud rate must be a number from %1 to %2")
                         .arg(minBaud)
                         .arg(maxBaud));
    return qint32(baud);
}

Parity parseParity(const QString &text, const QString &field)
{
    // Only the ASCII letters: toUpper would also take 'ſ' for an S.
    const bool ascii = field.size() == 1 && field[0].unicode() < 128;
    const QString letter = ascii ? field.toUpper() : QString();
    if (letter == QLatin1String("N"))
        return Parity::None;
    if (letter == QLatin1String("E"))
        return Parity::Even;
    if (letter == QLatin1String("O"))
        return Parity::Odd;
    if (letter == QLatin1String("M"))
        return Parity::Mark;
    if (letter == QLatin1String("S"))
        return Parity::Space;
    refuse(text, QStringLiteral("the parity must be N, E, O, M or S"));
}

int parseDataBits(const QString &text, const QString &field)
{
    if (field.size() == 1 && field[0] >= QLatin1Char('5') && field[0] <= QLatin1Char('8'))
        return field[0].unicode() - '0';
    refuse(text, QStringLiteral("the data bits must be 5, 6, 7 or 8"));
}

StopBits parseStopBits(const QString &text, const QString &field)
{
    if (field == QLatin1String("1"))
        return StopBits::One;
    if (field == QLatin1String("1.5"))
        return StopBits::OneAndHalf;
    if (field == QLatin1String("2"))
        return StopBits::Two;
    refuse(text, QStringLiteral("the stop bits must be 1, 1.5 or 2"));
}

} // namespace

PortSettings parsePortSettings(const QString &text)
{
    QStringList fields = text.split(QLatin1Char(','));
    if (fields.size() != 4)
        refuse(text, QStringLiteral("expected baud,parity,data bits,stop bits"));
    for (QString &field : fields)
        field = withoutBlanks(field);

    PortSettings settings;
    settings.baud = parseBaud(text, fields[0]);
    settings.parity = parseParity(text, fields[1]);
    settings.dataBits = parseDataBits(text, fields[2]);
    settings.stopBits = parseStopBits(text, fields[3]);
    if (settings.stopBits == StopBits::OneAndHalf && settings.dataBits != 5)
        refuse(text, QStringLiteral("1.5 stop bits need 5 data bits"));
    return settings;
}

QString parityName(Parity parity)
{
    switch (parity) {
    case Parity::None:
        return QStringLiteral("no parity");
    case Parity::Even:
        return QStringLiteral("even parity");
    case Parity::Odd:
        return QStringLiteral("odd parity");
    case Parity::Mark:
        return QStringLiteral("mark parity");
    case Parity::Space:
        return QStringLiteral("space parity");
    }
    return {};
}

QString stopBitsName(StopBits stop)
{
    switch (stop) {
    case StopBits::One:
        return QStringLiteral("1 stop bit");
    case StopBits::OneAndHalf:
        return QStringLiteral("1.5 stop bits");
    case StopBits::Two:
        return QStringLiteral("2 stop bits");
    }
    return {};
}
