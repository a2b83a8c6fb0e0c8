#pragma once

#include <QString>

#include <functional>

// The text layer shows nothing on screen itself. The few messages it has go
// through this hook; the user interface installs one that shows a message box,
// tests install one that records the messages.
using ReportHook = std::function<void(const QString &title, const QString &text)>;

// Replaces the installed hook; an empty hook removes it.
void setReportHook(ReportHook hook);

// Hands a message to the installed hook; does nothing when there is none.
void reportMessage(const QString &title, const QString &text);
