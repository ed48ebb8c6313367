#include "ScriptedDialogs.h"
#include "app/Dialogs.h"
#include "help/HelpFile.h"
#include "help/HelpViewer.h"
#include "app/QtDialogs.h"
#include "app/frmAbout.h"
#include "custom/frmRptSpec.h"
#include "dates/frmDateEnt.h"
#include "items/frmFind.h"
#include "reports/frmOutput.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QString shippedHelpFile()
{
    return QFINDTESTDATA("../help/Plonko.hlp");
}

const char sampleFile[] = R"(<html><body>
<!-- Topics are <section id="topic-1"> elements, </section> ends them. -->
<section id="topic-0" data-keywords="contents; start">
  <h2>Contents</h2><p>See <a href="#topic-7">Brands</a>.</p>
</section>
<section data-keywords="lost"><h2>No id</h2></section>
<section id="topic-7" data-keywords=" brands ;; Brand Report ; maker &amp; label ">
  <h2 class="t">Brands &amp; <i>Makers</i></h2><p>Body</p>
</section>
<section id="topic-7"><h2>Repeated</h2></section>
<section id="dates" data-keywords="dates; date format"><p>No heading</p></section>
</body></html>)";

enum class Box
{
    Message,
    Question,
    Input
};

// Asks through the dialogs, takes the box's frame as it is shown and closes it.
QRect shownBox(QtDialogs& dialogs, Box box, const QString& title, const QString& text)
{
    QRect shown;
    QTimer::singleShot(0, [&shown] {
        if (auto* open = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            shown = open->frameGeometry();
            open->reject();
        }
    });
    switch (box) {
    case Box::Message:
        dialogs.messageBox(text, Dialogs::Buttons::Ok, Dialogs::Icon::None, title);
        break;
    case Box::Question:
        dialogs.messageBox(text, Dialogs::Buttons::YesNo, Dialogs::Icon::Question, title);
        break;
    case Box::Input:
        dialogs.inputBox(text, title, QString());
        break;
    }
    return shown;
}

// A top-level window with a text box to take the focus.
struct Window : QWidget
{
    Window(const QRect& geometry)
    {
        setWindowTitle(QStringLiteral("Window"));
        (new QVBoxLayout(this))->addWidget(new QLineEdit);
        setGeometry(geometry);
    }
};

} // namespace

class TestHelp : public QObject
{
    Q_OBJECT

private slots:
    void shippedFileHasEveryContextTopic_data();
    void shippedFileHasEveryContextTopic();
    void shippedTopicsNameTheirWindowsKeys();
    void shippedLinksLeadToTopics();
    void parsesSections();
    void contextTopicFallsBack_data();
    void contextTopicFallsBack();
    void search_data();
    void search();
    void loadReportsProblems_data();
    void loadReportsProblems();
    void viewerShowsTopicAndHistory();
    void viewerKeywordSearch();
    void viewerUsingHelpNeedsNoFile();
    void viewerReportsMissingFile();
    void fileFilter_data();
    void fileFilter();
    void busyCursorIsBalanced();
    void boxesCentreOnTheWindowThatAsked_data();
    void boxesCentreOnTheWindowThatAsked();
    void boxesAreWideEnoughForTheirTitle_data();
    void boxesAreWideEnoughForTheirTitle();
    void helpWindowFitsTheScreen();
    void helpWindowWorksBesideADialog();
    void aboutBox();
};

void TestHelp::shippedFileHasEveryContextTopic_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("titleWord");

    QTest::newRow("contents") << 0 << "Contents";
    QTest::newRow("conditions") << 18 << "Plonko Conditions";
    QTest::newRow("backup") << 43 << "Backing Up";
    QTest::newRow("sellers") << 49 << "Sellers";
    QTest::newRow("tag conditions") << 50 << "Tag Conditions";
    QTest::newRow("brands") << 51 << "Brands";
    QTest::newRow("special series") << 52 << "Special Series";
    QTest::newRow("tag generations") << 54 << "Tag Generations";
    QTest::newRow("series report") << 56 << "Special Series Report";
    QTest::newRow("brand report") << 57 << "Brand Report";
    QTest::newRow("seller report") << 59 << "Seller Report";
    QTest::newRow("find dialog") << frmFind::kHelpTopic << "Finding";
    QTest::newRow("calendar") << frmDateEnt::kHelpTopic << "Dates";
    QTest::newRow("report output") << frmOutput::kHelpTopic << "Reports";
    QTest::newRow("custom report") << frmRptSpec::kHelpTopic << "Custom Reports";
}

