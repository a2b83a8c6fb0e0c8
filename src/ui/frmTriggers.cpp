#include "ui/frmTriggers.h"

#include "engine/TriggerCheck.h"
#include "text/StringTable.h"
#include "text/modFormat.h"
#include "ui/NamedComboBox.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

constexpr qint32 kTitle = 2356;
constexpr qint32 kColumns[] = {2357, 2358, 2359, 2360};
constexpr qint32 kAdd = 2361;
constexpr qint32 kRemove = 2362;
constexpr qint32 kAccept = 2363;
constexpr qint32 kCancel = 2364;
constexpr qint32 kRuleFault = 2365;
constexpr qint32 kTextEntry = 2366;
constexpr qint32 kSlotEntry = 2367;
constexpr qint32 kTableName = 2377;
constexpr qint32 kActive = 2378;
constexpr qint32 kWhen = 2379;
constexpr qint32 kSend = 2380;
constexpr qint32 kAfter = 2381;
constexpr qint32 kSendTextName = 2382;
constexpr int kSlots = 8;

template <typename W>
W *named(W *widget, const char *name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

} // namespace

frmTriggers::frmTriggers(const TriggerSet &set, quint8 language, QWidget *parent)
    : QDialog(parent), m_set(set), m_language(language)
{
    setObjectName(QStringLiteral("frmTriggers"));
    setModal(true);
    buildControls();
    ApplyLanguage();
    showRules();
    grdRules->setFocus();
}

void frmTriggers::buildControls()
{
    grdRules = named(new QTableWidget(0, 4, this), "grdRules");
    grdRules->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdRules->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdRules->setSelectionMode(QAbstractItemView::SingleSelection);
    grdRules->setTabKeyNavigation(false); // Tab leaves the table for the fields
    grdRules->horizontalHeader()->setStretchLastSection(true);
    chkActive = named(new QCheckBox(this), "chkActive");
    labWhen = named(new QLabel(this), "labWhen");
    txtWhen = named(new QLineEdit(this), "txtWhen");
    labWhen->setBuddy(txtWhen);
    labSend = named(new QLabel(this), "labSend");
    cboSend = named(new NamedComboBox(this), "cboSend");
    labSend->setBuddy(cboSend);
    txtSend = named(new QLineEdit(this), "txtSend");
    labAfter = named(new QLabel(this), "labAfter");
    txtAfter = named(new QSpinBox(this), "txtAfter");
    txtAfter->setRange(0, TriggerRule::kMostAfterMs);
    labAfter->setBuddy(txtAfter);
    lblFault = named(new QLabel(this), "lblFault");
    lblFault->setWordWrap(true);
    cmdAdd = named(new QPushButton(this), "cmdAdd");
    cmdRemove = named(new QPushButton(this), "cmdRemove");
    // Enter presses the button that has the focus, else Accept.
    cmdOk = named(new QPushButton(this), "cmdOk");
    cmdOk->setDefault(true);
    cmdCancel = named(new QPushButton(this), "cmdCancel");

    auto *fields = new QGridLayout;
    fields->addWidget(chkActive, 0, 1);
    fields->addWidget(labWhen, 1, 0);
    fields->addWidget(txtWhen, 1, 1, 1, 2);
    fields->addWidget(labSend, 2, 0);
    fields->addWidget(cboSend, 2, 1);
    fields->addWidget(txtSend, 2, 2);
    fields->addWidget(labAfter, 3, 0);
    fields->addWidget(txtAfter, 3, 1);
    fields->setColumnStretch(2, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdAdd);
    buttons->addWidget(cmdRemove);
    buttons->addStretch(1);
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(grdRules, 1);
    layout->addLayout(fields);
    layout->addWidget(lblFault);
    layout->addLayout(buttons);
    QWidget *order[] = {grdRules, chkActive, txtWhen,   cboSend, txtSend,
                        txtAfter, cmdAdd,    cmdRemove, cmdOk,   cmdCancel};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    connect(grdRules, &QTableWidget::currentCellChanged, this, [this](int row) { showRule(row); });
    connect(chkActive, &QCheckBox::toggled, this, &frmTriggers::ruleEdited);
    connect(txtWhen, &QLineEdit::textEdited, this, &frmTriggers::ruleEdited);
    connect(cboSend, &QComboBox::currentIndexChanged, this, &frmTriggers::ruleEdited);
    connect(txtSend, &QLineEdit::textEdited, this, &frmTriggers::ruleEdited);
    connect(txtAfter, &QSpinBox::valueChanged, this, &frmTriggers::ruleEdited);
    connect(cmdAdd, &QPushButton::clicked, this, &frmTriggers::cmdAdd_Click);
    connect(cmdRemove, &QPushButton::clicked, this, &frmTriggers::cmdRemove_Click);
    connect(cmdOk, &QPushButton::clicked, this, &frmTriggers::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmTriggers::reject);
}

