// Captures what the device library reports (its diagnostics, which go to
// syslog otherwise) and traces while it is alive: the one capture every suite
// that talks to loggers uses, so tests read the reports and never write to the
// machine's log.
#pragma once

#include "Kelvane.h"

#include <mutex>
#include <string>
#include <vector>

namespace qmtest {

struct Entry {
    std::string source;
    std::string first;
    std::string text;
};

class DiagnosticsCapture {
public:
    DiagnosticsCapture()
    {
        CKelvane::SetDiagnosticSink([this](const char* source, const char* first, const char* text) {
            std::lock_guard<std::mutex> guard(m_lock);
            m_reports.push_back({source, first, text});
        });
        CKelvane::SetTraceSink([this](const char* source, const char* text) {
            std::lock_guard<std::mutex> guard(m_lock);
            m_traces.push_back({source, "", text});
        });
    }
    ~DiagnosticsCapture()
    {
        CKelvane::SetDiagnosticSink({});
        CKelvane::SetTraceSink({});
    }
    std::vector<Entry> Reports()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_reports;
    }
    std::vector<Entry> Traces()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_traces;
    }

private:
    std::mutex m_lock;
    std::vector<Entry> m_reports;
    std::vector<Entry> m_traces;
};

}  // namespace qmtest