void TestHelp::shippedFileHasEveryContextTopic()
{
    QFETCH(int, number);
    QFETCH(QString, titleWord);

    HelpFile file;
    QCOMPARE(file.load(shippedHelpFile()), HelpFile::Status::Loaded);
    const HelpTopic* topic = file.topicByNumber(number);
    QVERIFY(topic);
    QVERIFY2(topic->title.contains(titleWord), qPrintable(topic->title));
    QVERIFY(!topic->keywords.isEmpty());
}

// The topic of a window that answers keys of its own names each of them.
void TestHelp::shippedTopicsNameTheirWindowsKeys()
{
    HelpFile file;
    QCOMPARE(file.load(shippedHelpFile()), HelpFile::Status::Loaded);
    const HelpTopic* preview = file.topicByNumber(frmOutput::kHelpTopic);
    QVERIFY(preview);
    for (const char* key : {"Page Down", "Page Up", "Ctrl+Page Down", "Ctrl+Page Up", "Ctrl+Home", "Ctrl+End",
                            "Ctrl+plus", "Ctrl+minus", "Ctrl+0", "Alt+G", "Alt+Z"})
        QVERIFY2(preview->html.contains(QStringLiteral("<b>%1</b>").arg(QLatin1String(key))), key);
}

void TestHelp::shippedLinksLeadToTopics()
{
    HelpFile file;
    QCOMPARE(file.load(shippedHelpFile()), HelpFile::Status::Loaded);

    static const QRegularExpression link(QStringLiteral("href=\"#([^\"]*)\""));
    for (const HelpTopic& topic : file.topics()) {
        for (auto it = link.globalMatch(topic.html); it.hasNext();) {
            const QString target = it.next().captured(1);
            QVERIFY2(file.topicById(target), qPrintable(topic.id + " links to " + target));
        }
    }
    // A topic without a number is found only through a link or the search.
    const HelpTopic* contents = file.topicByNumber(HelpFile::ContentsTopic);
    QVERIFY(contents);
    for (const HelpTopic& topic : file.topics()) {
        if (topic.number < 0)
            QVERIFY2(contents->html.contains("href=\"#" + topic.id + '"'), qPrintable(topic.id));
    }
}

void TestHelp::parsesSections()
{
    const HelpFile file{QString::fromUtf8(sampleFile)};

    QCOMPARE(file.topics().size(), 3);
    const HelpTopic* brands = file.topicByNumber(7);
    QVERIFY(brands);
    QCOMPARE(brands->id, "topic-7");
    QCOMPARE(brands->title, "Brands & Makers");
    QCOMPARE(brands->keywords, QStringList({"brands", "Brand Report", "maker & label"}));
    QVERIFY(brands->html.contains("<p>Body</p>"));

    const HelpTopic* dates = file.topicById("dates");
    QVERIFY(dates);
    QCOMPARE(dates->number, -1);
    QCOMPARE(dates->title, "dates");
    QVERIFY(!file.topicById(QString()));
}

void TestHelp::contextTopicFallsBack_data()
{
    QTest::addColumn<QString>("html");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("expected");

    const QString sample = QString::fromUtf8(sampleFile);
    QTest::newRow("known") << sample << 7 << "topic-7";
    QTest::newRow("contents") << sample << 0 << "topic-0";
    QTest::newRow("unknown") << sample << 999 << "topic-0";
    QTest::newRow("negative") << sample << -1 << "topic-0";
    QTest::newRow("no contents topic")
        << "<section id=\"first\"><h2>A</h2></section><section id=\"topic-3\"><h2>B</h2></section>" << 5
        << "first";
    QTest::newRow("empty file") << "<html></html>" << 0 << "";
}

