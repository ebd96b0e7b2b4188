// quib-run end to end: the stop conditions, the exit statuses and the memory dump.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

struct TRunResult {
    int status;
    std::string output;
};

TRunResult RunQuibRun(const std::string& arguments) {
    const std::filesystem::path output = std::filesystem::path(QUIB_TEST_OUTPUT_DIR) / "quib_run_output.txt";
    std::filesystem::create_directories(output.parent_path());
    const std::string command = std::string(QUIB_RUN) + " --cartridge1 " + QUIB_DEBUG_PROGRAM + " --symbols " +
                                QUIB_DEBUG_SYMBOLS + " " + arguments + " > " + output.string() + " 2>&1";
    const int status = std::system(command.c_str());
    std::ifstream file(output);
    std::ostringstream text;
    text << file.rdbuf();
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text.str()};
}

TEST(QuibRunTest, StopConditionsExitStatusesAndTheMemoryDump) {
    const std::filesystem::path dump = std::filesystem::path(QUIB_TEST_OUTPUT_DIR) / "fill.bin";
    std::filesystem::remove(dump);
    const struct {
        std::string arguments;
        int status;
        const char* printed;
    } cases[] = {
        {"--break after_out", 0, "stopped in frame"},
        {"--break after_fill --dump-memory C000:4:" + dump.string(), 0, "breakpoint 1 at 401Ah (after_fill)"},
        {"--watch-write C010=42", 0, "watchpoint 1: write of 42h to C010h"},
        {"--watch-port 2E=7", 0, "PC 4026"},
        {"--frames 300 --watch-write C010-C011=43 --watch-port 2E=8", 1, "frames ran out after 300 frames"},
        {"--frames 10", 0, "frames 10,"},
        {"--break nowhere", 2, "--break takes an address or a label, optionally @P-S, not nowhere"},
        {"--break 4010@4-0", 2, "not 4010@4-0"},
        {"--watch-write C010=142", 2, "a byte, not C010=142"},
        {"--watch-port 2E-100", 2, "within 00-FF"},
        {"--dump-memory C000:4", 2, "START:LENGTH:FILE"},
        {"--symbols /nonexistent/program.sym", 2, "cannot open symbol file"},
        {"--frames 1 --cartridge1-kind ascii16", 0, " - ASCII 16K, 1 block of 16 KB (kind set by hand)"},
        {"--cartridge1-kind ASCII", 2, "--cartridge1-kind takes a cartridge kind, not ASCII"},
    };
    for (const auto& test : cases) {
        const TRunResult result = RunQuibRun(test.arguments);
        EXPECT_EQ(result.status, test.status) << test.arguments << "\n" << result.output;
        EXPECT_NE(result.output.find(test.printed), std::string::npos) << test.arguments << "\n" << result.output;
    }
    std::ifstream file(dump, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes, std::string("\x04\x03\x02\x01", 4));
}

}  // namespace
