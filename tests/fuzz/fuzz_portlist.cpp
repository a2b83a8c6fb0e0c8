// The settings dialog's port list on real combo boxes (offscreen): any port
// list text gives the entries a literal reading of the text names, sorted by
// number, each label beside its number, the right entry preselected.

#include "FuzzInput.h"

#include "ui/PortList.h"

#include <QApplication>
#include <QComboBox>

#include <algorithm>
#include <limits>
#include <memory>

namespace {

struct Entry {
    QString label;
    qint64 number; // COM number minus one
};

// The digits, '.' and '-' of a field read as a whole decimal number.
std::optional<qint64> numberIn(const QString &field)
{
    QString kept;
    for (const QChar ch : field) {
        if ((ch >= QLatin1Char('0') && ch <= QLatin1Char('9')) || ch == QLatin1Char('.')
            || ch == QLatin1Char('-'))
            kept += ch;
    }
    const bool negative = kept.startsWith(QLatin1Char('-'));
    const QString digits = negative ? kept.mid(1) : kept;
    if (digits.isEmpty())
        return std::nullopt;
    qint64 value = 0;
    for (const QChar ch : digits) {
        if (ch < QLatin1Char('0') || ch > QLatin1Char('9'))
            return std::nullopt;
        const int digit = ch.unicode() - '0';
        if (value > (std::numeric_limits<qint64>::max() - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

QList<Entry> referenceEntries(const QString &text)
{
    const QStringList fields = text.split(QChar(3));
    const qint64 count = std::min<qint64>({numberIn(fields[0]).value_or(0), fields.size() / 2, 127});
    QList<Entry> entries;
    for (qint64 k = 1; k <= count; ++k) {
        const auto number = numberIn(fields.value(2 * k - 1));
        if (!number || *number < 1)
            continue;
        entries.append({QStringLiteral("COM%1  -  ").arg(*number) + fields.value(2 * k), *number - 1});
    }
    if (entries.isEmpty()) {
        for (int n = 1; n <= 14; ++n)
            entries.append({QStringLiteral("COM%1").arg(n), n - 1});
    }
    return entries;
}

QString describe(const QComboBox &visible, const QComboBox &hidden)
{
    QString text;
    for (int i = 0; i < visible.count(); ++i)
        text += hidden.itemText(i) + QLatin1Char(' ') + ::visible(visible.itemText(i)) + QLatin1Char('\n');
    return text + QStringLiteral("current %1").arg(visible.currentIndex());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QComboBox cboPcPort;
    static QComboBox cboPcPortTemp;
    FuzzInput in(data, size);
    const uint8_t options = in.byte();
    const quint8 comPort = in.byte();
    const QString text = FuzzInput::text(in.rest(), options & 1);

    PortList::FillPortList(text, &cboPcPort, &cboPcPortTemp, comPort);
    const QString shown = visible(text) + QStringLiteral("\n") + describe(cboPcPort, cboPcPortTemp);

    // The same entries, each label beside its number, sorted by number.
    QList<Entry> expected = referenceEntries(text);
    FUZZ_CHECK(cboPcPort.count() == expected.size() && cboPcPortTemp.count() == expected.size(), shown);
    for (int i = 0; i < cboPcPort.count(); ++i) {
        const auto number = PortList::numberAt(&cboPcPortTemp, i);
        FUZZ_CHECK(number.has_value(), shown);
        if (i > 0)
            FUZZ_CHECK(*PortList::numberAt(&cboPcPortTemp, i - 1) <= *number, shown);
        bool found = false;
        for (qsizetype k = 0; k < expected.size() && !found; ++k) {
            if (expected[k].number == *number && expected[k].label == cboPcPort.itemText(i)) {
                expected.removeAt(k);
                found = true;
            }
        }
        FUZZ_CHECK(found, shown);
    }
    FUZZ_CHECK(!PortList::numberAt(&cboPcPortTemp, -1), shown);
    FUZZ_CHECK(!PortList::numberAt(&cboPcPortTemp, cboPcPortTemp.count()), shown);

    // The entry of ComPort, else the first port other than COM1, else the first.
    int wanted = -1;
    for (int i = 0; i < cboPcPortTemp.count() && wanted < 0; ++i) {
        if (*PortList::numberAt(&cboPcPortTemp, i) == comPort)
            wanted = i;
    }
    for (int i = 0; i < cboPcPortTemp.count() && wanted < 0; ++i) {
        if (*PortList::numberAt(&cboPcPortTemp, i) > 0)
            wanted = i;
    }
    FUZZ_CHECK(cboPcPort.currentIndex() == qMax(wanted, 0), shown);
    return 0;
}
