#pragma once

#include "ItemSession.h"

#include "reports/ReportEngine.h"
#include "reports/ReportRun.h"
#include "reports/StandardReports.h"

inline const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);
inline const QLocale kGerman(QLocale::German, QLocale::Germany);

// The preview as the reports see it, keeping what it was shown.
struct CapturedPreview : ReportPreview
{
    void show(std::unique_ptr<ReportEngine> shown, const QString& shownTitle) override
    {
        document = std::move(shown);
        title = shownTitle;
        ++shows;
    }
    std::unique_ptr<ReportEngine> document;
    QString title;
    int shows = 0;
};

// The reports over a test collection, without the item window.
struct Reports
{
    explicit Reports(bool withItems = true, const QLocale& locale = kEnglish)
        : collection(withItems)
        , state(dialogs, RegionalSettings(locale))
    {
        state.CollectionDb = Database::OpenDatabase(collection.path(), locale);
        state.today = [] { return QDate(2026, 12, 7); };
    }

    void addForSale(const QString& name, const QString& descr, const QString& catnum, const Value& ask)
    {
        std::unique_ptr<Recordset> rs = state.db().OpenRecordset(QStringLiteral("Select * from Plonko"),
                                                                 Database::RecordsetType::Dynaset);
        rs->AddNew();
        rs->SetField(QStringLiteral("Name"), name);
        rs->SetField(QStringLiteral("descr"), descr);
        rs->SetField(QStringLiteral("catnum"), catnum);
        rs->SetField(QStringLiteral("quantity"), qint32(1));
        rs->SetField(QStringLiteral("forsale"), true);
        rs->SetField(QStringLiteral("priceask"), ask);
        rs->Update();
    }

    // The hostile values next to the collection's own for-sale items.
    void addHostileItems()
    {
        addForSale(QStringLiteral("Pipe | Bar; Co"), QStringLiteral("A <b>bold</b> & \"quoted\" bear"),
                   QStringLiteral("12|3"), Money::fromUnits(12345000));
        addForSale(QStringLiteral("Tab\tName"), QStringLiteral("Line\r\nbreak"), QString(), Value());
        addForSale(QStringLiteral("Émile"), QStringLiteral("Ours brun"), QStringLiteral("99"),
                   Money::fromUnits(12345678910));
    }

    // Runs the for-sale report to destination, into file when one is asked for.
    void run(int destination, const QString& file = {})
    {
        state.ReportDest = destination;
        if (!file.isEmpty())
            dialogs.fileNames.enqueue(file);
        runEvent(state, [&] { ReportForSale(state, preview); });
    }

    QString path(const QString& name) const { return QDir(collection.folder()).filePath(name); }

    TestCollection collection;
    ScriptedDialogs dialogs;
    AppState state;
    CapturedPreview preview;
};

inline QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// The files in a folder other than the collection's own and its journal.
inline QStringList reportFiles(const QString& folder)
{
    QStringList files = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    files.removeAll(QStringLiteral("Plonko.mdb"));
    files.removeAll(QStringLiteral("Plonko.mdb-journal"));
    return files;
}
