#include "ui/LogFileDialog.h"

#include "text/StringTable.h"
#include "ui/FileDialogColumns.h"

#include <QDir>
#include <QFileDialog>

namespace LogFileDialog {

QString suggestedPath(const QString &folder, const QDateTime &utc)
{
    const QString name = QStringLiteral("Lintrova-") +
                         utc.toUTC().toString(QStringLiteral("yyyyMMdd-HHmmss")) +
                         QStringLiteral(".log");
    return QDir(folder.isEmpty() ? QDir::homePath() : folder).filePath(name);
}

QString choose(QWidget *parent, const QString &suggested, quint8 language, Purpose purpose)
{
    const bool record = purpose == Purpose::Record;
    QFileDialog dialog(parent, fkt_ToolsGetResString(record ? 1871 : 1806, language));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, record);
    if (record) // "Save" would promise a new file
        dialog.setLabelText(QFileDialog::Accept, fkt_ToolsGetResString(1880, language));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(
        {fkt_ToolsGetResString(1803, language), fkt_ToolsGetResString(1804, language)});
    dialog.setDefaultSuffix(QStringLiteral("log"));
    dialog.setDirectory(QFileInfo(suggested).absolutePath());
    dialog.selectFile(QFileInfo(suggested).fileName());
    FileDialogColumns::giveRoom(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

} // namespace LogFileDialog
