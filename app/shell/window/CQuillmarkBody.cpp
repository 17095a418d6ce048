#include "CQuillmarkBody.h"

#include "AppEnv.h"
#include "CBasicAttribute.h"
#include "CBatchConnect.h"
#include "CConnect.h"
#include "CConnectProcedure.h"
#include "CDlgAllNote.h"
#include "CQuillmarkDlg.h"
#include "CSelCOM.h"
#include "LoginState.h"
#include "MessageSeam.h"
#include "OpenDatabase.h"
#include "OperationLog.h"
#include "Permissions.h"
#include "Recordset.h"
#include "Strings.h"
#include "WindowIcons.h"
#include "DownloadEntry.h"
#include "SingleDownload.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace qm::window {
namespace {

constexpr int kSnRole = Qt::UserRole;
constexpr int kMacRole = Qt::UserRole + 1;
constexpr int kChannelRole = Qt::UserRole + 2;
constexpr int kFolderIdRole = Qt::UserRole;

// Button slots in the title bar.
constexpr int kSlotWidth = 58;
constexpr int kGroupGap = 22;
constexpr int kButtonSize = 34;

const char kStyle[] = R"(
#titleBar { background: qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0 #17406b, stop:1 #2461a0); }
#titleBar QLabel { color: white; }
#titleText { font-size: 15px; font-weight: bold; }
#titleBar QToolButton { border: none; border-radius: 4px; background: transparent; }
#titleBar QToolButton:hover { background: rgba(255,255,255,40); }
#titleBar QToolButton:pressed { background: rgba(255,255,255,70); }
#titleBar QLabel:disabled { color: rgba(255,255,255,90); }
#userName { font-weight: bold; }
#navPane, #sidePanel { background: #f4f7fb; }
#navPane { border-right: 1px solid #d5dde8; }
#sidePanel { border-left: 1px solid #d5dde8; }
#navTabs QToolButton, #sideTabs QToolButton {
  border: none; border-bottom: 2px solid transparent; padding: 6px 4px; background: transparent; color: #44546a; }
#navTabs QToolButton:checked, #sideTabs QToolButton:checked {
  border-bottom: 2px solid #2461a0; color: #17406b; font-weight: bold; background: white; }
#navTabs QToolButton:hover, #sideTabs QToolButton:hover { background: #e8eef6; }
QTreeWidget { border: none; background: white; }
#emptyPage QLabel, #recordHint { color: #6b7a8f; font-size: 14px; }
#recordArea { background: white; }
#CBasicAttribute #fieldLabel, #CBasicAttribute #channelLabel, #CBasicAttribute #unitHead { color: #5a6b80; }
)";

QString DeviceItemText(const QString& name, const QString& sn) { return name + u'_' + sn; }

} // namespace

CQuillmarkBody::CQuillmarkBody(CQuillmarkDlg& frame)
    : QWidget(&frame), m_frame(frame), m_procedure(std::make_unique<device::CConnectProcedure>(device::DeviceManager()))
{
    setObjectName(QStringLiteral("CQuillmarkBody"));
    setStyleSheet(QString::fromUtf8(kStyle));
    m_note = std::make_unique<device::CDlgAllNote>(&frame);

    BuildTitleBar();
    BuildNavigation();
    BuildPanels();
    frame.setWindowIcon(ProgramIcon());
    // A pleasant first size that still fits a small screen.
    QSize size(1280, 800);
    if (const QScreen* screen = frame.screen())
        size = size.boundedTo(screen->availableSize() * 0.92);
    frame.resize(size);
    frame.setMinimumSize(1000, 620);
    frame.SetBody(this);
    ConnectMenu();
    BuildTray();
    frame.installEventFilter(this);
    m_records->installEventFilter(this);
    m_side->installEventFilter(this);

    connect(&frame, &CQuillmarkDlg::loginChanged, this, &CQuillmarkBody::OnLoginChanged);
    connect(&frame, &CQuillmarkDlg::aboutToClose, this, [this] {
        if (m_tray)
            m_tray->hide();
        // The download's threads end before the devices they work with.
        device::SingleDownload::Instance().Shutdown();
        // The devices (and their ports) end with the program.
        device::DeviceManager().Clear();
    });
    auto& entry = device::DownloadEntry::Instance();
    connect(&entry, &device::DownloadEntry::singleFinished, this, &CQuillmarkBody::OnDownSuccess);
    connect(&entry, &device::DownloadEntry::singleFailed, this, [this] { UpdateToolbar(); });
    connect(&entry, &device::DownloadEntry::recordsChanged, this, [this](const QString& sn) {
        emit recordsChanged(sn);
        if (device::DevicePtr d = device::DeviceManager().Find(sn); d && m_info && m_sidePage == kSideDeviceInfo
                                                                   && device::DeviceManager().CurrentSN() == sn)
            m_info->Fill(*d);
        UpdateToolbar();
    });

    ReloadDeviceTree();
    ReloadFolderTree();
    SelectSidePage(kSideHidden);
    UpdateToolbar();
}