void frmTriggers::ApplyLanguage()
{
    auto res = [this](qint32 id) { return fkt_ToolsGetResString(id, m_language); };
    setWindowTitle(res(kTitle));
    QStringList headers;
    for (const qint32 id : kColumns)
        headers << res(id);
    grdRules->setHorizontalHeaderLabels(headers);
    grdRules->setAccessibleName(res(kTableName));
    chkActive->setText(res(kActive));
    labWhen->setText(res(kWhen));
    labSend->setText(res(kSend));
    txtSend->setAccessibleName(res(kSendTextName));
    labAfter->setText(res(kAfter));
    const QSignalBlocker quiet(cboSend);
    cboSend->clear();
    cboSend->addItem(res(kTextEntry));
    for (int n = 1; n <= kSlots; ++n)
        cboSend->addItem(fkt_FormatInsertParam(res(kSlotEntry), {QString::number(n)}));
    cmdAdd->setText(res(kAdd));
    cmdRemove->setText(res(kRemove));
    cmdOk->setText(res(kAccept));
    cmdCancel->setText(res(kCancel));
}

QString frmTriggers::sendCell(const TriggerRule &rule) const
{
    return rule.slot > 0 ? fkt_FormatInsertParam(fkt_ToolsGetResString(kSlotEntry, m_language),
                                                 {QString::number(rule.slot)})
                         : rule.send;
}

void frmTriggers::showRules()
{
    const int current = std::max(grdRules->currentRow(), 0);
    const QSignalBlocker quiet(grdRules);
    grdRules->setRowCount(int(m_set.rules.size()));
    const QList<int> numbers = m_set.ruleNumbers();
    QStringList rowNames;
    for (int row = 0; row < m_set.rules.size(); ++row) {
        const TriggerRule &rule = m_set.rules[row];
        const QString cells[] = {rule.active ? QStringLiteral("✓") : QString(), rule.when,
                                 sendCell(rule), QString::number(rule.afterMs)};
        for (int column = 0; column < 4; ++column)
            grdRules->setItem(row, column, new QTableWidgetItem(cells[column]));
        rowNames << QString::number(numbers[row]);
    }
    grdRules->setVerticalHeaderLabels(rowNames);
    const int row = std::min(current, int(m_set.rules.size()) - 1);
    grdRules->setCurrentCell(row, 0);
    showRule(row);
    cmdAdd->setEnabled(m_set.rules.size() < TriggerSet::kMostRules);
    cmdRemove->setEnabled(!m_set.rules.isEmpty());
}

void frmTriggers::showRule(int row)
{
    const bool valid = row >= 0 && row < m_set.rules.size();
    for (QWidget *w : {static_cast<QWidget *>(chkActive), static_cast<QWidget *>(txtWhen),
                       static_cast<QWidget *>(cboSend), static_cast<QWidget *>(txtAfter)})
        w->setEnabled(valid);
    const TriggerRule rule = valid ? m_set.rules[row] : TriggerRule{};
    m_showing = true;
    chkActive->setChecked(rule.active);
    txtWhen->setText(rule.when);
    cboSend->setCurrentIndex(rule.slot);
    txtSend->setText(rule.send);
    txtAfter->setValue(rule.afterMs);
    m_showing = false;
    txtSend->setEnabled(valid && rule.slot == 0);
}

void frmTriggers::ruleEdited()
{
    const int row = grdRules->currentRow();
    if (m_showing || row < 0 || row >= m_set.rules.size())
        return;
    TriggerRule &rule = m_set.rules[row];
    rule.active = chkActive->isChecked();
    rule.when = txtWhen->text();
    rule.slot = cboSend->currentIndex();
    rule.send = txtSend->text();
    rule.afterMs = txtAfter->value();
    txtSend->setEnabled(rule.slot == 0);
    const QString cells[] = {rule.active ? QStringLiteral("✓") : QString(), rule.when,
                             sendCell(rule), QString::number(rule.afterMs)};
    for (int column = 0; column < 4; ++column)
        grdRules->item(row, column)->setText(cells[column]);
}

void frmTriggers::cmdAdd_Click()
{
    if (m_set.rules.size() >= TriggerSet::kMostRules)
        return;
    m_set.rules.append(TriggerRule{});
    showRules();
    grdRules->setCurrentCell(int(m_set.rules.size()) - 1, 0);
    txtWhen->setFocus();
}

void frmTriggers::cmdRemove_Click()
{
    const int row = grdRules->currentRow();
    if (row < 0 || row >= m_set.rules.size())
        return;
    m_set.rules.removeAt(row);
    showRules();
}

void frmTriggers::cmdOk_Click()
{
    const QList<int> numbers = m_set.ruleNumbers();
    for (int row = 0; row < m_set.rules.size(); ++row) {
        const TriggerRule &rule = m_set.rules[row];
        const QString fault = TriggerCheck::fault(rule, m_language);
        if (fault.isEmpty())
            continue;
        // Nothing is stored while one rule is bad.
        lblFault->setText(fkt_FormatInsertParam(fkt_ToolsGetResString(kRuleFault, m_language),
                                                {QString::number(numbers[row]), fault}));
        grdRules->setCurrentCell(row, 0);
        TriggerRule patternOnly;
        patternOnly.when = rule.when;
        patternOnly.slot = 1;
        const bool inPattern = !TriggerCheck::fault(patternOnly, m_language).isEmpty();
        (inPattern ? txtWhen : txtSend)->setFocus();
        return;
    }
    accept();
}
