#include "loggersim/Profile.h"

#include <iconv.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace loggersim {

namespace {

struct Line {
    std::string key, value;
    int number = 0;
};
struct Section {
    std::string name;
    int number = 0;
    std::vector<Line> lines;
};

std::string Trim(const std::string& s)
{
    const size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string::npos)
        return {};
    const size_t b = s.find_last_not_of(" \t\r");
    return s.substr(a, b - a + 1);
}

bool SplitSections(const std::string& text, std::vector<Section>& out, std::string* error)
{
    std::istringstream in(text);
    std::string raw;
    int number = 0;
    while (std::getline(in, raw)) {
        ++number;
        const std::string line = Trim(raw);
        if (line.empty() || line[0] == '#' || line[0] == ';')
            continue;
        if (line.front() == '[') {
            if (line.back() != ']') {
                if (error)
                    *error = "line " + std::to_string(number) + ": unterminated section name";
                return false;
            }
            std::string name = Trim(line.substr(1, line.size() - 2));
            if (name.rfind("logger ", 0) == 0)
                name = Trim(name.substr(7));
            out.push_back(Section{name, number, {}});
            continue;
        }
        const size_t eq = line.find('=');
        if (eq == std::string::npos || out.empty()) {
            if (error)
                *error = "line " + std::to_string(number)
                         + (out.empty() ? ": setting before the first [logger] section" : ": expected key = value");
            return false;
        }
        out.back().lines.push_back(Line{Trim(line.substr(0, eq)), Trim(line.substr(eq + 1)), number});
    }
    return true;
}

