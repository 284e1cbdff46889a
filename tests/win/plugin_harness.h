// Loads the plug-in DLL fresh for each test, as a host does, and offers the
// file and process helpers the black-box tests share.
#pragma once
#include <windows.h>

#include <string>

#include "include/vantrex_plugin.h"

std::string ExeFolder();
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);
// Runs a command line, waits, returns the exit code; stderr+stdout go to `output`.
int RunProcess(const std::string& commandLine, std::string* output = nullptr, DWORD timeoutMs = 60000);

class Plugin {
public:
    Plugin();
    ~Plugin();
    bool loaded() const { return module_ != nullptr && descriptor_ != nullptr; }
    int32_t Version() const { return version_(); }
    PluginDescriptor* Descriptor() const { return descriptor_; }
    PluginDescriptor* operator->() const { return descriptor_; }

    static std::string DllPath() { return ExeFolder() + "Mivra_Skimrow.dll"; }
    static std::string IniPath() { return ExeFolder() + "Plugins\\Mivra_Skimrow.ini"; }

private:
    HMODULE module_ = nullptr;
    PluginVersionFn version_ = nullptr;
    PluginDescriptor* descriptor_ = nullptr;
};

// Dispatches this thread's messages for `ms` milliseconds, as a host's loop
// does (no IsDialogMessage).
void Pump(DWORD ms = 30);
// One key pressed and released through SendInput, then 80 ms of messages.
void PressKey(WORD key);

// "http://127.0.0.1:PORT" of the test feed server (empty when it is not running).
std::string FeedServer();
// "https://127.0.0.1:PORT" of its HTTPS listener with the server certificate
// `certificate` (good, untrusted, untrusted_chain, wronghost, expired).
std::string SecureFeedServer(const std::string& certificate);
// What the server saw of the requests made under `key` (paths /k/KEY/...):
// each request line with its headers, a blank line after each.
std::string ServerSaw(const std::string& key);
// Puts `bytes` where the server serves them, FeedServer() + "/files/" + name,
// and returns that address.
std::string ServeFile(const std::string& name, const std::string& bytes);
// A key no earlier request of this test run used.
std::string FreshKey(const std::string& name);
// A Unix path as Wine sees it.
std::string WinePath(const std::string& unixPath);
