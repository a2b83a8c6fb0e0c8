#pragma once

#include <QString>

#include <exception>

// The fixed German box of the format functions for an error they did not
// expect: "Unerwartete Ausnahme in Funktion: " + function + CR LF + label +
// description + ".". The label differs by function ("Fehler: " or "Fehler : ").
QString unexpectedErrorText(const QString &function, const QString &label,
                            const QString &description);

// Shows that text through the report hook, titled with the program's name.
void reportUnexpectedError(const QString &function, const QString &label,
                           const std::exception &error);
