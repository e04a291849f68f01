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

// merrowby-card-sim as a child process, its standard streams on pipes.
struct CardProgram {
    explicit CardProgram(const std::vector<std::string>& args) {
        int inPipe[2];
        int outPipe[2];
        int errPipe[2];
        EXPECT_EQ(pipe(inPipe), 0);
        EXPECT_EQ(pipe(outPipe), 0);
        EXPECT_EQ(pipe(errPipe), 0);
        std::vector<char*> argv{const_cast<char*>(CARD_SIM_PROGRAM)};
        for (const std::string& arg : args) {
            argv.push_back(const_cast<char*>(arg.c_str()));
        }
        argv.push_back(nullptr);
        child = fork();
        if (child == 0) {
            dup2(inPipe[0], STDIN_FILENO);
            dup2(outPipe[1], STDOUT_FILENO);
            dup2(errPipe[1], STDERR_FILENO);
            execv(CARD_SIM_PROGRAM, argv.data());
            _exit(127);
        }
        EXPECT_GT(child, 0);
        close(inPipe[0]);
        close(outPipe[1]);
        close(errPipe[1]);
        in = inPipe[1];
        out = outPipe[0];
        err = errPipe[0];
    }
    ~CardProgram() {
        if (child > 0) {
            Terminate();
        }
        close(in);
        close(out);
        close(err);
    }
    CardProgram(const CardProgram&) = delete;
    CardProgram& operator=(const CardProgram&) = delete;

    void Write(const std::string& text) const {
        EXPECT_EQ(write(in, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }
    // SIGTERM; the exit status, or -1 when the program did not exit by itself.
    int Terminate() {
        kill(child, SIGTERM);
        int status = 0;
        const pid_t ended = waitpid(child, &status, 0);
        child = -1;
        return ended > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    pid_t child = -1;
    int in = -1;
    int out = -1;
    int err = -1;
};

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
    CardProgram program({"--trace", "--link", link, "--exit-with-parent"});
    const std::string slave = ReadLineFrom(program.out, 5s);
    ASSERT_EQ(slave.rfind("/dev/pts/", 0), 0u) << slave;
    {
        LineClient line(link);  // through the symbolic link
        line.Write("3VQ\r");
        const auto reply = line.ReadLine();
        ASSERT_TRUE(reply.has_value());
        EXPECT_EQ(reply->size(), 3u);
    }
    const std::string traced = ReadLineFrom(program.err, 5s);
    EXPECT_NE(traced.find("3VQ"), std::string::npos) << traced;

    EXPECT_EQ(program.Terminate(), 0);
    struct stat info {};
    EXPECT_NE(lstat(link.c_str(), &info), 0);  // the link went with the program
}

TEST(CardProgram, EachLineOnStandardInputReplacesTheCardsOptions) {
    CardProgram program({"--options-from-stdin", "--lower-hex", "--trace", "--exit-with-parent"});
    const std::string slave = ReadLineFrom(program.out, 5s);
    ASSERT_EQ(slave.rfind("/dev/pts/", 0), 0u) << slave;
    LineClient line(slave);
    const auto ask = [&line](const std::string& command, std::size_t lines) {
        line.Write(command + "\r");
        return line.ReadLines(lines);
    };
    ASSERT_EQ(ask("5VQ", 1), std::vector<std::string>{"7a5"});
    ASSERT_EQ(ask("7TQ", 1), std::vector<std::string>{"SENSOR 7 NOT TRAINED"});

    struct Change {
        std::string line;
        std::string answer;
        std::vector<std::string> voltage5;  // then the replies to 5VQ and 7TQ
        std::vector<std::string> trip7;
    };
    const std::vector<Change> changes = {
        // The options started with are gone; the sensors are as the line sets them.
        {"--trained FF --extra-lines 1", "ok", {"7A5", "EXTRA 1"}, {"1199", "EXTRA 1"}},
        {"--link /tmp/elsewhere",
         "refused: --link takes effect only at start",
         {"7A5", "EXTRA 1"},
         {"1199", "EXTRA 1"}},
        {"--power=00FF",
         "refused: --power takes effect only at start",
         {"7A5", "EXTRA 1"},
         {"1199", "EXTRA 1"}},
        {"--chunk x", "refused: bad value for --chunk: x", {"7A5", "EXTRA 1"}, {"1199", "EXTRA 1"}},
        // The options started with, back as a line.
        {"--lower-hex", "ok", {"7a5"}, {"SENSOR 7 NOT TRAINED"}},
    };
    for (const Change& change : changes) {
        program.Write(change.line + "\n");
        EXPECT_EQ(ReadLineFrom(program.out, 5s), change.answer) << change.line;
        EXPECT_EQ(ask("5VQ", change.voltage5.size()), change.voltage5) << change.line;
        EXPECT_EQ(ask("7TQ", change.trip7.size()), change.trip7) << change.line;
    }
    EXPECT_EQ(program.Terminate(), 0);
    std::string record;
    for (std::string traced = ReadLineFrom(program.err, 5s); !traced.empty();
         traced = ReadLineFrom(program.err, 5s)) {
        record += traced.substr(traced.find(' ') + 1) + "\n";
    }
    for (const char* noted : {"options --trained FF --extra-lines 1\n", "options --lower-hex\n"}) {
        EXPECT_NE(record.find(noted), std::string::npos) << noted << record;
    }
}

TEST(CardProgram, HelpListsTheReplies) {
    const std::string help = cardsim::HelpText();
    for (const char* text : {"--link", "--trace", "--silent", "--online-only", "--flood",
                             "NOT TRAINED", "ERROR UNKNOWN COMMAND", "OK"}) {
        EXPECT_NE(help.find(text), std::string::npos) << text;
    }
}
