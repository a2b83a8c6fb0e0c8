#include "ui/frmProgramInfo.h"

#include "text/StringTable.h"
#include "ui/ProgramLogo.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

#if !defined(LINTROVA_VERSION_MAJOR) || !defined(LINTROVA_VERSION_MINOR) ||                      \
    !defined(LINTROVA_VERSION_PATCH)
#error "the build passes the program's version numbers in"
#endif

namespace {

QLabel *makeLabel(const QString &name, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    return label;
}

} // namespace

frmProgramInfo::frmProgramInfo(quint8 language, QWidget *parent)
    : QDialog(parent), m_language(language)
{
    setObjectName(QStringLiteral("frmProgramInfo"));
    setModal(true);
    buildControls();
    ApplyLanguage();
    labSoftwareVersionValue->setText(versionText());
    labDateValue->setText(QStringLiteral("19.04.2018"));
    cmdOk->setFocus();
}

QString frmProgramInfo::versionText()
{
    return QStringLiteral("V") + QString::number(LINTROVA_VERSION_MAJOR) + QLatin1Char('.') +
           QString::number(LINTROVA_VERSION_MINOR) + QLatin1Char('.') +
           QString::number(LINTROVA_VERSION_PATCH);
}

void frmProgramInfo::buildControls()
{
    fraInfo = new QGroupBox(QStringLiteral("Information"), this);
    fraInfo->setObjectName(QStringLiteral("fraInfo"));
    labProgramVersion = makeLabel(QStringLiteral("labProgramVersion"), fraInfo);
    labProgramVersionValue = makeLabel(QStringLiteral("labProgramVersionValue"), fraInfo);
    labProgramVersionValue->setText(QStringLiteral("Lintrova"));
    labSoftwareVersion = makeLabel(QStringLiteral("labSoftwareVersion"), fraInfo);
    labSoftwareVersionValue = makeLabel(QStringLiteral("labSoftwareVersionValue"), fraInfo);
    labDate = makeLabel(QStringLiteral("labDate"), fraInfo);
    labDateValue = makeLabel(QStringLiteral("labDateValue"), fraInfo);
    labEngineer = makeLabel(QStringLiteral("labEngineer"), fraInfo);
    labEngineerValue = makeLabel(QStringLiteral("labEngineerValue"), fraInfo);
    labEngineerValue->setText(QStringLiteral("Jonas Brenner"));

    auto *rows = new QGridLayout(fraInfo);
    const std::pair<QLabel *, QLabel *> pairs[] = {
        {labProgramVersion, labProgramVersionValue},
        {labSoftwareVersion, labSoftwareVersionValue},
        {labDate, labDateValue},
        {labEngineer, labEngineerValue}};
    int row = 0;
    for (const auto &[caption, value] : pairs) {
        rows->addWidget(caption, row, 0);
        rows->addWidget(value, row, 1);
        ++row;
    }
    rows->setColumnStretch(1, 1);
    rows->setRowStretch(row, 1);

    Image1 = makeLabel(QStringLiteral("Image1"), this);
    Image1->setPixmap(ProgramLogo());
    cmdOk = new QPushButton(this);
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdOk->setDefault(true);
    connect(cmdOk, &QPushButton::clicked, this, &frmProgramInfo::accept);

    auto *right = new QVBoxLayout;
    right->addWidget(Image1, 0, Qt::AlignRight | Qt::AlignTop);
    right->addStretch(1);
    right->addWidget(cmdOk, 0, Qt::AlignRight);
    auto *layout = new QHBoxLayout(this);
    layout->addWidget(fraInfo, 1);
    layout->addLayout(right);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void frmProgramInfo::ApplyLanguage()
{
    setWindowTitle(fkt_ToolsGetResString(1200, m_language));
    labProgramVersion->setText(fkt_ToolsGetResString(1201, m_language));
    labSoftwareVersion->setText(fkt_ToolsGetResString(1202, m_language));
    labDate->setText(fkt_ToolsGetResString(1203, m_language));
    labEngineer->setText(fkt_ToolsGetResString(1204, m_language));
    cmdOk->setText(fkt_ToolsGetResString(1205, m_language));
    Image1->setAccessibleName(fkt_ToolsGetResString(1865, m_language));
}
