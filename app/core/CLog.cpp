#include "CLog.h"

#include "AppEnv.h"
#include "Clock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <spdlog/details/null_mutex.h>
#include <spdlog/logger.h>
#include <spdlog/pattern_formatter.h>
#include <spdlog/sinks/base_sink.h>

#include <chrono>
#include <cstdio>
#include <mutex>

namespace {

QDate DayOf(spdlog::log_clock::time_point t)
{
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count();
    return QDateTime::fromMSecsSinceEpoch(ms).date();
}

// Picks the file by the day of each line's time. CLog serialises all calls,
// so the sink itself needs no lock.
class DailyFileSink final : public spdlog::sinks::base_sink<spdlog::details::null_mutex> {
public:
    DailyFileSink(QString folder, QString name) : m_folder(std::move(folder)), m_name(std::move(name)) {}
    ~DailyFileSink() override { Close(); }

    QString FileFor(const QDate& day) const
    {
        return m_folder + QLatin1Char('/') + m_name + QLatin1Char('_')
            + day.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(".log");
    }

    void Move(const QString& folder)
    {
        Close();
        m_folder = folder;
    }

    // Forgets the open file when it is no longer there, so the next line recreates it.
    void CheckOpenFile()
    {
        if (m_file && !QFileInfo::exists(FileFor(m_day)))
            Close();
    }

    bool LastOk() const { return m_ok; }

protected:
    void sink_it_(const spdlog::details::log_msg& msg) override
    {
        const QDate day = DayOf(msg.time);
        if (!m_file || day != m_day) {
            Close();
            QDir().mkpath(m_folder);
            m_file = std::fopen(QFile::encodeName(FileFor(day)).constData(), "ab");
            m_day = day;
        }
        if (!m_file) {
            m_ok = false;
            return;
        }
        spdlog::memory_buf_t line;
        formatter_->format(msg, line);
        // Flushed per line: the process may die right after an operation.
        m_ok = std::fwrite(line.data(), 1, line.size(), m_file) == line.size() && std::fflush(m_file) == 0;
    }

    void flush_() override
    {
        if (m_file)
            std::fflush(m_file);
    }

private:
    void Close()
    {
        if (m_file)
            std::fclose(m_file);
        m_file = nullptr;
    }

    QString m_folder;
    QString m_name;
    QDate m_day;
    std::FILE* m_file = nullptr;
    bool m_ok = true;
};

} // namespace

struct CLog::Impl {
    mutable std::mutex lock;
    std::shared_ptr<DailyFileSink> sink;
    std::unique_ptr<spdlog::logger> logger;
};

CLog::CLog(const QString& folder, const QString& name, int /*flag*/) : d(std::make_unique<Impl>())
{
    const QString dir = folder.isEmpty() ? qm::LogFolder() : folder;
    d->sink = std::make_shared<DailyFileSink>(QDir::cleanPath(dir), name.isEmpty() ? QStringLiteral("Quillmark") : name);
    d->sink->set_formatter(std::make_unique<spdlog::pattern_formatter>("%Y-%m-%d %H:%M:%S.%e %v"));
    // Not registered with spdlog: several logs (and tests) may use the same name.
    d->logger = std::make_unique<spdlog::logger>("CLog", d->sink);
    d->logger->set_level(spdlog::level::trace);
    d->logger->set_error_handler([](const std::string&) {});
}

CLog::~CLog() = default;

int CLog::UpdateLogFile(const QString& folder, int /*flag*/)
{
    std::lock_guard guard(d->lock);
    if (!folder.isEmpty())
        d->sink->Move(QDir::cleanPath(folder));
    d->sink->CheckOpenFile();
    return 1;
}

int CLog::Write(const QString& source, const QString& message)
{
    static const QRegularExpression lineBreaks(QStringLiteral("[\\r\\n]+"));
    QString text = message;
    text.replace(lineBreaks, QStringLiteral(" "));
    const QByteArray line = (QLatin1Char('[') + source + QStringLiteral("] ") + text).toUtf8();
    const auto at = spdlog::log_clock::time_point(std::chrono::milliseconds(qm::Now().toMSecsSinceEpoch()));

    std::lock_guard guard(d->lock);
    d->logger->log(at, spdlog::source_loc{}, spdlog::level::info,
                   spdlog::string_view_t(line.constData(), size_t(line.size())));
    return d->sink->LastOk() ? 1 : 0;
}

QString CLog::CurrentFile() const
{
    std::lock_guard guard(d->lock);
    return d->sink->FileFor(qm::Now().date());
}
