#include "frmStatistics.h"

#include "CollectionStatistics.h"
#include "StatisticsCharts.h"
#include "app/AppState.h"
#include "app/ErrorHandler.h"
#include "app/HelpKey.h"
#include "app/WindowPlacement.h"
#include "reports/ReportRun.h"

#include <QtCharts/QChart>
#include <QtCharts/QChartView>

#include <QClipboard>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPushButton>
#include <QSaveFile>
#include <QScreen>
#include <QShortcut>
#include <QSvgGenerator>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// the size a chart is saved and copied at, in pixels
const QSize kSavedSize(1200, 800);

} // namespace

frmStatistics::frmStatistics(AppState& state, QWidget* owner)
    : QWidget(owner, Qt::Window)
    , m_state(state)
{
    setObjectName(u"frmStatistics"_s);
    setWindowTitle(u"Plonko Statistics"_s);
    setAttribute(Qt::WA_DeleteOnClose);

    auto* figures = new QWidget;
    m_figures = new QGridLayout(figures);
    m_figures->setContentsMargins(0, 0, 0, 0);
    lstCharts = new QListWidget;
    lstCharts->setObjectName(u"lstCharts"_s);
    const QStringList names = StatisticsCharts::names();
    for (qsizetype i = 0; i < names.size(); ++i)
        lstCharts->addItem(u"%1  (Ctrl+%2)"_s.arg(names[i]).arg(i + 1));
    lstCharts->setFixedWidth(lstCharts->sizeHintForColumn(0) + 4 * fontMetrics().averageCharWidth());
    chartView = new QChartView;
    chartView->setObjectName(u"chartView"_s);
    chartView->setRenderHint(QPainter::Antialiasing);
    chartView->setMinimumSize(360, 240);
    lblNote = new QLabel;
    lblNote->setObjectName(u"lblNote"_s);
    cmdSave = new QPushButton(u"&Save Chart..."_s);
    cmdSave->setObjectName(u"cmdSave"_s);
    cmdCopy = new QPushButton(u"&Copy"_s);
    cmdCopy->setObjectName(u"cmdCopy"_s);
    cmdPrint = new QPushButton(u"&Print..."_s);
    cmdPrint->setObjectName(u"cmdPrint"_s);
    cmdClose = new QPushButton(u"Close"_s);
    cmdClose->setObjectName(u"cmdClose"_s);

    auto* chartSide = new QVBoxLayout;
    chartSide->addWidget(chartView, 1);
    chartSide->addWidget(lblNote);
    auto* middle = new QHBoxLayout;
    middle->addWidget(lstCharts);
    middle->addLayout(chartSide, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* button : {cmdSave, cmdCopy, cmdPrint, cmdClose})
        buttons->addWidget(button);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(figures);
    layout->addLayout(middle, 1);
    layout->addLayout(buttons);

    connectHandler(m_state, this, lstCharts, &QListWidget::currentRowChanged,
                   &frmStatistics::lstCharts_Change);
    connectHandler(m_state, this, cmdSave, &QPushButton::clicked, &frmStatistics::cmdSave_Click);
    connectHandler(m_state, this, cmdCopy, &QPushButton::clicked, &frmStatistics::cmdCopy_Click);
    connectHandler(m_state, this, cmdPrint, &QPushButton::clicked, &frmStatistics::cmdPrint_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);
    for (int i = 0; i < StatisticsCharts::kCharts; ++i)
        connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_1 + i)), this), &QShortcut::activated,
                lstCharts, [this, i] { lstCharts->setCurrentRow(i); });
    connectHandler(m_state, this, new QShortcut(QKeySequence::Copy, this), &QShortcut::activated,
                   &frmStatistics::cmdCopy_Click);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::close);
    addHelpKey(this, m_state, kHelpTopic);
}

frmStatistics::~frmStatistics() = default;

bool frmStatistics::event(QEvent* event)
{
    if (event->type() == QEvent::Show && !m_placed) {
        // first over the middle of the window it belongs to, inside the screen
        m_placed = true;
        const QWidget* owner = parentWidget();
        const QRect available = screen()->availableGeometry();
        const QSize size = sizeHint().expandedTo(QSize(960, 640)).boundedTo(available.size());
        setGeometry(QRect(centredOver(owner ? owner->frameGeometry() : available, size, available), size));
    }
    if (event->type() == QEvent::WindowActivate || event->type() == QEvent::Show)
        runEvent(m_state, [this] { Form_Activate(); });
    return QWidget::event(event);
}

// read again only when the collection changed since
void frmStatistics::Form_Activate()
{
    // closed for a moment, while a backup or compaction runs
    if (!m_state.CollectionDb)
        return;
    const qint64 changes = m_state.db().ChangeCount();
    if (changes == m_readAt && m_state.CollectionDb.get() == m_readFrom)
        return;
    m_readFrom = m_state.CollectionDb.get();
    BusyPointer busy(m_state.dialogs);
    m_readAt = changes;
    m_date = m_state.regional.formatShortDate(m_state.today());
    m_series = std::make_unique<Statistics::Series>();
    readFigures();
    if (lstCharts->currentRow() < 0)
        lstCharts->setCurrentRow(0); // shows it
    else
        showChart();
}

