// A long table gives cells only to the rows one screen shows, from its content offset down.
#include <memory>

#include <gtest/gtest.h>

#include "platform/uikit/UITableView.h"

namespace uikit_test {
namespace {

using namespace platform;

class Numbers : public UITableViewDataSource {
public:
    int rows = 100'000;
    int asked = 0;
    int numberOfRows(UITableView&, int) override { return rows; }
    std::shared_ptr<UITableViewCell> cellForRow(UITableView& table, IndexPath ip) override {
        ++asked;
        auto cell = table.dequeueReusableCell("n", ip);
        cell->contentConfiguration = UITableViewCell::ContentConfiguration{std::nullopt, std::to_string(ip.row), std::nullopt};
        return cell;
    }
};

TEST(TableRows, OnlyTheRowsOfOneScreenGetCells) {
    auto table = UITableView::make();
    auto numbers = std::make_shared<Numbers>();
    table->registerCell("n");
    table->dataSource = numbers;
    table->reloadData();
    EXPECT_EQ(table->numberOfRows(0), 100'000);
    const auto screenful = static_cast<std::size_t>(UITableView::kMaterializedHeight / 44) + 1;
    EXPECT_EQ(table->visibleCells().size(), screenful);
    EXPECT_EQ(numbers->asked, static_cast<int>(screenful));
    EXPECT_EQ(table->visibleCells().front()->contentConfiguration->text, "0");

    // Scrolled down: the rows from the offset on.
    table->contentOffset.y = 44 * 50'000;
    table->reloadData();
    EXPECT_EQ(table->visibleCells().front()->contentConfiguration->text, "50000");
    EXPECT_EQ(table->visibleCells().size(), screenful);
    EXPECT_TRUE(table->cellForRow({0, 50'001}));
    EXPECT_FALSE(table->cellForRow({0, 0}));

    // A short list: every row.
    numbers->rows = 3;
    table->contentOffset.y = 0;
    table->reloadData();
    EXPECT_EQ(table->visibleCells().size(), 3u);
}

}  // namespace
}  // namespace uikit_test
