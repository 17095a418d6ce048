// The built kelvane and loggersim executables, run as a user runs them: exit
// codes, output lines, the trace, downloads and a Ctrl-C during one.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

// The program folder: QM_TEST_PROGRAM_DIR, else <build>/bin beside the
// <build>/tests folder this test runs from.
std::string ProgramDir() {
  if (const char* dir = std::getenv("QM_TEST_PROGRAM_DIR"); dir && *dir) return dir;
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return (exe.parent_path().parent_path() / "bin").string();
}

struct Child {
  pid_t pid = -1;
  int out = -1, err = -1;
};

// Starts a program of the program folder with its output on pipes.
Child Spawn(const std::string& program, const std::vector<std::string>& args) {
  int out[2], err[2];
  EXPECT_EQ(pipe(out), 0);
  EXPECT_EQ(pipe(err), 0);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  posix_spawn_file_actions_addclose(&actions, err[0]);
  const std::string path = ProgramDir() + "/" + program;
  std::vector<char*> argv{const_cast<char*>(path.c_str())};
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  Child c;
  EXPECT_EQ(posix_spawn(&c.pid, path.c_str(), &actions, nullptr, argv.data(), environ), 0) << path;
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  close(err[1]);
  c.out = out[0];
  c.err = err[0];
  return c;
}

struct Result {
  int code = -1;
  std::string out, err;
  std::vector<std::string> lines;  // stdout split at newlines
  bool Has(const std::string& line) const { return std::find(lines.begin(), lines.end(), line) != lines.end(); }
};

// Reads both pipes until the child ends. `onLine` may act on stdout as it comes.
Result Finish(Child c, const std::function<void(const std::string&)>& onLine = {}) {
  Result r;
  std::string pending;
  pollfd fds[2] = {{c.out, POLLIN, 0}, {c.err, POLLIN, 0}};
  int open = 2;
  while (open > 0) {
    if (poll(fds, 2, 10000) <= 0) break;
    for (int i = 0; i < 2; ++i) {
      if (!(fds[i].revents & (POLLIN | POLLHUP))) continue;
      char buf[4096];
      const ssize_t n = read(fds[i].fd, buf, sizeof buf);
      if (n <= 0) {
        fds[i].fd = -1;
        --open;
        continue;
      }
      (i == 0 ? r.out : r.err).append(buf, static_cast<size_t>(n));
      if (i == 0 && onLine) {
        pending.append(buf, static_cast<size_t>(n));
        for (size_t nl; (nl = pending.find('\n')) != std::string::npos; pending.erase(0, nl + 1))
          onLine(pending.substr(0, nl));
      }
    }
  }
  close(c.out);
  close(c.err);
  int status = 0;
  waitpid(c.pid, &status, 0);
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  std::istringstream in(r.out);
  for (std::string line; std::getline(in, line);) r.lines.push_back(line);
  return r;
}

Result RunTool(const std::string& program, const std::vector<std::string>& args) { return Finish(Spawn(program, args)); }

// loggersim in a scratch program folder, stopped with SIGTERM at the end.
class Tools : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/qm-tools-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
    setenv("QUILLMARK_FOLDER", folder_.c_str(), 1);
  }
  void TearDown() override {
    StopSim();
    unsetenv("QUILLMARK_FOLDER");
    std::filesystem::remove_all(folder_);
  }

  // Starts loggersim with a profile text; returns logger name -> COM number.
  std::map<std::string, std::string> StartSim(const std::string& profile, std::vector<std::string> extra = {}) {
    const std::string file = folder_ + "/profile.ini";
    std::ofstream(file) << profile;
    std::vector<std::string> args{"--folder", folder_, "--profile", file};
    args.insert(args.end(), extra.begin(), extra.end());
    sim_ = Spawn("loggersim", args);
    std::map<std::string, std::string> ports;
    std::string text;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (text.find("ready\n") == std::string::npos && std::chrono::steady_clock::now() < until) {
      pollfd p{sim_.out, POLLIN, 0};
      if (poll(&p, 1, 100) <= 0) continue;
      char buf[1024];
      const ssize_t n = read(sim_.out, buf, sizeof buf);
      if (n <= 0) break;
      text.append(buf, static_cast<size_t>(n));
    }
    EXPECT_NE(text.find("ready\n"), std::string::npos) << text;
    std::istringstream in(text);
    for (std::string name, com, rest; in >> name && name != "ready" && in >> com && std::getline(in, rest);)
      ports[name] = com.substr(3);
    return ports;
  }

  int StopSim() {
    if (sim_.pid < 0) return -1;
    kill(sim_.pid, SIGTERM);
    const Result r = Finish(sim_);
    sim_.pid = -1;
    return r.code;
  }

  Result Kelvane(const std::string& port, std::vector<std::string> args) {
    args.insert(args.begin(), {"--port", port, "--delay", "60"});
    return RunTool("kelvane", args);
  }

  std::string folder_;
  Child sim_;
};

