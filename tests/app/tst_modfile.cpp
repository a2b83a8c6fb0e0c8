#include "app/FolderLevels.h"
#include "app/SystemFolders.h"
#include "app/modFile.h"

#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <unistd.h>

using namespace TestFiles;

namespace {

void touch(const QString &path)
{
    writeBytes(path, QByteArray());
}

} // namespace

class tst_ModFile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();

    void folderLevels_data();
    void folderLevels();

    void fileExists_data();
    void fileExists();
    void fileThatCannotBeInspectedCountsAsPresent();
    void folderExistsLetsEventsRun();

    void createFolderMakesEveryLevelOwnerOnly();
    void createFolderOnExistingFolder();
    void createFolderBlockedByAFile();

    void dataFolder_data();
    void dataFolder();
    void dataFolderIsOnlyComputed();
    void programFolderOverride();
    void templateFolders();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_ModFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void tst_ModFile::folderLevels_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<bool>("windowsForms");
    QTest::addColumn<QStringList>("levels");

    QTest::newRow("drive, trailing separator")
        << R"(C:\ProgramData\Kavrel\Lintrova\)" << "\\" << true
        << QStringList{R"(C:\ProgramData)", R"(C:\ProgramData\Kavrel)",
                       R"(C:\ProgramData\Kavrel\Lintrova)", R"(C:\ProgramData\Kavrel\Lintrova\)"};
    QTest::newRow("network path")
        << R"(\\server\share\folder)" << "\\" << true
        << QStringList{R"(\\server)", R"(\\server\share)", R"(\\server\share\folder)"};
    QTest::newRow("rooted without drive")
        << R"(\a\b)" << "\\" << true << QStringList{R"(\a)", R"(\a\b)"};
    QTest::newRow("relative with backslash") << R"(a\b)" << "\\" << true
                                             << QStringList{"a", R"(a\b)"};
    QTest::newRow("absolute, trailing separator")
        << "/root/.local/share/Kavrel/Lintrova/" << "/" << false
        << QStringList{"/root", "/root/.local", "/root/.local/share", "/root/.local/share/Kavrel",
                       "/root/.local/share/Kavrel/Lintrova",
                       "/root/.local/share/Kavrel/Lintrova/"};
    QTest::newRow("no network form on Linux")
        << "//a/b" << "/" << false << QStringList{"/", "//a", "//a/b"};
    QTest::newRow("no drive form on Linux")
        << "C:/x" << "/" << false << QStringList{"C:", "C:/x"};
    QTest::newRow("relative") << "a/b" << "/" << false << QStringList{"a", "a/b"};
    QTest::newRow("root only") << "/" << "/" << false << QStringList{"/"};
    QTest::newRow("empty") << "" << "/" << false << QStringList{};
}

void tst_ModFile::folderLevels()
{
    QFETCH(QString, path);
    QFETCH(QString, separator);
    QFETCH(bool, windowsForms);
    QFETCH(QStringList, levels);
    QCOMPARE(fkt_FileFolderLevels(path, separator.at(0), windowsForms), levels);
}

void tst_ModFile::fileExists_data()
{
    QTest::addColumn<QString>("relative");
    QTest::addColumn<bool>("exists");
    QTest::newRow("file") << "file.ini" << true;
    QTest::newRow("folder") << "folder" << false;
    QTest::newRow("folder with separator") << "folder/" << false;
    QTest::newRow("missing") << "missing.ini" << false;
    QTest::newRow("below a file") << "file.ini/x" << false;
    QTest::newRow("dangling link") << "dangling" << false;
    QTest::newRow("link to file") << "link" << true;
}

void tst_ModFile::fileExists()
{
    QFETCH(QString, relative);
    QFETCH(bool, exists);
    const QDir dir(m_dir->path());
    touch(dir.filePath("file.ini"));
    QVERIFY(dir.mkdir("folder"));
    QVERIFY(QFile::link(dir.filePath("nothing"), dir.filePath("dangling")));
    QVERIFY(QFile::link(dir.filePath("file.ini"), dir.filePath("link")));
    QCOMPARE(fkt_FileExists(dir.filePath(relative)), exists);
    QVERIFY(!fkt_FileExists(QString()));
}

