#pragma once
// Answers the next modal dialog of a test, as a user would: `act` runs on the
// first modal widget that comes up after the call, however long that takes on
// a loaded machine. An answer still pending when the test ends is dropped, so
// it never answers a dialog of the next test. For suites with a QApplication
// (the QT option of qm_add_test).
#include <functional>

class QWidget;

namespace qmtest {

void OnNextModal(std::function<void(QWidget*)> act);
// Drops every pending answer (the test main calls it when a test ends).
void ForgetPendingModals();

} // namespace qmtest
