// The soak's host: the windows of the host's classes, a video thread that
// hands frames to the plug-in, the plug-in loaded as a host loads it, and
// the small file and message helpers the cycles use.
#pragma once
#include <windows.h>

#include <atomic>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "include/vantrex_plugin.h"

constexpr int kFrameWidth = 720, kFrameHeight = 576;

std::string ExeFolder();
std::string FullPath(const std::string& path);  // relative paths are taken from the program's folder
[[noreturn]] void Fail(const char* format, ...);

// Every cycle says what it does; one that takes a minute ends the soak.
void SetVerbose(bool on);
void Trace(const char* what);
void StartWatchdog();

void Pump(DWORD ms);  // dispatches this thread's messages for `ms` milliseconds

// Files through the system's calls, so that no buffer of the C runtime
// stays on the heap between two counts. The text read is NUL-terminated.
bool ReadSmallFile(const std::string& path, char* buffer, DWORD size);
void WriteSmallFile(const std::string& path, const char* text);

std::set<std::string> ImportedDlls(const std::string& path);  // lower-cased names
std::string Join(const std::set<std::string>& names);
std::string FeedServer();  // "http://127.0.0.1:PORT" of the test feed server, or empty

class Host {
public:
    Host();
    ~Host();
    HWND Main() const { return main_; }

    // Frames reach `plugin` until Pause; Pause returns once no frame is inside it.
    void Play(PluginDescriptor* plugin) { live_ = plugin; }
    void Pause();
    void WaitFrames(long n);

private:
    void VideoLoop();

    HWND main_ = nullptr, frameWindow_ = nullptr, video_ = nullptr;
    std::vector<uint8_t> frame_;
    std::atomic<PluginDescriptor*> live_{nullptr};
    std::atomic<bool> busy_{false}, quit_{false};
    std::atomic<long> frames_{0};
    std::thread thread_;
};

// The DLL loaded for as long as the object lives.
class Plugin {
public:
    explicit Plugin(const std::string& path);
    ~Plugin() { FreeLibrary(module_); }
    Plugin(const Plugin&) = delete;
    Plugin& operator=(const Plugin&) = delete;
    PluginDescriptor* operator->() const { return descriptor_; }
    PluginDescriptor* Descriptor() const { return descriptor_; }
    static long Loads();  // so far, in this process

private:
    HMODULE module_;
    PluginDescriptor* descriptor_;
};
