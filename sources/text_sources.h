// The independent-strings source and the text-file source: the messages of
// one list entry, built without any lock. A null entry is an index off its
// list (a hand-edited file).
#pragma once
#include <cstdint>
#include <string>
#include <utility>

#include "base/stop_signal.h"
#include "text/message_list.h"

// One message; no entry shows one empty message.
void BuildStringMessages(const std::string* entry, MessageList& out);
// One message per line (LF or CR LF; empty lines kept); "Файл не найден"
// when the file cannot be opened. The file is UTF-16 or UTF-8 after a
// byte-order mark, UTF-8 when its bytes are and hold more than ASCII, else
// in the ANSI code page.
void BuildFileMessages(const std::string* path, MessageList& out);
// The messages of a text file's bytes, decoded as above.
void BuildTextMessages(const std::string& bytes, MessageList& out);

// A running line's text file, looked at again while the line runs: its
// write time and size tell a change, and a read is trusted only when they
// are the same after it. The file system comes through FileProbe (the
// Windows services' on the DLL's side, fakes in the tests).
struct FileStamp {
    bool exists = false;
    uint64_t writeTime = 0;
    uint64_t size = 0;
    bool operator==(const FileStamp& o) const { return exists == o.exists && writeTime == o.writeTime && size == o.size; }
};

class FileProbe {
public:
    // A missing file is a stamp with `exists` false.
    virtual FileStamp Stamp(const std::string& path) = 0;
    // False when the file cannot be opened or read (a writer holds it locked).
    virtual bool Read(const std::string& path, std::string& bytes) = 0;

protected:
    ~FileProbe() = default;
};

class TextFileWatch {
public:
    TextFileWatch(std::string path, const FileStamp& seen) : path_(std::move(path)), seen_(seen) {}
    // True with the file's messages in `out` when it changed since the last
    // read and was read whole. A file that is gone keeps what is on air; one
    // that is locked or changes while it is read is tried at the next look.
    bool Look(FileProbe& probe, MessageList& out);
    const std::string& Path() const { return path_; }

private:
    std::string path_;
    FileStamp seen_;
};
