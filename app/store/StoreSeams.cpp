#include "StoreSeams.h"

#include "Clock.h"
#include "ProgramContext.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QMutex>
#include <QMutexLocker>
#include <cstdio>

namespace qm::store {
namespace {

QMutex g_seamLock;
ProgramLogWriter g_logWriter;
std::function<void(bool)> g_cursorHook;

void FallbackLog(const QString& folder, const QString& source, const QString& line)
{
    const QByteArray text = (qm::Now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                             + u' ' + source + u' ' + line + u'\n').toUtf8();
    if (!folder.isEmpty()) {
        const QString dir = folder + QStringLiteral("/log");
        QDir().mkpath(dir);
        QFile f(dir + QStringLiteral("/store.log"));
        if (f.open(QIODevice::Append | QIODevice::WriteOnly)) {
            f.write(text);
            return;
        }
    }
    std::fwrite(text.constData(), 1, size_t(text.size()), stderr);
}

} // namespace

ProgramLogWriter SetProgramLogWriter(ProgramLogWriter writer)
{
    QMutexLocker lock(&g_seamLock);
    std::swap(g_logWriter, writer);
    return writer;
}

void WriteProgramLog(const QString& source, const QString& line)
{
    ProgramLogWriter writer;
    {
        QMutexLocker lock(&g_seamLock);
        writer = g_logWriter;
    }
    // The writer runs outside the seam lock: it may take locks of its own.
    if (writer)
        writer(source, line);
    else
        FallbackLog(HasProgramContext() ? qm::ProgramFolder() : QString(), source, line);
}

bool IsDatainfoPath(const QString& path)
{
    if (!HasProgramContext() || path.isEmpty())
        return false;
    const QString main = qm::DatabasePath();
    if (main.isEmpty())
        return false;
    return QDir::cleanPath(path).compare(QDir::cleanPath(main), Qt::CaseInsensitive) == 0;
}

void SetWaitCursorHook(std::function<void(bool on)> hook)
{
    QMutexLocker lock(&g_seamLock);
    g_cursorHook = std::move(hook);
}

void ShowWaitCursor(bool on)
{
    std::function<void(bool)> hook;
    {
        QMutexLocker lock(&g_seamLock);
        hook = g_cursorHook;
    }
    if (hook)
        hook(on);
}

} // namespace qm::store
