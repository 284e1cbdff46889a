#include "tests/win/plugin_harness.h"

#include <cstdio>
#include <fstream>
#include <sstream>

std::string ExeFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s = path;
    return s.substr(0, s.find_last_of('\\') + 1);
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    const size_t slash = path.find_last_of('\\');
    if (slash != std::string::npos) CreateDirectoryA(path.substr(0, slash).c_str(), nullptr);  // one level, as the plug-in does
    std::ofstream(path, std::ios::binary) << bytes;
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

int RunProcess(const std::string& commandLine, std::string* output, DWORD timeoutMs) {
    SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
    char tempDir[MAX_PATH], tempFile[MAX_PATH];
    GetTempPathA(MAX_PATH, tempDir);
    GetTempFileNameA(tempDir, "run", 0, tempFile);
    HANDLE out = CreateFileA(tempFile, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = out;
    si.hStdError = out;
    PROCESS_INFORMATION pi = {};
    std::string cmd = commandLine;
    DWORD code = DWORD(-1);
    if (CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        if (WaitForSingleObject(pi.hProcess, timeoutMs) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 99);
        GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    CloseHandle(out);
    if (output) *output = ReadFileBytes(tempFile);
    DeleteFileA(tempFile);
    return int(code);
}

Plugin::Plugin() {
    module_ = LoadLibraryA(DllPath().c_str());
    if (!module_) return;
    version_ = reinterpret_cast<PluginVersionFn>(GetProcAddress(module_, VANTREX_PLUGIN_VERSION_EXPORT));
    auto pr = reinterpret_cast<PluginDescriptorFn>(GetProcAddress(module_, VANTREX_PLUGIN_DESCRIPTOR_EXPORT));
    if (version_ && pr) descriptor_ = pr();
}

Plugin::~Plugin() {
    if (module_) FreeLibrary(module_);
}

std::string WinePath(const std::string& unixPath) {
    std::string p = "Z:" + unixPath;
    for (char& c : p)
        if (c == '/') c = '\\';
    return p;
}

namespace {

// The server's folder, as Wine sees it, with its trailing backslash.
std::string ServerFolder() {
    char file[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("SKIMROW_FEED_PORT_FILE", file, MAX_PATH)) return std::string();
    const std::string path = WinePath(file);
    return path.substr(0, path.find_last_of('\\') + 1);
}

}  // namespace

std::string FeedServer() {
    char file[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("SKIMROW_FEED_PORT_FILE", file, MAX_PATH)) return std::string();
    std::string port = ReadFileBytes(WinePath(file));
    while (!port.empty() && (port.back() == '\n' || port.back() == '\r')) port.pop_back();
    return port.empty() ? std::string() : "http://127.0.0.1:" + port;
}

std::string SecureFeedServer(const std::string& certificate) {
    std::istringstream lines(ReadFileBytes(ServerFolder() + "feed_server.tls"));
    std::string name, port;
    while (lines >> name >> port)
        if (name == certificate) return "https://127.0.0.1:" + port;
    return std::string();
}

std::string ServerSaw(const std::string& key) { return ReadFileBytes(ServerFolder() + "seen\\" + key + ".txt"); }

std::string ServeFile(const std::string& name, const std::string& bytes) {
    const std::string folder = ServerFolder() + "files\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    WriteFileBytes(folder + name, bytes);
    return FeedServer() + "/files/" + name;
}

std::string FreshKey(const std::string& name) {
    static int counter = 0;
    return name + "-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount()) + "-" +
           std::to_string(++counter);
}

void Pump(DWORD ms) {
    const DWORD end = GetTickCount() + ms;
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(1);
    } while (GetTickCount() < end);
}

void PressKey(WORD key) {
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wVk = in[1].ki.wVk = key;
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, in, sizeof(INPUT));
    Pump(80);
}
