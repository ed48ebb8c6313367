#pragma once

#include <QWidget>

class ReportEngine;

// A page of a report document on screen, at a zoom in percent: the widget is
// as large as the page at that zoom, and paints only that page.
class PageView : public QWidget
{
    Q_OBJECT

public:
    explicit PageView(QWidget* parent = nullptr);

    void setDocument(const ReportEngine* document);
    void setPage(int page);
    void setZoom(int percent);
    int page() const { return m_page; }
    int zoom() const { return m_zoom; }
    // The size on screen in twips: the page's size times the zoom.
    QSizeF twipsSize() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    qreal pixelsPerTwip() const;

    const ReportEngine* m_document = nullptr;
    int m_page = 1;
    int m_zoom = 60;
};