CQuillmarkBody::~CQuillmarkBody() = default;

// ---------------------------------------------------------------- building

void CQuillmarkBody::BuildTitleBar()
{
    m_title = new QWidget(this);
    m_title->setObjectName(QStringLiteral("titleBar"));
    m_title->setAttribute(Qt::WA_StyledBackground);
    m_titleText = new QLabel(Msg(119), m_title);
    m_titleText->setObjectName(QStringLiteral("titleText"));
    m_logo = new QLabel(m_title);
    m_logo->setObjectName(QStringLiteral("c%1").arg(kLogo));
    m_logo->setPixmap(LogoPixmap(34));

    struct ButtonDef {
        int id;
        int text;
        int group;
    };
    const ButtonDef defs[] = {
        {kBtnSave, 5030, 0},       {kBtnPrint, 240, 0},        {kBtnConnect, 5031, 1},  {kBtnDisconnect, 5032, 1},
        {kBtnRun, 5034, 1},        {kBtnStop, 5033, 1},        {kBtnDownload, 5035, 1}, {kBtnMerge, 5036, 2},
        {kBtnCompare, 5037, 2},    {kBtnConnectAll, 5038, 3},  {kBtnConfigAll, 214, 3}, {kBtnDownloadAll, 219, 3},
    };
    QFont labelFont = font();
    labelFont.setPixelSize(12);
    for (const ButtonDef& def : defs) {
        ToolButton b;
        b.id = def.id;
        b.group = def.group;
        b.button = new QToolButton(m_title);
        b.button->setObjectName(QStringLiteral("c%1").arg(def.id));
        b.button->setIcon(ToolIcon(def.id));
        b.button->setIconSize(QSize(26, 26));
        b.button->setToolTip(Msg(def.text));
        b.button->setCursor(Qt::PointingHandCursor);
        b.label = new QLabel(Msg(def.text), m_title);
        b.label->setObjectName(QStringLiteral("l%1").arg(def.id));
        b.label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        b.label->setFont(labelFont);
        const int id = def.id;
        connect(b.button, &QToolButton::clicked, this, [this, id] { Route(id); });
        m_buttons << b;
    }

    // The user name and its ▼ move from the menu bar into the title bar.
    QWidget* badge = m_frame.UserBadge();
    m_frame.menuBar()->setCornerWidget(nullptr, Qt::TopRightCorner);
    if (auto* name = badge->findChild<QLabel*>(QStringLiteral("userName"))) {
        name->setParent(m_title);
        name->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    if (auto* arrow = badge->findChild<QToolButton*>(QStringLiteral("userMenuButton"))) {
        arrow->setParent(m_title);
        arrow->setStyleSheet(QStringLiteral("QToolButton { color: white; font-size: 9px; padding: 0; }"));
    }
    badge->setParent(m_title);
    badge->hide();
}

void CQuillmarkBody::BuildNavigation()
{
    m_nav = new QWidget(this);
    m_nav->setObjectName(QStringLiteral("navPane"));
    m_nav->setAttribute(Qt::WA_StyledBackground);

    auto* tabs = new QWidget(m_nav);
    tabs->setObjectName(QStringLiteral("navTabs"));
    auto* tabRow = new QHBoxLayout(tabs);
    tabRow->setContentsMargins(0, 0, 0, 0);
    tabRow->setSpacing(0);
    const auto makeTab = [&](int id, int text) {
        auto* tab = new QToolButton(tabs);
        tab->setObjectName(QStringLiteral("c%1").arg(id));
        tab->setText(Msg(text));
        tab->setIcon(TabIcon(id));
        tab->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        tab->setCheckable(true);
        tab->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        tab->setMinimumHeight(38);
        tabRow->addWidget(tab);
        return tab;
    };
    m_tabDevices = makeTab(kTabDevices, 5019);
    m_tabFolders = makeTab(kTabFolders, 5800);
    // The tabs act on a click only; their checked look follows the window's tab.
    connect(m_tabDevices, &QToolButton::clicked, this, [this] {
        m_tabDevices->setChecked(m_tab == kTabDevice);
        OnTabDevices();
    });
    connect(m_tabFolders, &QToolButton::clicked, this, [this] {
        m_tabFolders->setChecked(m_tab == kTabFolder);
        OnTabFolders();
    });

    m_search = new QLineEdit(m_nav);
    m_search->setObjectName(QStringLiteral("c%1").arg(kSearchEdit));
    m_search->setPlaceholderText(Msg(5802));
    m_search->setClearButtonEnabled(true);
    m_searchButton = new QToolButton(m_nav);
    m_searchButton->setObjectName(QStringLiteral("c%1").arg(kSearchButton));
    m_searchButton->setText(Msg(5040));
    m_searchButton->setMinimumHeight(26);
    connect(m_searchButton, &QToolButton::clicked, this, [this] { Route(kSearchButton); });
    auto* searchRow = new QHBoxLayout;
    searchRow->setContentsMargins(8, 8, 8, 8);
    searchRow->setSpacing(4);
    searchRow->addWidget(m_search, 1);
    searchRow->addWidget(m_searchButton);

    const auto makeTree = [&](int id) {
        auto* tree = new QTreeWidget(m_nav);
        tree->setObjectName(QStringLiteral("c%1").arg(id));
        tree->setHeaderHidden(true);
        tree->setIconSize(QSize(16, 16));
        tree->setIndentation(16);
        tree->setUniformRowHeights(true);
        // The selection keeps its highlight when the tree loses the focus.
        QPalette palette = tree->palette();
        for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
            palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
        tree->setPalette(palette);
        return tree;
    };
    m_deviceTree = makeTree(kDeviceTree);
    m_folderTree = makeTree(kFolderTree);
    connect(m_deviceTree, &QTreeWidget::currentItemChanged, this, &CQuillmarkBody::OnDeviceTreeChanged);
    connect(m_folderTree, &QTreeWidget::currentItemChanged, this, &CQuillmarkBody::OnFolderTreeChanged);
    m_trees = new QStackedWidget(m_nav);
    m_trees->addWidget(m_deviceTree);
    m_trees->addWidget(m_folderTree);

    auto* layout = new QVBoxLayout(m_nav);
    layout->setContentsMargins(0, 0, 1, 0);
    layout->setSpacing(0);
    layout->addWidget(tabs);
    layout->addLayout(searchRow);
    layout->addWidget(m_trees, 1);
}

void CQuillmarkBody::BuildPanels()
{
    m_records = new QStackedWidget(this);
    m_records->setObjectName(QStringLiteral("recordArea"));
    auto* hint = new QLabel(Msg(5025), m_records);
    hint->setObjectName(QStringLiteral("recordHint"));
    hint->setAlignment(Qt::AlignCenter);
    hint->setWordWrap(true);
    hint->setMargin(40);
    m_records->addWidget(hint);

    m_side = new QWidget(this);
    m_side->setObjectName(QStringLiteral("sidePanel"));
    m_side->setAttribute(Qt::WA_StyledBackground);
    auto* tabs = new QWidget(m_side);
    tabs->setObjectName(QStringLiteral("sideTabs"));
    auto* tabRow = new QHBoxLayout(tabs);
    tabRow->setContentsMargins(0, 0, 0, 0);
    tabRow->setSpacing(0);
    m_sideConfig = new QToolButton(tabs);
    m_sideConfig->setObjectName(QStringLiteral("c%1").arg(kSideTabConfig));
    m_sideConfig->setText(Msg(5018));
    m_sideInfo = new QToolButton(tabs);
    m_sideInfo->setObjectName(QStringLiteral("c%1").arg(kSideTabInfo));
    m_sideInfo->setText(Msg(325));
    for (QToolButton* tab : {m_sideConfig, m_sideInfo}) {
        tab->setCheckable(true);
        tab->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        tab->setMinimumHeight(38);
        tabRow->addWidget(tab);
    }
    connect(m_sideConfig, &QToolButton::clicked, this, &CQuillmarkBody::OnSideTabConfig);
    connect(m_sideInfo, &QToolButton::clicked, this, &CQuillmarkBody::OnSideTabInfo);

    m_sidePages = new QStackedWidget(m_side);
    const auto emptyPage = [this](QLabel** text) {
        auto* page = new QWidget(m_sidePages);
        page->setObjectName(QStringLiteral("emptyPage"));
        auto* label = new QLabel(Msg(341), page);
        label->setAlignment(Qt::AlignCenter);
        label->setWordWrap(true);
        auto* layout = new QVBoxLayout(page);
        layout->addWidget(label);
        if (text)
            *text = label;
        return page;
    };
    m_sidePages->addWidget(emptyPage(&m_emptyText));   // 0
    m_sidePages->addWidget(emptyPage(nullptr));        // 1: the record configuration installs here
    m_sidePages->addWidget(emptyPage(nullptr));        // 2: the device configuration installs here
    m_info = new CBasicAttribute(m_sidePages);
    m_sidePages->addWidget(m_info);                    // 3

    auto* layout = new QVBoxLayout(m_side);
    layout->setContentsMargins(1, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tabs);
    layout->addWidget(m_sidePages, 1);
}

void CQuillmarkBody::BuildTray()
{
    m_tray = new QSystemTrayIcon(ProgramIcon(), this);
    m_tray->setObjectName(QStringLiteral("trayIcon"));
    m_tray->setToolTip(m_frame.windowTitle().left(128));
    connect(m_tray, &QSystemTrayIcon::activated, this, &CQuillmarkBody::OnTrayActivated);
    if (QSystemTrayIcon::isSystemTrayAvailable())
        m_tray->show();
}

void CQuillmarkBody::ConnectMenu()
{
    for (MenuCmd command : {MenuCmd::SaveAs, MenuCmd::Print, MenuCmd::PdfReport, MenuCmd::ImportAndroid,
                            MenuCmd::Connect, MenuCmd::Download, MenuCmd::RunPause, MenuCmd::AutoBackup,
                            MenuCmd::ManualBackup, MenuCmd::BackupImport, MenuCmd::SerialSettings}) {
        if (QAction* action = m_frame.Action(command))
            connect(action, &QAction::triggered, this, [this, command] { Route(int(command)); });
    }
    // The serial settings are the only one of these that needs no selection.
    m_frame.Action(MenuCmd::SerialSettings)->setEnabled(true);
}

// ---------------------------------------------------------------- layout

void CQuillmarkBody::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    LayoutBody();
}

