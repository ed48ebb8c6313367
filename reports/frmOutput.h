#pragma once

#include <QWidget>

#include <memory>

class AppState;
class PageView;
class QKeySequence;
class QLabel;
class QPushButton;
class QScrollArea;
class QScrollBar;
class ReportEngine;
struct PreviewPlace;

// "Report Output": one page of a finished report document at a time, at the
// zoom of its scroll bar, with printing and saving as a PDF.
class frmOutput : public QWidget
{
    Q_OBJECT

public:
    // the help topic on reports, which F1 opens
    static constexpr int kHelpTopic = 62;

    frmOutput(AppState& state, QWidget* owner);
    ~frmOutput() override;

    // Shows a finished document in place of the one before, at the zoom in force.
    void showDocument(std::unique_ptr<ReportEngine> document, const QString& title);
    // Sized for the whole page at the zoom in force, as far as the screen
    // allows, over the window it belongs to.
    void placeForPage();

    PageView* vsPrinter;
    QScrollArea* vsViewPort1;
    QScrollBar* scrlPage;
    QScrollBar* scrlZoom;
    QPushButton* cmdPrint;
    QPushButton* cmdPdf;
    QPushButton* cmdOk;
    // the page on display and the zoom, in words
    QLabel* lblPosition;

private:
    void Form_Load();
    void scrlPage_Change();
    void scrlZoom_Change();
    void cmdPrint_Click();
    void cmdPdf_Click();
    void cmdOk_Click();
    void showPosition();
    // The keys a reader pages and zooms with, from any control of the window.
    void addKey(const QKeySequence& key, void (frmOutput::*handler)());
    void PageDown_Key();
    void PageUp_Key();
    void NextPage_Key();
    void PreviousPage_Key();
    void FirstPage_Key();
    void LastPage_Key();
    void ZoomIn_Key();
    void ZoomOut_Key();
    void ActualSize_Key();
    PreviewPlace place() const;
    void goTo(const PreviewPlace& place);

    AppState& m_state;
    QWidget* m_owner;
    std::unique_ptr<ReportEngine> m_document;
    QString m_title;
};
