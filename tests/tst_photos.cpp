// The items' photos without a window: pictures of every type read from
// their bytes (size as shown, digest, thumbnail), refused when too large,
// hostile or of no type kept; and the photo tables under an item's edits.
#include "Pictures.h"
#include "TestCollection.h"

#include "csv/ItemTransfer.h"
#include "photos/PhotoSet.h"
#include "photos/PictureFile.h"
#include "store/DbError.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QLinearGradient>
#include <QProcess>
#include <QScopeGuard>
#include <QTest>

#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

using RecordsetType = Database::RecordsetType;

PhotoTables::Picture readPicture(const QByteArray& bytes)
{
    const auto read = PictureFile::read(bytes, QStringLiteral("photo"));
    if (const QString* refused = std::get_if<QString>(&read))
        qFatal("refused: %s", qPrintable(*refused));
    return std::get<PhotoTables::Picture>(read);
}

// A set of photos of these pictures, in order, as added in an edit.
PhotoSet photosOf(const QList<QByteArray>& pictures)
{
    PhotoSet photos;
    for (const QByteArray& bytes : pictures)
        photos.add(readPicture(bytes), bytes);
    return photos;
}

// The collection as CSV, its photos written into the folder.
QByteArray exported(Database& db, const QString& folder)
{
    if (const std::optional<QString> failure = ItemTransfer::exportPhotos(db, folder))
        qFatal("%s", qPrintable(*failure));
    QByteArray text;
    ItemTransfer::exportItems(db, [&](const QString& line) {
        text += line.toUtf8() + "\r\n";
        return true;
    });
    return text;
}

// Imports the text into the collection, its photos read from the folder.
ItemTransfer::Summary imported(Database& db, const QByteArray& text, const QString& folder)
{
    QBuffer file;
    file.setData(text);
    file.open(QIODevice::ReadOnly);
    Transaction writing(db);
    const ItemTransfer::Summary summary = ItemTransfer::importRows(db, file, folder);
    writing.commit();
    return summary;
}

// Each file of a folder and its bytes, by name.
QMap<QString, QByteArray> filesIn(const QString& folder)
{
    QMap<QString, QByteArray> files;
    for (const QString& name : QDir(folder).entryList(QDir::Files)) {
        QFile file(QDir(folder).filePath(name));
        file.open(QIODevice::ReadOnly);
        files.insert(name, file.readAll());
    }
    return files;
}

// What picture_child says of what it was asked (what came of it, and how
// many MB it grew at its peak) in a child of at most 2 GB that is stopped
// after two minutes; or how it ended otherwise.
QStringList childSays(const QStringList& arguments)
{
    QProcess child;
    child.setChildProcessModifier([] {
        const rlimit most{rlim_t(2) << 30, rlim_t(2) << 30};
        setrlimit(RLIMIT_AS, &most);
    });
    child.start(QStringLiteral(PICTURE_CHILD), arguments);
    if (!child.waitForFinished(120000)) {
        child.kill();
        child.waitForFinished();
        return {QStringLiteral("still at it after two minutes")};
    }
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
        return {QStringLiteral("ended: ") + QString::fromUtf8(child.readAllStandardError())};
    return QString::fromUtf8(child.readAllStandardOutput()).split(QLatin1Char('\n'));
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

// A picture whose colours change across it and down it, so that a part
// shown out of its place shows.
QImage gradient(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient across(0, 0, width, 0);
    across.setColorAt(0, Qt::red);
    across.setColorAt(1, Qt::blue);
    painter.fillRect(image.rect(), across);
    QLinearGradient down(0, 0, 0, height);
    down.setColorAt(0, QColor(0, 255, 0, 0));
    down.setColorAt(1, QColor(0, 255, 0, 255));
    painter.fillRect(image.rect(), down);
    return image;
}

QString refusal(const QByteArray& bytes)
{
    const auto read = PictureFile::read(bytes, QStringLiteral("photo.jpg"));
    const QString* refused = std::get_if<QString>(&read);
    return refused ? *refused : QString();
}

} // namespace

