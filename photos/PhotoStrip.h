#pragma once

#include "PhotoSet.h"
#include "PictureQueue.h"

#include <QWidget>

#include <functional>

class AppState;
class Dialogs;
class PictureDecoder;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// The "Photos" tab of the item window: the item's photos as a strip of
// thumbnails beside the selected one shown large, its caption, and the
// buttons that add and remove photos. Files dropped on it and a picture
// pasted are added too; Ctrl+Left and Ctrl+Right, or dragging a thumbnail,
// move the selected photo, the first being the item's main photo. Files
// are read on another thread, while the progress of adding them shows; the
// photo shown large is decoded on another thread too, its thumbnail shown
// meanwhile.
class PhotoStrip : public QWidget
{
    Q_OBJECT

public:
    explicit PhotoStrip(AppState& state, QWidget* parent = nullptr);
    ~PhotoStrip() override;

    // Shows the item's photos, as the tables hold them; item 0: none.
    void load(PhotoTables& tables, qint64 item);
    void clear();
    // Clears it as the collection closes.
    void release();
    // The photos as edited.
    const PhotoSet& photos() const;

    // Adds the pictures of these files, in this order, after the others; a
    // file that cannot be kept is told with its reason once all are read.
    // Many files show their progress, whose Cancel adds none of them.
    void addFiles(const QStringList& files);

signals:
    // The collector changed the photos: the item is being edited.
    void edited();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void cmdAddPhotos_Click();
    void cmdRemovePhoto_Click();
    void paste();
    void moveSelected(int by);
    void openViewer();
    void moveSelectedTo(int to);
    // The thumbnail at a point of the strip, or the one nearest it.
    int rowNearest(QPoint point) const;
    void selectionChanged();
    void refill(qsizetype selected);
    void showSelected();
    void showPicture(const QImage& image);
    void use(PictureQueue::Read& read);
    void added(const PhotoTables::Picture& picture, const QByteArray& bytes);
    void refuse(const QString& reason);

    AppState& m_state;
    Dialogs& m_dialogs;
    PhotoSet m_set;
    PhotoTables* m_tables = nullptr;
    bool m_filling = false;
    // the picture shown large, decoded on another thread; the digest of
    // the one shown, whose thumbnail shows until it is decoded
    PictureDecoder* m_decoder;
    QByteArray m_shown;
    QLabel* lblPhoto;
    QListWidget* lstPhotos;
    QLineEdit* txtCaption;
    QPushButton* cmdAddPhotos;
    QPushButton* cmdRemovePhoto;
};
