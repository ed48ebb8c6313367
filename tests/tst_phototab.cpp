// The item window's "Photos" tab through the dialog seam: photos added from
// files of each type are saved with the item's "Update" and forgotten by its
// "Cancel"; moved and captioned; a part sold takes them along; and a file
// that cannot be kept is told by name.
#include "ItemSession.h"
#include "Pictures.h"

#include "items/ItemListModel.h"
#include "items/frmItemList.h"
#include "photos/PhotoStrip.h"
#include "photos/PictureFile.h"
#include "store/PhotoTables.h"

#include <QClipboard>
#include <QHeaderView>
#include <QListWidget>
#include <QMimeData>
#include <QScopeGuard>
#include <QSemaphore>
#include <QTableView>
#include <QThreadPool>
#include <QWheelEvent>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Writes pictures into the session's folder as a collector's files.
QStringList written(const Session& s, const QList<std::pair<QString, QByteArray>>& files)
{
    QStringList paths;
    for (const auto& [name, bytes] : files) {
        const QString path = s.collection.folder() + QLatin1Char('/') + name;
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        paths.append(path);
    }
    return paths;
}

qint64 shownKey(Session& s)
{
    return longOf(s.state.items().Fields(QStringLiteral("PlonID"))).value_or(0);
}

QList<PhotoTables::Photo> storedPhotos(Session& s, qint64 item)
{
    return s.state.db().OpenPhotoTables()->photosOf(item);
}

// Adds the files through "Add Photos...".
void addThrough(Session& s, const QStringList& files)
{
    s.dialogs.fileLists.enqueue(files);
    s.click("cmdAddPhotos");
}

// Holds every thread of the pool until let go, so that a picture given it
// to decode waits meanwhile.
class PoolHeld
{
public:
    PoolHeld()
        : m_threads(QThreadPool::globalInstance()->maxThreadCount())
    {
        for (int i = 0; i < m_threads; ++i)
            QThreadPool::globalInstance()->start([this] {
                m_started.release();
                m_go.acquire();
            });
        m_started.acquire(m_threads);
    }
    ~PoolHeld() { letGo(); }
    void letGo() { m_go.release(std::exchange(m_threads, 0)); }

private:
    int m_threads;
    QSemaphore m_started;
    QSemaphore m_go;
};

QImage shown(QLabel* label)
{
    return label->pixmap().toImage().convertToFormat(QImage::Format_RGB32);
}

} // namespace

class TestPhotoTab : public QObject
{
    Q_OBJECT

private slots:
    void photosAreSavedWithTheItem_data();
    void photosAreSavedWithTheItem();
    void cancelForgetsThePhotosAdded();
    void photosAreMovedAndCaptioned();
    void aPartSoldTakesThePhotos();
    void aFileThatCannotBeKeptIsTold();
    void theViewerShowsEachPhoto();
    void addingPhotosCancelledAddsNone();
    void theViewerZoomsNoFurtherThanItCanDraw();
    void theListShowsEachMainPhoto();
    void theMenusCarryPhotosThroughCsv();
    void aFileThatIsNoPlainFileIsTold_data();
    void aFileThatIsNoPlainFileIsTold();
    void theThumbnailShowsWhileThePhotoIsDecoded();
    void theViewerShowsTheThumbnailWhileThePhotoIsDecoded();
};

void TestPhotoTab::photosAreSavedWithTheItem_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    const QImage picture = pattern(320, 240);
    QTest::newRow("JPEG") << "a.jpg" << encoded(picture, "jpeg");
    QTest::newRow("PNG") << "a.png" << encoded(picture, "png");
    QTest::newRow("WebP") << "a.webp" << encoded(picture, "webp");
    QTest::newRow("TIFF") << "a.tif" << encoded(picture, "tiff");
    QTest::newRow("HEIC") << "a.heic" << heic(picture);
}

