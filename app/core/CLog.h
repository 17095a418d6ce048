#pragma once
// The text log: one file per day, "<folder>/<name>_<yyyy-MM-dd>.log" (UTF-8),
// one line per Write:
//   2024-05-06 12:34:56.789 [CQuillmarkDlg::Login] 登录 admin[admin]
// The time comes from qm::Now(), so the day a line belongs to follows the
// program's clock. Each line is flushed as it is written: the operation log
// must not lose its last lines when the program dies. Safe to use from
// several threads (the download threads write progress lines).
#include <QString>
#include <memory>

class CLog {
public:
    // `folder` null or empty: <program folder>/log. `name` empty: "Quillmark".
    // `flag` is accepted for the callers' sake (they pass 0).
    CLog(const QString& folder, const QString& name, int flag);
    ~CLog();
    CLog(const CLog&) = delete;
    CLog& operator=(const CLog&) = delete;

    // Called before every write after the first: a new non-empty folder moves
    // the log there; a day file that disappeared (deleted, moved away) is
    // opened again by the next line. Returns 1.
    int UpdateLogFile(const QString& folder, int flag);

    // Appends one line; line breaks inside `message` become blanks so that one
    // call stays one line. 1 written, 0 when the file cannot be written.
    int Write(const QString& source, const QString& message);

    // The file the next line goes to (the day of qm::Now()).
    QString CurrentFile() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
