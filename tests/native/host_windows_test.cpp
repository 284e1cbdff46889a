// The titles the host's windows bear, marked with the instance id.
#include <gtest/gtest.h>

#include "plugin/host_windows.h"

namespace {

TEST(HostWindows, TitlesCarryTheInstanceId) {
    const struct {
        const char* instanceId;
        const char* mainTitle;
        const char* videoTitle;
    } cases[] = {
        {"", "Vantrex", "Video window"},
        {"b", "Vantrex.Instb", "Video window.Instb"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.instanceId);
        EXPECT_EQ(HostTitlesFor(c.instanceId).mainTitle, c.mainTitle);
        EXPECT_EQ(HostTitlesFor(c.instanceId).videoTitle, c.videoTitle);
    }
}

}  // namespace
