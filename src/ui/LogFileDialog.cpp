#include "ui/LogFileDialog.h"

#include "text/StringTable.h"
#include "ui/FileDialogColumns.h"

#include <QDir>
#include <QFileDialog>

namespace LogFileDialog {

namespace {

constexpr qint32 kAllFiles = 1804;

// The dialog's title and its filter of the purpose's files.
struct Texts {
    qint32 title;
    qint32 filter;
};

Texts textsFor(Purpose purpose)
{
    switch (purpose) {
    case Purpose::Record:
        return {1871, 1803};
    case Purpose::Plot:
        return {2409, 2411};
    case Purpose::Values:
        return {2410, 2412};
    case Purpose::Save:
        break;
    }
    return {1806, 1803};
}

} // namespace

QString suffix(Purpose purpose)
{
    switch (purpose) {
    case Purpose::Plot:
        return QStringLiteral("png");
    case Purpose::Values:
        return QStringLiteral("csv");
    case Purpose::Save:
    case Purpose::Record:
        break;
    }
    return QStringLiteral("log");
}

QString suggestedPath(const QString &folder, const QDateTime &utc, const QString &suffix)
{
    const QString name = QStringLiteral("Lintrova-") +
                         utc.toUTC().toString(QStringLiteral("yyyyMMdd-HHmmss")) + u'.' + suffix;
    return QDir(folder.isEmpty() ? QDir::homePath() : folder).filePath(name);
}

QString choose(QWidget *parent, const QString &suggested, quint8 language, Purpose purpose)
{
    const bool record = purpose == Purpose::Record;
    const Texts texts = textsFor(purpose);
    QFileDialog dialog(parent, fkt_ToolsGetResString(texts.title, language));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, record);
    if (record) // "Save" would promise a new file
        dialog.setLabelText(QFileDialog::Accept, fkt_ToolsGetResString(1880, language));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters({fkt_ToolsGetResString(texts.filter, language),
                           fkt_ToolsGetResString(kAllFiles, language)});
    dialog.setDefaultSuffix(suffix(purpose));
    dialog.setDirectory(QFileInfo(suggested).absolutePath());
    dialog.selectFile(QFileInfo(suggested).fileName());
    FileDialogColumns::giveRoom(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

} // namespace LogFileDialog
