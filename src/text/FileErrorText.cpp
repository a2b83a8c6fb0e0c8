#include "text/FileErrorText.h"

#include "text/StringTable.h"

#include <cerrno>
#include <cstring>

namespace {
constexpr qint32 kDiskFull = 1810;
constexpr qint32 kNoPermission = 1811;
constexpr qint32 kReadOnly = 1812;
constexpr qint32 kNotFound = 1813;
constexpr qint32 kIsFolder = 1814;
} // namespace

QString fileErrorReason(int errorNumber, quint8 language)
{
    switch (errorNumber) {
    case ENOSPC:
    case EDQUOT:
        return fkt_ToolsGetResString(kDiskFull, language);
    case EACCES:
    case EPERM:
        return fkt_ToolsGetResString(kNoPermission, language);
    case EROFS:
        return fkt_ToolsGetResString(kReadOnly, language);
    case ENOENT:
    case ENOTDIR:
        return fkt_ToolsGetResString(kNotFound, language);
    case EISDIR:
        return fkt_ToolsGetResString(kIsFolder, language);
    default:
        return QString::fromLocal8Bit(std::strerror(errorNumber));
    }
}
