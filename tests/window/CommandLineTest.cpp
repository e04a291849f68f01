// The real program's command line, with no display at all: help, version, the port list on a
// machine without serial devices, and malformed --port arguments.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>
#include <string>
#include <vector>

#include "PortTestSupport.h"
#include "platform/ExclusiveDevice.h"

extern char** environ;

namespace {

using porttest::ReadFile;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

// A folder of its own for each run: an empty device folder, the settings folder and the
// captured output.
class ProgramRun {
  public:
    ProgramRun() { std::filesystem::create_directories(DeviceRoot()); }

    std::string DeviceRoot() const { return folder_.File("dev"); }
    std::string ConfigHome() const { return folder_.File("config"); }

    // The environment without any display or port choice, the devices in an empty folder.
    Outcome Run(const std::vector<std::string>& arguments,
                const std::vector<std::string>& extraEnvironment = {}) const {
        std::vector<std::string> environment;
        for (char** entry = environ; *entry != nullptr; ++entry) {
            const std::string variable = *entry;
            if (!variable.starts_with("DISPLAY=") && !variable.starts_with("WAYLAND_DISPLAY=") &&
                !variable.starts_with("QT_QPA_PLATFORM=") && !variable.starts_with("MERROWBY_")) {
                environment.push_back(variable);
            }
        }
        environment.push_back("MERROWBY_DEVICE_ROOT=" + DeviceRoot());
        environment.push_back("XDG_CONFIG_HOME=" + ConfigHome());
        environment.insert(environment.end(), extraEnvironment.begin(), extraEnvironment.end());

        std::vector<std::string> argv{MERROWBY_PROGRAM};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        std::vector<char*> argvPointers = Pointers(argv);
        std::vector<char*> environmentPointers = Pointers(environment);
        const std::string outPath = folder_.File("out.txt");
        const std::string errPath = folder_.File("err.txt");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        Outcome outcome;
        pid_t child = 0;
        if (posix_spawn(&child, argv[0].c_str(), &actions, nullptr, argvPointers.data(),
                        environmentPointers.data()) == 0) {
            int status = 0;
            ::waitpid(child, &status, 0);
            outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        outcome.out = ReadFile(outPath);
        outcome.err = ReadFile(errPath);
        return outcome;
    }

  private:
    static std::vector<char*> Pointers(std::vector<std::string>& texts) {
        std::vector<char*> pointers;
        for (std::string& text : texts) {
            pointers.push_back(text.data());
        }
        pointers.push_back(nullptr);
        return pointers;
    }

    porttest::TempDir folder_;
};

TEST(CommandLineTest, ListPortsWithoutSerialDevicesOrDisplay) {
    const ProgramRun run;
    const Outcome outcome = run.Run({"--list-ports"});
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    const std::string root = run.DeviceRoot();
    EXPECT_EQ(outcome.out,
              "COM1 = (none) (default): absent\n"
              "COM2 = (none) (default): absent\n"
              "COM3 = (none) (default): absent\n"
              "COM4 = (none) (default): absent\n"
              "LPT1 = " +
                  root +
                  "/lp0 (default): absent\n"
                  "LPT2 = " +
                  root +
                  "/lp1 (default): absent\n"
                  "LPT3 = " +
                  root + "/lp2 (default): absent\n");
    EXPECT_EQ(outcome.err, "");
}

TEST(CommandLineTest, ListPortsShowsEachChoiceAndWhereItCameFrom) {
    const ProgramRun run;
    std::filesystem::create_directories(run.ConfigHome() + "/merrowby");
    porttest::WriteFile(run.ConfigHome() + "/merrowby/merrowby.conf",
                        "[ports]\nCOM1=/dev/settings1\nCOM3=/dev/null\nCOM4=/dev/null\n");
    const Outcome outcome = run.Run({"--port", "com1=/dev/null", "--list-ports"},
                                    {"MERROWBY_COM2=/dev/zero", "MERROWBY_COM3=/dev/absent"});
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.out.substr(0, outcome.out.find("LPT1")),
              "COM1 = /dev/null (command line): present, free\n"
              "COM2 = /dev/zero (environment): present, free\n"
              "COM3 = /dev/absent (environment): absent\n"
              "COM4 = /dev/null (settings): present, free\n");
}

TEST(CommandLineTest, ListPortsOpensNoDeviceAndShowsALockedOneInUse) {
    const ProgramRun run;
    porttest::PtyPair builtIn;
    std::filesystem::create_symlink(builtIn.SlavePath(), run.DeviceRoot() + "/ttyS0");
    // The kernel's view: a 16550A behind ttyS0, the rest of /proc as it is.
    const porttest::TempDir system;
    std::filesystem::create_directories(system.File("sys/class/tty/ttyS0"));
    porttest::WriteFile(system.File("sys/class/tty/ttyS0/type"), "4\n");
    std::filesystem::create_directory_symlink("/proc", system.File("proc"));
    const std::vector<std::string> environment{"MERROWBY_SYSTEM_ROOT=" + system.Path()};
    const std::string com1 = "COM1 = " + run.DeviceRoot() + "/ttyS0 (default): present, ";

    porttest::OpenWatch watch(builtIn.SlavePath());
    ASSERT_TRUE(watch.IsWatching());
    const Outcome free = run.Run({"--list-ports"}, environment);
    EXPECT_EQ(free.status, 0) << free.err;
    EXPECT_TRUE(free.out.starts_with(com1 + "free\n")) << free.out;
    EXPECT_EQ(watch.Opens(), 0);

    platform::ExclusiveDevice holder;
    ASSERT_TRUE(holder.Open(builtIn.SlavePath(), O_RDWR | O_NONBLOCK));
    const Outcome held = run.Run({"--list-ports"}, environment);
    EXPECT_TRUE(held.out.starts_with(com1 + "in use\n")) << held.out;
}

TEST(CommandLineTest, AMalformedPortIsOneLineNamingItAndExitStatus2) {
    const ProgramRun run;
    for (const std::string argument : {"COM1", "COM9=/dev/null", "LPT1=/tmp"}) {
        const Outcome outcome = run.Run({"--port", argument});
        EXPECT_EQ(outcome.status, 2) << argument;
        EXPECT_EQ(outcome.out, "") << argument;
        EXPECT_NE(outcome.err.find("--port " + argument + ":"), std::string::npos) << outcome.err;
        EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << outcome.err;
        EXPECT_TRUE(outcome.err.ends_with("\n")) << outcome.err;
    }
}

TEST(CommandLineTest, HelpAndVersionWithoutDisplay) {
    const ProgramRun run;
    const Outcome version = run.Run({"--version"});
    EXPECT_EQ(version.status, 0) << version.err;
    EXPECT_EQ(version.out, "merrowby 1.0\n");
    const Outcome help = run.Run({"--help"});
    EXPECT_EQ(help.status, 0) << help.err;
    EXPECT_TRUE(help.out.starts_with("Usage: merrowby [options]")) << help.out;
    for (const char* option : {"--port <NAME=DEVICE>", "--list-ports", "--trace <FILE>"}) {
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    }
}

}  // namespace
