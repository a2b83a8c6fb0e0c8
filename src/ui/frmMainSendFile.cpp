// File > Send file and its progress in the status bar.

#include "app/modGlobal.h"
#include "text/StringTable.h"
#include "engine/TerminalEngine.h"
#include "ui/SendFileDialog.h"
#include "ui/frmMain.h"

#include <QAction>
#include <QCheckBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>

namespace {

constexpr qint32 kMenuItem = 2330;
constexpr qint32 kCancel = 2333;
constexpr qint32 kCancelName = 2339;

} // namespace

void frmMain::buildSendFile()
{
    mnuFileSendFile = new QAction(this);
    mnuFileSendFile->setObjectName(QStringLiteral("mnuFileSendFile"));
    mnuFileSendFile->setEnabled(false);
    QAction *before = nullptr;
    for (QAction *item : mnuFile->actions())
        if (item->objectName() == QStringLiteral("mnuSpace1"))
            before = item;
    mnuFile->insertAction(before, mnuFileSendFile);
    connect(mnuFileSendFile, &QAction::triggered, this, &frmMain::mnuFileSendFile_Click);

    // It takes the line field's place while a file goes out.
    fraFileProgress = new QWidget(this);
    fraFileProgress->setObjectName(QStringLiteral("fraFileProgress"));
    lblFileProgress = new QLabel(fraFileProgress);
    lblFileProgress->setObjectName(QStringLiteral("lblFileProgress"));
    cmdFileCancel = new QPushButton(fraFileProgress);
    cmdFileCancel->setObjectName(QStringLiteral("cmdFileCancel"));
    cmdFileCancel->setAutoDefault(false);
    cmdFileCancel->installEventFilter(this); // Enter presses it
    auto *row = new QHBoxLayout(fraFileProgress);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(lblFileProgress);
    row->addWidget(cmdFileCancel);
    fraFileProgress->setVisible(false);
    statusBar()->insertPermanentWidget(1, fraFileProgress); // after the port's status
    connect(cmdFileCancel, &QPushButton::clicked, this,
            [this] { m_engine->fileSender().cancel(); });
}

void frmMain::applySendFileLanguage()
{
    const quint8 lang = m_settings.Language;
    mnuFileSendFile->setText(fkt_ToolsGetResString(kMenuItem, lang));
    cmdFileCancel->setText(fkt_ToolsGetResString(kCancel, lang));
    cmdFileCancel->setAccessibleName(fkt_ToolsGetResString(kCancelName, lang));
}

void frmMain::mnuFileSendFile_Click()
{
    const quint8 lang = m_settings.Language;
    const QString path = m_sendFileChooser ? m_sendFileChooser()
                                           : SendFileDialog::chooseFile(this, m_sendFolder, lang);
    if (path.isEmpty())
        return;
    m_sendFolder = QFileInfo(path).absolutePath();
    const std::optional<int> pause = SendFileDialog::askPause(this, lang);
    if (pause)
        m_engine->fileSender().start(path, *pause);
}

void frmMain::showFileProgress(const QString &text)
{
    lblFileProgress->setText(text);
    lblFileProgress->setAccessibleName(text);
    const bool sending = !text.isEmpty();
    if (sending == m_fileSending)
        return;
    m_fileSending = sending;
    fraFileProgress->setVisible(sending);
    // Nothing else is sent meanwhile: a ticked repetition stops.
    for (QCheckBox *box : {chkRepeat, chkRepeatCommandConfig}) {
        if (sending)
            box->setChecked(false);
        box->setEnabled(!sending);
    }
    enablePortControls(m_portControlsOn);
    updateLineInfo();
}
