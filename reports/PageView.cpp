#include "PageView.h"

#include "ReportEngine.h"

#include <QPainter>

namespace {

// An empty window shows a page of eight by eleven inches.
constexpr int kBlankWidth = 11520;
constexpr int kBlankHeight = 15840;

} // namespace

PageView::PageView(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setZoom(m_zoom);
}

void PageView::setDocument(const ReportEngine* document)
{
    m_document = document;
    setZoom(m_zoom);
    update();
}

void PageView::setPage(int page)
{
    m_page = page;
    update();
}

QSizeF PageView::twipsSize() const
{
    const int width = m_document ? m_document->pageWidth() : kBlankWidth;
    const int height = m_document ? m_document->pageHeight() : kBlankHeight;
    // the products first, as whole numbers, then the fractional quotients
    return {float(width * m_zoom) / 100, float(height * m_zoom) / 100};
}

qreal PageView::pixelsPerTwip() const
{
    return logicalDpiX() / 1440.0;
}

void PageView::setZoom(int percent)
{
    m_zoom = percent;
    const QSizeF twips = twipsSize();
    resize(qCeil(twips.width() * pixelsPerTwip()), qCeil(twips.height() * pixelsPerTwip()));
    update();
}

void PageView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (!m_document)
        return;
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    const qreal scale = pixelsPerTwip() * m_zoom / 100;
    painter.scale(scale, scale);
    m_document->paintPage(painter, m_page);
}
