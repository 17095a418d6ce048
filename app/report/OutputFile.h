#pragma once
// Writing the files the user saves: a file is built under a temporary name
// beside its target and renamed over it only once complete, so a failure
// never leaves half a file nor destroys the one that was there. Text files
// are GBK (the code page of the loggers' names) unless the settings ask for
// UTF-8; a text GBK cannot hold goes out as UTF-8 with a byte-order mark
// rather than with question marks.
#include <QByteArray>
#include <QString>

#include <functional>

class QIODevice;

namespace qm::report {

// Asks for the target file as the save commands do: appends `extension`
// (".csv") when the name lacks it; when the file exists asks message 167
// (overwrite?), and No keeps it. true when `path` may be written.
bool SaveFilePath(const QString& extension, QString* path);

// Writes what `fill` puts into the device to `path` through a temporary file
// beside it. `fill` returns false to give up (the target stays as it was).
// On failure `error` (when given) receives the reason.
bool WriteFileAtomically(const QString& path, const std::function<bool(QIODevice&)>& fill,
                         QString* error = nullptr);

enum class TextEncoding { Gbk, Utf8Bom };

// The encoding the settings ask for: "system"/"export_encoding" = "utf-8"
// gives UTF-8 with a byte-order mark, anything else GBK.
TextEncoding ConfiguredTextEncoding();

// `text` in `wanted`; a text GBK cannot hold comes back as UTF-8 with a
// byte-order mark and `used` says so.
QByteArray EncodeText(const QString& text, TextEncoding wanted, TextEncoding* used = nullptr);

// True when every character of `text` has a GBK code (and reads back as itself).
bool GbkHolds(const QString& text);
// `text` in GBK; `exact` tells whether it holds every character.
QByteArray EncodeGbk(const QString& text, bool* exact);

// Writes `text` in the configured encoding (or `encoding`, when given) to
// `path`; on failure message 181 with the path. A switch to UTF-8 is noted in
// the text log.
bool WriteTextFile(const QString& path, const QString& text);
bool WriteTextFile(const QString& path, const QString& text, TextEncoding encoding);

} // namespace qm::report
