#pragma once
// Command ids of the main window's menus. The values are the command numbers
// the rest of the program (and its audit and help texts) know them by.
namespace qm {

enum class MenuCmd : int {
    // 文件
    SaveAs = 32803,          // Ctrl+S
    Print = 32804,           // Ctrl+P
    PdfReport = 32841,
    ImportAndroid = 32840,
    Logout = 32792,          // Ctrl+Q
    // 工具
    Connect = 32801,         // Ctrl+I, text toggles 345 / 346
    Download = 32794,        // Ctrl+D
    RunPause = 32795,        // Ctrl+R, text toggles 347 / 348
    UserManager = 32832,     // Ctrl+W
    AuditTrail = 32831,      // Ctrl+E
    // 语言
    Chinese = 32798,
    English = 32799,
    // 设置
    AutoBackup = 32821,
    ManualBackup = 32823,
    BackupImport = 32826,    // Ctrl+A
    SerialSettings = 32818,
    // 帮助
    HelpTopics = 32789,
    About = 32825,
    // the user menu under the user name
    ChangePassword = 4001,
    UserLogout = 4002,
};

} // namespace qm
