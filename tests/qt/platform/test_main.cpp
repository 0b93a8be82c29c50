#include "qt/forms/fit_text.h"

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
    // A private runtime folder, as a desktop session gives every program.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const auto runtime = std::filesystem::temp_directory_path() / ("framory-test-runtime-" + std::to_string(::getuid()));
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime.string()));
    }
    const std::string runtime = qEnvironmentVariable("XDG_RUNTIME_DIR").toStdString();
    std::filesystem::create_directories(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    // The widgets need no screen: without a platform named, the offscreen
    // one serves (test discovery at build time runs without one).
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    // As the program does.
    framory::qt::FitTextsOfEveryDialog(app);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
