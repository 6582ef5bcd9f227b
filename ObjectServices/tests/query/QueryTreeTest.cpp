// Query trees filled in prefix order and printed as WHERE clauses.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "KxGQueryTree.h"

namespace {

// Builds trees from tokens: "AND", "OR", "NOT", "-" (a place that prints nothing), else a leaf.
std::unique_ptr<KxGQueryTree> Make(const std::string& token)
{
    if (token == "AND") {
        return std::make_unique<KxGQueryTreeNode>(1);
    }
    if (token == "OR") {
        return std::make_unique<KxGQueryTreeNode>(2);
    }
    if (token == "NOT") {
        return std::make_unique<KxGQueryTreeNOT>();
    }
    if (token == "-") {
        return std::make_unique<KxGQueryTreeDummy>();
    }
    return std::make_unique<KxGQueryTreeLeaf>(KxString(token.c_str()));
}

// Inserts every token at the root; false when a token was refused.
bool Fill(std::unique_ptr<KxGQueryTree>& root, const std::vector<std::string>& tokens)
{
    for (const auto& token : tokens) {
        auto tree = Make(token);
        if (!root) {
            root = std::move(tree);
        } else if (root->Insert(tree.get()) == 1) {
            tree.release();
        } else {
            return false;
        }
    }
    return true;
}

TEST(QueryTree, PrefixTokensPrintAsNestedConditions)
{
    const struct {
        std::vector<std::string> tokens;
        const char* printed;
    } cases[] = {
        {{"a"}, "a"},
        {{"AND", "a", "b"}, "(a) AND (b)"},
        {{"OR", "a", "b"}, "a OR b"},
        {{"NOT", "a"}, "NOT (a)"},
        // NOT over an operator keeps both operands
        {{"NOT", "AND", "a", "b"}, "NOT ((a) AND (b))"},
        {{"NOT", "OR", "a", "NOT", "b"}, "NOT (a OR NOT (b))"},
        {{"AND", "OR", "a", "b", "c"}, "(a OR b) AND (c)"},
        {{"OR", "a", "AND", "b", "c"}, "a OR (b) AND (c)"},
        {{"AND", "AND", "a", "b", "NOT", "c"}, "((a) AND (b)) AND (NOT (c))"},
        // a place without a term leaves the other operand alone
        {{"AND", "-", "b"}, "b"},
        {{"OR", "a", "-"}, "a"},
    };
    for (const auto& c : cases) {
        std::unique_ptr<KxGQueryTree> root;
        ASSERT_TRUE(Fill(root, c.tokens)) << c.printed;
        EXPECT_TRUE(root->IsComplete()) << c.printed;
        KxString out;
        root->Print(out);
        EXPECT_EQ(out.ToUtf8(), c.printed);
    }
}

TEST(QueryTree, IncompleteAndOverfullTreesAreDetected)
{
    const struct {
        std::vector<std::string> tokens;
        bool accepted;
        bool complete;
    } cases[] = {
        {{"AND", "a"}, true, false},
        {{"NOT"}, true, false},
        {{"NOT", "-"}, true, false},          // NOT over a comparison that added nothing
        {{"NOT", "AND", "a"}, true, false},
        {{"AND", "a", "b", "c"}, false, true},  // a third operand has no place
        {{"NOT", "a", "b"}, false, true},
        {{"a", "b"}, false, true},
    };
    for (const auto& c : cases) {
        std::unique_ptr<KxGQueryTree> root;
        EXPECT_EQ(Fill(root, c.tokens), c.accepted) << c.tokens.size();
        EXPECT_EQ(root->IsComplete(), c.complete) << c.tokens.size();
    }
}

}  // namespace
