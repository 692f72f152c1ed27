// The pivot engine's dimensions, node trees and node iterator.
#include "CPivotCube.h"

#include <algorithm>

LORVANE_IMPLEMENT_CLASS(TPCAxisVisualFilter, TPCAxisFilter)
LORVANE_REGISTER_CLASS(TPCAxisVisualFilter)

void TPCAxisVisualFilter::WriteToFiler(TVirtualWriter& writer) const {
    TPCAxisFilter::WriteToFiler(writer);
    writer.WriteVersion(0);
    writer.WriteBoolean("DescendingSort", DescendingSort);
    writer.WriteVersionEnd();
}

void TPCAxisVisualFilter::ReadFromFiler(TVirtualReader& reader) {
    TPCAxisFilter::ReadFromFiler(reader);
    int32_t version = reader.ReadVersion();
    if (version != 0) RaiseFilerException(version);
    DescendingSort = reader.ReadBoolean("DescendingSort");
    reader.ReadVersionEnd();
}

// --- Nodes -----------------------------------------------------------------

void TPivotCubeNode::Populate() {
    const TPivotCubeAxis* axis = LevelAxis;
    TPCDataItems& items = Cube->CubeData().DataItems();
    const int columns = Cube->ValueColumnCount();
    const int members = axis->MemberCount();
    Children.clear();
    Children.reserve(size_t(members));
    OrderState = Dimension->DescendingSort ? 2 : 1;

    // The path of members above this node, then the probe on this node's axis.
    std::vector<std::unique_ptr<TPCAxisFilter>> path;
    for (const TPivotCubeNode* n = this; n->Parent; n = n->Parent) {
        path.push_back(std::make_unique<TPCAxisFilter>(n->Parent->LevelAxis->Index));
        path.back()->IncludeIDs.Add(n->MemberID);
    }
    TPCAxisFilter probe(axis->Index);
    probe.IncludeIDs.Add(0);
    std::vector<const TPCAxisFilter*> scratch;
    for (const auto& f : path) scratch.push_back(f.get());
    scratch.push_back(&probe);

    // Parent link: the member chosen on the parent axis along this path.
    bool linked = false;
    int32_t parentMember = 0;
    if (axis->ParentLinked && axis->ParentAxis)
        for (const TPivotCubeNode* n = this; n->Parent; n = n->Parent)
            if (n->Parent->LevelAxis == axis->ParentAxis) {
                parentMember = n->MemberID;
                linked = parentMember != 0;
                break;
            }

    const bool hideEmpty = (Cube->Options() & pcoHideEmptyAxis) != 0;
    // The probe below is served by the sorted-range search; without it the
    // items keep their order (sorting a large cube costs more than the rest).
    if (hideEmpty) items.SortByAxis(axis->Index);
    const TPCFilterMatcher own = Dimension->Matcher();
    for (int k = 0; k < members; ++k) {
        const TPivotCubeAxisData& m = axis->Members[size_t(OrderState == 2 ? members - 1 - k : k)];
        if (linked && m.ParentID != 0 && m.ParentID != parentMember) continue;
        if (!own.MatchesID(m.ID)) continue;
        if (hideEmpty) {
            probe.IncludeIDs.SetItem(0, m.ID);
            if (!items.HasMatch(scratch)) continue;
        }
        TPCNChild child;
        child.ID = m.ID;
        child.Cache.resize(size_t(columns));
        Children.push_back(std::move(child));
    }
    Children.shrink_to_fit();
}

void TPivotCubeNode::Expand(int i) {
    if (Children.empty() || Children[size_t(i)].Node) return;
    const size_t next = size_t(Level) + 1;
    if (!FList || next >= FList->size()) return;   // the last level has no next dimension
    auto child = std::make_unique<TPivotCubeNode>();
    child->Cube = Cube;
    child->Level = Level + 1;
    child->Dimension = (*FList)[next].get();
    child->FList = FList;
    child->LevelAxis = Cube->CubeData().Axises()[child->Dimension->Axis];
    child->Parent = this;
    child->MemberID = Children[size_t(i)].ID;
    child->Populate();
    // A member with nothing under it (every member of the next level filtered
    // out or linked to another parent) stays a leaf: an empty expansion would
    // show a blank line of the member's own totals that no header spans.
    if (child->Children.empty()) return;
    Children[size_t(i)].Node = std::move(child);
}

