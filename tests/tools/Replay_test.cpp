// lemnar-replay: its fixed command line, the log decoding, and the program
// itself on streams from a file, standard input, a log and telnet bytes.

#include "tools/replay/LogDecoder.h"
#include "tools/replay/ReplayOptions.h"

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace lemnar {
namespace {

using namespace std::string_literals;

struct TRun {
    int Status = -1;
    std::string Out;
};

// Runs the replay program through the shell with input piped in.
TRun Replay(const std::string& args, const std::string& input, const QTemporaryDir& dir) {
    const std::string inPath = dir.filePath("in.bin").toStdString();
    std::ofstream(inPath, std::ios::binary) << input;
    const std::string command = std::string("QT_QPA_PLATFORM=offscreen ") + REPLAY_BINARY + " " +
                                args + " < " + inPath + " 2>" +
                                dir.filePath("err.txt").toStdString();
    TRun run;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return run;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0)
        run.Out.append(buf, n);
    const int status = pclose(pipe);
    run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

QJsonObject Json(const std::string& text) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(text)).object();
}

QString Row(const QJsonObject& state, int row) {
    return state["text"].toArray()[row].toString().trimmed();
}

TEST(ReplayOptions, ParsesTheFixedOptions) {
    std::string error;
    const auto o = ParseReplayOptions(
        {"--type", "ansi", "--cols", "132", "--rows", "43", "--font-size", "12", "--block", "7",
         "--cells", "-", "--png", "a.png", "--bmp", "a.bmp", "--window-png", "w.png", "in.bin"},
        error);
    ASSERT_TRUE(o) << error;
    EXPECT_EQ(o->TerminalType, 1);
    EXPECT_EQ(o->Cols, 132);
    EXPECT_EQ(o->Rows, 43);
    EXPECT_EQ(o->FontSizePoints, 12);
    EXPECT_EQ(o->Block, 7u);
    EXPECT_EQ(o->Cells, "-");
    EXPECT_EQ(o->Input, "in.bin");
}

TEST(ReplayOptions, RefusesBadOptionsWithAMessage) {
    const std::vector<std::vector<std::string>> bad = {
        {"--type", "vt100"}, {"--cols", "0"},  {"--cols", "161"},
        {"--rows", "81"},    {"--block", "x"}, {"--cells"},
        {"--frobnicate"},    {"a", "b"},       {"--log", "--telnet"}};
    for (const auto& args : bad) {
        std::string error;
        EXPECT_FALSE(ParseReplayOptions(args, error)) << args[0];
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(error.find('\n'), std::string::npos);
    }
}

TEST(LogDecoder, UndoesTheLineEndsOfEachDump) {
    const std::string log = "--3 chars recvd: a\r\nb\r\n"
                            "Удалённый сервер x не отвечает\r\n"
                            "--4 chars recvd: \r\r\n\0z\r\n"
                            "--0 chars recvd: \r\n"
                            "--5 chars recvd: ab"s;
    const auto blocks = DecodeLogBlocks(log);
    ASSERT_EQ(blocks.size(), 4u);
    EXPECT_EQ(blocks[0], "a\nb");
    EXPECT_EQ(blocks[1], "\r\n\0z"s);
    EXPECT_EQ(blocks[2], "");
    EXPECT_EQ(blocks[3], "ab"); // cut off at the end of the file
}

TEST(ReplayProgram, ShowsHelloWorldOnTwoRows) {
    QTemporaryDir dir;
    const TRun run = Replay("--cells -", "Hello\r\nworld", dir);
    ASSERT_EQ(run.Status, 0);
    const QJsonObject state = Json(run.Out);
    EXPECT_EQ(state["rows"].toInt(), 25);
    EXPECT_EQ(state["cols"].toInt(), 80);
    EXPECT_EQ(Row(state, 0), "Hello");
    EXPECT_EQ(Row(state, 1), "world");
    EXPECT_EQ(state["cursor"].toArray()[0].toInt(), 1);
    EXPECT_EQ(state["cursor"].toArray()[1].toInt(), 5);
    // Unwritten cells keep their start-up colours.
    EXPECT_EQ(state["cells"].toArray()[2].toArray()[0].toArray()[1].toInt(), 3);
}