const char* const kProfile = R"(
[a]
pacing = off
sn = 5A3100102
name = 冷库一号
mac = 5C:31:3E:00:01:02
software = 2.1.4
hardware = 1.3.0
channels = 2
ch1.type = 1
ch1.alarm = 1
ch1.upper = 8.0
ch1.lower = -2.5
ch1.upper_bound = 85
ch1.lower_bound = -40
ch2.type = 2
start_mode = 1
start_time = 2024-05-16 08:00
record_interval = 00:05:00
clock = 2024-05-17 13:45:09
history_start = 2024-05-16 08:00:00
history_interval = 300
history_count = 50
ch1.pattern = -1.0,0,0,0.1
ch2.pattern = 55.0
[quiet]
pacing = off
fault = silence
)";

TEST_F(Tools, UsageErrorsExitTwo) {
  EXPECT_EQ(RunTool("kelvane", {}).code, 2);
  EXPECT_EQ(RunTool("kelvane", {"--port", "1", "frobnicate"}).code, 2);
  EXPECT_EQ(RunTool("kelvane", {"info"}).code, 2);  // no port
  EXPECT_EQ(RunTool("kelvane", {"--port", "x", "info"}).code, 2);
  EXPECT_EQ(RunTool("kelvane", {"--port", "1", "--device", "/dev/null", "info"}).code, 2);
  EXPECT_EQ(RunTool("kelvane", {"--port", "1", "config", "--set", "channelCount=3"}).code, 2);
  EXPECT_EQ(RunTool("kelvane", {"--port", "1", "config", "--set", "startTime=2024-02-30 10:00"}).code, 2);
  EXPECT_EQ(RunTool("kelvane", {"--port", "1", "channels", "--set", "3:alarmUpper=1"}).code, 2);
  EXPECT_EQ(RunTool("kelvane", {"--port", "1", "name", "--set", "0123456789A"}).code, 2);
  EXPECT_EQ(RunTool("kelvane", {"--port", "1", "time", "--set", "yesterday"}).code, 2);
  EXPECT_EQ(RunTool("kelvane", {"battery", "290"}).code, 2);
  const Result help = RunTool("kelvane", {"--help"});
  EXPECT_EQ(help.code, 0);
  EXPECT_NE(help.out.find("download"), std::string::npos);
  EXPECT_EQ(RunTool("loggersim", {"--bogus"}).code, 2);
}

TEST_F(Tools, BatteryNeedsNoLogger) {
  const Result r = RunTool("kelvane", {"battery", "290", "25.0", "1"});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.lines, std::vector<std::string>{"level=2"});
  EXPECT_TRUE(RunTool("kelvane", {"battery", "400", "0", "2"}).Has("level=-1"));
}

TEST_F(Tools, FailuresExitOneWithTheLibrarysReport) {
  auto ports = StartSim(kProfile);
  const Result missing = Kelvane("9", {"info"});
  EXPECT_EQ(missing.code, 1);
  EXPECT_NE(missing.err.find("Serial initialization failed!"), std::string::npos);
  const Result silent = Kelvane(ports["quiet"], {"--attempts", "2", "mac"});
  EXPECT_EQ(silent.code, 1);
  EXPECT_TRUE(silent.out.empty());
  EXPECT_NE(silent.err.find("No data received"), std::string::npos);
  EXPECT_NE(silent.err.find("CKelvane::GetMac"), std::string::npos);
}

