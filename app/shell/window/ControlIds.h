#pragma once
// Identifiers of the main window's controls. Tests and the other pages of the
// window address the controls by these numbers (object names "c<id>").
namespace qm::window {

enum ControlId : int {
    kBtnSave = 1000,
    kBtnPrint = 1001,
    kBtnConnect = 1002,
    kBtnStop = 1003,
    kBtnDownload = 1004,
    kBtnMerge = 1005,
    kBtnCompare = 1006,
    kBtnDisconnect = 1008,
    kBtnRun = 1009,
    kBtnConnectAll = 1326,
    kBtnConfigAll = 1335,
    kBtnDownloadAll = 1337,
    kUserName = 1033,
    kUserMenuButton = 1038,
    kDeviceTree = 1065,
    kFolderTree = 1066,
    kTabDevices = 1082,
    kTabFolders = 1083,
    kSideTabConfig = 1085,
    kSideTabInfo = 1093,
    kSearchEdit = 1157,
    kSearchButton = 1156,
    kTitleBar = 1169,
    kLogo = 1054,
    kRecordArea = 1096,
    kSidePanel = 1095,
};

// Side-panel pages (argument of the page selection; -1 hides the panel).
enum SidePage : int {
    kSideHidden = -1,
    kSideEmpty = 0,
    kSideRecordConfig = 1,
    kSideDeviceConfig = 2,
    kSideDeviceInfo = 3,
};

// Navigation tabs.
enum NavTab : int { kTabNone = -1, kTabDevice = 0, kTabFolder = 1 };

// Layout constants of the window.
inline constexpr int kTitleHeight = 54;
inline constexpr int kNavWidth = 253;
inline constexpr int kSideWidth = 253;

} // namespace qm::window