void CQuillmarkBody::LayoutBody()
{
    const int w = width();
    const int h = height();
    m_title->setGeometry(0, 0, w, kTitleHeight);
    m_nav->setGeometry(0, kTitleHeight + 1, kNavWidth, qMax(0, h - kTitleHeight - 1));
    const bool side = m_sidePage != kSideHidden;
    const int recordWidth = qMax(0, w - kNavWidth - (side ? kSideWidth : 0));
    m_records->setGeometry(kNavWidth, kTitleHeight + 1, recordWidth, qMax(0, h - kTitleHeight - 1));
    m_side->setGeometry(w - kSideWidth, kTitleHeight + 1, kSideWidth, qMax(0, h - kTitleHeight - 1));
    m_side->setVisible(side);
    LayoutTitleBar();
}

void CQuillmarkBody::LayoutTitleBar()
{
    const int w = m_title->width();
    auto* name = m_title->findChild<QLabel*>(QStringLiteral("userName"));
    auto* arrow = m_title->findChild<QToolButton*>(QStringLiteral("userMenuButton"));
    int nameLeft = w - 77;
    if (name) {
        // 49 pixels for the name; a longer one grows to the left.
        const int textWidth = name->fontMetrics().horizontalAdvance(name->text()) + 4;
        const int width = qBound(49, textWidth, 160);
        nameLeft = w - 28 - width;
        name->setGeometry(nameLeft, 0, width, kTitleHeight);
    }
    if (arrow)
        arrow->setGeometry(w - 27, 19, 16, 16);
    m_logo->setGeometry(nameLeft - 34, 10, 34, 34);
    m_titleText->setGeometry(16, 0, kNavWidth - 16, kTitleHeight);

    // The shown buttons, centred in their groups between the title and the logo;
    // each slot as wide as its label (at least kSlotWidth), narrowed and the
    // labels elided only when the window is too narrow for all of them.
    QList<const ToolButton*> shown;
    for (const ToolButton& b : m_buttons)
        if (!b.button->isHidden())
            shown << &b;
    QList<int> widths;
    int groups = 0;
    int lastGroup = -1;
    int total = 0;
    for (const ToolButton* b : shown) {
        if (b->group != lastGroup)
            ++groups;
        lastGroup = b->group;
        const QString text = b->button->toolTip();
        widths << qMax(kSlotWidth, b->label->fontMetrics().horizontalAdvance(text) + 10);
        total += widths.last();
    }
    const int gaps = qMax(0, groups - 1) * kGroupGap;
    const int areaLeft = kNavWidth;
    const int areaRight = nameLeft - 34 - 12;
    const int room = qMax(0, areaRight - areaLeft - gaps);
    if (total > room && total > 0) {
        int scaled = 0;
        for (int& width : widths) {
            width = qMax(kButtonSize + 4, width * room / total);
            scaled += width;
        }
        total = scaled;
    }
    int x = areaLeft + qMax(0, (areaRight - areaLeft - total - gaps) / 2);
    lastGroup = -1;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        const ToolButton* b = shown.at(i);
        const int width = widths.at(i);
        if (lastGroup >= 0 && b->group != lastGroup)
            x += kGroupGap;
        lastGroup = b->group;
        b->button->setGeometry(x + (width - kButtonSize) / 2, 2, kButtonSize, kButtonSize);
        b->label->setGeometry(x, 36, width, 16);
        b->label->setText(b->label->fontMetrics().elidedText(b->button->toolTip(), Qt::ElideRight, width - 2));
        x += width;
    }
}

