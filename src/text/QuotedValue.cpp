#include "text/QuotedValue.h"

QString quotedValue(const QString &value)
{
    if (value.size() <= kMostQuotedCharacters)
        return value;
    qsizetype kept = kMostQuotedCharacters;
    // Never half of a character beyond the Basic Multilingual Plane.
    if (value.at(kept - 1).isHighSurrogate())
        --kept;
    return value.left(kept) + QChar(0x2026);
}
