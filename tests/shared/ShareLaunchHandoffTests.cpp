#include "Shared/ShareLaunchHandoff.h"

#include <cmath>
#include <limits>

#include "platform/foundation/Clock.h"
#include "platform/foundation/Text.h"
#include "platform/foundation/Uuid.h"
#include "tests/shared/SharedTestEnvironment.h"

namespace tarvo {
namespace {

using platform::DecodingError;
using platform::Json;
using platform::PropertyList;
using platform::UserDefaults;

class ShareLaunchHandoffTest : public testing::SharedTestEnvironment {
protected:
    void SetUp() override {
        SharedTestEnvironment::SetUp();
        store_ = UserDefaults::suite("group.test.tarvo");
        ASSERT_NE(store_, nullptr);
    }

    static ShareLaunchHandoff sample() {
        ShareLaunchHandoff h;
        h.id = "11111111-2222-3333-4444-555555555555";
        h.createdAtEpoch = 1765371547.25;
        h.serverId = "srv";
        h.serverIdentity = "ident";
        h.urlString = "tarvo://open?action=open_dir&server=ident";
        h.title = "Open uploads";
        h.kind = "dir";
        h.path = "/srv/uploads";
        return h;
    }

    std::shared_ptr<UserDefaults> store_;
};

TEST_F(ShareLaunchHandoffTest, EmptyObjectTakesEveryDefault) {
    const auto clock = platform::Clock::fixedAt(1700000000.5);
    for (const char* text : {"{}", R"({"schema":null,"id":null,"createdAtEpoch":null,"title":null,"kind":null})"}) {
        ShareLaunchHandoff h = ShareLaunchHandoff::fromJson(platform::parseJson(text));
        EXPECT_EQ(h.schema, 1);
        EXPECT_TRUE(platform::isUUIDString(h.id));
        EXPECT_EQ(h.id, platform::text::uppercased(h.id));
        EXPECT_EQ(h.createdAtEpoch, 1700000000.5);
        EXPECT_EQ(h.title, "Open in Tarvo");
        EXPECT_EQ(h.kind, "open");
        EXPECT_EQ(h.serverId, "");
        EXPECT_EQ(h.serverIdentity, "");
        EXPECT_EQ(h.urlString, "");
        EXPECT_EQ(h.path, "");
    }
    EXPECT_NE(ShareLaunchHandoff().id, ShareLaunchHandoff().id);
}

TEST_F(ShareLaunchHandoffTest, DecodingKeepsValuesAndRefusesWrongTypes) {
    const ShareLaunchHandoff h = sample();
    EXPECT_EQ(ShareLaunchHandoff::fromJson(h.toJson()), h);
    auto integerTime = ShareLaunchHandoff::fromJson(platform::parseJson(R"({"createdAtEpoch":1700000000,"schema":2})"));
    EXPECT_EQ(integerTime.createdAtEpoch, 1700000000.0);
    EXPECT_EQ(integerTime.schema, 2);

    for (const char* bad : {R"({"schema":"1"})", R"({"schema":1.5})", R"({"schema":1e40})", R"({"id":7})",
                            R"({"createdAtEpoch":"now"})", R"({"title":false})", R"({"path":[]})", R"([])"}) {
        EXPECT_THROW(ShareLaunchHandoff::fromJson(platform::parseJson(bad)), DecodingError) << bad;
    }
}

TEST_F(ShareLaunchHandoffTest, SaveStoresCompactSortedTextAndKeepsOnlyTheLatest) {
    ShareLaunchHandoff first = sample();
    ShareLaunchHandoff::save(first, *store_);
    ShareLaunchHandoff second = sample();
    second.id = "AAAAAAAA-2222-3333-4444-555555555555";
    second.title = "Line one\nline \"two\"";
    ShareLaunchHandoff::save(second, *store_);

    auto stored = store_->object(kShareLaunchHandoffKey);
    ASSERT_TRUE(stored);
    ASSERT_TRUE(stored->isString());  // text, not data
    const std::string& text = *stored->asString();
    EXPECT_EQ(text,
              R"({"createdAtEpoch":1765371547.25,"id":"AAAAAAAA-2222-3333-4444-555555555555","kind":"dir",)"
              R"("path":"/srv/uploads","schema":1,"serverId":"srv","serverIdentity":"ident",)"
              R"("title":"Line one\nline \"two\"","urlString":"tarvo://open?action=open_dir&server=ident"})");
    EXPECT_EQ(text.find('\n'), std::string::npos);
    EXPECT_EQ(ShareLaunchHandoff::fromJson(platform::parseJson(text)), second);
}

TEST_F(ShareLaunchHandoffTest, UnencodableRecordLeavesTheEarlierOne) {
    ShareLaunchHandoff::save(sample(), *store_);
    const auto before = store_->object(kShareLaunchHandoffKey);
    ASSERT_TRUE(before);

    ShareLaunchHandoff nan = sample();
    nan.createdAtEpoch = std::numeric_limits<double>::quiet_NaN();
    ShareLaunchHandoff::save(nan, *store_);
    ShareLaunchHandoff inf = sample();
    inf.createdAtEpoch = -std::numeric_limits<double>::infinity();
    ShareLaunchHandoff::save(inf, *store_);

    EXPECT_EQ(store_->object(kShareLaunchHandoffKey), before);
}

}  // namespace
}  // namespace tarvo
