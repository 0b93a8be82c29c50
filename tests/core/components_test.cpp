#include "core/components/fx_components.h"

#include "support/recording_components.h"

#include <gtest/gtest.h>

namespace framory::core {
namespace {

using framory::testing::CallLog;

TEST(Sequences, SnapshotCapturesOnlyOnceShownAndInFront)
{
    CallLog log;
    framory::testing::RecordingFXImage image(log, "FXImage2");
    SnapshotSequence(image, [&log] { log.add("pump"); });
    EXPECT_EQ(log.calls, (std::vector<std::string>{"FXImage2.snapshot=2", "FXImage2.snapshot=1", "FXImage2.front",
                                                   "FXImage2.show", "pump", "FXImage2.snapshot=3", "pump"}));
}

TEST(Sequences, StopClearsTheFileThenSendsElevenThenOne)
{
    CallLog log;
    framory::testing::RecordingFXSnd sound(log, "FXSnd2");
    StopSequence(sound);
    EXPECT_EQ(log.calls, (std::vector<std::string>{"FXSnd2.file=", "FXSnd2.command=11", "FXSnd2.command=1"}));
}

} // namespace
} // namespace framory::core
