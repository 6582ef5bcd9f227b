#include "KxGQueryTree.h"

uint16_t KxGQueryTreeNOT::Insert(KxGQueryTree* child)
{
    if (!child_) {
        child_.reset(child);
        return 1;
    }
    // NOT over an operator: the operator's operands follow and belong below it.
    return child_->Insert(child);
}

void KxGQueryTreeNOT::Print(KxString& out)
{
    KxString inner;
    if (child_) {
        child_->Print(inner);
    }
    out << "NOT (" << inner << ")";
}

bool KxGQueryTreeNOT::IsComplete()
{
    return child_ && child_->IsEmpty() == 0 && child_->IsComplete();
}

uint16_t KxGQueryTreeNode::Insert(KxGQueryTree* child)
{
    if (!left_) {
        left_.reset(child);
        return 1;
    }
    if (left_->Insert(child) != 0) {
        return 1;
    }
    if (right_) {
        return right_->Insert(child);
    }
    right_.reset(child);
    return 1;
}

uint16_t KxGQueryTreeNode::IsEmpty()
{
    KxString text;
    Print(text);
    return text.IsEmpty() ? 1 : 0;
}

void KxGQueryTreeNode::Print(KxString& out)
{
    if (!left_) {
        return;
    }
    if (boolOp_ != 0 && right_ && right_->IsEmpty() == 0) {
        KxString left;
        KxString right;
        left_->Print(left);
        right_->Print(right);
        if (left_->IsEmpty() != 0) {
            out << right;
        } else if (boolOp_ == 1) {
            out << "(" << left << ") AND (" << right << ")";
        } else if (boolOp_ == 2) {
            out << left << " OR " << right;
        } else {
            // Never sent: the query service refuses other operators before it builds a node.
            out << " Bool Operator is not supported";
        }
        return;
    }
    if (left_->IsEmpty() == 0) {
        left_->Print(out);
    }
}

bool KxGQueryTreeNode::IsComplete()
{
    return left_ && right_ && left_->IsComplete() && right_->IsComplete();
}
