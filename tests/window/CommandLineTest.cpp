// The real program's command line, with no display at all: help, version, the port list on a
// machine without serial devices, malformed --port arguments, Qt's own options and the start
// without a display.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "PortTestSupport.h"
#include "app/CommandLine.h"
#include "platform/ExclusiveDevice.h"

extern char** environ;

namespace {

using porttest::ReadFile;

struct Outcome {
    int status = -1;  // -1: ended by a signal
    int signal = 0;   // the signal that ended it
    std::string out;
    std::string err;
    bool stillRunning = false;  // at the end of the time given to RunFor
};

std::size_t LineCount(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

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
        return Spawn(arguments, extraEnvironment, std::nullopt);
    }

    // Runs the program for the time given; one still running then is sent SIGTERM.
    Outcome RunFor(std::chrono::milliseconds time, const std::vector<std::string>& arguments,
                   const std::vector<std::string>& extraEnvironment = {}) const {
        return Spawn(arguments, extraEnvironment, time);
    }

  private:
    Outcome Spawn(const std::vector<std::string>& arguments,
                  const std::vector<std::string>& extraEnvironment,
                  std::optional<std::chrono::milliseconds> time) const {
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
            if (time && !EndsWithin(child, *time)) {
                outcome.stillRunning = true;
                ::kill(child, SIGTERM);
            }
            ::waitpid(child, &status, 0);
            outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            outcome.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
        }
        posix_spawn_file_actions_destroy(&actions);
        outcome.out = ReadFile(outPath);
        outcome.err = ReadFile(errPath);
        return outcome;
    }

    // Whether the child ends within the time, waited for on a descriptor of the process.
    static bool EndsWithin(pid_t child, std::chrono::milliseconds time) {
        const int processFd = static_cast<int>(::syscall(SYS_pidfd_open, child, 0));
        if (processFd < 0) {
            ADD_FAILURE() << "pidfd_open: " << std::strerror(errno);
            return false;
        }
        pollfd request{processFd, POLLIN, 0};
        const bool ended = ::poll(&request, 1, static_cast<int>(time.count())) > 0;
        ::close(processFd);
        return ended;
    }

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
    // The kernel's view: a 16550A behind ttyS0, no console, the real table of locks.
    const porttest::TempDir system;
    std::filesystem::create_directories(system.File("sys/class/tty/ttyS0"));
    porttest::WriteFile(system.File("sys/class/tty/ttyS0/type"), "4\n");
    std::filesystem::create_directories(system.File("proc"));
    std::filesystem::create_symlink("/proc/locks", system.File("proc/locks"));
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

TEST(CommandLineTest, HelpNamesThePortVariablesAndTheSettingsFile) {
    const ProgramRun run;
    const Outcome help = run.Run({"--help"});
    EXPECT_EQ(help.status, 0) << help.err;
    for (const char* text :
         {"MERROWBY_COM1", "MERROWBY_COM4", "MERROWBY_LPT1", "MERROWBY_LPT3", "MERROWBY_TRACE",
          "~/.config/merrowby/merrowby.conf", "[ports]", "QT_QPA_PLATFORM", "-platform"}) {
        EXPECT_NE(help.out.find(text), std::string::npos) << text << " in\n" << help.out;
    }
    EXPECT_EQ(help.out.find("-qwindowgeometry"), std::string::npos)
        << "the list of Qt's options is for --help-all";
    const Outcome all = run.Run({"--help-all"});
    EXPECT_EQ(all.status, 0) << all.err;
    EXPECT_TRUE(all.out.starts_with(help.out)) << all.out;
    for (const char* option : {"-platform <name[:options]>", "-style <style>", "-session <session>",
                               "-reverse", "-display <display>"}) {
        EXPECT_NE(all.out.find(option), std::string::npos) << option << " in\n" << all.out;
    }
}

TEST(CommandLineTest, TheDeviceOfAPortIsCheckedWithAMessageForEachFault) {
    const ProgramRun run;
    struct Case {
        std::string argument;
        std::string message;
    };
    const std::string absent = run.DeviceRoot() + "/ttyUSB9";
    for (const Case& fault :
         {Case{"COM1=", "--port COM1=: the device is missing after \"=\" (e.g. COM1=/dev/ttyUSB0)"},
          Case{"COM2=" + absent, "--port COM2=" + absent + ": \"" + absent + "\" does not exist"},
          Case{"LPT1=/tmp", "--port LPT1=/tmp: \"/tmp\" is not a character device"}}) {
        const Outcome outcome = run.Run({"--port", fault.argument});
        EXPECT_EQ(outcome.status, 2) << fault.argument;
        EXPECT_EQ(outcome.out, "");
        EXPECT_EQ(outcome.err, "merrowby: " + fault.message + "\n");
    }
}

