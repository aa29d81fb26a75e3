// SPDX-License-Identifier: MIT
// The settings parser on any bytes: /etc/hatkit.conf is edited by hand. A
// file is either taken whole, with every value within its range, or
// refused with the line named and the settings left as they were.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "apps/common/files/hatkit_conf.h"

namespace {

bool terminated(const char* text, std::size_t size) { return std::memchr(text, '\0', size) != nullptr; }

bool sound(const HatkitSettings& s)
{
    if (s.fanThresholdsSet && !(s.fanThresholds.offAt < s.fanThresholds.onAt && s.fanThresholds.offAt >= 0.0 &&
                                s.fanThresholds.onAt <= 100.0)) {
        return false;
    }
    if (s.displayContrast < 0 || s.displayContrast > 255) return false;
    if (s.quietHoursSet && (s.quietStartMinute < 0 || s.quietStartMinute >= 1440 || s.quietEndMinute < 0 ||
                            s.quietEndMinute >= 1440 || s.quietStartMinute == s.quietEndMinute)) {
        return false;
    }
    if (s.interfaceCount < 0 || s.interfaceCount > kMaxAddressInterfaces) return false;
    for (int i = 0; i < s.interfaceCount; ++i) {
        if (!terminated(s.interfaces[i], kInterfaceNameSize) || s.interfaces[i][0] == '\0') return false;
    }
    if (!terminated(s.metricsDir, kMetricsDirSize)) return false;
    const MqttSettings& m = s.mqtt;
    for (const char* file : {m.passwordFile, m.caFile, m.certFile, m.keyFile}) {
        if (!terminated(file, kPathSize) || (file[0] != '\0' && file[0] != '/')) return false;
    }
    if (!terminated(m.host, kPathSize) || m.port < 0 || m.port > 65535 || (m.certFile[0] != '\0') != (m.keyFile[0] != '\0')) {
        return false;
    }
    return s.metricsDir[0] == '\0' || s.metricsDir[0] == '/';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A copy of exactly `size` bytes, so any read past it is caught.
    const std::vector<char> text(data, data + size);
    HatkitSettings settings;
    settings.displayContrast = 7;  // a mark that only a good file may change
    std::string message;
    if (parseSettings(text.data(), text.size(), &settings, &message)) {
        if (!sound(settings) || !message.empty()) std::abort();
    } else {
        if (message.rfind("hatkit.conf line ", 0) != 0 || settings.displayContrast != 7) std::abort();
    }
    return 0;
}
