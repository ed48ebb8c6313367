// Long work's progress: when the dialog shows, how often it is brought up to
// date and that each update reaches the screen, and what a report stopped by
// the collector leaves behind (nothing: any earlier file of the name stays as
// it was).
#include "ReportSession.h"

#include "app/CollectionOpening.h"
#include "app/LongWork.h"
#include "app/QtDialogs.h"
#include "reports/frmOutput.h"
#include "store/CollectionSchema.h"

#include <QPrinter>
#include <QProgressBar>
#include <QProgressDialog>

namespace {

// A clock that moves on by step milliseconds each time it is read.
std::function<qint64()> movingClock(qint64 step)
{
    return [now = qint64(0), step]() mutable { return now += step; };
}

// Qt's own dialogs, the progress window among them, with the file to write
// chosen beforehand, for the printer too; a message is kept, not shown.
class ChosenFileDialogs : public QtDialogs
{
public:
    explicit ChosenFileDialogs(QString file)
        : m_file(std::move(file))
    {}
    std::optional<QString> saveFileName(const QString&, const QString&) override { return m_file; }
    bool printSetup(QPrinter& printer) override
    {
        printer.setOutputFileName(m_file);
        return true;
    }
    Answer messageBox(const QString& text, Buttons, Icon, const QString&) override
    {
        messages.append(text);
        return Answer::Cancel;
    }
    QStringList messages;

private:
    QString m_file;
};

// What the progress window painted: each text, each place of its bar and
// each caption of its button, in the order they reached the screen.
class PaintedProgress : public QObject
{
public:
    PaintedProgress() { qApp->installEventFilter(this); }
    QStringList texts;
    QList<int> values;
    QStringList buttons;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (event->type() != QEvent::Paint || !widget || !qobject_cast<QProgressDialog*>(widget->window()))
            return false;
        if (auto* label = qobject_cast<QLabel*>(widget);
            label && texts.value(texts.size() - 1) != label->text())
            texts.append(label->text());
        if (auto* bar = qobject_cast<QProgressBar*>(widget);
            bar && values.value(values.size() - 1, -1) != bar->value())
            values.append(bar->value());
        if (auto* button = qobject_cast<QPushButton*>(widget); button && !buttons.contains(button->text()))
            buttons.append(button->text());
        return false;
    }
};

} // namespace

class TestLongWork : public QObject
{
    Q_OBJECT

private slots:
    void theDialogShowsAfterHalfASecondAndStops();
    void aStoppedPdfLeavesTheEarlierFile();
    void aStoppedReportLeavesNoFile();
    void theSortForTheLanguageCannotBeCancelled();
    void theProgressOverThePreviewIsPainted_data();
    void theProgressOverThePreviewIsPainted();
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

void TestLongWork::theProgressOverThePreviewIsPainted_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("text");
    QTest::newRow("Save as P&DF") << "cmdPdf"
                                  << "Saving the PDF: page %1 of %2";
    QTest::newRow("&Print") << "cmdPrint"
                            << "Printing: page %1 of %2";
}

// Over the preview of a long report, the progress window paints its text, its
// bar and its "&Cancel" when it first shows and the text and bar again at
// every update, while the work goes on.
void TestLongWork::theProgressOverThePreviewIsPainted()
{
    QFETCH(QString, button);
    QFETCH(QString, text);
    Reports reports;
    for (int i = 0; i < 150; ++i)
        reports.addForSale(QStringLiteral("Bear %1").arg(i), QString(), QString(), Value());
    reports.run(1);
    const int pages = reports.preview.document->pageCount();
    QVERIFY(pages >= 3);
    ChosenFileDialogs dialogs(reports.path(QStringLiteral("Report.pdf")));
    AppState state(dialogs, RegionalSettings(kEnglish));
    state.clock = movingClock(LongWork::kShowAfterMs);
    frmOutput preview(state, nullptr);
    preview.showDocument(std::move(reports.preview.document), reports.preview.title);
    preview.show();
    QVERIFY(QTest::qWaitForWindowExposed(&preview));
    PaintedProgress painted;
    preview.findChild<QPushButton*>(button)->click();
    QVERIFY(dialogs.messages.isEmpty());
    QVERIFY(contents(reports.path(QStringLiteral("Report.pdf"))).startsWith("%PDF"));
    QStringList texts;
    QList<int> values;
    for (int page = 1; page <= pages; ++page) {
        texts.append(text.arg(page).arg(pages));
        values.append(page * 1000 / pages);
    }
    QCOMPARE(painted.texts, texts);
    QCOMPARE(painted.values, values);
    QCOMPARE(painted.buttons, QStringList{QStringLiteral("&Cancel")});
}

QTEST_MAIN(TestLongWork)
#include "tst_longwork.moc"
