#include "RecordCodec.h"

#include "Conversions.h"

#include <cstdio>
#include <cstring>

namespace kelvane {
namespace {

int Reg(const Bytes& d, int k)
{
    return (d[2 * k] << 8) | d[2 * k + 1];
}

// Two registers, low register first.
int Long(const Bytes& d, int low, int high)
{
    return static_cast<int>((static_cast<uint32_t>(Reg(d, high)) << 16) | static_cast<uint32_t>(Reg(d, low)));
}

float FloatAt(const Bytes& d, int low)
{
    const uint32_t bits = static_cast<uint32_t>(Long(d, low, low + 1));
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// The float's bit pattern as the logger keeps it: bits 15-8, 7-0, 31-24, 23-16.
void PutFloat(Bytes& d, int at, float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    d[at] = static_cast<unsigned char>(bits >> 8);
    d[at + 1] = static_cast<unsigned char>(bits);
    d[at + 2] = static_cast<unsigned char>(bits >> 24);
    d[at + 3] = static_cast<unsigned char>(bits >> 16);
}

void DecodeDate(const Bytes& d, int at, SYSTEMTIME& t)
{
    t.wHour = static_cast<uint16_t>(BcdDigits(d[at]));
    t.wMinute = static_cast<uint16_t>(BcdDigits(d[at + 1]));
    t.wMonth = static_cast<uint16_t>(BcdDigits(d[at + 2]));
    t.wDay = static_cast<uint16_t>(BcdDigits(d[at + 3]));
    t.wYear = static_cast<uint16_t>(BcdYear(d[at + 4], d[at + 5]));
}

// hours at d(at + 3), minutes at d(at), seconds at d(at + 1).
void DecodeInterval(const Bytes& d, int at, SYSTEMTIME& t)
{
    t.wHour = static_cast<uint16_t>(BcdDigits(d[at + 3]));
    t.wMinute = static_cast<uint16_t>(BcdDigits(d[at]));
    t.wSecond = static_cast<uint16_t>(BcdDigits(d[at + 1]));
}

void PatchDate(Bytes& d, int at, const SYSTEMTIME& t)
{
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute);
    unsigned char b[6];
    TimeTextToBcd(b, text, 0);  // century, year, month, day, hour, minute
    d[at] = b[4];
    d[at + 1] = b[5];
    d[at + 2] = b[2];
    d[at + 3] = b[3];
    d[at + 4] = b[0];
    d[at + 5] = b[1];
}

void PatchInterval(Bytes& d, int at, const SYSTEMTIME& t)
{
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.wHour, t.wMinute, t.wSecond);
    unsigned char b[3];
    TimeTextToBcd(b, text, 1);  // hours, minutes, seconds
    d[at] = b[1];
    d[at + 1] = b[2];
    d[at + 3] = b[0];
}

}  // namespace

bool DecodeConfig(const Bytes& d, CKelvane::struct_config_info& c)
{
    if (d.size() < 2 * kConfigRegisters)
        return false;
    c.stopMode = d[0];
    c.startMode = d[1];
    DecodeDate(d, 2, c.startTime);
    DecodeDate(d, 8, c.stopTime);
    c.word107High = d[14];
    c.word107Low = d[15];
    DecodeInterval(d, 18, c.recordInterval);
    DecodeInterval(d, 24, c.secondInterval);
    c.word111High = d[34];
    c.recordingState = d[35];
    c.channelCount = d[45];
    return true;
}

bool PatchConfig(Bytes& d, const CKelvane::struct_config_info& c)
{
    if (d.size() < 28)
        return false;
    d[0] = static_cast<unsigned char>(c.stopMode);
    d[1] = static_cast<unsigned char>(c.startMode);
    PatchDate(d, 2, c.startTime);
    PatchDate(d, 8, c.stopTime);
    PatchInterval(d, 18, c.recordInterval);
    PatchInterval(d, 24, c.secondInterval);
    return true;
}

bool DecodeBasic(const Bytes& d, CKelvane::struct_basic_config& b)
{
    if (d.size() < 2 * kBasicRegisters)
        return false;
    char sn[16];
    std::snprintf(sn, sizeof sn, "%02X%02X%05d", d[2], d[3], Reg(d, 0));
    for (std::size_t i = 0; sn[i] && i < sizeof b.sn; ++i)
        b.sn[i] = sn[i];
    b.softwareVersion[0] = d[11];
    b.softwareVersion[1] = d[8];
    b.softwareVersion[2] = d[9];
    b.hardwareVersion[0] = d[15];
    b.hardwareVersion[1] = d[12];
    b.hardwareVersion[2] = d[13];
    b.word0A = Reg(d, 0x0A);
    b.frameBytes = d[26];
    b.memoryFull = d[27];
    b.memoryBytes = Long(d, 0x10, 0x11);
    b.frameCapacity = b.frameBytes ? b.memoryBytes / b.frameBytes : 0;
    b.counter1 = Long(d, 0x12, 0x13);
    b.storedFrames = Long(d, 0x1A, 0x1B);
    b.counter3 = Long(d, 0x17, 0x16);  // this counter keeps the high register first
    b.deviceType = d[23];
    return true;
}

bool DecodeChannel(const Bytes& d, CKelvane::struct_channel_config& c)
{
    if (d.size() < 2 * kChannelRegisters)
        return false;
    c.channelType = d[1];
    c.word3Low = d[7];
    c.alarmSwitch = d[0];
    c.alarmUpper = FloatAt(d, 6);
    c.alarmLower = FloatAt(d, 8);
    c.upperBound = SignedRegister(Reg(d, 10));
    c.lowerBound = SignedRegister(Reg(d, 11));
    return true;
}

