#include "HelpViewer.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSplitter>
#include <QStyle>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

const QString HelpViewer::UsingHelpPage = QStringLiteral("using-help");

namespace {

// Shown for "Using Help", which names no help file: the page must not come from one.
const char usingHelpHtml[] = R"(
<h2>Using Help</h2>
<p>The help window shows one topic at a time. Underlined words are links: click one
to open the topic it names.</p>
<h3>Finding your way</h3>
<ul>
<li><b>Contents</b> shows the list of all the main topics.</li>
<li><b>Back</b> returns to the topic you saw before; <b>Forward</b> goes on again after
you went back. Alt+Left and Alt+Right do the same from the keyboard.</li>
<li>In any window of the program, press <b>F1</b> to see the topic about that window.
The <b>Help</b> button of the item window and <b>Help &gt; Contents</b> open the
contents.</li>
</ul>
<h3>Searching for a topic</h3>
<p>Click <b>Search</b>, or choose <b>Help &gt; Search for Help on...</b> in the item
window. Type the first letters of the word you are looking for: the list below the
box keeps only the words and topic titles that contain a word starting with those
letters. Use the Up and Down keys or the mouse to pick one, then press Enter,
double-click it or click <b>Display</b> to open its topic. Click <b>Search</b> again to
hide the list.</p>
<h3>Closing help</h3>
<p>Press Esc or close the window. The help window stays out of the way of your work:
you can leave it open beside the item window while you enter your Plonkos.</p>
)";

const char topicStyleSheet[] = R"(
h2 { color: #1d4a7a; }
h3 { color: #1d4a7a; margin-top: 14px; }
p, li { line-height: 125%; }
)";

} // namespace

