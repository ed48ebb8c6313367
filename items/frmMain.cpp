#include "frmMain.h"

#include "ElidingFields.h"
#include "ExactAmounts.h"
#include "PageKeys.h"
#include "SaveChecks.h"
#include "ScrollPage.h"
#include "app/AppState.h"
#include "app/CollectionOpening.h"
#include "app/ErrorHandler.h"
#include "app/FindText.h"
#include "app/LeaveChecks.h"
#include "app/RecordNavigation.h"
#include "app/TextLimit.h"
#include "app/frmAbout.h"
#include "csv/CsvCommands.h"
#include "custom/frmRptSpec.h"
#include "dates/DateBox.h"
#include "dates/DateFormat.h"
#include "dates/DatePicking.h"
#include "frmFind.h"
#include "frmItemList.h"
#include "lookups/frmCodesMaint.h"
#include "photos/PhotoStrip.h"
#include "regional/StringHelpers.h"
#include "reports/GroupedReports.h"
#include "reports/InsuranceRecord.h"
#include "reports/ReportWindow.h"
#include "reports/StandardReports.h"
#include "statistics/frmStatistics.h"
#include "store/JetSql.h"
#include "store/PhotoTables.h"
#include "utilities/DatabaseUtilities.h"

#include <QActionGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>

namespace {

const QString kItemsByName = QStringLiteral("Select * from Plonko order by name");
// the longest catalogue number the collection keeps
constexpr int kCatalogNumberLength = 30;

const QString kSortOrders[] = {kItemsByName, QStringLiteral("Select * from Plonko order by descr"),
                               QStringLiteral("Select * from Plonko order by catsort, catnum"),
                               QStringLiteral("Select * from Plonko order by IssueDate")};

template <class Widget> Widget* named(Widget* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QLineEdit* textBox(const char* name, int maxLength = 0)
{
    auto* box = named(new QLineEdit, name);
    if (maxLength > 0)
        limitCharacters(box, maxLength);
    return box;
}

QComboBox* dropDownList(const char* name)
{
    return named(new DropDownList, name);
}

QPushButton* button(const char* name, const QString& caption)
{
    auto* b = named(new QPushButton(caption), name);
    b->setAutoDefault(false);
    // narrower than the style's usual width where the window is small, so
    // that the button row fits a small or highly scaled screen
    QString shown = caption;
    const int margin = b->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, b);
    b->setMinimumWidth(b->fontMetrics().horizontalAdvance(shown.remove(QLatin1Char('&'))) + 2 * margin + 4);
    return b;
}

QLineEdit* moneyBox(const char* name)
{
    return named(new MoneyBox, name);
}

// A money total: computed, never typed into, but selectable for copying; a
// click reaches it, the Tab key passes it by.
QLineEdit* totalBox(const char* name)
{
    auto* box = moneyBox(name);
    box->setReadOnly(true);
    box->setFocusPolicy(Qt::ClickFocus);
    QPalette palette = box->palette();
    palette.setBrush(QPalette::Base, palette.window());
    box->setPalette(palette);
    return box;
}

} // namespace

frmMain::frmMain(AppState& state, QWidget* parent)
    : QMainWindow(parent)
    , m_state(state)
    , m_reportWindow(std::make_unique<ReportWindow>(state, this))
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Plonko Wizmo"));
    buildControls();
    buildMenus();
    connectHandlers();
    // the size its pages ask for, as far as the screen allows with the title
    // bar and frame (a window is otherwise opened at two thirds of the screen)
    if (const QScreen* screen = this->screen()) {
        const int frame = 2 * style()->pixelMetric(QStyle::PM_TitleBarHeight);
        resize(sizeHint().boundedTo(screen->availableSize() - QSize(frame, frame)));
    }
}

frmMain::~frmMain()
{
    delete m_itemList;
}

