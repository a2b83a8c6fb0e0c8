#include "ui/PortList.h"

#include "text/modFormat.h"

#include <QComboBox>
#include <QList>

#include <algorithm>
#include <utility>

namespace {

const QString kEtx = QString(QChar(3));

struct Entry {
    QString label;
    qint64 number; // COM number minus one
};

// Field 2k + 1 is the last one read for port k and the field index is a byte,
// so no more than 127 ports can be addressed.
constexpr qint64 kMaxPorts = 127;

std::optional<qint64> wholeNumber(const QString &text)
{
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

QString field(const QString &text, qint64 index, bool onlyNumeric)
{
    return fkt_FormatExtractSpecParameter(text, static_cast<quint8>(index), onlyNumeric, kEtx);
}

QList<Entry> discoveredEntries(const QString &text)
{
    // A count larger than the text holds would otherwise run the loop
    // into fields that are not there (or, with a wild count, for ever).
    const qint64 present = (text.count(kEtx) + 1) / 2;
    const qint64 count = std::min({wholeNumber(field(text, 1, true)).value_or(0), present,
                                   kMaxPorts});
    QList<Entry> entries;
    for (qint64 k = 1; k <= count; ++k) {
        const auto number = wholeNumber(field(text, 2 * k, true));
        if (!number || *number < 1)
            continue;
        const QString name = fkt_FormatInsertParam(QStringLiteral("COM%%"),
                                                   {QString::number(*number)}) +
                             QStringLiteral("  -  ") + field(text, 2 * k + 1, false);
        entries.append({name, *number - 1});
    }
    return entries;
}

QList<Entry> fixedEntries()
{
    QList<Entry> entries;
    for (int k = 1; k <= 14; ++k)
        entries.append({fkt_FormatInsertParam(QStringLiteral("COM%%"), {QString::number(k)}),
                        k - 1});
    return entries;
}

// An exchange sort, deliberately not a stable one: entries with the same
// number end up in the order this exchange pattern leaves them in.
void sortByNumber(QList<Entry> &entries)
{
    const qsizetype count = entries.size();
    for (qsizetype i = 0; i + 1 < count; ++i)
        for (qsizetype j = i + 1; j < count; ++j)
            if (entries[i].number > entries[j].number)
                std::swap(entries[i], entries[j]);
}

int preselectedIndex(const QList<Entry> &entries, quint8 ComPort)
{
    for (int i = 0; i < entries.size(); ++i)
        if (entries[i].number == ComPort)
            return i;
    // Otherwise the first port other than COM1.
    for (int i = 0; i < entries.size(); ++i)
        if (entries[i].number > 0)
            return i;
    return entries.isEmpty() ? -1 : 0;
}

} // namespace

namespace PortList {

void FillPortList(const QString &portListText, QComboBox *cboPcPort, QComboBox *cboPcPortTemp,
                  quint8 ComPort)
{
    cboPcPort->clear();
    cboPcPortTemp->clear();
    QList<Entry> entries = discoveredEntries(portListText);
    if (entries.isEmpty())
        entries = fixedEntries();
    sortByNumber(entries);
    for (const Entry &entry : std::as_const(entries)) {
        cboPcPort->addItem(entry.label);
        cboPcPortTemp->addItem(QString::number(entry.number));
    }
    cboPcPort->setCurrentIndex(preselectedIndex(entries, ComPort));
}

std::optional<qint64> numberAt(const QComboBox *cboPcPortTemp, int index)
{
    if (index < 0 || index >= cboPcPortTemp->count())
        return std::nullopt;
    return wholeNumber(cboPcPortTemp->itemText(index));
}

} // namespace PortList
