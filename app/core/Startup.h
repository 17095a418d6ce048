#pragma once
// The program context with the core started in it: what every program of the
// system holds while its logic runs, with or without a window (the program,
// quillmark-cli and the test fixtures each make one).
#include "ProgramContext.h"
#include "StoreSeams.h"

namespace qm {

class CCoreContext : public CProgramContext {
public:
    // The context of `folder` (see CProgramContext), then: the settings object
    // bound to its settings file, the data store's program-log lines sent to
    // the operation log (text line only), and nobody logged in.
    explicit CCoreContext(const QString& folder = QString(), const QString& databasePath = QString());
    // Releases the text log and the operation log's connection (the next
    // line opens them in the previous context's folder), gives the store back
    // the program-log writer it had and logs nobody in; the previous context
    // is in force again.
    ~CCoreContext();
    CCoreContext(const CCoreContext&) = delete;
    CCoreContext& operator=(const CCoreContext&) = delete;

private:
    store::ProgramLogWriter m_previousWriter;
};

} // namespace qm