class TestPhotos : public QObject
{
    Q_OBJECT

private slots:
    void picturesOfEveryTypeAreRead_data();
    void picturesOfEveryTypeAreRead();
    void aTurnedPictureIsShownTurned();
    void picturesThatCannotBeKeptAreRefused_data();
    void picturesThatCannotBeKeptAreRefused();
    void aPictureIsStoredOnce();
    void photosFollowTheirItem();
    void aSaveRolledBackCanBeMadeAgain();
    void anOlderFileGetsThePhotoTables();
    void photosGoToCsvAndBack_data();
    void photosGoToCsvAndBack();
    void aRowWhosePhotoCannotBeReadIsRefused();
    void onlyPlainFilesAreRead_data();
    void onlyPlainFilesAreRead();
    void aLargePictureIsFittedAsAWhole();
    void readingStaysWithinItsBound_data();
    void readingStaysWithinItsBound();
};

void TestPhotos::picturesOfEveryTypeAreRead_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QSize>("thumbnailSize");
    QTest::addColumn<QString>("thumbnailKind");
    const QImage plain = pattern(640, 480);
    for (const auto& [format, kind] :
         {std::pair{"jpeg", "jpg"}, {"png", "png"}, {"webp", "webp"}, {"tiff", "tiff"}, {"bmp", "bmp"}})
        QTest::newRow(format) << encoded(plain, format) << kind << QSize(640, 480) << QSize(256, 192)
                              << "jpg";
    QTest::newRow("heic") << heic(plain) << "heic" << QSize(640, 480) << QSize(256, 192) << "jpg";
    // Qt writes no GIF: four pixels by two, of two colours
    QTest::newRow("gif") << QByteArray::fromHex("47494638396104000200f00000ff00000000ff21f904000000000"
                                                "02c0000000004000200000203840f51003b")
                         << "gif" << QSize(4, 2) << QSize(4, 2) << "jpg";
    // a first image of no pixels on a large screen shows as the screen (read
    // by its first image alone, it would be 18 × 0, 100 × 0 and 18 × 100)
    for (const auto& [name, place, size] :
         {std::tuple{"GIF, an empty image on a large screen", QPoint(18, 0), QSize(0, 0)},
          {"GIF, an image of no rows on a large screen", QPoint(0, 0), QSize(100, 0)},
          {"GIF, an image of no columns on a large screen", QPoint(18, 0), QSize(0, 100)}})
        QTest::newRow(name) << gif(QSize(3000, 3000), place, size, gifNoPixels()) << "gif"
                            << QSize(3000, 3000) << QSize(256, 256) << "jpg";
    QTest::newRow("png with clear parts")
        << encoded(pattern(640, 480, true), "png") << "png" << QSize(640, 480) << QSize(256, 192) << "png";
    QTest::newRow("smaller than a thumbnail")
        << encoded(pattern(100, 60), "png") << "png" << QSize(100, 60) << QSize(100, 60) << "jpg";
}

// Each type is read with its size, its digest and a thumbnail no side of
// which is longer than 256 pixels, of the same shape.
void TestPhotos::picturesOfEveryTypeAreRead()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, kind);
    QFETCH(QSize, size);
    QFETCH(QSize, thumbnailSize);
    QFETCH(QString, thumbnailKind);
    const PhotoTables::Picture picture = readPicture(bytes);
    QCOMPARE(picture.kind, kind);
    QCOMPARE(QSize(picture.width, picture.height), size);
    QCOMPARE(picture.digest, QCryptographicHash::hash(bytes, QCryptographicHash::Sha256));
    QCOMPARE(picture.thumbnailKind, thumbnailKind);
    QCOMPARE(QImage::fromData(picture.thumbnail).size(), thumbnailSize);
    QCOMPARE(PictureFile::image(bytes).size(), size);
}

