// The Frequency Plan window on a spectrum log the viewer shows: the plan
// keeps clear of what the log saw busy and passes the checker, saves and
// copies what it lists, cancels a long search with the best so far, and
// checks the connected receivers' frequencies.
#include <QApplication>
#include <QClipboard>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QCheckBox>
#include <QTableWidget>
#include <fstream>
#include <sstream>

#include "../app/GuiFixture.h"
#include "../walk/LogFiles.h"
#include "scan/FrequencyPlanDlg.h"
#include "scan/SpScanDlg.h"
#include "ui/FileDialog.h"

namespace zr::test {
namespace {

class FrequencyPlanWindow : public GuiFixture {
protected:
    // Two sweeps over 606.000-608.000 MHz, quiet but for carriers at 606.300 and 607.000.
    std::string WriteSiteLog()
    {
        SpectrumLogSettings settings{606000 / 25, 608000 / 25, 0};
        std::vector<DataRow> rows;
        for (int sweep = 0; sweep < 2; ++sweep)
            for (int khz = 606000; khz <= 608000; khz += 25)
                rows.push_back(SpectrumRow(khz, khz == 606300 || khz == 607000 ? 60 : 10));
        const std::string path = m_logDir.File("site.slg");
        WriteLog(path, kLogSpec, rows, &settings);
        return path;
    }
    CFrequencyPlanDlg* OpenFromViewer(const std::string& log)
    {
        EXPECT_TRUE(View().OpenLogFile(log));
        CSpScanDlg* viewer = View().SpectrumLogViewer();
        EXPECT_TRUE(PumpUntil([&] { return !viewer->Loading() && viewer->PlanButton()->isEnabled(); }));
        viewer->PlanButton()->click();
        CFrequencyPlanDlg* plan = View().FrequencyPlanDialog();
        EXPECT_TRUE(plan->isVisible());
        EXPECT_TRUE(PumpUntil([&] { return !plan->Running(); }));
        return plan;
    }
};

TEST_F(FrequencyPlanWindow, APlanOnTheShownLogAvoidsItsCarriersAndIsSavedAsListed)
{
    StartReceivers({sim::DefaultConfig(0), sim::DefaultConfig(1)});
    CFrequencyPlanDlg* plan = OpenFromViewer(WriteSiteLog());
    EXPECT_EQ(plan->LogPath(), m_logDir.File("site.slg"));
    EXPECT_EQ(plan->Busy(), (std::vector<int>{606300, 607000}));
    EXPECT_DOUBLE_EQ(plan->StopBox()->value(), 608.0); // the log's band

    plan->CountBox()->setValue(3);
    plan->CalculateButton()->click();
    EXPECT_FALSE(plan->CalculateButton()->isEnabled());
    ASSERT_TRUE(PumpUntil([&] { return !plan->Running(); }));
    ASSERT_EQ(plan->Rows().size(), 3u) << plan->StatusText().toStdString();
    std::vector<int> chosen;
    for (const PlanRow& r : plan->Rows()) {
        chosen.push_back(r.khz);
        EXPECT_GE(r.margins.busyKhz, 125) << r.khz;
    }
    EXPECT_TRUE(CheckPlan(chosen, plan->Busy(), PlanRules{}).empty());
    EXPECT_EQ(plan->Table()->rowCount(), 3);
    EXPECT_EQ(plan->Table()->item(0, 0)->text(), QString::number(chosen[0] / 1000.0, 'f', 3));
    EXPECT_TRUE(plan->StatusText().startsWith("3 frequencies chosen")) << plan->StatusText().toStdString();
    EXPECT_TRUE(plan->CalculateButton()->isEnabled());

    // Save as CSV writes what the command line's --csv writes; Copy puts the rows on the clipboard.
    const std::string csv = m_logDir.File("plan.csv");
    SetFileDialogHandler([&](const QString&, const QString&) { return PathText(csv); });
    plan->SaveCsv();
    SetFileDialogHandler(nullptr);
    std::ifstream in(csv);
    std::stringstream saved;
    saved << in.rdbuf();
    EXPECT_EQ(saved.str(), PlanCsv(plan->Rows()));
    plan->CopyList();
    EXPECT_EQ(QApplication::clipboard()->text().count('\n'), 4);
    EXPECT_TRUE(m_messages.isEmpty()) << m_messages.join("|").toStdString();

    // Too many for the band: the reason, and nothing listed.
    plan->CountBox()->setValue(40);
    plan->Calculate();
    ASSERT_TRUE(PumpUntil([&] { return !plan->Running(); }));
    EXPECT_EQ(plan->StatusText(), "40 frequencies do not fit the range under these rules.");
    EXPECT_EQ(plan->Table()->rowCount(), 0);
}

TEST_F(FrequencyPlanWindow, CancelEndsALongSearchWithTheBestSoFarAndTheCheckListsReceiverConflicts)
{
    StartReceivers({sim::DefaultConfig(0), sim::DefaultConfig(1)});
    Connect(2);
    CFrequencyPlanDlg* plan = OpenFromViewer(WriteSiteLog());
    // A whole band, as many as fit, a minute given: Cancel ends it within moments.
    plan->StartBox()->setValue(606);
    plan->StopBox()->setValue(636);
    plan->MaxBox()->setChecked(true);
    plan->SecondsBox()->setValue(60);
    plan->Calculate();
    ASSERT_TRUE(PumpUntil([&] { return plan->Progress()->value() > 0 || plan->StatusText().contains("found so far"); }, std::chrono::seconds(5)));
    const auto cancelled = std::chrono::steady_clock::now();
    plan->CancelButton()->click();
    ASSERT_TRUE(PumpUntil([&] { return !plan->Running(); }, std::chrono::seconds(5)));
    EXPECT_LT(std::chrono::steady_clock::now() - cancelled, std::chrono::seconds(2));
    EXPECT_TRUE(plan->StatusText().contains("cancelled")) << plan->StatusText().toStdString();
    EXPECT_FALSE(plan->Rows().empty());

    // Receiver 1 (606.250 MHz) sits 50 kHz from a carrier the log saw.
    View().CheckReceiverFrequencies();
    QListWidget* list = plan->Conflicts();
    ASSERT_TRUE(list->isVisible());
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(0)->text(), "Receiver 1: 606.250 MHz, Receiver 2: 576.625 MHz");
    EXPECT_EQ(list->item(1)->text(), "606.250 MHz is 50 kHz from 606.300 MHz, which the logs saw busy (guard 125 kHz)");
    EXPECT_EQ(plan->StatusText(), "2 frequencies checked: 1 conflicts.");
}

} // namespace
} // namespace zr::test
