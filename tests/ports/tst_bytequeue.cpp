#include "ports/ByteQueue.h"

#include <QTest>

class tst_ByteQueue : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void keepsOrderAcrossChunks_data();
    void keepsOrderAcrossChunks();
};

void tst_ByteQueue::keepsOrderAcrossChunks_data()
{
    QTest::addColumn<int>("total");
    QTest::addColumn<int>("appendSize");
    QTest::addColumn<int>("takeSize");
    QTest::newRow("single bytes in, small out") << 5000 << 1 << 7;
    QTest::newRow("pty reads in, buffer out") << 300000 << 4095 << 2048;
    QTest::newRow("big in, big out") << 400000 << 100000 << 70000;
    QTest::newRow("small in, everything out") << 140000 << 333 << 1000000;
    QTest::newRow("exactly one chunk") << 65536 << 65536 << 65536;
}

void tst_ByteQueue::keepsOrderAcrossChunks()
{
    QFETCH(int, total);
    QFETCH(int, appendSize);
    QFETCH(int, takeSize);
    QByteArray source(total, Qt::Uninitialized);
    for (int i = 0; i < total; ++i)
        source[i] = char((i * 7 + i / 251) & 0xFF);

    ByteQueue queue;
    QByteArray out;
    int fed = 0;
    while (fed < total || !queue.isEmpty()) {
        // Interleave feeding and taking, as the port does.
        for (int k = 0; k < 3 && fed < total; ++k) {
            const int part = qMin(appendSize, total - fed);
            queue.append(source.constData() + fed, part);
            fed += part;
        }
        const qsizetype before = queue.size();
        const QByteArray seen = queue.peek(takeSize);
        const QByteArray taken = queue.take(takeSize);
        QCOMPARE(seen, taken); // looked at first, and left in place
        QCOMPARE(taken.size(), qMin<qsizetype>(takeSize, before));
        QCOMPARE(queue.size(), before - taken.size());
        out += taken;
    }
    QCOMPARE(out.size(), source.size());
    QVERIFY(out == source);
    QVERIFY(queue.take(10).isEmpty());
}

QTEST_APPLESS_MAIN(tst_ByteQueue)
#include "tst_bytequeue.moc"
