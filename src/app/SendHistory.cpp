#include "app/SendHistory.h"

#include "app/WholeFile.h"
#include "text/Utf8.h"

#include <algorithm>

namespace {

// One line of the file, and a text a line edit can show: no control
// character (a token spells one), no half of a surrogate pair.
bool keepable(const QString &text)
{
    if (text.isEmpty() || text.size() > SendHistory::kMaxTextLength || !Utf8::carries(text))
        return false;
    return std::none_of(text.begin(), text.end(), [](QChar ch) { return ch.unicode() < 0x20; });
}

} // namespace

QString SendHistory::filePath(const QString &dataFolder)
{
    return dataFolder + QStringLiteral("History.txt");
}

void SendHistory::load(const QString &path)
{
    m_texts.clear();
    m_added = 0;
    m_position = -1;
    bool whole = true;
    const std::optional<QByteArray> content = WholeFile::readStart(path, kMaxFileSize, &whole);
    m_tooLarge = content && !whole;
    if (!content)
        return;
    QByteArrayView rest(*content);
    if (!whole) // the line cut off is no text
        rest = rest.first(rest.lastIndexOf('\n') + 1);
    if (rest.startsWith("\xEF\xBB\xBF"))
        rest = rest.sliced(3);
    while (!rest.isEmpty() && m_texts.size() < kMaxTexts) {
        const qsizetype end = rest.indexOf('\n');
        QByteArrayView line = end < 0 ? rest : rest.first(end);
        rest = end < 0 ? QByteArrayView() : rest.sliced(end + 1);
        if (line.endsWith('\r'))
            line.chop(1);
        // A character of the text takes three bytes at most (one of four is
        // two of the text's): a longer line is too long anyway.
        if (line.size() > kMaxTextLength * 3)
            continue;
        const std::optional<QString> text = Utf8::decode(line);
        if (text && keepable(*text) && (m_texts.isEmpty() || m_texts.last() != *text))
            m_texts.append(*text);
    }
}

int SendHistory::save(const QString &path)
{
    SendHistory now; // another window may have saved since the load
    now.load(path);
    if (now.m_tooLarge)
        return 0;
    QStringList texts = m_texts.first(m_added);
    for (const QString &text : std::as_const(now.m_texts)) {
        if (texts.size() < kMaxTexts && (texts.isEmpty() || texts.last() != text))
            texts.append(text);
    }
    QByteArray bytes;
    for (const QString &text : std::as_const(texts))
        bytes += text.toUtf8() + '\n';
    int error = 0;
    if (WholeFile::replace(path, bytes, &error)) {
        m_texts = texts;
        m_added = 0;
    }
    return error;
}

void SendHistory::add(const QString &text)
{
    m_position = -1;
    if (!keepable(text) || (!m_texts.isEmpty() && m_texts.first() == text))
        return;
    m_texts.prepend(text);
    if (m_texts.size() > kMaxTexts)
        m_texts.removeLast();
    m_added = std::min(m_added + 1, m_texts.size());
}

std::optional<QString> SendHistory::older(const QString &typing)
{
    if (m_position + 1 >= m_texts.size())
        return std::nullopt;
    if (m_position < 0)
        m_typing = typing;
    return m_texts.at(++m_position);
}

std::optional<QString> SendHistory::newer()
{
    if (m_position < 0)
        return std::nullopt;
    --m_position;
    return m_position < 0 ? m_typing : m_texts.at(m_position);
}