// A phone's picture taken upright is stored on its side with a tag that
// turns it: it is measured, thumbnailed and shown upright.
void TestPhotos::aTurnedPictureIsShownTurned()
{
    const QByteArray bytes = encoded(pattern(640, 480), "jpeg", QImageIOHandler::TransformationRotate90);
    const PhotoTables::Picture picture = readPicture(bytes);
    QCOMPARE(QSize(picture.width, picture.height), QSize(480, 640));
    const QImage thumbnail = QImage::fromData(picture.thumbnail);
    QCOMPARE(thumbnail.size(), QSize(192, 256));
    // the red quarter, top left as stored, is top right once turned
    const QColor topRight = thumbnail.pixelColor(thumbnail.width() - 20, 20);
    QVERIFY2(topRight.red() > 200 && topRight.blue() < 80, qPrintable(topRight.name()));
    QCOMPARE(PictureFile::image(bytes, QSize(120, 120)).size(), QSize(90, 120));
}

void TestPhotos::picturesThatCannotBeKeptAreRefused_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");
    QTest::newRow("beyond 40 MB") << QByteArray(PictureFile::kLargestBytes + 1, 'x')
                                  << "\"photo.jpg\" is 40.0 MB; a photo may be at most 40 MB.";
    QTest::newRow("text") << QByteArray("no picture at all") << "no picture of a type kept";
    QTest::newRow("a type not kept") << encoded(pattern(32, 32), "ico") << "no picture of a type kept";
    QByteArray cut = encoded(pattern(640, 480), "png");
    cut.truncate(cut.size() / 3);
    QTest::newRow("cut short") << cut << "\"photo.jpg\" cannot be kept as a photo";
    // a PNG whose header claims 12,000 pixels square (576 MB decoded), its
    // checksum mended: refused before anything is decoded
    QByteArray huge = encoded(pattern(8, 8), "png");
    const QByteArray side = QByteArray::fromHex("00002ee0");
    huge.replace(16, 4, side);
    huge.replace(20, 4, side);
    const quint32 sum = crc32(huge.mid(12, 17));
    huge.replace(29, 4, QByteArray::fromHex(QByteArray::number(sum, 16).rightJustified(8, '0')));
    QTest::newRow("a huge size claimed")
        << huge
        << "\"photo.jpg\" cannot be kept as a photo: at 12000 × 12000 pixels it is larger than any "
           "picture read (134 million pixels).";
    QTest::newRow("a GIF whose size reads as empty")
        << gif(QSize(0, 0), QPoint(18, 0), QSize(0, 0), gifNoPixels())
        << "\"photo.jpg\" cannot be kept as a photo: its size reads as 18 × 0 pixels, which shows nothing.";
    // a pixel, then four MB of compressed zeros (some 660 million): read
    // to their end, they would take a decoder some ten seconds
    QTest::newRow("a PNG whose pixels go on far beyond")
        << png(1, 1, zlibZeros(qint64(258) * (4 << 20) * 8 / 13), 2)
        << "\"photo.jpg\" cannot be kept as a photo: its compressed pixels go on far beyond what its 1 × 1 "
           "pixels need.";
    QTest::newRow("a GIF whose pixels go on far beyond")
        << gif(QSize(1, 1), QPoint(0, 0), QSize(1, 1), gifLongRuns(20000))
        << "\"photo.jpg\" cannot be kept as a photo: its compressed pixels go on far beyond what its 1 × 1 "
           "pixels need.";
    QTest::newRow("a BMP whose pixels are past its end")
        << hollowBmp(4000)
        << "\"photo.jpg\" cannot be kept as a photo: the file ends before the pixels it claims (4000 × "
           "4000).";
    QByteArray heifCut = heic(pattern(64, 64));
    heifCut.truncate(heifCut.size() / 2);
    QTest::newRow("HEIC cut short") << heifCut << "\"photo.jpg\" cannot be kept as a photo";
}

void TestPhotos::picturesThatCannotBeKeptAreRefused()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    const QString refused = refusal(bytes);
    QVERIFY2(refused.contains(reason), qPrintable(refused));
}

