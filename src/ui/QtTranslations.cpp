#include "ui/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

namespace {

std::unique_ptr<QTranslator> &installedGerman()
{
    static std::unique_ptr<QTranslator> translator;
    return translator;
}

} // namespace

namespace QtTranslations {

bool apply(quint8 language)
{
    std::unique_ptr<QTranslator> &german = installedGerman();
    if (language != 0) {
        if (german) {
            QCoreApplication::removeTranslator(german.get());
            german.reset();
        }
        return true;
    }
    if (german)
        return true;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QStringLiteral("qtbase_de"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator.get()))
        return false;
    german = std::move(translator);
    return true;
}

} // namespace QtTranslations