// ---------------------------------------------------------------- parts

QToolButton* CQuillmarkBody::Button(int id) const
{
    for (const ToolButton& b : m_buttons)
        if (b.id == id)
            return b.button;
    return nullptr;
}

QLabel* CQuillmarkBody::ButtonLabel(int id) const
{
    for (const ToolButton& b : m_buttons)
        if (b.id == id)
            return b.label;
    return nullptr;
}

QWidget* CQuillmarkBody::RecordArea() const { return m_records; }

void CQuillmarkBody::SetRecordPage(QWidget* page)
{
    if (!page)
        return;
    m_records->addWidget(page);
    m_records->setCurrentWidget(page);
}

void CQuillmarkBody::SetSidePage(int page, QWidget* widget)
{
    if (page < kSideEmpty || page > kSideDeviceInfo || !widget)
        return;
    QWidget* old = m_sidePages->widget(page);
    m_sidePages->insertWidget(page, widget);
    if (old) {
        m_sidePages->removeWidget(old);
        if (old == m_info)
            m_info = nullptr;
        old->deleteLater();
    }
    if (m_sidePage == page)
        m_sidePages->setCurrentIndex(page);
}

void CQuillmarkBody::SetSelectedRecord(bool selected, bool imported)
{
    m_recordSelected = selected;
    m_recordImported = imported;
    UpdateToolbar();
}