// The same picture, added twice to one item and once to another, is stored
// once; it stays while a photo shows it and goes with the last.
void TestPhotos::aPictureIsStoredOnce()
{
    TestCollection collection;
    std::unique_ptr<Database> db = collection.open();
    std::unique_ptr<PhotoTables> tables = db->OpenPhotoTables();
    const QByteArray bytes = encoded(pattern(300, 200), "png");
    const QByteArray other = encoded(pattern(200, 300), "png");
    PhotoSet first = photosOf({bytes, bytes, other});
    first.setCaption(1, QStringLiteral("the same, again"));
    PhotoSet second = photosOf({bytes});
    {
        Transaction saving(*db);
        first.save(*tables, 1);
        second.save(*tables, 2);
        saving.commit();
    }
    QCOMPARE(db->RowCount(QStringLiteral("Picture")), qint64(2));
    const QList<PhotoTables::Photo> photos = tables->photosOf(1);
    QCOMPARE(photos.size(), qsizetype(3));
    QCOMPARE(photos[0].picture, photos[1].picture);
    QCOMPARE(photos[1].caption, QStringLiteral("the same, again"));
    QCOMPARE(tables->bytes(photos[0].picture), bytes);
    QCOMPARE(tables->mainPicture(2), std::optional<qint64>(photos[0].picture));

    first.load(*tables, 1);
    first.move(2, 0);
    first.remove(2);
    first.remove(1);
    QVERIFY(first.changed());
    first.save(*tables, 1);
    QCOMPARE(tables->photosOf(1).size(), qsizetype(1));
    QCOMPARE(tables->bytes(tables->photosOf(1)[0].picture), other);
    QCOMPARE(db->RowCount(QStringLiteral("Picture")), qint64(2)); // item 2 still shows the first
    second.clear();
    second.save(*tables, 2);
    QCOMPARE(db->RowCount(QStringLiteral("Picture")), qint64(1));
    QCOMPARE(tables->unusedPictures(), qint64(0));
}

// A part sold takes the same photos without storing their pictures again;
// an item deleted takes its photos with it and the pictures only it showed.
void TestPhotos::photosFollowTheirItem()
{
    TestCollection collection;
    std::unique_ptr<Database> db = collection.open();
    std::unique_ptr<PhotoTables> tables = db->OpenPhotoTables();
    const QByteArray shared = encoded(pattern(300, 200), "png");
    const QByteArray own = encoded(pattern(200, 300), "jpeg");
    photosOf({shared, own}).save(*tables, 1);
    tables->copyPhotos(1, 3);
    QCOMPARE(tables->photosOf(3), tables->photosOf(1));
    QCOMPARE(db->RowCount(QStringLiteral("Picture")), qint64(2));
    photosOf({shared}).save(*tables, 4);

    std::unique_ptr<Recordset> items = db->OpenRecordset(
        QStringLiteral("Select * from Plonko where PlonID in (1, 3)"), RecordsetType::Dynaset);
    items->Delete();
    QCOMPARE(db->RowCount(QStringLiteral("Picture")), qint64(2)); // item 3 still shows both
    items->MoveNext();
    items->Delete();
    QVERIFY(tables->photosOf(1).isEmpty());
    QVERIFY(tables->photosOf(3).isEmpty());
    QCOMPARE(db->RowCount(QStringLiteral("Picture")), qint64(1));
    QCOMPARE(tables->photosOf(4).size(), qsizetype(1));
    items.reset();
    tables.reset();
    db.reset();
    QCOMPARE(integrityOf(collection.path()), QStringLiteral("ok"));
}

