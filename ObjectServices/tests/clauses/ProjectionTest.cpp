// Columns, column lists, projections and orders; a statement assembled through a dialect.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "KxGColumn.h"
#include "KxGColumnList.h"
#include "KxGCondition.h"
#include "KxGOrder.h"
#include "KxGProjection.h"
#include "TestDialect.h"

namespace {

std::vector<std::string> Lines(const KxString& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text.StrGet());
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

TEST(ClauseNames, QualifiedNames)
{
    EXPECT_STREQ(KxGTable(KxString("ROOTBLOCK"), KxString("SCOTT")).GetQualifiedName().StrGet(), "SCOTT.ROOTBLOCK");
    EXPECT_STREQ(KxGTable(KxString("ROOTBLOCK")).GetQualifiedName().StrGet(), "ROOTBLOCK");
    EXPECT_STREQ(KxGTable(KxString("ROOTBLOCK"), KxString("")).GetQualifiedName().StrGet(), "ROOTBLOCK");
    KxGColumn column(KxString("OID"), 15, 0, KXG_COLUMN_KEY | KXG_COLUMN_NOT_NULL);
    EXPECT_STREQ(column.GetQualifiedName().StrGet(), "OID");
    column.SetQualifier(KxGIdentity(KxString("T0")));
    EXPECT_STREQ(column.GetQualifiedName().StrGet(), "T0.OID");
    EXPECT_TRUE(column.IsKey());
    EXPECT_TRUE(column.IsOrdering());
    EXPECT_TRUE(column.IsNotNull());
    EXPECT_FALSE(KxGColumn(KxString("CID"), 16, 0, KXG_COLUMN_NOT_NULL).IsOrdering());
}

TEST(ClauseColumnList, FindCopyAndDeleteAll)
{
    KxGColumnList list(4);
    auto* oid = new KxGColumn(KxString("OID"));
    auto* first = new KxGColumn(KxString("NAME"));
    auto* second = new KxGColumn(KxString("NAME"));
    EXPECT_EQ(list.AddColumn(oid), 0);
    EXPECT_EQ(list.AddColumn(first), 0);
    EXPECT_EQ(list.AddColumn(second), 0);
    EXPECT_EQ(list.AddColumn(nullptr), KX_FOUND_E_INVALID);
    EXPECT_EQ(list.Count(), 3u);

    EXPECT_EQ(list.Find(KxString("NAME")), first);
    EXPECT_EQ(list.Find(KxString("name")), nullptr);
    EXPECT_EQ(list.Find(second), second);
    KxGColumn outside(KxString("OID"));
    EXPECT_EQ(list.Find(&outside), nullptr);
    EXPECT_EQ(list.GetColumn(3), nullptr);

    KxGColumnList copy(list);
    EXPECT_EQ(copy.GetColumn(0), oid);
    list.Clear();  // forgets, deletes nothing
    EXPECT_EQ(copy.Find(KxString("OID")), oid);
    copy.DeleteAll();  // the columns are deleted once (the sanitizer checks that nothing leaks)
    EXPECT_EQ(copy.Count(), 0u);
}

TEST(ClauseProjection, SelectAndFromTexts)
{
    KxGTable table(KxString("PERSON"), KxString("S"));
    KxGIdentity t0(KxString("T0"));
    KxGColumn oid(KxString("OID"));
    KxGColumn cid(KxString("CID"));
    KxGColumn count(KxString("N"));

    KxGProjection projection(table);
    EXPECT_STREQ(projection.GetFrom().StrGet(), "S.PERSON");
    projection.AddColumn(oid, &t0);
    projection.AddColumn(cid);
    projection.AddLiteral(KxString("COUNT(*)"), count);
    EXPECT_STREQ(projection.GetSelectList().StrGet(), "T0.OID,CID, COUNT(*) AS N");
    EXPECT_EQ(projection.GetColumnCount(), 3);

    projection.AddFrom(KxString("T0"));
    projection.AddTable(KxGTable(KxString("SET1"), KxString("S")), KxGIdentity(KxString("T1")));
    projection.AddTable(KxGTable(KxString("DUAL")));
    EXPECT_STREQ(projection.GetFrom().StrGet(), "S.PERSON T0, S.SET1 T1, DUAL");

    projection.Clear();
    EXPECT_TRUE(projection.GetFrom().IsEmpty());
    EXPECT_TRUE(projection.GetSelectList().IsEmpty());
    EXPECT_EQ(projection.GetColumnCount(), 0);
    projection.AddTable(table, t0);
    projection.AddColumn(oid);
    EXPECT_STREQ(projection.GetFrom().StrGet(), "S.PERSON T0");
    EXPECT_STREQ(projection.GetSelectList().StrGet(), "OID");

    KxGProjection empty;
    empty.AddLiteral(KxString("1"), oid);
    EXPECT_STREQ(empty.GetSelectList().StrGet(), "1 AS OID");
}

TEST(ClauseProjection, ExtendedProjectionKeepsItsColumnsWithoutOwningThem)
{
    KxGColumn oid(KxString("OID"));
    KxGColumn name(KxString("NAME"));
    KxGExtendedProjection projection(KxGTable(KxString("PERSON")));
    KxGProjection& base = projection;
    base.AddColumn(oid);  // through the base: the extended behaviour still applies
    base.AddColumn(name);
    ASSERT_EQ(projection.GetColumns().Count(), 2u);
    EXPECT_EQ(projection.GetColumns().GetColumn(0), &oid);
    EXPECT_EQ(projection.GetColumns().GetColumn(1), &name);
    EXPECT_STREQ(projection.GetSelectList().StrGet(), "OID,NAME");
    base.Clear();
    EXPECT_EQ(projection.GetColumns().Count(), 0u);
    EXPECT_STREQ(oid.GetName().StrGet(), "OID");  // not deleted
}

// 9-character columns: each further column takes 10 characters (comma and name), so eight fill a line
// of 79 characters; the ninth's comma ends the line at 80 and the name starts the next line.
TEST(ClauseProjection, WrapBreaksTheSelectListAtEightyColumns)
{
    std::vector<KxGColumn> columns;
    for (int i = 1; i <= 20; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "COLUMN_%02d", i);
        columns.emplace_back(KxString(name));
    }
    KxGProjection wrapped(KxGTable(KxString("T")), 1);
    KxGProjection flat(KxGTable(KxString("T")), 0);
    for (const KxGColumn& column : columns) {
        wrapped.AddColumn(column);
        flat.AddColumn(column);
    }
    const std::vector<std::string> lines = Lines(wrapped.GetSelectList());
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "COLUMN_01,COLUMN_02,COLUMN_03,COLUMN_04,COLUMN_05,COLUMN_06,COLUMN_07,COLUMN_08,");
    EXPECT_EQ(lines[0].size(), 80u);
    EXPECT_EQ(lines[1].substr(0, 10), "COLUMN_09,");
    EXPECT_EQ(lines[2], "COLUMN_17,COLUMN_18,COLUMN_19,COLUMN_20");
    EXPECT_EQ(Lines(flat.GetSelectList()).size(), 1u);
    EXPECT_EQ(wrapped.GetColumnCount(), 20);
}

