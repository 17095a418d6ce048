// Gives every test executable the folders of its build, also when it is started
// by hand rather than by ctest: the program folder and the source tree.
#include <cstdlib>

namespace {
struct TestEnvironment {
    TestEnvironment()
    {
        setenv("QM_TEST_PROGRAM_DIR", QM_TEST_PROGRAM_DIR_DEFAULT, 0);
        setenv("QM_SOURCE_DIR", QM_SOURCE_DIR_DEFAULT, 0);
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    }
} const g_testEnvironment;
} // namespace