void frmMain::buildControls()
{
    txtName = textBox("txtName", 80);
    txtQuantity = textBox("txtQuantity");
    txtQuantity->setMaximumWidth(90);
    txtQuantity->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    txtDescr = textBox("txtDescr", 80);
    txtCatNum = textBox("txtCatNum", kCatalogNumberLength);
    chkWantList = named(new QCheckBox(QStringLiteral("Want List")), "chkWantList");

    auto* top = new QGridLayout;
    top->addWidget(new QLabel(QStringLiteral("Name")), 0, 0);
    top->addWidget(txtName, 0, 1);
    top->addWidget(new QLabel(QStringLiteral("Quantity")), 0, 2, Qt::AlignRight);
    top->addWidget(txtQuantity, 0, 3);
    top->addWidget(new QLabel(QStringLiteral("Description")), 1, 0);
    top->addWidget(txtDescr, 1, 1, 1, 3);
    top->addWidget(new QLabel(QStringLiteral("Catalog Number")), 2, 0);
    top->addWidget(txtCatNum, 2, 1);
    top->addWidget(chkWantList, 2, 2, 1, 2);
    top->setColumnStretch(1, 1);

    // General
    cmbToyCon = dropDownList("cmbToyCon");
    chkHasTag = named(new QCheckBox(QStringLiteral("Has Swing Tag")), "chkHasTag");
    cmbTagCon = dropDownList("cmbTagCon");
    cmbGen = dropDownList("cmbGen");
    chkHasTush = named(new QCheckBox(QStringLiteral("Has Tush Tag")), "chkHasTush");
    txtTushDesc = textBox("txtTushDesc", 80);
    cmbSer = dropDownList("cmbSer");
    cmbBra = dropDownList("cmbBra");
    txtColor = textBox("txtColor", 50);
    txtErrors = textBox("txtErrors", 80);
    dcIssueDate = named(new DateBox, "dcIssueDate");
    dcRetireDate = named(new DateBox, "dcRetireDate");

    auto* toy = new QFormLayout;
    toy->addRow(QStringLiteral("Plonko Condition"), cmbToyCon);
    toy->addRow(QString(), chkHasTag);
    toy->addRow(QStringLiteral("Swing Tag Condition"), cmbTagCon);
    toy->addRow(QStringLiteral("Tag Generation"), cmbGen);
    toy->addRow(QString(), chkHasTush);
    toy->addRow(QStringLiteral("Tush Tag Descripton"), txtTushDesc);
    auto* kind = new QFormLayout;
    kind->addRow(QStringLiteral("Special Series"), cmbSer);
    kind->addRow(QStringLiteral("Brand"), cmbBra);
    kind->addRow(QStringLiteral("Color"), txtColor);
    kind->addRow(QStringLiteral("Errors"), txtErrors);
    kind->addRow(QStringLiteral("Birthday"), dcIssueDate);
    kind->addRow(QStringLiteral("Retirement Date"), dcRetireDate);
    auto* general = new QWidget;
    general->setObjectName(QStringLiteral("tabGeneral"));
    auto* generalLayout = new QHBoxLayout(general);
    generalLayout->addLayout(toy, 1);
    generalLayout->addSpacing(16);
    generalLayout->addLayout(kind, 1);

    // Value / Prices: each price, its total and a date share a row
    lblPrice = named(new QLabel(QStringLiteral("Price Paid")), "lblPrice");
    txtPricePaid = moneyBox("txtPricePaid");
    txtCatValue = moneyBox("txtCatValue");
    txtPriceAsk = moneyBox("txtPriceAsk");
    dcPurchaseDate = named(new DateBox, "dcPurchaseDate");
    cmbBou = dropDownList("cmbBou");
    chkForSale = named(new QCheckBox(QStringLiteral("For Sale")), "chkForSale");
    chkSold = named(new QCheckBox(QStringLiteral("Sold")), "chkSold");
    dcSoldDate = named(new DateBox, "dcSoldDate");
    txtTotalPaid = totalBox("txtTotalPaid");
    txtTotalVal = totalBox("txtTotalVal");
    txtTotalSales = totalBox("txtTotalSales");
    cmdSoldSome = button("cmdSoldSome", QStringLiteral("S&old Some"));

    auto* prices = new QGridLayout;
    prices->addWidget(lblPrice, 0, 0);
    prices->addWidget(txtPricePaid, 0, 1);
    prices->addWidget(new QLabel(QStringLiteral("Total Paid")), 0, 2);
    prices->addWidget(txtTotalPaid, 0, 3);
    prices->addWidget(new QLabel(QStringLiteral("Purchase Date")), 0, 4);
    prices->addWidget(dcPurchaseDate, 0, 5);
    prices->addWidget(new QLabel(QStringLiteral("Catalog Value")), 1, 0);
    prices->addWidget(txtCatValue, 1, 1);
    prices->addWidget(new QLabel(QStringLiteral("Total Value")), 1, 2);
    prices->addWidget(txtTotalVal, 1, 3);
    prices->addWidget(new QLabel(QStringLiteral("Date Sold")), 1, 4);
    prices->addWidget(dcSoldDate, 1, 5);
    prices->addWidget(new QLabel(QStringLiteral("Selling Price")), 2, 0);
    prices->addWidget(txtPriceAsk, 2, 1);
    prices->addWidget(new QLabel(QStringLiteral("Total Sales")), 2, 2);
    prices->addWidget(txtTotalSales, 2, 3);
    auto* saleFlags = new QHBoxLayout;
    saleFlags->addWidget(chkForSale);
    saleFlags->addWidget(chkSold);
    saleFlags->addStretch();
    prices->addLayout(saleFlags, 2, 5);
    prices->addWidget(new QLabel(QStringLiteral("Bought From")), 3, 0);
    prices->addWidget(cmbBou, 3, 1, 1, 3);
    prices->addWidget(cmdSoldSome, 3, 5, Qt::AlignRight);
    // a wider window widens the amounts
    prices->setColumnStretch(1, 1);
    prices->setColumnStretch(3, 1);
    prices->setHorizontalSpacing(10);
    auto* value = new QWidget;
    value->setObjectName(QStringLiteral("tabValue"));
    auto* valueLayout = new QVBoxLayout(value);
    valueLayout->addLayout(prices);
    valueLayout->addStretch();

    // Notes
    txtNotes = named(new QPlainTextEdit, "txtNotes");
    txtNotes->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtNotes->setTabChangesFocus(true);
    txtMisc1 = textBox("txtMisc1", 50);
    txtMisc2 = textBox("txtMisc2", 50);
    auto* notes = new QWidget;
    notes->setObjectName(QStringLiteral("tabNotes"));
    auto* notesLayout = new QFormLayout(notes);
    notesLayout->addRow(QStringLiteral("Notes"), txtNotes);
    notesLayout->addRow(QStringLiteral("Misc. 1"), txtMisc1);
    notesLayout->addRow(QStringLiteral("Misc. 2"), txtMisc2);

    m_photos = new PhotoStrip(m_state);
    connect(m_photos, &PhotoStrip::edited, this, [this] { runEvent(m_state, [this] { MarkDirty(); }); });

    SSTab1 = named(new QTabWidget, "SSTab1");
    SSTab1->addTab(new ScrollPage(general), QStringLiteral("General"));
    SSTab1->addTab(new ScrollPage(value), QStringLiteral("Value / Prices"));
    SSTab1->addTab(m_photos, QStringLiteral("Photos"));
    SSTab1->addTab(new ScrollPage(notes), QStringLiteral("Notes"));

    // Buttons; Update and Cancel take the places of Find and Delete in edit mode.
    cmdFirst = button("cmdFirst", QStringLiteral("Firs&t"));
    cmdPrevious = button("cmdPrevious", QStringLiteral("&Previous"));
    cmdNext = button("cmdNext", QStringLiteral("&Next"));
    cmdLast = button("cmdLast", QStringLiteral("&Last"));
    cmdAddNew = button("cmdAddNew", QStringLiteral("&Add New"));
    cmdFind = button("cmdFind", QStringLiteral("F&ind"));
    cmdUpdate = button("cmdUpdate", QStringLiteral("&Update"));
    cmdDelete = button("cmdDelete", QStringLiteral("&Delete"));
    cmdCancel = button("cmdCancel", QStringLiteral("&Cancel"));
    cmdHelp = button("cmdHelp", QStringLiteral("Help"));
    cmdUpdate->hide();
    cmdCancel->hide();
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {cmdFirst, cmdPrevious, cmdNext, cmdLast})
        buttons->addWidget(b);
    buttons->addStretch();
    for (QPushButton* b : {cmdAddNew, cmdFind, cmdUpdate, cmdDelete, cmdCancel, cmdHelp})
        buttons->addWidget(b);

    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    layout->addLayout(top);
    layout->addWidget(SSTab1, 1);
    layout->addLayout(buttons);
    setCentralWidget(central);

    setTabOrder(txtPricePaid, dcPurchaseDate);
    setTabOrder(dcPurchaseDate, txtCatValue);
    setTabOrder(txtCatValue, dcSoldDate);
    setTabOrder(dcSoldDate, chkForSale);
    setTabOrder(chkForSale, chkSold);
    setTabOrder(chkSold, txtPriceAsk);
    setTabOrder(txtPriceAsk, cmdSoldSome);
    setTabOrder(cmdSoldSome, cmbBou);

    for (QComboBox* list : {cmbToyCon, cmbTagCon, cmbGen, cmbSer, cmbBra, cmbBou})
        list->installEventFilter(this);
}

void frmMain::buildMenus()
{
    auto action = [this](QMenu* menu, const QString& name, const QString& caption) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(name);
        return a;
    };
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    mnuBackup = action(file, QStringLiteral("mnuBackup"), QStringLiteral("&Backup"));
    mnuPack = action(file, QStringLiteral("mnuPack"), QStringLiteral("&Pack Database"));
    file->addSeparator();
    mnuExport = action(file, QStringLiteral("mnuExport"), QStringLiteral("&Export to CSV..."));
    mnuImport = action(file, QStringLiteral("mnuImport"), QStringLiteral("&Import from CSV..."));
    file->addSeparator();
    mnuExit = action(file, QStringLiteral("mnuExit"), QStringLiteral("E&xit"));

    QMenu* sort = menuBar()->addMenu(QStringLiteral("&Sort"));
    const QString sortCaptions[] = {QStringLiteral("Sort by &Name"), QStringLiteral("Sort by &Description"),
                                    QStringLiteral("Sort by &Catalog Number"),
                                    QStringLiteral("Sort by &Birthday")};
    auto* orders = new QActionGroup(this); // one order in force, shown with a radio mark
    for (int i = 0; i < 4; ++i) {
        mnuSort[i] = action(sort, QStringLiteral("mnuSort(%1)").arg(i + 1), sortCaptions[i]);
        mnuSort[i]->setCheckable(true);
        orders->addAction(mnuSort[i]);
    }
    mnuSort[0]->setChecked(true);

    QMenu* maintain = menuBar()->addMenu(QStringLiteral("&Maintain"));
    const QString maintCaptions[] = {QStringLiteral("Plonko &Conditions"),
                                     QStringLiteral("Bought &From (Sellers)"),
                                     QStringLiteral("&Brands"),
                                     QStringLiteral("&Special Series"),
                                     QStringLiteral("&Tag Conditions"),
                                     QStringLiteral("Tag &Generations")};
    for (int i = 0; i < 6; ++i) {
        mnuMaint[i] = action(maintain, QStringLiteral("mnuMaint(%1)").arg(i + 1), maintCaptions[i]);
        connect(mnuMaint[i], &QAction::triggered, this,
                [this, i] { runEvent(m_state, [&] { mnuMaint_Click(i + 1); }); });
    }

    QMenu* reports = menuBar()->addMenu(QStringLiteral("&Reports"));
    const QString outCaptions[] = {QStringLiteral("&View/Print Report"),
                                   QStringLiteral("Send Report to &File"),
                                   QStringLiteral("Web Table (html)")};
    auto* destinations = new QActionGroup(this);
    for (int i = 0; i < 3; ++i) {
        mnuRptOut[i] = action(reports, QStringLiteral("mnuRptOut(%1)").arg(i + 1), outCaptions[i]);
        mnuRptOut[i]->setCheckable(true);
        destinations->addAction(mnuRptOut[i]);
        connect(mnuRptOut[i], &QAction::triggered, this,
                [this, i] { runEvent(m_state, [&] { mnuRptOut_Click(i + 1); }); });
    }
    mnuRptOut[0]->setChecked(true);
    reports->addSeparator();
    const QString rptCaptions[] = {QStringLiteral("Plonkos by &Name"),
                                   QStringLiteral("Plonkos by S&pecial Series"),
                                   QStringLiteral("Plonkos by &Brand"), QStringLiteral("Plonkos by S&eller")};
    for (int i = 0; i < 4; ++i) {
        mnuRpt[i] = action(reports, QStringLiteral("mnuRpt(%1)").arg(i + 1), rptCaptions[i]);
        connect(mnuRpt[i], &QAction::triggered, this,
                [this, i] { runEvent(m_state, [&] { mnuRpt_Click(i + 1); }); });
    }
    reports->addSeparator();
    mnuRptValue = action(reports, QStringLiteral("mnuRptValue"), QStringLiteral("Collection &Value"));
    mnuRptWant = action(reports, QStringLiteral("mnuRptWant"), QStringLiteral("&Want List"));
    mnuRptForSale = action(reports, QStringLiteral("mnuRptForSale"), QStringLiteral("Plonkos &For Sale"));
    mnuRptSold = action(reports, QStringLiteral("mnuRptSold"), QStringLiteral("Plonkos &Sold"));
    mnuRptSellers = action(reports, QStringLiteral("mnuRptSellers"), QStringLiteral("Sellers &List"));
    mnuRptInsurance = action(reports, QStringLiteral("mnuRptInsurance"), QStringLiteral("&Insurance Record"));
    reports->addSeparator();
    mnuRptCustom = action(reports, QStringLiteral("mnuRptCustom"), QStringLiteral("Custom &Reports"));

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    mnuItemList = action(view, QStringLiteral("mnuItemList"), QStringLiteral("Item &List"));
    mnuItemList->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    mnuStatistics = action(view, QStringLiteral("mnuStatistics"), QStringLiteral("Collection &Statistics"));
    mnuStatistics->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    const QString helpCaptions[] = {QStringLiteral("&Contents"), QStringLiteral("&Search for Help on..."),
                                    QStringLiteral("&Using Help")};
    for (int i = 0; i < 3; ++i) {
        mnuHelp[i] = action(help, QStringLiteral("mnuHelp(%1)").arg(i + 1), helpCaptions[i]);
        connect(mnuHelp[i], &QAction::triggered, this,
                [this, i] { runEvent(m_state, [&] { mnuHelp_Click(i + 1); }); });
    }
    help->addSeparator();
    mnuAbout = action(help, QStringLiteral("mnuAbout"), QStringLiteral("&About Plonko Wizmo"));
}

