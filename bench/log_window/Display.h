#pragma once

#include <QString>

#include <sys/types.h>

// The X display the benchmark draws on: the one in DISPLAY, or a private
// Xvfb started for the run.
class Display {
public:
    Display() = default;
    ~Display();
    Display(const Display &) = delete;
    Display &operator=(const Display &) = delete;

    // Uses DISPLAY when set, else starts Xvfb; false when neither works.
    bool open();
    QString name() const { return m_name; }
    // The X server's process, for its CPU time; 0 when unknown.
    qint64 serverPid() const { return m_serverPid; }

private:
    QString m_name;
    qint64 m_serverPid = 0;
    pid_t m_started = 0;
};