TEST_F(Tools, ReadCommandsPrintTheRecordFields) {
  const std::string a = StartSim(kProfile)["a"];
  const Result info = Kelvane(a, {"info"});
  ASSERT_EQ(info.code, 0) << info.err;
  EXPECT_EQ(info.lines.size(), 12u);
  EXPECT_TRUE(info.Has("sn=5A3100102"));
  EXPECT_TRUE(info.Has("softwareVersion=2.1.4"));
  EXPECT_TRUE(info.Has("hardwareVersion=1.3.0"));
  EXPECT_TRUE(info.Has("frameBytes=10"));
  EXPECT_TRUE(info.Has("storedFrames=50"));

  const Result config = Kelvane(a, {"config"});
  ASSERT_EQ(config.code, 0) << config.err;
  EXPECT_EQ(config.lines.size(), 11u);
  EXPECT_TRUE(config.Has("startTime=2024-05-16 08:00"));
  EXPECT_TRUE(config.Has("stopTime=0000-00-00 00:00"));
  EXPECT_TRUE(config.Has("recordInterval=00:05:00"));
  EXPECT_TRUE(config.Has("recordingState=1"));
  EXPECT_TRUE(config.Has("channelCount=2"));

  const Result channels = Kelvane(a, {"channels"});
  ASSERT_EQ(channels.code, 0) << channels.err;
  EXPECT_EQ(channels.lines.size(), 14u);
  EXPECT_TRUE(channels.Has("channel1.alarmUpper=8.0"));
  EXPECT_TRUE(channels.Has("channel1.alarmLower=-2.5"));
  EXPECT_TRUE(channels.Has("channel1.lowerBound=-40"));
  EXPECT_TRUE(channels.Has("channel2.channelType=2"));

  EXPECT_EQ(Kelvane(a, {"name"}).lines, std::vector<std::string>{"name=冷库一号"});
  EXPECT_EQ(Kelvane(a, {"mac"}).lines, std::vector<std::string>{"mac=5C:31:3E:00:01:02"});
  const Result time = Kelvane(a, {"time"});
  ASSERT_EQ(time.lines.size(), 1u);
  EXPECT_EQ(time.lines[0].substr(0, 21), "time=2024-05-17 13:45");
}

TEST_F(Tools, WriteCommandsChangeTheLogger) {
  const std::string a = StartSim(kProfile)["a"];
  const Result set = Kelvane(a, {"config", "--set", "stopMode=1", "stopTime=2024-06-01 12:30",
                                 "recordInterval=00:01:30"});
  ASSERT_EQ(set.code, 0) << set.err;
  const Result config = Kelvane(a, {"config"});
  EXPECT_TRUE(config.Has("stopMode=1"));
  EXPECT_TRUE(config.Has("stopTime=2024-06-01 12:30"));
  EXPECT_TRUE(config.Has("recordInterval=00:01:30"));

  ASSERT_EQ(Kelvane(a, {"channels", "--set", "1:alarmUpper=9.5,alarmSwitch=0", "2:alarmLower=10"}).code, 0);
  const Result channels = Kelvane(a, {"channels"});
  EXPECT_TRUE(channels.Has("channel1.alarmUpper=9.5"));
  EXPECT_TRUE(channels.Has("channel1.alarmSwitch=0"));
  EXPECT_TRUE(channels.Has("channel2.alarmLower=10.0"));

  ASSERT_EQ(Kelvane(a, {"name", "--set", "仓库B"}).code, 0);
  EXPECT_TRUE(Kelvane(a, {"name"}).Has("name=仓库B"));
  ASSERT_EQ(Kelvane(a, {"time", "--set", "2025-01-02 03:04:05"}).code, 0);
  EXPECT_EQ(Kelvane(a, {"time"}).lines.at(0).substr(0, 21), "time=2025-01-02 03:04");
  EXPECT_EQ(Kelvane(a, {"warn-reset"}).code, 0);
  ASSERT_EQ(Kelvane(a, {"clear-history"}).code, 0);
  EXPECT_TRUE(Kelvane(a, {"info"}).Has("storedFrames=0"));
}

