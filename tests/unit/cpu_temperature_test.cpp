// SPDX-License-Identifier: MIT
#include "board/cpu_temperature.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>

#include "tests/support/recording_platform.h"

namespace {

TemperatureReading readWith(const std::string& content, int limit = 32)
{
    recording::putFile(kThermalZonePath, content);
    return readCpuTemperature(limit);
}

TEST(CpuTemperature, MillidegreesBecomeDegrees)
{
    EXPECT_EQ(readWith("475\n").status, TemperatureStatus::ok);
    EXPECT_DOUBLE_EQ(readWith("475\n").degrees, 0.475);
    EXPECT_DOUBLE_EQ(readWith("-500\n").degrees, -0.5);
    EXPECT_DOUBLE_EQ(readWith("47236\n").degrees, 47.236);
    EXPECT_DOUBLE_EQ(readWith("  \t+52000 trailing").degrees, 52.0);
}

TEST(CpuTemperature, ContentWithoutANumberIsAReadFailure)
{
    for (const char* content : {"", "abc", "-", "+", "   \n", " - 5", "\x01\x02"}) {
        const TemperatureReading reading = readWith(content);
        EXPECT_EQ(reading.status, TemperatureStatus::readFailed) << "content '" << content << "'";
        EXPECT_EQ(reading.degrees, 0.0);
    }
}

TEST(CpuTemperature, ReadIsCutAtTheLimit)
{
    EXPECT_DOUBLE_EQ(readWith("123456789\n", 4).degrees, 1.234);
    EXPECT_DOUBLE_EQ(readWith("55000\n", 20).degrees, 55.0);
    // A limit outside 1..32 is held to that range, never past the store.
    EXPECT_DOUBLE_EQ(readWith("9876\n", 0).degrees, 0.009);
    EXPECT_DOUBLE_EQ(readWith(std::string(40, '1'), 1000).degrees, INT32_MAX / 1000.0);
}

TEST(CpuTemperature, HugeNumbersSaturate)
{
    EXPECT_DOUBLE_EQ(readWith("99999999999999\n").degrees, INT32_MAX / 1000.0);
    EXPECT_DOUBLE_EQ(readWith("-99999999999999\n").degrees, INT32_MIN / 1000.0);
    EXPECT_DOUBLE_EQ(readWith("2147483647\n").degrees, 2147483.647);
    EXPECT_DOUBLE_EQ(readWith("-2147483648\n").degrees, -2147483.648);
    EXPECT_DOUBLE_EQ(readWith("2147483648\n").degrees, INT32_MAX / 1000.0);
}

// The lowest free descriptor: it moves up when a reading leaves a file open.
int lowestFreeDescriptor()
{
    const int fd = dup(0);
    close(fd);
    return fd;
}

TEST(CpuTemperature, BinaryContentNeverCrashesNorLeavesTheFileOpen)
{
    const int freeBefore = lowestFreeDescriptor();
    std::string noise(32, '\0');
    for (int seed = 0; seed < 256; ++seed) {
        for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<char>((seed * 31 + i * 7) & 0xFF);
        const TemperatureReading reading = readWith(noise);
        EXPECT_TRUE(reading.status == TemperatureStatus::ok || reading.status == TemperatureStatus::readFailed);
    }
    recording::putFolder(kThermalZonePath);
    EXPECT_EQ(readCpuTemperature(20).status, TemperatureStatus::readFailed);
    EXPECT_EQ(lowestFreeDescriptor(), freeBefore);
}

TEST(CpuTemperature, MissingFileIsAnOpenFailureAndRecovers)
{
    recording::removeFile(kThermalZonePath);
    const TemperatureReading missing = readCpuTemperature(20);
    EXPECT_EQ(missing.status, TemperatureStatus::openFailed);
    EXPECT_EQ(missing.degrees, 0.0);
    EXPECT_DOUBLE_EQ(readWith("41000\n").degrees, 41.0);
}

TEST(CpuTemperature, UnreadableFileIsAReadFailure)
{
    recording::putFolder(kThermalZonePath);
    EXPECT_EQ(readCpuTemperature(20).status, TemperatureStatus::readFailed);
    recording::removeFile(kThermalZonePath);
}

TEST(ParseMillidegrees, StopsAtTheGivenLengthNotAtATerminator)
{
    int32_t value = 0;
    ASSERT_TRUE(parseMillidegrees("12345", 3, &value));
    EXPECT_EQ(value, 123);
    EXPECT_FALSE(parseMillidegrees("12345", 0, &value));
}

}  // namespace
