// Long work's progress: when the dialog shows and how often it is brought up
// to date, and what a report stopped by the collector leaves behind (nothing:
// any earlier file of the name stays as it was).
#include "ReportSession.h"

#include "app/CollectionOpening.h"
#include "app/LongWork.h"
#include "store/CollectionSchema.h"

namespace {

// A clock that moves on by step milliseconds each time it is read.
std::function<qint64()> movingClock(qint64 step)
{
    return [now = qint64(0), step]() mutable { return now += step; };
}

} // namespace

class TestLongWork : public QObject
{
    Q_OBJECT

private slots:
    void theDialogShowsAfterHalfASecondAndStops();
    void aStoppedPdfLeavesTheEarlierFile();
    void aStoppedReportLeavesNoFile();
    void theSortForTheLanguageCannotBeCancelled();
};

// Nothing but the hourglass for half a second; then the dialog, over the
// hourglass, with the work's own words, at most every tenth of a second; a
// Cancel stops the work for good.
void TestLongWork::theDialogShowsAfterHalfASecondAndStops()
{
    ScriptedDialogs dialogs;
    AppState state(dialogs, RegionalSettings(kGerman));
    qint64 now = 1000;
    state.clock = [&now] { return now; };
    dialogs.cancelProgressAt = 3;
    {
        LongWork work(state, [&](qint64 done, qint64 total) {
            return QStringLiteral("%1 of %2")
                .arg(state.regional.locale().toString(done), state.regional.locale().toString(total));
        });
        QVERIFY(dialogs.busyNow);
        now += LongWork::kShowAfterMs - 1;
        QVERIFY(work.step(1, 2000));
        QCOMPARE(dialogs.progressDialogs, 0);
        now += 1;
        QVERIFY(work.step(1500, 2000));
        QCOMPARE(dialogs.progressTexts, QStringList{QStringLiteral("1.500 of 2.000")});
        QVERIFY(!dialogs.busyNow);
        now += LongWork::kUpdateEveryMs - 1;
        QVERIFY(work.step(1600, 2000));
        QCOMPARE(dialogs.progressTexts.size(), 1);
        now += 1;
        QVERIFY(work.step(1700, 2000));
        now += LongWork::kUpdateEveryMs;
        QVERIFY(!work.step(1800, 2000));
        now += LongWork::kUpdateEveryMs;
        QVERIFY(!work.step(1900, 2000));
        QVERIFY(work.stopped());
        QCOMPARE(dialogs.progressTexts.size(), 3);
        QCOMPARE(dialogs.progressOpen, 1);
    }
    QCOMPARE(dialogs.progressOpen, 0);
    {
        LongWork quick(state, [](qint64, qint64) { return QString(); });
        now += LongWork::kShowAfterMs - 1;
        QVERIFY(quick.step(1, 1));
    }
    QCOMPARE(dialogs.progressDialogs, 1);
    QVERIFY(!dialogs.busyNow);
}

// Stopped at its second page, a PDF replacing a file leaves that file and
// no other, without a message.
void TestLongWork::aStoppedPdfLeavesTheEarlierFile()
{
    Reports reports;
    for (int i = 0; i < 120; ++i)
        reports.addForSale(QStringLiteral("Bear %1").arg(i), QString(), QString(), Value());
    reports.run(1);
    QVERIFY(reports.preview.document->pageCount() > 2);
    const QString pdf = reports.path(QStringLiteral("Earlier.pdf"));
    write(pdf, "earlier");
    const QStringList before = reportFiles(reports.collection.folder());
    reports.state.clock = movingClock(1000);
    reports.dialogs.cancelProgressAt = 2;
    reports.dialogs.fileNames.enqueue(pdf);
    runEvent(reports.state,
             [&] { saveReportPdf(reports.state, *reports.preview.document, QStringLiteral("For Sale")); });
    QCOMPARE(reports.dialogs.progressTexts.first(),
             QStringLiteral("Saving the PDF: page 1 of %1").arg(reports.preview.document->pageCount()));
    QCOMPARE(reports.dialogs.progressTexts.size(), 2);
    QCOMPARE(contents(pdf), QByteArray("earlier"));
    QCOMPARE(reportFiles(reports.collection.folder()), before);
    QCOMPARE(reports.dialogs.messages.size(), 1); // only the question of replacing it

    // let run, it replaces the file whole
    reports.dialogs.cancelProgressAt = 0;
    reports.dialogs.progressTexts.clear();
    reports.dialogs.fileNames.enqueue(pdf);
    runEvent(reports.state,
             [&] { saveReportPdf(reports.state, *reports.preview.document, QStringLiteral("For Sale")); });
    QCOMPARE(reports.dialogs.progressTexts.last(),
             QStringLiteral("Saving the PDF: page %1 of %1").arg(reports.preview.document->pageCount()));
    QVERIFY(contents(pdf).startsWith("%PDF"));
}

