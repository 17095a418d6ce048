#include "FileDialogHandler.h"

#include "MessageBoxHandler.h"

#include <QApplication>
#include <QFileDialog>

namespace qm {
namespace {

PathAnswer AskOnUiThread(const PathRequest& request)
{
    QWidget* parent = QApplication::activeWindow();
    const QStringList filters = FileDialogFilters(request.filter);
    const QString filter = filters.join(QStringLiteral(";;"));
    QString chosenFilter;
    PathAnswer answer;
    switch (request.dialog) {
    case PathDialog::SaveFile: {
        const QString path = QFileDialog::getSaveFileName(parent, request.caption, request.start, filter, &chosenFilter,
                                                          QFileDialog::DontConfirmOverwrite);
        if (!path.isEmpty())
            answer.paths << path;
        break;
    }
    case PathDialog::OpenFile: {
        const QString path = QFileDialog::getOpenFileName(parent, request.caption, request.start, filter, &chosenFilter);
        if (!path.isEmpty())
            answer.paths << path;
        break;
    }
    case PathDialog::OpenFiles:
        answer.paths = QFileDialog::getOpenFileNames(parent, request.caption, request.start, filter, &chosenFilter);
        break;
    case PathDialog::Folder: {
        const QString path = QFileDialog::getExistingDirectory(parent, request.caption, request.start);
        if (!path.isEmpty())
            answer.paths << path;
        break;
    }
    }
    answer.filter = qMax<qsizetype>(0, filters.indexOf(chosenFilter));
    return answer;
}

} // namespace

PathAnswer CFileDialogHandler::Ask(const PathRequest& request)
{
    PathAnswer answer;
    if (!RunOnUiThread([&] { answer = AskOnUiThread(request); }))
        return {};
    return answer;
}

} // namespace qm
