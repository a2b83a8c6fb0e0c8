#include "ports/PortSettingsString.h"

#include "ports/PortErrors.h"
#include "ports/PortText.h"
#include "ports/SerialPortControl.h"

#include <QStringList>

#include <optional>

namespace {

constexpr qint32 minBaud = 50;
constexpr qint32 maxBaud = 4000000;

// String-table IDs of the messages.
constexpr qint32 kInvalidSettings = 2021;
constexpr qint32 kBaudRange = 2022;
constexpr qint32 kParityLetters = 2023;
constexpr qint32 kDataBitsRange = 2024;
constexpr qint32 kStopBitsRange = 2025;
constexpr qint32 kFourFields = 2026;
constexpr qint32 kOneAndHalfNeedsFive = 2027;
constexpr qint32 kNoParity = 2038;   // to 2042, in the order of Parity
constexpr qint32 kOneStopBit = 2043; // to 2045, in the order of StopBits

[[noreturn]] void refuse(const QString &text, quint8 language, const QString &why)
{
    throw PortError(PortErrors::InvalidSettings,
                    PortText::text(language, kInvalidSettings, {text, why}));
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

std::optional<qint32> parseBaud(const QString &field)
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
        return std::nullopt;
    return qint32(baud);
}

std::optional<Parity> parseParity(const QString &field)
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
    return std::nullopt;
}

std::optional<int> parseDataBits(const QString &field)
{
    if (field.size() == 1 && field[0] >= QLatin1Char('5') && field[0] <= QLatin1Char('8'))
        return field[0].unicode() - '0';
    return std::nullopt;
}

std::optional<StopBits> parseStopBits(const QString &field)
{
    if (field == QLatin1String("1"))
        return StopBits::One;
    if (field == QLatin1String("1.5"))
        return StopBits::OneAndHalf;
    if (field == QLatin1String("2"))
        return StopBits::Two;
    return std::nullopt;
}

} // namespace

PortSettings parsePortSettings(const QString &text, quint8 language)
{
    QStringList fields = text.split(QLatin1Char(','));
    if (fields.size() != 4)
        refuse(text, language, PortText::text(language, kFourFields));
    for (QString &field : fields)
        field = withoutBlanks(field);

    PortSettings settings;
    const auto baud = parseBaud(fields[0]);
    if (!baud)
        refuse(text, language,
               PortText::text(language, kBaudRange,
                              {QString::number(minBaud), QString::number(maxBaud)}));
    const auto parity = parseParity(fields[1]);
    if (!parity)
        refuse(text, language, PortText::text(language, kParityLetters));
    const auto dataBits = parseDataBits(fields[2]);
    if (!dataBits)
        refuse(text, language, PortText::text(language, kDataBitsRange));
    const auto stopBits = parseStopBits(fields[3]);
    if (!stopBits)
        refuse(text, language, PortText::text(language, kStopBitsRange));
    settings.baud = *baud;
    settings.parity = *parity;
    settings.dataBits = *dataBits;
    settings.stopBits = *stopBits;
    if (settings.stopBits == StopBits::OneAndHalf && settings.dataBits != 5)
        refuse(text, language, PortText::text(language, kOneAndHalfNeedsFive));
    return settings;
}

QString parityName(Parity parity, quint8 language)
{
    return PortText::text(language, kNoParity + int(parity));
}

QString stopBitsName(StopBits stop, quint8 language)
{
    return PortText::text(language, kOneStopBit + int(stop));
}
