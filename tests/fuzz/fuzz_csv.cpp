// The CSV reader on any bytes; what it reads, written again, reads back the same.
#include "FuzzInput.h"

#include "csv/CsvText.h"

#include <QBuffer>

namespace {

QList<QStringList> readAll(const QByteArray& bytes, QString& failure)
{
    QBuffer device;
    device.setData(bytes);
    device.open(QIODevice::ReadOnly);
    Csv::Reader reader(device);
    // every field kept: a record cut short would read back cut alike
    reader.setMostFields(qsizetype(bytes.size()) + 1);
    QList<QStringList> records;
    QStringList fields;
    qint64 line = 0;
    while (reader.next(fields, line))
        records.append(fields);
    failure = reader.failure();
    return records;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QString failure;
    const QList<QStringList> records =
        readAll(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)), failure);
    // written as the export writes: a header of several columns, then the records
    QString written = Csv::line({QStringLiteral("Name"), QStringLiteral("Color")}) + QStringLiteral("\r\n");
    for (const QStringList& record : records)
        written += Csv::line(record) + QStringLiteral("\r\n");
    QString again;
    QList<QStringList> back = readAll(written.toUtf8(), again);
    if (!again.isEmpty())
        broken("written records read back", again);
    back.removeFirst();
    if (back != records)
        broken("written records read back the same", written);
    return 0;
}
