#include "OutputFile.h"

#include "AppEnv.h"
#include "Ciniwell.h"
#include "MessageSeam.h"
#include "OperationLog.h"
#include "Strings.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

namespace qm::report {

bool SaveFilePath(const QString& extension, QString* path)
{
    if (path->isEmpty())
        return false;
    if (!path->endsWith(extension, Qt::CaseInsensitive))
        *path += extension;
    if (QFileInfo::exists(*path) && ShowMessage(167, MsgButtons::YesNo, MsgIcon::Question) != AnswerYes)
        return false;
    return true;
}

bool WriteFileAtomically(const QString& path, const std::function<bool(QIODevice&)>& fill, QString* error)
{
    // QSaveFile writes "<name>.XXXXXX" in the target's folder and renames it
    // over the target on commit; a cancelled or failed write removes it.
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    if (!fill(file)) {
        if (error)
            *error = file.error() != QFileDevice::NoError ? file.errorString() : QString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

TextEncoding ConfiguredTextEncoding()
{
    const QString value = Settings().GetIniStr(QStringLiteral("system"), QStringLiteral("export_encoding"));
    return value.trimmed().compare(QLatin1String("utf-8"), Qt::CaseInsensitive) == 0 ? TextEncoding::Utf8Bom
                                                                                    : TextEncoding::Gbk;
}

QByteArray EncodeGbk(const QString& text, bool* exact)
{
    QStringEncoder encoder("GBK");
    QByteArray bytes = encoder.encode(text);
    // The encoder substitutes what it cannot map without always saying so:
    // only a round trip tells.
    QStringDecoder decoder("GBK");
    const QString back = decoder.decode(bytes);
    *exact = encoder.isValid() && !encoder.hasError() && !decoder.hasError() && back == text;
    return bytes;
}

namespace {

QByteArray Utf8WithBom(const QString& text) { return QByteArray("\xEF\xBB\xBF", 3) + text.toUtf8(); }

} // namespace

bool GbkHolds(const QString& text)
{
    bool exact = false;
    EncodeGbk(text, &exact);
    return exact;
}

QByteArray EncodeText(const QString& text, TextEncoding wanted, TextEncoding* used)
{
    if (wanted == TextEncoding::Gbk) {
        bool exact = false;
        QByteArray bytes = EncodeGbk(text, &exact);
        if (exact) {
            if (used)
                *used = TextEncoding::Gbk;
            return bytes;
        }
    }
    if (used)
        *used = TextEncoding::Utf8Bom;
    return Utf8WithBom(text);
}

bool WriteTextFile(const QString& path, const QString& text) { return WriteTextFile(path, text, ConfiguredTextEncoding()); }

bool WriteTextFile(const QString& path, const QString& text, TextEncoding encoding)
{
    TextEncoding used = encoding;
    const QByteArray bytes = EncodeText(text, encoding, &used);
    const bool ok = WriteFileAtomically(path, [&](QIODevice& out) { return out.write(bytes) == bytes.size(); });
    if (!ok) {
        ShowMessageText(181, MsgF(181, {path}));
        return false;
    }
    if (used != encoding)
        WriteOperationLog(QStringLiteral("WriteTextFile"), MsgF(6021, {path}), kTextLineOnly);
    return true;
}

} // namespace qm::report
