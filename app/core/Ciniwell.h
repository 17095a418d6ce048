#pragma once
// The settings component: reads and writes one INI file ("[section]" lines, one
// "key=value" per line, ';' or '#' comment lines) the way the Windows profile
// calls do, so that a file edited on either platform reads the same:
// - section and key names compare without regard to case; the first section
//   and the first key of a name win when a file repeats them;
// - values are trimmed at both ends; nothing else (no quotes, no inline
//   comments) is interpreted, so a path may hold ';' or '#';
// - UTF-8, a byte-order mark is tolerated and kept, and so are CRLF line ends.
// Writes keep every other line (comments, blank lines, order, spelling of
// names) as it was and replace the file atomically. One object may be used
// from several threads; reads see the object's own writes at once and pick up
// a file that something else replaced.
#include <QString>
#include <QStringList>
#include <memory>

class Ciniwell {
public:
    // `option` is kept for the callers' sake (they pass 0); it changes nothing.
    explicit Ciniwell(int option = 0);
    ~Ciniwell();
    Ciniwell(const Ciniwell&) = delete;
    Ciniwell& operator=(const Ciniwell&) = delete;

    // Binds the object to `path` and reads it. 1 when the file was read, 0 when
    // it does not exist yet (reads then give the defaults; a write creates it).
    int SetPath(const QString& path);
    QString Path() const;

    // The stored value, else `defaultValue` (a null default gives a null text).
    // With `flag` 1 (settings) a key that is present but empty also gives the
    // default; with `flag` 0 (lookups) the empty value is returned as stored.
    QString GetIniStr(const QString& section, const QString& key,
                      const QString& defaultValue = QString(), int flag = 0) const;

    // The stored integer, else `defaultValue`. A value is read as far as it is
    // a decimal integer ("300 ms" is 300); an empty or non-numeric value or one
    // that does not fit gives the default. `high` and `low` bound the result:
    // a value outside is clamped to the nearer bound (a hand-edited "division=20"
    // means "as many as allowed", not "forget my setting"); -1 and -1 mean no
    // bounds. `flag` is accepted for the callers' sake.
    long GetIniInt(const QString& section, const QString& key, long defaultValue,
                   int flag = 1, long high = -1, long low = -1) const;

    // Store a value: 1 written, 0 refused or failed (the file is then unchanged).
    // Names and values that would break the file's line structure (line breaks,
    // '=' in a key, brackets in a section name, empty names) are refused.
    int WriteIniStr(const QString& section, const QString& key, const QString& value);
    int WriteIniInit(const QString& section, const QString& key, long value);

    // Names in file order (first spelling of each), for listing definitions.
    QStringList Sections() const;
    QStringList Keys(const QString& section) const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
