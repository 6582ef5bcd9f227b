// Shared by the outliner tests: a window with an outliner in it, nodes made from a compact
// description, the texts of the list items, the list box's paint log, and the diagnostic lines
// the outliner writes.
#pragma once

#include <gtest/gtest.h>
#include <w32test.h>

#include <memory>
#include <string>
#include <vector>

#include "_KxOutlinerForWindows.h"
#include <svnative.h>

namespace outlinertest {

using Lines = std::vector<std::string>;

// An outliner that records its input hooks.
class RecordingOutliner : public KxOutliner {
public:
    RecordingOutliner(Window* parent, Lines& log) : KxOutliner(parent), log_(log) {}
    void MouseButtonDown(const MouseEvent& e) override { log_.push_back("down " + Fields(e)); }
    void MouseButtonUp(const MouseEvent& e) override { log_.push_back("up " + Fields(e)); }
    void GetFocus() override { log_.push_back("GetFocus"); }
    void LoseFocus() override { log_.push_back("LoseFocus"); }

private:
    static std::string Fields(const MouseEvent& e) {
        return std::to_string(e.GetPosPixel().X()) + " " + std::to_string(e.GetPosPixel().Y()) +
               (e.IsRight() ? " right" : " left");
    }
    Lines& log_;
};

class OutlinerTest : public ::testing::Test {
protected:
    OutlinerTest() {
        SvSetScript("", "outliner.sv");
        w32test::SetDebugOutputHook([this](const std::string& text) { debug_ += text; });
        main_ = std::make_unique<WorkWindow>(nullptr);
        main_->SetText("Tree");
        main_->SetOutputSizePixel(Size(300, 220));
        main_->Show();
        outliner_ = new RecordingOutliner(main_.get(), events_);
        outliner_->SetPosSizePixel(Point(10, 10), Size(200, 180));
        outliner_->Show();
    }
    ~OutlinerTest() override {
        delete outliner_;
        main_.reset();
        w32test::SetDebugOutputHook({});
    }

    // Nodes from "text/level" words, appended in order.
    std::vector<KxOutlinerNode*> Fill(const std::vector<std::pair<const char*, unsigned short>>& nodes) {
        std::vector<KxOutlinerNode*> made;
        for (const auto& [text, level] : nodes) {
            auto* node = new KxOutlinerNode(outliner_);
            node->setTextualRepresentation(text);
            node->setIndentLevel(level);
            EXPECT_NE(outliner_->InsertEntry(node), KX_OUTLINER_NOPOS) << text;
            made.push_back(node);
        }
        return made;
    }

    // The texts of the list items, indented two blanks a level.
    Lines Items() const {
        Lines lines;
        for (unsigned short i = 0; KxOutlinerNode* node = outliner_->GetEntry(i); ++i)
            lines.push_back(std::string(2 * node->indentLevel(), ' ') + node->textualRepresentation().GetStr());
        return lines;
    }

    HWND ListBox() const { return static_cast<_KxOutlinerForWindows*>(outliner_->GetImplDependentStuff())->listBox(); }

    // Repaints and answers the list box's paint log.
    Lines Painted() {
        main_->Update();
        Lines lines;
        for (const SvPaintOp& op : SvHandleWindow(ListBox())->GetPaintLog()) lines.push_back(op.Line());
        return lines;
    }

    // Runs the queued input.
    static void Run() { GetpApp()->Execute(); }

    // A click on the list item (in the main window's pixels: the outliner sits at 10, 10; items
    // are 17 pixels high).
    void ClickItem(int item, uint16_t clicks = 1, uint16_t buttons = MOUSE_LEFT) {
        SvPostClick(main_.get(), Point(10 + 30, 10 + 17 * item + 8), buttons, clicks);
    }

    // The diagnostic output so far (and forgets it).
    std::string TakeDebug() { return std::exchange(debug_, std::string()); }

    std::unique_ptr<WorkWindow> main_;
    RecordingOutliner* outliner_ = nullptr;
    Lines events_;
    std::string debug_;
};

}  // namespace outlinertest
