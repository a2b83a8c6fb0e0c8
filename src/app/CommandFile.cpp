#include "app/CommandFile.h"

#include "app/IniProfile.h"

namespace {

QString paramKey(std::size_t index)
{
    return QStringLiteral("Param%1").arg(index + 1);
}

// Path itself, or the chooser's answer when Path is empty; empty when there
// is nothing to work on.
QString resolvePath(const QString &Path, const FileChooser &chooser)
{
    if (!Path.isEmpty())
        return Path;
    return chooser ? chooser() : QString();
}

} // namespace

std::optional<CommandTexts> fkt_MainLoadCommandFile(const QString &Path,
                                                    const FileChooser &chooser)
{
    const QString path = resolvePath(Path, chooser);
    if (path.isEmpty())
        return std::nullopt;
    CommandTexts texts;
    for (std::size_t i = 0; i < texts.size(); ++i)
        texts[i] = IniProfile::GetPrivateProfileString(SettingsSectionName(), paramKey(i),
                                                       QString(), path);
    return texts;
}

bool fkt_MainSaveCommandFile(const QString &Path, const CommandTexts &texts,
                             const FileChooser &chooser, int *error)
{
    if (error)
        *error = 0;
    const QString path = resolvePath(Path, chooser);
    if (path.isEmpty())
        return false;
    IniProfile::KeyValues keyValues;
    for (std::size_t i = 0; i < texts.size(); ++i)
        keyValues.append({paramKey(i), texts[i]});
    return IniProfile::WritePrivateProfileStrings(SettingsSectionName(), keyValues, path, error);
}
