#pragma once
// The one seam through which the program asks the user for a path: the save
// dialog, the open dialog (one file or several) and the folder browser. Beside
// the message seam and used the same way: the shell installs a file-dialog
// handler, tests install a script of answers, and where nobody can be asked
// (no handler, quillmark-cli) the answer is "cancelled".
#include <QList>
#include <QMutex>
#include <QString>
#include <QStringList>

#include <deque>

namespace qm {

enum class PathDialog { SaveFile, OpenFile, OpenFiles, Folder };

struct PathRequest {
    PathDialog dialog = PathDialog::OpenFile;
    QString caption;   // the dialog's title (a numbered text); empty: the dialog's own
    QString start;     // the folder it opens in, or the file name a save proposes
    // The filter as the string table writes it: "text|patterns|text|patterns||"
    // (patterns joined by ';'); empty for the folder browser.
    QString filter;
};

struct PathAnswer {
    QStringList paths;   // absolute paths; empty when cancelled
    int filter = 0;      // index of the filter the user chose (save and open)

    bool Cancelled() const { return paths.isEmpty(); }
    QString Path() const { return paths.value(0); }
};

class IPathHandler {
public:
    virtual ~IPathHandler() = default;
    virtual PathAnswer Ask(const PathRequest& request) = 0;
};

// Installs a handler (not owned); nullptr restores the default, which cancels.
void SetPathHandler(IPathHandler* handler);
IPathHandler* CurrentPathHandler();

PathAnswer AskPath(const PathRequest& request);

// The filters of a string-table filter in the form file dialogs take, one per
// text|patterns pair: "text (patterns)" with the patterns joined by blanks; a
// text that already ends with its patterns in parentheses is kept as it is.
QStringList FileDialogFilters(const QString& tableFilter);

// A handler for tests: records every request and answers from a queue
// (cancelled once the queue is empty). Installs itself while alive.
class PathScript : public IPathHandler {
public:
    PathScript();
    ~PathScript() override;
    PathScript(const PathScript&) = delete;
    PathScript& operator=(const PathScript&) = delete;

    // Queue the next answer: these paths (with the chosen filter), or a cancel.
    void Answer(const QStringList& paths, int filter = 0);
    void Cancel();
    PathAnswer Ask(const PathRequest& request) override;

    QList<PathRequest> Requests() const;

private:
    mutable QMutex m_lock;
    std::deque<PathAnswer> m_answers;
    QList<PathRequest> m_requests;
    IPathHandler* m_previous = nullptr;
};

} // namespace qm
