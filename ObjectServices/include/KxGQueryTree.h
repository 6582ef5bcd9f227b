// The Boolean tree of a query's WHERE clause.
//
// Trees arrive in prefix order (every operator before its operands) and are inserted at the root:
//   KxGQueryTreeLeaf   one SQL term;
//   KxGQueryTreeNOT    NOT over one child;
//   KxGQueryTreeDummy  a place that prints nothing (a comparison that adds no term);
//   KxGQueryTreeNode   a binary operator (1 AND, 2 OR) over a left and a right child.
// A node fills its left side before its right; an operator whose operand is itself an operator
// passes later children down to it. Insert takes the child over when it answers 1; on 0 the caller
// keeps it. Check answers whether every operator got its operands.
#pragma once

#include <cstdint>
#include <memory>

#include "KxString.h"

class KxGQueryTree {
public:
    virtual ~KxGQueryTree() = default;
    virtual uint16_t Insert(KxGQueryTree* child) = 0;
    virtual uint16_t IsEmpty() = 0;
    virtual void Print(KxString& out) = 0;
    // True when every operator below has all its operands (a NOT over an empty child has none).
    virtual bool IsComplete() = 0;
};

class KxGQueryTreeLeaf : public KxGQueryTree {
public:
    explicit KxGQueryTreeLeaf(const KxString& term) : term_(term) {}
    uint16_t Insert(KxGQueryTree*) override { return 0; }
    uint16_t IsEmpty() override { return 0; }
    void Print(KxString& out) override { out << term_; }
    bool IsComplete() override { return true; }

private:
    KxString term_;
};

class KxGQueryTreeDummy : public KxGQueryTree {
public:
    uint16_t Insert(KxGQueryTree*) override { return 0; }
    uint16_t IsEmpty() override { return 1; }
    void Print(KxString&) override {}
    bool IsComplete() override { return true; }
};

class KxGQueryTreeNOT : public KxGQueryTree {
public:
    uint16_t Insert(KxGQueryTree* child) override;
    uint16_t IsEmpty() override { return 0; }
    void Print(KxString& out) override;
    bool IsComplete() override;

private:
    std::unique_ptr<KxGQueryTree> child_;
};

class KxGQueryTreeNode : public KxGQueryTree {
public:
    explicit KxGQueryTreeNode(uint8_t boolOp) : boolOp_(boolOp) {}
    uint16_t Insert(KxGQueryTree* child) override;
    uint16_t IsEmpty() override;
    void Print(KxString& out) override;
    bool IsComplete() override;
    uint8_t GetBoolOp() const { return boolOp_; }

private:
    std::unique_ptr<KxGQueryTree> left_;
    std::unique_ptr<KxGQueryTree> right_;
    uint8_t boolOp_;
};
