#pragma once

#include <QDialog>

#include <optional>

#include <functional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
struct SettingsRecord;

// The settings dialog: copies the record into its controls on opening and
// back only on Accept, then tells the window, which reopens the port with
// the new parameters once the dialog has closed.
class frmSettings : public QDialog {
    Q_OBJECT
public:
    // portListSource delivers the port list text of the machine (count, then
    // number and friendly name per port, split by ETX); openPort is called
    // once Accept has stored the record.
    frmSettings(SettingsRecord &settings, std::function<QString()> portListSource,
                std::function<void()> openPort, QWidget *parent = nullptr);

    // The quiet time: the text of the main window's box, shown as it stands
    // (WaitTime's until it is given). After Accept, the text the box is to
    // hold: the whole number accepted, or the text given when Accept did not
    // take it.
    void setQuietTimeText(const QString &text);
    QString quietTimeText() const { return m_quietTimeText; }

private:
    void buildControls();
    QWidget *buildInterfacePage();
    QGroupBox *buildReceiveFrame(QWidget *page);
    QWidget *buildInternationalPage();
    QWidget *buildPresentationPage();
    QWidget *buildTerminalPage();

    void ApplyLanguage();
    void LoadSettings();
    void StoreSettings();
    void UpdateAffixControls();
    void cmdOk_Click();
    // The rate typed or chosen in the baud list; nothing (and a message)
    // when the text is not a rate a port takes.
    std::optional<qint32> typedBaud();
    void showBaud();
    int baudEntry(qint32 baud) const; // the list's entry of a rate, or -1
    void storeBaud(qint32 baud);
    void cmdInsertSpecialCharPrefix_Click();
    void cmdInsertSpecialCharReadjust_Click();

    SettingsRecord &m_settings;
    std::function<QString()> m_portListSource;
    std::function<void()> m_openPort;
    QString m_quietTimeText;

    QTabWidget *SSTab1;
    QGroupBox *fraInterface;
    QLabel *labSpsPcPort;
    QComboBox *cboPcPort;
    QComboBox *cboPcPortTemp;
    QLabel *labSpsBaudrate;
    QComboBox *cboBaudrate;
    QLabel *labHandshake;
    QComboBox *cboHandshake;
    QLabel *labDataformat;
    QComboBox *cboDataformat;
    QLabel *labCharDelay;
    QLineEdit *txtCharDelay;
    QLabel *labCharDelayMs;
    QGroupBox *fraReceive = nullptr;
    QLabel *labLineEnd = nullptr;
    QComboBox *cboLineEnd = nullptr;
    QLabel *labQuietTime = nullptr;
    QLineEdit *txtQuietTime = nullptr;
    QGroupBox *fraInternational;
    QLabel *labLanguageProgram;
    QComboBox *cboLanguageProgram;
    QGroupBox *fraPresentation;
    QCheckBox *chkSpecialChar;
    QGroupBox *fraTerminal;
    QCheckBox *chkDeleteSendText;
    QCheckBox *chkPrefix;
    QLineEdit *txtPrefix;
    QPushButton *cmdInsertSpecialCharPrefix;
    QCheckBox *chkReadjust;
    QLineEdit *txtReadjust;
    QPushButton *cmdInsertSpecialCharReadjust;
    QPushButton *cmdOk;
    QPushButton *cmdCancel;
};