TEST(ReplayProgram, ShowsCodePage866AsUtf8) {
    QTemporaryDir dir;
    const TRun run = Replay("--cells -", "\x8f\xe0\xa8\xa2\xa5\xe2 \xc9\xcd\xbb \x1b\x1b", dir);
    ASSERT_EQ(run.Status, 0);
    EXPECT_EQ(Row(Json(run.Out), 0), QString::fromUtf8("Привет ╔═╗"));
}

TEST(ReplayProgram, WritesPictures) {
    QTemporaryDir dir;
    const std::string png = dir.filePath("s.png").toStdString();
    const std::string bmp = dir.filePath("s.bmp").toStdString();
    const std::string win = dir.filePath("w.png").toStdString();
    const TRun run = Replay(
        "--cols 40 --rows 10 --png " + png + " --bmp " + bmp + " --window-png " + win, "x", dir);
    ASSERT_EQ(run.Status, 0);
    const QImage a(QString::fromStdString(png));
    const QImage b(QString::fromStdString(bmp));
    const QImage w(QString::fromStdString(win));
    ASSERT_FALSE(a.isNull());
    EXPECT_EQ(a.width() % 40, 0);
    EXPECT_EQ(a.height() % 10, 0);
    EXPECT_EQ(a.convertToFormat(QImage::Format_RGB32), b.convertToFormat(QImage::Format_RGB32));
    EXPECT_EQ(w.size(), a.size());
    EXPECT_NE(w.convertToFormat(QImage::Format_RGB32), a.convertToFormat(QImage::Format_RGB32))
        << "the window picture carries the cursor bar";
}

TEST(ReplayProgram, BadOptionsAndUnreadableInputExitWithTwo) {
    QTemporaryDir dir;
    EXPECT_EQ(Replay("--type vt100", "", dir).Status, 2);
    EXPECT_EQ(Replay("/nonexistent/input.bin", "", dir).Status, 2);
}

TEST(ReplayProgram, ReplaysALogBlockByBlock) {
    QTemporaryDir dir;
    const std::string logPath = dir.filePath("session.log").toStdString();
    // An LF inside a block is stored as CR LF; the replay undoes that, so the
    // LF feeds a line (QNX) rather than a CR returning to column 0.
    std::ofstream(logPath, std::ios::binary) << "--5 chars recvd: ab\r\ncd\r\n"
                                             << "--2 chars recvd: \x1b"
                                             << "H\r\n";
    const TRun run = Replay("--log --cells - " + logPath, "", dir);
    ASSERT_EQ(run.Status, 0);
    const QJsonObject state = Json(run.Out);
    EXPECT_EQ(Row(state, 0), "ab");
    EXPECT_EQ(Row(state, 1), "cd");
    EXPECT_EQ(state["cursor"].toArray()[0].toInt(), 0);
}

TEST(ReplayProgram, TelnetBytesLoseTheirCommands) {
    QTemporaryDir dir;
    const TRun run = Replay("--telnet --cells -",
                            "ab\xff\xfb\x01\xff\xfa\x18\x01\xff\xf0"
                            "cd",
                            dir);
    ASSERT_EQ(run.Status, 0);
    EXPECT_EQ(Row(Json(run.Out), 0), "abcd");
}

TEST(ReplayProgram, SingleByteBlocksGiveTheSameState) {
    QTemporaryDir dir;
    const std::string stream = "\x0c\x1b@>1Title\x1b=\"$\x1bg(\xcd\r\n\x1b[1;31mred\x1b"
                               "K end";
    const TRun whole = Replay("--cells -", stream, dir);
    const TRun split = Replay("--cells - --block 1", stream, dir);
    ASSERT_EQ(whole.Status, 0);
    EXPECT_EQ(whole.Out, split.Out);
}

} // namespace
} // namespace lemnar
