// Display columns of UTF-8 text: how wide a fixed-pitch terminal or editor
// shows it (wcwidth in a UTF-8 locale, whatever the process's own locale).
// Most characters take one column, East Asian wide ones two, combining marks
// and zero-width characters none. A byte that does not belong to a valid
// UTF-8 sequence and a control character take one column each, as the text
// writer passes them on unchanged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// The columns text takes.
uint64_t displayWidth(std::string_view text);

// The longest start of text that fits in columns, never ending inside a
// character: its length in bytes. *used, when given, gets its columns (less
// than columns when a wide character did not fit).
size_t displayPrefix(std::string_view text, uint64_t columns, uint64_t* used = nullptr);
