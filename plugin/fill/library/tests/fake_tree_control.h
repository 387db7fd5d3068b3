// A folder tree control in memory that records what was done to it.
#pragma once

#include "plugin/fill/library/folder_tree_control.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace library_tests {

class FakeTreeControl : public Quorvane::FolderTreeControl {
public:
    struct Node {
        std::string text;
        int image = -1;
        int selectedImage = -1;
        Node *parent = nullptr;
        std::vector<std::unique_ptr<Node>> children;
    };

    Node root;
    int inserts = 0;
    int deletes = 0;

    Item firstChild(Item parent) override
    {
        Node &node = of(parent);
        return node.children.empty() ? nullptr : node.children.front().get();
    }
    Item nextSibling(Item item) override
    {
        auto &siblings = static_cast<Node *>(item)->parent->children;
        auto at = position(item);
        return at + 1 == siblings.end() ? nullptr : (at + 1)->get();
    }
    std::string text(Item item) override { return static_cast<Node *>(item)->text; }
    Item insertAfter(Item parent, Item after, const std::string &text, int image, int selectedImage) override
    {
        Node &node = of(parent);
        auto at = after ? position(after) + 1 : node.children.begin();
        return insert(node, at, text, image, selectedImage);
    }
    Item append(Item parent, const std::string &text, int image, int selectedImage) override
    {
        Node &node = of(parent);
        return insert(node, node.children.end(), text, image, selectedImage);
    }
    void deleteItem(Item item) override
    {
        ++deletes;
        static_cast<Node *>(item)->parent->children.erase(position(item));
    }

    // Adds an item by hand, as a view would already hold it.
    Node *add(Node &parent, const std::string &text)
    {
        return static_cast<Node *>(insert(parent, parent.children.end(), text, 0, 1, false));
    }

    // "A(B,C),D" style outline of the items below a node.
    static std::string outline(const Node &node)
    {
        std::string out;
        for (const auto &child : node.children) {
            if (!out.empty())
                out += ',';
            out += child->text;
            if (!child->children.empty())
                out += '(' + outline(*child) + ')';
        }
        return out;
    }

private:
    Node &of(Item item) { return item ? *static_cast<Node *>(item) : root; }
    std::vector<std::unique_ptr<Node>>::iterator position(Item item)
    {
        auto &siblings = static_cast<Node *>(item)->parent->children;
        return std::find_if(siblings.begin(), siblings.end(), [&](const auto &n) { return n.get() == item; });
    }
    Item insert(Node &parent, std::vector<std::unique_ptr<Node>>::iterator at, const std::string &text,
                int image, int selectedImage, bool counted = true)
    {
        auto node = std::make_unique<Node>();
        node->text = text;
        node->image = image;
        node->selectedImage = selectedImage;
        node->parent = &parent;
        Node *raw = node.get();
        parent.children.insert(at, std::move(node));
        if (counted)
            ++inserts;
        return raw;
    }
};

} // namespace library_tests
