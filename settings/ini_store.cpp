#include "settings/ini_store.h"

#include <cstring>

#include "base/text.h"

bool IniStore::Open(Access access) {
    Close();
    cursor_ = 0;
    length_ = 0;
    if (fullPath.empty()) return false;
    if (access == Access::Write) {
        tempPath_ = fullPath + ".tmp";
        file_ = std::fopen(tempPath_.c_str(), "wb");
        writing_ = file_ != nullptr;
        writeFailed_ = false;
    } else {
        // Created when missing, never emptied; a read-only file still loads.
        file_ = std::fopen(fullPath.c_str(), "a+b");
        if (!file_) file_ = std::fopen(fullPath.c_str(), "rb");
        if (file_ && std::fseek(file_, 0, SEEK_END) == 0) {
            length_ = std::ftell(file_);
            if (length_ < 0) length_ = 0;
            std::fseek(file_, 0, SEEK_SET);
        }
    }
    return file_ != nullptr;
}

namespace {
// POSIX rename replaces in one step; a C runtime whose rename refuses an
// existing target gets it removed first (the Windows side installs its own).
bool RenameOver(const std::string& from, const std::string& to) {
    if (std::rename(from.c_str(), to.c_str()) == 0) return true;
    std::remove(to.c_str());
    return std::rename(from.c_str(), to.c_str()) == 0;
}
IniStore::FileReplacer g_replace = RenameOver;
}  // namespace

void IniStore::SetFileReplacer(FileReplacer replacer) { g_replace = replacer ? replacer : RenameOver; }

void IniStore::Close() {
    if (!file_) return;
    bool complete = !writeFailed_ && std::fflush(file_) == 0;
    complete = std::fclose(file_) == 0 && complete;
    file_ = nullptr;
    if (!writing_) return;
    writing_ = false;
    if (!complete || !g_replace(tempPath_, fullPath)) std::remove(tempPath_.c_str());
}

void IniStore::Write(const std::string& line) {
    if (std::fwrite(line.data(), 1, line.size(), file_) != line.size()) writeFailed_ = true;
}

// One line without its terminator; CR LF and LF both end a line.
bool IniStore::ReadLine(std::string& line) {
    line.clear();
    int c;
    bool any = false;
    while ((c = std::fgetc(file_)) != EOF) {
        any = true;
        if (c == '\n') break;
        line.push_back(static_cast<char>(c));
    }
    if (!any) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

// Circular scan from the section found last, visiting every line once.
bool IniStore::FindSection(const std::string& name) {
    if (!file_ || length_ == 0) return false;
    const std::string target = "[" + TrimCopy(name) + "]";
    if (cursor_ >= length_) cursor_ = 0;
    std::fseek(file_, cursor_, SEEK_SET);
    long p = cursor_;
    std::string line;
    for (;;) {
        if (!ReadLine(line)) {  // cannot happen inside the file, but never spin
            std::fseek(file_, 0, SEEK_SET);
            p = 0;
            if (p == cursor_) return false;
            continue;
        }
        if (TrimCopy(line) == target) {
            cursor_ = p;
            return true;
        }
        p = std::ftell(file_);
        if (p >= length_) {
            std::fseek(file_, 0, SEEK_SET);
            p = 0;
        }
        if (p == cursor_) return false;
    }
}

bool IniStore::ReadValue(const std::string& section, const std::string& rawKey, std::string& value) {
    const std::string key = TrimCopy(rawKey);
    if (!FindSection(section)) return false;
    std::string line;
    while (ReadLine(line)) {
        std::string text = TrimLeft(line);
        if (text.empty()) continue;
        if (text[0] == '[') return false;
        size_t eq = text.find('=');
        if (eq == std::string::npos) continue;
        if (TrimRight(text.substr(0, eq)) != key) continue;
        value = text.substr(eq + 1);
        return !value.empty();
    }
    return false;
}

void IniStore::WriteSection(const std::string& name) {
    if (!file_) return;
    Write("[" + TrimCopy(name) + "]\r\n");
}

void IniStore::WriteValue(const std::string& key, const std::string& text) {
    if (!file_) return;
    Write(TrimCopy(key) + "=" + text + "\r\n");
}