bool ToLong(const std::string& v, long& out)
{
    if (v.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    out = std::strtol(v.c_str(), &end, 0);
    return errno == 0 && *end == '\0';
}

bool ToDouble(const std::string& v, double& out)
{
    if (v.empty())
        return false;
    char* end = nullptr;
    out = std::strtod(v.c_str(), &end);
    return *end == '\0';
}

bool ToBool(const std::string& v, bool& out)
{
    if (v == "on" || v == "yes" || v == "true" || v == "1")
        return out = true, true;
    if (v == "off" || v == "no" || v == "false" || v == "0")
        return out = false, true;
    return false;
}

std::vector<std::string> SplitList(const std::string& v, char sep = ',')
{
    std::vector<std::string> parts;
    std::istringstream in(v);
    std::string p;
    while (std::getline(in, p, sep))
        parts.push_back(Trim(p));
    return parts;
}

bool ToInterval(const std::string& v, Interval& out)
{
    int h = 0, m = 0, s = 0, used = 0;
    if (std::sscanf(v.c_str(), "%d:%d:%d%n", &h, &m, &s, &used) == 3 && static_cast<size_t>(used) == v.size() && h >= 0
        && h < 100 && m >= 0 && m < 60 && s >= 0 && s < 60) {
        out = Interval{h, m, s};
        return true;
    }
    long secs = 0;
    if (!ToLong(v, secs) || secs < 0 || secs >= 100 * 3600)
        return false;
    out = Interval{static_cast<int>(secs / 3600), static_cast<int>(secs / 60 % 60), static_cast<int>(secs % 60)};
    return true;
}

bool ToVersion(const std::string& v, Version& out)
{
    int a = 0, b = 0, c = 0, used = 0;
    if (std::sscanf(v.c_str(), "%d.%d.%d%n", &a, &b, &c, &used) != 3 || static_cast<size_t>(used) != v.size())
        return false;
    out = Version{a, b, c};
    return true;
}

bool ToMac(const std::string& v, std::array<uint8_t, 6>& out)
{
    const auto parts = SplitList(v, ':');
    if (parts.size() != 6)
        return false;
    for (size_t i = 0; i < 6; ++i) {
        char* end = nullptr;
        const long b = std::strtol(parts[i].c_str(), &end, 16);
        if (parts[i].empty() || *end != '\0' || b < 0 || b > 255)
            return false;
        out[i] = static_cast<uint8_t>(b);
    }
    return true;
}

bool FromHex(const std::string& v, std::string& out)
{
    if (v.size() % 2)
        return false;
    out.clear();
    for (size_t i = 0; i < v.size(); i += 2) {
        char* end = nullptr;
        const std::string pair = v.substr(i, 2);
        const long b = std::strtol(pair.c_str(), &end, 16);
        if (*end != '\0')
            return false;
        out.push_back(static_cast<char>(b));
    }
    return true;
}

// One section turned into a profile; settings apply in file order.
class CProfileBuilder {
public:
    explicit CProfileBuilder(const std::string& name) { profile_.name = name; }

    bool Apply(const Line& l, std::string& why);
    bool Finish(LoggerProfile& out, std::string& why);

private:
    bool ApplyChannel(int k, const std::string& field, const std::string& v, std::string& why);

    LoggerProfile profile_;
    int channels_ = 1;
    std::array<ChannelState, 2> ch_{};
    std::array<ValuePattern, 2> patterns_{};
    bool frameBytesSet_ = false;
    DateTime historyStart_;
    int historyInterval_ = 60;
    long historyCount_ = 0;
    std::vector<HistoryFrame> frames_;
    bool explicit_ = false;
};

bool CProfileBuilder::ApplyChannel(int k, const std::string& f, const std::string& v, std::string& why)
{
    ChannelState& c = ch_[static_cast<size_t>(k)];
    long n = 0;
    double d = 0;
    if (f == "pattern") {
        const auto parts = SplitList(v);
        double p[4] = {0, 0, 0, 0};
        if (parts.empty() || parts.size() > 4)
            return why = "want base[,amplitude[,period[,step]]]", false;
        for (size_t i = 0; i < parts.size(); ++i)
            if (!ToDouble(parts[i], p[i]))
                return why = "not a number: " + parts[i], false;
        patterns_[static_cast<size_t>(k)] = ValuePattern{p[0], p[1], static_cast<int64_t>(p[2]), p[3]};
        return true;
    }
    if (f == "upper" || f == "lower") {
        if (!ToDouble(v, d))
            return why = "not a number", false;
        (f == "upper" ? c.alarmUpper : c.alarmLower) = static_cast<float>(d);
        return true;
    }
    if (!ToLong(v, n))
        return why = "not a whole number", false;
    if (f == "type")
        c.type = static_cast<int>(n);
    else if (f == "alarm")
        c.alarmSwitch = static_cast<int>(n);
    else if (f == "word3_low")
        c.word3Low = static_cast<int>(n);
    else if (f == "upper_bound" || f == "lower_bound") {
        if (n < -32768 || n > 32767)
            return why = "outside signed 16 bits", false;
        (f == "upper_bound" ? c.upperBound : c.lowerBound) = static_cast<int>(n);
    } else
        return why = "unknown channel setting", false;
    return true;
}

bool CProfileBuilder::Apply(const Line& l, std::string& why)
{
    const std::string& k = l.key;
    const std::string& v = l.value;
    LoggerState& s = profile_.state;
    long n = 0;
    bool b = false;
    if (k.size() > 4 && k[0] == 'c' && k[1] == 'h' && (k[2] == '1' || k[2] == '2') && k[3] == '.')
        return ApplyChannel(k[2] - '1', k.substr(4), v, why);
    if (k == "sn") {
        uint8_t d2, d3;
        uint16_t num;
        if (!SerialRegisters(v, d2, d3, num))
            return why = "a serial number is four hex digits and five decimal digits up to 65535", false;
        s.sn = SerialText(d2, d3, num);
    } else if (k == "name") {
        if (!Utf8ToGbk(v, s.cardName))
            return why = "the name has no GBK form", false;
        if (s.cardName.size() > 10)
            return why = "a card name holds at most 10 bytes", false;
    } else if (k == "name_hex") {
        if (!FromHex(v, s.cardName) || s.cardName.size() > 10)
            return why = "want up to 10 bytes in hex", false;
    } else if (k == "mac") {
        if (!ToMac(v, s.mac))
            return why = "want XX:XX:XX:XX:XX:XX", false;
    } else if (k == "software" || k == "hardware") {
        if (!ToVersion(v, k == "software" ? s.software : s.hardware))
            return why = "want a.b.c", false;
    } else if (k == "start_time" || k == "stop_time") {
        DateTime t;
        if (v != "0" && !ParseDateTime(v, t))
            return why = "want YYYY-MM-DD HH:MM or 0", false;
        t.second = 0;
        (k == "start_time" ? s.startTime : s.stopTime) = t;
    } else if (k == "record_interval" || k == "second_interval") {
        if (!ToInterval(v, k == "record_interval" ? s.recordInterval : s.secondInterval))
            return why = "want HH:MM:SS or seconds", false;
    } else if (k == "clock") {
        if (v == "now")
            profile_.clock = DateTime{};
        else if (!ParseDateTime(v, profile_.clock))
            return why = "want YYYY-MM-DD HH:MM:SS or now", false;
    } else if (k == "pacing" || k == "memory_full") {
        if (!ToBool(v, b))
            return why = "want on or off", false;
        (k == "pacing" ? profile_.pacing : s.memoryFull) = b;
    } else if (k == "alarm_flags") {
        const auto parts = SplitList(v);
        if (parts.size() > s.alarmRegisters.size())
            return why = "at most 10 values", false;
        for (size_t i = 0; i < parts.size(); ++i) {
            if (!ToLong(parts[i], n))
                return why = "not a whole number: " + parts[i], false;
            s.alarmRegisters[i] = static_cast<uint16_t>(n);
        }
    } else if (k == "history") {
        if (v == "none")
            historyCount_ = 0, frames_.clear(), explicit_ = false;
        else if (v == "explicit")
            explicit_ = true;
        else if (v != "generated")
            return why = "want generated, explicit or none", false;
    } else if (k == "history_start") {
        if (!ParseDateTime(v, historyStart_))
            return why = "want YYYY-MM-DD HH:MM:SS", false;
    } else if (k == "history_interval") {
        Interval i;
        if (!ToInterval(v, i) || i.TotalSeconds() == 0)
            return why = "want HH:MM:SS or seconds, not 0", false;
        historyInterval_ = i.TotalSeconds();
    } else if (k == "frame") {
        HistoryFrame f;
        if (v == "empty") {
            f.empty = true;
            f.raw = {0xFFFF, 0xFFFF};
        } else {
            const auto parts = SplitList(v);
            if (parts.size() < 2 || parts.size() > 3 || !ParseDateTime(parts[0], f.time))
                return why = "want TIME,value[,value] or empty", false;
            for (size_t i = 1; i < parts.size(); ++i) {
                double d = 0;
                if (!ToDouble(parts[i], d))
                    return why = "not a number: " + parts[i], false;
                f.raw[i - 1] = RawFromValue(d);
            }
        }
        frames_.push_back(f);
        explicit_ = true;
    } else if (k == "fault") {
        FaultRule r;
        if (!ParseFaultRule(v, r, &why))
            return false;
        profile_.faults.push_back(r);
    } else {
        if (!ToLong(v, n))
            return why = (k == "demo" ? "demo must be the first setting" : "unknown setting or not a number"), false;
        if (k == "com")
            profile_.com = static_cast<int>(n);
        else if (k == "baud")
            s.baud = static_cast<int>(n);
        else if (k == "device_type")
            s.deviceType = static_cast<int>(n);
        else if (k == "word0a")
            s.word0A = static_cast<uint16_t>(n);
        else if (k == "frame_bytes")
            s.frameBytes = static_cast<int>(n), frameBytesSet_ = true;
        else if (k == "memory_bytes")
            s.memoryBytes = static_cast<uint32_t>(n);
        else if (k == "counter1")
            s.counter1 = static_cast<uint32_t>(n);
        else if (k == "counter3")
            s.counter3 = static_cast<uint32_t>(n);
        else if (k == "start_mode")
            s.startMode = static_cast<int>(n);
        else if (k == "stop_mode")
            s.stopMode = static_cast<int>(n);
        else if (k == "recording")
            s.recordingState = static_cast<int>(n);
        else if (k == "word107")
            s.word107 = static_cast<uint16_t>(n);
        else if (k == "word111_high")
            s.word111High = static_cast<int>(n);
        else if (k == "channels") {
            if (n < 1 || n > 2)
                return why = "a logger has 1 or 2 channels", false;
            channels_ = static_cast<int>(n);
        } else if (k == "history_count") {
            if (n < 0)
                return why = "negative count", false;
            historyCount_ = n;
        } else
            return why = "unknown setting", false;
    }
    return true;
}

bool CProfileBuilder::Finish(LoggerProfile& out, std::string& why)
{
    LoggerState& s = profile_.state;
    s.channels.assign(ch_.begin(), ch_.begin() + channels_);
    if (!frameBytesSet_)
        s.frameBytes = 2 * channels_ + 6;
    if (s.frameBytes < 2 * channels_ + 6 || s.frameBytes > 245)
        return why = "frame_bytes must hold the channel values and six time bytes (and at most 245)", false;
    if (explicit_) {
        profile_.history = CHistory::Explicit(frames_);
    } else {
        if (historyStart_.IsZero())
            historyStart_ = DateTime{2024, 1, 1, 0, 0, 0};
        profile_.history =
            CHistory::Generated(historyStart_, historyInterval_, historyCount_,
                                std::vector<ValuePattern>(patterns_.begin(), patterns_.begin() + channels_));
    }
    out = profile_;
    return true;
}

const char* const kDemoTh = R"(
[th]
sn = 5A3100102
name = 冷库一号
mac = 5C:31:3E:00:01:02
device_type = 1
software = 2.1.4
hardware = 1.3.0
channels = 2
ch1.type = 1
ch1.alarm = 1
ch1.upper = 8.0
ch1.lower = 2.0
ch1.upper_bound = 85
ch1.lower_bound = -40
ch2.type = 2
ch2.alarm = 1
ch2.upper = 75.0
ch2.lower = 35.0
ch2.upper_bound = 100
ch2.lower_bound = 0
start_mode = 1
stop_mode = 0
start_time = 2024-05-16 08:00
record_interval = 00:05:00
memory_bytes = 655360
history_start = 2024-05-16 08:00:00
history_interval = 300
history_count = 288
ch1.pattern = 5.0,4.2,96,0
ch2.pattern = 55.0,24.0,144,0
alarm_flags = 1,1
)";

