// Test entry for suites that need a QApplication (widgets, queued signals, timers).
#include "ModalAnswer.h"

#include <QApplication>
#include <gtest/gtest.h>

namespace {

// An answer to a dialog that never came up must not answer the next test's.
class DropPendingModals : public ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo&) override { qmtest::ForgetPendingModals(); }
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new DropPendingModals);
    return RUN_ALL_TESTS();
}
