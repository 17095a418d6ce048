// configure --port N ..., configure --all ...: the device-configuration page's
// submit for one logger and the batch configuration for every logger.
#include "CliCommands.h"

#include "CBatchConnect.h"
#include "CConnectProcedure.h"
#include "DeviceConfig.h"
#include "Strings.h"

#include <QRegularExpression>

namespace qm::cli {
namespace {

const char kUsage[] =
    "usage: quillmark-cli configure --port N [--name NAME] [--interval HH:MM:SS]\n"
    "           [--start key | --start \"YYYY-MM-DD HH:MM\"] [--stop fifo|key|full | --stop \"YYYY-MM-DD HH:MM\"]\n"
    "           [--alarm CH=LOW~HIGH | --alarm CH=off]... [--yes]\n"
    "       quillmark-cli configure --all --interval HH:MM:SS --start ... --stop ... [--yes]";

struct AlarmSetting {
    int channel = 0; // 1-based
    bool on = false;
    QString low, high;
};

// What the command line names; absent settings keep the logger's values.
struct Arguments {
    int port = 0;
    bool all = false;
    bool yes = false;
    std::optional<QString> name;
    std::optional<QStringList> interval; // hours, minutes, seconds as typed
    std::optional<QString> start;
    std::optional<QString> stop;
    QList<AlarmSetting> alarms;
};

bool ParseTime(const QString& text, QDateTime* time)
{
    const QDateTime t = QDateTime::fromString(text.trimmed(), QStringLiteral("yyyy-MM-dd HH:mm"));
    if (!t.isValid())
        return false;
    *time = t;
    return true;
}

bool ValidStart(const QString& v)
{
    QDateTime t;
    return v == QLatin1String("key") || ParseTime(v, &t);
}

bool ValidStop(const QString& v)
{
    QDateTime t;
    return v == QLatin1String("fifo") || v == QLatin1String("key") || v == QLatin1String("full") || ParseTime(v, &t);
}

bool ParseAlarm(const QString& text, AlarmSetting* alarm)
{
    static const QRegularExpression off(QStringLiteral("^(\\d+)=off$"));
    static const QRegularExpression limits(QStringLiteral("^(\\d+)=([^~]+)~([^~]+)$"));
    if (const QRegularExpressionMatch m = off.match(text); m.hasMatch()) {
        alarm->channel = m.captured(1).toInt();
        alarm->on = false;
        return alarm->channel > 0;
    }
    if (const QRegularExpressionMatch m = limits.match(text); m.hasMatch()) {
        alarm->channel = m.captured(1).toInt();
        alarm->on = true;
        alarm->low = m.captured(2).trimmed();
        alarm->high = m.captured(3).trimmed();
        return alarm->channel > 0;
    }
    return false;
}

bool ParseArguments(const QStringList& args, Arguments* a)
{
    bool portGiven = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& option = args.at(i);
        if (option == QLatin1String("--all")) {
            a->all = true;
            continue;
        }
        if (option == QLatin1String("--yes")) {
            a->yes = true;
            continue;
        }
        if (i + 1 >= args.size())
            return false;
        const QString value = args.at(++i);
        if (option == QLatin1String("--port")) {
            if (portGiven || !ParseNumber(value, &a->port) || a->port <= 0)
                return false;
            portGiven = true;
        } else if (option == QLatin1String("--name") && !a->name) {
            a->name = value;
        } else if (option == QLatin1String("--interval") && !a->interval) {
            const QStringList parts = value.split(u':');
            if (parts.size() != 3)
                return false;
            a->interval = parts;
        } else if (option == QLatin1String("--start") && !a->start) {
            if (!ValidStart(value))
                return false;
            a->start = value;
        } else if (option == QLatin1String("--stop") && !a->stop) {
            if (!ValidStop(value))
                return false;
            a->stop = value;
        } else if (option == QLatin1String("--alarm")) {
            AlarmSetting alarm;
            if (!ParseAlarm(value, &alarm))
                return false;
            a->alarms << alarm;
        } else {
            return false;
        }
    }
    if (a->all)
        return !portGiven && !a->name && a->alarms.isEmpty() && a->interval && a->start && a->stop;
    return portGiven;
}

// The named settings over `form`.
void ApplyArguments(const Arguments& a, device::ConfigForm* form)
{
    if (a.name)
        form->name = *a.name;
    if (a.interval) {
        form->hours = a.interval->at(0);
        form->minutes = a.interval->at(1);
        form->seconds = a.interval->at(2);
    }
    if (a.start) {
        if (*a.start == QLatin1String("key")) {
            form->startMode = device::kStartKey;
        } else {
            form->startMode = device::kStartTimed;
            ParseTime(*a.start, &form->startTime);
        }
    }
    if (a.stop) {
        if (*a.stop == QLatin1String("fifo"))
            form->stopMode = device::kStopFifo;
        else if (*a.stop == QLatin1String("key"))
            form->stopMode = device::kStopKey;
        else if (*a.stop == QLatin1String("full"))
            form->stopMode = device::kStopWhenFull;
        else {
            form->stopMode = device::kStopTimed;
            ParseTime(*a.stop, &form->stopTime);
        }
    }
    for (const AlarmSetting& alarm : a.alarms) {
        device::ConfigChannelRow& row = form->channels[alarm.channel - 1];
        row.alarm = alarm.on;
        if (alarm.on) {
            row.low = alarm.low;
            row.high = alarm.high;
        }
    }
}

void PrintAfter(const QString& after) { PrintLine(after); }

int ConfigureOne(const Arguments& a)
{
    device::CConnectProcedure procedure;
    const device::DevicePtr logger = ConnectLogger(procedure, a.port);
    if (!logger)
        return kExitFailed;
    device::ConfigForm form = device::ReadConfigForm(*logger);
    const QString before = device::SettingsText(form);
    for (const AlarmSetting& alarm : a.alarms) {
        if (alarm.channel > form.channels.size()) {
            PrintError(QStringLiteral("configure: the logger on COM%1 has %2 channel(s), not %3")
                           .arg(a.port)
                           .arg(form.channels.size())
                           .arg(alarm.channel));
            return kExitUsage;
        }
    }
    ApplyArguments(a, &form);
    if (form.stopMode == device::kStopWhenFull)
        form.stopTime = device::FormPredictedEnd(form, logger->basic.frameCapacity);
    if (a.yes)
        Consent(Destroys::Data);
    device::SubmitOptions options;
    options.logUser = CommandUser();
    options.beforeQuestion = PrintAfter;
    const device::SubmitResult r = device::SubmitConfig(*logger, form, before, options);
    if (r.outcome != device::SubmitOutcome::Done)
        return kExitFailed;
    PrintLine(QStringLiteral("sn=%1 configured").arg(logger->sn));
    return kExitOk;
}

int ConfigureAll(const Arguments& a)
{
    device::ConfigForm form;
    form.startTime = QDateTime();
    ApplyArguments(a, &form);
    if (a.yes)
        Consent(Destroys::Data);
    // The checks and the question come before any logger is touched.
    if (!device::ConfirmBatchConfig(form, PrintAfter))
        return kExitFailed;

    device::CConnectProcedure procedure;
    if (!procedure.EnsureDatabase())
        return kExitFailed;
    device::BatchConnectOptions connect;
    connect.startPauseMs = 0;
    connect.logUser = CommandUser();
    device::BatchConnect(procedure, nullptr, connect);

    const device::BatchConfigResult r = device::ConfigureDevices(device::DeviceManager().Devices(), form, nullptr);
    for (const QString& line : r.lines)
        PrintLine(line);
    PrintLine(QStringLiteral("configured=%1 failed=%2").arg(r.configured).arg(r.failed));
    device::WriteBatchConfigLog(r.lines, form, CommandUser());
    return r.configured > 0 && r.failed == 0 ? kExitOk : kExitFailed;
}

int RunConfigure(const QStringList& args)
{
    Arguments a;
    if (!ParseArguments(args, &a)) {
        PrintError(QString::fromLatin1(kUsage));
        return kExitUsage;
    }
    return a.all ? ConfigureAll(a) : ConfigureOne(a);
}

const CliRegistrar g_configure{
    {"configure", RunConfigure,
     "configure --port N [--name NAME] [--interval HH:MM:SS]\n"
     "          [--start key | --start \"YYYY-MM-DD HH:MM\"] [--stop fifo|key|full | --stop \"YYYY-MM-DD HH:MM\"]\n"
     "          [--alarm CH=LOW~HIGH | --alarm CH=off]... --yes\n"
     "                                configure the logger on COM<N> as the configuration page does (same\n"
     "                                checks and messages); settings not named keep the logger's values;\n"
     "                                CH is the channel's position from 1. Prints the new settings; the\n"
     "                                write erases the logger's history, so without --yes nothing changes\n"
     "                                (exit 1). Prints sn=<SN> configured; exit 0 on success\n"
     "configure --all --interval HH:MM:SS --start ... --stop ... --yes\n"
     "                                batch connect, then configure every logger; prints the batch lines\n"
     "                                and configured=N failed=N; exit 0 when every logger was configured",
     ForRoles(Guarded::WriteConfig)}};

} // namespace
} // namespace qm::cli
