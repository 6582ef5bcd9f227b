#include "XKxStatistic.h"

#include <windows.h>

#include <algorithm>
#include <limits>

#include "XKxBaseFunctions.h"
#include "XKxGlobals.h"
#include "XRound.h"

namespace {

int32_t ClampTicks(int64_t ticks) {
    return static_cast<int32_t>(std::clamp<int64_t>(ticks, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

int32_t Now() { return static_cast<int32_t>(clock()); }

CString DurationText(int32_t ticks) { return XTime(ticks, 0).GetText(); }

CString ShareText(int32_t part, int32_t total) { return XPercent(part, total, 0).GetText(); }

}  // namespace

// ---- XKxStatisticSummary ----

void XKxStatisticSummary::Add(const CString& name) {
    if (!names_.IsEmpty()) names_ += u", ";
    names_ += name;
}

CString XKxStatisticSummary::First() {
    position_ = 0;
    return Next();
}

CString XKxStatisticSummary::Next() {
    if (position_ >= names_.GetLength()) return CString();
    const int32_t separator = names_.Find(u", ", position_);
    const int32_t end = separator < 0 ? names_.GetLength() : separator;
    const CString name = names_.Mid(position_, end - position_);
    position_ = separator < 0 ? names_.GetLength() : separator + 2;
    return name;
}

// ---- XKxStatistic ----

// One line of a node's section: a plain text, a time row "<label>: <fill><time right-aligned in
// 30> (<share>)", the separator, or an empty inner line.
struct XKxStatistic::Row {
    enum Kind { Text, Time, Separator, Empty };
    Kind kind;
    CString text;
    CString time;
    CString share;

    static Row MakeText(const CString& text) { return {Text, text, CString(), CString()}; }
    static Row MakeTime(const CString& label, int32_t ticks, int32_t total) {
        return {Time, label, DurationText(ticks), ShareText(ticks, total)};
    }

    CString Render(int32_t fill) const {
        CString line;
        if (kind == Time) line.Format(gStepLineFormat, text, RepeatBlank(fill), time, share);
        else if (kind == Text) line = text;
        return line;
    }
    int32_t Need() const { return Render(0).GetLength(); }
};

XKxStatistic::XKxStatistic(const CString& title) : title_(title) {}

XKxStatistic::~XKxStatistic() = default;

XKxStatistic* XKxStatistic::AddChild(const CString& title) {
    auto child = std::make_unique<XKxStatistic>(title);
    const int32_t position = static_cast<int32_t>(children_.size()) + 1;
    if (number_.IsEmpty() || number_ == u"0") child->number_.Format(u"%d", position);
    else child->number_.Format(u"%s.%d", number_, position);
    child->level_ = level_ + 1;
    children_.push_back(std::move(child));
    return children_.back().get();
}

XKxStatisticSummary* XKxStatistic::AddSummary(const CString& title) {
    summaries_.push_back(std::make_unique<XKxStatisticSummary>(title));
    return summaries_.back().get();
}

void XKxStatistic::AddName(const CString& name) {
    if (!names_.IsEmpty()) names_ += u", ";
    names_ += u"<" + name + u">";
}

bool XKxStatistic::HasName(const CString& name) const { return names_.Find(u"<" + name + u">") >= 0; }

XKxStatistic* XKxStatistic::GetChild(int32_t position) const {
    if (position < 0 || position >= GetChildCount()) return nullptr;
    return children_[static_cast<size_t>(position)].get();
}

void XKxStatistic::Start() {
    startTicks_ = Now();
    running_ = true;
}

void XKxStatistic::Stop() {
    if (!running_) return;
    stopTicks_ = Now();
    elapsedTicks_ = ClampTicks(static_cast<int64_t>(elapsedTicks_) + stopTicks_ - startTicks_);
    running_ = false;
}

int32_t XKxStatistic::GetTime(bool recursive) const {
    if (children_.empty() || !recursive) return elapsedTicks_;
    int64_t sum = 0;
    for (const auto& child : children_) sum += child->GetTime(true);
    return ClampTicks(sum);
}

int32_t XKxStatistic::GetTimeOfName(const CString& name) const {
    if (HasName(name)) return GetTime(true);
    int64_t sum = 0;
    for (const auto& child : children_) sum += child->GetTimeOfName(name);
    return ClampTicks(sum);
}

int32_t XKxStatistic::GetDepth() const {
    int32_t deepest = 0;
    for (const auto& child : children_) deepest = std::max(deepest, child->GetDepth());
    return 1 + deepest;
}

int32_t XKxStatistic::GetSectionTime() const {
    if (children_.empty()) return elapsedTicks_;
    int64_t sum = 0;
    for (const auto& child : children_) sum += child->GetSectionTime();
    return ClampTicks(std::max<int64_t>(elapsedTicks_, sum));
}

CString XKxStatistic::GetHeading() const {
    if (level_ == 0) return title_;
    CString heading;
    heading.Format(gStepNoteFormat, number_, title_);
    return heading;
}

std::vector<XKxStatistic::Row> XKxStatistic::SectionRows() const {
    const int32_t total = GetSectionTime();
    std::vector<Row> rows;
    rows.push_back(Row::MakeText(GetHeading()));
    rows.push_back({Row::Empty, CString(), CString(), CString()});
    int64_t childrenTime = 0;
    for (const auto& child : children_) {
        CString label = child->title_;
        if (!child->children_.empty()) label.Format(u"%s (%s)", child->number_, child->title_);
        const int32_t time = child->GetSectionTime();
        childrenTime += time;
        rows.push_back(Row::MakeTime(label, time, total));
    }
    rows.push_back(Row::MakeTime(u"Additional operations", ClampTicks(total - childrenTime), total));
    rows.push_back({Row::Separator, CString(), CString(), CString()});
    rows.push_back(Row::MakeTime(u"Total running time", total, total));

    if (!summaries_.empty()) {
        rows.push_back({Row::Empty, CString(), CString(), CString()});
        CString heading;
        heading.Format(u"Summaries for '%s':", title_);
        rows.push_back(Row::MakeText(heading));
        for (const auto& summary : summaries_) {
            rows.push_back({Row::Empty, CString(), CString(), CString()});
            rows.push_back(Row::MakeText(summary->GetTitle()));
            int64_t namesTime = 0;
            for (CString name = summary->First(); !name.IsEmpty(); name = summary->Next()) {
                CString label;
                label.Format(u"Upgrade <%s>", name);
                const int32_t time = GetTimeOfName(name);
                namesTime += time;
                rows.push_back(Row::MakeTime(label, time, total));
            }
            rows.push_back(Row::MakeTime(u"Additional operations", ClampTicks(total - namesTime), total));
            rows.push_back({Row::Separator, CString(), CString(), CString()});
            rows.push_back(Row::MakeTime(u"Total running time", total, total));
        }
    }
    return rows;
}

int32_t XKxStatistic::NeededWidth() const {
    int32_t width = GetHeading().GetLength();
    if (!children_.empty())
        for (const Row& row : SectionRows()) width = std::max(width, row.Need());
    for (const auto& child : children_) width = std::max(width, child->NeededWidth());
    return width;
}

void XKxStatistic::SetWidth(int32_t width) {
    width_ = width;
    starLine_ = RepeatStar(width + 8);
    boxTop_.Format(u"* %s *", RepeatStar(width + 4));
    boxEmpty_.Format(u"* %s *", RepeatBlank(width + 4));
    innerEmpty_.Format(u"* * %s * *", RepeatBlank(width));
    for (const auto& child : children_) child->SetWidth(width);
}

void XKxStatistic::CollectLevel(int32_t level, std::vector<const XKxStatistic*>& nodes) const {
    if (level == 0) {
        if (!children_.empty()) nodes.push_back(this);
        return;
    }
    for (const auto& child : children_) child->CollectLevel(level - 1, nodes);
}

void XKxStatistic::PrintSection() const {
    for (const Row& row : SectionRows()) {
        if (row.kind == Row::Empty) {
            LogLine(innerEmpty_, false);
            continue;
        }
        const CString text = row.kind == Row::Separator ? RepeatDash(width_) : row.Render(width_ - row.Need());
        CString line;
        line.Format(u"* * %s * *", PadRight(text, width_));
        LogLine(line, false);
    }
}

void XKxStatistic::Report() {
    CString totalLine;
    totalLine.Format(u"Total running time for '%s': %s", title_, DurationText(GetSectionTime()));
    SetWidth(std::max(NeededWidth(), totalLine.GetLength()));

    LogEmptyLine();
    LogLine(starLine_, false);
    LogLine(boxEmpty_, false);
    const int32_t left = (width_ - totalLine.GetLength()) / 2;
    const int32_t right = width_ - totalLine.GetLength() - left;
    CString titleLine;
    titleLine.Format(u"*   %s%s%s   *", RepeatBlank(left), totalLine, RepeatBlank(right));
    LogLine(titleLine, false);
    LogLine(boxEmpty_, false);
    LogLine(starLine_, false);

    const int32_t depth = GetDepth();
    for (int32_t level = 0; level < depth; ++level) {
        std::vector<const XKxStatistic*> nodes;
        CollectLevel(level, nodes);
        if (nodes.empty()) break;   // the deepest level holds leaves only
        if (level > 0) LogLine(boxEmpty_, false);
        LogLine(boxTop_, false);
        for (size_t i = 0; i < nodes.size(); ++i) {
            if (i > 0) LogLine(innerEmpty_, false);
            nodes[i]->PrintSection();
        }
        LogLine(boxTop_, false);
    }
    LogLine(starLine_, false);
}

void XKxStatistic::PrintTree(int32_t indent) {
    CString line;
    line.Format(u"%s%s\t\t\t%s", RepeatBlank(2 * indent), number_, title_);
    LogLine(line, false);
    for (const auto& child : children_) child->PrintTree(indent + 1);
}