void CQuillmarkBody::SetListMode(bool listMode)
{
    m_listMode = listMode;
    UpdateToolbar();
}

store::CDBSqlite3* CQuillmarkBody::Database()
{
    if (store::CDBSqlite3* db = m_frame.Database())
        return db;
    if (!m_ownDb) {
        m_ownDb = store::OpenDatabase(this, DatabasePath(), 0, 0, 0);
        if (m_ownDb)
            m_ownDb->SetReportMode(store::kReportLog);
    }
    return m_ownDb.get();
}

device::DevicePtr CQuillmarkBody::CurrentDevice() const
{
    if (m_tab != kTabDevice)
        return nullptr;
    return device::DeviceManager().Current();
}

bool CQuillmarkBody::DownloadAvailable() const
{
    return true;
}

QString CQuillmarkBody::CurrentDeviceName(const QString& sn) const
{
    if (device::DevicePtr d = device::DeviceManager().Find(sn))
        return d->name;
    return {};
}

// ---------------------------------------------------------------- routing

void CQuillmarkBody::Route(int command)
{
    switch (command) {
    case int(MenuCmd::SaveAs):
    case kBtnSave:
        // The record views bring the saving; until then the check is all.
        Permit(Guarded::Save);
        return;
    case int(MenuCmd::Print):
    case kBtnPrint:
        Permit(Guarded::Print);
        return;
    case int(MenuCmd::PdfReport):
        Permit(Guarded::PdfReport);
        return;
    case int(MenuCmd::AutoBackup):
        Permit(Guarded::AutoBackup);
        return;
    case int(MenuCmd::ManualBackup):
        Permit(Guarded::ManualBackup);
        return;
    case int(MenuCmd::BackupImport):
        Permit(Guarded::BackupImport);
        return;
    case int(MenuCmd::SerialSettings):
        OnSerialSettings();
        return;
    case int(MenuCmd::Connect): {
        const QString text = m_frame.Action(MenuCmd::Connect)->text();
        Route(text.compare(Msg(345), Qt::CaseInsensitive) == 0 ? kBtnConnect : kBtnDisconnect);
        return;
    }
    case int(MenuCmd::RunPause): {
        const QString text = m_frame.Action(MenuCmd::RunPause)->text();
        Route(text.compare(Msg(348), Qt::CaseInsensitive) == 0 ? kBtnRun : kBtnStop);
        return;
    }
    case int(MenuCmd::Download):
    case kBtnDownload:
        OnBnClickedBdownload();
        return;
    case kBtnConnect:
        OnBnClickedBConn();
        return;
    case kBtnDisconnect:
        OnBnClickedBcut();
        return;
    case kBtnRun:
        OnBnClickedBrun();
        return;
    case kBtnStop:
        OnBnClickedBpause();
        return;
    case kBtnConnectAll:
        OnBnClickedBconnAll();
        return;
    case kBtnDownloadAll:
        OnBnClickedBdownloadAll();
        return;
    case kSearchButton:
        OnBnClickedSearch();
        return;
    default:
        // Import, merge, compare and batch configuration arrive with their pages.
        return;
    }
}

// ---------------------------------------------------------------- device commands

void CQuillmarkBody::OnBnClickedBConn()
{
    if (!Permit(Guarded::Connect))
        return;
    const int connected = device::CConnect::Run(*m_procedure, &m_frame);
    device::DevicePtr device = connected == 1 ? m_procedure->LastConnected() : nullptr;
    if (device) {
        ReloadDeviceTree(device->sn);
        WriteOperationLog(QStringLiteral("CQuillmarkDlg::OnBnClickedBConn"), Msg(269) + device->name, 4);
        SetConnectText(true);
        UpdateToolbar();
        ShowMessage(187);
    } else {
        UpdateToolbar();
        ShowMessage(186);
    }
}

void CQuillmarkBody::OnBnClickedBcut()
{
    if (!Permit(Guarded::Disconnect))
        return;
    device::DevicePtr device = CurrentDevice();
    if (!device) {
        ShowMessage(194);
        return;
    }
    if (ShowMessage(210, MsgButtons::OkCancel) != AnswerOk)
        return;
    const QString sn = device->sn;
    const QString name = device->name;
    device.reset();
    m_procedure->Disconnect(sn);
    ShowMessage(190);
    ReloadDeviceTree(sn);
    WriteOperationLog(QStringLiteral("CQuillmarkDlg::OnBnClickedBcut"), Msg(270) + name, 5);
    SetConnectText(false);
    UpdateToolbar();
}

