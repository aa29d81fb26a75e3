// SPDX-License-Identifier: MIT
// The "key = value" form that /etc/hatkit.conf, the board programs' state
// files and the bridge's command file share: one pair a line, '#' to the
// line end a comment, blanks around key and value dropped, blank lines
// skipped. One reader for all of them.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

// Called for each pair, with its line number; false with *why stops the
// reading.
using PairHandler = std::function<bool(int line, const std::string& key, const std::string& value, std::string* why)>;

// Reads `text`, named `name` in messages. False on the first line that is
// not a pair (or holds a NUL byte), or that onPair refuses, with
// "NAME line N: why" in *message.
bool forEachPair(const char* text, std::size_t length, const char* name, const PairHandler& onPair, std::string* message);

// "NAME line N: why"
std::string lineMessage(const char* name, int line, const std::string& why);

enum class FileRead { ok, missing, failed };

// Reads a file through the platform seam, whole, up to `limit` bytes.
// failed with "NAME: why" in *message (a larger file too).
FileRead readSmallFile(const char* path, const char* name, std::size_t limit, std::string* content,
                       std::string* message);
