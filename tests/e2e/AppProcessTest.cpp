#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sys/wait.h>
#include <unistd.h>

#include "../TestUtil.h"

namespace zr {
namespace {

std::string Slurp(const std::string& path)
{
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), {}};
}

pid_t StartApp(const test::CTempDir& runtime, const std::string& errFile, const char* file = nullptr)
{
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        setenv("XDG_RUNTIME_DIR", runtime.Path().c_str(), 1);
        setenv("ZRQ6930_AUTO_ANSWER", "yes", 1);
        setenv("ZRQ6930_PORTS", "", 1);
        freopen(errFile.c_str(), "w", stderr);
        if (file)
            execl(ZR_BINARY_DIR "/zrq6930-maintenance", "zrq6930-maintenance", "/d", file, static_cast<char*>(nullptr));
        else
            execl(ZR_BINARY_DIR "/zrq6930-maintenance", "zrq6930-maintenance", static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

TEST(AppProcess, ASecondCopyIsRefusedAndTheFirstRunsOn)
{
    test::CTempDir runtime;
    chmod(runtime.Path().c_str(), 0700);
    const pid_t first = StartApp(runtime, runtime.File("first.err"));
    ASSERT_TRUE(test::WaitUntil([&] { return access(runtime.File("ZR-Q6930_Maintenance.AppID.NoVersion.lock").c_str(), F_OK) == 0; }));
    const pid_t second = StartApp(runtime, runtime.File("second.err"));
    int status = 0;
    ASSERT_TRUE(test::WaitUntil([&] { return waitpid(second, &status, WNOHANG) == second; }));
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_NE(Slurp(runtime.File("second.err")).find("The program is already running.\n"), std::string::npos);
    EXPECT_EQ(waitpid(first, &status, WNOHANG), 0); // still running
    kill(first, SIGTERM);
    waitpid(first, &status, 0);
}

// A file named on the command line goes to the viewers, with their messages.
TEST(AppProcess, ALogNamedOnTheCommandLineOpensInItsViewer)
{
    test::CTempDir runtime;
    chmod(runtime.Path().c_str(), 0700);
    std::ofstream(runtime.File("notes.wlg")) << "not a log, only text long enough for a header";
    const pid_t app = StartApp(runtime, runtime.File("app.err"), runtime.File("notes.wlg").c_str());
    EXPECT_TRUE(test::WaitUntil([&] { return Slurp(runtime.File("app.err")).find("Invalid file type.\n") != std::string::npos; }));
    kill(app, SIGTERM);
    int status = 0;
    waitpid(app, &status, 0);
}

TEST(AppProcess, WithoutADisplaySaysSoInOneLine)
{
    test::CTempDir tmp;
    const std::string cmd = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " ZR_BINARY_DIR "/zrq6930-maintenance 2>" + tmp.File("err") + " </dev/null";
    const int status = std::system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2);
    EXPECT_EQ(Slurp(tmp.File("err")), "zrq6930-maintenance: no display (DISPLAY is not set); for a headless run set QT_QPA_PLATFORM=offscreen\n");
}

} // namespace
} // namespace zr