void CQuillmarkBody::OnBnClickedBrun()
{
    if (!Permit(Guarded::RunStop))
        return;
    device::DevicePtr device = CurrentDevice();
    if (!device) {
        ShowMessage(194);
        return;
    }
    if (device::StartRecording(*device) == device::CommandOutcome::Done)
        ShowRecordingState(*device);
    UpdateToolbar();
}

void CQuillmarkBody::OnBnClickedBpause()
{
    if (!Permit(Guarded::RunStop))
        return;
    device::DevicePtr device = CurrentDevice();
    if (!device) {
        ShowMessage(194);
        return;
    }
    if (device::StopRecording(*device) == device::CommandOutcome::Done)
        ShowRecordingState(*device);
    UpdateToolbar();
}

void CQuillmarkBody::ShowRecordingState(const device::CDevice& device)
{
    SetRunState(device.config.recordingState != 0);
    if (m_info)
        m_info->Fill(device);
}

void CQuillmarkBody::OnBnClickedBdownload()
{
    device::DevicePtr device = CurrentDevice();
    if (!device) {
        ShowMessage(194);
        return;
    }
    if (device->config.recordingState == 1 && ShowMessage(207, MsgButtons::OkCancel) != AnswerOk)
        return;
    device.reset();
    device::DownloadEntry::Instance().StartSingleDownload(&m_frame);
    UpdateToolbar();
}

void CQuillmarkBody::OnDownSuccess(const QString& sn)
{
    device::DownloadEntry::Instance().OnDownSuccess(&m_frame, sn);
    UpdateToolbar();
}

void CQuillmarkBody::OnBnClickedBconnAll()
{
    m_procedure->EnsureDatabase();
    m_note->Begin(Msg(5038), false);
    device::BatchConnect(*m_procedure, &m_note->Note());
    m_note->Refresh();
    ReloadDeviceTree(device::DeviceManager().CurrentSN());
    UpdateToolbar();
}

void CQuillmarkBody::OnBnClickedBdownloadAll()
{
    device::DownloadEntry::Instance().RunBatchDownload(&m_frame, m_note.get());
    ReloadDeviceTree(device::DeviceManager().CurrentSN());
    UpdateToolbar();
}

void CQuillmarkBody::OnSerialSettings()
{
    if (!Permit(Guarded::SerialSettings))
        return;
    device::CSelCOM::Run(&m_frame);
}

void CQuillmarkBody::OnBnClickedSearch()
{
    if (m_busy)
        return;
    if (m_tab == kTabFolder)
        ReloadFolderTree();
    else
        ReloadDeviceTree();
}

void CQuillmarkBody::SetRunState(bool recording)
{
    if (QAction* action = m_frame.Action(MenuCmd::RunPause))
        action->setText(Msg(recording ? 347 : 348));
    if (m_info)
        m_info->SetWorkingState(recording);
}

void CQuillmarkBody::SetConnectText(bool connected)
{
    if (QAction* action = m_frame.Action(MenuCmd::Connect))
        action->setText(Msg(connected ? 346 : 345));
}

void CQuillmarkBody::UpdateToolbar()
{
    device::ToolbarInputs in;
    in.tab = m_tab == kTabDevice ? device::ToolbarTab::Devices
             : m_tab == kTabFolder ? device::ToolbarTab::Folders
                                   : device::ToolbarTab::None;
    in.listMode = m_listMode;
    const device::DevicePtr device = CurrentDevice();
    in.hasDevice = device != nullptr;
    in.recording = device && device->config.recordingState == 1;
    in.recordSelected = m_recordSelected;
    in.connectedCount = device::DeviceManager().Count();
    in.downloadAvailable = DownloadAvailable();
    const device::ToolbarState s = device::ComputeToolbar(in);

    const auto apply = [this](int id, const device::ButtonState& state) {
        for (const ToolButton& b : m_buttons) {
            if (b.id != id)
                continue;
            b.button->setVisible(state.visible);
            b.label->setVisible(state.visible);
            b.button->setEnabled(state.enabled);
            b.label->setEnabled(state.enabled);
        }
    };
    apply(kBtnSave, s.save);
    apply(kBtnPrint, s.print);
    apply(kBtnConnect, s.connect);
    apply(kBtnDisconnect, s.disconnect);
    apply(kBtnRun, s.run);
    apply(kBtnStop, s.stop);
    apply(kBtnDownload, s.download);
    apply(kBtnMerge, s.merge);
    apply(kBtnCompare, s.compare);
    apply(kBtnConnectAll, s.connectAll);
    apply(kBtnConfigAll, s.configAll);
    apply(kBtnDownloadAll, s.downloadAll);

    m_frame.Action(MenuCmd::Download)->setEnabled(s.menuDownload);
    m_frame.Action(MenuCmd::RunPause)->setEnabled(s.menuRunPause);
    m_frame.Action(MenuCmd::Connect)->setEnabled(s.menuConnect);
    m_frame.Action(MenuCmd::ImportAndroid)->setEnabled(s.menuImport);
    for (MenuCmd command : {MenuCmd::SaveAs, MenuCmd::Print, MenuCmd::PdfReport})
        m_frame.Action(command)->setEnabled(s.menuRecord);
    // The toggling items name what they will do for the current device.
    SetConnectText(in.hasDevice);
    if (QAction* action = m_frame.Action(MenuCmd::RunPause))
        action->setText(Msg(in.recording ? 347 : 348));
    LayoutTitleBar();
}

