#pragma once

#include "CollectionStatistics.h"

#include <QWidget>

#include <memory>

class AppState;
class QChartView;
class QGridLayout;
class QLabel;
class QListWidget;
class QPushButton;

// "Plonko Statistics": the collection's figures and one chart at a time,
// chosen from the list or with Ctrl+1 to Ctrl+6; the chart saved as a
// picture or a PDF, copied or printed. Read again when activated after the
// collection changed.
class frmStatistics : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kHelpTopic = 64;

    frmStatistics(AppState& state, QWidget* owner);
    ~frmStatistics() override;

    QListWidget* lstCharts;
    QChartView* chartView;
    // under a chart: how many items it leaves out for want of a date
    QLabel* lblNote;
    QPushButton* cmdSave;
    QPushButton* cmdCopy;
    QPushButton* cmdPrint;
    QPushButton* cmdClose;

    // The chart shown as an image of the size given, as saved and copied.
    QImage chartImage(const QSize& size) const;

protected:
    bool event(QEvent* event) override;

private:
    void Form_Activate();
    void lstCharts_Change();
    void cmdSave_Click();
    void cmdCopy_Click();
    void cmdPrint_Click();
    void readFigures();
    void showChart();

    AppState& m_state;
    QGridLayout* m_figures;
    // the collection's change count when last read; -1 before the first reading
    qint64 m_readAt = -1;
    QString m_date;
    // what the charts read of the collection as it was read last
    std::unique_ptr<Statistics::Series> m_series;
    // the collection read: the file is opened anew by a backup or compaction
    const void* m_readFrom = nullptr;
    // the figures read last, for the notes under the charts
    Statistics::Figures m_read;
    bool m_placed = false;
};
