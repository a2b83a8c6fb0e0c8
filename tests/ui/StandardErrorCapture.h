#pragma once

#include <QStringList>
#include <QTemporaryFile>

#include <cstdio>
#include <unistd.h>

// Collects what the program writes to standard error while it lives.
class StandardErrorCapture {
public:
    StandardErrorCapture()
    {
        std::fflush(stderr);
        if (m_file.open()) {
            m_saved = ::dup(2);
            ::dup2(m_file.handle(), 2);
        }
    }
    ~StandardErrorCapture() { restore(); }
    // The lines the program itself wrote (Qt's warnings left out).
    QStringList programLines()
    {
        restore();
        m_file.seek(0);
        QStringList lines;
        for (const QByteArray &line : m_file.readAll().split('\n'))
            if (line.startsWith("Lintrova: "))
                lines << QString::fromLocal8Bit(line);
        return lines;
    }

private:
    void restore()
    {
        if (m_saved < 0)
            return;
        std::fflush(stderr);
        ::dup2(m_saved, 2);
        ::close(m_saved);
        m_saved = -1;
    }
    QTemporaryFile m_file;
    int m_saved = -1;
};