const char* const kDemoT = R"(
[t]
sn = 5A3200207
name = Truck 7
mac = 5C:31:3E:00:02:07
device_type = 2
software = 2.0.9
hardware = 1.1.0
channels = 1
frame_bytes = 8
ch1.type = 1
ch1.alarm = 1
ch1.upper = -15.0
ch1.lower = -25.0
ch1.upper_bound = 60
ch1.lower_bound = -40
start_mode = 1
stop_mode = 1
start_time = 2024-05-14 06:00
stop_time = 2024-05-17 00:40
record_interval = 00:10:00
memory_bytes = 262144
history_start = 2024-05-14 06:00:00
history_interval = 600
history_count = 400
ch1.pattern = -19.0,4.6,72,0
alarm_flags = 1
)";

bool BuildSections(const std::vector<Section>& sections, std::vector<LoggerProfile>& out, std::string* error)
{
    for (const Section& sec : sections) {
        CProfileBuilder builder(sec.name);
        std::vector<Line> lines = sec.lines;
        if (!lines.empty() && lines.front().key == "demo") {
            // Start from a built-in logger, then let the section change it.
            std::vector<Section> demo;
            const std::string which = lines.front().value;
            const char* text = which == "th" ? kDemoTh : which == "t" ? kDemoT : nullptr;
            if (!text) {
                if (error)
                    *error = "line " + std::to_string(lines.front().number) + ": no demo logger '" + which + "'";
                return false;
            }
            SplitSections(text, demo, nullptr);
            lines.erase(lines.begin());
            lines.insert(lines.begin(), demo.front().lines.begin(), demo.front().lines.end());
        }
        std::string why;
        for (const Line& l : lines) {
            if (!builder.Apply(l, why)) {
                if (error)
                    *error = "line " + std::to_string(l.number) + " (" + l.key + "): " + why;
                return false;
            }
        }
        LoggerProfile p;
        if (!builder.Finish(p, why)) {
            if (error)
                *error = "section [" + sec.name + "] at line " + std::to_string(sec.number) + ": " + why;
            return false;
        }
        out.push_back(std::move(p));
    }
    return true;
}

} // namespace

