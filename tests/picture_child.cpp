// picture_child read FILE: reads the file as a photo is added from it.
// picture_child image FILE WIDTH HEIGHT: decodes the picture the file holds
// as the Photos tab shows it, fitted within WIDTH × HEIGHT.
// picture_child import FILE: imports a row whose Photos cell names the file
// into an empty collection.
// Each prints what came of it on its first line and, on its second, how many
// MB the process grew at its peak meanwhile; run by the tests of photos in a
// child of limited memory and time, so that a read without end is stopped.
#include "TestCollection.h"

#include "csv/ItemTransfer.h"
#include "photos/PictureFile.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <cstdio>

namespace {

// A figure of /proc/self/status, in MB.
double statusMb(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qsizetype(strlen(field))).trimmed().split(' ').first().toDouble() / 1024;
    return -1;
}

QString outcome(const QStringList& args)
{
    if (args[1] == u"read") {
        const auto read = PictureFile::readFile(args[2]);
        if (const QString* refused = std::get_if<QString>(&read))
            return QStringLiteral("refused: ") + *refused;
        const PhotoTables::Picture& picture = std::get<PictureFile::FromFile>(read).picture;
        return QStringLiteral("kept %1 x %2").arg(picture.width).arg(picture.height);
    }
    if (args[1] == u"image") {
        QFile file(args[2]);
        if (!file.open(QIODevice::ReadOnly))
            return QStringLiteral("cannot open ") + args[2];
        const QImage image = PictureFile::image(file.readAll(), QSize(args[3].toInt(), args[4].toInt()));
        return QStringLiteral("image %1 x %2").arg(image.width()).arg(image.height());
    }
    TestCollection empty(false);
    std::unique_ptr<Database> db = empty.open();
    QBuffer csv;
    csv.setData("Name,Photos\r\nBear," + args[2].toUtf8() + "\r\n");
    csv.open(QIODevice::ReadOnly);
    Transaction writing(*db);
    const ItemTransfer::Summary summary =
        ItemTransfer::importRows(*db, csv, QFileInfo(args[2]).absolutePath());
    if (summary.refused.count() == 0)
        return QStringLiteral("imported %1 rows").arg(summary.rows);
    return QStringLiteral("refused: ") + summary.refused.kept().first().reason;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const bool known = (args.size() == 3 && (args[1] == u"read" || args[1] == u"import")) ||
                       (args.size() == 5 && args[1] == u"image");
    if (!known) {
        std::fprintf(stderr, "usage: picture_child read FILE | image FILE WIDTH HEIGHT | import FILE\n");
        return 2;
    }
    PictureFile::limitDecoding();
    // the image readers are loaded before the figure the growth counts from
    QImageReader::supportedImageFormats();
    const double before = statusMb("VmRSS:");
    const QString said = outcome(args);
    std::printf("%s\n%.0f\n", qPrintable(said), statusMb("VmHWM:") - before);
    return 0;
}
