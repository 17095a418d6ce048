#pragma once
// The application object: everything that exists before and after the main
// window. Start-up (single copy, folders, settings, language, start entry),
// the main window's run, and the exit (release, relaunch after a language
// switch). A QApplication must exist before Run().
#include <QString>
#include <functional>
#include <memory>

namespace qm {

class CCoreContext;
class CFileDialogHandler;
class CInstanceGuard;
class CMessageBoxHandler;
class CQuillmarkDlg;

class CQuillmarkApp {
public:
    CQuillmarkApp();
    ~CQuillmarkApp();
    CQuillmarkApp(const CQuillmarkApp&) = delete;
    CQuillmarkApp& operator=(const CQuillmarkApp&) = delete;

    // Called with the main window after it is built and before the first
    // login: the window's body plugs in here.
    void SetMainWindowSetup(std::function<void(CQuillmarkDlg&)> setup);

    // InitInstance, then ExitInstance; the process exit code.
    int Run();

    // The start-up sequence; runs the main window until it closes. Always
    // false (the program ends when it returns).
    bool InitInstance();
    int ExitInstance();

    bool RestartFlag() const { return m_restart; }
    // Another lock than the program's (tests).
    void SetInstanceLockPath(const QString& path) { m_lockPath = path; }

private:
    std::unique_ptr<CMessageBoxHandler> m_messages;
    std::unique_ptr<CFileDialogHandler> m_paths;
    std::unique_ptr<CCoreContext> m_context;
    std::unique_ptr<CInstanceGuard> m_instance;
    std::function<void(CQuillmarkDlg&)> m_setup;
    QString m_lockPath;
    bool m_restart = false;
};

// Font names of the original look mapped to the fonts installed here
// (RegisterFontSubstitutions), and the program's default face.
void InstallFontSubstitutions();

} // namespace qm