void TestHelp::contextTopicFallsBack()
{
    QFETCH(QString, html);
    QFETCH(int, number);
    QFETCH(QString, expected);

    const HelpFile file(html);
    const HelpTopic* topic = file.contextTopic(number);
    QCOMPARE(topic ? topic->id : QString(), expected);
}

void TestHelp::search_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("keywords");

    QTest::newRow("prefix, any case") << "BRAND" << QStringList{"Brand Report", "brands", "Brands & Makers"};
    QTest::newRow("later word after prefixes") << "ma" << QStringList{"maker & label", "Brands & Makers"};
    QTest::newRow("blanks ignored") << "  date   format " << QStringList{"date format"};
    QTest::newRow("middle of a word") << "rand" << QStringList{};
    QTest::newRow("nothing") << "zzz" << QStringList{};
}

void TestHelp::search()
{
    QFETCH(QString, text);
    QFETCH(QStringList, keywords);

    const HelpFile file{QString::fromUtf8(sampleFile)};
    QStringList found;
    for (const HelpIndexEntry& entry : file.search(text))
        found.append(entry.keyword);
    QCOMPARE(found, keywords);
}

void TestHelp::loadReportsProblems_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<HelpFile::Status>("status");
    QTest::addColumn<QString>("message");

    QTest::newRow("missing") << "absent.hlp" << QByteArray() << HelpFile::Status::NotFound
                             << "The help file '%1' could not be found.";
    QTest::newRow("directory") << "folder.hlp" << QByteArray() << HelpFile::Status::Unreadable
                               << "The help file '%1' could not be read.";
    QTest::newRow("no topics") << "plain.hlp" << QByteArray("just text") << HelpFile::Status::NoTopics
                               << "The file '%1' holds no help topics.";
    QTest::newRow("good") << "good.hlp" << QByteArray(sampleFile) << HelpFile::Status::Loaded << "";
}

void TestHelp::loadReportsProblems()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(HelpFile::Status, status);
    QFETCH(QString, message);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(name);
    if (name == "folder.hlp")
        QVERIFY(QDir(dir.path()).mkdir(name));
    else if (!content.isEmpty()) {
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(content);
    }

    HelpFile file{QString::fromUtf8(sampleFile)};
    QCOMPARE(file.load(path), status);
    QCOMPARE(HelpFile::problemText(status, name), message.isEmpty() ? QString() : message.arg(name));
    // A file that did not load leaves the topics as they were.
    QCOMPARE(file.topics().size(), 3);
}

void TestHelp::viewerShowsTopicAndHistory()
{
    ScriptedDialogs dialogs;
    HelpViewer viewer;
    auto* browser = viewer.findChild<QTextBrowser*>("topicBrowser");
    auto* back = viewer.findChild<QPushButton*>("backButton");
    auto* forward = viewer.findChild<QPushButton*>("forwardButton");
    auto* contents = viewer.findChild<QPushButton*>("contentsButton");
    QVERIFY(browser && back && forward && contents);

    QVERIFY(viewer.execute(dialogs, shippedHelpFile(), Dialogs::HelpCommand::Context, 51));
    QVERIFY(viewer.isVisible());
    QVERIFY(browser->toPlainText().startsWith("Brands"));

    QVERIFY(viewer.execute(dialogs, shippedHelpFile(), Dialogs::HelpCommand::Context, 12345));
    QCOMPARE(viewer.currentPage(), "topic-0");

    emit browser->anchorClicked(QUrl("#topic-49"));
    QCOMPARE(viewer.currentPage(), "topic-49");
    QVERIFY(browser->toPlainText().startsWith("Sellers"));

    QTest::mouseClick(back, Qt::LeftButton);
    QCOMPARE(viewer.currentPage(), "topic-0");
    QTest::mouseClick(back, Qt::LeftButton);
    QCOMPARE(viewer.currentPage(), "topic-51");
    QVERIFY(!back->isEnabled());
    QTest::mouseClick(forward, Qt::LeftButton);
    QCOMPARE(viewer.currentPage(), "topic-0");

    // A new page drops the pages one could have gone forward to.
    QTest::mouseClick(back, Qt::LeftButton);
    QTest::mouseClick(contents, Qt::LeftButton);
    QCOMPARE(viewer.currentPage(), "topic-0");
    QVERIFY(!forward->isEnabled());
    QVERIFY(dialogs.messages.isEmpty());
}

