#pragma once
// Scratch files for the store tests, and raw SQLite access that bypasses the
// store so tests can check what is really on disk.
#include "StoreSeams.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace storetest {

// The store's program-log lines ("source|line") while alive, instead of the log file.
struct ProgramLogCapture {
    ProgramLogCapture()
    {
        qm::store::SetProgramLogWriter(
            [this](const QString& source, const QString& line) { lines << source + u'|' + line; });
    }
    ~ProgramLogCapture() { qm::store::SetProgramLogWriter({}); }
    ProgramLogCapture(const ProgramLogCapture&) = delete;
    ProgramLogCapture& operator=(const ProgramLogCapture&) = delete;
    QStringList lines;
};

// A scratch program folder with database/ and log/ below it.
class ScratchFolder {
public:
    ScratchFolder();
    QString Path() const { return m_dir.path(); }
    QString File(const QString& name) const { return m_dir.path() + QLatin1Char('/') + name; }

private:
    QTemporaryDir m_dir;
};

// Runs `sql` on `path` directly; `key` empty opens without a key. Returns the
// SQLite result code; rows (columns joined by '|') go to `rows` when given.
int RawExec(const QString& path, const QByteArray& key, const QString& sql, QStringList* rows = nullptr);

QByteArray ReadFile(const QString& path);
void WriteFile(const QString& path, const QByteArray& bytes);
bool HasPlainHeader(const QString& path);

// The build's program folder: QM_TEST_PROGRAM_DIR, else "../bin" beside the
// test executable (build/tests -> build/bin).
QString BuildProgramFolder();

// The program key as bytes.
QByteArray ProgramKey();

} // namespace storetest