void frmMain::connectHandlers()
{
    // every change of an input control starts edit mode
    for (QLineEdit* box : {txtName, txtDescr, txtCatNum, txtTushDesc, txtColor, txtErrors, txtMisc1, txtMisc2,
                           txtQuantity, txtPricePaid, txtCatValue, txtPriceAsk})
        on(box, &QLineEdit::textChanged, &frmMain::MarkDirty);
    on(txtNotes, &QPlainTextEdit::textChanged, &frmMain::MarkDirty);
    for (QComboBox* list : {cmbToyCon, cmbTagCon, cmbGen, cmbSer, cmbBra, cmbBou})
        on(list, &QComboBox::currentIndexChanged, &frmMain::MarkDirty);
    for (DateBox* date : {dcIssueDate, dcRetireDate, dcPurchaseDate, dcSoldDate})
        on(date, &QComboBox::editTextChanged, &frmMain::MarkDirty);
    for (QCheckBox* box : {chkForSale, chkHasTag, chkHasTush})
        on(box, &QCheckBox::toggled, &frmMain::MarkDirty);
    on(chkWantList, &QCheckBox::toggled, &frmMain::chkWantList_Click);
    on(chkSold, &QCheckBox::toggled, &frmMain::chkSold_Click);

    on(cmdAddNew, &QPushButton::clicked, &frmMain::cmdAddNew_Click);
    on(cmdUpdate, &QPushButton::clicked, &frmMain::cmdupdate_Click);
    on(cmdCancel, &QPushButton::clicked, &frmMain::cmdcancel_Click);
    on(cmdDelete, &QPushButton::clicked, &frmMain::cmdDelete_Click);
    on(cmdHelp, &QPushButton::clicked, &frmMain::cmdHelp_Click);
    on(cmdFirst, &QPushButton::clicked, &frmMain::cmdFirst_Click);
    on(cmdPrevious, &QPushButton::clicked, &frmMain::cmdPrevious_Click);
    on(cmdNext, &QPushButton::clicked, &frmMain::cmdNext_Click);
    on(cmdLast, &QPushButton::clicked, &frmMain::cmdLast_Click);
    on(cmdFind, &QPushButton::clicked, &frmMain::cmdFind_Click);
    on(cmdSoldSome, &QPushButton::clicked, &frmMain::cmdSoldSome_Click);
    for (int i = 0; i < 4; ++i)
        connect(mnuSort[i], &QAction::triggered, this,
                [this, i] { runEvent(m_state, [&] { mnuSort_Click(i + 1); }); });

    // prices and quantity are checked as the focus leaves them
    m_leaveChecks = new LeaveChecks(this);
    m_amounts = new ExactAmounts(this);
    auto check = [this](QWidget* field, bool (frmMain::*handler)()) {
        m_leaveChecks->add(field, [this, handler] {
            bool passed = true;
            runEvent(m_state, [&] { passed = (this->*handler)(); });
            return passed;
        });
    };
    m_leaveChecks->exempt(cmdCancel);
    check(txtQuantity, &frmMain::txtQuantity_LostFocus);
    check(txtPricePaid, &frmMain::txtPricePaid_LostFocus);
    check(txtCatValue, &frmMain::txtCatValue_LostFocus);
    check(txtPriceAsk, &frmMain::txtPriceAsk_LostFocus);
    check(dcIssueDate, &frmMain::dcIssueDate_LostFocus);
    check(dcRetireDate, &frmMain::dcRetireDate_LostFocus);
    check(dcPurchaseDate, &frmMain::dcPurchaseDate_LostFocus);
    check(dcSoldDate, &frmMain::dcSoldDate_LostFocus);
    on(dcIssueDate, &DateBox::dropDown, &frmMain::dcIssueDate_DropDown);
    on(dcRetireDate, &DateBox::dropDown, &frmMain::dcRetireDate_DropDown);
    on(dcPurchaseDate, &DateBox::dropDown, &frmMain::dcPurchaseDate_DropDown);
    on(dcSoldDate, &DateBox::dropDown, &frmMain::dcSoldDate_DropDown);
    for (QWidget* field :
         {txtQuantity, txtPricePaid, txtCatValue, txtPriceAsk, txtTotalPaid, txtTotalVal, txtTotalSales})
        field->installEventFilter(this);
    on(mnuExit, &QAction::triggered, &frmMain::mnuExit_Click);
    connect(mnuBackup, &QAction::triggered, this,
            [this] { runEvent(m_state, [this] { BackupDatabase(m_state, *this); }); });
    connect(mnuPack, &QAction::triggered, this,
            [this] { runEvent(m_state, [this] { PackDatabase(m_state, *this); }); });
    connect(mnuExport, &QAction::triggered, this,
            [this] { runEvent(m_state, [this] { ExportToCsv(m_state); }); });
    on(mnuImport, &QAction::triggered, &frmMain::mnuImport_Click);
    on(mnuAbout, &QAction::triggered, &frmMain::mnuAbout_Click);
    on(mnuRptValue, &QAction::triggered, &frmMain::mnuRptValue_Click);
    on(mnuRptWant, &QAction::triggered, &frmMain::mnuRptWant_Click);
    on(mnuRptForSale, &QAction::triggered, &frmMain::mnuRptForSale_Click);
    on(mnuRptSold, &QAction::triggered, &frmMain::mnuRptSold_Click);
    on(mnuRptSellers, &QAction::triggered, &frmMain::mnuRptSellers_Click);
    on(mnuRptInsurance, &QAction::triggered, &frmMain::mnuRptInsurance_Click);
    on(mnuRptCustom, &QAction::triggered, &frmMain::mnuRptCustom_Click);
    on(mnuItemList, &QAction::triggered, &frmMain::mnuItemList_Click);
    on(mnuStatistics, &QAction::triggered, &frmMain::mnuStatistics_Click);
    auto* f1 = new QShortcut(QKeySequence::HelpContents, this);
    on(f1, &QShortcut::activated, &frmMain::cmdHelp_Click);
    // Escape cancels an edit, as "&Cancel" does; browsing, it does nothing
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] {
        if (!cmdCancel->isHidden())
            runEvent(m_state, [this] { cmdcancel_Click(); });
    });
    addPageKeys(this, SSTab1, [this] { return m_leaveChecks->checkFocusedField(); });
}

