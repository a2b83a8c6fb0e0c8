// The watch for a device that comes back, on real files and links in a
// temporary folder: only a path made anew counts, never one that stayed.

#include "ports/DeviceReturnWatch.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Steps on the files of a folder; "&" joins steps taken without a look in
// between. "file X" makes a file, "link X Y" a link X to Y, "rm X" removes.
bool apply(const QString &folder, const QString &step)
{
    const QStringList words = step.split(u' ');
    const QString first = folder + u'/' + words.value(1);
    if (words[0] == QLatin1String("file")) {
        QDir().mkpath(QFileInfo(first).absolutePath());
        QFile file(first);
        return file.open(QIODevice::WriteOnly);
    }
    if (words[0] == QLatin1String("link"))
        return QFile::link(folder + u'/' + words.value(2), first);
    if (words[0] == QLatin1String("rm"))
        return QFile::remove(first);
    return false;
}

} // namespace

class tst_DeviceReturnWatch : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void onlyAPathMadeAnewIsTried_data();
    void onlyAPathMadeAnewIsTried();
};

void tst_DeviceReturnWatch::onlyAPathMadeAnewIsTried_data()
{
    // The watched path is "dev" (or "by-id/dev"); a row's setup runs before
    // the watch starts, its steps after.
    QTest::addColumn<QStringList>("setup");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("tried");
    QTest::newRow("made after the start")
        << QStringList() << QStringList{"file dev"} << "dev" << true;
    QTest::newRow("its folder made with it")
        << QStringList() << QStringList{"file by-id/dev"} << "by-id/dev" << true;
    QTest::newRow("there all along: never")
        << QStringList{"file dev"} << QStringList{"file other"} << "dev" << false;
    QTest::newRow("removed, then made again")
        << QStringList{"file dev"} << QStringList{"rm dev", "file dev"} << "dev" << true;
    QTest::newRow("a link removed and made again between two looks")
        << QStringList{"file a", "link dev a"} << QStringList{"rm dev & link dev a"} << "dev"
        << true;
    QTest::newRow("a link that stayed, its target comes back: never")
        << QStringList{"link dev target"} << QStringList{"file target"} << "dev" << false;
    QTest::newRow("a link that stayed, its target made anew: never")
        << QStringList{"file target", "link dev target"} << QStringList{"rm target", "file target"}
        << "dev" << false;
    QTest::newRow("a link made anew whose target comes later")
        << QStringList() << QStringList{"link dev target", "file target"} << "dev" << true;
}

void tst_DeviceReturnWatch::onlyAPathMadeAnewIsTried()
{
    QFETCH(QStringList, setup);
    QFETCH(QStringList, steps);
    QFETCH(QString, path);
    QFETCH(bool, tried);
    QTemporaryDir folder;
    for (const QString &step : setup)
        QVERIFY2(apply(folder.path(), step), qPrintable(step));
    int tries = 0;
    DeviceReturnWatch watch({[] { return true; },
                             [&tries] {
                                 ++tries;
                                 return true;
                             }});
    watch.start(folder.filePath(path));
    QTest::qWait(100);
    for (const QString &step : steps) {
        for (const QString &part : step.split(QStringLiteral(" & ")))
            QVERIFY2(apply(folder.path(), part), qPrintable(part));
        QTest::qWait(100); // a look at the folder in between
    }
    if (tried) {
        QTRY_COMPARE_WITH_TIMEOUT(tries, 1, 2000);
        QVERIFY(!watch.active()); // opened: the watch is over
    } else {
        QTest::qWait(2 * DeviceReturnWatch::kRetryMs + 200);
        QCOMPARE(tries, 0);
        QVERIFY(watch.active());
        QVERIFY(!watch.trying()); // and no timer runs meanwhile
    }
}

QTEST_GUILESS_MAIN(tst_DeviceReturnWatch)
#include "tst_devicereturnwatch.moc"
