#pragma once
// Channel definitions of the settings file: a logger reports a channel type
// code; section "Channel" maps the code to the section that names the channel,
// gives its unit and its measuring range "low~high". A code without a
// definition gives an empty text (or 0), never a message.
#include <QString>

class Ciniwell;

namespace qm {

// On the channel definitions (AppEnv.h: ChannelDefinitions) and the current
// language name.
QString ChannelName(int code);     // "name_ch" for QUILLM_CH, else "name_en"
QString ChannelUnit(int code);
QString ChannelRange(int code);
int ChannelId(const QString& key); // `key` is used as the "Channel" key as given

// The same on a given settings object and language name.
QString ChannelName(const Ciniwell& ini, int code, const QString& languageName);
QString ChannelUnit(const Ciniwell& ini, int code);
QString ChannelRange(const Ciniwell& ini, int code);
int ChannelId(const Ciniwell& ini, const QString& key);

} // namespace qm