// Photos saved in a transaction rolled back leave nothing; the set still
// holds them and saves them when asked again.
void TestPhotos::aSaveRolledBackCanBeMadeAgain()
{
    TestCollection collection;
    std::unique_ptr<Database> db = collection.open();
    std::unique_ptr<PhotoTables> tables = db->OpenPhotoTables();
    const PhotoSet photos = photosOf({encoded(pattern(300, 200), "jpeg")});
    {
        Transaction saving(*db);
        photos.save(*tables, 1);
        QCOMPARE(tables->photosOf(1).size(), qsizetype(1));
    }
    QVERIFY(tables->photosOf(1).isEmpty());
    QCOMPARE(db->RowCount(QStringLiteral("Picture")), qint64(0));
    db->failNextWrites(1, DbError::DiskError, 1);
    QCOMPARE(
        [&] {
            try {
                Transaction saving(*db);
                photos.save(*tables, 1);
                saving.commit();
                return 0;
            } catch (const DbError& e) {
                return e.number();
            }
        }(),
        int(DbError::DiskError));
    QCOMPARE(db->RowCount(QStringLiteral("Picture")), qint64(0));
    Transaction saving(*db);
    photos.save(*tables, 1);
    saving.commit();
    QCOMPARE(tables->photosOf(1).size(), qsizetype(1));
    QCOMPARE(tables->picture(tables->photosOf(1)[0].picture)->kind, QStringLiteral("jpg"));
}

// A file made before photos gets their tables when it is opened, its items
// as they were; the tables are there in a new file too.
void TestPhotos::anOlderFileGetsThePhotoTables()
{
    TestCollection collection;
    const QString path = collection.path();
    const QString before = firstValue(path, "SELECT group_concat(Name, '|') FROM Plonko");
    QCOMPARE(firstValue(path, "SELECT count(*) FROM sqlite_master WHERE name IN ('Picture', 'Photo', "
                              "'PlonkoPhotosGo')"),
             QStringLiteral("3"));
    firstValue(path, "DROP TRIGGER PlonkoPhotosGo");
    firstValue(path, "DROP TABLE Photo");
    firstValue(path, "DROP TABLE Picture");
    QCOMPARE(firstValue(path, "SELECT count(*) FROM sqlite_master WHERE name = 'Photo'"),
             QStringLiteral("0"));
    collection.open().reset();
    QCOMPARE(firstValue(path, "SELECT count(*) FROM sqlite_master WHERE name IN ('Picture', 'Photo', "
                              "'PlonkoPhotosGo', 'PhotoPlace', 'PhotoPicture')"),
             QStringLiteral("5"));
    QCOMPARE(firstValue(path, "SELECT group_concat(Name, '|') FROM Plonko"), before);
    QCOMPARE(integrityOf(path), QStringLiteral("ok"));
}

QTEST_MAIN(TestPhotos)
#include "tst_photos.moc"

void TestPhotos::photosGoToCsvAndBack_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("suffix");
    const QImage picture = pattern(320, 240);
    QTest::newRow("JPEG") << encoded(picture, "jpeg") << "jpg";
    QTest::newRow("PNG") << encoded(picture, "png") << "png";
    QTest::newRow("WebP") << encoded(picture, "webp") << "webp";
    QTest::newRow("TIFF") << encoded(picture, "tiff") << "tiff";
    QTest::newRow("HEIC") << heic(picture) << "heic";
}

