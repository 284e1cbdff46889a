// The independent-strings source and the text-file source: the messages of
// one list entry, built without any lock. A null entry is an index off its
// list (a hand-edited file).
#pragma once
#include <cstdint>

#include <string>

#include "text/message_list.h"

// One message; no entry shows one empty message.
void BuildStringMessages(const std::string* entry, MessageList& out);
// One message per line (LF or CR LF; empty lines kept); "Файл не найден"
// when the file cannot be opened. The file is UTF-16 or UTF-8 after a
// byte-order mark, UTF-8 when its bytes are and hold more than ASCII, else
// in the ANSI code page.
void BuildFileMessages(const std::string* path, MessageList& out);
