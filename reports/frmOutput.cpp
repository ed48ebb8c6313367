#include "frmOutput.h"

#include "PageView.h"
#include "PreviewPlace.h"
#include "ReportEngine.h"
#include "ReportRun.h"
#include "app/AppState.h"
#include "app/ErrorHandler.h"
#include "app/HelpKey.h"
#include "app/LongWork.h"
#include "app/WindowPlacement.h"

#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QStyle>
#include <QVBoxLayout>

frmOutput::frmOutput(AppState& state, QWidget* owner)
    : QWidget(owner, Qt::Window)
    , m_state(state)
    , m_owner(owner)
{
    setObjectName(QStringLiteral("frmOutput"));
    setWindowTitle(QStringLiteral("Report Output"));
    setAttribute(Qt::WA_DeleteOnClose);

    vsPrinter = new PageView;
    vsPrinter->setObjectName(QStringLiteral("vsPrinter"));
    vsViewPort1 = new QScrollArea;
    vsViewPort1->setObjectName(QStringLiteral("vsViewPort1"));
    vsViewPort1->setBackgroundRole(QPalette::Dark);
    vsViewPort1->setAlignment(Qt::AlignCenter);
    vsViewPort1->setWidget(vsPrinter);
    scrlPage = new QScrollBar(Qt::Vertical);
    scrlPage->setObjectName(QStringLiteral("scrlPage"));
    scrlPage->setRange(1, 1);
    scrlPage->setSingleStep(1);
    scrlPage->setPageStep(2);
    scrlPage->setToolTip(QStringLiteral("Page"));
    scrlPage->setAccessibleName(QStringLiteral("Page"));
    scrlPage->setFocusPolicy(Qt::StrongFocus);
    scrlZoom = new QScrollBar(Qt::Horizontal);
    scrlZoom->setObjectName(QStringLiteral("scrlZoom"));
    scrlZoom->setRange(10, 250);
    scrlZoom->setSingleStep(10);
    scrlZoom->setPageStep(50);
    scrlZoom->setToolTip(QStringLiteral("Zoom"));
    scrlZoom->setAccessibleName(QStringLiteral("Zoom"));
    scrlZoom->setFocusPolicy(Qt::StrongFocus);
    cmdPrint = new QPushButton(QStringLiteral("&Print"));
    cmdPrint->setObjectName(QStringLiteral("cmdPrint"));
    cmdPdf = new QPushButton(QStringLiteral("Save as P&DF"));
    cmdPdf->setObjectName(QStringLiteral("cmdPdf"));
    cmdOk = new QPushButton(QStringLiteral("&Ok"));
    cmdOk->setObjectName(QStringLiteral("cmdOk"));

    // the page's scroll bar under its name, apart from the view's own
    auto* pageLabel = new QLabel(QStringLiteral("Pa&ge"));
    pageLabel->setBuddy(scrlPage);
    auto* zoomLabel = new QLabel(QStringLiteral("&Zoom"));
    zoomLabel->setBuddy(scrlZoom);
    auto* pageColumn = new QVBoxLayout;
    pageColumn->addWidget(pageLabel, 0, Qt::AlignHCenter);
    pageColumn->addWidget(scrlPage, 1, Qt::AlignHCenter);
    auto* zoomRow = new QHBoxLayout;
    zoomRow->addWidget(zoomLabel);
    zoomRow->addWidget(scrlZoom, 1);

    auto* grid = new QGridLayout(this);
    grid->addWidget(vsViewPort1, 0, 0);
    grid->addLayout(pageColumn, 0, 1);
    grid->addLayout(zoomRow, 1, 0);
    lblPosition = new QLabel;
    lblPosition->setObjectName(QStringLiteral("lblPosition"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(lblPosition);
    buttons->addStretch();
    buttons->addWidget(cmdPrint);
    buttons->addWidget(cmdPdf);
    buttons->addWidget(cmdOk);
    grid->addLayout(buttons, 2, 0, 1, 2);
    grid->setRowStretch(0, 1);
    grid->setColumnStretch(0, 1);

    connectHandler(m_state, this, scrlPage, &QScrollBar::valueChanged, &frmOutput::scrlPage_Change);
    connectHandler(m_state, this, scrlZoom, &QScrollBar::valueChanged, &frmOutput::scrlZoom_Change);
    connectHandler(m_state, this, cmdPrint, &QPushButton::clicked, &frmOutput::cmdPrint_Click);
    connectHandler(m_state, this, cmdPdf, &QPushButton::clicked, &frmOutput::cmdPdf_Click);
    connectHandler(m_state, this, cmdOk, &QPushButton::clicked, &frmOutput::cmdOk_Click);
    addKey(QKeySequence(Qt::Key_PageDown), &frmOutput::PageDown_Key);
    addKey(QKeySequence(Qt::Key_PageUp), &frmOutput::PageUp_Key);
    addKey(QKeySequence(Qt::CTRL | Qt::Key_PageDown), &frmOutput::NextPage_Key);
    addKey(QKeySequence(Qt::CTRL | Qt::Key_PageUp), &frmOutput::PreviousPage_Key);
    addKey(QKeySequence(Qt::CTRL | Qt::Key_Home), &frmOutput::FirstPage_Key);
    addKey(QKeySequence(Qt::CTRL | Qt::Key_End), &frmOutput::LastPage_Key);
    // Ctrl and the plus key, shifted or not, as keyboards place it
    addKey(QKeySequence(Qt::CTRL | Qt::Key_Plus), &frmOutput::ZoomIn_Key);
    addKey(QKeySequence(Qt::CTRL | Qt::Key_Equal), &frmOutput::ZoomIn_Key);
    addKey(QKeySequence(Qt::CTRL | Qt::Key_Minus), &frmOutput::ZoomOut_Key);
    addKey(QKeySequence(Qt::CTRL | Qt::Key_0), &frmOutput::ActualSize_Key);
    setTabOrder(vsViewPort1, scrlPage);
    setTabOrder(scrlPage, scrlZoom);
    setTabOrder(scrlZoom, cmdPrint);
    vsViewPort1->setFocus();
    addHelpKey(this, m_state, kHelpTopic);
    runEvent(m_state, [this] { Form_Load(); });
}

frmOutput::~frmOutput() = default;

void frmOutput::addKey(const QKeySequence& key, void (frmOutput::*handler)())
{
    connectHandler(m_state, this, new QShortcut(key, this), &QShortcut::activated, handler);
}

PreviewPlace frmOutput::place() const
{
    const QScrollBar* view = vsViewPort1->verticalScrollBar();
    return {scrlPage->value(), scrlPage->maximum(), view->value(), view->maximum()};
}

void frmOutput::goTo(const PreviewPlace& place)
{
    scrlPage->setValue(place.page);
    vsViewPort1->verticalScrollBar()->setValue(place.scroll);
}

void frmOutput::PageDown_Key()
{
    goTo(pageDown(place(), vsViewPort1->verticalScrollBar()->pageStep()));
}

void frmOutput::PageUp_Key()
{
    goTo(pageUp(place(), vsViewPort1->verticalScrollBar()->pageStep()));
}

void frmOutput::NextPage_Key()
{
    scrlPage->setValue(scrlPage->value() + 1);
}

void frmOutput::PreviousPage_Key()
{
    scrlPage->setValue(scrlPage->value() - 1);
}

void frmOutput::FirstPage_Key()
{
    scrlPage->setValue(scrlPage->minimum());
}

void frmOutput::LastPage_Key()
{
    scrlPage->setValue(scrlPage->maximum());
}

void frmOutput::ZoomIn_Key()
{
    scrlZoom->setValue(zoomedIn(scrlZoom->value()));
}

void frmOutput::ZoomOut_Key()
{
    scrlZoom->setValue(zoomedOut(scrlZoom->value()));
}

void frmOutput::ActualSize_Key()
{
    scrlZoom->setValue(100);
}

void frmOutput::Form_Load()
{
    scrlZoom->setValue(60);
    scrlPage->setValue(1);
    vsPrinter->setZoom(scrlZoom->value());
    showPosition();
}

void frmOutput::placeForPage()
{
    // room for the whole page at the zoom in force, as far as the screen has it
    const int frame = vsViewPort1->frameWidth() * 2;
    const int bar = vsViewPort1->verticalScrollBar()->sizeHint().width();
    const QMargins margins = layout()->contentsMargins();
    const int spacing = layout()->spacing();
    QSize size = vsPrinter->size() + QSize(frame + bar, frame + bar);
    // the page's scroll bar under its name beside the page, the zoom's below it
    const auto* grid = static_cast<QGridLayout*>(layout());
    size += QSize(grid->itemAtPosition(0, 1)->sizeHint().width() + margins.left() + margins.right() + spacing,
                  grid->itemAtPosition(1, 0)->sizeHint().height() + cmdOk->sizeHint().height() +
                      margins.top() + margins.bottom() + 2 * spacing);
    const QScreen* screen = this->screen();
    if (!screen) {
        resize(size);
        return;
    }
    const QRect available = screen->availableGeometry();
    const int titleBar = style()->pixelMetric(QStyle::PM_TitleBarHeight);
    size = size.boundedTo(available.size() - QSize(2 * titleBar, 3 * titleBar));
    // no smaller than the controls below the page need
    resize(size.expandedTo(minimumSizeHint()));
    // over the window it belongs to, or the middle of the screen without one
    const QRect over = m_owner ? m_owner->window()->frameGeometry() : available;
    move(centredOver(over, this->size() + QSize(0, titleBar), available));
}

void frmOutput::showPosition()
{
    lblPosition->setText(QStringLiteral("Page %1 of %2    Zoom %3%")
                             .arg(scrlPage->value())
                             .arg(scrlPage->maximum())
                             .arg(scrlZoom->value()));
}

void frmOutput::showDocument(std::unique_ptr<ReportEngine> document, const QString& title)
{
    m_title = title;
    vsPrinter->setDocument(document.get());
    m_document = std::move(document);
    scrlPage->setMaximum(m_document->pageCount());
    scrlPage->setValue(1); // a new report opens at its first page
    vsPrinter->setPage(scrlPage->value());
    showPosition();
}

void frmOutput::scrlPage_Change()
{
    vsPrinter->setPage(scrlPage->value());
    showPosition();
}

void frmOutput::scrlZoom_Change()
{
    vsPrinter->setZoom(scrlZoom->value());
    showPosition();
}

void frmOutput::cmdPrint_Click()
{
    if (!m_document)
        return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(m_title);
    printer.setFullPage(true);
    printer.setPageSize(QPageSize(QSizeF(m_document->pageWidth() / 1440.0, m_document->pageHeight() / 1440.0),
                                  QPageSize::Inch));
    if (!m_state.dialogs.printSetup(printer))
        return;
    const QLocale& locale = m_state.regional.locale();
    LongWork work(m_state, [&locale](qint64 page, qint64 pages) {
        return QStringLiteral("Printing: page %1 of %2").arg(locale.toString(page), locale.toString(pages));
    });
    const bool printed = m_document->print(printer, [&](int page, int pages) {
        if (work.step(page, pages))
            return true;
        // stopped by the collector: the job is not sent
        printer.abort();
        return false;
    });
    work.off();
    // printed to a file, the part written goes with the job
    if (work.stopped() && !printer.outputFileName().isEmpty())
        QFile::remove(printer.outputFileName());
    if (!printed && !work.stopped())
        m_state.dialogs.messageBox(QStringLiteral("The report could not be printed."), Dialogs::Buttons::Ok,
                                   Dialogs::Icon::Exclamation, QStringLiteral("Report Not Printed"));
}

void frmOutput::cmdPdf_Click()
{
    if (m_document)
        saveReportPdf(m_state, *m_document, m_title);
}

void frmOutput::cmdOk_Click()
{
    close();
}