HelpViewer::HelpViewer(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("helpViewer"));
    setWindowTitle(tr("Plonko Wizmo Help"));

    auto makeButton = [this](const QString& name, const QString& text) {
        auto* button = new QPushButton(text, this);
        button->setObjectName(name);
        button->setAutoDefault(false);
        return button;
    };
    m_contentsButton = makeButton(QStringLiteral("contentsButton"), tr("&Contents"));
    m_searchButton = makeButton(QStringLiteral("searchButton"), tr("&Search"));
    m_searchButton->setCheckable(true);
    m_backButton = makeButton(QStringLiteral("backButton"), tr("&Back"));
    m_backButton->setIcon(style()->standardIcon(QStyle::SP_ArrowBack));
    m_forwardButton = makeButton(QStringLiteral("forwardButton"), tr("&Forward"));
    m_forwardButton->setIcon(style()->standardIcon(QStyle::SP_ArrowForward));

    auto* buttonRow = new QHBoxLayout;
    buttonRow->addWidget(m_contentsButton);
    buttonRow->addWidget(m_searchButton);
    buttonRow->addSpacing(12);
    buttonRow->addWidget(m_backButton);
    buttonRow->addWidget(m_forwardButton);
    buttonRow->addStretch();

    m_searchPane = new QWidget(this);
    m_searchPane->setObjectName(QStringLiteral("searchPane"));
    auto* searchLabel =
        new QLabel(tr("&Type the first letters of the word you are looking for:"), m_searchPane);
    searchLabel->setObjectName(QStringLiteral("searchLabel"));
    searchLabel->setWordWrap(true);
    m_searchEdit = new QLineEdit(m_searchPane);
    m_searchEdit->setObjectName(QStringLiteral("searchEdit"));
    m_searchEdit->setClearButtonEnabled(true);
    searchLabel->setBuddy(m_searchEdit);
    m_keywordList = new QListWidget(m_searchPane);
    m_keywordList->setObjectName(QStringLiteral("keywordList"));
    m_keywordList->setUniformItemSizes(true);
    m_displayButton = new QPushButton(tr("&Display"), m_searchPane);
    m_displayButton->setObjectName(QStringLiteral("displayButton"));
    m_displayButton->setAutoDefault(false);

    auto* searchLayout = new QVBoxLayout(m_searchPane);
    searchLayout->setContentsMargins(0, 0, 0, 0);
    searchLayout->addWidget(searchLabel);
    searchLayout->addWidget(m_searchEdit);
    searchLayout->addWidget(m_keywordList, 1);
    searchLayout->addWidget(m_displayButton, 0, Qt::AlignRight);

    m_topicBrowser = new QTextBrowser(this);
    m_topicBrowser->setObjectName(QStringLiteral("topicBrowser"));
    m_topicBrowser->setOpenLinks(false);
    m_topicBrowser->document()->setDefaultStyleSheet(QString::fromUtf8(topicStyleSheet));
    m_topicBrowser->document()->setDocumentMargin(12);

    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter->setObjectName(QStringLiteral("helpSplitter"));
    m_splitter->setChildrenCollapsible(false);
    m_splitter->addWidget(m_searchPane);
    m_splitter->addWidget(m_topicBrowser);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setSizes({240, 520});
    m_searchPane->hide();

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttonRow);
    layout->addWidget(m_splitter, 1);

    connect(m_contentsButton, &QPushButton::clicked, this,
            [this] { showContextTopic(HelpFile::ContentsTopic); });
    connect(m_searchButton, &QPushButton::toggled, this, &HelpViewer::setSearchVisible);
    connect(m_backButton, &QPushButton::clicked, this, &HelpViewer::goBack);
    connect(m_forwardButton, &QPushButton::clicked, this, &HelpViewer::goForward);
    connect(m_searchEdit, &QLineEdit::textChanged, this, &HelpViewer::fillKeywordList);
    connect(m_searchEdit, &QLineEdit::returnPressed, this, &HelpViewer::showChosenKeyword);
    connect(m_keywordList, &QListWidget::itemActivated, this, &HelpViewer::showChosenKeyword);
    connect(m_displayButton, &QPushButton::clicked, this, &HelpViewer::showChosenKeyword);
    connect(m_topicBrowser, &QTextBrowser::anchorClicked, this, &HelpViewer::followLink);
    m_searchEdit->installEventFilter(this);

    auto* backKey = new QShortcut(QKeySequence::Back, this, this, &HelpViewer::goBack);
    backKey->setObjectName(QStringLiteral("backShortcut"));
    auto* forwardKey = new QShortcut(QKeySequence::Forward, this, this, &HelpViewer::goForward);
    forwardKey->setObjectName(QStringLiteral("forwardShortcut"));
    auto* closeKey = new QShortcut(QKeySequence::Cancel, this, this, &QWidget::close);
    closeKey->setObjectName(QStringLiteral("closeShortcut"));

    // At a large scale factor the usual size is more than a small screen holds;
    // a tenth is left for the window frame.
    QSize size(780, 560);
    if (const QScreen* screen = this->screen())
        size = size.boundedTo(screen->availableGeometry().size() * 0.9);
    resize(size.expandedTo(minimumSizeHint()));
    updateButtons();
}

bool HelpViewer::execute(Dialogs& dialogs, const QString& helpFile, Dialogs::HelpCommand command, int topic)
{
    if (command == Dialogs::HelpCommand::HelpOnHelp) {
        showUsingHelp();
        present();
        return true;
    }
    const HelpFile::Status status = openFile(helpFile);
    if (status != HelpFile::Status::Loaded) {
        dialogs.messageBox(HelpFile::problemText(status, helpFile), Dialogs::Buttons::Ok,
                           Dialogs::Icon::Exclamation);
        return false;
    }
    if (command == Dialogs::HelpCommand::PartialKey)
        showSearch();
    else
        showContextTopic(topic);
    present();
    return true;
}

HelpFile::Status HelpViewer::openFile(const QString& path)
{
    HelpFile file;
    const HelpFile::Status status = file.load(path);
    if (status != HelpFile::Status::Loaded)
        return status;
    const QString absolutePath = QFileInfo(path).absoluteFilePath();
    if (absolutePath != m_filePath) {
        m_history.clear();
        m_historyPos = -1;
        m_filePath = absolutePath;
    }
    m_file = std::move(file);
    fillKeywordList(m_searchEdit->text());
    updateButtons();
    return status;
}

void HelpViewer::showContextTopic(int number)
{
    if (const HelpTopic* topic = m_file.contextTopic(number))
        navigate(topic->id);
}

