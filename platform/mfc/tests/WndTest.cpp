#include <gtest/gtest.h>

#include "MfcPrint.h"
#include "afxwin.h"

namespace {

TEST(CWnd, KeepsTextsAndRecordsEveryUpdateInOrder) {
    CWnd wnd;
    CStringW text;
    EXPECT_EQ(wnd.GetDlgItemText(1302, text), 0);
    wnd.SetWindowText(u"LiftRunner");
    wnd.SetDlgItemText(1302, u"line |");
    wnd.SetDlgItemText(1302, u"line /");
    wnd.SetDlgItemText(1204, u"22 --> 23");
    EXPECT_EQ(wnd.GetDlgItemText(1302, text), 6);
    EXPECT_EQ(text, u"line /");
    wnd.GetWindowText(text);
    EXPECT_EQ(text, u"LiftRunner");
    const std::vector<CWndTextUpdate> updates = wnd.GetTextUpdates();
    ASSERT_EQ(updates.size(), 4u);
    EXPECT_EQ(updates[0].id, CWnd::kTitleId);
    EXPECT_EQ(updates[0].text, u"LiftRunner");
    EXPECT_EQ(updates[1].text, u"line |");
    EXPECT_EQ(updates[3].id, 1204);
    EXPECT_EQ(updates[3].text, u"22 --> 23");
}

}  // namespace
