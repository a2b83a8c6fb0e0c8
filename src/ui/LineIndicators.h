#pragma once

#include "engine/TerminalView.h"

#include <QWidget>

#include <array>

class QLabel;
class QToolButton;

// The status bar's compact group of the control lines: the DTR and RTS
// switches and the CTS, DSR, DCD and RI indicators. Each is drawn on or off
// and named with its state ("DSR: on"); where the port has no modem lines
// each is disabled and named "DSR: unknown". The switches take no focus:
// Edit > DTR and Edit > RTS are their keyboard way in.
class LineIndicators : public QWidget {
    Q_OBJECT
public:
    explicit LineIndicators(QWidget *parent = nullptr);

    void showState(const LineState &state);
    void applyLanguage(quint8 language);

Q_SIGNALS:
    void dtrClicked(bool on);
    void rtsClicked(bool on);

private:
    // The accessible name of a line: on, off, or unknown when empty.
    QString stateName(const QString &line, std::optional<bool> on) const;
    void paint(QWidget *control, const QString &line, std::optional<bool> on);

    QToolButton *cmdDtr = nullptr;
    QToolButton *cmdRts = nullptr;
    std::array<QLabel *, 4> lblInputs{}; // CTS, DSR, DCD, RI
    LineState m_state;
    quint8 m_language = 0;
};
