// Texts the user types or a file holds, read as numbers, fields and port
// settings: the format functions, the numeric readings (character delay,
// quiet time, settings numbers) and the port settings text, each against a
// small independent reading of its rule.

#include "FuzzInput.h"

#include "app/SettingsNumber.h"
#include "engine/NumberText.h"
#include "ports/PortSettingsString.h"
#include "ports/PortTables.h"
#include "ports/SerialPortControl.h"
#include "text/modFormat.h"
#include "ui/CharDelayInput.h"

#include <QRegularExpression>

#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

template <class T> QString shown(const std::optional<T> &value)
{
    return value ? QString::number(*value) : QStringLiteral("nothing");
}

// ---- format functions ----

QString referenceInsert(const QString &templ, const QStringList &params)
{
    QString text = templ;
    for (int k = 0; k < 11 && k < qMax<int>(1, params.size()); ++k) {
        const QString param = params.value(k);
        if (k > 0 && param.isEmpty())
            break;
        const qsizetype at = text.indexOf(QLatin1String("%%"));
        if (at < 0)
            break;
        text = text.left(at) + param + text.mid(at + 2);
    }
    return text;
}

QString keptChars(const QString &text, const QString &kept)
{
    QString out;
    for (const QChar ch : text) {
        if ((ch >= QLatin1Char('0') && ch <= QLatin1Char('9')) || kept.contains(ch))
            out += ch;
    }
    return out;
}

void checkFormat(FuzzInput &in, bool wide)
{
    const QString templ = FuzzInput::text(in.piece(30), wide);
    QStringList params;
    for (int n = in.below(14); n > 0; --n)
        params << FuzzInput::text(in.piece(8), wide);
    FUZZ_CHECK(fkt_FormatInsertParam(templ, params) == referenceInsert(templ, params), visible(templ));
    QString overwritten = templ;
    const QString filled = fkt_FormatInsertParam(overwritten, params);
    FUZZ_CHECK(overwritten == filled, visible(templ));

    const QString text = FuzzInput::text(in.piece(40), wide);
    const quint8 index = in.byte();
    const bool onlyNumeric = in.flag();
    const QString separator = FuzzInput::text(in.piece(4), wide);
    const QStringList fields =
            separator.size() == 1 ? text.split(separator[0]) : QStringList{text};
    QString field = index >= 1 && index <= fields.size() ? fields[index - 1] : QString();
    if (onlyNumeric)
        field = keptChars(field, QStringLiteral(".-"));
    FUZZ_CHECK(fkt_FormatExtractSpecParameter(text, index, onlyNumeric, separator) == field,
               visible(text) + QStringLiteral(" #%1 ").arg(index) + visible(separator));

    const QString value = FuzzInput::text(in.piece(20), wide);
    const QString tail = value.mid(1);
    const QString filtered = tail.contains(QLatin1String("E+")) || tail.contains(QLatin1String("E-"))
            ? value
            : value.isEmpty() ? QStringLiteral("0") : keptChars(value, QStringLiteral(".-,"));
    FUZZ_CHECK(fkt_FormatFilterOnlyNumericValue(value) == filtered, visible(value));
}

// ---- numbers ----

// A decimal number with optional sign, fraction and exponent, read by the C
// library; the pattern says what counts as one.
const QString kNumber = QStringLiteral("[+-]?(?:[0-9]+\\.?[0-9]*|\\.[0-9]+)(?:[eE][+-]?[0-9]+)?");

