#include "engine/TrafficLog.h"

#include "text/Codec.h"
#include "text/Tokens.h"

#include <array>

namespace
{

// The text view's token of a byte (the display tokens of EncodeControlChars),
// or empty. The nine bytes lie below 0x80, where the codec's character has
// the byte's own code, so one table serves bytes and characters alike.
const std::array<QByteArray, 256> &displayTokens()
{
    static const std::array<QByteArray, 256> tokens = [] {
        std::array<QByteArray, 256> table;
        for (int byte = 0; byte < 256; ++byte) {
            const QString ch(Codec::charFromByte(uchar(byte)));
            const QString encoded = EncodeControlChars(ch);
            if (encoded != ch)
                table[byte] = encoded.toLatin1();
        }
        return table;
    }();
    return tokens;
}

QByteArray withTokens(QByteArrayView content)
{
    const auto &tokens = displayTokens();
    QByteArray out;
    out.reserve(content.size() + content.size() / 4);
    for (const char byte : content) {
        const QByteArray &token = tokens[uchar(byte)];
        if (token.isEmpty())
            out.append(byte);
        else
            out.append(token);
    }
    return out;
}

qsizetype lengthWithTokens(QByteArrayView content)
{
    const auto &tokens = displayTokens();
    qsizetype length = 0;
    for (const char byte : content) {
        const qsizetype tokenLength = tokens[uchar(byte)].size();
        length += tokenLength == 0 ? 1 : tokenLength;
    }
    return length;
}

// Two upper-case hex digits per byte, one blank between bytes.
void appendHex(QByteArray &out, QByteArrayView content)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    if (content.isEmpty())
        return;
    const qsizetype start = out.size();
    out.resize(start + content.size() * 3 - 1);
    char *at = out.data() + start;
    for (qsizetype i = 0; i < content.size(); ++i) {
        if (i > 0)
            *at++ = ' ';
        const uchar byte = uchar(content[i]);
        *at++ = kDigits[byte >> 4];
        *at++ = kDigits[byte & 0x0F];
    }
}

int hexLength(int contentBytes)
{
    return contentBytes == 0 ? 0 : contentBytes * 3 - 1;
}

} // namespace

TrafficLog::TrafficLog(QObject *parent) : QAbstractListModel(parent) {}

QByteArrayView TrafficLog::displayToken(uchar byte)
{
    return displayTokens()[byte];
}

int TrafficLog::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_lines.size());
}

QVariant TrafficLog::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_lines.size())
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return line(index.row());
    return {};
}

QString TrafficLog::formatLine(const QDateTime &utc, Direction direction, const QString &content)
{
    const QTime t = utc.toUTC().time();
    const QString marker =
        direction == Direction::Sent ? QStringLiteral("  [OUT]  ") : QStringLiteral("  [IN]   ");
    return t.toString(QStringLiteral("HH:mm:ss.zzz")) + marker + content;
}

void TrafficLog::AppendTrafficLine(Direction direction, const QString &content,
                                   const QDateTime &utc, TextForm form, const QString &typed,
                                   int trigger)
{
    append(direction, content, utc, form, typed, -1, trigger);
}

void TrafficLog::AppendReceivedLine(const QString &content, const QDateTime &utc, TextForm form,
                                    qint16 quietMs)
{
    append(Direction::Received, content, utc, form, QString(), quietMs < 0 ? qint16(-1) : quietMs);
}

void TrafficLog::append(Direction direction, const QString &content, const QDateTime &utc,
                        TextForm form, const QString &typed, qint16 quietMs, int trigger)
{
    const int row = int(m_lines.size());
    QByteArray bytes = Codec::toBytesReplacing(formatLine(utc, direction, content), '?');
    const QByteArrayView contentBytes = QByteArrayView(bytes).sliced(kPrefixLength);
    QByteArray typedBytes;
    if (form == TextForm::Typed) {
        // Mostly the typed text is what the tokens of its bytes say: nothing
        // to keep then.
        typedBytes = Codec::toBytesReplacing(typed, '?');
        if (typedBytes == withTokens(contentBytes))
            form = TextForm::Tokens;
    }
    qsizetype textLength = bytes.size();
    if (form == TextForm::Tokens)
        textLength = kPrefixLength + lengthWithTokens(contentBytes);
    else if (form == TextForm::Typed)
        textLength = kPrefixLength + typedBytes.size();
    m_longestText = std::max(m_longestText, int(textLength));
    m_longestContent = std::max(m_longestContent, int(contentBytes.size()));
    if (form == TextForm::Typed)
        m_typed.insert(row, typedBytes);
    insertLine(std::move(bytes), form,
               {utc.toMSecsSinceEpoch(), quietMs,
                direction == Direction::Sent ? LineKind::Sent : LineKind::Received,
                quint8(trigger)});
}

