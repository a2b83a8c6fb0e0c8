#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

// The language of the desktop session, as the C library takes it for its
// messages: from the first of LC_ALL, LC_MESSAGES and LANG that is set and
// not empty. Only a first start asks (see firstStartLanguage).
namespace DesktopLanguage {

enum class Kind {
    None,   // nothing set, C or POSIX (with or without a suffix such as .UTF-8)
    German, // de, de_DE.UTF-8, de_AT@euro ...
    Other,  // en_GB.UTF-8, fr_FR.UTF-8 ...
};

// What a locale name says: its language is the part before '_', '.' or '@'.
// A name whose language part is not two or three letters says nothing.
Kind of(const QString &locale);

// The desktop's language, read from the environment now.
Kind current();

// The Language setting a very first start gives the copied settings: 1
// (English) when the desktop speaks a language other than German; nothing
// when it speaks German or no language, so the template's value stays.
std::optional<quint8> firstStartLanguage();

} // namespace DesktopLanguage
