#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// The program's language (the Language setting), asked when a text is made.
using LanguageSource = std::function<quint8()>;

// The port layer's messages: a text of the string table in the program's
// language (0 German, anything else English) with its %% filled in, in
// order, each with its parameter as a message quotes it (quotedValue). Where a
// system call failed, the system's own words for its errno follow in
// parentheses, as the system gives them.
namespace PortText {

QString text(quint8 language, qint32 id, const QStringList &params = {});
QString withSystemText(quint8 language, qint32 id, const QStringList &params, int err);
// The system's words for an errno.
QString systemText(int err);

} // namespace PortText
