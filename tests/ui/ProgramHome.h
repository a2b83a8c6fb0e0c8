#pragma once

// What a program under test finds around it. Its data folder lies in a
// temporary folder of its own ($XDG_DATA_HOME; the program's and the shared
// template folders are there too, empty until a test writes into them), with
// the Settings.ini and Ports.ini a Setup names. In place of the user, every
// message box and input box the program shows is noted; a question shows as
// a message box answered No, or, once noteQuestions() is called, is noted by
// itself and answered with `answer`. When the home ends, so do the
// presenters, the profile and the template folders. A file it cannot write
// fails the test; the caller ends it (START_PROGRAM does, or a check of
// QTest::currentTestFailed()).

#include "app/SystemFolders.h"
#include "ui/InputBox.h"
#include "ui/MessageBoxes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

// Writes bytes to path, making its folders; false when that fails.
inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The file's bytes; "<none>" when it cannot be read.
inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
}

// How a program starts: its files and its COM ports. Built up in a line:
// Setup("[SETTINGS]\r\n...").language(1).ports("COM1=loop://\r\n").
struct Setup {
    QByteArray settingsIni = "[SETTINGS]\r\nBaudrate=5\r\nWaitTime=0\r\n"; // null: none
    // Ports.ini's entries after "[PORTS]\r\n"; COMn opens what its entry
    // names, as in main(). Null: no Ports.ini, and COM1 is a pseudo-terminal.
    QByteArray portsIni;
    std::function<void(const QString &folder)> prepare; // more files in the data folder
    int portForThisRun = 0;                             // as --port=COMn; 0: none

    Setup() = default;
    Setup(const char *settings) : settingsIni(settings) {}
    Setup(const QByteArray &settings) : settingsIni(settings) {}
    Setup &language(int language)
    {
        settingsIni += "Language=" + QByteArray::number(language) + "\r\n";
        return *this;
    }
    Setup &ports(const QByteArray &entries)
    {
        portsIni = entries;
        return *this;
    }
    Setup &files(std::function<void(const QString &folder)> hook)
    {
        prepare = std::move(hook);
        return *this;
    }
    Setup &portForRun(int comNumber)
    {
        portForThisRun = comNumber;
        return *this;
    }
};

class ProgramHome {
public:
    QTemporaryDir data;     // $XDG_DATA_HOME
    QStringList messages;   // "title|text" of each message box
    QStringList questions;  // "title|text" of each question
    bool answer = false;    // Yes or No to every question
    QStringList inputBoxes; // "prompt|title|default value" of each input box

    explicit ProgramHome(const Setup &setup = {})
    {
        qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
        SystemFolders::SetProgramFolderForTesting(templateFolder());
        SystemFolders::SetSharedFolderForTesting(data.filePath(QStringLiteral("share")));
        m_folder = SystemFolders::DataFolder();
        QDir().mkpath(m_folder);
        const bool written = (setup.settingsIni.isNull() ||
                              write(QStringLiteral("Settings.ini"), setup.settingsIni)) &&
                             (setup.portsIni.isNull() ||
                              write(QStringLiteral("Ports.ini"), "[PORTS]\r\n" + setup.portsIni));
        if (!written)
            QTest::qFail("the data folder could not be written", __FILE__, __LINE__);
        if (setup.prepare)
            setup.prepare(m_folder);
        MessageBoxes::setPresenter(
            [this](const MessageBoxes::Message &m) { messages << m.title + u'|' + m.text; });
        InputBox::setPresenter([this](const InputBox::Request &r) {
            inputBoxes << r.prompt + u'|' + r.title + u'|' + r.defaultValue;
        });
    }
    void noteQuestions()
    {
        MessageBoxes::setQuestionPresenter([this](const MessageBoxes::Message &m) {
            questions << m.title + u'|' + m.text;
            return answer;
        });
    }
    ~ProgramHome()
    {
        MessageBoxes::setPresenter({});
        MessageBoxes::setQuestionPresenter({});
        InputBox::setPresenter({});
        SystemFolders::SetProfile(QString());
        SystemFolders::SetProgramFolderForTesting(QString());
        SystemFolders::SetSharedFolderForTesting(QString());
    }
    ProgramHome(const ProgramHome &) = delete;
    ProgramHome &operator=(const ProgramHome &) = delete;

    // The data folder, ending with the separator.
    const QString &folder() const { return m_folder; }
    // The program's own folder, where a first start finds its template.
    QString templateFolder() const { return data.filePath(QStringLiteral("program")); }
    // A file in the data folder (or anywhere, by its absolute path).
    QString file(const QString &name) const { return QDir(m_folder).filePath(name); }
    bool write(const QString &name, const QByteArray &bytes) const
    {
        return writeFile(file(name), bytes);
    }
    QByteArray read(const QString &name) const { return readFile(file(name)); }

private:
    QString m_folder;
};
