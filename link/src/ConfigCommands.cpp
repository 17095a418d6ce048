// Reading and changing a logger's settings and identity.
#include "Kelvane.h"

#include "FrameCodec.h"
#include "RecordCodec.h"

using namespace kelvane;

namespace {
const char kNoData[] = "No data received";
const char kNoDataChannel[] = "No data recevied";
const char kNoDataTime[] = "No data recived";
const char kNoBlock[] = "No complete block was read to write back";
const char kUndecodable[] = "The reply's data could not be decoded";
}

int CKelvane::GetConfig(struct_config_info& config, int delay, int attempts)
{
    m_configText.clear();
    Bytes data;
    if (!ReadBlock("GetConfig", kReadHolding, 0x0100, kConfigRegisters, kNoData, delay, attempts, data))
        return 0;
    // Decoded into a scratch record first: the caller's record changes only
    // when the whole block decodes.
    struct_config_info decoded = config;
    if (!DecodeConfig(data, decoded))
        return Refuse("GetConfig", kUndecodable, kLinkDamaged);
    config = decoded;
    m_configBytes = static_cast<int>(data.size());
    m_configText = BlockText(data);
    m_channelCount = config.channelCount;
    return 1;
}

int CKelvane::SetConfig(struct_config_info config, int clearFirst, int delay, int attempts)
{
    // Without the block last read the other registers would be written with
    // bytes that never came from this logger; refuse before erasing anything.
    Bytes data;
    if (!ParseBlockText(m_configText, m_configBytes, data) || !PatchConfig(data, config))
        return Refuse("SetConfig", kNoBlock);
    if (clearFirst && !ClearHistory(delay, attempts))
        return 0;
    return WriteBlock("SetConfig", kWriteMultiple, 0x0100, data, kNoData, delay, attempts);
}

int CKelvane::GetBasicConfig(struct_basic_config& basic, int delay, int attempts)
{
    Bytes data;
    if (!ReadBlock("GetBasicConfig", kReadHolding, 0x0000, kBasicRegisters, kNoData, delay, attempts, data))
        return 0;
    struct_basic_config decoded = basic;
    if (!DecodeBasic(data, decoded))
        return Refuse("GetBasicConfig", kUndecodable, kLinkDamaged);
    basic = decoded;
    m_frameBytes = basic.frameBytes;
    return 1;
}

int CKelvane::GetCardName(char* name, int delay, int attempts)
{
    Bytes data;
    if (!ReadBlock("GetCardName", kReadHolding, 0x3000, kCardNameRegisters, kNoData, delay, attempts, data))
        return 0;
    if (DecodeCardName(data, name) < 0)
        return Refuse("GetCardName", kUndecodable, kLinkDamaged);
    return 1;
}

int CKelvane::SetCardName(const char* name, int length, int delay, int attempts)
{
    return WriteBlock("SetCardName", kWriteMultiple, 0x3000, EncodeCardName(name, length), kNoData, delay, attempts);
}

int CKelvane::GetChannelConfig(struct_channel_config* array, int channels, int delay, int attempts)
{
    for (int i = 0; i < 2; ++i) {
        m_channelText[i].clear();
        m_channelBytes[i] = 0;
    }
    for (int i = 0; i < channels; ++i) {
        Bytes data;
        if (!ReadBlock("GetChannelConfig", kReadHolding, i == 1 ? 0x1080 : 0x1000, kChannelRegisters,
                       kNoDataChannel, delay, attempts, data))
            return 0;
        struct_channel_config decoded{};
        if (!DecodeChannel(data, decoded))
            return Refuse("GetChannelConfig", kUndecodable, kLinkDamaged);
        if (array)
            array[i] = decoded;
        // Only two blocks are kept for writing back; further channels are read only.
        if (i < 2) {
            m_channelBytes[i] = static_cast<int>(data.size());
            m_channelText[i] = BlockText(data);
        }
    }
    return 1;
}

int CKelvane::SetChannelConfig(const struct_channel_config* array, int channels, int delay, int attempts)
{
    // Every block must have been read completely before any of them is written,
    // so that a refusal never leaves the logger half configured.
    std::vector<Bytes> blocks;
    for (int i = 0; i < channels; ++i) {
        Bytes data;
        if (!array || i >= 2 || !ParseBlockText(m_channelText[i], m_channelBytes[i], data)
            || !PatchChannel(data, array[i]))
            return Refuse("SetChannelConfig", kNoBlock);
        blocks.push_back(std::move(data));
    }
    for (int i = 0; i < channels; ++i)
        if (!WriteBlock("SetChannelConfig", kWriteMultiple, 0x1000 + 0x80 * i, blocks[static_cast<std::size_t>(i)],
                        kNoData, delay, attempts))
            return 0;
    return 1;
}

int CKelvane::GetMac(int* mac, int delay, int attempts)
{
    Bytes data;
    if (!ReadBlock("GetMac", kReadMac, 0x0000, 3, kNoData, delay, attempts, data))
        return 0;
    if (!DecodeMac(data, mac))
        return Refuse("GetMac", kUndecodable, kLinkDamaged);
    return 1;
}

int CKelvane::SetTime(SYSTEMTIME time, int delay, int attempts)
{
    return WriteBlock("SetTime", kWriteMultiple, 0x01E0, EncodeClock(time), kNoDataTime, delay, attempts);
}

int CKelvane::GetDeviceTime(SYSTEMTIME* time, int delay, int attempts)
{
    Bytes data;
    if (!ReadBlock("GetDeviceTime", kReadHolding, 0x01E0, 4, kNoData, delay, attempts, data))
        return 0;
    SYSTEMTIME decoded = time ? *time : SYSTEMTIME{};
    if (!DecodeClock(data, decoded))
        return Refuse("GetDeviceTime", kUndecodable, kLinkDamaged);
    if (time)
        *time = decoded;
    return 1;
}

int CKelvane::WarnSet(int delay, int attempts)
{
    return WriteBlock("WarnSet", kWriteMultiple, 0x0200, Bytes(20, 0), kNoData, delay, attempts);
}

int CKelvane::ClearHistory(int delay, int attempts)
{
    return WriteBlock("ClearHistory", kClearHistory, 0x0000, Bytes{0x0A, 0x0A}, kNoData, delay, attempts);
}
