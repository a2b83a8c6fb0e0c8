#include "ui/KeyboardTyping.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWidget>

namespace {

// Qt names the key of a printable character by its upper-case code point.
int keyOf(QChar ch)
{
    return ch.toUpper().unicode();
}

} // namespace

namespace KeyboardTyping {

void postText(QWidget *receiver, const QString &text)
{
    if (!receiver)
        return;
    for (const QChar ch : text) {
        const int key = keyOf(ch);
        QCoreApplication::postEvent(receiver,
                                    new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, ch));
        QCoreApplication::postEvent(receiver,
                                    new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier, ch));
    }
}

void postInsertion(QWidget *receiver, const QString &text)
{
    auto *box = qobject_cast<QLineEdit *>(receiver);
    if (!box) {
        postText(receiver, text);
        return;
    }
    if (text.isEmpty())
        return;
    // One key event per character made the box lay out its whole text again
    // for each one: a long token froze the window for minutes.
    QMetaObject::invokeMethod(
        box,
        [box, text] {
            box->insert(text);
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, text);
            QCoreApplication::sendEvent(box, &release);
        },
        Qt::QueuedConnection);
}

} // namespace KeyboardTyping