// ------------------------------------------------------------------ start-up

void frmMain::Form_Load()
{
    AppState& s = m_state;
    underHandler(s, [&] { ChkDateFmt(s); });
    underHandler(s, [&] { s.LookupChanged.fill(true); });
    underHandler(s, [&] {
        s.ReportDest = 1;
        mnuRptOut[0]->setChecked(true);
    });
    underHandler(s, [&] {
        s.HelpPath = QStringLiteral("Plonko.hlp");
        s.DbPath = QStringLiteral("Plonko.mdb");
    });
    underHandler(s, [&] { FinishInterruptedCompaction(s); });
    underHandler(s, [&] { openCollection(s); });
    underHandler(s, [&] {
        m_photoTables = s.db().OpenPhotoTables();
        m_photos->load(*m_photoTables, 0);
    });
    underHandler(s,
                 [&] { s.ItemSet = s.db().OpenRecordset(kItemsByName, Database::RecordsetType::Dynaset); });
    underHandler(s, [&] {
        if (s.items().RecordCount() == 0) {
            ClearFields();
            DisableFields();
        } else {
            s.items().MoveFirst();
            LoadRecord();
        }
    });
    Dirty = false;
    Adding = false;
    // the first activation follows at once, whether or not the window system
    // ever reports one
    underHandler(s, [&] { Form_Activate(); });
}

bool frmMain::closeForUtility()
{
    close();
    return !m_state.CollectionDb;
}

void frmMain::reopenAfterUtility()
{
    // as at start-up: browsing, in name order
    LeaveEditMode();
    EnableFields();
    checkSortItem(1);
    Form_Load();
    show();
}

bool frmMain::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate)
        runEvent(m_state, [this] { Form_Activate(); });
    return QMainWindow::event(event);
}

// Refills the drop-down lists whose tables were flagged as changed; a refill
// loses a list's selection, so the current row is shown again.
void frmMain::Form_Activate()
{
    struct List
    {
        LookupTable table;
        QComboBox* list;
        const char* sql;
        const char* text;
        const char* key;
    };
    const List lists[] = {
        {LookupTable::Condition, cmbToyCon, "Select * from condition order by Condesc", "Condesc", "ConID"},
        {LookupTable::BoughtFrom, cmbBou, "Select * from boughtfrom order by bouDesc", "bouDesc", "bouID"},
        {LookupTable::Brand, cmbBra, "Select * from brand order by braDesc", "braDesc", "braID"},
        {LookupTable::Series, cmbSer, "Select * from series order by serdesc", "serdesc", "serID"},
        {LookupTable::TagCon, cmbTagCon, "Select * from tagcon order by tagDesc", "TagDesc", "tagID"},
        {LookupTable::Generation, cmbGen, "Select * from generation order by genDesc", "Gendesc", "genID"},
    };
    // a new row, or a row with unsaved changes, keeps what was typed and chosen
    const bool editing = Adding || Dirty;
    bool refilled = false;
    for (const List& l : lists) {
        if (!m_state.lookupChanged(l.table))
            continue;
        const QVariant chosen = l.list->currentData();
        refillList(l.list, QString::fromLatin1(l.sql), QString::fromLatin1(l.text),
                   QString::fromLatin1(l.key));
        // in edit mode the collector's choices stand: only the stored row is shown again
        if (editing)
            l.list->setCurrentIndex(chosen.isValid() ? l.list->findData(chosen) : -1);
        m_state.lookupChanged(l.table) = false;
        refilled = true;
    }
    if (refilled && !editing && m_state.items().RecordCount() != 0)
        LoadRecord();
}

void frmMain::refillList(QComboBox* list, const QString& sql, const QString& textField,
                         const QString& keyField)
{
    const bool dirty = Dirty;
    Dirty = true; // filling the list is no edit
    list->clear();
    std::unique_ptr<Recordset> rs = m_state.db().OpenRecordset(sql, Database::RecordsetType::Snapshot);
    if (rs->RecordCount() >= 1) {
        rs->MoveFirst();
        while (!rs->AtEOF()) {
            list->addItem(textOf(rs->Fields(textField)), longOf(rs->Fields(keyField)).value_or(0));
            rs->MoveNext();
        }
    }
    rs->Close();
    list->setCurrentIndex(-1); // adding the first entry selected it
    Dirty = dirty;
}

void frmMain::closeEvent(QCloseEvent* event)
{
    bool leaving = true;
    if (Dirty || Adding)
        runEvent(m_state, [&] { leaving = Form_QueryUnload(); });
    if (!leaving) {
        event->ignore();
        return;
    }
    delete m_itemList; // it reads the collection, which closes now
    runEvent(m_state, [this] {
        if (m_state.ItemSet)
            m_state.ItemSet->Close();
        m_state.ItemSet.reset();
        m_photos->release();
        m_photoTables.reset();
        if (m_state.CollectionDb)
            m_state.CollectionDb->Close();
        m_state.CollectionDb.reset();
        if (!m_state.UtilityRunning)
            QCoreApplication::quit();
    });
    event->accept();
}

// --------------------------------------------------------- rows and controls

void frmMain::LoadRecord()
{
    Recordset& row = m_state.items();
    const RegionalSettings& regional = m_state.regional;
    auto text = [&](const char* field) { return textOf(row.Fields(QString::fromLatin1(field))); };
    auto flag = [&](const char* field) { return boolOf(row.Fields(QString::fromLatin1(field))); };
    auto date = [&](DateBox* box, const char* field) {
        const std::optional<QDate> d = dateOf(row.Fields(QString::fromLatin1(field)));
        box->setText(d ? regional.formatShortDate(*d) : QString());
    };
    auto money = [&](QLineEdit* box, const char* field) {
        m_amounts->show(box, moneyOf(row.Fields(QString::fromLatin1(field))), regional);
    };
    auto select = [&](QComboBox* list, const char* field) {
        const Value key = row.Fields(QString::fromLatin1(field));
        list->setCurrentIndex(isNull(key) ? -1 : list->findData(longOf(key).value_or(0)));
    };

    Dirty = true;
    m_shownKey = longOf(row.Fields(QStringLiteral("PlonID"))).value_or(0);
    if (m_photoTables)
        m_photos->load(*m_photoTables, m_shownKey);
    txtName->setText(text("Name"));
    txtDescr->setText(text("descr"));
    txtCatNum->setText(text("catnum"));
    chkWantList->setChecked(flag("wantlist"));
    lblPrice->setText(chkWantList->isChecked() ? QStringLiteral("Will Pay") : QStringLiteral("Price Paid"));
    txtQuantity->setText(text("quantity"));
    select(cmbToyCon, "toycon");
    chkHasTag->setChecked(flag("hastag"));
    select(cmbTagCon, "tagcon");
    select(cmbGen, "genID");
    chkHasTush->setChecked(flag("hastush"));
    txtTushDesc->setText(text("tushdesc"));
    select(cmbSer, "serID");
    select(cmbBra, "braID");
    txtColor->setText(text("Color"));
    txtErrors->setText(text("Errors"));
    date(dcIssueDate, "issuedate");
    date(dcRetireDate, "retiredate");
    money(txtPricePaid, "pricepaid");
    money(txtTotalPaid, "totalpaid");
    money(txtCatValue, "catvalue");
    money(txtTotalVal, "totalval");
    money(txtPriceAsk, "priceask");
    money(txtTotalSales, "totalsales");
    chkForSale->setChecked(flag("forsale"));
    chkSold->setChecked(flag("sold"));
    date(dcPurchaseDate, "PurchaseDate");
    date(dcSoldDate, "SoldDate");
    select(cmbBou, "bouID");
    txtNotes->setPlainText(text("notes"));
    txtMisc1->setText(text("misc1"));
    txtMisc2->setText(text("misc2"));
    Dirty = false;
}