void TestHelp::viewerKeywordSearch()
{
    ScriptedDialogs dialogs;
    HelpViewer viewer;
    QVERIFY(viewer.execute(dialogs, shippedHelpFile(), Dialogs::HelpCommand::PartialKey, 0));

    auto* edit = viewer.findChild<QLineEdit*>("searchEdit");
    auto* list = viewer.findChild<QListWidget*>("keywordList");
    QVERIFY(edit && list);
    QVERIFY(edit->isVisible());
    QCOMPARE(viewer.currentPage(), "topic-0");
    QCOMPARE(list->count(), viewer.helpFile().index().size());

    QTest::keyClicks(edit, "pack");
    QVERIFY(list->count() > 0);
    for (int row = 0; row < list->count(); ++row)
        QVERIFY(list->item(row)->text().contains("pack", Qt::CaseInsensitive));
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(viewer.currentPage(), "topic-43");

    // "brand" (Brands), then "Brand Report": the arrow keys in the box move the list.
    edit->clear();
    QTest::keyClicks(edit, "brand");
    QTest::keyClick(edit, Qt::Key_Down);
    QTest::mouseClick(viewer.findChild<QPushButton*>("displayButton"), Qt::LeftButton);
    QCOMPARE(viewer.currentPage(), "topic-57");
}

void TestHelp::viewerUsingHelpNeedsNoFile()
{
    ScriptedDialogs dialogs;
    HelpViewer viewer;
    QVERIFY(viewer.execute(dialogs, QString(), Dialogs::HelpCommand::HelpOnHelp, 0));

    QVERIFY(dialogs.messages.isEmpty());
    QVERIFY(viewer.isVisible());
    QCOMPARE(viewer.currentPage(), HelpViewer::UsingHelpPage);
    QVERIFY(viewer.findChild<QTextBrowser*>("topicBrowser")->toPlainText().contains("Back"));
    QVERIFY(!viewer.findChild<QPushButton*>("contentsButton")->isEnabled());
    QVERIFY(!viewer.findChild<QPushButton*>("searchButton")->isEnabled());
}

void TestHelp::viewerReportsMissingFile()
{
    ScriptedDialogs dialogs;
    HelpViewer viewer;
    QTemporaryDir dir;
    const QString missing = dir.filePath("Plonko.hlp");

    QVERIFY(!viewer.execute(dialogs, missing, Dialogs::HelpCommand::Context, 18));
    QVERIFY(!viewer.execute(dialogs, missing, Dialogs::HelpCommand::PartialKey, 0));

    QVERIFY(!dialogs.ended);
    QCOMPARE(dialogs.messages.size(), 2);
    QCOMPARE(dialogs.messages.first().text, "The help file '" + missing + "' could not be found.");
    QCOMPARE(dialogs.messages.first().buttons, Dialogs::Buttons::Ok);
    QVERIFY(dialogs.messages.first().title.isEmpty());
    QVERIFY(!viewer.isVisible());
    QVERIFY(viewer.currentPage().isEmpty());

    // Once the file is there again, the next command finds it.
    QVERIFY(QFile::copy(shippedHelpFile(), missing));
    QVERIFY(viewer.execute(dialogs, missing, Dialogs::HelpCommand::Context, 18));
    QCOMPARE(viewer.currentPage(), "topic-18");
    QCOMPARE(dialogs.messages.size(), 2);
}

