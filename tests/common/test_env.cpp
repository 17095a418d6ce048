// Gives every test executable the folders of its build, also when it is started
// by hand rather than by ctest (the program folder and the source tree), and
// every test a program folder of its own: QUILLMARK_FOLDER names a fresh
// scratch folder while the test runs, so nothing a test leaves behind (a log
// line, a setting, a port link) reaches the build's program folder or the
// next test. Fixtures that need a particular folder make a context of their own.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

class ScratchProgramFolder : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override
    {
        const char* old = std::getenv("QUILLMARK_FOLDER");
        m_hadFolder = old != nullptr;
        m_oldFolder = old ? old : "";
        std::string pattern = (std::filesystem::temp_directory_path() / "qm-test-XXXXXX").string();
        if (::mkdtemp(pattern.data())) {
            m_folder = pattern;
            ::setenv("QUILLMARK_FOLDER", m_folder.c_str(), 1);
        }
    }
    void OnTestEnd(const ::testing::TestInfo&) override
    {
        if (m_hadFolder)
            ::setenv("QUILLMARK_FOLDER", m_oldFolder.c_str(), 1);
        else
            ::unsetenv("QUILLMARK_FOLDER");
        if (!m_folder.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(m_folder, ignored);
            m_folder.clear();
        }
    }

    std::string m_folder;
    std::string m_oldFolder;
    bool m_hadFolder = false;
};

struct TestEnvironment {
    TestEnvironment()
    {
        setenv("QM_TEST_PROGRAM_DIR", QM_TEST_PROGRAM_DIR_DEFAULT, 0);
        setenv("QM_SOURCE_DIR", QM_SOURCE_DIR_DEFAULT, 0);
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        ::testing::UnitTest::GetInstance()->listeners().Append(new ScratchProgramFolder);
    }
} const g_testEnvironment;

} // namespace
