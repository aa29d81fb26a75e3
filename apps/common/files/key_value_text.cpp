// SPDX-License-Identifier: MIT
#include "apps/common/files/key_value_text.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/system_files.h"

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string trimmed(const char* begin, const char* end)
{
    while (begin < end && isBlank(*begin)) ++begin;
    while (end > begin && isBlank(end[-1])) --end;
    return std::string(begin, end);
}

}  // namespace

std::string lineMessage(const char* name, int line, const std::string& why)
{
    return std::string(name) + " line " + std::to_string(line) + ": " + why;
}

bool forEachPair(const char* text, std::size_t length, const char* name, const PairHandler& onPair, std::string* message)
{
    int lineNumber = 0;
    const char* end = text + length;
    for (const char* line = text; line < end;) {
        const char* lineEnd = static_cast<const char*>(std::memchr(line, '\n', static_cast<std::size_t>(end - line)));
        if (lineEnd == nullptr) lineEnd = end;
        ++lineNumber;
        const char* next = lineEnd < end ? lineEnd + 1 : end;
        if (std::memchr(line, '\0', static_cast<std::size_t>(lineEnd - line)) != nullptr) {
            *message = lineMessage(name, lineNumber, "holds a NUL byte");
            return false;
        }
        // A comment runs from '#' to the line end; no value holds a '#'.
        const char* hash = static_cast<const char*>(std::memchr(line, '#', static_cast<std::size_t>(lineEnd - line)));
        const std::string content = trimmed(line, hash != nullptr ? hash : lineEnd);
        line = next;
        if (content.empty()) continue;

        const std::size_t equals = content.find('=');
        if (equals == std::string::npos) {
            *message = lineMessage(name, lineNumber, "expected 'key = value', got '" + content + "'");
            return false;
        }
        const std::string key = trimmed(content.data(), content.data() + equals);
        const std::string value = trimmed(content.data() + equals + 1, content.data() + content.size());
        std::string why;
        if (!onPair(lineNumber, key, value, &why)) {
            *message = lineMessage(name, lineNumber, why);
            return false;
        }
    }
    return true;
}

FileRead readSmallFile(const char* path, const char* name, std::size_t limit, std::string* content, std::string* message)
{
    const int fd = openSystemFile(path);
    if (fd < 0) {
        if (errno == ENOENT) return FileRead::missing;
        *message = std::string(name) + ": " + std::strerror(errno);
        return FileRead::failed;
    }
    content->clear();
    char chunk[4096];
    FileRead result = FileRead::ok;
    while (true) {
        const ssize_t got = read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            *message = std::string(name) + ": " + std::strerror(errno);
            result = FileRead::failed;
            break;
        }
        if (got == 0) break;
        content->append(chunk, static_cast<std::size_t>(got));
        if (content->size() > limit) {
            *message = std::string(name) + ": larger than " + std::to_string(limit / 1024) + " KiB, not a settings file";
            result = FileRead::failed;
            break;
        }
    }
    close(fd);
    return result;
}