std::optional<double> cValue(const QString &number)
{
    const double value = std::strtod(number.toLatin1().constData(), nullptr);
    if (!std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<qint16> roundedInt16(std::optional<double> value)
{
    if (!value)
        return std::nullopt;
    const double r = std::nearbyint(*value);
    if (r < -32768 || r > 32767)
        return std::nullopt;
    return qint16(r);
}

std::optional<double> wholeNumber(const QString &text)
{
    static const QRegularExpression whole(
            QRegularExpression::anchoredPattern(QStringLiteral("[ \\t]*(") + kNumber + QStringLiteral(")[ \\t]*")));
    const auto match = whole.match(text);
    return match.hasMatch() ? cValue(match.captured(1)) : std::nullopt;
}

void checkNumberText(const QString &text)
{
    static const QRegularExpression leading(QStringLiteral("\\A[ \\t]*(") + kNumber + QLatin1Char(')'));
    const auto match = leading.match(text);
    const std::optional<qint16> leadingValue =
            match.hasMatch() ? roundedInt16(cValue(match.captured(1))) : std::optional<qint16>(0);
    FUZZ_CHECK(NumberText::leadingInt16(text) == leadingValue,
               visible(text) + QStringLiteral(": ") + shown(NumberText::leadingInt16(text)));

    const std::optional<double> whole = wholeNumber(text);
    FUZZ_CHECK(NumberText::toNumber(text) == whole, visible(text));
    FUZZ_CHECK(NumberText::toInt16(text) == roundedInt16(whole), visible(text));

    // The character delay: at least 0, and at most 9999 once rounded.
    const std::optional<qint16> rounded = roundedInt16(whole);
    const std::optional<qint16> delay = whole && *whole >= 0 && rounded && *rounded <= 9999
            ? rounded
            : std::nullopt;
    FUZZ_CHECK(CharDelayInput::fromText(text) == delay,
               visible(text) + QStringLiteral(": ") + shown(CharDelayInput::fromText(text)));
    FUZZ_CHECK(CharDelayInput::IsInteger(text) == rounded.has_value(), visible(text));
}

void checkSettingsNumber(const QString &text)
{
    // A whole decimal integer with an optional sign, white space around it.
    QString inner = text;
    while (!inner.isEmpty() && inner.front().isSpace())
        inner.remove(0, 1);
    while (!inner.isEmpty() && inner.back().isSpace())
        inner.chop(1);
    static const QRegularExpression integer(
            QRegularExpression::anchoredPattern(QStringLiteral("[+-]?[0-9]+")));
    std::optional<qint64> expected;
    if (integer.match(inner).hasMatch()) {
        bool ok = false;
        const qint64 value = inner.toLongLong(&ok);
        if (ok)
            expected = value;
    }
    FUZZ_CHECK(SettingsNumber::parse(text) == expected,
               visible(text) + QStringLiteral(": ") + shown(SettingsNumber::parse(text)));
    const auto inRange = [&](qint64 low, qint64 high) { return expected && *expected >= low && *expected <= high; };
    FUZZ_CHECK(SettingsNumber::valueOr<quint8>(text, 7) == (inRange(0, 255) ? quint8(*expected) : 7),
               visible(text));
    FUZZ_CHECK(SettingsNumber::valueOr<qint16>(text, 7)
                       == (inRange(-32768, 32767) ? qint16(*expected) : 7),
               visible(text));
}

// ---- port settings ----

bool isBlank(QChar ch)
{
    return ch == QLatin1Char(' ') || ch == QLatin1Char('\t');
}

QString withoutBlanks(QString field)
{
    while (!field.isEmpty() && isBlank(field.front()))
        field.remove(0, 1);
    while (!field.isEmpty() && isBlank(field.back()))
        field.chop(1);
    return field;
}

std::optional<PortSettings> referencePortSettings(const QString &text)
{
    const QStringList fields = text.split(QLatin1Char(','));
    if (fields.size() != 4)
        return std::nullopt;
    static const QRegularExpression digits(QRegularExpression::anchoredPattern(QStringLiteral("0*([0-9]{1,8})")));
    const auto baud = digits.match(withoutBlanks(fields[0]));
    const QString parity = withoutBlanks(fields[1]);
    const QString data = withoutBlanks(fields[2]);
    const QString stop = withoutBlanks(fields[3]);
    if (!baud.hasMatch() || parity.size() != 1)
        return std::nullopt;
    PortSettings s;
    s.baud = baud.captured(1).toInt();
    const int letter = QStringLiteral("NEOMS").indexOf(QChar(char16_t(parity[0].toLatin1() & ~0x20)));
    if (s.baud < 50 || s.baud > 4000000 || parity[0].unicode() > 127 || letter < 0)
        return std::nullopt;
    s.parity = Parity(letter);
    const int dataIndex = QStringList{"5", "6", "7", "8"}.indexOf(data);
    const int stopIndex = QStringList{"1", "1.5", "2"}.indexOf(stop);
    if (dataIndex < 0 || stopIndex < 0 || (stopIndex == 1 && dataIndex != 0))
        return std::nullopt;
    s.dataBits = 5 + dataIndex;
    s.stopBits = StopBits(stopIndex);
    return s;
}

void checkPortSettings(const QString &text, quint8 baudIndex, quint8 formatIndex)
{
    std::optional<PortSettings> parsed;
    try {
        parsed = parsePortSettings(text);
    } catch (const PortError &) {
    }
    const auto expected = referencePortSettings(text);
    FUZZ_CHECK(parsed.has_value() == expected.has_value() && (!parsed || *parsed == *expected),
               visible(text));

    // Whatever the settings file says, the text built from it is accepted.
    const QString fromSettings = PortTables::baudText(baudIndex) + PortTables::formatText(formatIndex);
    try {
        parsePortSettings(fromSettings);
    } catch (const PortError &error) {
        propertyFailed("settings give a valid port settings text", error.description());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    const uint8_t options = in.byte();
    const bool wide = options & 1;
    const QString text = FuzzInput::text(in.piece(40), wide);
    checkNumberText(text);
    checkSettingsNumber(text);
    const quint8 baudIndex = in.byte();
    const quint8 formatIndex = in.byte();
    checkPortSettings(text, baudIndex, formatIndex);
    checkFormat(in, wide);
    return 0;
}
