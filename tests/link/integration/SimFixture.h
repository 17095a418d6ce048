// Simulated loggers in a scratch program folder, reached through the port map
// exactly as the program reaches real ones (QUILLMARK_FOLDER points at it).
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "DiagnosticsCapture.h"
#include "Kelvane.h"
#include "loggersim/Simulator.h"

namespace linktest {

using loggersim::Bytes;

// A request as the logger should receive it: the bytes plus their CRC.
inline Bytes Frame(Bytes bytes) {
  loggersim::AppendCrc(bytes);
  return bytes;
}

inline loggersim::LoggerProfile BasicProfile(int channels = 2) {
  loggersim::LoggerProfile p;
  p.name = "test";
  p.pacing = false;
  p.state.channels.resize(static_cast<size_t>(channels));
  p.state.frameBytes = 2 * channels + 6;
  return p;
}

inline loggersim::CHistory Frames(int count, int intervalSeconds = 60,
                                  loggersim::DateTime start = {2024, 5, 17, 0, 0, 0}) {
  return loggersim::CHistory::Generated(start, intervalSeconds, count, {{20.0, 0, 0, 0.1}, {50.0, 0, 0, -0.1}});
}

class SimFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/qm-link-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
    setenv("QUILLMARK_FOLDER", folder_.c_str(), 1);
  }

  void TearDown() override {
    sim_.reset();
    unsetenv("QUILLMARK_FOLDER");
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }

  // Starts the loggers (pacing off unless a profile asks for it) and returns the first.
  loggersim::CSimLogger& Start(const std::vector<loggersim::LoggerProfile>& profiles) {
    sim_ = std::make_unique<loggersim::CSimulator>(folder_);
    for (const auto& p : profiles) sim_->Add(p);
    std::string error;
    EXPECT_TRUE(sim_->Start(&error)) << error;
    return sim_->At(0);
  }
  loggersim::CSimLogger& Start(const loggersim::LoggerProfile& profile) {
    return Start(std::vector<loggersim::LoggerProfile>{profile});
  }

  // Binds a link to logger i through its COM number.
  void Bind(CKelvane& link, size_t i = 0, int baud = 115200) {
    ASSERT_EQ(link.Instance(sim_->ComOf(i), baud), 1);
  }

  // "source|text" of each report.
  std::vector<std::string> Reports() {
    std::vector<std::string> lines;
    for (const qmtest::Entry& e : diagnostics_.Reports()) lines.push_back(e.source + "|" + e.text);
    return lines;
  }
  std::string LastReport() {
    const std::vector<std::string> lines = Reports();
    return lines.empty() ? std::string() : lines.back();
  }

  loggersim::CSimulator& Sim() { return *sim_; }
  const std::string& Folder() const { return folder_; }

  static constexpr int kDelay = 50;  // replies are immediate; a complete one ends the wait
  static constexpr int kAttempts = 3;

 private:
  std::string folder_;
  std::unique_ptr<loggersim::CSimulator> sim_;
  qmtest::DiagnosticsCapture diagnostics_;
};

}  // namespace linktest