// The photos go into a folder beside the file, each picture once, named by
// its digest; a column lists each item's in order. Imported into an empty
// collection and exported again, the file and the folder are the same.
void TestPhotos::photosGoToCsvAndBack()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, suffix);
    TestCollection collection;
    // its items hold their totals, as the item window keeps them
    firstValue(collection.path(), "UPDATE Plonko SET totalpaid = quantity * pricepaid, "
                                  "totalval = quantity * catvalue, totalsales = quantity * priceask");
    std::unique_ptr<Database> db = collection.open();
    {
        std::unique_ptr<PhotoTables> tables = db->OpenPhotoTables();
        const QByteArray other = encoded(pattern(200, 300), "png");
        photosOf({bytes, other}).save(*tables, 3);
        photosOf({bytes}).save(*tables, 7);
    }
    const QString folder = collection.folder() + QStringLiteral("/Plonkos_photos");
    const QByteArray text = exported(*db, folder);
    const QString name =
        QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex()) + '.' +
        suffix;
    const QMap<QString, QByteArray> files = filesIn(folder);
    QCOMPARE(files.size(), qsizetype(2));
    QCOMPARE(files.value(name), bytes);
    const QString otherName = files.firstKey() == name ? files.lastKey() : files.firstKey();
    const QStringList lines = QString::fromUtf8(text).split(QStringLiteral("\r\n"));
    const auto lastCell = [&](int line) { return lines[line].section(QLatin1Char(','), -1); };
    QCOMPARE(lastCell(0), QStringLiteral("Photos"));
    QCOMPARE(lastCell(3), QString('"' + name + ';' + otherName + '"')); // quoted, as a semicolon may separate
    QCOMPARE(lastCell(7), name);
    QCOMPARE(lastCell(8), QString());

    TestCollection empty(false);
    std::unique_ptr<Database> into = empty.open();
    const ItemTransfer::Summary summary = imported(*into, text, folder);
    QCOMPARE(summary.rows, qint64(8));
    QCOMPARE(summary.refused.count(), qint64(0));
    QCOMPARE(into->RowCount(QStringLiteral("Picture")), qint64(2));
    const QString again = empty.folder() + QStringLiteral("/again_photos");
    QCOMPARE(exported(*into, again), text);
    QCOMPARE(filesIn(again), files);

    // stopped after its first picture, an export takes away what it wrote
    const QString stopped = empty.folder() + QStringLiteral("/stopped_photos");
    QCOMPARE(ItemTransfer::exportPhotos(*into, stopped, [](qint64 done, qint64) { return done < 1; }),
             std::nullopt);
    QVERIFY(!QFileInfo::exists(stopped));
}

