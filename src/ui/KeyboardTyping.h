#pragma once

#include <QString>

class QWidget;

namespace KeyboardTyping {

// Queues a key press and a key release for every character of text to
// receiver, so the widget handles them later exactly like typed characters
// (insertion at the caret, change signals, key filters). Every character is
// literal. Events for a widget that is deleted meanwhile are dropped by Qt.
void postText(QWidget *receiver, const QString &text);

} // namespace KeyboardTyping
