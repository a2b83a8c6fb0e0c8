#pragma once

#include <QMainWindow>

struct SettingsRecord;

// The program's main window.
class frmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit frmMain(SettingsRecord &settings, QWidget *parent = nullptr);

private:
    SettingsRecord &m_settings;
};
