#include "ui/CommandFileDialog.h"

#include "app/modGlobal.h"
#include "text/StringTable.h"
#include "ui/FileDialogColumns.h"

#include <QFileDialog>
#include <QFileInfo>

namespace CommandFileDialog {

QString filterFromResource(const QString &resource)
{
    const QString description = resource.section(u'|', 0, 0);
    const QString pattern = resource.section(u'|', 1);
    if (pattern.isEmpty() || description.contains(pattern))
        return description;
    return description + QStringLiteral(" (") + pattern + u')';
}

QString withDefaultExtension(const QString &path)
{
    if (path.isEmpty() || !QFileInfo(path).suffix().isEmpty())
        return path;
    return path + QStringLiteral(".icf");
}

QString choose(QWidget *parent, bool save, const SettingsRecord &settings)
{
    const quint8 lang = settings.Language;
    QFileDialog dialog(parent, fkt_ToolsGetResString(save ? 1008 : 1007, lang), settings.DataFolder,
                       filterFromResource(fkt_ToolsGetResString(1606, lang)));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("icf"));
    dialog.selectFile(QStringLiteral("UserDefinedCommands.icf"));
    FileDialogColumns::giveRoom(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return withDefaultExtension(dialog.selectedFiles().constFirst());
}

} // namespace CommandFileDialog
