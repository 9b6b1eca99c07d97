#pragma once
// Each test gets its own Tarvo home (so defaults stores start empty) and its own bundle info
// dictionary.
#include <gtest/gtest.h>

#include <string>

#include "platform/foundation/Json.h"
#include "tests/support/ScopedBundleInfo.h"
#include "tests/support/TempHome.h"

namespace tarvo::testing {

class SharedTestEnvironment : public ::testing::Test {
protected:
    static void setInfo(platform::Json info) { tarvo_test::ScopedBundleInfo::set(std::move(info)); }

    const std::string& home() const { return home_.path(); }

private:
    tarvo_test::TempHome home_{"shared"};
    tarvo_test::ScopedBundleInfo info_{platform::Json{{"APP_GROUP_ID", "group.test.tarvo"}}};
};

}  // namespace tarvo::testing
