// SPDX-License-Identifier: MIT
// /etc/hatkit.conf changed in place for `hatkit set` and `hatkit unset`:
// one key's line replaced, added or removed, every comment, blank line and
// other key left where it was. Plain text in, text out.
#pragma once

#include <string>
#include <vector>

// The text with KEY's line set to "KEY = VALUE" (its indentation and a
// comment after it kept; a line added at the end when there is none), or
// removed when value is null. Later lines of the same key (a file the
// programs would refuse) go. *changedLines counts the lines touched.
std::string settingsWith(const std::string& text, const std::string& key, const std::string* value, int* changedLines);

// The units that read a key and take it on reload.
std::vector<std::string> unitsReading(const std::string& key);
