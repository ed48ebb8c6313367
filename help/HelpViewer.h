#pragma once

#include "app/Dialogs.h"
#include "HelpFile.h"

#include <QStringList>
#include <QWidget>

class QLineEdit;
class QListWidget;
class QPushButton;
class QSplitter;
class QTextBrowser;
class QUrl;

// The help window: one topic of the help file at a time, a Contents button,
// Back and Forward through the pages seen, and a keyword search. Modeless; the
// program keeps one and brings it forward for every help command.
class HelpViewer : public QWidget
{
    Q_OBJECT

public:
    // Stands for the built-in page on using help wherever a topic id is expected.
    static const QString UsingHelpPage;

    explicit HelpViewer(QWidget* parent = nullptr);

    // Carries out a help command and brings the window forward. A help file that
    // cannot be loaded is reported through dialogs and leaves the window as it
    // was. Returns whether the command was carried out.
    bool execute(Dialogs& dialogs, const QString& helpFile, Dialogs::HelpCommand command, int topic);

    // Reads the help file again; the history is kept while the file is the same.
    HelpFile::Status openFile(const QString& path);
    const HelpFile& helpFile() const { return m_file; }

    void showContextTopic(int number);
    // An id the file does not hold opens the contents.
    void showTopic(const QString& id);
    void showUsingHelp();
    // Opens the keyword search with the cursor in its text box.
    void showSearch();
    void goBack();
    void goForward();

    // The topic id shown, or UsingHelpPage; empty before anything was shown.
    QString currentPage() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void navigate(const QString& page);
    void render();
    void present();
    void updateButtons();
    void setSearchVisible(bool visible);
    void fillKeywordList(const QString& text);
    void showChosenKeyword();
    void followLink(const QUrl& url);

    HelpFile m_file;
    QString m_filePath;
    QStringList m_history;
    qsizetype m_historyPos = -1;

    QPushButton* m_contentsButton;
    QPushButton* m_searchButton;
    QPushButton* m_backButton;
    QPushButton* m_forwardButton;
    QSplitter* m_splitter;
    QWidget* m_searchPane;
    QLineEdit* m_searchEdit;
    QListWidget* m_keywordList;
    QPushButton* m_displayButton;
    QTextBrowser* m_topicBrowser;
};
