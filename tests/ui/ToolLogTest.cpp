// A tool run's log: kept, deleted or left undecided as the user answers, and
// an action that goes on only when what the user asked for happened.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "../TestUtil.h"
#include "logs/gui/ToolLog.h"
#include "ui/MessageBox.h"

namespace zr {
namespace {

namespace fs = std::filesystem;

class ToolLog : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetMessageBoxHandler([this](const MessageBoxRequest& r) {
            m_messages.push_back(r.text.toStdString());
            return r.buttons == MsgButtons::Ok ? MsgAnswer::Ok : m_answer;
        });
    }
    void TearDown() override { SetMessageBoxHandler(nullptr); }

    test::CTempDir m_dir;
    test::CEnvGuard m_env{"ZRQ6930_LOG_DIR", m_dir.Path()};
    MsgAnswer m_answer = MsgAnswer::Yes;
    std::vector<std::string> m_messages;
};

TEST_F(ToolLog, TheAnswerDecidesWhatStaysAndWhetherTheActionGoesOn)
{
    const std::string ask = "Do you save the log data?";
    struct Case {
        MsgAnswer answer;
        bool deletable;
        bool goesOn;
        int state;
        int fileStays; // -1: either (the set's files go in the folder's order)
        std::size_t messages;
    };
    const Case cases[] = {
        {MsgAnswer::Cancel, true, false, kLogStateUndecided, 1, 1},
        {MsgAnswer::Yes, true, true, kLogStateKept, 1, 2}, // "The log data was saved."
        {MsgAnswer::No, true, true, kLogStateNone, 0, 1},
        // Not deleted: the error is shown and the action stops there, the question still open.
        {MsgAnswer::No, false, false, kLogStateUndecided, -1, 2},
    };
    for (const Case& c : cases) {
        test::CTempDir folder;
        test::CEnvGuard env("ZRQ6930_LOG_DIR", folder.Path());
        CToolLog log;
        log.Create(nullptr, kLogWalk, 0, nullptr, nullptr);
        log.Append(DataRow{});
        const std::string path = log.path;
        if (!c.deletable) { // a second part that is a folder with something in it
            const std::string part = path.substr(0, path.size() - 7) + "002.wlg";
            fs::create_directory(part);
            std::ofstream(part + "/inside") << "x";
        }
        m_answer = c.answer;
        m_messages.clear();
        EXPECT_EQ(log.AskKeep(nullptr), c.goesOn) << static_cast<int>(c.answer);
        EXPECT_EQ(log.state, c.state) << static_cast<int>(c.answer);
        if (c.fileStays >= 0) {
            EXPECT_EQ(fs::exists(path), c.fileStays == 1) << static_cast<int>(c.answer);
        }
        ASSERT_EQ(m_messages.size(), c.messages) << static_cast<int>(c.answer);
        EXPECT_EQ(m_messages.front(), ask);
        if (!c.deletable) {
            EXPECT_NE(m_messages.back().find("002.wlg"), std::string::npos) << m_messages.back();
        }
    }
}

TEST_F(ToolLog, SaveCloseAndOpened)
{
    CToolLog log;
    log.Create(nullptr, kLogWalk, 0, nullptr, nullptr);
    EXPECT_TRUE(log.Writing());
    log.Save(nullptr);
    log.Save(nullptr);
    EXPECT_EQ(m_messages, (std::vector<std::string>{"The log data was saved.", "No data to save."}));
    EXPECT_EQ(log.state, kLogStateKept);

    m_messages.clear();
    EXPECT_FALSE(log.MayClose(nullptr, true, "Walk Test is running."));
    EXPECT_EQ(m_messages, std::vector<std::string>{"Walk Test is running."});
    EXPECT_TRUE(log.MayClose(nullptr, false, "Walk Test is running."));
    EXPECT_FALSE(log.Writing());
    EXPECT_EQ(log.state, kLogStateNone);
    EXPECT_TRUE(log.path.empty());

    log.Opened("/somewhere/a.wlg");
    EXPECT_EQ(log.state, kLogStateOpened);
    EXPECT_TRUE(log.AskKeep(nullptr)); // an opened log is nobody's to delete
}

} // namespace
} // namespace zr