bool PatchChannel(Bytes& d, const CKelvane::struct_channel_config& c)
{
    if (d.size() < 20)
        return false;
    d[0] = static_cast<unsigned char>(c.alarmSwitch);
    PutFloat(d, 12, c.alarmUpper);
    PutFloat(d, 16, c.alarmLower);
    return true;
}

int DecodeCardName(const Bytes& d, char* name)
{
    if (d.size() < 2 * kCardNameRegisters)
        return -1;
    if (!name)
        return 0;
    const int n = d[0] < kMaxCardName ? d[0] : kMaxCardName;
    for (int i = 0; i < n; ++i)
        name[i] = static_cast<char>(i % 2 == 0 ? d[i + 3] : d[i + 1]);
    return n;
}

Bytes EncodeCardName(const char* name, int length)
{
    Bytes d(2 * kCardNameRegisters, 0);
    int m = length - 1;
    if (m > kMaxCardName)
        m = kMaxCardName;
    if (m < 0 || !name)
        m = 0;
    // A name shorter than the length given ends at its terminator; nothing
    // past it is read.
    for (int i = 0; i < m; ++i)
        if (name[i] == '\0') {
            m = i;
            break;
        }
    d[0] = static_cast<unsigned char>(m);
    for (int i = 0; i < m; ++i)
        d[i % 2 == 0 ? i + 3 : i + 1] = static_cast<unsigned char>(name[i]);
    return d;
}

bool DecodeMac(const Bytes& d, int* mac)
{
    if (d.size() < 6)
        return false;
    if (!mac)
        return true;
    for (int i = 0; i < 6; ++i)
        mac[5 - i] = d[i];
    return true;
}

Bytes EncodeClock(const SYSTEMTIME& t)
{
    return {IntToBcd(t.wMinute), IntToBcd(t.wSecond), IntToBcd(t.wDayOfWeek), IntToBcd(t.wHour),
            IntToBcd(t.wMonth), IntToBcd(t.wDay), IntToBcd(t.wYear / 100), IntToBcd(t.wYear % 100)};
}

bool DecodeClock(const Bytes& d, SYSTEMTIME& t)
{
    if (d.size() < 8)
        return false;
    char text[40];
    std::snprintf(text, sizeof text, "%02x%02x-%02x-%02x %02x:%02x:%02x", d[6], d[7], d[4], d[5], d[3], d[0], d[1]);
    const std::string s = text;
    t.wYear = static_cast<uint16_t>(DecimalField(s, 0, 4));
    t.wMonth = static_cast<uint16_t>(DecimalField(s, 5, 2));
    t.wDay = static_cast<uint16_t>(DecimalField(s, 8, 2));
    t.wHour = static_cast<uint16_t>(DecimalField(s, 11, 2));
    t.wMinute = static_cast<uint16_t>(DecimalField(s, 14, 2));
    t.wSecond = static_cast<uint16_t>(DecimalField(s, 17, 2));
    return true;
}

Bytes EncodeStartTime(const SYSTEMTIME& s)
{
    return {IntToBcd(s.wYear % 100), IntToBcd(s.wMonth), IntToBcd(s.wDay), IntToBcd(s.wHour), IntToBcd(s.wMinute), 0, 0, 0};
}

int PageFrames(int totalFrames, int position, int frameBytes)
{
    if (frameBytes <= 0 || frameBytes > kMaxPageBytes || totalFrames <= 0)
        return 0;
    const int limit = kMaxPageBytes / frameBytes;
    const int remaining = totalFrames - position;
    if (limit >= totalFrames)
        return totalFrames;
    if (remaining != 0 && remaining <= limit)
        return remaining;
    return limit;
}

bool DecodeHistoryFrame(const Bytes& d, std::size_t o, int channels, CKelvane::struct_history_data& sample)
{
    const auto at = [&d](std::size_t i) -> int { return i < d.size() ? d[i] : 0; };
    int word = 0;
    for (int k = 0; k < channels; ++k) {
        word = (at(o + 2 * k) << 8) | at(o + 2 * k + 1);
        const int raw = word > 5000 ? word - 65536 : word;
        if (k < 2)
            sample.value[k] = static_cast<float>(raw) / 10.0f;
    }
    const std::size_t t = o + 2 * static_cast<std::size_t>(channels > 0 ? channels : 0);
    // Erased memory reads 0xFF throughout; such a slot carries no time.
    if (channels > 0 && word == 0xFFFF && ((at(t + 2) << 8) | at(t + 3)) == 0xFFFF)
        return true;
    sample.time.wYear = static_cast<uint16_t>(BcdYear(0x20, static_cast<unsigned char>(at(t))));
    sample.time.wMonth = static_cast<uint16_t>(BcdDigits(static_cast<unsigned char>(at(t + 1))));
    sample.time.wDay = static_cast<uint16_t>(BcdDigits(static_cast<unsigned char>(at(t + 2))));
    sample.time.wHour = static_cast<uint16_t>(BcdDigits(static_cast<unsigned char>(at(t + 3))));
    sample.time.wMinute = static_cast<uint16_t>(BcdDigits(static_cast<unsigned char>(at(t + 4))));
    sample.time.wSecond = static_cast<uint16_t>(BcdDigits(static_cast<unsigned char>(at(t + 5))));
    return false;
}

int BatteryLevel(int raw, float temperature, int type)
{
    const double v = raw / 100.0;
    if (type == 1) {
        const double t = temperature;
        const double vc = t > 20 ? v - (t - 20) * 0.0025 : v + (20 - t) * 0.0067;
        return vc > 2.95 ? 3 : vc > 2.75 ? 2 : vc > 2.5 ? 1 : 0;
    }
    if (type == 4)
        return v >= 4.0 ? 3 : v >= 3.6 ? 2 : v >= 3.3 ? 1 : 0;
    return -1;
}

}  // namespace kelvane