// Added, the photo makes the item an edit; "Update" stores it with the item,
// its bytes exactly as the file held them, and it shows again when the item
// is shown again.
void TestPhotoTab::photosAreSavedWithTheItem()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    Session s;
    const qint64 item = shownKey(s);
    addThrough(s, written(s, {{name, bytes}}));
    QVERIFY(s.window->isDirty());
    QVERIFY(s.get<QPushButton>("cmdUpdate")->isVisible());
    QVERIFY(storedPhotos(s, item).isEmpty());
    s.click("cmdUpdate");
    const QList<PhotoTables::Photo> stored = storedPhotos(s, item);
    QCOMPARE(stored.size(), qsizetype(1));
    QCOMPARE(s.state.db().OpenPhotoTables()->bytes(stored[0].picture), bytes);
    s.click("cmdNext");
    QCOMPARE(s.get<QListWidget>("lstPhotos")->count(), 0);
    s.click("cmdPrevious");
    QCOMPARE(s.get<QListWidget>("lstPhotos")->count(), 1);
    // the photo is shown large once the tab is
    QVERIFY(s.get<QLabel>("lblPhoto")->pixmap().isNull());
    s.get<QTabWidget>("SSTab1")->setCurrentWidget(s.get("tabPhotos"));
    QVERIFY(!s.get<QLabel>("lblPhoto")->pixmap().isNull());
}

void TestPhotoTab::cancelForgetsThePhotosAdded()
{
    Session s;
    const qint64 item = shownKey(s);
    addThrough(s, written(s, {{"a.png", encoded(pattern(64, 48), "png")}}));
    QCOMPARE(s.get<QListWidget>("lstPhotos")->count(), 1);
    s.click("cmdCancel");
    QCOMPARE(s.get<QListWidget>("lstPhotos")->count(), 0);
    QVERIFY(storedPhotos(s, item).isEmpty());
    QCOMPARE(s.state.db().RowCount(QStringLiteral("Picture")), qint64(0));
}

// Ctrl+Right moves the selected photo after the next; the caption typed is
// kept with it; the first is the main photo.
void TestPhotoTab::photosAreMovedAndCaptioned()
{
    Session s;
    const qint64 item = shownKey(s);
    const QByteArray first = encoded(pattern(64, 48), "png");
    const QByteArray second = encoded(pattern(48, 64), "png");
    addThrough(s, written(s, {{"first.png", first}, {"second.png", second}}));
    auto* list = s.get<QListWidget>("lstPhotos");
    list->setFocus();
    list->setCurrentRow(0);
    QVERIFY(list->viewport()->acceptDrops()); // a thumbnail may be dragged to its place too
    QTest::keyClick(list, Qt::Key_Right, Qt::ControlModifier);
    QCOMPARE(list->currentRow(), 1);
    s.type("txtCaption", QStringLiteral("tag side"));
    s.click("cmdUpdate");
    std::unique_ptr<PhotoTables> tables = s.state.db().OpenPhotoTables();
    const QList<PhotoTables::Photo> stored = tables->photosOf(item);
    QCOMPARE(stored.size(), qsizetype(2));
    QCOMPARE(tables->bytes(stored[0].picture), second);
    QCOMPARE(tables->bytes(stored[1].picture), first);
    QCOMPARE(stored[1].caption, QStringLiteral("tag side"));
    QCOMPARE(tables->mainPicture(item), std::optional<qint64>(stored[0].picture));
}

// "Sold Some" gives the row of the pieces sold the holding's photos, the
// pictures stored once for both.
void TestPhotoTab::aPartSoldTakesThePhotos()
{
    Session s;
    // the first item of two or more pieces
    while (longOf(s.state.items().Fields(QStringLiteral("quantity"))).value_or(0) < 2)
        s.click("cmdNext");
    const qint64 holding = shownKey(s);
    addThrough(s, written(s, {{"a.jpg", encoded(pattern(64, 48), "jpeg")}}));
    s.click("cmdUpdate");
    s.dialogs.inputs.enqueue(QStringLiteral("1"));
    s.click("cmdSoldSome");
    std::unique_ptr<Recordset> newest = s.state.db().OpenRecordset(
        QStringLiteral("Select PlonID from Plonko order by PlonID desc"), Database::RecordsetType::Snapshot);
    const qint64 sold = longOf(newest->Fields(QStringLiteral("PlonID"))).value_or(0);
    std::unique_ptr<PhotoTables> tables = s.state.db().OpenPhotoTables();
    QVERIFY(sold != holding);
    QCOMPARE(tables->photosOf(sold), tables->photosOf(holding));
    QCOMPARE(s.state.db().RowCount(QStringLiteral("Picture")), qint64(1));
}

void TestPhotoTab::aFileThatCannotBeKeptIsTold()
{
    Session s;
    addThrough(s, written(s, {{"notes.jpg", QByteArray("not a picture")}}));
    QVERIFY(s.dialogs.lastText().startsWith(QStringLiteral("\"notes.jpg\" cannot be kept as a photo")));
    QCOMPARE(s.get<QListWidget>("lstPhotos")->count(), 0);
}