TEST_F(Tools, TraceShowsEveryExchange) {
  const std::string a = StartSim(kProfile)["a"];
  const Result r = Kelvane(a, {"--trace", "channels"});
  ASSERT_EQ(r.code, 0);
  // the configuration and both channel blocks
  EXPECT_NE(r.err.find("01 03 01 00 00 1c 45 ff"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("01 03 10 00 00 10"), std::string::npos);
  EXPECT_NE(r.err.find("01 03 10 80 00 10"), std::string::npos);
  EXPECT_NE(r.err.find("接收：010320"), std::string::npos);
  EXPECT_TRUE(Kelvane(a, {"channels"}).err.empty());
}

TEST_F(Tools, DownloadPrintsEverySampleThenTheCount) {
  const std::string a = StartSim(kProfile)["a"];
  const Result r = Kelvane(a, {"download"});
  ASSERT_EQ(r.code, 0) << r.err;
  ASSERT_EQ(r.lines.size(), 51u);
  EXPECT_EQ(r.lines.front(), "2024-05-16 08:00:00,-1.0,55.0");
  EXPECT_EQ(r.lines[15], "2024-05-16 09:15:00,0.5,55.0");
  EXPECT_EQ(r.lines[49], "2024-05-16 12:05:00,3.9,55.0");
  EXPECT_EQ(r.lines.back(), "samples=50");
  const Result later = Kelvane(a, {"download", "--start", "2024-05-16 12:00"});
  EXPECT_EQ(later.lines, (std::vector<std::string>{"2024-05-16 12:00:00,3.8,55.0", "2024-05-16 12:05:00,3.9,55.0",
                                                   "samples=2"}));
}

TEST_F(Tools, CtrlCStopsAPacedDownloadAfterThePage) {
  const std::string a = StartSim("[slow]\nbaud = 9600\nchannels = 2\nhistory_count = 2400\n")["slow"];
  Child c = Spawn("kelvane", {"--port", a, "--baud", "9600", "download"});
  bool sent = false;
  const auto t0 = std::chrono::steady_clock::now();
  const Result r = Finish(c, [&](const std::string&) {
    if (!sent) kill(c.pid, SIGINT), sent = true;
  });
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
  EXPECT_TRUE(sent);
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("cancelled"), std::string::npos);
  ASSERT_FALSE(r.lines.empty());
  const std::string last = r.lines.back();
  ASSERT_EQ(last.rfind("samples=", 0), 0u) << last;
  const int samples = std::stoi(last.substr(8));
  EXPECT_EQ(samples % 24, 0);  // whole pages only
  EXPECT_GE(samples, 24);
  EXPECT_LE(samples, 72);
  EXPECT_EQ(static_cast<int>(r.lines.size()), samples + 1);
  EXPECT_LT(ms, 3000);  // the whole download would take about 26 s at 9600 baud
}

// A client that asks and never reads fills the line until the logger's write
// blocks; a stop must still end loggersim at once.
TEST_F(Tools, LoggersimEndsOnSigtermWhileNobodyReadsItsReplies) {
  const std::string port = StartSim("[full]\npacing = off\nchannels = 2\nhistory_count = 2400\n")["full"];
  const int fd = open((folder_ + "/dev/COM" + port).c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(fd, 0);
  termios t{};
  tcgetattr(fd, &t);
  cfmakeraw(&t);
  cfsetspeed(&t, B115200);
  tcsetattr(fd, TCSANOW, &t);
  // 600 pages of 245 bytes are far more than a pseudo-terminal holds.
  const unsigned char page[] = {0x01, 0x09, 0x00, 0x00, 0x00, 0x78, 0xDD, 0xE9};
  for (int i = 0; i < 600; ++i) ASSERT_EQ(write(fd, page, sizeof page), static_cast<ssize_t>(sizeof page));
  usleep(300 * 1000);
  const auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(StopSim(), 0);
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
  EXPECT_LT(ms, 3000);
  close(fd);
}

TEST_F(Tools, LoggersimLinksItsPortsAndRemovesThemOnExit) {
  const auto ports = StartSim(kProfile);
  ASSERT_EQ(ports.size(), 2u);
  const std::string link = folder_ + "/dev/COM" + ports.at("a");
  struct stat st{};
  EXPECT_EQ(lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(StopSim(), 0);
  EXPECT_NE(lstat(link.c_str(), &st), 0);

  const Result bad = RunTool("loggersim", {"--folder", folder_, "--demo", "nope"});
  EXPECT_EQ(bad.code, 2);
  std::ofstream(folder_ + "/bad.ini") << "[x]\nchannels = 3\n";
  const Result badProfile = RunTool("loggersim", {"--folder", folder_, "--profile", folder_ + "/bad.ini"});
  EXPECT_EQ(badProfile.code, 2);
  EXPECT_NE(badProfile.err.find("line 2"), std::string::npos);
  const Result help = RunTool("loggersim", {"--help"});
  EXPECT_EQ(help.code, 0);
  EXPECT_NE(help.out.find("fault = KIND"), std::string::npos);
}

}  // namespace
