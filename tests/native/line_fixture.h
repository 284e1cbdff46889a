// An engine whose line runs on reference-sized RGB frames, its messages the
// strings or the lines of a text file of the test's own.
#pragma once
#include <string>
#include <vector>

#include "engine_fixture.h"
#include "test_files.h"

struct LineFixture : EngineFixture {
    TempDir dir;
    std::vector<uint8_t> frame = std::vector<uint8_t>(768 * 576 * 3, 0);
    void Frame() { ProcessFrame(frame.data()); }
    void UseFile(const std::string& bytes) {
        WriteBytes(dir.File("news.txt"), bytes);
        engine.SetList(ContentList::Files, {dir.File("news.txt"), ""});
        engine.Set(&TickerSettings::StringSource, int32_t(ContentSource::TextFile));
        engine.Set(&TickerSettings::FileIdx, 0);
    }
};
