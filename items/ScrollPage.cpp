#include "ScrollPage.h"

ScrollPage::ScrollPage(QWidget* page)
{
    setWidget(page);
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    viewport()->setAutoFillBackground(false);
    page->setAutoFillBackground(false);
}

QSize ScrollPage::sizeHint() const
{
    const int frame = 2 * frameWidth();
    return widget()->sizeHint() + QSize(frame, frame);
}