// Lines never pass 80 characters unless one column text alone is longer, also when a line is filled
// to exactly 80 characters, with aliases and literals in between.
TEST(ClauseProjection, WrappedLinesNeverPassEighty)
{
    const std::vector<size_t> lengths = {80, 1, 79, 2, 78, 3, 81, 1, 40, 39, 1, 5, 120, 80, 80, 7, 70, 9, 1, 1};
    KxGIdentity alias(KxString("T12"));
    KxGColumn literalColumn(KxString("L"));
    KxGProjection projection(KxGTable(KxString("T")), 1);
    std::vector<std::string> texts;
    std::vector<KxGColumn> columns;
    columns.reserve(lengths.size());
    for (size_t i = 0; i < lengths.size(); ++i) {
        const bool aliased = i % 3 == 2 && lengths[i] > 4;
        const size_t nameLength = aliased ? lengths[i] - 4 : lengths[i];
        std::string name(nameLength, static_cast<char>('A' + i % 26));
        columns.emplace_back(KxString(name.c_str()));
        projection.AddColumn(columns.back(), aliased ? &alias : nullptr);
        texts.push_back(aliased ? "T12." + name : name);
        if (i == 9) {
            projection.AddLiteral(KxString("'LITERAL_VALUE_WITH_SOME_LENGTH'"), literalColumn);
        }
    }
    for (const std::string& line : Lines(projection.GetSelectList())) {
        if (line.size() > 80) {
            // Only a column text alone (perhaps after its comma) may pass the width.
            const std::string body = line[0] == ',' ? line.substr(1) : line;
            const std::string bare = body.back() == ',' ? body.substr(0, body.size() - 1) : body;
            EXPECT_NE(std::find(texts.begin(), texts.end(), bare), texts.end()) << line.size() << ": " << line;
        }
    }
    // Nothing is lost: removing the breaks gives the flat list.
    KxGProjection flat(KxGTable(KxString("T")), 0);
    for (size_t i = 0; i < columns.size(); ++i) {
        flat.AddColumn(columns[i], i % 3 == 2 && lengths[i] > 4 ? &alias : nullptr);
        if (i == 9) {
            flat.AddLiteral(KxString("'LITERAL_VALUE_WITH_SOME_LENGTH'"), literalColumn);
        }
    }
    std::string joined;
    for (const std::string& line : Lines(projection.GetSelectList())) {
        joined += line;
    }
    EXPECT_EQ(joined, flat.GetSelectList().StrGet());
}

