#include "CliCommands.h"

#include "CConnectProcedure.h"
#include "ComSettings.h"
#include "LoginState.h"
#include "OperationLog.h"

#include <QSet>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace qm::cli {
namespace {

QSet<Destroys> g_consented;

std::vector<CliCommand>& Table()
{
    // Filled by static registrars before main runs: a function-local table is
    // constructed on first use, whatever the order of the files.
    static std::vector<CliCommand> table;
    return table;
}

} // namespace

void RegisterCliCommand(const CliCommand& command) { Table().push_back(command); }

std::vector<CliCommand> CliCommandTable()
{
    std::vector<CliCommand> sorted = Table();
    std::sort(sorted.begin(), sorted.end(),
              [](const CliCommand& a, const CliCommand& b) { return std::strcmp(a.name, b.name) < 0; });
    return sorted;
}

const CliCommand* FindCliCommand(const QString& name)
{
    for (const CliCommand& c : Table()) {
        if (name == QLatin1String(c.name))
            return &c;
    }
    return nullptr;
}

void PrintLine(const QString& line)
{
    const QByteArray utf8 = line.toUtf8();
    std::fprintf(stdout, "%s\n", utf8.constData());
    std::fflush(stdout);
}

void PrintError(const QString& line)
{
    const QByteArray utf8 = line.toUtf8();
    std::fprintf(stderr, "%s\n", utf8.constData());
    std::fflush(stderr);
}

QString OptionValue(const QStringList& args, const QString& option)
{
    const qsizetype at = args.indexOf(option);
    if (at < 0)
        return QString();
    return at + 1 < args.size() ? args.at(at + 1) : QStringLiteral("");
}

bool ParseNumber(const QString& text, int* value)
{
    bool ok = false;
    const int number = text.toInt(&ok, 10);
    if (!ok)
        return false;
    *value = number;
    return true;
}

QString ConsentFlag(Destroys what)
{
    switch (what) {
    case Destroys::History: return QStringLiteral("--clear");
    case Destroys::File: return QStringLiteral("--force");
    case Destroys::Data: return QStringLiteral("--yes");
    case Destroys::Nothing: break;
    }
    return QString();
}

void Consent(Destroys what) { g_consented.insert(what); }

int AnswerFor(const MessageRequest& request)
{
    const Destroys what = WhatAnswerDestroys(request.number);
    if (what != Destroys::Nothing && g_consented.contains(what))
        return DefaultAnswer(request.buttons);
    return UnattendedAnswer(request);
}

QString CommandUser()
{
    return IsLoggedIn() ? LoginUserName() : QString::fromLatin1(kNoUser);
}

std::shared_ptr<device::CDevice> ConnectLogger(device::CConnectProcedure& procedure, int port)
{
    device::ReadInterval();
    if (!procedure.EnsureDatabase())
        return nullptr;
    QString text;
    device::DevicePtr device;
    if (procedure.ConnectOnePort(port, &text, &device) != 1) {
        PrintError(text);
        return nullptr;
    }
    return device;
}

} // namespace qm::cli
