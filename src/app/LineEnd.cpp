#include "app/LineEnd.h"

LineEndKind lineEndKind(quint8 value)
{
    return value <= quint8(LineEndKind::CrLf) ? LineEndKind(value) : LineEndKind::Off;
}

QByteArrayView lineEndBytes(LineEndKind kind)
{
    switch (kind) {
    case LineEndKind::Lf:
        return "\n";
    case LineEndKind::Cr:
        return "\r";
    case LineEndKind::CrLf:
        return "\r\n";
    case LineEndKind::Off:
        break;
    }
    return {};
}
