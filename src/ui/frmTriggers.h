#pragma once

#include "app/TriggerFile.h"

#include <QDialog>

class NamedComboBox;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;

// Edit > Triggers...: the table of up to 16 trigger rules, and below it the
// selected rule's fields. Accept checks every pattern and text as the send
// box does; while one is bad it names the first with its rule number and
// keeps the dialog open.
class frmTriggers : public QDialog {
    Q_OBJECT
public:
    frmTriggers(const TriggerSet &set, quint8 language, QWidget *parent = nullptr);

    // The rules as the dialog holds them (after Accept: as accepted).
    const TriggerSet &rules() const { return m_set; }

private:
    void buildControls();
    void ApplyLanguage();
    void showRules();
    void showRule(int row);
    void ruleEdited();
    void cmdAdd_Click();
    void cmdRemove_Click();
    void cmdOk_Click();
    QString sendCell(const TriggerRule &rule) const;

    TriggerSet m_set;
    quint8 m_language;
    bool m_showing = false; // the fields are being filled, not edited

    QTableWidget *grdRules = nullptr;
    QCheckBox *chkActive = nullptr;
    QLabel *labWhen = nullptr;
    QLineEdit *txtWhen = nullptr;
    QLabel *labSend = nullptr;
    NamedComboBox *cboSend = nullptr;
    QLineEdit *txtSend = nullptr;
    QLabel *labAfter = nullptr;
    QSpinBox *txtAfter = nullptr;
    QLabel *lblFault = nullptr;
    QPushButton *cmdAdd = nullptr;
    QPushButton *cmdRemove = nullptr;
    QPushButton *cmdOk = nullptr;
    QPushButton *cmdCancel = nullptr;
};