// Photos being added show how many are read; cancelled, none is added and
// the item is not being edited, and a file refused is told only once the
// progress is closed.
void TestPhotoTab::addingPhotosCancelledAddsNone()
{
    Session s;
    QList<std::pair<QString, QByteArray>> photos;
    for (const char letter : {'a', 'b', 'c', 'd', 'e', 'f'})
        photos.append({QLatin1Char(letter) + QStringLiteral(".jpg"), encoded(pattern(2400, 1800), "jpeg")});
    QStringList files = written(s, photos);
    s.state.clock = [now = qint64(0)]() mutable { return now += 1000; };
    s.dialogs.cancelProgressAt = 1;
    s.dialogs.fileLists.enqueue(files);
    s.click("cmdAddPhotos");
    QCOMPARE(s.dialogs.progressTexts.size(), 1);
    QVERIFY(s.dialogs.progressTexts.first().endsWith(QStringLiteral(" of 6")));
    QCOMPARE(s.get<QListWidget>("lstPhotos")->count(), 0);
    QVERIFY(!s.window->isDirty());
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    QCOMPARE(s.get<QListWidget>("lstPhotos")->count(), 0);

    s.dialogs.cancelProgressAt = 0;
    s.dialogs.progressTexts.clear();
    files.append(written(s, {{"broken.jpg", QByteArray("not a picture")}}));
    addThrough(s, files);
    QVERIFY(!s.dialogs.progressTexts.isEmpty());
    QCOMPARE(s.get<QListWidget>("lstPhotos")->count(), 6);
    QCOMPARE(s.dialogs.messages.size(), 1);
    QVERIFY(s.window->isDirty());
}

// Enter on a thumbnail shows the photo turned as taken, with its size and
// caption; "Next" shows the next; "100 %" shows its own pixels, and the
// wheel zooms out from there.
void TestPhotoTab::theViewerShowsEachPhoto()
{
    Session s;
    addThrough(s, written(s, {{"side.jpg",
                               encoded(pattern(640, 480), "jpeg", QImageIOHandler::TransformationRotate90)},
                              {"tag.png", encoded(pattern(300, 200), "png")}}));
    auto* list = s.get<QListWidget>("lstPhotos");
    list->setCurrentRow(1);
    s.type("txtCaption", QStringLiteral("the tag"));
    list->setCurrentRow(0);
    QStringList seen;
    double actual = 0;
    double smaller = 0;
    s.dialogs.modalSteps.enqueue([&](QDialog& dialog) {
        const auto about = [&] { return control<QLabel>(&dialog, "lblAbout")->text(); };
        seen << dialog.windowTitle() << about();
        control<QPushButton>(&dialog, "cmdNext")->click();
        seen << dialog.windowTitle() << about();
        control<QPushButton>(&dialog, "cmdActualSize")->click();
        actual = control<QLabel>(&dialog, "lblPicture")->pixmap().width();
        QWheelEvent down(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, -120), Qt::NoButton,
                         Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&dialog, &down);
        smaller = control<QLabel>(&dialog, "lblPicture")->pixmap().width();
    });
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(s.dialogs.modalTitles, QStringList{QStringLiteral("Photo 1 of 2")});
    QCOMPARE(seen, (QStringList{"Photo 1 of 2", QStringLiteral("480 × 640 pixels"), "Photo 2 of 2",
                                QStringLiteral("the tag  —  300 × 200 pixels")}));
    QCOMPARE(actual, 300.0);
    QVERIFY(smaller < actual);
}

// Zoomed in as far as the wheel goes, a photo of 3,000 pixels is drawn no
// wider than 8,192 pixels rather than asking for gigabytes.
void TestPhotoTab::theViewerZoomsNoFurtherThanItCanDraw()
{
    Session s;
    addThrough(s, written(s, {{"wide.png", encoded(pattern(3000, 1000), "png")}}));
    int widest = 0;
    s.dialogs.modalSteps.enqueue([&](QDialog& dialog) {
        control<QPushButton>(&dialog, "cmdActualSize")->click();
        for (int turn = 0; turn < 20; ++turn) {
            QWheelEvent up(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, 120), Qt::NoButton,
                           Qt::ControlModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(&dialog, &up);
        }
        widest = control<QLabel>(&dialog, "lblPicture")->pixmap().width();
    });
    auto* list = s.get<QListWidget>("lstPhotos");
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(widest, 8192);
}

