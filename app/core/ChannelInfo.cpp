#include "ChannelInfo.h"

#include "AppEnv.h"
#include "Ciniwell.h"

namespace qm {
namespace {

QString Definition(const Ciniwell& ini, const QString& channelKey, const QString& key)
{
    const QString section = ini.GetIniStr(QStringLiteral("Channel"), channelKey, QString(), 0);
    if (section.isEmpty())
        return QString();
    return ini.GetIniStr(section, key, QString(), 0);
}

QString CodeKey(int code) { return QString::number(code); }

} // namespace

QString ChannelName(const Ciniwell& ini, int code, const QString& languageName)
{
    const bool chinese = languageName == QLatin1String(kChineseModule);
    return Definition(ini, CodeKey(code), chinese ? QStringLiteral("name_ch") : QStringLiteral("name_en"));
}

QString ChannelUnit(const Ciniwell& ini, int code)
{
    return Definition(ini, CodeKey(code), QStringLiteral("unit"));
}

QString ChannelRange(const Ciniwell& ini, int code)
{
    return Definition(ini, CodeKey(code), QStringLiteral("range"));
}

int ChannelId(const Ciniwell& ini, const QString& key)
{
    const QString section = ini.GetIniStr(QStringLiteral("Channel"), key, QString(), 0);
    if (section.isEmpty())
        return 0;
    return int(ini.GetIniInt(section, QStringLiteral("id"), 0, 1, -1, -1));
}

QString ChannelName(int code) { return ChannelName(ChannelDefinitions(), code, CurrentLanguageName()); }
QString ChannelUnit(int code) { return ChannelUnit(ChannelDefinitions(), code); }
QString ChannelRange(int code) { return ChannelRange(ChannelDefinitions(), code); }
int ChannelId(const QString& key) { return ChannelId(ChannelDefinitions(), key); }

} // namespace qm
