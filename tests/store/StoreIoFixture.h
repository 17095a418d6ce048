#pragma once
// Scratch program folders with real, keyed databases for the tests of
// backups, merges, single-record files and the phone import.
#include "StoreTestUtil.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

namespace qm::store {
class CDBSqlite3;
}

namespace storetest {

// A program folder with an initial main database (admin user, roles).
class Station {
public:
    Station();
    QString Path() const { return m_dir.Path(); }
    QString Datainfo() const;
    QString Logger(const QString& sn) const;
    QString File(const QString& name) const { return m_dir.File(name); }
    // A fresh connection to the main database, reporting to the program log.
    std::unique_ptr<qm::store::CDBSqlite3> OpenDatainfo() const;

    // Rows of `sql` on a keyed file of this folder ("" for DATAINFO).
    QStringList Rows(const QString& sql, const QString& sn = QString()) const;
    int Count(const QString& sql, const QString& sn = QString()) const;

    struct Sample {
        QString time;
        QString data;
    };
    // A downloaded record as the download leaves it: samples in a history
    // table of the logger's file, a config row, a recordtime row and the
    // logger's devInfo row. Returns the record id.
    int AddRecord(const QString& sn, const QString& table, const QList<Sample>& samples,
                  const QString& name = QStringLiteral("rec"));
    // A folder (fileInfo) and an entry of a record in it (filerecord).
    int AddFolder(const QString& name, int parent, int floor);
    void AddFolderEntry(int folder, int record);
    void AddNote(const QString& user, int type, const QString& time, const QString& info);

private:
    ScratchFolder m_dir;
};

// The phone app's database, written as the app writes it: plain SQLite.
struct PhoneChannel {
    int type;
    QString top;
    QString floor;
};
struct PhoneLoggerData {
    int id;
    QString sn;
    int type;
    QString name;
    QString table;
    QList<PhoneChannel> channels;
    QStringList rows;            // "time|v0|v1..." per sample
};
void WritePhoneDatabase(const QString& path, const QList<PhoneLoggerData>& loggers);

// Every byte of a file, to show that an import left it alone.
QByteArray FileBytes(const QString& path);

} // namespace storetest

#include <ostream>
// Readable texts in failure messages (also defined by the window tests' fixture).
#ifndef QM_TEST_PRINTS_QSTRING
#define QM_TEST_PRINTS_QSTRING
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
#endif
