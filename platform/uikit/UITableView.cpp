#include "platform/uikit/UITableView.h"

#include <algorithm>
#include <stdexcept>

namespace platform {

std::shared_ptr<UITableViewCell> UITableView::dequeueReusableCell(const std::string& reuseIdentifier,
                                                                  IndexPath indexPath) {
    if (!registered_.count(reuseIdentifier)) {
        throw std::logic_error("unable to dequeue a cell with identifier \"" + reuseIdentifier +
                               "\": no cell is registered under it");
    }
    auto cell = std::make_shared<UITableViewCell>(reuseIdentifier);
    cell->indexPath_ = indexPath;
    return cell;
}

void UITableView::reloadData() {
    loaded_ = true;
    for (const auto& c : cells_) {
        if (c->superview().get() == this) c->removeFromSuperview();
    }
    cells_.clear();
    rowCounts_.clear();
    selected_.reset();
    auto source = dataSource.lock();
    if (!source) return;
    const auto keep = shared_from_this();
    const int sections = std::max(0, source->numberOfSections(*this));
    for (int s = 0; s < sections; ++s) rowCounts_.push_back(std::max(0, source->numberOfRows(*this, s)));
    // Only the rows within one screen's height from the content offset get cells, as on the
    // platform: a list of 100,000 rows costs what can be seen of it. Rows above the offset are
    // passed over at the estimated height.
    const double top = std::max(0.0, contentOffset.y);
    const double bottom = top + kMaterializedHeight;
    double y = 0;
    for (int s = 0; s < sections && y < bottom; ++s) {
        for (int r = 0; r < rowCounts_[static_cast<std::size_t>(s)] && y < bottom; ++r) {
            if (y + kEstimatedRowHeight <= top) {
                y += kEstimatedRowHeight;
                continue;
            }
            auto cell = source->cellForRow(*this, {s, r});
            if (!cell) continue;
            y += cell->nominalHeight(0);
            cell->indexPath_ = {s, r};
            cell->table_ = std::static_pointer_cast<UITableView>(shared_from_this());
            cells_.push_back(cell);
            addSubview(cell);
        }
    }
}

int UITableView::numberOfRows(int section) const {
    if (section < 0 || static_cast<std::size_t>(section) >= rowCounts_.size()) return 0;
    return rowCounts_[static_cast<std::size_t>(section)];
}

std::shared_ptr<UITableViewCell> UITableView::cellForRow(IndexPath indexPath) const {
    for (const auto& c : cells_) {
        if (c->indexPath() == indexPath) return c;
    }
    return nullptr;
}

void UITableView::selectRowByTap(IndexPath indexPath) {
    if (selected_) deselectRow(*selected_, false);
    selected_ = indexPath;
    if (auto c = cellForRow(indexPath)) c->selected = true;
    const auto keep = shared_from_this();
    if (auto d = delegate.lock()) d->didSelectRow(*this, indexPath);
}

void UITableView::deselectRow(IndexPath indexPath, bool) {
    if (auto c = cellForRow(indexPath)) c->selected = false;
    if (selected_ && *selected_ == indexPath) selected_.reset();
}

std::shared_ptr<UITableView> UITableViewController::tableView() {
    auto table = std::dynamic_pointer_cast<UITableView>(view());
    if (!table) throw std::logic_error("a table view controller's view must be its table");
    return table;
}

void UITableViewController::loadView() {
    auto table = UITableView::make(style_);
    auto self = std::static_pointer_cast<UITableViewController>(shared_from_this());
    table->dataSource = std::static_pointer_cast<UITableViewDataSource>(self);
    table->delegate = std::static_pointer_cast<UITableViewDelegate>(self);
    setView(table);
}

void UITableViewController::viewWillAppear() {
    auto table = tableView();
    if (!table->hasLoadedData()) table->reloadData();
}

}  // namespace platform
