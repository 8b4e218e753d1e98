#include <gtest/gtest.h>

#include <string>

#include "diagnostics/CrashRecord.h"

namespace kelvra::test {

namespace {

const std::string whole =
    "kelvra-crash 1\n"
    "signal 11\n"
    "address 0x10\n"
    "time 1700000000\n"
    "version 1.2.3\n"
    "build 45\n"
    "arch x86_64\n"
    "os Linux 6.1.0-13-amd64\n"
    "newer thing\n"  // a key of a later version: skipped
    "frame 0x1a2b 0badc0de /usr/bin/kelvra\n"
    "frame 0x7f00 - /usr/lib/x86_64-linux-gnu/lib with space.so\n"
    "frame 0xdead - -\n"
    "end\n";

}  // namespace

// A record without a signal is read too: the reporter test sends one.
TEST(CrashRecordTest, ReadsAWholeRecord) {
    auto record = parseCrashRecord(whole);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->signal, 11);
    EXPECT_EQ(record->faultAddress, 0x10u);
    EXPECT_EQ(record->time, 1700000000);
    EXPECT_EQ(record->version, "1.2.3");
    EXPECT_EQ(record->os, "Linux 6.1.0-13-amd64");
    ASSERT_EQ(record->frames.size(), 3u);
    EXPECT_EQ(record->frames[0].offset, 0x1a2bu);
    EXPECT_EQ(record->frames[0].buildID, "0badc0de");
    EXPECT_EQ(record->frames[1].module, "/usr/lib/x86_64-linux-gnu/lib with space.so");
    EXPECT_EQ(record->frames[1].buildID, "");
    EXPECT_EQ(record->frames[2].module, "");
}

TEST(CrashRecordTest, RefusesDamagedRecords) {
    const std::string cases[] = {
        "",
        "kelvra-crash 2\nend\n",                       // another format
        whole.substr(0, whole.size() - 4),             // cut before the end
        whole.substr(0, whole.size() - 1),             // the last line unfinished
        whole + "frame 0x1 - x\n",                     // something after the end
        "kelvra-crash 1\nsignal eleven\nend\n",        // not a number
        "kelvra-crash 1\nsignal 0\nend\n",             // no such signal
        "kelvra-crash 1\naddress 16\nend\n",           // not hexadecimal
        "kelvra-crash 1\nframe 0x1 XYZ /lib\nend\n",   // build id not hex
        "kelvra-crash 1\nframe 0x1 -\nend\n",          // no module
        "kelvra-crash 1\nframe nothex - /lib\nend\n",  // bad offset
        "kelvra-crash 1\nbarekey\nend\n",              // a line without a value
        std::string("kelvra-crash 1\n") + std::string(300 * 1024, 'x') + "\nend\n",
    };
    for (const auto& text : cases) {
        EXPECT_FALSE(parseCrashRecord(text)) << text.substr(0, 80);
    }
}

}  // namespace kelvra::test