// Options that QApplication reads itself pass the command line, one dash or two, with their
// values; help, version and the port list still need no display.
TEST(CommandLineTest, QtsOwnOptionsAreAccepted) {
    const ProgramRun run;
    const std::vector<std::vector<std::string>> lines = {
        {"-platform", "offscreen", "--version"},
        {"--platform", "offscreen", "--version"},
        {"-style", "fusion", "--version"},
        {"-style=fusion", "--version"},
        {"--stylesheet=/nonexistent.qss", "--version"},
        {"-session", "1234-5678", "--version"},
        {"-platformpluginpath", "/nonexistent", "-platformtheme", "none", "--version"},
        {"-plugin", "evdevmouse", "-qmljsdebugger=port:3768", "--version"},
        {"-qwindowgeometry", "400x300+10+10", "-qwindowicon", "/x.png", "--version"},
        {"-qwindowtitle", "Merrowby", "-reverse", "-widgetcount", "--version"},
        {"-display", ":0", "-geometry", "400x300", "-title", "T", "-name", "n", "--version"},
        {"-nograb", "-dograb", "-sync", "-visual", "33", "-ncols", "16", "-cmap", "--version"},
        {"-testability", "--version"},
    };
    for (const std::vector<std::string>& line : lines) {
        const Outcome outcome = run.Run(line);
        EXPECT_EQ(outcome.status, 0) << line.front() << ": " << outcome.err;
        EXPECT_EQ(outcome.out, "merrowby 1.0\n") << line.front();
        EXPECT_EQ(outcome.err, "") << line.front();
    }
    // A value that looks like an option is still the option's value.
    const Outcome titled = run.Run({"-qwindowtitle", "--trace", "--list-ports"});
    EXPECT_EQ(titled.status, 0) << titled.err;
    EXPECT_EQ(LineCount(titled.out), 7u) << titled.out;

    const Outcome ports = run.Run({"-platform", "offscreen", "-style", "fusion", "--list-ports"});
    EXPECT_EQ(ports.status, 0) << ports.err;
    EXPECT_EQ(LineCount(ports.out), 7u) << ports.out;
    const Outcome help = run.Run({"--style", "fusion", "--help"});
    EXPECT_EQ(help.status, 0) << help.err;
    EXPECT_TRUE(help.out.starts_with("Usage: merrowby [options]")) << help.out;
}

TEST(CommandLineTest, AQtOptionWithoutItsValueIsRefused) {
    const ProgramRun run;
    for (const char* option : {"-platform", "--style", "-session"}) {
        const Outcome outcome = run.Run({"--version", option});
        EXPECT_EQ(outcome.status, 2) << option;
        EXPECT_EQ(outcome.out, "") << option;
        EXPECT_EQ(outcome.err, "merrowby: Missing value after '" + std::string(option) + "'.\n");
    }
    // Only the options Qt reads so take a joined value.
    const Outcome joined = run.Run({"-platform=offscreen", "--version"});
    EXPECT_EQ(joined.status, 2) << joined.err;
}

TEST(CommandLineTest, ParseKeepsThePlatformAndDisplayForTheStart) {
    const CommandLine line = CommandLine::Parse(
        {"merrowby", "--platform", "offscreen", "-display", ":7", "-style", "fusion"});
    EXPECT_EQ(line.action, CommandLine::Action::RunWindow) << line.error.toStdString();
    EXPECT_EQ(line.platform.toStdString(), "offscreen");
    EXPECT_EQ(line.display.toStdString(), ":7");
    const CommandLine plain = CommandLine::Parse({"merrowby"});
    EXPECT_TRUE(plain.platform.isEmpty());
    EXPECT_TRUE(plain.display.isEmpty());
    // After "--" nothing is an option, Qt's included.
    EXPECT_EQ(CommandLine::Parse({"merrowby", "--", "-platform", "offscreen"}).action,
              CommandLine::Action::Fail);
}

// With -platform offscreen the window runs without any display, until SIGTERM ends it.
TEST(CommandLineTest, ThePlatformOptionReachesQt) {
    const ProgramRun run;
    const Outcome outcome = run.RunFor(std::chrono::seconds(3), {"-platform", "offscreen"});
    EXPECT_TRUE(outcome.stillRunning) << outcome.status << " " << outcome.err;
    EXPECT_EQ(outcome.status, 0) << "the normal shutdown, signal " << outcome.signal;
    EXPECT_EQ(outcome.err.find("no display"), std::string::npos) << outcome.err;
    EXPECT_EQ(outcome.err.find("Unknown option"), std::string::npos) << outcome.err;
}

TEST(CommandLineTest, WithoutADisplayItSaysSoInOneLineAndExits1) {
    const ProgramRun run;
    const Outcome outcome = run.Run({});
    EXPECT_EQ(outcome.status, 1) << "signal " << outcome.signal << ": " << outcome.err;
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(LineCount(outcome.err), 1u) << outcome.err;
    EXPECT_TRUE(outcome.err.starts_with("merrowby: no display found")) << outcome.err;
    EXPECT_NE(outcome.err.find("QT_QPA_PLATFORM=offscreen"), std::string::npos) << outcome.err;
    // Empty variables are no display either.
    const Outcome empty = run.Run({}, {"DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM="});
    EXPECT_EQ(empty.status, 1) << empty.err;
    EXPECT_TRUE(empty.err.starts_with("merrowby: no display found")) << empty.err;
}

// A display that is named but cannot be reached is Qt's to find out; it ends the same way.
TEST(CommandLineTest, AnUnreachableDisplayEndsWithStatus1InsteadOfAnAbort) {
    const ProgramRun run;
    for (const std::vector<std::string>& setting :
         {std::vector<std::string>{"DISPLAY=:4093"},
          std::vector<std::string>{"QT_QPA_PLATFORM=xcb"},
          std::vector<std::string>{"QT_QPA_PLATFORM=nosuchplatform"}}) {
        const Outcome outcome = run.Run({}, setting);
        EXPECT_EQ(outcome.status, 1)
            << setting.front() << ": signal " << outcome.signal << ": " << outcome.err;
        EXPECT_NE(outcome.err.find("merrowby: the window system could not be started; "),
                  std::string::npos)
            << outcome.err;
        EXPECT_TRUE(outcome.err.ends_with("for a window that nobody sees\n")) << outcome.err;
    }
}

}  // namespace