// A report stopped at its start, in its middle or at its end writes no file, shows no
// preview and says nothing; one let run shows its preview.
void TestLongWork::aStoppedReportLeavesNoFile()
{
    Reports reports;
    // twenty items for sale beside the collection's two
    for (int i = 0; i < 20; ++i)
        reports.addForSale(QStringLiteral("Bear %1").arg(i), QString(), QString(), Value());
    const QString text = reports.path(QStringLiteral("Earlier.txt"));
    write(text, "earlier");
    const QStringList before = reportFiles(reports.collection.folder());
    reports.state.clock = movingClock(1000);
    for (int stopAt : {1, 5, 22}) {
        reports.dialogs.progressTexts.clear();
        reports.dialogs.messages.clear();
        reports.dialogs.cancelProgressAt = stopAt;
        reports.run(2, text);
        QCOMPARE(reports.dialogs.progressTexts.size(), stopAt);
        QCOMPARE(reports.dialogs.progressTexts.last(),
                 QStringLiteral("Making the report: %1 items").arg(stopAt));
        QCOMPARE(contents(text), QByteArray("earlier"));
        QCOMPARE(reportFiles(reports.collection.folder()), before);
        QCOMPARE(reports.dialogs.messages.size(), 1); // only the question of replacing it
        reports.dialogs.progressTexts.clear();
        reports.run(1);
        QCOMPARE(reports.preview.shows, 0);
        // the preview's rows are counted for its progress
        QCOMPARE(reports.dialogs.progressTexts.last(),
                 QStringLiteral("Making the report: %1 of 22 items").arg(stopAt));
    }
    reports.dialogs.cancelProgressAt = 0;
    reports.run(1);
    QCOMPARE(reports.preview.shows, 1);
}

// A collection sorted for another language shows the sort's progress as it
// opens, without Cancel, and opens sorted.
void TestLongWork::theSortForTheLanguageCannotBeCancelled()
{
    QTemporaryDir folder;
    ScriptedDialogs dialogs;
    AppState state(dialogs, RegionalSettings(QLocale(QLocale::Swedish, QLocale::Sweden)));
    state.DbPath = folder.filePath(QStringLiteral("Plonko.mdb"));
    CollectionSchema::createCollection(state.DbPath, 3000);
    Database::OpenDatabase(state.DbPath, kGerman);
    state.clock = movingClock(1000);
    dialogs.cancelProgressAt = 1;
    openCollection(state);
    QVERIFY(state.CollectionDb);
    QVERIFY(!dialogs.progressTexts.isEmpty());
    QCOMPARE(dialogs.progressTexts.first(),
             QStringLiteral("Sorting the collection for the system's language"));
    QVERIFY(!dialogs.progressCancellable);
    QCOMPARE(dialogs.progressOpen, 0);
    state.CollectionDb.reset();
    dialogs.progressTexts.clear();
    openCollection(state);
    QVERIFY(dialogs.progressTexts.isEmpty());
}

QTEST_MAIN(TestLongWork)
#include "tst_longwork.moc"
