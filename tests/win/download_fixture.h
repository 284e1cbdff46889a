// The downloader under test with a recording handler: every outcome, a
// failure's notice, the file's bytes at completion, and the log's messages.
#pragma once
#include <gtest/gtest.h>

#include <mutex>
#include <regex>
#include <string>
#include <vector>

#include "feed/downloader_win.h"
#include "tests/win/plugin_harness.h"

struct Record final : DownloadHandler {
    std::mutex lock;
    std::vector<std::u16string> notices;  // every failure's, in order
    std::vector<std::string> completions;  // the file's path, "" for any other outcome
    std::vector<std::string> bodies;   // the file's bytes at each completion
    std::vector<bool> notModified;     // the downloader's word at each completion
    bool tempExistedAtCompletion = false;
    DWORD completionThread = 0;
    std::string contentType;
    // Set: a first body is taken for a site's page that names this feed,
    // which the download fetches next (its body is the completion).
    std::string pageLeadsTo;

    void OnDownloaded(const DownloadOutcome& outcome) override {
        std::lock_guard<std::mutex> l(lock);
        if (outcome.kind == DownloadOutcome::Body && outcome.follow && !pageLeadsTo.empty()) {
            *outcome.follow = pageLeadsTo;
            return;
        }
        const std::string& path = outcome.path;
        EXPECT_EQ(path.empty(), outcome.kind != DownloadOutcome::Body);
        EXPECT_EQ(outcome.notice.empty(), outcome.kind != DownloadOutcome::Failed);
        if (outcome.kind == DownloadOutcome::Failed) notices.push_back(outcome.notice);
        completions.push_back(path);
        bodies.push_back(path.empty() ? std::string() : ReadFileBytes(path));
        notModified.push_back(outcome.kind == DownloadOutcome::NotModified);
        tempExistedAtCompletion = !path.empty() && FileExists(path);
        completionThread = GetCurrentThreadId();
        contentType = outcome.contentType;
    }
};

struct Downloads : ::testing::Test {
    Record record;
    Downloader downloader{record};
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
        downloader.OpenLog(log);
    }
    void TearDown() override { downloader.Stop(); }
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

