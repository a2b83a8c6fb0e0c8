#pragma once

#include <QString>

// The program's bilingual texts, compiled in. A German text lives under its
// ID n (1000-1701), the English text of the same item under n + 10000. Callers
// always pass the German ID. A missing entry yields the empty text, never an
// error.

// The text to show: the chosen language, else English, else German, else empty.
// language is the Language setting: 0 German, any other value English.
QString fkt_ToolsGetResString(qint32 id, quint8 language);

// Entry id when language is 0, entry id + 10000 otherwise.
QString fkt_ToolsGetResStringByLanguage(qint32 id, quint8 language);

// Entry id + 10000 (empty when id + 10000 would leave the 32-bit range).
QString fkt_ToolsGetResStringEnglish(qint32 id);

// Entry id.
QString fkt_ToolsGetResStringGerman(qint32 id);
