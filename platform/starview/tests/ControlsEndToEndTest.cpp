// A real process driven by its script: a modal dialog of controls, a message box and a print job;
// the values it prints, the box log and the paint files follow the script.
#include "SvWindowsTestSupport.h"

namespace {

using Lines = std::vector<std::string>;

TEST(ControlsEndToEndTest, AScriptedDialogAndPrintJobLeaveTheirValuesBoxLogAndPaintFiles) {
    svtest::TempDir dir;
    const std::string script = dir.Path() + "/settings.sv", paint = dir.Path() + "/paint";
    std::ofstream(script) << "# the user's session\n"
                             "text \"Settings\" Edit 1 \"shop\"\n"
                             "choose \"Settings\" ComboBox 1 \"DB2\"\n"
                             "tick \"Settings\" CheckBox 1\n"
                             "click \"Settings\" \"Save\"\n"
                             "answer yes \"Save now?\"\n"
                             "press \"Settings\" OKButton 1\n"
                             "print 1 2\n";
    const svtest::Outcome o =
        svtest::RunProgram(SV_CONTROLS_DEMO_PROGRAM, dir.Path(), {{"SV_SCRIPT", script}, {"SV_PAINT_DIR", paint}});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "dialog 1\nedit \"shop\"\ncombo \"DB2\"\ncheck 1\nstatus \"Saved\"\n"
                     "start Report\npage 1\npage 2\nend Report\ndone\n");
    EXPECT_EQ(svtest::Read(paint + "/boxes.log"),
              "QueryBox parent=\"Settings\" text=\"Save now?\" buttons=yes,no answer=yes\n"
              "PrintDialog parent=\"Bench\" text=\"\" buttons=ok,cancel printer=\"Default Printer\" pages=1-2 of 1-3 "
              "answer=ok\n");

    Lines files;
    for (const auto& e : std::filesystem::directory_iterator(paint)) files.push_back(e.path().filename());
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (Lines{"Bench-4.log", "Bench-4.png", "Report-page1-2.log", "Report-page1-2.png",
                            "Report-page2-3.log", "Report-page2-3.png", "Settings-1.log", "Settings-1.png",
                            "boxes.log"}));
    // The dialog's picture shows each control's state.
    const std::string log = svtest::Read(paint + "/Settings-1.log");
    for (const char* line : {"text 3 4 32 13 \"shop\" font=\"\"/13 color=#000000",
                             "text 3 4 24 13 \"DB2\" font=\"\"/13 color=#000000", "line 3 6 9 12 pen=#000000/1/solid",
                             "text 7 3 40 13 \"Saved\" font=\"\"/13 color=#000000"})
        EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;
    const svtest::Picture picture = svtest::ReadPng(paint + "/Settings-1.png");
    EXPECT_EQ(picture.width, 320);
    EXPECT_EQ(picture.height, 200);
    EXPECT_EQ(svtest::Read(paint + "/Report-page2-3.log"),
              "page 2 \"Report\" size 840 1188\n"
              "  rect 150 120 541 949 pen=#000000/1/solid brush=#FFFFFF/solid\n"
              "  text 160 160 35 5 \"shop page 2\" font=\"\"/5 color=#000000\n");
}

}  // namespace