void TestHelp::fileFilter_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("expected");

    QTest::newRow("text files") << "Text Files (*.txt)|*.txt|All Files (*.*)|*.*"
                                << "Text Files (*.txt);;All Files (*)";
    QTest::newRow("html files") << "Html Files (*.htm)|*.htm|All Files (*.*)|*.*"
                                << "Html Files (*.htm);;All Files (*)";
    QTest::newRow("description without patterns") << "Plonko lists|*.txt"
                                                  << "Plonko lists (*.txt)";
    QTest::newRow("several patterns") << "Web Pages|*.htm; *.html|Any|*.*;*"
                                      << "Web Pages (*.htm *.html);;Any (*)";
    QTest::newRow("pair without pattern dropped") << "Text (*.txt)|*.txt|Stray"
                                                  << "Text (*.txt)";
    QTest::newRow("empty pattern dropped") << "None|  |Text|*.txt"
                                           << "Text (*.txt)";
    QTest::newRow("pattern only") << "|*.txt"
                                  << "*.txt";
    QTest::newRow("parentheses inside kept") << "Lists (old) and new|*.lst"
                                             << "Lists (old) and new (*.lst)";
    QTest::newRow("empty") << ""
                           << "";
}

void TestHelp::fileFilter()
{
    QFETCH(QString, filter);
    QFETCH(QString, expected);
    QCOMPARE(qtFileFilter(filter), expected);
}

void TestHelp::busyCursorIsBalanced()
{
    {
        QtDialogs dialogs;
        dialogs.setBusy(true);
        dialogs.setBusy(true);
        QVERIFY(QGuiApplication::overrideCursor());
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        dialogs.setBusy(false);
        QVERIFY(!QGuiApplication::overrideCursor());
        dialogs.setBusy(false);
        dialogs.setBusy(true);
    }
    // Ending with the hourglass on must not leave it behind.
    QVERIFY(!QGuiApplication::overrideCursor());
}

void TestHelp::boxesCentreOnTheWindowThatAsked_data()
{
    QTest::addColumn<int>("box");
    QTest::addColumn<QString>("asker");
    const std::pair<const char*, Box> boxes[] = {
        {"message", Box::Message}, {"question", Box::Question}, {"input", Box::Input}};
    for (const auto& [name, box] : boxes) {
        QTest::addRow("%s after a dialog closed", name) << int(box) << "main";
        QTest::addRow("%s after a question in another window", name) << int(box) << "other";
        QTest::addRow("%s over an open dialog", name) << int(box) << "dialog";
    }
}

// Right after a dialog closes no window is active; the box still belongs on
// the window that asked, never in the middle of the screen.
void TestHelp::boxesCentreOnTheWindowThatAsked()
{
    QFETCH(int, box);
    QFETCH(QString, asker);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QtDialogs dialogs;
    // the screen's middle lies in neither window
    Window main(QRect(screen.topLeft() + QPoint(20, 30), screen.size() / 3));
    Window other(QRect(screen.center() + QPoint(60, 60), screen.size() / 3));
    dialogs.setMainWindow(&main);
    main.show();
    QApplication::setActiveWindow(&main);

    QRect asking;
    QRect shown;
    if (asker == u"dialog") {
        QDialog open(&main);
        open.setGeometry(QRect(screen.center() + QPoint(60, 60), screen.size() / 3));
        QTimer::singleShot(0, [&] {
            asking = open.frameGeometry();
            shown =
                shownBox(dialogs, Box(box), QStringLiteral("Number Required"), QStringLiteral("A number."));
            open.accept();
        });
        dialogs.showModal(open);
    } else {
        if (asker == u"other") {
            other.show();
            QApplication::setActiveWindow(&other);
            asking = other.frameGeometry();
            shownBox(dialogs, Box::Question, QStringLiteral("Delete"), QStringLiteral("Delete it?"));
        } else {
            asking = main.frameGeometry();
            QDialog find(&main);
            QTimer::singleShot(0, &find, &QDialog::accept);
            dialogs.showModal(find);
        }
        QApplication::setActiveWindow(nullptr); // the window manager has not yet handed the focus back
        shown = shownBox(dialogs, Box(box), QStringLiteral("No Records Match"),
                         QStringLiteral("That record was not found."));
    }
    QVERIFY2(asking.contains(shown.center()),
             qPrintable(QStringLiteral("box at %1,%2").arg(shown.center().x()).arg(shown.center().y())));
}

