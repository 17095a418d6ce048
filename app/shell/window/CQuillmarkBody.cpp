#include "CQuillmarkBody.h"

#include "AppEnv.h"
#include "CNavigationPane.h"
#include "CQuillmarkDlg.h"
#include "CRecordArea.h"
#include "CTitleBar.h"
#include "DeviceCommands.h"
#include "LoginState.h"
#include "OpenDatabase.h"
#include "Strings.h"
#include "WindowIcons.h"

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>
#include <QToolButton>

namespace qm::window {

CQuillmarkBody::CQuillmarkBody(CQuillmarkDlg& frame) : QWidget(&frame), m_frame(frame)
{
    setObjectName(QStringLiteral("CQuillmarkBody"));
    m_title = new CTitleBar(this);
    // The user name and its ▼ move from the menu bar into the title bar.
    m_frame.menuBar()->setCornerWidget(nullptr, Qt::TopRightCorner);
    m_title->TakeUserBadge(m_frame.UserBadge());
    m_nav = new CNavigationPane(this, [this] { return Database(); });
    m_area = new CRecordArea(this);

    frame.setWindowIcon(ProgramIcon());
    // A pleasant first size that still fits a small screen.
    QSize size(1280, 800);
    if (const QScreen* screen = frame.screen())
        size = size.boundedTo(screen->availableSize() * 0.92);
    frame.resize(size);
    frame.setMinimumSize(1000, 620);
    frame.SetBody(this);
    DeclareCommands();
    RouteMenu();
    BuildTray();
    frame.installEventFilter(this);
    RecordArea()->installEventFilter(this);
    SidePanel()->installEventFilter(this);

    connect(m_title, &CTitleBar::buttonClicked, this, &CQuillmarkBody::Route);
    connect(m_nav, &CNavigationPane::deviceItemSelected, this, &CQuillmarkBody::OnDeviceItem);
    connect(m_nav, &CNavigationPane::folderItemSelected, this, [this](int folderId) {
        emit folderSelected(folderId);
        SelectSidePage(kSideHidden);
    });
    connect(m_nav, &CNavigationPane::onlyRoot, m_area, &CRecordArea::ShowEmptyNotice);
    connect(m_nav, &CNavigationPane::selectionHandled, this, &CQuillmarkBody::UpdateToolbar);
    connect(m_nav, &CNavigationPane::searchClicked, this, [this] { Route(kSearchButton); });
    connect(m_area, &CRecordArea::sideTabClicked, this, [this](int id) {
        if (id == kSideTabInfo)
            OnSideTabInfo();
        else
            OnSideTabConfig();
    });
    connect(&frame, &CQuillmarkDlg::loginChanged, this, &CQuillmarkBody::OnLoginChanged);
    connect(&frame, &CQuillmarkDlg::aboutToClose, this, &CQuillmarkBody::OnClosing);

    m_nav->ReloadDeviceTree();
    m_nav->ReloadFolderTree();
    SelectSidePage(kSideHidden);
    UpdateToolbar();
}

CQuillmarkBody::~CQuillmarkBody() = default;

// ---------------------------------------------------------------- routing

void CQuillmarkBody::DeclareCommands()
{
    // The checks of the window's routing: "login" commands need somebody logged
    // in (the backup commands say 126), run and stop need an operator.
    const std::pair<int, std::optional<Guarded>> checks[] = {
        {int(MenuCmd::SaveAs), Guarded::Save},
        {kBtnSave, Guarded::Save},
        {int(MenuCmd::Print), Guarded::Print},
        {kBtnPrint, Guarded::Print},
        {int(MenuCmd::PdfReport), Guarded::PdfReport},
        {int(MenuCmd::ImportAndroid), std::nullopt},
        {int(MenuCmd::Connect), std::nullopt},   // decides between 1002 and 1008
        {kBtnConnect, Guarded::Connect},
        {kBtnDisconnect, Guarded::Disconnect},
        {int(MenuCmd::Download), std::nullopt},
        {kBtnDownload, std::nullopt},
        {int(MenuCmd::RunPause), std::nullopt},   // decides between 1009 and 1003
        {kBtnRun, Guarded::RunStop},
        {kBtnStop, Guarded::RunStop},
        {int(MenuCmd::AutoBackup), Guarded::AutoBackup},
        {int(MenuCmd::ManualBackup), Guarded::ManualBackup},
        {int(MenuCmd::BackupImport), Guarded::BackupImport},
        {int(MenuCmd::SerialSettings), Guarded::SerialSettings},
        {kBtnMerge, std::nullopt},
        {kBtnCompare, std::nullopt},
        {kBtnConnectAll, std::nullopt},
        {kBtnConfigAll, std::nullopt},
        {kBtnDownloadAll, std::nullopt},
        {kSearchButton, std::nullopt},
    };
    for (const auto& [command, check] : checks)
        m_commands.Declare(command, check);
    m_commands.Install(kSearchButton, [this] { m_nav->Search(); });
}

void CQuillmarkBody::RouteMenu()
{
    for (MenuCmd command : {MenuCmd::SaveAs, MenuCmd::Print, MenuCmd::PdfReport, MenuCmd::ImportAndroid,
                            MenuCmd::Connect, MenuCmd::Download, MenuCmd::RunPause, MenuCmd::AutoBackup,
                            MenuCmd::ManualBackup, MenuCmd::BackupImport, MenuCmd::SerialSettings}) {
        if (QAction* action = m_frame.Action(command))
            connect(action, &QAction::triggered, this, [this, command] { Route(int(command)); });
    }
}

void CQuillmarkBody::Route(int command)
{
    m_commands.Route(command);
}

void CQuillmarkBody::OnClose(std::function<void()> hook)
{
    m_closeHooks.push_back(std::move(hook));
}

void CQuillmarkBody::OnClosing()
{
    if (m_tray)
        m_tray->hide();
    for (auto hook = m_closeHooks.rbegin(); hook != m_closeHooks.rend(); ++hook)
        (*hook)();
}

// ---------------------------------------------------------------- toolbar and menu

void CQuillmarkBody::UpdateToolbar()
{
    device::ToolbarInputs in;
    in.tab = CurrentTab() == kTabDevice   ? device::ToolbarTab::Devices
             : CurrentTab() == kTabFolder ? device::ToolbarTab::Folders
                                          : device::ToolbarTab::None;
    in.listMode = m_listMode;
    const device::DevicePtr device = CurrentDevice();
    in.hasDevice = device != nullptr;
    in.lost = device && device->lostFailure != 0;
    in.recording = device && !in.lost && device->config.recordingState == 1;
    in.recordSelected = m_recordSelected;
    in.connectedCount = device::DeviceManager().Count();
    in.downloadAvailable = m_commands.HasHandler(kBtnDownload);
    in.recordCommandsAvailable = m_commands.HasHandler(int(MenuCmd::SaveAs));
    in.mergeAvailable = m_commands.HasHandler(kBtnMerge);
    in.configAllAvailable = m_commands.HasHandler(kBtnConfigAll);
    in.importAvailable = m_commands.HasHandler(int(MenuCmd::ImportAndroid));
    const device::ToolbarState s = device::ComputeToolbar(in);

    const std::pair<int, device::ButtonState> buttons[] = {
        {kBtnSave, s.save},       {kBtnPrint, s.print},     {kBtnConnect, s.connect},
        {kBtnDisconnect, s.disconnect}, {kBtnRun, s.run},   {kBtnStop, s.stop},
        {kBtnDownload, s.download}, {kBtnMerge, s.merge},   {kBtnCompare, s.compare},
        {kBtnConnectAll, s.connectAll}, {kBtnConfigAll, s.configAll}, {kBtnDownloadAll, s.downloadAll},
    };
    // A button whose subsystem is not installed stays disabled.
    for (const auto& [id, state] : buttons)
        m_title->SetButtonState(id, state.visible, state.enabled && m_commands.HasHandler(id));

    const auto enable = [this](MenuCmd command, bool on) {
        m_frame.Action(command)->setEnabled(on && m_commands.HasHandler(int(command)));
    };
    enable(MenuCmd::Download, s.menuDownload);
    enable(MenuCmd::RunPause, s.menuRunPause);
    enable(MenuCmd::Connect, s.menuConnect);
    enable(MenuCmd::ImportAndroid, s.menuImport);
    for (MenuCmd command : {MenuCmd::SaveAs, MenuCmd::Print, MenuCmd::PdfReport})
        enable(command, s.menuRecord);
    // These need no selection: they are there when their subsystem is.
    for (MenuCmd command : {MenuCmd::SerialSettings, MenuCmd::AutoBackup, MenuCmd::ManualBackup, MenuCmd::BackupImport})
        enable(command, true);
    // The toggling items name what they will do for the current device.
    m_frame.Action(MenuCmd::Connect)->setText(Msg(in.hasDevice ? 346 : 345));
    m_frame.Action(MenuCmd::RunPause)->setText(Msg(in.recording ? 347 : 348));
    m_title->LayoutBar();
}

// ---------------------------------------------------------------- selection, pages, state

void CQuillmarkBody::OnDeviceItem(const QString& sn, const QString& mac, const QString& channelTypes)
{
    device::DeviceManager().SetCurrentSN(sn);
    if (sn.isEmpty()) {
        emit listAllRecords(device::DeviceSearchCondition(SearchEdit()->text()));
        SelectSidePage(kSideHidden);
        return;
    }
    emit listDeviceRecords(sn);
    emit deviceSelected(sn, mac, channelTypes);
    SelectSidePage(kSideDeviceInfo);
}

void CQuillmarkBody::SetRecordPage(QWidget* page) { m_area->SetRecordPage(page); }
void CQuillmarkBody::SetSidePage(int page, QWidget* widget) { m_area->SetSidePage(page, widget); }
QWidget* CQuillmarkBody::SidePage(int page) const { return m_area->SidePage(page); }
void CQuillmarkBody::SelectSidePage(int page) { m_area->SelectSidePage(page); }
int CQuillmarkBody::SidePageShown() const { return m_area->SidePageShown(); }

void CQuillmarkBody::OnSideTabInfo() { SelectSidePage(kSideDeviceInfo); }

void CQuillmarkBody::OnSideTabConfig()
{
    if (m_recordSelected)
        SelectSidePage(m_recordImported ? kSideEmpty : kSideRecordConfig);
    else
        SelectSidePage(CurrentTab() == kTabDevice && device::DeviceManager().Current() ? kSideDeviceConfig : kSideEmpty);
}

void CQuillmarkBody::OnTabDevices() { m_nav->SwitchTab(kTabDevice); }
void CQuillmarkBody::OnTabFolders() { m_nav->SwitchTab(kTabFolder); }
int CQuillmarkBody::CurrentTab() const { return m_nav->CurrentTab(); }
void CQuillmarkBody::ReloadDeviceTree(const QString& sn) { m_nav->ReloadDeviceTree(sn); }
void CQuillmarkBody::ReloadFolderTree(int folderId) { m_nav->ReloadFolderTree(folderId); }
void CQuillmarkBody::RenameDeviceItem(const QString& sn, const QString& name) { m_nav->RenameDeviceItem(sn, name); }

device::DevicePtr CQuillmarkBody::CurrentDevice() const
{
    if (CurrentTab() != kTabDevice)
        return nullptr;
    return device::DeviceManager().Current();
}

void CQuillmarkBody::SetSelectedRecord(bool selected, bool imported)
{
    m_recordSelected = selected;
    m_recordImported = imported;
    UpdateToolbar();
}

void CQuillmarkBody::SelectRecord(int recordId, bool imported)
{
    m_recordId = recordId;
    SetSelectedRecord(recordId > 0, imported);
    emit recordSelected(recordId, imported);
}

void CQuillmarkBody::SetListMode(bool listMode)
{
    m_listMode = listMode;
    UpdateToolbar();
}

void CQuillmarkBody::NotifyRecordsChanged(const QString& sn)
{
    emit recordsChanged(sn);
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

QToolButton* CQuillmarkBody::Button(int id) const { return m_title->Button(id); }
QLabel* CQuillmarkBody::ButtonLabel(int id) const { return m_title->ButtonLabel(id); }
QTreeWidget* CQuillmarkBody::DeviceTree() const { return m_nav->DeviceTree(); }
QTreeWidget* CQuillmarkBody::FolderTree() const { return m_nav->FolderTree(); }
QLineEdit* CQuillmarkBody::SearchEdit() const { return m_nav->SearchEdit(); }
bool CQuillmarkBody::SelectionBusy() const { return m_nav->SelectionBusy(); }
QLabel* CQuillmarkBody::EmptyPageText() const { return m_area->EmptyPageText(); }
QWidget* CQuillmarkBody::RecordArea() const { return m_area->Records(); }
QWidget* CQuillmarkBody::SidePanel() const { return m_area->SidePanel(); }

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
    const int below = qMax(0, h - kTitleHeight - 1);
    m_title->setGeometry(0, 0, w, kTitleHeight);
    m_nav->setGeometry(0, kTitleHeight + 1, kNavWidth, below);
    m_area->Layout(QRect(kNavWidth, kTitleHeight + 1, qMax(0, w - kNavWidth), below));
}

// ---------------------------------------------------------------- login, tray, keys

void CQuillmarkBody::BuildTray()
{
    m_tray = new QSystemTrayIcon(ProgramIcon(), this);
    m_tray->setObjectName(QStringLiteral("trayIcon"));
    m_tray->setToolTip(m_frame.windowTitle().left(128));
    connect(m_tray, &QSystemTrayIcon::activated, this, &CQuillmarkBody::OnTrayActivated);
    if (QSystemTrayIcon::isSystemTrayAvailable())
        m_tray->show();
}

void CQuillmarkBody::OnLoginChanged()
{
    m_title->LayoutBar();
    if (LoginState() != kNobodyLoggedIn) {
        m_nav->StartOnDevices();
        return;
    }
    // Logout: the search is cleared and both trees go back to their roots.
    m_nav->Reset();
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
    if ((watched == RecordArea() || watched == SidePanel()) && event->type() == QEvent::KeyPress) {
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
                    m_nav->SearchButton()->click();
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

} // namespace qm::window
