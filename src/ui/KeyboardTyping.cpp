#include "ui/KeyboardTyping.h"

#include <QCoreApplication>
#include <QKeyEvent>
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

} // namespace KeyboardTyping
