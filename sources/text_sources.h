// The independent-strings source and the text-file source: the messages of
// the list entry at `index`, built without any lock.
#pragma once
#include <cstdint>

#include "settings/ticker_settings.h"
#include "sources/message_list.h"

// One message; an index off the list shows one empty message.
void BuildStringMessages(const StringList& strings, int32_t index, MessageList& out);
// One message per line (LF or CR LF; empty lines kept); "Файл не найден"
// when the file cannot be opened. The file is UTF-16 or UTF-8 after a
// byte-order mark, UTF-8 when its bytes are and hold more than ASCII, else
// in the ANSI code page.
void BuildFileMessages(const StringList& files, int32_t index, MessageList& out);