TEST(ClauseProjection, WrapWhenTheLineIsExactlyFull)
{
    const std::string full(80, 'F');
    const std::string next(10, 'N');
    KxGColumn a(KxString(full.c_str()));
    KxGColumn b(KxString(next.c_str()));
    KxGProjection projection(KxGTable(KxString("T")), 1);
    projection.AddColumn(a);
    projection.AddColumn(b);
    const std::vector<std::string> lines = Lines(projection.GetSelectList());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], full);
    EXPECT_EQ(lines[1], "," + next);
}

TEST(ClauseOrder, AscendingDescendingAndQualified)
{
    KxGColumn oid(KxString("OID"));
    oid.SetQualifier(KxString("T0"));
    KxGColumn eid(KxString("EID"));
    eid.SetQualifier(KxString("T1"));
    KxGOrder order;
    EXPECT_TRUE(order.IsEmpty());
    order.AddOrder(oid, KXG_SORT_ASCENDING, 1);
    order.AddOrder(eid, KXG_SORT_DESCENDING, 0);
    order.AddOrder(eid, 2, 1);
    order.AddOrder(eid, -1, 1);
    EXPECT_STREQ(order.GetText().StrGet(), "T0.OID, EID DESC, T1.EID, T1.EID");
    order.Clear();
    EXPECT_TRUE(order.IsEmpty());
}

// The builders' texts as a dialect receives them: SELECT, WHERE and ORDER BY of one class's rows, with
// a row limit added through the condition's current operator.
TEST(ClauseDialect, StatementAssembledThroughTheDialect)
{
    ClauseTestDialect dialect;
    KxGDatabaseInfo& info = dialect;
    KxGTable table(KxString("PERSON"), KxString("S"));
    KxGIdentity t0(KxString("T0"));
    KxGColumn oid(KxString("OID"), 15, 0, KXG_COLUMN_KEY | KXG_COLUMN_NOT_NULL);
    KxGColumn name(KxString("NAME"), 11, 40);
    oid.SetQualifier(t0);
    name.SetQualifier(t0);

    KxGProjection projection;
    projection.AddTable(table, t0);
    projection.AddColumn(oid, &t0);
    projection.AddColumn(name, &t0);
    KxGCondition condition;
    condition.AddCondition(name, KXG_OP_LIKE, info.GetParameterMarker(1), 1);
    condition.AddCondition(oid, KXG_OP_NULL | KXG_OP_NE, KxString("NULL"), 1);
    info.RowLimit(condition, 20);
    KxGOrder order;
    order.AddOrder(oid, KXG_SORT_DESCENDING, 1);

    KxString sql;
    info.Select(projection, sql);
    info.Where(condition.GetText(), sql);
    info.OrderBy(order.GetText(), sql);
    EXPECT_STREQ(sql.StrGet(),
                 "SELECT T0.OID,T0.NAME FROM S.PERSON T0 WHERE T0.NAME LIKE :1 ESCAPE '\\'  AND "
                 "T0.OID IS NOT NULL AND ROWNUM<21 ORDER BY T0.OID DESC");

    KxString none;
    info.Where(KxGCondition().GetText(), none);
    info.OrderBy(KxGOrder().GetText(), none);
    EXPECT_TRUE(none.IsEmpty());
}

}  // namespace
