#pragma once
// Numbered texts of the program. Every user-visible text is addressed by its
// number and looked up in the current language module; the Chinese table is
// built into the program and answers whenever no module is loaded or a module
// lacks an entry.
#include <QString>
#include <QMap>

namespace qm {

// The text of entry `number` in the current language, or an empty text.
QString Msg(int number);

// Msg(number) with printf-style arguments already applied by the caller is the
// usual pattern; this helper fills "%s"/"%d" placeholders in order.
QString MsgF(int number, const QStringList& args);

// The printf-style placeholders of `text` in order ("%s", "%d", "%08lx", "%.1f");
// "%%" is not one. MsgF fills exactly these, and every language has the same
// ones in the same order for a given entry.
QStringList Placeholders(const QString& text);

// `first` and `second` as one text, the way the current language puts an
// operation and its object (or a label and its value) together: Chinese runs
// them together, a language written with spaces puts one between them unless
// either side brings its own at the seam (entry 5073 says which).
QString JoinWords(const QString& first, const QString& second);

// A menu text as a window title: without its accelerator mark ("(&A)" or a
// lone "&"; "&&" is a literal "&"), the shortcut after a tab and a trailing
// ellipsis.
QString TitleText(const QString& menuText);

// Makes the table in `path` (a language module file) the current one.
// Returns false and keeps the current table when the file cannot be read.
bool LoadLanguageModule(const QString& path);

// Back to the built-in Chinese table.
void UseBuiltinStrings();

// True while a language module file is the current table.
bool LanguageModuleLoaded();

// Parses the table format shared by the built-in table and the module files:
// one "number<TAB>text" per line, '#' comments, escapes \r \n \t \\ in the text.
QMap<int, QString> ParseStringTable(const QByteArray& utf8);

// The built-in table (Chinese).
const QMap<int, QString>& BuiltinStrings();

} // namespace qm
