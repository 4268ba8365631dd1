#pragma once
// Placing rows read in left-number order into a tree kept as a nested set:
// a node P takes the row as its last child when P.left + 1 = row.left, or
// P.right = row.right + 1, or a child C of P has C.right + 1 = row.left;
// otherwise P's children are tried in order, each with the same test and
// then below it.

#include <memory>
#include <vector>

namespace korvanta {

// Node must offer Lft(), Rgt(), a `Parent` pointer and a children vector
// reached through `children(node)`.
template <typename Node, typename Children>
bool PlaceInNestedSet(Node& P, std::unique_ptr<Node>& row, Children children)
{
    auto& kids = children(P);
    bool accept = P.Lft() + 1 == row->Lft() || P.Rgt() == row->Rgt() + 1;
    for (size_t i = 0; !accept && i < kids.size(); ++i)
        accept = kids[i]->Rgt() + 1 == row->Lft();
    if (accept) {
        row->Parent = &P;
        kids.push_back(std::move(row));
        return true;
    }
    for (size_t i = 0; i < kids.size(); ++i)
        if (PlaceInNestedSet(*kids[i], row, children))
            return true;
    return false;
}

// Renumbers a tree depth first from 1: left on entry, right after the children.
template <typename Node, typename Children, typename SetLftRgt>
qint64 RenumberNestedSet(Node& node, qint64 next, Children children, SetLftRgt set)
{
    const qint64 lft = next++;
    for (auto& kid : children(node))
        next = RenumberNestedSet(*kid, next, children, set);
    set(node, lft, next);
    return next + 1;
}

}  // namespace korvanta
