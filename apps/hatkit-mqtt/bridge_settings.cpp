// SPDX-License-Identifier: MIT
#include "apps/hatkit-mqtt/bridge_settings.h"

#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "apps/common/files/key_value_text.h"

namespace {

constexpr std::size_t kPasswordLimit = 1024;

// The first line of the file, without its line end.
FileRead readPassword(const std::string& path, std::string* password, std::string* message)
{
    const FileRead read = readSmallFile(path.c_str(), "mqtt_password_file", kPasswordLimit, password, message);
    if (read == FileRead::ok) {
        const std::size_t end = password->find_first_of("\r\n");
        if (end != std::string::npos) password->resize(end);
    }
    return read;
}

}  // namespace

bool checkBridgeSettings(const HatkitSettings& settings, std::string* password)
{
    if (settings.mqtt.host[0] == '\0') {
        std::fputs("hatkit-mqtt: no mqtt_broker in /etc/hatkit.conf: nothing to connect to\n", stderr);
        return false;
    }
    password->clear();
    std::string message;
    // Under the unit, systemd hands the file over as a credential (empty
    // when there is none).
    std::string credential = "no credential " + std::string(kPasswordCredential);
    if (const char* credentials = std::getenv("CREDENTIALS_DIRECTORY")) {
        const std::string path = std::string(credentials) + "/" + kPasswordCredential;
        const FileRead read = readPassword(path, password, &message);
        if (read == FileRead::ok && !password->empty()) return true;
        credential = read == FileRead::ok ? "the credential " + std::string(kPasswordCredential) + " is empty"
                                          : "the credential: " + message;
    }
    if (settings.mqtt.passwordFile[0] == '\0') return true;
    message.clear();
    if (readPassword(settings.mqtt.passwordFile, password, &message) == FileRead::ok) return true;
    if (message.empty()) message = "mqtt_password_file: no such file";
    std::fprintf(stderr, "hatkit-mqtt: %s (%s; %s)\n", message.c_str(), settings.mqtt.passwordFile, credential.c_str());
    return false;
}

std::string nodeName(const HatkitSettings& settings)
{
    if (settings.mqtt.node[0] != '\0') return settings.mqtt.node;
    char host[256] = "";
    if (gethostname(host, sizeof host - 1) != 0) host[0] = '\0';
    std::string node;
    for (const char* c = host; *c != '\0' && node.size() < 63; ++c) {
        const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(*c)));
        if ((lower >= 'a' && lower <= 'z') || (lower >= '0' && lower <= '9') || lower == '_' || lower == '-') {
            node += lower;
        }
    }
    return node.empty() ? "pi" : node;
}
