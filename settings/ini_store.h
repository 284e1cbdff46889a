// The plug-in's own INI reader and writer.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

class IniStore {
public:
    IniStore() = default;
    ~IniStore() { Close(); }
    IniStore(const IniStore&) = delete;
    IniStore& operator=(const IniStore&) = delete;

    // Writing goes to a temporary file beside the settings file; Close puts
    // it in the settings file's place only when all of it was written, so a
    // failed save leaves the previous file as it was.
    enum class Access { Read, Write };
    bool Open(Access access);
    void Close();
    bool IsOpen() const { return file_ != nullptr; }

    bool FindSection(const std::string& name);
    bool ReadValue(const std::string& section, const std::string& key, std::string& value);

    void WriteSection(const std::string& name);
    void WriteValue(const std::string& key, const std::string& text);

    // The file read and written; empty: none (every read misses, nothing is saved).
    std::string fullPath;

    // Replaces `to` by `from` in one step; the platform's own on Windows.
    using FileReplacer = bool (*)(const std::string& from, const std::string& to);
    static void SetFileReplacer(FileReplacer replacer);

private:
    bool ReadLine(std::string& line);
    void Write(const std::string& line);

    std::FILE* file_ = nullptr;
    bool writing_ = false;
    bool writeFailed_ = false;
    std::string tempPath_;
    long length_ = 0;
    long cursor_ = 0;
};