void TrafficLog::appendEvent(const QString &text, const QDateTime &utc)
{
    QString line = QStringLiteral("# ") +
                   utc.toUTC().time().toString(QStringLiteral("HH:mm:ss.zzz")) + u' ' + text;
    for (QChar &ch : line) {
        if (ch.unicode() < 0x20 || ch.unicode() == 0x7F)
            ch = u' ';
    }
    QByteArray bytes = Codec::toBytesReplacing(line, '?');
    m_longestText = std::max(m_longestText, int(bytes.size()));
    m_longestEvent = std::max(m_longestEvent, int(bytes.size()));
    insertLine(std::move(bytes), TextForm::Raw, {utc.toMSecsSinceEpoch(), -1, LineKind::Event});
}

void TrafficLog::insertLine(QByteArray bytes, TextForm form, LineTime time)
{
    const int row = int(m_lines.size());
    beginInsertRows({}, row, row);
    m_lines.append(std::move(bytes));
    m_forms.push_back(form);
    m_times.push_back(time);
    if (!m_follow)
        ++m_heldLines;
    endInsertRows();
    if (m_follow)
        setSelectedIndex(row);
    setDeleteEnabled(true);
}

QByteArray TrafficLog::shownBytes(int index, Form form) const
{
    const QByteArray &bytes = m_lines.at(index);
    if (!isDataLine(index))
        return bytes; // the same text in both views
    const QByteArrayView prefix = QByteArrayView(bytes).first(kPrefixLength);
    const QByteArrayView content = QByteArrayView(bytes).sliced(kPrefixLength);
    if (form == Form::Hex) {
        QByteArray out;
        out.reserve(kPrefixLength + hexLength(int(content.size())));
        out.append(prefix);
        appendHex(out, content);
        return out;
    }
    switch (m_forms.at(std::size_t(index))) {
    case TextForm::Raw:
        return bytes; // shared, not copied
    case TextForm::Tokens:
        return prefix.toByteArray() + withTokens(content);
    case TextForm::Typed:
        return prefix.toByteArray() + m_typed.value(index);
    }
    return bytes;
}

QDateTime TrafficLog::utcTime(int index) const
{
    return QDateTime::fromMSecsSinceEpoch(utcMsecs(index), Qt::UTC);
}

TrafficLog::Direction TrafficLog::direction(int index) const
{
    return kind(index) == LineKind::Sent ? Direction::Sent : Direction::Received;
}

QString TrafficLog::line(int index) const
{
    return line(index, Form::Text);
}

QString TrafficLog::line(int index, Form form) const
{
    return Codec::toText(shownBytes(index, form));
}

QString TrafficLog::spelledLine(int index) const
{
    return SpellControlChars(line(index));
}

int TrafficLog::longestLineLength(Form form) const
{
    if (form == Form::Text || m_lines.isEmpty())
        return m_longestText;
    return std::max(kPrefixLength + hexLength(m_longestContent), m_longestEvent);
}

void TrafficLog::clear()
{
    beginResetModel();
    m_lines.clear();
    m_forms.clear();
    m_times.clear();
    m_typed.clear();
    m_longestText = 0;
    m_longestContent = 0;
    m_longestEvent = 0;
    m_heldLines = 0;
    endResetModel();
    setSelectedIndex(-1);
}

void TrafficLog::setSelectedIndex(int index)
{
    if (index == m_selected && index == m_anchor)
        return;
    m_selected = index;
    m_anchor = index;
    Q_EMIT selectedIndexChanged(index);
}

void TrafficLog::extendSelection(int index)
{
    if (m_selected < 0) {
        setSelectedIndex(index);
        return;
    }
    if (index == m_selected)
        return;
    m_selected = index;
    if (m_selected != m_anchor)
        setFollowNewLines(false);
    Q_EMIT selectedIndexChanged(index);
}

void TrafficLog::setFollowNewLines(bool follow)
{
    if (follow == m_follow)
        return;
    m_follow = follow;
    m_heldLines = 0;
    Q_EMIT followNewLinesChanged(follow);
}

bool TrafficLog::clearDue() const
{
    if (m_follow)
        return m_selected > kClearAboveIndex;
    return count() > kClearAboveIndex + 1;
}

void TrafficLog::setDeleteEnabled(bool enabled)
{
    if (enabled == m_deleteEnabled)
        return;
    m_deleteEnabled = enabled;
    Q_EMIT deleteEnabledChanged(enabled);
}