// Writes the controls into the current row (put into AddNew or Edit by the
// caller) and stores it. False when nothing was stored: the window then keeps
// the entry, still in edit mode.
bool frmMain::SaveRecord()
{
    setFieldsFromControls();
    // the photos, when changed, are stored first in the row's transaction,
    // so that a failed write leaves the row still being edited
    const PhotoSet& photos = m_photos->photos();
    const bool written = writeWithRetry(m_state, [&] {
        if (!photos.changed() || !m_photoTables) {
            m_state.items().Update();
            return;
        }
        const qint32 key = longOf(m_state.items().Fields(QStringLiteral("PlonID"))).value_or(0);
        Transaction saving(m_state.db());
        photos.save(*m_photoTables, key);
        m_state.items().Update();
        try {
            saving.commit();
        } catch (...) {
            // the row was taken in the list: it is read again as the file
            // has it, and the window keeps what was typed, to save again
            saving.rollback();
            m_state.items().Requery();
            m_state.items().FindFirst(QStringLiteral("PlonID = ") + QString::number(key));
            throw;
        }
    });
    underHandler(m_state, [this] { m_state.db().Idle(); });
    return written;
}

// A field that cannot be assigned is reported by the error handler and skipped.
void frmMain::setFieldsFromControls()
{
    AppState& s = m_state;
    const RegionalSettings& regional = s.regional;
    auto set = [&](const char* field, const Value& value) {
        underHandler(s, [&] { s.items().SetField(QString::fromLatin1(field), value); });
    };
    auto key = [](QComboBox* list) {
        return list->currentIndex() < 0 ? Value() : Value(qint32(list->currentData().toInt()));
    };
    auto date = [&](DateBox* box) {
        const std::optional<QDate> d = regional.toDate(box->text());
        return d ? Value(*d) : Value();
    };
    auto money = [&](QLineEdit* box) {
        const std::optional<Money> m = m_amounts->amount(box, regional);
        return m ? Value(*m) : Value();
    };
    auto quantity = [&]() -> Value {
        const std::optional<double> n = regional.toNumber(txtQuantity->text());
        return n ? Value(*n) : Value(txtQuantity->text());
    };

    set("Name", txtName->text());
    set("descr", txtDescr->text());
    set("catnum", txtCatNum->text());
    set("catsort", CatalogSortKey(txtCatNum->text()));
    set("wantlist", chkWantList->isChecked());
    set("quantity", quantity());
    set("toycon", key(cmbToyCon));
    set("hastag", chkHasTag->isChecked());
    set("tagcon", key(cmbTagCon));
    set("genID", key(cmbGen));
    set("hastush", chkHasTush->isChecked());
    set("tushdesc", txtTushDesc->text());
    set("serID", key(cmbSer));
    set("braID", key(cmbBra));
    set("Color", txtColor->text());
    set("Errors", txtErrors->text());
    set("issuedate", date(dcIssueDate));
    set("retiredate", date(dcRetireDate));
    set("pricepaid", money(txtPricePaid));
    set("totalpaid", money(txtTotalPaid));
    set("bouID", key(cmbBou));
    set("catvalue", money(txtCatValue));
    set("totalval", money(txtTotalVal));
    set("priceask", money(txtPriceAsk));
    set("totalsales", money(txtTotalSales));
    set("forsale", chkForSale->isChecked());
    set("PurchaseDate", date(dcPurchaseDate));
    set("sold", chkSold->isChecked());
    set("SoldDate", date(dcSoldDate));
    set("notes", txtNotes->toPlainText());
    set("misc1", txtMisc1->text());
    set("misc2", txtMisc2->text());
}

void frmMain::ClearFields()
{
    Dirty = true;
    for (QLineEdit* box :
         {txtName, txtDescr, txtCatNum, txtTushDesc, txtColor, txtErrors, txtPricePaid, txtTotalPaid,
          txtCatValue, txtTotalVal, txtPriceAsk, txtTotalSales, txtMisc1, txtMisc2})
        box->clear();
    txtNotes->clear();
    m_photos->clear();
    m_amounts->forgetAll();
    for (DateBox* box : {dcIssueDate, dcRetireDate, dcPurchaseDate, dcSoldDate})
        box->setText(QString());
    txtQuantity->setText(QStringLiteral("1"));
    chkWantList->setChecked(false);
    chkForSale->setChecked(false);
    chkSold->setChecked(false);
    chkHasTag->setChecked(true);
    chkHasTush->setChecked(true);
    for (QComboBox* list : {cmbToyCon, cmbTagCon, cmbGen, cmbSer, cmbBra, cmbBou})
        list->setCurrentIndex(-1);
    Dirty = false;
}

void frmMain::setInputsEnabled(bool enabled)
{
    const QList<QWidget*> inputs = {txtName,     txtDescr,     txtCatNum,      chkWantList,  txtQuantity,
                                    cmbToyCon,   chkHasTag,    cmbTagCon,      cmbGen,       chkHasTush,
                                    txtTushDesc, cmbSer,       cmbBra,         txtColor,     txtErrors,
                                    dcIssueDate, dcRetireDate, dcPurchaseDate, txtPricePaid, cmbBou,
                                    txtCatValue, chkForSale,   chkSold,        txtPriceAsk,  dcSoldDate,
                                    txtNotes,    txtMisc1,     txtMisc2,       m_photos};
    for (QWidget* input : inputs)
        input->setEnabled(enabled);
}

void frmMain::DisableFields()
{
    setInputsEnabled(false);
}

void frmMain::EnableFields()
{
    setInputsEnabled(true);
}

void frmMain::EnterEditMode()
{
    for (QPushButton* b : {cmdFirst, cmdPrevious, cmdNext, cmdLast, cmdHelp, cmdFind, cmdDelete, cmdSoldSome})
        b->hide();
    cmdCancel->show();
    cmdUpdate->show();
    for (QAction* a : mnuMaint)
        a->setEnabled(false);
    for (QAction* a : mnuSort)
        a->setEnabled(false);
    mnuExit->setEnabled(false);
    mnuImport->setEnabled(false);
    mnuExport->setEnabled(false); // the file would miss the edit not yet stored
}

void frmMain::LeaveEditMode()
{
    // hidden first, so that the button row never needs room for all of them
    cmdCancel->hide();
    cmdUpdate->hide();
    for (QPushButton* b :
         {cmdFirst, cmdPrevious, cmdNext, cmdLast, cmdHelp, cmdFind, cmdDelete, cmdAddNew, cmdSoldSome})
        b->show();
    for (QAction* a : mnuMaint)
        a->setEnabled(true);
    for (QAction* a : mnuSort)
        a->setEnabled(true);
    mnuExit->setEnabled(true);
    mnuImport->setEnabled(true);
    mnuExport->setEnabled(true);
}

void frmMain::MarkDirty()
{
    if (Dirty || Adding)
        return;
    Dirty = true;
    EnterEditMode();
    cmdAddNew->hide();
}

// Closing the window during an edit (E&xit is not offered then) asks what
// becomes of it: saved, thrown away, or kept in the window. A save that fails
// its checks goes back to the edit.
bool frmMain::Form_QueryUnload()
{
    const Dialogs::Answer answer = m_state.dialogs.messageBox(
        QStringLiteral(
            "This Plonko has changes that are not saved. Do you want to save them before closing?"),
        Dialogs::Buttons::YesNoCancel, Dialogs::Icon::Question, QStringLiteral("Save Changes"));
    if (answer == Dialogs::Answer::Cancel)
        return false;
    if (answer == Dialogs::Answer::Yes)
        cmdupdate_Click();
    return answer == Dialogs::Answer::No || !(Dirty || Adding);
}

