#include "common/TestRegistry.h"

#include "ui/ListBox.h"

#include <QSignalSpy>
#include <QTest>

using namespace nearbell;

class ListBoxTest : public QObject
{
    Q_OBJECT

private slots:
    // Sorted lists ignore letter case; lines equal but for case keep the
    // order they were added in, within one batch and across batches.
    void sortedOrder_data()
    {
        QTest::addColumn<QList<QStringList>>("batches");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("case ignored") << QList<QStringList>{{"ab1cd", "ZZ1", "AB2"}}
                                      << QStringList{"ab1cd", "AB2", "ZZ1"};
        QTest::newRow("equal but for case, one batch")
            << QList<QStringList>{{"ab1", "AB1", "Ab1", "aa9"}} << QStringList{"aa9", "ab1", "AB1", "Ab1"};
        QTest::newRow("equal but for case, later batch")
            << QList<QStringList>{{"AB1", "ZZ1"}, {"ab1", "Ab1"}} << QStringList{"AB1", "ab1", "Ab1", "ZZ1"};
        QTest::newRow("batches interleave")
            << QList<QStringList>{{"B2", "D4"}, {"e5", "a1", "c3"}, {"C3 (watch) 9."}}
            << QStringList{"a1", "B2", "c3", "C3 (watch) 9.", "D4", "e5"};
        QTest::newRow("prefix first, blank before letters")
            << QList<QStringList>{{"AB1C", "AB1 distance 2.", "ab1"}} << QStringList{"ab1", "AB1 distance 2.", "AB1C"};
        QTest::newRow("beyond ASCII") << QList<QStringList>{{"\u00e9B", "\u00c9A", "ZZ"}}
                                      << QStringList{"ZZ", "\u00c9A", "\u00e9B"};
    }
    void sortedOrder()
    {
        QFETCH(QList<QStringList>, batches);
        QFETCH(QStringList, expected);
        ListBox list(nullptr, true);
        int added = 0;
        for (const QStringList &batch : batches) {
            for (const QString &line : batch)
                list.addItem(line);
            added += int(batch.size());
            QCOMPARE(list.count(), added); // counted at once, before the view hears of it
            list.flush();
        }
        QCOMPARE(list.lines(), expected);
        for (int i = 0; i < expected.size(); ++i)
            QCOMPARE(list.model()->index(i, 0).data().toString(), expected[i]);
    }

    // Lines added between two repaints reach the view as one change, or as
    // the rows they insert when they fall into a few places (so a listener
    // learns which lines came), and the selected line stays selected however
    // many lines go in before it.
    void batchKeepsSelection_data()
    {
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QStringList>("added");
        QTest::addColumn<int>("insertions");
        QStringList before, between, spread;
        for (int i = 0; i < 1000; ++i)
            before << QStringLiteral("A%1").arg(i, 4, 10, QLatin1Char('0'));
        for (int i = 0; i < 40; ++i) {
            spread << QStringLiteral("B%1").arg(i, 2, 10, QLatin1Char('0'));
            between << QStringLiteral("B%1X").arg(i, 2, 10, QLatin1Char('0'));
        }
        QTest::newRow("1000 lines before it") << QStringList{"M5", "N6"} << before << 1;
        QTest::newRow("one line between others") << QStringList{"A1", "M5", "N6"} << QStringList{"C3"} << 1;
        QTest::newRow("lines in 40 places") << (spread + QStringList{"M5", "N6"}) << between << 0;
    }

    void batchKeepsSelection()
    {
        QFETCH(QStringList, present);
        QFETCH(QStringList, added);
        QFETCH(int, insertions);
        ListBox list(nullptr, true);
        list.show();
        list.addItems(present);
        const int selected = int(present.size()) - 1;
        list.setSelectedRow(selected);
        QSignalSpy inserted(list.model(), &QAbstractItemModel::rowsInserted);
        QSignalSpy layout(list.model(), &QAbstractItemModel::layoutChanged);
        QStringList seen; // what a listener reads at each insertion
        connect(list.model(), &QAbstractItemModel::rowsInserted, &list, [&](const QModelIndex &, int first, int last) {
            for (int row = first; row <= last; ++row)
                seen << list.model()->index(row, 0).data().toString();
        });
        for (const QString &line : added)
            list.addItem(line);
        QCOMPARE(inserted.size() + layout.size(), 0);
        QTRY_COMPARE(inserted.size() + layout.size(), insertions ? insertions : 1); // by the list's own timer
        QCOMPARE(layout.size(), insertions ? 0 : 1);
        if (insertions)
            QCOMPARE(seen, added);
        QCOMPARE(list.selectedRow(), int(added.size()) + selected);
        QCOMPARE(list.text(list.selectedRow()), QStringLiteral("N6"));
        QCOMPARE(list.currentRow(), list.selectedRow());
    }

    // A click picks the line the user sees there, although lines not yet
    // shown would sort in front of it.
    void clickHitsTheLineShown()
    {
        ListBox list(nullptr, true);
        list.resize(200, 200);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        list.addItems({"B2", "D4"});
        list.flush();
        QCoreApplication::processEvents();
        const QPoint onD4 = list.visualRect(list.model()->index(1, 0)).center();
        list.addItem("A1");
        QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, onD4);
        QCOMPARE(list.text(list.selectedRow()), QStringLiteral("D4"));
        QCOMPARE(list.lines(), (QStringList{"A1", "B2", "D4"}));
    }

    // Removing or clearing leaves no line selected and no current line, in
    // sorted and unsorted lists alike; the others keep their order.
    void removalSelectsNothing_data()
    {
        QTest::addColumn<bool>("sorted");
        QTest::addColumn<int>("row");
        QTest::addColumn<QStringList>("left");
        QTest::newRow("sorted, first") << true << 0 << QStringList{"B", "C"};
        QTest::newRow("sorted, middle") << true << 1 << QStringList{"A", "C"};
        QTest::newRow("unsorted, last") << false << 2 << QStringList{"C", "A"};
        QTest::newRow("out of range") << false << 3 << QStringList{"C", "A", "B"};
    }
    void removalSelectsNothing()
    {
        QFETCH(bool, sorted);
        QFETCH(int, row);
        QFETCH(QStringList, left);
        ListBox list(nullptr, sorted);
        list.show();
        list.setFocus();
        list.addItems({"C", "A", "B"});
        QCoreApplication::processEvents(); // focus arrives before the choice
        list.setSelectedRow(row < 3 ? row : 0);
        const quint64 before = list.revision();
        list.removeRow(row);
        QCOMPARE(list.lines(), left);
        QCOMPARE(list.revision() > before, row < 3);
        QCoreApplication::processEvents();
        QCOMPARE(list.selectedRow(), row < 3 ? -1 : 0);
        QCOMPARE(list.currentRow(), row < 3 ? -1 : 0);

        list.setSelectedRow(0);
        list.clear();
        list.addItems({"X", "Y"});
        QCoreApplication::processEvents();
        QCOMPARE(list.selectedRow(), -1);
        QCOMPARE(list.lines(), (QStringList{"X", "Y"}));
        QCOMPARE(list.text(5), QString());
    }
};

NEARBELL_TEST(ListBoxTest)
#include "ListBoxTest.moc"