void tst_ModFile::fileThatCannotBeInspectedCountsAsPresent()
{
    if (::geteuid() == 0)
        QSKIP("root may inspect every path, so no path answers EACCES");
    const QDir dir(m_dir->path());
    QVERIFY(dir.mkdir("locked"));
    touch(dir.filePath("locked/Settings.ini"));
    QVERIFY(QFile::setPermissions(dir.filePath("locked"), QFile::ReadOwner));
    const bool exists = fkt_FileExists(dir.filePath("locked/Settings.ini"));
    QFile::setPermissions(dir.filePath("locked"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(exists);
}

void tst_ModFile::folderExistsLetsEventsRun()
{
    bool ran = false;
    QTimer::singleShot(0, this, [&] { ran = true; });
    QVERIFY(fkt_FileFolderExists(m_dir->path()));
    QVERIFY(ran);
    QVERIFY(!fkt_FileFolderExists(m_dir->filePath("missing")));
    QVERIFY(!fkt_FileFolderExists(QString()));
}

void tst_ModFile::createFolderMakesEveryLevelOwnerOnly()
{
    const int parentMode = modeOf(m_dir->path());
    const QString target = m_dir->path() + "/Kavrel/Lintrova/";
    QVERIFY(fkt_FileCreateFolder(target));
    QVERIFY(QFileInfo(target).isDir());
    QCOMPARE(modeOf(m_dir->path() + "/Kavrel"), 0700);
    QCOMPARE(modeOf(m_dir->path() + "/Kavrel/Lintrova"), 0700);
    QCOMPARE(modeOf(m_dir->path()), parentMode); // existing levels are left alone
}

void tst_ModFile::createFolderOnExistingFolder()
{
    QVERIFY(QDir(m_dir->path()).mkdir("there"));
    QVERIFY(QFile::setPermissions(m_dir->filePath("there"),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                      QFile::ReadOther | QFile::ExeOther));
    QVERIFY(fkt_FileCreateFolder(m_dir->filePath("there")));
    QCOMPARE(modeOf(m_dir->filePath("there")), 0705);
}

void tst_ModFile::createFolderBlockedByAFile()
{
    touch(m_dir->filePath("Kavrel"));
    QVERIFY(!fkt_FileCreateFolder(m_dir->path() + "/Kavrel/Lintrova/"));
    QVERIFY(QFileInfo(m_dir->filePath("Kavrel")).isFile());
    QVERIFY(!fkt_FileCreateFolder(QString()));
}

void tst_ModFile::dataFolder_data()
{
    QTest::addColumn<QByteArray>("xdgDataHome");
    QTest::addColumn<QString>("expected");
    const QString home = QDir::homePath();
    QTest::newRow("set") << QByteArray("/srv/data") << "/srv/data/Kavrel/Lintrova/";
    QTest::newRow("trailing separator") << QByteArray("/srv/data/")
                                        << "/srv/data/Kavrel/Lintrova/";
    QTest::newRow("root") << QByteArray("/") << "/Kavrel/Lintrova/";
    QTest::newRow("empty") << QByteArray("") << home + "/.local/share/Kavrel/Lintrova/";
    QTest::newRow("relative is ignored")
        << QByteArray("rel/data") << home + "/.local/share/Kavrel/Lintrova/";
}

void tst_ModFile::dataFolder()
{
    QFETCH(QByteArray, xdgDataHome);
    QFETCH(QString, expected);
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", xdgDataHome);
    const QString folder = SystemFolders::DataFolder();
    qputenv("XDG_DATA_HOME", saved);
    QCOMPARE(folder, expected);
}

void tst_ModFile::dataFolderIsOnlyComputed()
{
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir->filePath("xdg")));
    const QString folder = SystemFolders::DataFolder();
    qputenv("XDG_DATA_HOME", saved);
    QCOMPARE(folder, m_dir->filePath("xdg") + "/Kavrel/Lintrova/");
    QVERIFY(!QFileInfo::exists(m_dir->filePath("xdg")));
}

void tst_ModFile::programFolderOverride()
{
    QCOMPARE(SystemFolders::ProgramFolder(), QCoreApplication::applicationDirPath());
    SystemFolders::SetProgramFolderForTesting(m_dir->path());
    QCOMPARE(SystemFolders::ProgramFolder(), m_dir->path());
    SystemFolders::SetProgramFolderForTesting(QString());
    QCOMPARE(SystemFolders::ProgramFolder(), QCoreApplication::applicationDirPath());
}

void tst_ModFile::templateFolders()
{
    // Beside the program first, then the installation's shared folder.
    const QStringList folders = SystemFolders::TemplateFolders();
    QCOMPARE(folders.size(), 2);
    QCOMPARE(folders[0], SystemFolders::ProgramFolder());
    QVERIFY2(QDir::isAbsolutePath(folders[1]) && folders[1].endsWith("/share/lintrova"),
             qPrintable(folders[1]));
    SystemFolders::SetSharedFolderForTesting(m_dir->path());
    SystemFolders::SetProgramFolderForTesting(m_dir->filePath("bin"));
    const QStringList overridden = SystemFolders::TemplateFolders();
    SystemFolders::SetSharedFolderForTesting(QString());
    SystemFolders::SetProgramFolderForTesting(QString());
    QCOMPARE(overridden, QStringList({m_dir->filePath("bin"), m_dir->path()}));
    QCOMPARE(SystemFolders::TemplateFolders(), folders);
}

QTEST_GUILESS_MAIN(tst_ModFile)
#include "tst_modfile.moc"