// Backspace or Delete in a drop-down list removes its selection.
bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn) {
        // the whole text is selected on entry, so that the first key replaces
        // it (or, in a total, so that it is copied at once)
        if (auto* box = qobject_cast<QLineEdit*>(watched))
            QTimer::singleShot(0, box, &QLineEdit::selectAll);
    }
    auto* list = qobject_cast<QComboBox*>(watched);
    if (list && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Backspace || key == Qt::Key_Delete) {
            runEvent(m_state, [&] {
                list->setCurrentIndex(-1);
                MarkDirty();
            });
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::chkWantList_Click()
{
    MarkDirty();
    lblPrice->setText(chkWantList->isChecked() ? QStringLiteral("Will Pay") : QStringLiteral("Price Paid"));
}

void frmMain::chkSold_Click()
{
    MarkDirty();
    if (chkSold->isChecked() && chkForSale->isChecked())
        chkForSale->setChecked(false);
}

// ------------------------------------------------- adding, updating, deleting

// The checks that span fields, in order; at most one message, then the focus
// goes where the user can mend it.
bool frmMain::ValidateRecord()
{
    Dialogs& dialogs = m_state.dialogs;
    auto refuse = [&](const QString& text, const QString& title, QWidget* focus) {
        dialogs.messageBox(text, Dialogs::Buttons::Ok, Dialogs::Icon::None, title);
        // the field to mend is shown, on whichever tab it lies
        for (int tab = 0; tab < SSTab1->count(); ++tab) {
            if (SSTab1->widget(tab)->isAncestorOf(focus))
                SSTab1->setCurrentIndex(tab);
        }
        focus->setFocus();
        return false;
    };
    if (!NamesAnItem(txtName->text(), txtDescr->text()))
        return refuse(
            QStringLiteral(
                "You must enter a name or a description for this Plonko or click the Cancel button."),
            QString(), txtName);
    if (!m_state.regional.isNumeric(txtQuantity->text()))
        return refuse(QStringLiteral("You must enter number in the quantity field."),
                      QStringLiteral("Non-numeric Quantity Entered"), txtQuantity);
    if (!longOf(Value(*m_state.regional.toNumber(txtQuantity->text()))))
        return refuse(
            QStringLiteral("The quantity is too large. Enter a whole number of pieces up to 2147483647."),
            QStringLiteral("Quantity Too Large"), txtQuantity);
    // a total is never typed into: its price is where it is mended
    const std::optional<Refusal> unstorable =
        unstorableValue({{txtPricePaid, lblPrice->text(), txtPricePaid},
                         {txtTotalPaid, QStringLiteral("Total Paid"), txtPricePaid},
                         {txtCatValue, QStringLiteral("Catalog Value"), txtCatValue},
                         {txtTotalVal, QStringLiteral("Total Value"), txtCatValue},
                         {txtPriceAsk, QStringLiteral("Selling Price"), txtPriceAsk},
                         {txtTotalSales, QStringLiteral("Total Sales"), txtPriceAsk}},
                        {{dcIssueDate, QStringLiteral("Birthday")},
                         {dcRetireDate, QStringLiteral("Retirement Date")},
                         {dcPurchaseDate, QStringLiteral("Purchase Date")},
                         {dcSoldDate, QStringLiteral("Date Sold")}},
                        *m_amounts, m_state.regional);
    if (unstorable)
        return refuse(unstorable->text, unstorable->title, unstorable->focus);
    if (chkSold->isChecked() && chkForSale->isChecked())
        return refuse(QStringLiteral("A Plonko cannot be for sale and sold at the same time."),
                      QStringLiteral("Sale Status Error"), chkWantList);
    if (chkWantList->isChecked() && chkForSale->isChecked())
        return refuse(
            QStringLiteral("A Plonko cannot be both for sale and on your want list at the same time."),
            QStringLiteral("Want List Error"), chkWantList);
    return true;
}

void frmMain::cmdAddNew_Click()
{
    AppState& s = m_state;
    if (!Adding) {
        Adding = true;
        underHandler(s, [&] {
            if (s.items().RecordCount() == 0)
                EnableFields();
            else
                s.items().MoveLast();
        });
        EnterEditMode();
        cmdAddNew->setText(QStringLiteral("&Add Another"));
        ClearFields();
        txtName->setFocus();
        return;
    }
    if (!m_leaveChecks->checkFocusedField() || !ValidateRecord())
        return;
    underHandler(s, [&] { s.items().AddNew(); });
    if (!SaveRecord())
        return;
    ClearFields();
    txtName->setFocus();
}

void frmMain::cmdupdate_Click()
{
    AppState& s = m_state;
    if (!m_leaveChecks->checkFocusedField() || !ValidateRecord())
        return;
    qint32 key = 0;
    if (Adding) {
        underHandler(s, [&] {
            s.items().AddNew();
            key = longOf(s.items().Fields(QStringLiteral("PlonID"))).value_or(1);
        });
        if (!SaveRecord())
            return;
        cmdAddNew->setText(QStringLiteral("&Add New"));
    } else {
        underHandler(s, [&] {
            key = longOf(s.items().Fields(QStringLiteral("PlonID"))).value_or(0);
            s.items().Edit();
        });
        if (!SaveRecord())
            return;
    }
    underHandler(s, [&] { showItemAt(QStringLiteral("PlonID = ") + QString::number(key)); });
    LeaveEditMode();
    Adding = false;
    Dirty = false;
}

// Moves to the first row meeting the criteria (or the first row when none
// does) and shows it.
void frmMain::showItemAt(const QString& criteria)
{
    Recordset& items = m_state.items();
    items.FindFirst(criteria);
    if (items.NoMatch())
        items.MoveFirst();
    LoadRecord();
}

void frmMain::cmdcancel_Click()
{
    Recordset& items = m_state.items();
    if (items.RecordCount() != 0) {
        items.MoveLast();
        LoadRecord();
    } else {
        ClearFields();
        DisableFields();
    }
    LeaveEditMode();
    cmdAddNew->setText(QStringLiteral("&Add New"));
    Dirty = false;
    Adding = false;
}

void frmMain::cmdDelete_Click()
{
    AppState& s = m_state;
    if (s.items().AtBOF() && s.items().AtEOF())
        return;
    if (s.dialogs.messageBox(QStringLiteral("Are you sure that you want to delete this Plonko record?"),
                             Dialogs::Buttons::YesNo, Dialogs::Icon::None,
                             QStringLiteral("Delete Plonko")) != Dialogs::Answer::Yes)
        return;
    if (!writeWithRetry(s, [&] { s.items().Delete(); }))
        return; // the row stays, shown as it is
    underHandler(s, [&] { s.db().Idle(); });
    underHandler(s, [&] { s.items().MoveNext(); });
    underHandler(s, [&] {
        if (s.items().RecordCount() == 0) {
            ClearFields();
            DisableFields();
            return;
        }
        if (s.items().AtEOF())
            s.items().MovePrevious();
        LoadRecord();
    });
}

// -------------------------------------------------------------- help, about

void frmMain::cmdHelp_Click()
{
    m_state.dialogs.help(m_state.HelpPath, Dialogs::HelpCommand::Context, 0);
}

void frmMain::mnuHelp_Click(int index)
{
    switch (index) {
    case 1:
        m_state.dialogs.help(m_state.HelpPath, Dialogs::HelpCommand::Context, 0);
        break;
    case 2:
        m_state.dialogs.help(m_state.HelpPath, Dialogs::HelpCommand::PartialKey, 0);
        break;
    default:
        m_state.dialogs.help(QString(), Dialogs::HelpCommand::HelpOnHelp, 0);
    }
}

void frmMain::mnuRptOut_Click(int index)
{
    m_state.ReportDest = index;
    for (int i = 0; i < 3; ++i)
        mnuRptOut[i]->setChecked(i + 1 == index);
}

void frmMain::mnuRpt_Click(int index)
{
    if (index == 1) {
        ReportItemList(m_state, *m_reportWindow);
        return;
    }
    const int kinds[] = {4, 3, 2}; // special series, brand, seller
    m_state.GroupReportKind = kinds[index - 2];
    ReportGrouped(m_state, *m_reportWindow);
}

void frmMain::mnuRptValue_Click()
{
    ReportValue(m_state, *m_reportWindow);
}

void frmMain::mnuRptWant_Click()
{
    ReportWantList(m_state, *m_reportWindow);
}

void frmMain::mnuRptForSale_Click()
{
    ReportForSale(m_state, *m_reportWindow);
}

void frmMain::mnuRptSold_Click()
{
    ReportSales(m_state, *m_reportWindow);
}

void frmMain::mnuRptSellers_Click()
{
    ReportSellers(m_state, *m_reportWindow);
}

void frmMain::mnuRptInsurance_Click()
{
    ReportInsurance(m_state, *m_reportWindow);
}

void frmMain::mnuRptCustom_Click()
{
    // one window, brought forward as it was left
    if (!m_customReport)
        m_customReport = new frmRptSpec(m_state, *m_reportWindow, this);
    m_customReport->show();
    m_customReport->raise();
    m_customReport->activateWindow();
}

void frmMain::mnuItemList_Click()
{
    // one window, brought forward as it was left
    if (!m_itemList)
        m_itemList = new frmItemList(
            m_state, [this](qint32 key) { return showItem(key); }, this);
    m_itemList->show();
    m_itemList->raise();
    m_itemList->activateWindow();
}

void frmMain::mnuStatistics_Click()
{
    // one window, brought forward as it was left
    if (!m_statistics)
        m_statistics = new frmStatistics(m_state, this);
    m_statistics->show();
    m_statistics->raise();
    m_statistics->activateWindow();
}

// Shows the item with the key, chosen in the list window, and comes to the
// front; refused while an edit is not saved or cancelled.
bool frmMain::showItem(qint32 key)
{
    if (Dirty || Adding) {
        m_state.dialogs.messageBox(
            QStringLiteral("Please save or cancel the changes to the item you are editing first."),
            Dialogs::Buttons::Ok, Dialogs::Icon::Exclamation, QStringLiteral("Plonko List"));
        return false;
    }
    Recordset& items = m_state.items();
    items.FindFirst(QStringLiteral("PlonID = ") + QString::number(key));
    if (items.NoMatch()) {
        m_state.dialogs.messageBox(QStringLiteral("That record was not found."), Dialogs::Buttons::Ok,
                                   Dialogs::Icon::None, QStringLiteral("No Records Match"));
        // the window still shows the row it showed
        items.FindFirst(QStringLiteral("PlonID = ") + QString::number(m_shownKey));
        return false;
    }
    LoadRecord();
    setWindowState(windowState() & ~Qt::WindowMinimized);
    raise();
    activateWindow();
    return true;
}

void frmMain::mnuAbout_Click()
{
    if (!m_about)
        m_about = new frmAbout(this);
    m_about->show();
    m_about->raise();
    m_about->activateWindow();
}

void frmMain::mnuExit_Click()
{
    close();
}

// ------------------------------------------------ navigation, sorting, finding

void frmMain::cmdFirst_Click()
{
    if (m_state.items().RecordCount() > 0) {
        m_state.items().MoveFirst();
        LoadRecord();
    }
}

void frmMain::cmdLast_Click()
{
    if (m_state.items().RecordCount() > 0) {
        m_state.items().MoveLast();
        LoadRecord();
    }
}

void frmMain::cmdNext_Click()
{
    if (m_state.items().RecordCount() > 0) {
        moveNextWithinRows(m_state.items(), m_state.dialogs);
        LoadRecord();
    }
}

void frmMain::cmdPrevious_Click()
{
    if (m_state.items().RecordCount() > 0) {
        movePreviousWithinRows(m_state.items(), m_state.dialogs);
        LoadRecord();
    }
}

// Exactly one Sort item carries the check mark: the order in force.
void frmMain::checkSortItem(int index)
{
    mnuSort[index - 1]->setChecked(true);
}

void frmMain::reopenItems(const QString& sql)
{
    m_state.ItemSet.reset();
    m_state.ItemSet = m_state.db().OpenRecordset(sql, Database::RecordsetType::Dynaset);
}

void frmMain::mnuSort_Click(int index)
{
    checkSortItem(index);
    reopenItems(kSortOrders[index - 1]);
    if (m_state.items().RecordCount() != 0) {
        m_state.items().MoveFirst();
        LoadRecord();
    } else {
        ClearFields();
        DisableFields();
    }
}

// After an import: the collection as it stands now, in the order shown, from
// its first item, with every list refilled.
void frmMain::mnuImport_Click()
{
    if (!ImportFromCsv(m_state, this))
        return;
    m_state.LookupChanged.fill(true);
    Form_Activate();
    EnableFields();
    int shown = 1;
    for (int i = 0; i < 4; ++i) {
        if (mnuSort[i]->isChecked())
            shown = i + 1;
    }
    mnuSort_Click(shown);
}

void frmMain::cmdFind_Click()
{
    if (!m_find)
        m_find = std::make_unique<frmFind>(m_state, this);
    m_find->prepare();
    m_state.dialogs.showModal(*m_find);
    if (m_state.Cancelled) {
        m_find.reset(); // a cancelled find starts afresh with the name next time
        return;
    }
    const QString text = m_find->searchText();
    QString criteria;
    int fieldLength = FindText::kLongestField;
    switch (m_find->kind()) {
    case frmFind::ByName:
        checkSortItem(1);
        reopenItems(QStringLiteral("Select * from Plonko order by name, descr"));
        criteria = QStringLiteral("Name like ") + JetSql::beginsWithPattern(text);
        break;
    case frmFind::ByDescription:
        checkSortItem(2);
        reopenItems(kSortOrders[1]);
        criteria = QStringLiteral("descr like ") + JetSql::beginsWithPattern(text);
        break;
    case frmFind::ByCatalogNumber:
        checkSortItem(3);
        reopenItems(kSortOrders[2]);
        criteria = QStringLiteral("catnum = ") + JetSql::quoteText(text);
        fieldLength = kCatalogNumberLength;
        break;
    case frmFind::ByBirthday: {
        checkSortItem(4);
        reopenItems(kSortOrders[3]);
        const QDate day = m_state.regional.toDate(text).value_or(QDate());
        criteria = QStringLiteral("issuedate = #%1/%2/%3#").arg(day.month()).arg(day.day()).arg(day.year());
        break;
    }
    }
    Recordset& items = m_state.items();
    const bool found = FindText::canMatch(text, fieldLength) && (items.FindFirst(criteria), !items.NoMatch());
    if (!found) {
        m_state.dialogs.messageBox(QStringLiteral("That record was not found."), Dialogs::Buttons::Ok,
                                   Dialogs::Icon::None, QStringLiteral("No Records Match"));
        // the window still shows the row it showed: stand on that row in the new order
        if (items.RecordCount() != 0)
            items.FindFirst(QStringLiteral("PlonID = ") + QString::number(m_shownKey));
    } else {
        LoadRecord();
    }
    m_find->clearText();
}

// --------------------------------------------------- prices, quantity, totals

void frmMain::showMoney(QLineEdit* box, const QString& text)
{
    if (box->text() != text) // an unchanged text is no edit
        box->setText(text);
}

// The total of one price: quantity times the price it stands for (as stored
// while untouched, else as typed), rounded only by the currency format. Left
// as it is while the quantity is no number (a stored row without one).
void frmMain::recomputeTotal(QLineEdit* price, QLineEdit* total)
{
    const RegionalSettings& regional = m_state.regional;
    const std::optional<Money> each = m_amounts->kept(price);
    const std::optional<double> quantity = regional.toNumber(txtQuantity->text());
    const std::optional<qint32> pieces = quantity ? longOf(Value(*quantity)) : std::nullopt;
    if (each && pieces && *pieces == *quantity) {
        m_amounts->show(total, totalOf(*each, *pieces), regional);
    } else if (const std::optional<QString> text = regional.formatTotal(txtQuantity->text(), price->text())) {
        showMoney(total, *text);
        m_amounts->forget(total);
    }
}

bool frmMain::priceLostFocus(QLineEdit* price, QLineEdit* total)
{
    const RegionalSettings& regional = m_state.regional;
    if (price->text().isEmpty()) {
        m_amounts->show(total, std::nullopt, regional);
        return true;
    }
    const std::optional<Money> amount = m_amounts->amount(price, regional);
    if (!amount) {
        m_state.dialogs.messageBox(QStringLiteral("You must enter a valid number or leave the field blank"));
        return false;
    }
    recomputeTotal(price, total);
    if (!m_amounts->kept(price)) // typed anew: it stands for what it shows, never for an older amount
        m_amounts->forget(price);
    showMoney(price, regional.formatCurrency(*amount));
    return true;
}

bool frmMain::txtPricePaid_LostFocus()
{
    return priceLostFocus(txtPricePaid, txtTotalPaid);
}

bool frmMain::txtCatValue_LostFocus()
{
    return priceLostFocus(txtCatValue, txtTotalVal);
}

bool frmMain::txtPriceAsk_LostFocus()
{
    return priceLostFocus(txtPriceAsk, txtTotalSales);
}

// Totals are recomputed in the order paid, value, sales, each only when its
// price is a number.
bool frmMain::txtQuantity_LostFocus()
{
    if (!m_state.regional.isNumeric(txtQuantity->text())) {
        m_state.dialogs.messageBox(QStringLiteral("You must enter a number in the Quantity field"),
                                   Dialogs::Buttons::Ok, Dialogs::Icon::Critical);
        return false;
    }
    recomputeTotal(txtPricePaid, txtTotalPaid);
    recomputeTotal(txtCatValue, txtTotalVal);
    recomputeTotal(txtPriceAsk, txtTotalSales);
    return true;
}

// ------------------------------------------------------ selling some pieces

// Records the sale of part of a holding: all of it marks the row sold, dated
// today unless it has a date of sale already; some of it splits off a sold row
// dated today and leaves the rest in the holding row.
// The two writes of a split are stored together or not at all.
void frmMain::cmdSoldSome_Click()
{
    AppState& s = m_state;
    Dialogs& dialogs = s.dialogs;
    const QString answer =
        dialogs.inputBox(QStringLiteral("How many of this Plonko were sold?"),
                         QStringLiteral("Sold Some of Current Plonko"), QStringLiteral("1"));
    const std::optional<double> number = s.regional.toNumber(answer);
    if (!number) {
        dialogs.messageBox(QStringLiteral("You must enter a number for the number sold."),
                           Dialogs::Buttons::Ok, Dialogs::Icon::None, QStringLiteral("Number Required"));
        return;
    }
    Recordset& items = s.items();
    if (items.AtBOF() || items.AtEOF())
        return; // no row is shown
    const qint32 held = longOf(items.Fields(QStringLiteral("quantity"))).value_or(0);
    const std::optional<qint32> sold = longOf(Value(*number));
    if (!sold || *sold > held) {
        dialogs.messageBox(QStringLiteral("You do not have that many of the current Plonko."),
                           Dialogs::Buttons::Ok, Dialogs::Icon::None, QStringLiteral("Sold How Many?"));
        return;
    }
    if (*sold < 1) {
        dialogs.messageBox(QStringLiteral("The number sold must be at least 1."), Dialogs::Buttons::Ok,
                           Dialogs::Icon::None, QStringLiteral("Sold How Many?"));
        return;
    }
    const QString holding = QStringLiteral("PlonID = ") +
                            QString::number(longOf(items.Fields(QStringLiteral("PlonID"))).value_or(0));

    if (held == *sold) {
        underHandler(s, [&] {
            items.Edit();
            items.SetField(QStringLiteral("forsale"), false);
            items.SetField(QStringLiteral("sold"), true);
            if (isNull(items.Fields(QStringLiteral("SoldDate"))))
                items.SetField(QStringLiteral("SoldDate"), s.today());
        });
        if (!writeWithRetry(s, [&] { items.Update(); })) {
            items.FindFirst(holding); // a move ends the edit that was not stored
            return;
        }
        underHandler(s, [&] {
            s.db().Idle();
            LoadRecord();
        });
        return;
    }

    Transaction split(s.db());
    // a split not stored whole is not kept at all; the holding stays shown as stored
    auto undoSplit = [&] {
        split.rollback();
        items.Requery();
        items.FindFirst(holding);
    };
    // the sold pieces: the row as shown, with their own quantity, totals and photos
    qint64 soldKey = 0;
    underHandler(s, [&] {
        items.AddNew();
        soldKey = longOf(items.Fields(QStringLiteral("PlonID"))).value_or(0);
    });
    setFieldsFromControls();
    auto soldTotal = [&](const char* total, QLineEdit* price) {
        const std::optional<Money> each = m_amounts->amount(price, s.regional);
        const std::optional<Money> amount = each ? each->times(*sold) : std::nullopt;
        underHandler(s,
                     [&] { items.SetField(QString::fromLatin1(total), amount ? Value(*amount) : Value()); });
    };
    underHandler(s, [&] { items.SetField(QStringLiteral("quantity"), *sold); });
    soldTotal("totalpaid", txtPricePaid);
    soldTotal("totalval", txtCatValue);
    soldTotal("totalsales", txtPriceAsk);
    underHandler(s, [&] {
        items.SetField(QStringLiteral("forsale"), false);
        items.SetField(QStringLiteral("sold"), true);
        items.SetField(QStringLiteral("SoldDate"), s.today());
    });
    if (!writeWithRetry(s, [&] { items.Update(); }) || !writeWithRetry(s, [&] {
            if (m_photoTables)
                m_photoTables->copyPhotos(m_shownKey, soldKey);
        })) {
        undoSplit();
        return;
    }

    // the holding keeps the rest
    items.FindFirst(holding);
    if (items.NoMatch()) {
        // the sold row is not kept without the holding it came from
        split.rollback();
        items.Requery();
        dialogs.messageBox(QStringLiteral("Error entering sale"));
        return;
    }
    const qint32 left = held - *sold;
    underHandler(s, [&] {
        items.Edit();
        items.SetField(QStringLiteral("quantity"), left);
        for (const auto& [price, total] :
             {std::pair{"pricepaid", "totalpaid"}, std::pair{"catvalue", "totalval"},
              std::pair{"priceask", "totalsales"}}) {
            // a total beyond what money holds is not known: it is left empty
            if (const std::optional<Money> each = moneyOf(items.Fields(QString::fromLatin1(price))))
                items.SetField(QString::fromLatin1(total),
                               each->times(left) ? Value(*each->times(left)) : Value());
        }
    });
    bool stored = false;
    if (writeWithRetry(s, [&] { items.Update(); }))
        underHandler(s, [&] {
            split.commit();
            stored = true;
        });
    if (!stored) {
        undoSplit();
        return;
    }
    underHandler(s, [&] {
        s.db().Idle();
        LoadRecord();
    });
}

// ------------------------------------------------------------------- dates

void frmMain::dcIssueDate_DropDown()
{
    dropDownDate(m_state, dcIssueDate, QStringLiteral("Select Birthday"), PickerPlacement::AboveRightAligned);
}

void frmMain::dcRetireDate_DropDown()
{
    dropDownDate(m_state, dcRetireDate, QStringLiteral("Select Retirement Date"),
                 PickerPlacement::AboveRightAligned);
}

void frmMain::dcPurchaseDate_DropDown()
{
    dropDownDate(m_state, dcPurchaseDate, QStringLiteral("Select Purchase Date"),
                 PickerPlacement::BelowLeftAligned);
}

void frmMain::dcSoldDate_DropDown()
{
    dropDownDate(m_state, dcSoldDate, QStringLiteral("Select Sold Date"), PickerPlacement::BelowLeftAligned);
}

bool frmMain::dcIssueDate_LostFocus()
{
    return dateLeaveCheck(m_state, dcIssueDate,
                          QStringLiteral("You must enter a valid issue date, or leave the field blank."));
}

// A date that does not read is never saved as empty: the retirement and
// purchase dates are checked as the birthday and the sold date are.
bool frmMain::dcRetireDate_LostFocus()
{
    return dateLeaveCheck(
        m_state, dcRetireDate,
        QStringLiteral("You must enter a valid retirement date, or leave the field blank."));
}

bool frmMain::dcPurchaseDate_LostFocus()
{
    return dateLeaveCheck(m_state, dcPurchaseDate,
                          QStringLiteral("You must enter a valid purchase date, or leave the field blank."));
}

bool frmMain::dcSoldDate_LostFocus()
{
    return dateLeaveCheck(m_state, dcSoldDate,
                          QStringLiteral("You must enter a valid sold date, or leave the field blank."));
}

// ------------------------------------------------------------ lookup tables

// A new maintenance window for the table, beside this one.
void frmMain::mnuMaint_Click(int index)
{
    m_state.MaintTable = index;
    auto* maintenance = new frmCodesMaint(m_state, this);
    maintenance->show();
}
