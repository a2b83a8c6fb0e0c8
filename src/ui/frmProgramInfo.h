#pragma once

#include <QDialog>

class QGroupBox;
class QLabel;
class QPushButton;

// Names the program, its version, release date and developer beside the logo.
class frmProgramInfo : public QDialog {
    Q_OBJECT
public:
    explicit frmProgramInfo(quint8 language, QWidget *parent = nullptr);

    // "V" and the program's major.minor.revision version numbers.
    static QString versionText();

private:
    void buildControls();
    void ApplyLanguage();

    quint8 m_language;

    QGroupBox *fraInfo;
    QLabel *labProgramVersion;
    QLabel *labProgramVersionValue;
    QLabel *labSoftwareVersion;
    QLabel *labSoftwareVersionValue;
    QLabel *labDate;
    QLabel *labDateValue;
    QLabel *labEngineer;
    QLabel *labEngineerValue;
    QLabel *Image1;
    QPushButton *cmdOk;
};