QTEST_MAIN(TestPhotoTab)
#include "tst_phototab.moc"

// The list has no photo column while no item has photos; once one has, the
// column shows at the next activation, with the main photo's thumbnail fitted
// to the row, and blank for an item without photos.
void TestPhotoTab::theListShowsEachMainPhoto()
{
    Session s;
    const qint64 item = shownKey(s);
    s.get<QAction>("mnuItemList")->trigger();
    frmItemList* list = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets())
        list = list ? list : qobject_cast<frmItemList*>(window);
    QVERIFY(list);
    auto* grid = list->findChild<QTableView*>(QStringLiteral("grdItems"));
    QVERIFY(grid->isColumnHidden(ItemListModel::Photo));
    const int textRow = grid->verticalHeader()->defaultSectionSize();

    addThrough(s, written(s, {{"wide.png", encoded(pattern(400, 100), "png")},
                              {"tall.png", encoded(pattern(100, 400), "png")}}));
    s.click("cmdUpdate");
    QEvent activation(QEvent::WindowActivate);
    QApplication::sendEvent(list, &activation);
    QVERIFY(!grid->isColumnHidden(ItemListModel::Photo));
    QVERIFY(grid->verticalHeader()->defaultSectionSize() > textRow);
    const ItemListModel& model = list->model();
    const int row = model.rowOf(qint32(item));
    const QImage thumbnail =
        model.data(model.index(row, ItemListModel::Photo), Qt::DecorationRole).value<QImage>();
    const QSize box = grid->iconSize();
    QCOMPARE(thumbnail.deviceIndependentSize().toSize(), box);
    // the wide photo across the box's middle, clear above and below
    QCOMPARE(qAlpha(thumbnail.pixel(box.width() / 2, box.height() / 2)), 255);
    QCOMPARE(qAlpha(thumbnail.pixel(box.width() / 2, 0)), 0);
    const int other = row == 0 ? 1 : 0;
    QVERIFY(!model.data(model.index(other, ItemListModel::Photo), Qt::DecorationRole).isValid());
    QVERIFY(model.data(model.index(other, ItemListModel::Name)).isValid());
}

// "Export to CSV..." writes the photos beside the file; "Import from CSV..."
// reads them from there into the items it adds.
void TestPhotoTab::theMenusCarryPhotosThroughCsv()
{
    QTemporaryDir elsewhere;
    const QString path = elsewhere.filePath(QStringLiteral("exported.csv"));
    const QByteArray bytes = encoded(pattern(64, 48), "jpeg");
    {
        Session s;
        addThrough(s, written(s, {{"a.jpg", bytes}}));
        s.click("cmdUpdate");
        s.dialogs.fileNames.enqueue(path);
        s.get<QAction>("mnuExport")->trigger();
    }
    QCOMPARE(QDir(elsewhere.filePath(QStringLiteral("exported_photos"))).entryList(QDir::Files).size(), 1);
    Session s(false);
    s.dialogs.fileNames.enqueue(path);
    s.dialogs.modalSteps.enqueue(
        [](QDialog& dialog) { dialog.findChild<QPushButton*>(QStringLiteral("cmdImport"))->click(); });
    s.get<QAction>("mnuImport")->trigger();
    QCOMPARE(s.state.db().RowCount(QStringLiteral("Photo")), qint64(1));
    std::unique_ptr<PhotoTables> tables = s.state.db().OpenPhotoTables();
    QCOMPARE(tables->bytes(tables->everyPhoto().at(0).picture), bytes);
}

void TestPhotoTab::aFileThatIsNoPlainFileIsTold_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Add Photos...") << "add";
    QTest::newRow("dropped") << "drop";
    QTest::newRow("pasted") << "paste";
}

