#pragma once

#include <QString>

class QWidget;

namespace KeyboardTyping {

// Queues a key press and a key release for every character of text to
// receiver, so the widget handles them later exactly like typed characters
// (insertion at the caret, change signals, key filters). Every character is
// literal. Events for a widget that is deleted meanwhile are dropped by Qt.
void postText(QWidget *receiver, const QString &text);

// Queues text for receiver as typed in one go. A line edit gets it inserted
// at its caret in one step, replacing its selection, followed by one key
// release that carries the text, so its change handling and key handling
// (a key filter of its window) run once, however long the text is. Any
// other widget is given the characters one by one (postText). Nothing
// happens for an empty text or a widget deleted meanwhile.
void postInsertion(QWidget *receiver, const QString &text);

} // namespace KeyboardTyping