void TPivotCubeNode::Collapse(int i) {
    Children[size_t(i)].Node.reset();
    ClearCache();
}

void TPivotCubeNode::CollapseBelow(int depth) {
    if (depth <= 0) {
        for (int i = 0; i < Count(); ++i) Children[size_t(i)].Node.reset();
        ClearCache();
        return;
    }
    for (TPCNChild& c : Children)
        if (c.Node) c.Node->CollapseBelow(depth - 1);
}

void TPivotCubeNode::ClearCache() {
    const size_t columns = size_t(Cube->ValueColumnCount());
    for (TPCNChild& c : Children) {
        c.Cache.clear();
        c.Cache.resize(columns);
        if (c.Node) c.Node->ClearCache();
    }
}

void TPivotCubeNode::Reverse() {
    std::reverse(Children.begin(), Children.end());
    if (OrderState == 1) OrderState = 2;
    else if (OrderState == 2) OrderState = 1;
}

// --- Engine ----------------------------------------------------------------

TPivotCube::TPivotCube()
    : FCubeData(std::make_unique<TPivotCubeData>()),
      FColRegroups(std::make_unique<TPivotCubeRegroups>(this)),
      FRowRegroups(std::make_unique<TPivotCubeRegroups>(this)) {
    SetCellCube(FCubeData.get());
    FColRegroups->OnChange = [this] { ClearCaches(); };
    FRowRegroups->OnChange = [this] { ClearCaches(); };
}

TPivotCube::~TPivotCube() {
    auto destroyed = std::move(FDestroyedListeners);
    for (auto& l : destroyed) l.second();
    FColRegroups->OnChange = nullptr;
    FRowRegroups->OnChange = nullptr;
    FRowRoot.reset();
    FColRoot.reset();
}

void TPivotCube::SetCubeData(const TPivotCubeData& data) {
    FRowRoot.reset();
    FColRoot.reset();
    FRowDimensions.clear();
    FColDimensions.clear();
    FCubeData->Assign(&data);
    FSortKey.clear();
    FSortColumn = -1;
    FSortDirection = 1;
    Rebuild();
}

std::unique_ptr<TPivotCubeNode> TPivotCube::buildRoot(TPCDimensionList& list) {
    if (list.empty()) return nullptr;
    auto root = std::make_unique<TPivotCubeNode>();
    root->Cube = this;
    root->Dimension = list.front().get();
    root->FList = &list;
    root->LevelAxis = FCubeData->Axises()[root->Dimension->Axis];
    root->Populate();
    return root;
}

void TPivotCube::Rebuild() {
    std::vector<const TPCAxisFilter*> filters;
    for (TPCDimensionList* list : {&FRowDimensions, &FColDimensions})
        for (const auto& d : *list)
            if (d->IncludeIDs.Count() > 0 || d->ExcludeIDs.Count() > 0) filters.push_back(d.get());
    FCubeData->DataItems().SetFilters(filters);
    FRowRoot.reset();
    FRowRoot = buildRoot(FRowDimensions);
    FColRoot.reset();
    FColRoot = buildRoot(FColDimensions);
    Repaint();
}

void TPivotCube::SetOptions(TPivotCubeOptions options) {
    if (options == FOptions) return;
    FOptions = options;
    Rebuild();
}

void TPivotCube::ClearDimensions() {
    FRowRoot.reset();
    FColRoot.reset();
    FRowDimensions.clear();
    FColDimensions.clear();
    Repaint();
    Rebuild();
}

void TPivotCube::AddDimension(TPCDimensionList& list, int axisIndex) {
    list.push_back(std::make_unique<TPCAxisVisualFilter>(axisIndex));
    Rebuild();
}

