// The VST folders as the scan dialog shows them: folders and candidate
// plug-in files with their check boxes, in the order they are shown.
#pragma once

#include "sound/equipment/vst_lists.h"

#include <string>
#include <vector>

namespace Quorvane {

struct VstTreeNode {
    std::string path;  // full path
    std::string label; // a top folder's path, else the name
    int parent = -1;
    bool folder = false;
    bool checked = false;
    long cacheIndex = -1; // files: their entry in the scan cache
    std::vector<int> children;
};

class VstFolderTree {
public:
    // Walks the folders in their order (null or empty ones skipped, one
    // given twice walked once). Files ending in ".dll" that export the VST
    // entry become candidates: each is matched against the cache by path
    // (new ones are added), and those the known list names start checked.
    // Cache entries of files no folder holds are marked for dropping. False
    // when memory runs out.
    bool Build(const std::vector<const char *> &folders, VstScanCache &cache, const CStructArray *known);

    const std::vector<VstTreeNode> &Nodes() const { return nodes_; }
    const VstTreeNode &Node(int index) const { return nodes_[index]; }
    // Top folders, in the order shown.
    const std::vector<int> &Roots() const { return roots_; }

    // Checking checks everything below and every folder above; unchecking
    // unchecks everything below, and each folder above that has no other
    // checked child.
    void SetChecked(int node, bool checked);
    // The checked files, in the order shown.
    std::vector<int> CheckedFiles() const;

private:
    int AddNode(VstTreeNode node);
    bool Walk(int folder, int depth, VstScanCache &cache, const CStructArray *known,
              std::vector<bool> &found);
    void SortChildren(std::vector<int> &children) const;
    void SetBelow(int node, bool checked);
    void CollectChecked(int node, std::vector<int> &files) const;

    std::vector<VstTreeNode> nodes_;
    std::vector<int> roots_;
};

} // namespace Quorvane
