// Resources registered in code: a library's resources arrive with dlopen and leave with dlclose;
// managers match files by name; the current manager switches and is restored; window resources
// are the context of their controls.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>

#include "svbasics.h"

namespace {

// Restores the current resource manager when a test ends.
class ResourceTest : public ::testing::Test {
protected:
    void TearDown() override { Resource::SetResManager(saved_); }
    ResMgr* saved_ = Resource::GetResManager();
};

TEST_F(ResourceTest, ModuleResourcesArriveWithTheLibraryAndLeaveWithIt) {
    ResMgr mgr(SV_TEST_RES_MODULE);  // ".../libsvtestres.so"; the library says "svtestres.dll"
    EXPECT_FALSE(mgr.IsAvailable(RSC_STRING, 2001));

    void* module = dlopen(SV_TEST_RES_MODULE, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();

    EXPECT_TRUE(mgr.IsAvailable(RSC_STRING, 2001));
    EXPECT_TRUE(mgr.IsAvailable(RSC_MODELESSDIALOG, 501));
    EXPECT_FALSE(mgr.IsAvailable(RSC_MODALDIALOG, 501));  // windows are found by type and id
    EXPECT_EQ(mgr.GetString(2001), "Invalid object reference. Cannot set reference.");

    const Bitmap picture(ResId(335, &mgr));
    EXPECT_EQ(picture.GetSizePixel(), Size(3, 2));
    EXPECT_EQ(picture.GetPixel(Point(2, 1)), Color::FromRGB24(0x800000));
    EXPECT_EQ(picture.GetPixelRGB24(0, 0), 0xFFFFFFu);
    const Font font(ResId(902, &mgr));
    EXPECT_EQ(font.GetName(), "Courier");
    EXPECT_EQ(font.GetPitch(), PITCH_FIXED);
    EXPECT_EQ(mgr.GetMenu(300)->items.size(), 3u);
    EXPECT_EQ(mgr.GetMenu(300)->items[2].popup.at(0).id, 312);
    EXPECT_EQ(mgr.GetAccelerator(324)->items.at(0).id, 307);

    // The dialog: pushed as the context in which its controls are found by type and id.
    std::shared_ptr<const SvWindowRes> dialog = mgr.GetWindow(RSC_MODELESSDIALOG, 501);
    EXPECT_EQ(dialog->text, "Printing");
    EXPECT_EQ(dialog->size, Size(300, 120));
    EXPECT_EQ(dialog->style, 0x1000u);
    mgr.PushContext(dialog);
    EXPECT_EQ(mgr.GetControl(RSC_FIXEDTEXT, 1).text, "Job:");
    EXPECT_EQ(mgr.GetControl(RSC_EDIT, 1).pos, Point(80, 40));
    EXPECT_EQ(mgr.GetControl(RSC_CANCELBUTTON, 1).text, "Cancel");
    mgr.PopContext();
    EXPECT_EQ(mgr.GetContext(), nullptr);

    ASSERT_EQ(dlclose(module), 0);
    EXPECT_FALSE(mgr.IsAvailable(RSC_STRING, 2001));
    EXPECT_FALSE(mgr.IsAvailable(RSC_BITMAP, 335));
    EXPECT_FALSE(mgr.IsAvailable(RSC_MODELESSDIALOG, 501));
    EXPECT_EQ(dialog->controls.size(), 4u);  // what was read stays readable
}

TEST_F(ResourceTest, FilesMatchByNameWithoutFolderLibAndExtension) {
    struct Case {
        const char* registered;
        const char* opened;
        bool found;
    };
    const Case cases[] = {
        {"benchextras.dll", "libbenchextras.so", true},
        {"benchextras.dll", "C:\\Tessaform\\BIN\\BenchExtras.DLL", true},
        {"libbenchextras.so", "/opt/tessaform/lib/benchextras.dll", true},
        {"VO110VC.agt", "c:\\agents\\vo110vc.AGT", true},
        {"library.dll", "liblibrary.so", true},
        {"benchextras.dll", "benchextra.dll", false},
        {"benchextras.dll", "libbenchextras2.so", false},
        {"benchextras.dll", "bench.dll", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.registered) + " / " + c.opened);
        SvResourceFile file(c.registered);
        file.AddString(7, c.registered);
        ResMgr mgr(c.opened);
        EXPECT_EQ(mgr.IsAvailable(RSC_STRING, 7), c.found);
    }
}

TEST_F(ResourceTest, SwitchingAndRestoringTheCurrentManager) {
    SvResourceFile app("", [](SvResourceFile& f) { f.AddString(256, "Close the document?"); });
    SvResourceFile lib("benchadvanced.dll", [](SvResourceFile& f) { f.AddString(256, "Cannot store new object."); });

    // No manager set: the application's own file.
    Resource::SetResManager(nullptr);
    EXPECT_EQ(String(ResId(256)), "Close the document?");
    ResMgr own;  // no name: the application's own file
    EXPECT_EQ(own.GetString(256), "Close the document?");

    ResMgr* remembered = Resource::GetResManager();
    ResMgr* libMgr = new ResMgr("libbenchadvanced.so");
    Resource::SetResManager(libMgr);
    EXPECT_EQ(String(ResId(256)), "Cannot store new object.");
    EXPECT_EQ(String(ResId(256, &own)), "Close the document?");  // an id with its own manager
    Resource::SetResManager(remembered);
    EXPECT_EQ(Resource::GetResManager(), remembered);
    EXPECT_EQ(String(ResId(256)), "Close the document?");

    // A manager deleted while current is no longer current.
    Resource::SetResManager(libMgr);
    delete libMgr;
    EXPECT_EQ(Resource::GetResManager(), nullptr);
}

TEST_F(ResourceTest, ALaterFileOfTheSameNameComesFirstUntilItLeaves) {
    SvResourceFile first("shared.dll", [](SvResourceFile& f) { f.AddString(1, "first"); });
    ResMgr mgr("shared.dll");
    {
        SvResourceFile second("shared.dll", [](SvResourceFile& f) { f.AddString(1, "second"); });
        EXPECT_EQ(mgr.GetString(1), "second");
    }
    EXPECT_EQ(mgr.GetString(1), "first");
}

using ResourceDeathTest = ResourceTest;

TEST_F(ResourceDeathTest, AMissingResourceStopsTheProgramNamingFileTypeAndId) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    SvResourceFile file("benchviews.dll", [](SvResourceFile& f) {
        f.AddWindow(RSC_MODALDIALOG, 2001, "Edit", Point(0, 0), Size(200, 100))
            .AddControl(RSC_OKBUTTON, 1, Point(10, 70), Size(60, 20), "OK");
    });
    ResMgr mgr("benchviews.dll");
    EXPECT_DEATH(mgr.GetString(4711), "resource not found: file \"benchviews.dll\", type String, id 4711");
    EXPECT_DEATH(Bitmap(ResId(12, &mgr)), "resource not found: file \"benchviews.dll\", type Bitmap, id 12");
    EXPECT_DEATH(mgr.GetControl(RSC_EDIT, 1), "control outside a window resource");
    mgr.PushContext(mgr.GetWindow(RSC_MODALDIALOG, 2001));
    EXPECT_DEATH(mgr.GetControl(RSC_EDIT, 1),
                 "ModalDialog 2001 \"Edit\": resource not found: file \"benchviews.dll\", type Edit, id 1");
    EXPECT_DEATH(file.AddString(7, "x"); file.AddString(7, "y"),
                 "duplicate resource: file \"benchviews.dll\", type String, id 7");
}

}  // namespace