bool Utf8ToGbk(const std::string& utf8, std::string& gbk)
{
    iconv_t cd = iconv_open("GBK", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    std::string in = utf8;
    std::string result(in.size() * 2 + 4, '\0');
    char* src = in.data();
    size_t srcLeft = in.size();
    char* dst = result.data();
    size_t dstLeft = result.size();
    const size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    iconv_close(cd);
    if (rc == static_cast<size_t>(-1))
        return false;
    result.resize(result.size() - dstLeft);
    gbk = result;
    return true;
}

bool ParseProfiles(const std::string& text, std::vector<LoggerProfile>& out, std::string* error)
{
    std::vector<Section> sections;
    if (!SplitSections(text, sections, error))
        return false;
    return BuildSections(sections, out, error);
}

bool LoadProfiles(const std::string& path, std::vector<LoggerProfile>& out, std::string* error)
{
    std::ifstream in(path);
    if (!in) {
        if (error)
            *error = "cannot read " + path;
        return false;
    }
    std::stringstream text;
    text << in.rdbuf();
    if (!ParseProfiles(text.str(), out, error)) {
        if (error)
            *error = path + ": " + *error;
        return false;
    }
    return true;
}

std::vector<std::string> DemoProfileNames() { return {"th", "t"}; }

bool DemoProfile(const std::string& name, LoggerProfile& out)
{
    std::vector<LoggerProfile> list;
    if (!ParseProfiles("[" + name + "]\ndemo = " + name + "\n", list, nullptr) || list.size() != 1)
        return false;
    out = list.front();
    return true;
}

const char* ProfileHelp()
{
    return R"(Profile file: one [logger NAME] (or [NAME]) section per logger, "key = value"
lines, '#' or ';' starts a comment line. Settings apply in order; unset ones keep
their defaults (one channel, 115200 baud, no history).

  demo = th|t              first line only: start from a built-in demo logger
  com = N                  COM number of the dev/COM<N> link (default: lowest free)
  baud = 115200|9600|...   the only baud rate the logger answers at
  pacing = on|off          send replies at 10 bits per byte of the baud rate
  sn = 5A3100102           four hex digits, then five decimal digits (<= 65535)
  name = TEXT              card name, stored as GBK (at most 10 bytes)
  name_hex = C0E4BFE2      card name as raw bytes
  mac = 11:22:33:44:55:66  in the order the program prints it
  device_type, word0a, counter1, counter3, memory_bytes = N
  software = a.b.c, hardware = a.b.c
  frame_bytes = N          default 2 x channels + 6
  memory_full = on|off
  start_mode = 1|2         1 timed start, 2 key start
  stop_mode = 0|1|2|4      FIFO, timed stop, key stop, stop when full
  start_time, stop_time = YYYY-MM-DD HH:MM | 0
  record_interval, second_interval = HH:MM:SS | seconds
  recording = 0|1          reported state of a key-start logger (timed start
                           loggers record between start and stop time)
  word107, word111_high = N
  clock = YYYY-MM-DD HH:MM:SS | now   the logger's clock runs on from there
  alarm_flags = a,b,...    registers 0x0200.. (cleared by an alarm reset)
  channels = 1|2
  chK.type, chK.alarm, chK.word3_low = N     (K = 1 or 2)
  chK.upper, chK.lower = 8.5                 alarm limits
  chK.upper_bound, chK.lower_bound = N       range, signed 16 bit
  history = generated|explicit|none
  history_start = YYYY-MM-DD HH:MM:SS, history_interval = HH:MM:SS | seconds
  history_count = N                          generated frames (computed lazily)
  chK.pattern = base[,amplitude[,period[,step]]]   value of frame i:
                base + amplitude*sin(2*pi*i/period) + step*i
  frame = YYYY-MM-DD HH:MM:SS,v1[,v2] | empty      explicit history, one per line
  fault = KIND[:fn=F][:first=N][:count=N][:value=V]
          KIND: swap-crc, exception (value = code), silence, late (value = ms),
          truncate (value = bytes kept), hang-up-after-pages (value = pages),
          stop-after-pages (value = pages), zero-channels, late-page (value = ms;
          first/count count history page requests only), double (the answer
          twice, value = ms between), extra (value = bytes after the CRC),
          short-valid (value = data bytes left out, CRC over the rest).
          fn limits it to one function code; first/count pick the matching
          requests (1-based).
)";
}

} // namespace loggersim
