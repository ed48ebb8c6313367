#include "ScriptedDialogs.h"

#include "app/ErrorHandler.h"

#include <QTest>

class TestErrorHandler : public QObject
{
    Q_OBJECT

private slots:
    void fatalErrorsShowOneMessageAndEnd_data();
    void fatalErrorsShowOneMessageAndEnd();
    void cancelledDialogIsNoted();
    void lockConflictsAreRetriedSilently();
    void hundredConflictsAsk_data();
    void hundredConflictsAsk();
    void stepsGoOnAfterTheHandlerReturns();

private:
    ScriptedDialogs m_dialogs;
    AppState m_state{m_dialogs, RegionalSettings(QLocale(QLocale::English, QLocale::UnitedStates))};
};

void TestErrorHandler::fatalErrorsShowOneMessageAndEnd_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("title");
    QTest::newRow("91") << 91 << "There was an error accessing the database file.  Aborting..."
                        << "";
    QTest::newRow("3045")
        << 3045
        << "The database is in use.  You are attempting to run the non-network version in a "
           "network environment.  The program will exit."
        << "Database File Already In Use";
    QTest::newRow("3420")
        << 3420
        << "An error has occurred.  You may have forgotten to close a window before packing or "
           "backing up the program's database.  Please rerun the program."
        << "";
    QTest::newRow("other") << 3343 << "3343  Unrecognized database format 'Plonko.mdb'."
                           << "";
}

void TestErrorHandler::fatalErrorsShowOneMessageAndEnd()
{
    QFETCH(int, number);
    QFETCH(QString, text);
    QFETCH(QString, title);
    m_dialogs = ScriptedDialogs();
    QVERIFY_THROWS_EXCEPTION(
        ProgramEnded,
        HandleError(m_state, number, QStringLiteral("Unrecognized database format 'Plonko.mdb'.")));
    QCOMPARE(m_dialogs.messages.size(), 1);
    QCOMPARE(m_dialogs.messages[0].text, text);
    QCOMPARE(m_dialogs.messages[0].title, title);
    QCOMPARE(m_dialogs.messages[0].buttons, Dialogs::Buttons::Ok);
    QVERIFY(m_dialogs.ended);
}

void TestErrorHandler::cancelledDialogIsNoted()
{
    m_dialogs = ScriptedDialogs();
    m_state.Cancelled = false;
    HandleError(m_state, kDialogCancelled, QString());
    QVERIFY(m_state.Cancelled);
    QVERIFY(m_dialogs.messages.isEmpty());
    QVERIFY(!m_dialogs.ended);
}

void TestErrorHandler::lockConflictsAreRetriedSilently()
{
    m_dialogs = ScriptedDialogs();
    int attempts = 0;
    const bool written = writeWithRetry(m_state, [&] {
        if (++attempts <= 5)
            throw DbError(attempts % 2 ? DbError::RecordLocked : DbError::RecordLockedToo,
                          QStringLiteral("locked"));
    });
    QVERIFY(written);
    QCOMPARE(attempts, 6);
    QVERIFY(m_dialogs.messages.isEmpty());
    QVERIFY(!m_state.UpdatePending);
}

void TestErrorHandler::hundredConflictsAsk_data()
{
    QTest::addColumn<int>("conflicts");
    QTest::addColumn<QList<Dialogs::Answer>>("answers");
    QTest::addColumn<int>("questions");
    QTest::addColumn<bool>("written");
    QTest::newRow("99 conflicts, no question") << 99 << QList<Dialogs::Answer>{} << 0 << true;
    QTest::newRow("100th asks, yes retries")
        << 100 << QList<Dialogs::Answer>{Dialogs::Answer::Yes} << 1 << true;
    // after Yes the count restarts at 1, so the next question comes 99 conflicts later
    QTest::newRow("then every 99") << 199
                                   << QList<Dialogs::Answer>{Dialogs::Answer::Yes, Dialogs::Answer::Yes} << 2
                                   << true;
    QTest::newRow("198 asks once") << 198 << QList<Dialogs::Answer>{Dialogs::Answer::Yes} << 1 << true;
    QTest::newRow("no ends unwritten") << 150 << QList<Dialogs::Answer>{Dialogs::Answer::No} << 1 << false;
}

void TestErrorHandler::hundredConflictsAsk()
{
    QFETCH(int, conflicts);
    QFETCH(QList<Dialogs::Answer>, answers);
    QFETCH(int, questions);
    QFETCH(bool, written);
    m_dialogs = ScriptedDialogs();
    for (Dialogs::Answer a : answers)
        m_dialogs.answers.enqueue(a);
    int attempts = 0;
    bool stored = false;
    try {
        QVERIFY(writeWithRetry(m_state, [&] {
            if (++attempts <= conflicts)
                throw DbError(DbError::RecordLocked, QStringLiteral("locked"));
            stored = true;
        }));
    } catch (const ProgramEnded&) {
    }
    QCOMPARE(m_dialogs.messages.size(), questions);
    for (const auto& m : m_dialogs.messages) {
        QCOMPARE(m.text, QStringLiteral("Could not update locked record.  Do you wish to try again?"));
        QCOMPARE(m.title, QStringLiteral("Locked Record"));
        QCOMPARE(m.buttons, Dialogs::Buttons::YesNo);
    }
    QCOMPARE(stored, written);
    QCOMPARE(m_dialogs.ended, !written);
}

void TestErrorHandler::stepsGoOnAfterTheHandlerReturns()
{
    m_dialogs = ScriptedDialogs();
    QStringList done;
    underHandler(m_state, [&] { throw DbError(kDialogCancelled, QString()); });
    underHandler(m_state, [&] { done.append(QStringLiteral("next")); });
    QCOMPARE(done, QStringList{QStringLiteral("next")});
    QVERIFY_THROWS_EXCEPTION(ProgramEnded, underHandler(m_state, [] { throw std::runtime_error("bad"); }));
    QCOMPARE(m_dialogs.lastText(), QStringLiteral("3001  bad"));
}

QTEST_GUILESS_MAIN(TestErrorHandler)
#include "tst_errorhandler.moc"
