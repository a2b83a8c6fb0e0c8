#pragma once

#include <QDialog>
#include <QString>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Lets the user pick one predefined control character or type a character
// code, and hands back the token text for it. Typing the token into a box is
// the caller's business (see InsertSpecialChar.h).
class frmSpecialChar : public QDialog {
    Q_OBJECT
public:
    explicit frmSpecialChar(quint8 language, QWidget *parent = nullptr);

    // The token chosen on Accept; empty after Cancel or when nothing was chosen.
    QString token() const { return m_token; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void buildControls();
    void ApplyLanguage();
    void ClearSelection();
    void cmdOk_Click();
    QString chosenToken() const;

    quint8 m_language;
    QString m_token;

    QGroupBox *fraChar;
    QPushButton *chkStx;
    QPushButton *chkEtx;
    QPushButton *chkEot;
    QPushButton *chkEnq;
    QPushButton *chkLf;
    QPushButton *chkCr;
    QPushButton *chkNak;
    QPushButton *chkAck;
    QGroupBox *fraNumeric;
    QLineEdit *txtNumeric;
    QLabel *labUserDefinedCharAscii;
    QPushButton *cmdOk;
    QPushButton *cmdCancel;
};