// ---------------------------------------------------------------- trees and tabs

void CQuillmarkBody::ReloadDeviceTree(const QString& sn)
{
    QTreeWidgetItem* select = nullptr;
    {
        const QSignalBlocker blocker(m_deviceTree);
        m_deviceTree->clear();
        auto* root = new QTreeWidgetItem(m_deviceTree, QStringList{Msg(196)});
        root->setIcon(0, TreeIcon(TreeImage::Root));
        select = root;
        std::unique_ptr<store::CRecordset> set;
        store::CDBSqlite3* db = Database();
        if (db && db->QueryRecordset(QStringLiteral("select * from devInfo order by devName collate pinyin, SN;"), set) == 1
            && set) {
            for (set->MoveFirst(); !set->IsEOF(); set->MoveNext()) {
                const QString serial = set->Text(u"SN");
                const bool connected = device::DeviceManager().Find(serial) != nullptr;
                // A connected logger shows the name it has now.
                const QString name = connected ? CurrentDeviceName(serial) : set->Text(u"devName");
                auto* item = new QTreeWidgetItem(root, QStringList{DeviceItemText(name, serial)});
                item->setData(0, kSnRole, serial);
                item->setData(0, kMacRole, set->Text(u"mac"));
                item->setData(0, kChannelRole, set->Text(u"chan_type"));
                item->setIcon(0, TreeIcon(connected ? TreeImage::DeviceConnected : TreeImage::DeviceKnown));
                if (!sn.isEmpty() && serial == sn)
                    select = item;
            }
        }
        root->setExpanded(true);
        m_deviceTree->setCurrentItem(select);
        m_deviceTree->scrollToItem(select);
    }
    if (m_tab == kTabDevice && !m_busy) {
        m_busy = true;
        HandleDeviceSelection(select);
        if (m_deviceTree->topLevelItem(0)->childCount() == 0)
            ShowEmptyNotice(343);
        m_busy = false;
    }
    UpdateToolbar();
}

void CQuillmarkBody::ReloadFolderTree()
{
    QTreeWidgetItem* root = nullptr;
    {
        const QSignalBlocker blocker(m_folderTree);
        m_folderTree->clear();
        root = new QTreeWidgetItem(m_folderTree, QStringList{Msg(301)});
        root->setIcon(0, TreeIcon(TreeImage::Folder));
        root->setData(0, kFolderIdRole, 0);
        root->setExpanded(true);
        m_folderTree->setCurrentItem(root);
    }
    if (m_tab == kTabFolder && !m_busy) {
        m_busy = true;
        HandleFolderSelection(root);
        if (root->childCount() == 0)
            ShowEmptyNotice(342);
        m_busy = false;
    }
}

void CQuillmarkBody::OnDeviceTreeChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous)
{
    if (!current)
        return;
    if (m_busy || m_tab != kTabDevice) {
        // Refused: the tree goes back to the item being handled.
        const QSignalBlocker blocker(m_deviceTree);
        m_deviceTree->setCurrentItem(previous);
        return;
    }
    m_busy = true;
    HandleDeviceSelection(current);
    m_busy = false;
    UpdateToolbar();
}

void CQuillmarkBody::OnFolderTreeChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous)
{
    if (!current)
        return;
    if (m_busy || m_tab != kTabFolder) {
        const QSignalBlocker blocker(m_folderTree);
        m_folderTree->setCurrentItem(previous);
        return;
    }
    m_busy = true;
    HandleFolderSelection(current);
    m_busy = false;
    UpdateToolbar();
}

void CQuillmarkBody::HandleDeviceSelection(QTreeWidgetItem* item)
{
    if (!item)
        return;
    if (!item->parent()) {
        device::DeviceManager().SetCurrentSN(QString());
        emit listAllRecords(device::DeviceSearchCondition(m_search->text()));
        SelectSidePage(kSideHidden);
        return;
    }
    const QString sn = item->data(0, kSnRole).toString();
    device::DeviceManager().SetCurrentSN(sn);
    emit listDeviceRecords(sn);
    if (m_info) {
        if (device::DevicePtr device = device::DeviceManager().Find(sn))
            m_info->Fill(*device);
        else
            m_info->FillKnown(sn, item->data(0, kMacRole).toString(), item->data(0, kChannelRole).toString());
    }
    SelectSidePage(kSideDeviceInfo);
}

void CQuillmarkBody::HandleFolderSelection(QTreeWidgetItem* item)
{
    if (!item)
        return;
    emit folderSelected(item->data(0, kFolderIdRole).toInt());
    SelectSidePage(kSideHidden);
}

