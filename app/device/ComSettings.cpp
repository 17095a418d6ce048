#include "ComSettings.h"

#include "AppEnv.h"
#include "Ciniwell.h"
#include "MessageSeam.h"
#include "OperationLog.h"
#include "Strings.h"

#include <atomic>

namespace qm::device {
namespace {

std::atomic<int> g_linkDelay{kDefaultInterval};

const QString Section() { return QString::fromLatin1(kComSection); }

// "mode,port,baud,interval" as the diagnostic line and the audit entry show it.
QString DescribeChoice(const ComChoice& c)
{
    const QString mode = Msg(c.mode == 0 ? 5400 : 5401);
    return QString::asprintf("%s,%s,%d,%d", qUtf8Printable(mode), qUtf8Printable(c.port), c.baud, c.interval);
}

ComChoice StoredChoice()
{
    ComChoice stored;
    stored.mode = ReadAutoMode();
    stored.port = ReadPortText();
    stored.baud = ReadDialogBaud();
    stored.interval = int(Settings().GetIniInt(Section(), QStringLiteral("interval"), kDefaultInterval, 1, -1, -1));
    return stored;
}

bool SameChoice(const ComChoice& a, const ComChoice& b)
{
    return a.mode == b.mode && a.port == b.port && a.baud == b.baud && a.interval == b.interval;
}

} // namespace

const QList<int>& BaudList()
{
    static const QList<int> bauds{115200, 9600};
    return bauds;
}

const QList<int>& IntervalChoices()
{
    static const QList<int> intervals{300, 600, 900, 1200};
    return intervals;
}

int LinkDelay() { return g_linkDelay.load(); }

void SetLinkDelay(int ms) { g_linkDelay.store(ms); }

int ReadAutoMode() { return int(Settings().GetIniInt(Section(), QStringLiteral("auto"), 1, 1, -1, -1)); }

QString ReadPortText() { return Settings().GetIniStr(Section(), QStringLiteral("port"), QString(), 1); }

int ReadConnectBaud() { return int(Settings().GetIniInt(Section(), QStringLiteral("CBT"), 1, 1, -1, -1)); }

int ReadDialogBaud() { return int(Settings().GetIniInt(Section(), QStringLiteral("CBT"), 0, 1, -1, -1)); }

int ReadInterval()
{
    const int interval = int(Settings().GetIniInt(Section(), QStringLiteral("interval"), kDefaultInterval, 1, -1, -1));
    SetLinkDelay(interval);
    return interval;
}

int PortNumberOf(const QString& portName)
{
    // Only the leading digits count, as a C conversion of the rest would read them.
    const QString rest = portName.mid(3);
    qsizetype digits = 0;
    while (digits < rest.size() && rest.at(digits).isDigit() && rest.at(digits).unicode() < 128)
        ++digits;
    bool ok = false;
    const int number = rest.left(digits).toInt(&ok);
    return ok ? number : 0;
}

SaveComResult SaveComSettings(const ComChoice& choice)
{
    const ComChoice before = StoredChoice();
    ComChoice after = choice;
    if (choice.mode == 0) {
        if (choice.port.isEmpty()) {
            ShowMessage(5402);
            return SaveComResult::NoPortSelected;
        }
    } else {
        after.port = before.port;
        after.baud = before.baud;
        after.interval = before.interval;
    }

    Ciniwell& ini = Settings();
    const bool written = ini.WriteIniInit(Section(), QStringLiteral("auto"), after.mode) == 1
        && ini.WriteIniStr(Section(), QStringLiteral("port"), after.port) == 1
        && ini.WriteIniInit(Section(), QStringLiteral("CBT"), after.baud) == 1
        && ini.WriteIniInit(Section(), QStringLiteral("interval"), after.interval) == 1;
    if (!written) {
        ShowMessage(123);
        return SaveComResult::WriteFailed;
    }
    SetLinkDelay(after.interval);
    ShowMessage(124);

    const QString source = QStringLiteral("CSelCOM::OnBnClickedOk");
    WriteOperationLog(source, DescribeChoice(after), -1);
    if (!SameChoice(before, after))
        WriteOperationLog(
            source, JoinWords(Msg(191), DescribeChoice(before)) + u' ' + JoinWords(Msg(192), DescribeChoice(after)),
            21);
    return SaveComResult::Saved;
}

} // namespace qm::device
