#pragma once

#include <QtGlobal>

// Qt's own texts (the buttons of the line box and of message boxes, the file
// dialog) in the program's language: Qt's German translation while Language
// is 0, Qt's own English otherwise. The translation comes from Qt's
// translations folder (Debian: qt6-translations-l10n); without it Qt's texts
// stay English.
namespace QtTranslations {

// Installs or removes Qt's German translation to match language, at once
// for every dialog opened from then on. True when Qt now speaks it.
bool apply(quint8 language);

} // namespace QtTranslations
