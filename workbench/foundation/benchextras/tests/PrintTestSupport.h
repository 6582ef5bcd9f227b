// Shared by the printing tests: a printer that keeps the paint log of every page it prints, a
// client that writes one line a page, and a fixed date for the footer.
#pragma once

#include <KxDateTime.h>

#include <map>
#include <string>
#include <vector>

#include "KvPrint.h"
#include "SvWindowsTestSupport.h"

namespace printtest {

using Lines = std::vector<std::string>;

inline Lines LogOf(const OutputDevice& device) {
    Lines lines;
    for (const SvPaintOp& op : device.GetPaintLog()) lines.push_back(op.Line());
    return lines;
}

inline bool Has(const Lines& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// Keeps each printed page's paint log, by the page's number in the job.
class RecordingPrinter : public Printer {
public:
    using Printer::Printer;
    void PrintPage() override {
        Printer::PrintPage();
        pages.push_back(LogOf(*this));
    }
    std::vector<Lines> pages;
};

// "Content of page N" at the draw area's top left, on every page up to its last.
class LineClient : public KvPrintClient {
public:
    explicit LineClient(long maxPage) : maxPage_(maxPage) {}
    long getMaxPage(OutputDevice*, Rectangle& area) override {
        areas.push_back(area);
        return maxPage_;
    }
    void printContent(OutputDevice* device, Rectangle& area, long page) override {
        device->DrawText(area.TopLeft(), String(("Content of page " + std::to_string(page)).c_str()));
        printed.push_back(page);
    }
    std::vector<Rectangle> areas;
    std::vector<long> printed;

private:
    long maxPage_;
};

inline KxClockReading FixedClock() { return KxClockReading{2026, 12, 11, 9, 30, 0}; }

class PrintTest : public svtest::WindowsTest {
protected:
    void SetUp() override {
        svtest::WindowsTest::SetUp();
        KxDateTime::SetClock(&FixedClock);
        KxString name("Inventory");
        server_.setPrintJobName(name);
    }
    void TearDown() override { KxDateTime::SetClock(nullptr); }

    static std::string Boxes() {
        std::string text;
        for (const SvBoxRecord& box : SvTakeBoxLog()) text += box.Line() + "\n";
        return text;
    }

    KvPrintServer server_;
};

}  // namespace printtest