void HelpViewer::showTopic(const QString& id)
{
    if (m_file.topicById(id))
        navigate(id);
    else
        showContextTopic(HelpFile::ContentsTopic);
}

void HelpViewer::showUsingHelp()
{
    navigate(UsingHelpPage);
}

void HelpViewer::showSearch()
{
    if (m_file.isEmpty())
        return;
    if (m_historyPos < 0)
        showContextTopic(HelpFile::ContentsTopic);
    m_searchButton->setChecked(true);
    m_searchEdit->setFocus();
    m_searchEdit->selectAll();
}

void HelpViewer::goBack()
{
    if (m_historyPos <= 0)
        return;
    --m_historyPos;
    render();
}

void HelpViewer::goForward()
{
    if (m_historyPos + 1 >= m_history.size())
        return;
    ++m_historyPos;
    render();
}

QString HelpViewer::currentPage() const
{
    return m_historyPos < 0 ? QString() : m_history.at(m_historyPos);
}

bool HelpViewer::eventFilter(QObject* watched, QEvent* event)
{
    // The list follows the arrow keys while the cursor stays in the search box,
    // so that a keyword can be typed, picked and opened without the mouse.
    if (watched == m_searchEdit && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp || key == Qt::Key_PageDown) {
            QCoreApplication::sendEvent(m_keywordList, event);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void HelpViewer::navigate(const QString& page)
{
    if (page == currentPage()) {
        render();
        return;
    }
    m_history.resize(m_historyPos + 1);
    m_history.append(page);
    m_historyPos = m_history.size() - 1;
    render();
}

void HelpViewer::render()
{
    const QString page = currentPage();
    if (page == UsingHelpPage) {
        m_topicBrowser->setHtml(QString::fromUtf8(usingHelpHtml));
    } else {
        // The file may have changed since the page was put in the history.
        const HelpTopic* topic = m_file.topicById(page);
        if (!topic)
            topic = m_file.contextTopic(HelpFile::ContentsTopic);
        m_topicBrowser->setHtml(topic ? topic->html : QString());
    }
    updateButtons();
}

void HelpViewer::present()
{
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}

void HelpViewer::updateButtons()
{
    const bool haveFile = !m_file.isEmpty();
    m_contentsButton->setEnabled(haveFile);
    m_searchButton->setEnabled(haveFile);
    if (!haveFile)
        m_searchButton->setChecked(false);
    m_backButton->setEnabled(m_historyPos > 0);
    m_forwardButton->setEnabled(m_historyPos + 1 < m_history.size());
}

void HelpViewer::setSearchVisible(bool visible)
{
    m_searchPane->setVisible(visible);
    if (visible)
        m_searchEdit->setFocus();
}

void HelpViewer::fillKeywordList(const QString& text)
{
    const QList<HelpIndexEntry> entries = m_file.search(text);
    // A keyword that leads to several topics is listed once per topic, so each
    // line then names its topic as well.
    QHash<QString, int> uses;
    for (const HelpIndexEntry& entry : entries)
        ++uses[entry.keyword.toCaseFolded()];

    m_keywordList->clear();
    for (const HelpIndexEntry& entry : entries) {
        QString line = entry.keyword;
        if (uses.value(entry.keyword.toCaseFolded()) > 1 && entry.keyword != entry.topicTitle)
            line += QStringLiteral(" \u2014 ") + entry.topicTitle;
        auto* item = new QListWidgetItem(line, m_keywordList);
        item->setData(Qt::UserRole, entry.topicId);
        item->setToolTip(entry.topicTitle);
    }
    if (m_keywordList->count() > 0)
        m_keywordList->setCurrentRow(0);
    m_displayButton->setEnabled(m_keywordList->count() > 0);
}

void HelpViewer::showChosenKeyword()
{
    if (const QListWidgetItem* item = m_keywordList->currentItem())
        showTopic(item->data(Qt::UserRole).toString());
}

void HelpViewer::followLink(const QUrl& url)
{
    if (url.isRelative() && url.path().isEmpty() && url.hasFragment())
        showTopic(url.fragment());
    else if (url.scheme() == u"http" || url.scheme() == u"https" || url.scheme() == u"mailto")
        QDesktopServices::openUrl(url);
}
