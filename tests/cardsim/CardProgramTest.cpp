// The merrowby-card-sim program and its command line.

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "LineClient.h"
#include "tools/cardsim/cli/CommandLine.h"

using namespace std::chrono_literals;

namespace {

bool Parse(const std::vector<std::string>& args, cardsim::ProgramOptions& options) {
    std::string error;
    const bool ok = cardsim::ParseCommandLine(args, options, error);
    EXPECT_EQ(ok, error.empty()) << error;
    return ok;
}

// Reads one line from a descriptor, with a deadline.
std::string ReadLineFrom(int fd, std::chrono::milliseconds timeout) {
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (line.empty() || line.back() != '\n') {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd p{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) {
            break;
        }
        char c = 0;
        if (read(fd, &c, 1) != 1) {
            break;
        }
        line += c;
    }
    if (!line.empty() && line.back() == '\n') {
        line.pop_back();
    }
    return line;
}

}  // namespace

TEST(CardCommandLine, OptionsReachTheCard) {
    cardsim::ProgramOptions options;
    ASSERT_TRUE(Parse({"--sensor",
                       "3:voltage=7FF,trip=1234,current=BEEF,trained=0,covered=1",
                       "--shorted=81",
                       "--offline",
                       "--power",
                       "00FF",
                       "--lf",
                       "--trace",
                       "--silent-after",
                       "4",
                       "--delay-ms=50",
                       "--delay-command",
                       "SQ:2000",
                       "--chunk",
                       "2",
                       "--chunk-gap-ms",
                       "5",
                       "--garbage",
                       "both",
                       "--extra-lines",
                       "3",
                       "--flood",
                       "10",
                       "--training-ms",
                       "100",
                       "--dump-ms",
                       "20",
                       "--seed",
                       "9",
                       "--noise",
                       "0",
                       "--lower-hex",
                       "--never-end-line",
                       "--online-only",
                       "--delay-command=3VQ:0",
                       "--link",
                       "/tmp/x"},
                      options));
    const cardsim::CardOptions& card = options.card;
    EXPECT_EQ(card.sensors[3].voltageCode, 0x7FF);
    EXPECT_EQ(card.sensors[3].tripCode, 0x1234);
    EXPECT_EQ(card.sensors[3].currentLevel, 0xBEEF);
    EXPECT_FALSE(card.sensors[3].trained);
    EXPECT_TRUE(card.sensors[3].covered);
    for (int i = 0; i < cardsim::kSensorCount; ++i) {
        EXPECT_EQ(card.sensors[i].shorted, i == 0 || i == 7) << i;
    }
    EXPECT_FALSE(card.startOnline);
    EXPECT_EQ(card.powerLevel, "00FF");
    EXPECT_EQ(card.lineEnding, "\n");
    EXPECT_TRUE(options.trace);
    EXPECT_EQ(card.silentAfterCommands, 4);
    EXPECT_EQ(card.replyDelay, 50ms);
    EXPECT_EQ(card.commandDelays,
              (std::map<std::string, std::chrono::milliseconds>{{"SQ", 2000ms}, {"3VQ", 0ms}}));
    EXPECT_EQ(card.chunkSize, 2u);
    EXPECT_EQ(card.chunkGap, 5ms);
    EXPECT_EQ(card.garbageBefore.size(), 3u);
    EXPECT_EQ(card.garbageAfter, card.garbageBefore);
    EXPECT_EQ(card.garbageBefore[0], '\0');
    EXPECT_EQ(card.extraLines, 3);
    EXPECT_EQ(card.samplesPerInterval, 10);
    EXPECT_EQ(card.trainingDuration, 100ms);
    EXPECT_EQ(card.dumpInterval, 20ms);
    EXPECT_EQ(card.noiseSeed, 9u);
    EXPECT_EQ(card.noiseAmplitude, 0);
    EXPECT_TRUE(card.lowerCaseHex && card.neverEndLine && card.answerOnlineOnly);
    EXPECT_EQ(card.linkPath, "/tmp/x");

    for (const std::vector<std::string>& bad :
         std::vector<std::vector<std::string>>{{"--bogus"},
                                               {"--sensor", "8:voltage=1"},
                                               {"--sensor", "1:voltage=1000"},
                                               {"--sensor", "1:colour=1"},
                                               {"--power", "12G4"},
                                               {"--delay-ms", "-5"},
                                               {"--delay-command", "SQ"},
                                               {"--delay-command", ":50"},
                                               {"--garbage", "middle"},
                                               {"--enabled", "100"},
                                               {"--link"},
                                               {"--silent=1"}}) {
        cardsim::ProgramOptions rejected;
        std::string error;
        EXPECT_FALSE(cardsim::ParseCommandLine(bad, rejected, error)) << bad[0];
        EXPECT_FALSE(error.empty());
    }
}

TEST(CardProgram, PrintsTheSlavePathAnswersAndEndsOnSigterm) {
    const std::string link = testing::TempDir() + "card-sim-prog-" + std::to_string(getpid());
    int out[2];
    int err[2];
    ASSERT_EQ(pipe(out), 0);
    ASSERT_EQ(pipe(err), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        execl(CARD_SIM_PROGRAM, CARD_SIM_PROGRAM, "--trace", "--link", link.c_str(),
              "--exit-with-parent", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    const std::string slave = ReadLineFrom(out[0], 5s);
    ASSERT_EQ(slave.rfind("/dev/pts/", 0), 0u) << slave;
    {
        LineClient line(link);  // through the symbolic link
        line.Write("3VQ\r");
        const auto reply = line.ReadLine();
        ASSERT_TRUE(reply.has_value());
        EXPECT_EQ(reply->size(), 3u);
    }
    const std::string traced = ReadLineFrom(err[0], 5s);
    EXPECT_NE(traced.find("3VQ"), std::string::npos) << traced;

    kill(child, SIGTERM);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    struct stat info {};
    EXPECT_NE(lstat(link.c_str(), &info), 0);  // the link went with the program
    close(out[0]);
    close(err[0]);
}

TEST(CardProgram, HelpListsTheReplies) {
    const std::string help = cardsim::HelpText();
    for (const char* text : {"--link", "--trace", "--silent", "--online-only", "--flood",
                             "NOT TRAINED", "ERROR UNKNOWN COMMAND", "OK"}) {
        EXPECT_NE(help.find(text), std::string::npos) << text;
    }
}
