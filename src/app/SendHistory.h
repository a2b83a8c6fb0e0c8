#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The texts on which Send was pressed, newest first, as typed (tokens not
// decoded, also those not sent), for Up and Down to walk through: never two
// equal neighbours, at most kMaxTexts. Kept between runs in History.txt in
// the data folder, UTF-8, one text per line, so a character without a byte
// in the codec survives.
//
// A hand-edited file gives what can be read safely: a byte-order mark and
// the CR of CR LF are dropped; a line that is empty, not valid UTF-8, holds
// a control character or is longer than kMaxTextLength is left out, as are
// equal neighbours and every line past the first kMaxTexts; no regular file
// gives an empty history. Of a file larger than kMaxFileSize the lines
// within its first kMaxFileSize bytes are read, and the file is never
// replaced: what lies beyond may be the user's.
//
// Several windows may keep one file: a save reads it again and puts this
// window's new texts before the ones it holds by then.
class SendHistory {
public:
    static constexpr int kMaxTexts = 200;
    static constexpr qsizetype kMaxTextLength = 16384;
    static constexpr qint64 kMaxFileSize = 16 * 1024 * 1024;

    // DataFolder + "History.txt".
    static QString filePath(const QString &dataFolder);

    void load(const QString &path);
    // Replaces the file whole (a temporary beside it, see ReplacingFile)
    // with the texts added since the last load or save, newest first, and
    // then those the file holds now, kMaxTexts at most. Writes nothing when
    // the file is too large by then. Answers 0, or the errno of the failure;
    // the old file then stays.
    int save(const QString &path);
    // Whether add() changed the texts since the last load or save.
    bool changed() const { return m_added > 0; }
    // Whether the last load found the file larger than kMaxFileSize.
    bool tooLarge() const { return m_tooLarge; }

    // A text sent: becomes the newest unless it is already; the walk starts
    // again from the text being typed. An empty text, one with a control
    // character or one longer than kMaxTextLength is not kept.
    void add(const QString &text);

    // Up: the next older text, or nothing past the oldest. typing is the
    // box's text, kept when the walk leaves it.
    std::optional<QString> older(const QString &typing);
    // Down: the next newer text, then the text that was being typed; nothing
    // when the walk is there already.
    std::optional<QString> newer();

    const QStringList &texts() const { return m_texts; }

private:
    QStringList m_texts; // newest first
    int m_position = -1; // the text shown; -1: the one being typed
    QString m_typing;    // what was typed before the walk began
    qsizetype m_added = 0; // the newest texts that were added since the last load or save
    bool m_tooLarge = false;
};
