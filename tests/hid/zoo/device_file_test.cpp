// Device files as users paste them: what parses, what is refused and why.
#include <gtest/gtest.h>

#include "client/device_file.h"

using vwheel::DeviceFile;

namespace {

const char kHead[] = "vid 0x1209\npid 22273\nname Some Wheel\ndescriptor\n";

struct Accepted {
    const char *text;
    std::vector<uint8_t> descriptor;
};

class AcceptedFile : public ::testing::TestWithParam<Accepted> {};

TEST_P(AcceptedFile, GivesTheDescriptorsBytes)
{
    DeviceFile device;
    std::string error;
    ASSERT_TRUE(vwheel::parse_device_file(std::string(kHead) + GetParam().text, &device, &error)) << error;
    EXPECT_EQ(device.vendor_id, 0x1209);
    EXPECT_EQ(device.product_id, 22273);
    EXPECT_EQ(device.name, "Some Wheel");
    EXPECT_EQ(device.descriptor, GetParam().descriptor);
}

// One descriptor as each dump tool prints it (the text columns hold "#",
// which starts a comment, and "|").
const std::vector<uint8_t> kDumped = {0x05, 0x01, 0x09, 0x04, 0xa1, 0x01, 0x85, 0x01, 0x09, 0x30, 0x15, 0x00, 0x27,
                                      0xff, 0xff, 0x00, 0x00, 0x75, 0x10, 0x95, 0x01, 0x81, 0x02, 0x05, 0x09, 0x19,
                                      0x01, 0x29, 0x08, 0x25, 0x01, 0x75, 0x01, 0x95, 0x08, 0x81, 0x02, 0xc0};

INSTANTIATE_TEST_SUITE_P(Dumped, AcceptedFile, ::testing::Values(
    Accepted{"00000000: 0501 0904 a101 8501 0930 1500 27ff ff00  .........0..'...\n"
             "00000010: 0075 1095 0181 0205 0919 0129 0825 0175  .u..#......).%.u\n"
             "00000020: 0195 0881 02c0                           ..  ..\n", kDumped},
    Accepted{"00000000  05 01 09 04 a1 01 85 01  09 30 15 00 27 ff ff 00  |.........0..'...|\n"
             "00000010  00 75 10 95 01 81 02 05  09 19 01 29 08 25 01 75  |.u..#......).%.u|\n"
             "00000020  01 95 08 81 02 c0                                 |.. 0a|\n"
             "00000026\n", kDumped},
    Accepted{"000000 05 01 09 04 a1 01 85 01 09 30 15 00 27 ff ff 00\n"
             "000010 00 75 10 95 01 81 02 05 09 19 01 29 08 25 01 75\n"
             "000020 01 95 08 81 02 c0\n"
             "000026\n", kDumped},
    Accepted{"# Some Wheel\n"
             "# 0x05, 0x01,                    // Usage Page (Generic Desktop)        0\n"
             "R: 38 05 01 09 04 a1 01 85 01 09 30 15 00 27 ff ff 00 00 75 10 95 01 81 02 05 09 19 01 29 08 25 01 75 "
             "01 95 08 81 02 c0\n"
             "N: Some Wheel\n"
             "I: 3 1209 5701\n", kDumped}));

INSTANTIATE_TEST_SUITE_P(Pasted, AcceptedFile, ::testing::Values(
    Accepted{"05 01 09 04\na1 01 c0\n", {0x05, 0x01, 0x09, 0x04, 0xa1, 0x01, 0xc0}},
    Accepted{"05 01   # Usage Page\n# a whole line\nA1 01 C0\n", {0x05, 0x01, 0xa1, 0x01, 0xc0}},
    Accepted{"001:004:000:DESCRIPTOR         1357913579.123456\n 05 01 A1 01 C0\n", {0x05, 0x01, 0xa1, 0x01, 0xc0}},
    Accepted{"0x05, 0x01,\n0xA1,0x01, 0xc0\n", {0x05, 0x01, 0xa1, 0x01, 0xc0}},
    Accepted{"a1 01 14 34 c0\n", {0xa1, 0x01, 0x14, 0x34, 0xc0}}));

struct Refused {
    const char *text;
    const char *error;
};

class RefusedFile : public ::testing::TestWithParam<Refused> {};

TEST_P(RefusedFile, SaysWhy)
{
    DeviceFile device;
    std::string error;
    EXPECT_FALSE(vwheel::parse_device_file(GetParam().text, &device, &error));
    EXPECT_NE(error.find(GetParam().error), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(Broken, RefusedFile, ::testing::Values(
    Refused{"pid 1\nname x\ndescriptor\nc0\n", "missing vid"},
    Refused{"vid 1\npid 1\nname x\n", "missing the descriptor"},
    Refused{"vid 1\npid 1\nname x\ndescriptor\n", "missing the descriptor"},
    Refused{"vid 0x10000\npid 1\nname x\ndescriptor\nc0\n", "line 1: vid needs a number"},
    Refused{"vid 1\npid -1\nname x\ndescriptor\nc0\n", "line 2: pid needs a number"},
    Refused{"vid 1\npid 1\nname x\ndescriptor\n05 1\n", "line 5: \"1\" is not a byte"},
    Refused{"vid 1\npid 1\nname x\ndescriptor\n05 0g\n", "\"0g\" is not a byte"},
    Refused{"vid 1\npid 1\nname x\nwheel yes\ndescriptor\nc0\n", "line 4: unknown field \"wheel\""},
    Refused{"vid 1\npid 1\nname x\nkind car\ndescriptor\nc0\n", "kind is one of"},
    Refused{"vid 1\npid 1\nname x\nblocks 41\ndescriptor\nc0\n", "blocks needs a number from 1 to 40"},
    Refused{"vid 1\npid 1\nname x\ndescriptor\na1 01\n", "1 collection(s) never ended"},
    Refused{"vid 1\npid 1\nname x\ndescriptor\nc0\n", "byte 0 ends a collection that was never begun"},
    Refused{"vid 1\npid 1\nname x\ndescriptor\n05 01 26 ff\n", "the item at byte 2 runs past the end"},
    Refused{"vid 1\npid 1\nname x\ndescriptor\n0000000 0105 01a1 00c0\n", "line 5: \"0105\" is a 16-bit word"},
    Refused{"vid 1\npid 1\nname x\ndescriptor\n000000 a1 01\n*\n000020 c0\n", "line 6: \"*\" stands for lines"},
    Refused{"vid 1\npid 1\nname x\ndescriptor\nR: 4 a1 01 c0\n", "R: says 4 bytes, and 3 follow"},
    Refused{"vid 1\npid 1\nname x\ndescriptor\nR: 3 a1 01 c0\nR: 1 c0\n", "line 6: a second descriptor"}));

TEST(DeviceFileName, IsTheFileNameWithoutFolderAndExtension)
{
    EXPECT_EQ(vwheel::device_name_of("devices/zoo/openffboard-wheel.vhid"), "openffboard-wheel");
    EXPECT_EQ(vwheel::device_name_of("C:\\users\\me\\My_Wheel2.vhid"), "My_Wheel2");
    EXPECT_EQ(vwheel::device_name_of("wheel"), "wheel");
    EXPECT_EQ(vwheel::device_name_of("my wheel.vhid"), "") << "a name the control channel cannot carry";
    EXPECT_EQ(vwheel::device_name_of("dir/.vhid"), "");
}

} // namespace
