#pragma once

#include <QDialog>
#include <QString>

#include <optional>

class QLabel;
class QPushButton;
class QSpinBox;

// File > Send file: the file to send, then how long to pause after each line
// end (0 to 10,000 ms, 0 at first). Send is the default button.
class SendFileDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kMostPauseMs = 10'000;

    SendFileDialog(QWidget *parent, quint8 language);
    int pauseMs() const;

    // Asks for a file to send; empty when cancelled.
    static QString chooseFile(QWidget *parent, const QString &folder, quint8 language);
    // Asks for the pause; none when cancelled.
    static std::optional<int> askPause(QWidget *parent, quint8 language);

private:
    QLabel *labPause = nullptr;
    QSpinBox *txtPause = nullptr;
    QPushButton *cmdSend = nullptr;
    QPushButton *cmdCancel = nullptr;
};
