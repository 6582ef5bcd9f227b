// The running times of the upgrade steps: a tree of nodes, each with its own clock (the run time's
// clock, milliseconds), and a boxed report of times and shares with optional summaries that add up
// the steps of named databases.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "afxstr.h"

// A ", "-separated list of names, walked with First and Next.
class XKxStatisticSummary {
public:
    explicit XKxStatisticSummary(const CString& title) : title_(title) {}

    void Add(const CString& name);
    // The first name; the walk ends at an empty result.
    CString First();
    CString Next();

    const CString& GetTitle() const { return title_; }
    const CString& GetNames() const { return names_; }

private:
    CString title_;
    CString names_;
    int32_t position_ = 0;
};

class XKxStatistic {
public:
    explicit XKxStatistic(const CString& title);
    ~XKxStatistic();
    XKxStatistic(const XKxStatistic&) = delete;
    XKxStatistic& operator=(const XKxStatistic&) = delete;

    // A new last child: numbered by its position ("1", "2", ... below a node numbered "0" or not
    // numbered, else "<number>.<position>"), one level deeper.
    XKxStatistic* AddChild(const CString& title);
    XKxStatisticSummary* AddSummary(const CString& title);
    // Appends "<name>" (after ", " when there are names already).
    void AddName(const CString& name);
    bool HasName(const CString& name) const;
    // The child at the position (from 0); null outside.
    XKxStatistic* GetChild(int32_t position) const;
    int32_t GetChildCount() const { return static_cast<int32_t>(children_.size()); }
    void SetSummaryTitle(const CString& text) { summaryTitle_ = text; }
    const CString& GetSummaryTitle() const { return summaryTitle_; }

    // Start and stop may repeat; each stop after a start adds the interval. A stop without a
    // running start adds nothing.
    void Start();
    void Stop();

    // Own ticks for a leaf or when not recursive; else the sum of the children's recursive times.
    int32_t GetTime(bool recursive) const;
    // The node's recursive time when it has the name, else the sum of its children's.
    int32_t GetTimeOfName(const CString& name) const;
    int32_t GetDepth() const;

    void SetWidth(int32_t width);
    // The boxed report, to the log.
    void Report();
    // "<blanks><number>\t\t\t<title>" for this node and, one indent deeper, its descendants, to the log.
    void PrintTree(int32_t indent);

    const CString& GetTitle() const { return title_; }
    const CString& GetNumber() const { return number_; }
    const CString& GetNames() const { return names_; }
    int32_t GetLevel() const { return level_; }

private:
    struct Row;
    // The time the node's section shows as its total: its own clock, but never less than what its
    // children took.
    int32_t GetSectionTime() const;
    CString GetHeading() const;
    std::vector<Row> SectionRows() const;
    int32_t NeededWidth() const;
    void CollectLevel(int32_t level, std::vector<const XKxStatistic*>& nodes) const;
    void PrintSection() const;

    CString title_;
    CString summaryTitle_;
    CString number_;
    CString names_;
    int32_t startTicks_ = 0;
    int32_t stopTicks_ = 0;
    int32_t elapsedTicks_ = 0;
    int32_t width_ = 0;
    int32_t level_ = 0;
    CString starLine_;
    CString boxTop_;
    CString boxEmpty_;
    CString innerEmpty_;
    bool running_ = false;
    std::vector<std::unique_ptr<XKxStatisticSummary>> summaries_;
    std::vector<std::unique_ptr<XKxStatistic>> children_;
};
