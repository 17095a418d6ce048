// The program's path handler: real file dialogs, answered as a user would.
#include "ShellFixture.h"

#include "FileDialogHandler.h"
#include "Strings.h"

#include <QFile>
#include <QFileDialog>

using namespace qm;

namespace {

class FileDialogTest : public ShellFixture {
protected:
    // Answers the next file dialog with `name` typed and filter `filter` chosen.
    static void Choose(const QString& name, int filter)
    {
        OnNextModal([=](QWidget* w) {
            auto* dialog = qobject_cast<QFileDialog*>(w);
            ASSERT_TRUE(dialog);
            if (filter >= 0)
                dialog->selectNameFilter(dialog->nameFilters().value(filter));
            dialog->selectFile(name);
            static_cast<QDialog*>(dialog)->accept();
        });
    }

    CFileDialogHandler handler;
};

TEST_F(FileDialogTest, SaveNamesTheChosenFilterAndLeavesOverwritingToTheProgram)
{
    const QString existing = m_folder.filePath(QStringLiteral("report.pdf"));
    QFile file(existing);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();

    Choose(existing, 2);
    const PathAnswer saved = handler.Ask({PathDialog::SaveFile, Msg(5001), m_folder.path(), Msg(357)});
    EXPECT_EQ(saved.Path(), existing);   // no question of its own about the existing file
    EXPECT_EQ(saved.filter, 2);

    OnNextModal([](QWidget* w) { static_cast<QDialog*>(w)->reject(); });
    EXPECT_TRUE(handler.Ask({PathDialog::OpenFile, Msg(251), m_folder.path(), Msg(336)}).Cancelled());
}

TEST_F(FileDialogTest, FolderBrowser)
{
    OnNextModal([this](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        ASSERT_TRUE(dialog);
        EXPECT_EQ(dialog->windowTitle(), Msg(246));
        dialog->selectFile(m_folder.path());
        static_cast<QDialog*>(dialog)->accept();
    });
    EXPECT_EQ(handler.Ask({PathDialog::Folder, Msg(246), m_folder.path(), QString()}).Path(), m_folder.path());
}

} // namespace