void CQuillmarkBody::OnTabDevices() { SwitchTab(kTabDevice); }

void CQuillmarkBody::OnTabFolders() { SwitchTab(kTabFolder); }

void CQuillmarkBody::SwitchTab(int tab)
{
    if (m_tab == tab || m_busy)
        return;
    m_busy = true;
    m_tab = tab;
    m_tabDevices->setChecked(tab == kTabDevice);
    m_tabFolders->setChecked(tab == kTabFolder);
    const bool hadText = !m_search->text().isEmpty();
    m_search->clear();
    QTreeWidget* tree = tab == kTabFolder ? m_folderTree : m_deviceTree;
    m_trees->setCurrentWidget(tree);
    m_busy = false;
    if (hadText) {
        // Reloading also runs the selection of the reloaded tree.
        if (tab == kTabFolder)
            ReloadFolderTree();
        else
            ReloadDeviceTree(device::DeviceManager().CurrentSN());
    } else {
        m_busy = true;
        QTreeWidgetItem* item = tree->currentItem() ? tree->currentItem() : tree->topLevelItem(0);
        if (tab == kTabFolder)
            HandleFolderSelection(item);
        else
            HandleDeviceSelection(item);
        if (tree->topLevelItem(0) && tree->topLevelItem(0)->childCount() == 0)
            ShowEmptyNotice(tab == kTabFolder ? 342 : 343);
        m_busy = false;
    }
    UpdateToolbar();
}

void CQuillmarkBody::ShowEmptyNotice(int message)
{
    SelectSidePage(kSideEmpty);
    m_emptyText->setText(Msg(message));
}

void CQuillmarkBody::SelectSidePage(int page)
{
    if (page < kSideHidden || page > kSideDeviceInfo)
        return;
    m_sidePage = page;
    if (page != kSideHidden) {
        if (page == kSideEmpty)
            m_emptyText->setText(Msg(341));
        m_sidePages->setCurrentIndex(page);
    }
    m_sideInfo->setChecked(page == kSideDeviceInfo);
    m_sideConfig->setChecked(page >= kSideEmpty && page <= kSideDeviceConfig);
    LayoutBody();
}

void CQuillmarkBody::OnSideTabInfo()
{
    SelectSidePage(kSideDeviceInfo);
}

void CQuillmarkBody::OnSideTabConfig()
{
    if (m_recordSelected)
        SelectSidePage(m_recordImported ? kSideEmpty : kSideRecordConfig);
    else
        SelectSidePage(m_tab == kTabDevice && device::DeviceManager().Current() ? kSideDeviceConfig : kSideEmpty);
}

// ---------------------------------------------------------------- login, tray, keys

void CQuillmarkBody::OnLoginChanged()
{
    LayoutTitleBar();
    if (LoginState() != kNobodyLoggedIn) {
        m_tab = kTabNone;
        SwitchTab(kTabDevice);
        return;
    }
    // Logout: the search is cleared and both trees go back to their roots.
    {
        const QSignalBlocker blocker(m_search);
        m_search->clear();
    }
    m_tab = kTabNone;
    m_tabDevices->setChecked(false);
    m_tabFolders->setChecked(false);
    for (QTreeWidget* tree : {m_deviceTree, m_folderTree}) {
        const QSignalBlocker blocker(tree);
        tree->setCurrentItem(tree->topLevelItem(0));
    }
    device::DeviceManager().SetCurrentSN(QString());
    SelectSidePage(kSideHidden);
    UpdateToolbar();
}

void CQuillmarkBody::OnTrayActivated(QSystemTrayIcon::ActivationReason reason)
{
    if (reason != QSystemTrayIcon::DoubleClick)
        return;
    if (LoginState() == kNobodyLoggedIn) {
        m_frame.Login();
        return;
    }
    m_frame.showNormal();
    m_frame.raise();
    m_frame.activateWindow();
}

bool CQuillmarkBody::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched == m_records || watched == m_side) && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            m_enterInPage = event;
    }
    if (watched == &m_frame) {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if ((key == Qt::Key_Return || key == Qt::Key_Enter) && m_frame.isEnabled()) {
                // The window's default action: the search, unless the key came
                // up from a page of the record area or the side panel (their
                // fields keep Enter for themselves).
                const bool inPage = m_enterInPage == event;
                m_enterInPage = nullptr;
                if (!inPage) {
                    m_searchButton->click();
                    return true;
                }
            }
        } else if (event->type() == QEvent::WindowStateChange) {
            // Minimised, the window lives on in the notification area.
            if (m_frame.isMinimized() && QSystemTrayIcon::isSystemTrayAvailable())
                QTimer::singleShot(0, &m_frame, &QWidget::hide);
        }
    }
    return QWidget::eventFilter(watched, event);
}

void InstallMainWindow(CQuillmarkDlg& frame)
{
    new CQuillmarkBody(frame);
}

} // namespace qm::window