// A pipe or a folder among the files added, dropped or pasted is told as
// what it is, and the pictures beside it are added; the reading never waits
// on the pipe.
void TestPhotoTab::aFileThatIsNoPlainFileIsTold()
{
    QFETCH(QString, how);
    Session s;
    const QStringList files = written(s, {{"a.png", encoded(pattern(64, 48), "png")}});
    const QString pipe = s.collection.folder() + QStringLiteral("/pipe");
    const QString folder = s.collection.folder() + QStringLiteral("/folder");
    QCOMPARE(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    QVERIFY(QDir().mkdir(folder));
    // should a reading wait on the pipe, the progress is cancelled after some
    // ten seconds, and a writer that comes and goes lets the reading end
    s.state.clock = [now = qint64(0)]() mutable { return now += 1000; };
    s.dialogs.cancelProgressAt = 100;
    const auto unblock = qScopeGuard([&] {
        const int writer = ::open(QFile::encodeName(pipe).constData(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0)
            ::close(writer);
        QThreadPool::globalInstance()->waitForDone();
    });
    QList<QUrl> urls;
    for (const QString& file : {pipe, folder, files[0]})
        urls.append(QUrl::fromLocalFile(file));
    if (how == u"add") {
        addThrough(s, {pipe, folder, files[0]});
    } else if (how == u"drop") {
        auto* strip = s.get("tabPhotos");
        QMimeData data;
        data.setUrls(urls);
        // a drop goes where the drag entered
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(strip, &enter);
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(strip, &drop);
    } else {
        s.get<QTabWidget>("SSTab1")->setCurrentWidget(s.get("tabPhotos"));
        auto* data = new QMimeData;
        data->setUrls(urls);
        QApplication::clipboard()->setMimeData(data);
        s.get<QListWidget>("lstPhotos")->setFocus();
        QTest::keyClick(s.get<QListWidget>("lstPhotos"), Qt::Key_V, Qt::ControlModifier);
    }
    QTRY_COMPARE(s.dialogs.messages.size(), 2);
    QCOMPARE(s.dialogs.messages[0].text,
             QStringLiteral("\"pipe\" cannot be read: it is a pipe, not a file."));
    QCOMPARE(s.dialogs.messages[1].text,
             QStringLiteral("\"folder\" cannot be read: it is a folder, not a file."));
    QCOMPARE(s.get<QListWidget>("lstPhotos")->count(), 1);
}

// The photo shown large is decoded on another thread: its thumbnail shows at
// the photo's size meanwhile, and the photo itself once decoded.
void TestPhotoTab::theThumbnailShowsWhileThePhotoIsDecoded()
{
    Session s;
    const QByteArray bytes = encoded(pattern(300, 200), "png");
    addThrough(s, written(s, {{"a.png", bytes}}));
    auto* photo = s.get<QLabel>("lblPhoto");
    const QImage whole = PictureFile::image(bytes).convertToFormat(QImage::Format_RGB32);
    PoolHeld held;
    s.get<QTabWidget>("SSTab1")->setCurrentWidget(s.get("tabPhotos"));
    QVERIFY(photo->width() >= 300 && photo->height() >= 200);
    const QImage meanwhile = shown(photo);
    QCOMPARE(meanwhile.size(), QSize(300, 200));
    QVERIFY(meanwhile != whole); // the thumbnail, a JPEG of 256 pixels, scaled
    held.letGo();
    QTRY_COMPARE(shown(photo), whole);
}

// The viewer too shows the thumbnail of a photo until it is decoded.
void TestPhotoTab::theViewerShowsTheThumbnailWhileThePhotoIsDecoded()
{
    Session s;
    const QByteArray bytes = encoded(pattern(300, 200), "png");
    addThrough(s, written(s, {{"a.png", bytes}}));
    const QImage whole = PictureFile::image(bytes).convertToFormat(QImage::Format_RGB32);
    QImage meanwhile;
    QImage decoded;
    QString about;
    s.dialogs.modalSteps.enqueue([&](QDialog& dialog) {
        auto* picture = control<QLabel>(&dialog, "lblPicture");
        control<QPushButton>(&dialog, "cmdActualSize")->click();
        meanwhile = shown(picture);
        about = control<QLabel>(&dialog, "lblAbout")->text();
    });
    auto* list = s.get<QListWidget>("lstPhotos");
    list->setFocus();
    {
        PoolHeld held;
        QTest::keyClick(list, Qt::Key_Return);
    }
    QCOMPARE(about, QStringLiteral("300 × 200 pixels"));
    QCOMPARE(meanwhile.size(), QSize(300, 200));
    QVERIFY(meanwhile != whole);
    s.dialogs.modalSteps.enqueue([&](QDialog& dialog) {
        auto* picture = control<QLabel>(&dialog, "lblPicture");
        control<QPushButton>(&dialog, "cmdActualSize")->click();
        QTRY_VERIFY(shown(picture) == whole);
        decoded = shown(picture);
    });
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(decoded, whole);
}
