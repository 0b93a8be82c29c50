#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

// The desktop services need a Qt application, as the program has one.
int main(int argc, char** argv)
{
    // Some tests need another process of this same program file.
    if (std::getenv("FRAMORY_TEST_IDLE") != nullptr) {
        for (;;) {
            ::pause();
        }
    }
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR")) {
        std::filesystem::create_directories(runtime);
        std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
