#pragma once
// A table screen's list: sections of rows whose cells come from a data source and whose
// selection goes to a delegate. reloadData() asks the data source again for the number of rows
// and puts one cell per row in as subviews, for the rows that one screen shows from the content
// offset down (kMaterializedHeight; the rows above it count at kEstimatedRowHeight). A tap on a
// cell selects its row and tells the delegate; the delegate usually deselects it again.
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/uikit/UIScrollView.h"
#include "platform/uikit/UITableViewCell.h"
#include "platform/uikit/UIViewController.h"

namespace platform {

class UITableView;

class UITableViewDataSource {
public:
    virtual ~UITableViewDataSource() = default;
    virtual int numberOfSections(UITableView&) { return 1; }
    virtual int numberOfRows(UITableView& table, int section) = 0;
    virtual std::shared_ptr<UITableViewCell> cellForRow(UITableView& table, IndexPath indexPath) = 0;
};

class UITableViewDelegate {
public:
    virtual ~UITableViewDelegate() = default;
    virtual void didSelectRow(UITableView&, IndexPath) {}
};

class UITableView : public UIScrollView {
public:
    enum class Style { plain, grouped, insetGrouped };

    explicit UITableView(Style style = Style::plain) : style(style) {}
    static std::shared_ptr<UITableView> make(Style style = Style::plain) { return std::make_shared<UITableView>(style); }

    // The height of the rows given cells: a phone's screen.
    static constexpr double kMaterializedHeight = 844;
    static constexpr double kEstimatedRowHeight = 44;
    std::string_view kindName() const override { return "TableView"; }

    const Style style;
    std::weak_ptr<UITableViewDataSource> dataSource;
    std::weak_ptr<UITableViewDelegate> delegate;

    void registerCell(const std::string& reuseIdentifier) { registered_.insert(reuseIdentifier); }
    // A fresh cell for the identifier. An unregistered identifier is a programming error on the
    // platform (it stops the program); here it throws std::logic_error.
    std::shared_ptr<UITableViewCell> dequeueReusableCell(const std::string& reuseIdentifier, IndexPath indexPath);

    void reloadData();
    bool hasLoadedData() const { return loaded_; }
    int numberOfSections() const { return static_cast<int>(rowCounts_.size()); }
    int numberOfRows(int section) const;
    std::shared_ptr<UITableViewCell> cellForRow(IndexPath indexPath) const;
    const std::vector<std::shared_ptr<UITableViewCell>>& visibleCells() const { return cells_; }

    // What a tap on a row does: select it, then tell the delegate.
    void selectRowByTap(IndexPath indexPath);
    void deselectRow(IndexPath indexPath, bool animated);
    std::optional<IndexPath> indexPathForSelectedRow() const { return selected_; }

private:
    std::set<std::string> registered_;
    std::vector<int> rowCounts_;
    std::vector<std::shared_ptr<UITableViewCell>> cells_;
    std::optional<IndexPath> selected_;
    bool loaded_ = false;
};

// A controller whose view is a table and which is the table's data source and delegate.
class UITableViewController : public UIViewController, public UITableViewDataSource, public UITableViewDelegate {
public:
    explicit UITableViewController(UITableView::Style style = UITableView::Style::plain) : style_(style) {}
    std::string_view kindName() const override { return "TableViewController"; }

    // The table (loads the view).
    std::shared_ptr<UITableView> tableView();
    // The table's refresh control.
    void setRefreshControl(std::shared_ptr<UIRefreshControl> control) { tableView()->setRefreshControl(std::move(control)); }
    const std::shared_ptr<UIRefreshControl>& refreshControl() { return tableView()->refreshControl(); }

    // The first time the table is shown it loads its rows.
    void viewWillAppear() override;

protected:
    void loadView() override;

private:
    UITableView::Style style_;
};

}  // namespace platform
