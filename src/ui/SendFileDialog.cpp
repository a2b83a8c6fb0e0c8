#include "ui/SendFileDialog.h"

#include "app/modGlobal.h"
#include "text/StringTable.h"
#include "ui/FileDialogColumns.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

constexpr qint32 kTitle = 2338;
constexpr qint32 kPause = 2331;
constexpr qint32 kSend = 2332;
constexpr qint32 kCancel = 2333;
constexpr qint32 kAllFiles = 1804;

} // namespace

SendFileDialog::SendFileDialog(QWidget *parent, quint8 language) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSendFile"));
    auto res = [language](qint32 id) { return fkt_ToolsGetResString(id, language); };
    setWindowTitle(QString(res(kTitle)).remove(u'&'));
    labPause = new QLabel(res(kPause), this);
    txtPause = new QSpinBox(this);
    txtPause->setObjectName(QStringLiteral("txtPause"));
    txtPause->setRange(0, kMostPauseMs);
    txtPause->setValue(0);
    labPause->setBuddy(txtPause);
    txtPause->setAccessibleName(QString(res(kPause)).remove(u'&'));
    cmdSend = new QPushButton(res(kSend), this);
    cmdSend->setObjectName(QStringLiteral("cmdSend"));
    cmdSend->setDefault(true);
    cmdCancel = new QPushButton(res(kCancel), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    connect(cmdSend, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdSend);
    buttons->addWidget(cmdCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(labPause);
    layout->addWidget(txtPause);
    layout->addLayout(buttons);
    txtPause->setFocus();
}

int SendFileDialog::pauseMs() const
{
    return txtPause->value();
}

QString SendFileDialog::chooseFile(QWidget *parent, const QString &folder, quint8 language)
{
    QFileDialog dialog(parent, QString(fkt_ToolsGetResString(kTitle, language)).remove(u'&'));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(fkt_ToolsGetResString(kAllFiles, language));
    dialog.setDirectory(folder);
    FileDialogColumns::giveRoom(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

std::optional<int> SendFileDialog::askPause(QWidget *parent, quint8 language)
{
    SendFileDialog dialog(parent, language);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.pauseMs();
}