void TPivotCube::RemoveDimension(TPCDimensionList& list, int position) {
    if (position < 0 || position >= int(list.size())) return;
    FRowRoot.reset();
    FColRoot.reset();
    list.erase(list.begin() + position);
    Rebuild();
}

void TPivotCube::ClearDimensionList(TPCDimensionList& list) {
    FRowRoot.reset();
    FColRoot.reset();
    list.clear();
    Rebuild();
}

void TPivotCube::MoveDimension(TPCDimensionList& from, int position, TPCDimensionList& to, int slot) {
    if (position < 0 || position >= int(from.size())) return;
    if (&from == &to) {
        if (slot == position || slot == position + 1) return;
        std::unique_ptr<TPCAxisVisualFilter> d = std::move(from[size_t(position)]);
        from.erase(from.begin() + position);
        int target = slot > position ? slot - 1 : slot;
        target = std::clamp(target, 0, int(from.size()));
        from.insert(from.begin() + target, std::move(d));
    } else {
        std::unique_ptr<TPCAxisVisualFilter> d = std::move(from[size_t(position)]);
        from.erase(from.begin() + position);
        to.insert(to.begin() + std::clamp(slot, 0, int(to.size())), std::move(d));
    }
    FRowRoot.reset();
    FColRoot.reset();
    Rebuild();
}

namespace {
void reverseLevel(TPivotCubeNode* node, int level) {
    if (!node) return;
    if (node->Level == level) {
        node->Reverse();
        return;
    }
    for (TPCNChild& c : node->Children)
        if (c.Node) reverseLevel(c.Node.get(), level);
}

void expandAll(TPivotCubeNode* node, int level) {
    for (int i = 0; i < node->Count(); ++i) {
        node->Expand(i);
        if (level > 0 && node->Children[size_t(i)].Node) expandAll(node->Children[size_t(i)].Node.get(), level - 1);
    }
}
} // namespace

void TPivotCube::ToggleDescending(TPCDimensionList& list, int position) {
    if (position < 0 || position >= int(list.size())) return;
    list[size_t(position)]->DescendingSort = !list[size_t(position)]->DescendingSort;
    reverseLevel(&list == &FRowDimensions ? FRowRoot.get() : FColRoot.get(), position);
    Repaint();
}

void TPivotCube::ExpandAllTo(TPivotCubeNode* root, int level) {
    if (!root) return;
    expandAll(root, level);
    Repaint();
}

void TPivotCube::CollapseAllAt(TPivotCubeNode* root, int level) {
    if (!root) return;
    root->CollapseBelow(level);
    Repaint();
}

void TPivotCube::ToggleExpand(TPivotCubeNode* node, int childIndex) {
    if (!node || childIndex < 0 || childIndex >= node->Count()) return;
    if (node->IsExpanded(childIndex)) {
        node->Collapse(childIndex);
    } else {
        node->Expand(childIndex);
        ApplySort();
    }
    Repaint();
}

void TPivotCube::Transpose() {
    std::swap(FRowDimensions, FColDimensions);
    std::swap(FRowRoot, FColRoot);
    std::swap(FRowRegroups, FColRegroups);
    Rebuild();
}

void TPivotCube::ClearCaches() {
    if (FRowRoot) FRowRoot->ClearCache();
    if (FColRoot) FColRoot->ClearCache();
    Repaint();
}

int TPivotCube::Subscribe(std::function<void()> listener) {
    FListeners.emplace_back(FNextListener, std::move(listener));
    return FNextListener++;
}

int TPivotCube::SubscribeDestroyed(std::function<void()> listener) {
    FDestroyedListeners.emplace_back(FNextListener, std::move(listener));
    return FNextListener++;
}

void TPivotCube::Unsubscribe(int id) {
    std::erase_if(FListeners, [id](const auto& l) { return l.first == id; });
    std::erase_if(FDestroyedListeners, [id](const auto& l) { return l.first == id; });
}

void TPivotCube::Repaint() {
    auto listeners = FListeners;   // a listener may unsubscribe while being told
    for (auto& l : listeners) l.second();
}

