// The downloader under test with recording callbacks: every status, level,
// completion, the file's bytes at completion, and the log's messages.
#pragma once
#include <gtest/gtest.h>

#include <mutex>
#include <regex>
#include <string>
#include <vector>

#include "sources/downloader_win.h"
#include "tests/win/plugin_harness.h"

struct Record {
    std::mutex lock;
    std::vector<std::u16string> statuses;
    std::vector<int32_t> levels;
    std::vector<std::string> completions;
    std::vector<std::string> bodies;   // the file's bytes at each completion
    std::vector<bool> notModified;     // the downloader's word at each completion
    bool tempExistedAtCompletion = false;
    DWORD completionThread = 0;
    std::string contentType;
};
inline Record* g_record = nullptr;

inline void OnStatus(Downloader::Job*, const std::u16string& text, int32_t level) {
    std::lock_guard<std::mutex> l(g_record->lock);
    g_record->statuses.push_back(text);
    g_record->levels.push_back(level);
}

inline void OnComplete(Downloader::Job* job, const std::string& path) {
    std::lock_guard<std::mutex> l(g_record->lock);
    g_record->completions.push_back(path);
    g_record->bodies.push_back(path.empty() ? std::string() : ReadFileBytes(path));
    g_record->notModified.push_back(Downloader::NotModified(job));
    g_record->tempExistedAtCompletion = !path.empty() && FileExists(path);
    g_record->completionThread = GetCurrentThreadId();
    g_record->contentType = Downloader::ContentType(job);
}

struct Downloads : ::testing::Test {
    Record record;
    Downloader downloader;
    std::string log = ExeFolder() + "downloader_test.log";
    std::string base = FeedServer();
    void SetUp() override {
        ASSERT_FALSE(base.empty()) << "the feed server is not running";
        // Files left by processes that ended in mid-download (other tests kill theirs).
        WIN32_FIND_DATAA d;
        HANDLE h = FindFirstFileA((downloader.tempDir() + "Tmp_*").c_str(), &d);
        if (h != INVALID_HANDLE_VALUE) {
            do DeleteFileA((downloader.tempDir() + d.cFileName).c_str());
            while (FindNextFileA(h, &d));
            FindClose(h);
        }
        g_record = &record;
        downloader.OpenLog(log);
        downloader.SetCompleteCallback(OnComplete);
        downloader.SetStatusCallback(OnStatus);
    }
    void TearDown() override {
        downloader.Stop();
        g_record = nullptr;
    }
    // Runs one download to its end.
    void Fetch(const std::string& url, bool userRun = true) {
        downloader.Download(url, userRun);  // a previous worker has finished, or given up, when this returns
        size_t seen;
        {
            std::lock_guard<std::mutex> l(record.lock);
            seen = record.completions.size();
        }
        for (int i = 0; i < 600; ++i) {
            {
                std::lock_guard<std::mutex> l(record.lock);
                if (record.completions.size() > seen) break;
            }
            Sleep(50);
        }
        downloader.Stop();
    }
    // The log's messages without their time prefixes, which must all be well formed.
    std::vector<std::string> LogMessages() {
        std::vector<std::string> out;
        const std::string text = ReadFileBytes(log);
        const std::regex line("(\\d\\d):(\\d\\d):(\\d\\d)\\.(\\d\\d\\d) - (.*)\r");
        size_t start = 0;
        while (start < text.size()) {
            const size_t end = text.find('\n', start);
            const std::string l = text.substr(start, end - start);
            std::smatch m;
            EXPECT_TRUE(std::regex_match(l, m, line)) << l;
            if (m.size() == 6) out.push_back(m[5]);
            start = end == std::string::npos ? text.size() : end + 1;
        }
        return out;
    }
    bool TempFilesLeft() {
        WIN32_FIND_DATAA d;
        HANDLE h = FindFirstFileA((downloader.tempDir() + "Tmp_*").c_str(), &d);
        if (h == INVALID_HANDLE_VALUE) return false;
        FindClose(h);
        return true;
    }
};

