#pragma once

#include <QDialog>
#include <QImage>

#include <functional>

class PictureDecoder;
class QLabel;
class QPushButton;
class QScrollArea;

// One photo of an item at a time, fitted to the window or at any zoom (Ctrl+
// plus and minus, Ctrl and the wheel, "100 %" for its own pixels), with its
// caption and pixel size; Page Down and Page Up, or the buttons, show the
// next and the previous photo. A photo is decoded on another thread, its
// thumbnail shown until it is.
class frmPhotoViewer : public QDialog
{
    Q_OBJECT

public:
    // A photo as shown: the picture's bytes read when it is shown, and its
    // thumbnail and size as stored.
    struct Photo
    {
        std::function<QByteArray()> bytes;
        QString caption;
        QByteArray thumbnail;
        QSize size;
    };
    frmPhotoViewer(QList<Photo> photos, qsizetype first, QWidget* parent = nullptr);

    qsizetype shown() const { return m_shown; }
    // 0 while the photo is fitted to the window.
    double zoom() const { return m_zoom; }

protected:
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void showPhoto(qsizetype i);
    void describe();
    void zoomBy(double factor);
    void setZoom(double zoom);
    void paint();

    QList<Photo> m_photos;
    qsizetype m_shown = -1;
    // the photo shown, or its thumbnail until it is decoded, and its size
    QImage m_image;
    QSize m_size;
    PictureDecoder* m_decoder;
    double m_zoom = 0;
    QScrollArea* m_area;
    QLabel* lblPicture;
    QLabel* lblAbout;
    QPushButton* cmdPrevious;
    QPushButton* cmdNext;
    QPushButton* cmdFit;
    QPushButton* cmdActualSize;
};
