#pragma once

#include <QString>
#include <QStringList>

// Fills the "%%" placeholders of Template from left to right with Params[0] to
// Params[10]. The first parameter is always inserted (an empty one just removes
// its placeholder); after that, an empty or missing parameter ends the filling
// and the remaining "%%" stay. Surplus parameters are ignored. Each step looks
// for the first "%%" of the whole current text, so a "%%" that an inserted
// parameter brings along is filled by a later parameter. Template is
// overwritten with the result.
QString fkt_FormatInsertParam(QString &Template, const QStringList &Params);
QString fkt_FormatInsertParam(const QString &Template, const QStringList &Params);

// Field Index (1 = first) of Text, fields divided by the one-character
// Separator; the end of the text ends the last field. With OnlyNumeric only the
// digits, "." and "-" of the field are kept. Empty when Index is 0 or beyond the
// last field. A Separator that is not exactly one character never matches.
QString fkt_FormatExtractSpecParameter(const QString &Text, quint8 Index, bool OnlyNumeric,
                                       const QString &Separator);

// The digits, ".", "-" and "," of Value, in their order ("COM12" gives "12");
// "0" for an empty Value; Value unchanged when it holds "E+" or "E-" from its
// second character on (a number in exponent notation).
QString fkt_FormatFilterOnlyNumericValue(const QString &Value);