void frmStatistics::readFigures()
{
    while (QLayoutItem* item = m_figures->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    m_read = Statistics::figures(m_state.db());
    const auto lines = StatisticsCharts::figureLines(m_read, m_state.regional);
    // held, sold and wanted side by side, each a label and its figure
    const int firsts[] = {0, 5, 9, 11};
    for (int group = 0; group < 3; ++group)
        for (int line = firsts[group]; line < firsts[group + 1]; ++line) {
            auto* label = new QLabel(lines[line].first + u':');
            auto* figure = new QLabel(lines[line].second);
            figure->setObjectName(u"figure%1"_s.arg(line));
            figure->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            figure->setTextInteractionFlags(Qt::TextSelectableByMouse);
            m_figures->addWidget(label, line - firsts[group], group * 3);
            m_figures->addWidget(figure, line - firsts[group], group * 3 + 1);
        }
    for (int group = 0; group < 3; ++group)
        m_figures->setColumnMinimumWidth(group * 3 + 2, 3 * fontMetrics().averageCharWidth());
    m_figures->setColumnStretch(8, 1);
}

void frmStatistics::lstCharts_Change()
{
    if (m_readAt >= 0 && lstCharts->currentRow() >= 0)
        showChart();
}

void frmStatistics::showChart()
{
    BusyPointer busy(m_state.dialogs);
    QChart* old = chartView->chart();
    const auto chart = StatisticsCharts::Chart(lstCharts->currentRow());
    chartView->setChart(StatisticsCharts::make(chart, m_state.db(), *m_series, m_state.regional, m_date));
    delete old;
    lblNote->setText(StatisticsCharts::note(chart, m_read, m_state.regional));
}

QImage frmStatistics::chartImage(const QSize& size) const
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    chartView->scene()->render(&painter, QRectF(image.rect()), chartView->sceneRect());
    return image;
}

void frmStatistics::cmdSave_Click()
{
    const QStringList names = StatisticsCharts::names();
    const std::optional<QString> chosen =
        chooseFileToWrite(m_state, names.value(lstCharts->currentRow()) + u".png"_s,
                          u"PNG Picture (*.png)|*.png|SVG Drawing (*.svg)|*.svg|PDF File (*.pdf)|*.pdf"_s);
    if (!chosen)
        return;
    // written whole or not at all: any earlier file stays as it was on a failure
    QSaveFile file(*chosen);
    const QString kind = QFileInfo(*chosen).suffix().toLower();
    const QRectF scene = chartView->sceneRect();
    bool saved = file.open(QIODevice::WriteOnly);
    if (saved && kind == u"svg") {
        QSvgGenerator svg;
        svg.setOutputDevice(&file);
        svg.setSize(kSavedSize);
        svg.setViewBox(QRect(QPoint(), kSavedSize));
        svg.setTitle(names.value(lstCharts->currentRow()));
        QPainter painter;
        saved = painter.begin(&svg);
        if (saved) {
            chartView->scene()->render(&painter, QRectF(QPoint(), kSavedSize), scene);
            saved = painter.end();
        }
    } else if (saved && kind == u"pdf") {
        QPdfWriter pdf(&file);
        pdf.setTitle(names.value(lstCharts->currentRow()));
        pdf.setCreator(u"Plonko Wizmo"_s);
        pdf.setPageOrientation(QPageLayout::Landscape);
        QPainter painter;
        saved = painter.begin(&pdf);
        if (saved) {
            chartView->scene()->render(&painter, QRectF(painter.viewport()), scene);
            saved = painter.end();
        }
    } else if (saved) {
        saved = chartImage(kSavedSize).save(&file, "png");
    }
    if (!(saved && file.error() == QFileDevice::NoError && file.commit()))
        m_state.dialogs.messageBox(
            u"The chart could not be saved to '%1'.  %2"_s.arg(*chosen, file.errorString()),
            Dialogs::Buttons::Ok, Dialogs::Icon::Exclamation, u"Chart Not Saved"_s);
}

void frmStatistics::cmdCopy_Click()
{
    QGuiApplication::clipboard()->setImage(chartImage(kSavedSize));
}

void frmStatistics::cmdPrint_Click()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(windowTitle());
    printer.setPageOrientation(QPageLayout::Landscape);
    if (!m_state.dialogs.printSetup(printer))
        return;
    QPainter painter;
    if (!painter.begin(&printer)) {
        m_state.dialogs.messageBox(u"The chart could not be printed."_s, Dialogs::Buttons::Ok,
                                   Dialogs::Icon::Exclamation, u"Chart Not Printed"_s);
        return;
    }
    chartView->scene()->render(&painter, QRectF(painter.viewport()), chartView->sceneRect());
    if (!painter.end())
        m_state.dialogs.messageBox(u"The chart could not be printed."_s, Dialogs::Buttons::Ok,
                                   Dialogs::Icon::Exclamation, u"Chart Not Printed"_s);
}