// --- Iterator --------------------------------------------------------------

TPCNodeIterator::TPCNodeIterator(TPivotCubeNode* root, bool topLevelOnly) : CurrentNode(root), TopLevelOnly(topLevelOnly) {
    if (root && !root->Children.empty()) pushFilter(root);
}

void TPCNodeIterator::pushFilter(TPivotCubeNode* node) {
    auto f = std::make_unique<TPCAxisFilter>(node->LevelAxis->Index);
    if (!node->Children.empty()) f->IncludeIDs.Add(node->Children.front().ID);
    Filters.push_back(std::move(f));
}

std::vector<const TPCAxisFilter*> TPCNodeIterator::FilterList() const {
    std::vector<const TPCAxisFilter*> list;
    for (const auto& f : Filters) list.push_back(f.get());
    return list;
}

void TPCNodeIterator::Next() {
    if (!CurrentNode) return;
    if (!TopLevelOnly && ChildIndex < CurrentNode->Count() && CurrentNode->Children[size_t(ChildIndex)].Node) {
        IndexStack.Push(ChildIndex);
        CurrentNode = CurrentNode->Children[size_t(ChildIndex)].Node.get();
        ChildIndex = 0;
        pushFilter(CurrentNode);
        return;
    }
    while (ChildIndex >= CurrentNode->Count() - 1) {
        if (IndexStack.Count() == 0) {
            Filters.clear();
            CurrentNode = nullptr;
            return;
        }
        Filters.pop_back();
        ChildIndex = IndexStack.Pop();
        CurrentNode = CurrentNode->Parent;
    }
    ++ChildIndex;
    TPCAxisFilter& top = *Filters.back();
    top.IncludeIDs.Clear();
    top.IncludeIDs.Add(CurrentNode->Children[size_t(ChildIndex)].ID);
}

int TPCNodeIterator::AxisIndex() const { return CurrentNode ? CurrentNode->LevelAxis->Index : -1; }

QString TPCNodeIterator::CurrentCaption() const {
    if (!CurrentNode || CurrentNode->Children.empty()) return {};
    return CurrentNode->LevelAxis->CaptionOf(CurrentNode->Children[size_t(ChildIndex)].ID);
}

bool TPCNodeIterator::IsExpanded() const {
    return !TopLevelOnly && CurrentNode && !CurrentNode->Children.empty() && CurrentNode->Children[size_t(ChildIndex)].Node != nullptr;
}

bool TPCNodeIterator::HasChildren() const { return !(CurrentNode && CurrentNode->Children.empty()); }

namespace {
int linesUnder(const TPivotCubeNode& node, int extra) {
    int lines = 0;
    for (const TPCNChild& c : node.Children) lines += c.Node ? linesUnder(*c.Node, extra) + extra : 1;
    return lines;
}
} // namespace

int TPCNodeIterator::LineCount(int extra) const {
    if (!CurrentNode || CurrentNode->Children.empty()) return 0;
    const TPCNChild& child = CurrentNode->Children[size_t(ChildIndex)];
    return child.Node ? linesUnder(*child.Node, extra) : 0;
}

void TPCNodeIterator::SetCache(int column, const TDoubleList& list) {
    if (!CurrentNode || CurrentNode->Children.empty() || column < 0) return;
    TPCNChild& child = CurrentNode->Children[size_t(ChildIndex)];
    if (size_t(column) >= child.Cache.size()) child.Cache.resize(size_t(column) + 1);
    if (!child.Cache[size_t(column)]) child.Cache[size_t(column)] = std::make_unique<TDoubleList>();
    child.Cache[size_t(column)]->Assign(&list);
}

TDoubleList* TPCNodeIterator::GetCache(int column) const {
    if (!CurrentNode || CurrentNode->Children.empty() || column < 0) return nullptr;
    const TPCNChild& child = CurrentNode->Children[size_t(ChildIndex)];
    return size_t(column) < child.Cache.size() ? child.Cache[size_t(column)].get() : nullptr;
}