void TestHelp::boxesAreWideEnoughForTheirTitle_data()
{
    QTest::addColumn<int>("box");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    const std::pair<const char*, Box> boxes[] = {
        {"message", Box::Message}, {"question", Box::Question}, {"input", Box::Input}};
    for (const auto& [name, box] : boxes) {
        QTest::addRow("%s, no records", name) << int(box) << "No Records Match"
                                              << "That record was not found.";
        QTest::addRow("%s, short text", name) << int(box) << "Cannot Delete"
                                              << "No.";
        QTest::addRow("%s, long title", name) << int(box) << "The Collection File Has Been Moved Away"
                                              << "Moved.";
    }
}

// A title bar holds the title beside an icon and three buttons, about a
// hundred pixels at the usual size.
void TestHelp::boxesAreWideEnoughForTheirTitle()
{
    QFETCH(int, box);
    QFETCH(QString, title);
    QFETCH(QString, text);
    QtDialogs dialogs;
    Window main(QRect(100, 100, 200, 150));
    dialogs.setMainWindow(&main);
    main.show();
    const QRect shown = shownBox(dialogs, Box(box), title, text);
    QFont bold = main.font();
    bold.setBold(true);
    QVERIFY2(shown.width() >= QFontMetrics(bold).horizontalAdvance(title) + 100,
             qPrintable(QString::number(shown.width())));
}

// Run at QT_SCALE_FACTOR=2 on a 1280×1024 screen, too, where the usual size is
// more than the screen holds.
void TestHelp::helpWindowFitsTheScreen()
{
    ScriptedDialogs dialogs;
    HelpViewer viewer;
    QVERIFY(viewer.execute(dialogs, shippedHelpFile(), Dialogs::HelpCommand::Context, 0));
    QVERIFY(viewer.isVisible());
    const QRect room = viewer.screen()->availableGeometry();
    QVERIFY2(viewer.frameGeometry().width() <= room.width() &&
                 viewer.frameGeometry().height() <= room.height(),
             qPrintable(QStringLiteral("%1x%2 on %3x%4")
                            .arg(viewer.frameGeometry().width())
                            .arg(viewer.frameGeometry().height())
                            .arg(room.width())
                            .arg(room.height())));
}

// F1 in a dialog opens the help window while the dialog stays open: the
// dialog holds up its own window only, never the help window.
void TestHelp::helpWindowWorksBesideADialog()
{
    QtDialogs dialogs;
    Window main(QRect(20, 20, 200, 150));
    dialogs.setMainWindow(&main);
    main.show();
    QDialog find(&main);
    Qt::WindowModality modality = Qt::NonModal;
    QTimer::singleShot(0, [&] {
        modality = find.windowModality();
        find.accept();
    });
    dialogs.showModal(find);
    QCOMPARE(modality, Qt::WindowModal);
}

void TestHelp::aboutBox()
{
    QPointer<frmAbout> about = new frmAbout;
    about->show();
    QVERIFY(!about->isModal());
    QCOMPARE(about->windowTitle(), "About Plonko Wizmo");
    QCOMPARE(about->findChild<QLabel*>("lblProduct")->text(), "Plonko Wizmo");
    QCOMPARE(about->findChild<QLabel*>("lblVersion")->text(), "Version 1.1");
    bool makerNamed = false;
    for (const QLabel* label : about->findChildren<QLabel*>())
        makerNamed = makerNamed || label->text().contains("The Plonko Wizmo contributors");
    QVERIFY(makerNamed);

    QTest::mouseClick(about->findChild<QPushButton*>("cmdOk"), Qt::LeftButton);
    QTRY_VERIFY(about.isNull());
}

QTEST_MAIN(TestHelp)
#include "tst_help.moc"