// A photo that is missing or of no type kept refuses its row, told by
// line, column and file; the other rows and their photos are imported.
void TestPhotos::aRowWhosePhotoCannotBeReadIsRefused()
{
    TestCollection empty(false);
    QDir folder(empty.folder());
    const QByteArray photo = encoded(pattern(64, 48), "png");
    for (const auto& [name, bytes] :
         {std::pair{"good.png", photo}, std::pair{"notes.png", QByteArray("text")}}) {
        QFile file(folder.filePath(QString::fromLatin1(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    std::unique_ptr<Database> db = empty.open();
    const ItemTransfer::Summary summary =
        imported(*db,
                 "Name,Photos\r\nKept,good.png ; " + folder.filePath("good.png").toUtf8() +
                     "\r\nMissing,good.png;gone.jpg\r\nText,notes.png\r\n",
                 empty.folder());
    QCOMPARE(summary.rows, qint64(1));
    QCOMPARE(summary.refused.count(), qint64(2));
    QCOMPARE(summary.refused.kept()[0].line, qint64(3));
    QVERIFY2(summary.refused.kept()[0].reason.startsWith("Photos: \"gone.jpg\" cannot be read"),
             qPrintable(summary.refused.kept()[0].reason));
    QVERIFY(summary.refused.kept()[1].reason.contains("notes.png"));
    const QList<PhotoTables::Photo> kept = db->OpenPhotoTables()->photosOf(summary.firstKey);
    QCOMPARE(kept.size(), qsizetype(2)); // the same file named twice, once by its whole path
    QCOMPARE(kept[0].picture, kept[1].picture);
    QCOMPARE(db->RowCount(QStringLiteral("Picture")), qint64(1));
}

void TestPhotos::onlyPlainFilesAreRead_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("said");
    for (const auto& [how, prefix] : {std::pair{"read", "refused: "}, {"import", "refused: Photos: "}})
        for (const auto& [kind, name, reason] : {std::tuple{"device", "zero", "a device"},
                                                 {"pipe", "pipe", "a pipe"},
                                                 {"folder", "folder", "a folder"},
                                                 {"socket", "socket", "a socket"}})
            QTest::newRow(qPrintable(QStringLiteral("%1, %2").arg(how, kind)))
                << how << kind
                << QStringLiteral("%1\"%2\" cannot be read: it is %3, not a file.").arg(prefix, name, reason);
}

// A photo's file that is no plain file is refused with what it is, read
// or named in a CSV file's Photos cell: /dev/zero would be read until the
// memory ran out, a pipe would keep the reading waiting for ever.
void TestPhotos::onlyPlainFilesAreRead()
{
    QFETCH(QString, how);
    QFETCH(QString, kind);
    QFETCH(QString, said);
    QTemporaryDir folder;
    const QString path = kind == u"device" ? QStringLiteral("/dev/zero") : folder.filePath(kind);
    int socket = -1;
    const auto closing = qScopeGuard([&] {
        if (socket >= 0)
            ::close(socket);
    });
    if (kind == u"pipe") {
        QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (kind == u"folder") {
        QVERIFY(QDir(folder.path()).mkdir(kind));
    } else if (kind == u"socket") {
        socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        qstrncpy(address.sun_path, QFile::encodeName(path).constData(), sizeof(address.sun_path));
        QCOMPARE(::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    }
    QCOMPARE(childSays({how, path}).value(0), said);
}

// A picture decoded whole (a BMP) and larger than a tile of its scaling is
// fitted as a whole: each part in its place, as when scaled at once.
void TestPhotos::aLargePictureIsFittedAsAWhole()
{
    const QImage picture = gradient(4000, 3000);
    const QImage fitted = PictureFile::image(encoded(picture, "bmp"), QSize(400, 400));
    const QImage expected = picture.scaled(QSize(400, 400), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QCOMPARE(fitted.size(), expected.size());
    int furthest = 0;
    for (int y = 0; y < fitted.height(); ++y)
        for (int x = 0; x < fitted.width(); ++x) {
            const QRgb got = fitted.pixel(x, y);
            const QRgb wanted = expected.pixel(x, y);
            furthest =
                std::max({furthest, std::abs(qRed(got) - qRed(wanted)),
                          std::abs(qGreen(got) - qGreen(wanted)), std::abs(qBlue(got) - qBlue(wanted))});
        }
    QVERIFY2(furthest <= 2, qPrintable(QString::number(furthest)));
}

void TestPhotos::readingStaysWithinItsBound_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("asked");
    QTest::addColumn<QString>("said");
    QTest::addColumn<int>("mostMb");
    // the largest picture read, all clear, its pixels 512 MB decoded;
    // interlaced, it is decoded whole before it is scaled down
    const int whole = PictureFile::kLargestDecodedMb + 48;
    const QByteArray interlaced = clearPng(11585, 11585, true);
    QTest::newRow("the largest PNG, interlaced, added")
        << interlaced << QStringList{"read"} << "kept 11585 x 11585" << whole;
    QTest::newRow("the largest PNG, interlaced, shown")
        << interlaced << QStringList{"image", "400", "300"} << "image 300 x 300" << whole;
    // not interlaced, its reader scales it down a row at a time
    QTest::newRow("the largest PNG added")
        << clearPng(11585, 11585) << QStringList{"read"} << "kept 11585 x 11585" << 64;
    QTest::newRow("a BMP of the largest size, its pixels past its end")
        << hollowBmp(11585) << QStringList{"read"}
        << "refused: \"photo\" cannot be kept as a photo: the file ends before the pixels it claims (11585 × "
           "11585)."
        << 64;
}

// Reading a picture takes no more memory than its pixels decoded whole, at
// most some 512 MB: nothing is copied whole beside them.
void TestPhotos::readingStaysWithinItsBound()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, asked);
    QFETCH(QString, said);
    QFETCH(int, mostMb);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("photo"));
    writeFile(path, bytes);
    asked.insert(1, path);
    const QStringList lines = childSays(asked);
    QCOMPARE(lines.value(0), said);
    const int grew = lines.value(1).toInt();
    QVERIFY2(grew <= mostMb, qPrintable(QStringLiteral("%1 MB").arg(grew)));
}
