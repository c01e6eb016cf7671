// The stand-in's control folder, the road a test of a whole program takes:
// commands appended to "commands.txt" reach the devices, and "log.txt"
// records what the devices did.
#include "midi/MidiInDevice.h"
#include "midi/MidiOut.h"

#include "MidiTestSupport.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

} // namespace

TEST(StandinControlFile, CommandsFromTheFileReachTheDevicesAndTheLogRecordsThem)
{
    const char* folderVariable = std::getenv("TEV_STANDIN_CONTROL");
    if (!folderVariable)
        GTEST_SKIP() << "runs with TEV_STANDIN_CONTROL set (see tests/standin/README.md)";
    std::string folder = folderVariable;
    if (folder.back() != '/' && folder.back() != '\\')
        folder += '/';
    ::CreateDirectoryA(folder.c_str(), nullptr);
    ::DeleteFileA((folder + "commands.txt").c_str());
    ::DeleteFileA((folder + "log.txt").c_str());
    CMessageBoxRecorder boxes;
    // A line left from an earlier run is not run again.
    std::ofstream(folder + "commands.txt", std::ios::binary) << "stale\n";

    // The driver starts reading the folder, at its end, when the first
    // device opens.
    CMidiInDevice in("Standin MIDI In 2");
    ASSERT_TRUE(in.Open());
    CRecordingPort port;
    in.AddListener(&port);
    CMidiOutDevice out("Standin MIDI Out 2");
    ASSERT_TRUE(out.Open());
    {
        std::ofstream commands(folder + "commands.txt", std::ios::binary | std::ios::app);
        commands << "baud 0\nshort 1 B0 07 64\nnonsense\n";
    }
    ASSERT_TRUE(PumpUntil([&] { return !port.received.empty(); }, 3000));
    EXPECT_EQ(port.received[0], (Bytes{0xB0, 0x07, 0x64}));
    EXPECT_TRUE(out.Send({0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7}));
    in.Close();
    out.Close();
    const std::string log = ReadFile(folder + "log.txt");
    for (const char* line : {"open in 1\n", "done: short 1 B0 07 64\n", "in 1 B0 07 64\n", "refused: nonsense\n",
                             "out 1 F0 7E 7F 06 01 F7\n", "close in 1\n", "close out 1\n"})
        EXPECT_NE(log.find(line), std::string::npos) << line << " in\n" << log;
    EXPECT_EQ(log.find("stale"), std::string::npos) << log;
    EXPECT_TRUE(CMessageBoxRecorder::Texts().empty());
}
